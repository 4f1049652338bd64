// The runs' controls: Stop, Pause, Continue, their keys, what the user may
// touch while a run works, and the window's return to idle.
#include <windows.h>

#include <array>
#include <initializer_list>
#include <string>

#include "common/numbered_error.h"
#include "ferrimond/backup/run_wait.h"
#include "ferrimond/mainwindow/frmbackup.h"

namespace ferrimond {

namespace {

constexpr int kKeyEscape = 27;
constexpr int kKeyR = 82;
constexpr int kKeyPause = 19;
constexpr int kKeyP = 80;
constexpr forms::OleColor kPausedMaskColor = 0xC0E0FF;

}  // namespace

void WaitBriefly() {
  forms::DoEvents();
  // Sleep until something arrives rather than spinning on the queue.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  forms::DoEvents();
}

void Frmbackup::BindRunEvents() {
  CmdCToE.OnClick = [this] { CmdCToE_Click(); };
  CmdStop.OnClick = [this] { CmdStop_Click(); };
  CmdPause.OnClick = [this] { CmdPause_Click(); };
  CmdContinue.OnClick = [this] { CmdContinue_Click(); };

  auto keys = [this](int keyCode, int shift) {
    int16_t key = static_cast<int16_t>(keyCode);
    int16_t state = static_cast<int16_t>(shift);
    CatchEsc(key, state);
  };
  OnKeyDown = keys;
  for (int i : Check1.Indexes()) Check1[i].OnKeyDown = keys;
  for (int i : Txtfiles.Indexes()) Txtfiles[i].OnKeyDown = keys;
  for (forms::Control* control : std::initializer_list<forms::Control*>{
           &Check2, &ChkSubDir, &txtdays, &OptDateToday, &optDatePicker, &optDateText, &lstFixed,
           &CmdCToE, &CmdStop, &CmdContinue, &CmdCopyToC, &CmdBrowse1, &CmdRemove,
           &CmdRemoveAll}) {
    control->OnKeyDown = keys;
  }
}

void Frmbackup::CatchEsc(int16_t& KeyCode, int16_t& Shift) {
  if (KeyCode == kKeyEscape || KeyCode == kKeyR) {
    CmdStop.SetValue(true);
  } else if (KeyCode == kKeyPause || KeyCode == kKeyP) {
    CmdPause.SetValue(true);
  }
}

void Frmbackup::CmdStop_Click() {
  // At idle there is nothing to stop.
  if (!RunActive) return;
  // The run winds down and ends: its inputs stay fixed until then (also
  // when it was waiting for a drive).
  ShowRunPhase(RunPhase::Running);
  SetMousePointer(forms::Pointer::Default);
  ContinueFlag = true;
  AbortFlag = true;
  // A Stop during a pause stops: the pause ends without running Continue,
  // whose copy pass would run to its end first.
  EndPause();
  InitializeAgain();
  lblDir.SetCaption(L"Backup has been interrupted.");
  txtPrgBar.SetText(L"");
}

void Frmbackup::EndPause() {
  PauseFlag = false;
  PausePresses = 0;
  PauseMaskColor = forms::kColorButtonFace;
}

void Frmbackup::CmdPause_Click() {
  // At idle there is nothing to pause: a "p" typed into a custom-type box
  // must not leave a pause (or a Continue) behind for later. Nor is there
  // in a clear or the upload's closing question.
  if (!RunActive || nothingToPause_) return;
  if (PauseMaskColor == forms::kColorButtonFace) {
    PauseUseMaskColor = true;
    PauseMaskColor = kPausedMaskColor;
  } else {
    PauseMaskColor = forms::kColorButtonFace;
  }
  ++PausePresses;
  if (PausePresses % 2 != 0) {
    PauseFlag = true;
  } else {
    PauseFlag = false;
    CmdContinue.SetValue(true);
  }
}

void Frmbackup::CmdContinue_Click() {
  // Continue runs the rest of a backup's copy: never at idle, where it
  // would copy an old selection outside any run, nor in a clear.
  if (!RunActive || nothingToPause_) return;
  if (uploading_) {
    // The upload only waits in UploadPauseHandler: Continue ends the pause.
    EndPause();
    CmdStop.SetEnabled(true);
    CmdPause.SetEnabled(true);
    CmdContinue.SetEnabled(false);
    return;
  }
  try {
    // A wait for another drive ends: the drive picked is the one used.
    ShowRunPhase(RunPhase::Running);
    CmdStop.SetEnabled(true);
    CmdPause.SetEnabled(true);
    CmdContinue.SetEnabled(false);
    ContinueFlag = true;
    DriveText += lstRemovable.Text();
    CopyFilefromList(LastItemDone, DriveText);
    if (PauseFlag) PauseFlag = false;
    if (RecopyFlag) CopyFilefromList(LastItemDone, DriveText);
  } catch (const common::NumberedError& e) {
    if (e.Number() == common::ErrDiskFull) {
      RecopyFlag = true;
      Ui().MsgBox(L"Your removable drive is full; insert another one and click continue button");
      CopyFilefromList(LastItemDone, DriveText);
      return;
    }
    Ui().MsgBox(L"Error code" + std::to_wstring(e.Number()) + L"was generated\r\n" + e.Description());
  }
}

void Frmbackup::PauseHandler() {
  while (PauseFlag) {
    SetMousePointer(forms::Pointer::Default);
    WaitBriefly();
    // A window that is closing cannot be resumed; end the pause with it.
    if (IsUnloaded()) PauseFlag = false;
  }
  SetMousePointer(forms::Pointer::Default);
}

void Frmbackup::ShowDefaultPointers() {
  SetMousePointer(forms::Pointer::Default);
  forms::SetScreenMousePointer(forms::Pointer::Default);
}

void Frmbackup::ClearLbl() {
  lblDir.SetCaption(L"");
  lblBackup.SetCaption(L"");
  lblStatus.SetCaption(L"");
}

std::array<forms::OptionButton*, 6> Frmbackup::DateOptions() {
  return {&OptLastUpload, &optDateText, &OptAnyTime, &OptDateToday, &optDatePicker, &OptLastBackup};
}

void Frmbackup::SetDateOptionsEnabled(bool enabled) {
  for (forms::OptionButton* option : DateOptions()) {
    // Without its picker "Backup files since" stays disabled.
    option->SetEnabled(enabled && (option != &optDatePicker || DatePicker1.HasControl()));
  }
  txtdays.SetCausesValidation(enabled);
  DatePicker1.SetEnabled(enabled);
}

Frmbackup::RunInputs Frmbackup::RunInputItems() {
  RunInputs inputs;
  inputs.controls = {&lstRemovable, &lstFixed,   &cmbUsers,      &CmdCToE,   &CmdCopyToC,   &LstDir,
                     &Lstfile,      &LstDirEx,   &LstFilEx,      &ChkSubDir, &CmdBrowse1,   &CmdBrowseFile,
                     &CmdRemove,    &CmdRemoveAll, &CmdBrowse,   &cmdRemove2, &CmdFilEx,    &Check2,
                     &txtdays};
  for (int i : Check1.Indexes()) inputs.controls.push_back(&Check1[i]);
  for (int i : Txtfiles.Indexes()) inputs.controls.push_back(&Txtfiles[i]);
  inputs.menus = {&mnuFileLoadLog, &mnuFileSaveLog, &mnuFilePrint, &mnuClear,
                  &mnuRefresh,     &mnuUpload,      &mnuFileTypes};
  return inputs;
}

void Frmbackup::ShowRunPhase(RunPhase phase) {
  const bool idle = phase == RunPhase::Idle;
  const bool driveChoice = phase == RunPhase::DriveWait;
  const RunInputs inputs = RunInputItems();
  for (forms::Control* control : inputs.controls) control->SetEnabled(idle || (driveChoice && control == &lstRemovable));
  for (forms::MenuItem* item : inputs.menus) item->SetEnabled(idle || (driveChoice && item == &mnuRefresh));
  if (!driveChoice) SetDateOptionsEnabled(idle);
  if (idle) return;
  // A control that had the focus and is now disabled has lost it: the
  // window takes the keys instead, so that Esc, R and P still reach the run.
  const HWND focus = GetFocus();
  if (Hwnd() && GetActiveWindow() == Hwnd() && (!focus || !IsWindowEnabled(focus))) ::SetFocus(Hwnd());
}

void Frmbackup::ShowIdleControls() {
  Frame1.SetBackColor(forms::kColorButtonFace);
  ShowDefaultPointers();
  // A Stop does not end the run at once: what it reads stays fixed until
  // the run itself has ended.
  if (!RunActive) ShowRunPhase(RunPhase::Idle);
  CmdStop.SetEnabled(false);
  CmdPause.SetEnabled(false);
  CmdContinue.SetEnabled(false);
}

void Frmbackup::InitializeAgain() {
  ShowIdleControls();
  lblDir.SetCaption(L"");
  lblStatus.SetCaption(L"");
}

}  // namespace ferrimond
