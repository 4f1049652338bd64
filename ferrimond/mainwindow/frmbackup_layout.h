#pragma once
// Design-time positions of the main window's controls, in twips (Left, Top,
// Width, Height), each relative to the frame that holds it.
namespace ferrimond::layout {

struct Twips {
  int left, top, width, height;
};

// The window's client area and its three frames.
inline constexpr int kClientWidth = 8010, kClientHeight = 8040;
inline constexpr Twips fraBackup{120, 120, 7755, 6495};
inline constexpr Twips fraFileTypes{120, 6720, 7755, 1095};
inline constexpr Twips fraUpload = fraFileTypes;

// Inside fraBackup.
inline constexpr Twips LblRemovable{240, 360, 1695, 255};
inline constexpr Twips lstRemovable{240, 600, 1695, 450};
inline constexpr Twips CmdCToE{240, 1200, 1695, 495};
inline constexpr Twips CmdStop{6120, 360, 1455, 375};
inline constexpr Twips CmdPause{6120, 840, 1455, 375};
inline constexpr Twips CmdContinue{6120, 1320, 1455, 375};
inline constexpr Twips Label3{2400, 1800, 1935, 255};
inline constexpr Twips lblBackup{4320, 1800, 2055, 255};
inline constexpr Twips lblStatus{240, 2160, 1215, 255};
inline constexpr Twips lblDir{1320, 2160, 6255, 255};
inline constexpr Twips Label1{240, 2880, 1815, 255};
inline constexpr Twips LstDir{240, 3120, 5655, 645};
inline constexpr Twips Label7{240, 3840, 2175, 255};
inline constexpr Twips Lstfile{240, 4080, 5655, 450};
inline constexpr Twips Label8{240, 4800, 2055, 255};
inline constexpr Twips LstDirEx{240, 5040, 5655, 450};
inline constexpr Twips Label9{240, 5640, 1935, 255};
inline constexpr Twips LstFilEx{240, 5880, 5655, 450};
inline constexpr Twips OptLastUpload{2400, 240, 2115, 285};
inline constexpr Twips OptLastBackup{2400, 480, 2175, 285};
inline constexpr Twips OptDateToday{2400, 720, 2055, 285};
inline constexpr Twips OptAnyTime{2400, 960, 2415, 285};
inline constexpr Twips optDateText{2400, 1200, 1695, 285};
inline constexpr Twips txtdays{4200, 1200, 375, 285};
inline constexpr Twips Label2{4680, 1200, 495, 285};
inline constexpr Twips optDatePicker{2400, 1440, 1695, 285};
inline constexpr Twips DatePicker1{4080, 1440, 1455, 255};
inline constexpr Twips txtPrgBar{240, 2400, 7335, 285};
inline constexpr Twips ChkSubDir{3240, 2880, 2175, 255};
inline constexpr Twips CmdBrowse1{6120, 2880, 1455, 375};
inline constexpr Twips CmdBrowseFile{6120, 3360, 1455, 375};
inline constexpr Twips CmdRemove{6120, 3840, 1455, 255};
inline constexpr Twips CmdRemoveAll{6120, 4200, 1455, 375};
inline constexpr Twips CmdBrowse{6120, 4920, 1455, 495};
inline constexpr Twips cmdRemove2{6120, 5520, 1455, 255};
inline constexpr Twips CmdFilEx{6120, 5880, 1455, 495};
inline constexpr Twips Frame1{7680, 4560, 15, 135};
// Line2 runs from (240, 4680) to (7560, 4680).
inline constexpr int kLine2X1 = 240, kLine2Y1 = 4680, kLine2X2 = 7560, kLine2Y2 = 4680;

// Inside fraUpload.
inline constexpr Twips CmdCopyToC{240, 360, 1575, 495};
inline constexpr Twips lstFixed{2280, 360, 1095, 450};
inline constexpr Twips Label6{3840, 240, 1215, 255};
inline constexpr Twips cmbUsers{3840, 480, 3735, 315};
inline constexpr Twips Frame3{0, 1080, 7815, 15};

// Inside fraFileTypes: Left and Top; the boxes take the width up to the next
// column (960 twips, less the custom text box beside a "*." box).
struct FileTypeBox {
  const wchar_t* caption;
  bool ticked;
  int left, top;
};
inline constexpr Twips Check2{240, 360, 735, 255};
inline constexpr FileTypeBox kCheck1[13] = {
    {L"*.doc", true, 1080, 360},  {L"*.xls", true, 2040, 360},  {L"*.ppt", false, 3000, 360},
    {L"*.ens", false, 3960, 360}, {L"*.txt", false, 4920, 360}, {L"*.mdb", false, 5880, 360},
    {L"*.pfd", false, 6840, 360}, {L"*.qdx", false, 240, 720},  {L"*.enl", false, 1080, 720},
    {L"*.jpg", false, 2040, 720}, {L"*.", false, 3000, 720},    {L"*.", false, 4440, 720},
    {L"*.", false, 5880, 720}};
inline constexpr int kFileTypeBoxWidth = 855, kFileTypeBoxHeight = 255;
inline constexpr int kCustomBoxWidth = 480;  // the "*." boxes, up to the text box
// Txtfiles(10..12) Left; Top is that of their row.
inline constexpr int kTxtfilesLeft[3] = {3480, 4920, 6360};
inline constexpr int kTxtfilesWidth = 735, kTxtfilesHeight = 285;

}  // namespace ferrimond::layout
