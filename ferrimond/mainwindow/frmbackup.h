#pragma once
// Frmbackup: the program's main window. Its controls are the program's state;
// the runs read and set them. Members are declared in Tab order: top to
// bottom, block by block, with the date options as one run so that the
// arrow keys move among them.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/numbered_error.h"
#include "common/ole_date.h"
#include "ferrimond/backup/walk_guard.h"
#include "ferrimond/backup/wildcard.h"
#include "ferrimond/forms/forms.h"
#include "ferrimond/mainwindow/frmbackup_layout.h"
#include "ferrimond/support/case_fold.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/list.h"
#include "ferrimond/support/stop_watch.h"
#include "ferrimond/support/system_info.h"
#include "ferrimond/unattended/command_line.h"

namespace ferrimond {

class FrmAbout;
class FrmSchedule;
class ScheduleService;
class FrmSplashEnd;

// What the main window needs from the process around it.
struct ProcessHooks {
  // True when another instance of the program is running already.
  std::function<bool()> anotherInstanceRunning;
  // Ends the process; in tests, records that it would end.
  std::function<void()> endProcess;
  // Where DatePicker1 comes from: the registered ProgID, else the library
  // beside the program.
  forms::AxSource datePicker{L"Almanix.DatePicker", L"Almanix.dll"};
  // False for an unattended run, which loads its log itself, as Load
  // Logfile does.
  bool restoreDefaultLog = true;
  // An unattended run: nobody sees the window, so closing shows no splash.
  bool unattended = false;
  // The Task Scheduler that "Schedule backup..." works with; none: the
  // system's.
  std::function<std::unique_ptr<ScheduleService>()> scheduleService;
};

// Fixed paths of the program.
inline constexpr wchar_t kProgramFolder[] = L"c:\\program files\\Ferrimond";
inline constexpr wchar_t kProgramFolderToCreate[] = L"C:\\Program files\\Ferrimond";
inline constexpr wchar_t kLastUploadStamp[] = L"c:\\program files\\Ferrimond\\LastUploadT.tim";
inline constexpr wchar_t kLastBackupStamp[] = L"c:\\program files\\Ferrimond\\LastBackupT.tim";
inline constexpr wchar_t kThresholdMarker[] = L"c:\\a.temp";
// The user guide: Ferrimond.html in the folder of the running program.
std::wstring ProgramHelpFile();

class Frmbackup : public forms::Form {
 public:
  Frmbackup(forms::UserInteraction& ui, ProcessHooks hooks);
  ~Frmbackup() override;

  // ---- Window-level state. ----
  std::wstring DateTag;
  common::DateTime Threshold;
  common::DateTime PickedDate;
  bool CloseAutomatically = true;
  // Made on first use and kept for the window's life.
  FileSystem& FileSys();
  std::optional<SystemInfo> SysInfo;

  // ---- Controls. ----
  forms::Frame fraBackup{*this, L"fraBackup", B(layout::fraBackup), L"Backup to Removable Drive"};
  forms::Label LblRemovable{fraBackup, L"LblRemovable", B(layout::LblRemovable), L"Removable Drive:"};
  forms::ListBox lstRemovable{fraBackup, L"lstRemovable", B(layout::lstRemovable)};
  forms::CommandButton CmdCToE{fraBackup, L"CmdCToE", B(layout::CmdCToE), L"Start Backup"};
  forms::OptionButton OptLastUpload{fraBackup, L"OptLastUpload", B(layout::OptLastUpload),
                                    L"Backup from last upload", true};
  forms::OptionButton OptLastBackup{fraBackup, L"OptLastBackup", B(layout::OptLastBackup),
                                    L"Backup from last backup"};
  forms::OptionButton OptDateToday{fraBackup, L"OptDateToday", B(layout::OptDateToday),
                                   L"Backup files from today"};
  forms::OptionButton OptAnyTime{fraBackup, L"OptAnyTime", B(layout::OptAnyTime),
                                 L"Backup from user set time"};
  forms::OptionButton optDateText{fraBackup, L"optDateText", B(layout::optDateText),
                                  L"Backup files for last"};
  forms::OptionButton optDatePicker{fraBackup, L"optDatePicker", B(layout::optDatePicker),
                                    L"Backup files since"};
  // An Almanix DatePicker, made from the design values of DatePickerDesign()
  // when the window is created. Without it "Backup files since" stays
  // disabled (Form_Load says why).
  forms::ActiveXHost DatePicker1{fraBackup, L"DatePicker1", B(layout::DatePicker1)};
  forms::TextBox txtdays{fraBackup, L"txtdays", B(layout::txtdays), L"2"};
  forms::Label Label2{fraBackup, L"Label2", B(layout::Label2), L"days"};
  forms::CommandButton CmdStop{fraBackup, L"CmdStop", B(layout::CmdStop), L"&Stop"};
  forms::CommandButton CmdPause{fraBackup, L"CmdPause", B(layout::CmdPause), L"&Pause"};
  forms::CommandButton CmdContinue{fraBackup, L"CmdContinue", B(layout::CmdContinue), L"&Continue"};
  forms::Label Label3{fraBackup, L"Label3", B(layout::Label3), L"Backup will be done from"};
  forms::Label lblBackup{fraBackup, L"lblBackup", B(layout::lblBackup)};
  forms::Label lblStatus{fraBackup, L"lblStatus", B(layout::lblStatus), L"Status:"};
  forms::Label lblDir{fraBackup, L"lblDir", B(layout::lblDir)};
  forms::TextBox txtPrgBar{fraBackup, L"txtPrgBar", B(layout::txtPrgBar)};
  forms::Label Label1{fraBackup, L"Label1", B(layout::Label1), L"Directories for Backup:"};
  forms::ListBox LstDir{fraBackup, L"LstDir", B(layout::LstDir)};
  forms::CheckBox ChkSubDir{fraBackup, L"ChkSubDir", B(layout::ChkSubDir),
                            L"Include all Sub Directories", forms::kChecked};
  forms::CommandButton CmdBrowse1{fraBackup, L"CmdBrowse1", B(layout::CmdBrowse1), L"Browse Folder(s)"};
  forms::CommandButton CmdBrowseFile{fraBackup, L"CmdBrowseFile", B(layout::CmdBrowseFile),
                                     L"Browse File(s)"};
  forms::Label Label7{fraBackup, L"Label7", B(layout::Label7), L"Files for Backup:"};
  forms::ListBox Lstfile{fraBackup, L"Lstfile", B(layout::Lstfile)};
  forms::CommandButton CmdRemove{fraBackup, L"CmdRemove", B(layout::CmdRemove), L"Remove Selected"};
  forms::CommandButton CmdRemoveAll{fraBackup, L"CmdRemoveAll", B(layout::CmdRemoveAll), L"Remove All"};
  forms::Line Line2{fraBackup, L"Line2", layout::kLine2X1, layout::kLine2Y1, layout::kLine2X2,
                    layout::kLine2Y2};
  forms::Frame Frame1{fraBackup, L"Frame1", B(layout::Frame1)};
  forms::Label Label8{fraBackup, L"Label8", B(layout::Label8), L"Directories for Exclusion:"};
  forms::ListBox LstDirEx{fraBackup, L"LstDirEx", B(layout::LstDirEx)};
  forms::CommandButton CmdBrowse{fraBackup, L"CmdBrowse", B(layout::CmdBrowse),
                                 L"Browse Folder(s) for Exclusion"};
  forms::CommandButton cmdRemove2{fraBackup, L"cmdRemove2", B(layout::cmdRemove2), L"Remove Selected"};
  forms::Label Label9{fraBackup, L"Label9", B(layout::Label9), L"Files for Exclusion:"};
  forms::ListBox LstFilEx{fraBackup, L"LstFilEx", B(layout::LstFilEx)};
  forms::CommandButton CmdFilEx{fraBackup, L"CmdFilEx", B(layout::CmdFilEx),
                                L"Add File Name(s) for Exclusion"};

  // The file-type panel and the upload panel share one place; one shows.
  forms::Frame fraFileTypes{*this, L"fraFileTypes", B(layout::fraFileTypes), L"File types"};
  forms::CheckBox Check2{fraFileTypes, L"Check2", B(layout::Check2), L"*.*"};
  forms::ControlArray<forms::CheckBox> Check1;
  forms::ControlArray<forms::TextBox> Txtfiles;

  forms::Frame fraUpload{*this, L"fraUpload", B(layout::fraUpload), L"Upload to Fixed Drive"};
  forms::CommandButton CmdCopyToC{fraUpload, L"CmdCopyToC", B(layout::CmdCopyToC), L"Start Upload"};
  forms::ListBox lstFixed{fraUpload, L"lstFixed", B(layout::lstFixed)};
  forms::Label Label6{fraUpload, L"Label6", B(layout::Label6), L"User:"};
  forms::ComboBox cmbUsers{fraUpload, L"cmbUsers", B(layout::cmbUsers)};
  forms::Frame Frame3{fraUpload, L"Frame3", B(layout::Frame3)};

  forms::Timer Timer2sec{*this, L"Timer2sec", 2000};

  // ---- Menus. ----
  forms::MenuItem mnuFile{*this, L"mnuFile", L"&File"};
  forms::MenuItem mnuFileLoadLog{mnuFile, L"mnuFileLoadLog", L"&Load Logfile"};
  forms::MenuItem mnuFileSaveLog{mnuFile, L"mnuFileSaveLog", L"&Save Logfile"};
  forms::MenuItem mnuHyphen3{mnuFile, L"mnuHyphen3", L"-"};
  forms::MenuItem mnuFilePrint{mnuFile, L"mnuFilePrint", L"&Print Logfile"};
  forms::MenuItem mnuHyphen4{mnuFile, L"mnuHyphen4", L"-"};
  forms::MenuItem mnuExit{mnuFile, L"mnuExit", L"&Exit"};
  forms::MenuItem mnuOther{*this, L"mnuOther", L"&Other"};
  forms::MenuItem mnuCloseAutomatically{mnuOther, L"mnuCloseAutomatically",
                                        L"Close program automatically after backup / upload", true};
  forms::MenuItem mnuHyphen6{mnuOther, L"mnuHyphen6", L"-"};
  forms::MenuItem mnuFileTypes{mnuOther, L"mnuFileTypes", L"Choose file types"};
  forms::MenuItem mnuHyphen8{mnuOther, L"mnuHyphen8", L"-"};
  forms::MenuItem mnuClear{mnuOther, L"mnuClear", L"&Delete files on removable drive"};
  forms::MenuItem mnuHyphen5{mnuOther, L"mnuHyphen5", L"-"};
  forms::MenuItem mnuRefresh{mnuOther, L"mnuRefresh", L"Refresh removable drive"};
  forms::MenuItem mnuHyphen10{mnuOther, L"mnuHyphen10", L"-"};
  forms::MenuItem mnuSchedule{mnuOther, L"mnuSchedule", L"Sc&hedule backup..."};
  forms::MenuItem mnuUpload{*this, L"mnuUpload", L"&Upload"};
  forms::MenuItem mnuEmpty{*this, L"mnuEmpty", L"      "};
  forms::MenuItem mnuHelp{*this, L"mnuHelp", L"&Help"};
  forms::MenuItem mnuContent{mnuHelp, L"mnuContent", L"&Content"};
  forms::MenuItem mnuTutorial{mnuHelp, L"mnuTutorial", L"&Tutorial"};
  forms::MenuItem mnuSupport{mnuHelp, L"mnuSupport", L"Technical &support"};
  forms::MenuItem mnuHyphen9{mnuHelp, L"mnuHyphen9", L"-"};
  forms::MenuItem mnuHelpAbout{mnuHelp, L"mnuHelpAbout", L"&About"};

  // ---- State of a backup run. ----
  bool AbortFlag = false;
  bool PauseFlag = false;
  bool ContinueFlag = false;
  bool RecopyFlag = false;
  bool IncludeSubDirs = false;
  int16_t DaysBack = 0;
  common::DateTime UserSetTime;
  common::DateTime RunStart;
  std::wstring DriveText;
  double SpaceFactor = 1.1;
  std::array<std::wstring, 21> StrArray;
  std::unique_ptr<List> SelectionList;
  std::shared_ptr<ListItem> LastItemDone;
  // Statistics of the run.
  int32_t FilesChecked = 0;
  int32_t FilesSelected = 0;
  double TotalSize = 0;
  std::vector<double> FileSizes;
  int32_t SearchSeconds = 0;
  int32_t WriteSeconds = 0;
  int32_t TotalSeconds = 0;
  // What the run could not back up, with the reason in words: folders the
  // walk could not read, and selected files that are on no drive. An entry
  // of the list counts as backed up once a copy of it is whole on a drive.
  struct NotBackedUp {
    std::wstring path;
    std::wstring reason;
  };
  std::vector<NotBackedUp> FoldersNotRead;
  std::unordered_set<const ListItem*> ItemsCopied;
  std::unordered_map<const ListItem*, std::wstring> CopyFailures;
  // Mirror folders whose leftovers of cut-short copies this run removed.
  std::unordered_set<std::wstring> FoldersCleaned;
  // Leftovers of cut-short copies kept because the file they were for is
  // missing on the drive: each may hold the drive's only copy.
  std::vector<NotBackedUp> LeftoversKept;
  // The places on the drive that this run's files take (MirrorPlace), with
  // the source that took each: a second source never replaces the first.
  std::unordered_map<std::wstring, std::wstring> PlacesTaken;
  // Copy passes started in the window's life (Continue starts one inside
  // another's yield).
  int CopyPasses = 0;
  // Mirror folders on the drive known to be real folders, not links, each
  // with whether the copy pass made it.
  std::unordered_map<std::wstring, bool> MirrorLevelsChecked;
  // The selected files as the run last read them, by their path in the
  // list (the walk's date test, else Size_file): the size, and whether the
  // file is a link (whose size that is). Size_file and the copy go by these
  // readings instead of taking their own.
  struct SizedEntry {
    uint64_t size;
    bool link;
  };
  std::unordered_map<std::wstring, SizedEntry> SizedFiles;
  // The last-backup stamp as the run found it; none when there was none.
  std::optional<common::DateTime> StampFound;
  // Selected files that are on no drive (distinct entries), then the
  // leftovers kept.
  std::vector<NotBackedUp> FilesNotBackedUp() const;
  // Made on first use and kept for the window's life.
  StopWatch& Watch();

  // ---- Selection lists and the file-type panel. ----
  void CmdBrowse1_Click();
  void CmdBrowse_Click();
  void CmdBrowseFile_Click();
  void CmdFilEx_Click();
  void CmdRemove_Click();
  void cmdRemove2_Click();
  void CmdRemoveAll_Click();
  void Check1_Click(int index);
  void Txtfiles_Change(int index);
  void Check2_Click();

  // ---- Folder walk and file selection. ----
  void FillStrArray();
  bool CheckStrArray(const std::array<std::wstring, 21>& patterns) const;
  bool CheckFiles(const std::array<std::wstring, 21>& patterns, const std::wstring& name) const;
  bool CheckFolder(const std::wstring& path) const;
  bool CheckFileName(const std::wstring& name) const;
  void IterateFolders(const Folder& folder, int16_t depth);
  // Where the walk learns what a folder is: its index on its volume
  // (cheap; 0 when unknown) and, where indexes meet, its whole identity.
  // Tests may hand the walk identities of their own; empty functions ask
  // the file system.
  struct FolderIdentities {
    std::function<uint64_t(const Folder&)> index;
    WalkGuard::IdentityOf identity;
  };
  FolderIdentities FolderProbe;
  // The folders this run has walked. No folder is walked twice in a run:
  // not through a link back up the tree, nor through two links (or a link
  // and the folder itself) that lead to it. A run starts with none.
  WalkGuard WalkedFolders{[this](const std::wstring& path) { return FolderIdentity(path); }};
  std::optional<FileIdentity> FolderIdentity(const std::wstring& path) const;

 private:
  // `realPath`: where the folder really is when the walk reached it through
  // a folder link (empty otherwise), so that an excluded folder stays
  // excluded whichever way the walk comes to it.
  void IterateFolders(const Folder& folder, int16_t depth, const std::wstring& realPath);
  bool AlreadyWalked(const Folder& folder);
  // The marker's time, once the walk of a chosen folder has read it.
  std::optional<FILETIME> walkThreshold_;
  // True when the folder at `path` (really at `realPath`, when known) is on
  // the exclusion list, by either path.
  bool Excluded(const std::wstring& path, const std::wstring& realPath) const;
  // True when `realPath` or a folder above it is on the exclusion list.
  bool AncestorExcluded(const std::wstring& realPath) const;
  // A folder link whose folder could not be listed: passed over when it
  // leads to nothing on a volume that answers; else a folder not read.
  bool LinkLeadsNowhere(const Folder& link, const common::NumberedError& failure) const;
  // The walk's failure table: true when the failing step is passed over.
  bool WalkFailureGoesOn(int32_t errorNumber);
  // The file-type box that Txtfiles_Change is ticking, and the custom box
  // that Check1_Click is emptying: the panel does not react to these
  // changes of its own (-1: none).
  int panelTicking_ = -1;
  int panelEmptying_ = -1;

 public:

  // ---- The backup run: start, stop, pause, continue, keys. ----
  // Pause's mask colour (a paused run shows it) and its presses over the
  // window's life; odd counts pause.
  forms::OleColor PauseMaskColor = forms::kColorButtonFace;
  bool PauseUseMaskColor = false;
  int32_t PausePresses = 0;
  // True while Start Backup's run is on the stack: a second press inside
  // one of its yields must not start another run underneath it.
  bool RunActive = false;
  void CmdCToE_Click();
  // How a run ended; every way leaves the window idle.
  enum class RunOutcome { Complete, Incomplete, Aborted, Failed };
  // How the last backup run of the window ended; none before the first.
  std::optional<RunOutcome> LastOutcome;
  // True when the run was not stopped and everything it selected, and every
  // folder it had to read, is backed up.
  bool RunComplete() const;
  void CmdStop_Click();
  void CmdPause_Click();
  void CmdContinue_Click();
  void CatchEsc(int16_t& KeyCode, int16_t& Shift);
  void PauseHandler();
  void ClearLbl();
  void InitializeAgain();
  // The six date options and the days box, frozen during a run.
  void SetDateOptionsEnabled(bool enabled);
  // Ends a pause without running Continue: the flag, Pause's colour and
  // its count go back to their unpaused state.
  void EndPause();

  // ---- What the user may touch while a run works. ----
  // Running: a backup, an upload or a clear works; DriveWait: a backup
  // waits for another removable drive (after Continue it reads the drive
  // picked in lstRemovable).
  enum class RunPhase { Idle, Running, DriveWait };
  // Every control and menu item whose use would change what a run reads,
  // start another run, or load or save a log.
  struct RunInputs {
    std::vector<forms::Control*> controls;
    std::vector<forms::MenuItem*> menus;
  };
  RunInputs RunInputItems();
  // The six date options, in the order the run asks them; with the picker
  // they are locked too, apart from RunInputItems (see SetDateOptionsEnabled).
  std::array<forms::OptionButton*, 6> DateOptions();
  // Idle: all of RunInputItems enabled, with the date options. Running: all
  // disabled. DriveWait: only lstRemovable and "Refresh removable drive"
  // enabled. Every run's start and every way it ends come through here;
  // Stop, Pause, Continue, their keys and the close box are not affected.
  void ShowRunPhase(RunPhase phase);

  // ---- Copy to the removable drive, file list, statistics. ----
  void CopyFilefromList(std::shared_ptr<ListItem> first, const std::wstring& driveText);
  void CheckAndBuild1(const Folder& folder, bool toRemovable = true);
  void BuildDir(const std::wstring& path);
  void SaveFileName(const std::shared_ptr<ListItem>& first);
  void Size_file(List& list);
  void Write_Statistics();
  // Appends the run's files and folders that are not backed up, with the
  // reasons, to the day's list in the log folder; returns that file's path.
  std::wstring WriteNotBackedUpList(const std::wstring& heading, const std::vector<NotBackedUp>& files);

  // ---- Selection logs: save, load, print; default.log at start-up. ----
  void mnuFileSaveLog_Click();
  void mnuFileLoadLog_Click();
  void mnuFilePrint_Click();
  void RestoreDefaultLog();
  // How a log loaded. Loaded: every value was read. PastEnd: the file ended
  // early (its missing values applied empty). Refused: beyond the accepted
  // bounds. Damaged: a value of the wrong kind ended the load part-way.
  // Missing: no such file.
  enum class LogLoad { Loaded, PastEnd, Refused, Damaged, Missing };
  // Load Logfile's load of `path`, without its dialog. Load Logfile lets the
  // day count's change select "Backup files for last", as typing does;
  // `keepDateOption` keeps the option the log chose instead.
  LogLoad LoadLogFile(const std::wstring& path, bool keepDateOption = false);
  // Save Logfile's write of the current selections to `path`, without its
  // dialog; raises the writer's numbered error.
  void SaveLogFile(const std::wstring& path);
  // "Other > Schedule backup...".
  void mnuSchedule_Click();
  // The time to back up from as the date panel chooses it, read in the
  // order Start Backup reads the options; none, with the reason, when no
  // option is chosen or its time cannot be used.
  std::optional<DateChoice> CurrentDateChoice(std::wstring& why) const;
  // Selects the option of `choice` and sets its time.
  void ApplyDateChoice(const DateChoice& choice);
  // Why the selections would back up nothing (no folder and no file, or
  // folders without any file type or "*.*"); empty when they select some.
  std::wstring NothingSelectedReason();

  // True once the window was asked to close while a run was active.
  bool CloseRequested() const { return closeAfterRun_; }
  // The closing splash, once shutdown has begun.
  FrmSplashEnd* ClosingSplash() const { return splashEnd_.get(); }

  // ---- Upload to the fixed drive. ----
  void CmdCopyToC_Click();
  // `depth`: the folder's levels below the drive's root; a folder deeper
  // than the drive's mirror can hold is listed as not uploaded, not entered.
  // The path forms of a folder of the removable drive and of its place on
  // the fixed drive, which its sub-folders' are made from, and where that
  // place really is when a link of the fixed drive leads there (empty: at
  // its path).
  struct UploadForms {
    const PathForms& src;
    const PathForms& dest;
    const std::wstring& real;
  };
  void toc(const Folder& fld, int depth = 0, const UploadForms* parent = nullptr);
  // The fixed-drive folder of a folder of the removable drive, for the
  // running upload's fixed drive and profile.
  std::wstring changeDirbasedOnUser(std::wstring s1);
  void write_upload_sta();
  // What the upload took when it started: the fixed drive (a letter) and
  // the profile its documents go into.
  std::wstring UploadFixed;
  std::wstring UploadProfile;
  // Files of the removable drive that could not be uploaded, with the
  // reasons. The drive holds their only copy.
  std::vector<NotBackedUp> NotUploaded;
  // Statistics of the upload: files and bytes copied onto the fixed drive,
  // whole seconds, the removable drive.
  int32_t UploadCount = 0;
  double UploadSize = 0;
  int32_t UploadSeconds = 0;
  std::wstring UploadDrive;
  // What the upload found on the removable drive and left alone: copies an
  // interrupted backup left half-written, and links.
  std::vector<std::wstring> PartialCopiesSkipped;
  std::vector<std::wstring> LinksSkipped;
  // The files this upload put (or found already) on the fixed drive, by
  // their full paths in any letter case, with the removable drive's file
  // each came from: a second file for one of them is kept back, not written
  // over it.
  std::unordered_map<std::wstring, std::wstring, HashIgnoringCase, EqualIgnoringCase> UploadTargets;
  // The removable drive's medium when the upload started: the wipe offered
  // at its end takes no other.
  std::optional<FileIdentity> UploadMedium;
  // How much newer (in 100-nanosecond units) the removable drive's copy
  // must be to replace the fixed drive's without a question.
  int64_t UploadClearlyNewer = 0;
  // When the upload started: its stamp for "Backup from last upload"; and
  // in UTC, less FAT's 2-second step, for the wipe after it.
  common::DateTime UploadStart;
  FILETIME UploadStartUtc{};

  // ---- The date criterion panel. ----
  void OptDateToday_MouseDown();
  void OptLastBackup_MouseDown();
  void OptLastUpload_MouseDown();
  void OptAnyTime_MouseDown();
  void optDatePicker_MouseDown();
  void optDateText_MouseDown();
  void optDateText_Click();
  void txtdays_GotFocus();
  void txtdays_Change();
  void DatePicker1_Change();
  // DatePicker1's MouseDown, and the picker receiving the focus.
  void DatePicker1_MouseDown();
  void DatePicker1_GotFocus();
  // The design values DatePicker1 is made with.
  static forms::AxValues DatePickerDesign();
  // Today at 00:00:01.
  static common::DateTime TodayAtOneSecond();
  // Dispatch ids of the picker's events that the window handles.
  static constexpr DISPID kPickerChange = 1;
  static constexpr DISPID kPickerMouseDown = 2;

  // ---- Handlers (public so that the runs and tests can drive them). ----
  void Form_Load();
  void Form_Unload(bool& cancel);
  void mnuExit_Click();
  void Timer2sec_Timer();
  void mnuRefresh_Click();
  void mnuCloseAutomatically_Click();
  void mnuFileTypes_Click();
  void mnuUpload_Click();
  void lstFixed_Click();
  void lstFixed_Validate(bool& cancel);

  // ---- Help and the about box. ----
  // The user guide that "&Content" and "&Tutorial" open: Ferrimond.html
  // beside the program.
  std::wstring HelpFile = ProgramHelpFile();
  void mnuContent_Click();
  void mnuTutorial_Click();
  void mnuSupport_Click();
  void mnuHelpAbout_Click();
  // The about box while it is open, else nullptr. There is never more than one.
  FrmAbout* AboutBox() const;
  // The schedule window while it is open, else nullptr.
  FrmSchedule* ScheduleWindow() const;

  // ---- Clearing the removable drive. ----
  // "&Delete files on removable drive": does nothing while a backup, an
  // upload or another clear is active (RunActive), so that a yield of theirs
  // cannot start a clear underneath them.
  void mnuClear_Click();
  // The clear itself: asks, refuses every drive but a removable one or a RAM
  // disk, and wipes drive `letter`. The upload offers it through here at its
  // end, for the drive it uploaded from, while its own run still holds
  // RunActive. RunActive is held for the wipe and given back as it was
  // found; the window takes no input meanwhile. After a Yes the drive must
  // still hold `medium` (the upload's), or without one the medium it held
  // when asked; another is refused. After an upload, the files written on
  // the drive since it began (not uploaded) stay, and are named.
  void ClearRemovableDrive(const std::wstring& letter, std::optional<FileIdentity> medium = std::nullopt);
  // Deletes everything in the folder `s1` but the folder itself: its files,
  // then each sub-folder as a whole tree, in listing order; the first
  // failure ends it. Links are removed as links, never followed. With
  // `keep`, newer files stay, with their folders.
  void cleardirectory(const std::wstring& s1, KeepNewer* keep = nullptr);

 private:
  static forms::Bounds B(const layout::Twips& t) { return {t.left, t.top, t.width, t.height}; }
  void CreateFileTypePanel();
  void BindEvents();
  // Each subsystem wires its own controls' events.
  void BindSelectionEvents();
  void BindRunEvents();
  void BindLogEvents();
  void BindMenuEvents();
  void BindDatePanelEvents();
  void CreateDatePicker();
  // Reads a last-run stamp into Threshold for `option` (the panel's steps).
  void StampFileSteps(forms::OptionButton& option, const wchar_t* path, const wchar_t* noTimeMessage);
  void DayCountSteps();
  // Why DatePicker1 could not be made; empty when it was.
  std::wstring datePickerError_;
  void ReadLastUploadStamp();
  void FillDriveLists();
  void SetCurrentUserFolder();
  void MakeProgramFolder();
  void Shutdown();
  // Closing was asked for while a run was active: the run is stopped and
  // the window closes when it has written its records.
  bool CloseRequestedDuringRun();
  RunOutcome BackupRun();
  void EndRun(RunOutcome outcome);
  // What every end of a run shows: the idle colour and pointers, the date
  // options enabled, Stop, Pause and Continue disabled.
  void ShowIdleControls();
  // The arrow again where a command showed the hourglass: the window's
  // pointer first, since the screen's change redraws the pointer from both.
  void ShowDefaultPointers();
  RunOutcome UploadRun();
  // Why the upload may not go from the removable drive onto the fixed
  // drive it took; empty when it may.
  std::wstring UploadTargetRefusal();
  // Copies one file of the removable drive onto the fixed drive: true when
  // it was copied or its contents are there already, false when it was
  // kept back (NotUploaded, or a newer file the user chose to keep); raises
  // when it cannot be written.
  // `srcForms` and `destForms` are the forms of the folder's path and of
  // `dest`'s full path; `realDest` is where `dest` really is (empty: there).
  bool UploadFile(const File& file, const std::wstring& src, const std::wstring& dest, const PathForms& srcForms,
                  const PathForms& destForms, const std::wstring& realDest, bool& destMade, const Folder& fld);
  // Whether a link of the fixed drive whose final path is `real` leads onto
  // the removable drive, or where cannot be told.
  bool LeadsOntoRemovableDrive(const std::optional<std::wstring>& real);
  // Keeps a copy of file `path` (named `name`, in folder `folder` of a
  // drive) in SavedFileVersion under the folder's path, without replacing
  // any version saved before.
  void SaveVersion(const std::wstring& path, const std::wstring& name, const std::wstring& folder);
  // Writes the files not uploaded, with the reasons, to the day's list in
  // the log folder; returns that file's path.
  std::wstring WriteNotUploadedList();
  // Holds the upload while it is paused.
  void UploadPauseHandler();
  // After the upload waited (paused or asked): whether the drive still holds
  // the medium it started from; if not, the upload stops.
  bool UploadMediumStays();
  bool uploadMediumChanged_ = false;
  void ShowUploadProgress(const std::wstring& path);
  ULONGLONG progressShownAt_ = 0;
  // CheckFiles' patterns taken apart, and the texts they were taken from.
  mutable std::array<std::wstring, 21> patternsTakenApart_;
  mutable std::vector<WildcardPattern> takenApart_;

  ProcessHooks hooks_;
  std::optional<FileSystem> fileSys_;
  std::unique_ptr<StopWatch> watch_;
  std::unique_ptr<FrmSplashEnd> splashEnd_;
  std::unique_ptr<FrmAbout> about_;
  std::unique_ptr<ScheduleService> scheduleService_;
  std::unique_ptr<FrmSchedule> schedule_;
  // True while the removable drive is being wiped.
  bool clearing_ = false;
  // True while the upload copies (its Continue only ends a pause).
  bool uploading_ = false;
  // True while a run only asks or wipes (the clear, the upload's closing
  // question): Pause and Continue have nothing to act on.
  bool nothingToPause_ = false;
  bool shuttingDown_ = false;
  bool closeAfterRun_ = false;
};

}  // namespace ferrimond
