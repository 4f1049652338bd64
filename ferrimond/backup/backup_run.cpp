// Start Backup: the whole run from the frozen date options to the outcome.
#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "common/text_codec.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/backup/run_wait.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/text_file.h"
#include "ferrimond/support/write_access.h"

namespace ferrimond {

namespace {

const wchar_t kAutoexec[] = L"c:\\autoexec.bat";

// A number as the runtime turns it into text in the user's format.
std::wstring NumberText(double value) {
  BSTR text = nullptr;
  if (FAILED(VarBstrFromR8(value, LOCALE_USER_DEFAULT, 0, &text))) return std::to_wstring(value);
  std::wstring out(text, SysStringLen(text));
  SysFreeString(text);
  return out;
}

// One second past midnight of `day`.
common::DateTime AtOneSecond(common::DateTime day) {
  return common::DateTime(day.DatePart().Value() + common::DateTime::TimeSerial(0, 0, 1));
}

// The message of a run that did not back up everything it should have.
std::wstring IncompleteText(size_t files, size_t folders) {
  return L"Backup finished, but " + std::to_wstring(files) + L" file(s) and " + std::to_wstring(folders) +
         L" folder(s) could not be backed up.";
}

// The date of a last-run stamp file; none when there is none, or it holds
// no date.
std::optional<common::DateTime> ReadStamp(FileSystem& fs, const wchar_t* path) {
  try {
    if (!fs.FileExists(path)) return std::nullopt;
    const common::DateTime value = ReadRecordFile(path).ReadDate();
    if (value.IsNull()) return std::nullopt;
    return value;
  } catch (const common::NumberedError&) {
    return std::nullopt;
  }
}

}  // namespace

void Frmbackup::CmdCToE_Click() {
  if (RunActive) return;
  const RunOutcome outcome = BackupRun();
  LastOutcome = outcome;
  EndRun(outcome);
  // Closing was asked for during the run, or the user wants the program
  // closed after a backup that saved everything.
  if (closeAfterRun_ || (outcome == RunOutcome::Complete && mnuCloseAutomatically.Checked())) Shutdown();
}

void Frmbackup::EndRun(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Complete:
      lblDir.SetCaption(L"Backup finished successfully!");
      lblStatus.SetCaption(L"");
      break;
    case RunOutcome::Incomplete:
      lblStatus.SetCaption(L"");
      break;
    case RunOutcome::Aborted:
      lblStatus.SetCaption(L"Backup aborted");
      break;
    case RunOutcome::Failed:
      lblStatus.SetCaption(L"");
      lblDir.SetCaption(L"The backup stopped because of an error.");
      break;
  }
  // However the run ended, the window is ready for the next command.
  ShowIdleControls();
  CmdCToE.SetEnabled(true);
  EndPause();
}

bool Frmbackup::RunComplete() const {
  return !AbortFlag && FoldersNotRead.empty() && FilesNotBackedUp().empty();
}

Frmbackup::RunOutcome Frmbackup::BackupRun() {
  RunActive = true;
  ShowRunPhase(RunPhase::Running);
  const AtExit idle([this] { RunActive = false; });
  try {
    AbortFlag = false;
    Frame1.SetBackColor(forms::kColorInactiveCaptionText);
    lblStatus.SetCaption(L"Starting backup");
    lblDir.SetCaption(L"");
    forms::DoEvents();

    RunStart = common::Now();

    SetDateOptionsEnabled(false);
    CmdStop.SetEnabled(true);
    CmdPause.SetEnabled(true);
    CmdContinue.SetEnabled(false);

    if (AbortFlag) return RunOutcome::Aborted;

    SpaceFactor = 1.1;
    DriveText = lstRemovable.Text();

    Watch().StartTimer();
    lblStatus.SetCaption(L"Checking files");
    // The count restarts with the flag, so that the run's first press of
    // Pause pauses even after an odd number of presses (a "p" typed into
    // the days box) before the run.
    EndPause();
    AbortFlag = false;
    SelectionList = std::make_unique<List>();
    // An earlier run's entry must not lead a Continue of this one.
    LastItemDone.reset();
    FilesChecked = 0;
    FilesSelected = 0;
    TotalSize = 0;
    SearchSeconds = 0;
    WriteSeconds = 0;
    TotalSeconds = 0;
    WalkedFolders.Clear();
    FoldersNotRead.clear();
    ItemsCopied.clear();
    CopyFailures.clear();
    FoldersCleaned.clear();
    LeftoversKept.clear();
    PlacesTaken.clear();
    MirrorLevelsChecked.clear();
    SizedFiles.clear();

    if (!DaysBackFromText(txtdays.Text(), DaysBack)) common::Raise(common::ErrOverflow);

    FillStrArray();
    if (CheckStrArray(StrArray)) Ui().MsgBox(L"Are you sure you do not want to backup any files?");

    // The marker only carries times; where there is no autoexec.bat to copy
    // (no current system has one) an empty file serves the same.
    FileSystem& fs = FileSys();
    if (fs.FileExists(kAutoexec)) {
      fs.CopyFile(kAutoexec, kThresholdMarker, true);
    } else {
      WriteTextFile(kThresholdMarker, {});
    }

    IncludeSubDirs = ChkSubDir.Value() == forms::kChecked;

    // The date criterion: the first selected option decides. A time the
    // marker cannot carry (none set, before 1601) or a stamp that fails
    // would leave the marker's own time, "now", as the threshold: the walk
    // would select nothing and the run would say it succeeded.
    std::optional<common::DateTime> unusable;
    for (;;) {
      auto stamp = [&](common::DateTime value) {
        if (value.IsNull() || !SetFileTimes(kThresholdMarker, value, FileTimeAccessed | FileTimeWritten))
          unusable = value;
      };
      // The date of a stamp file; the option is cleared when the file is
      // missing or holds no date.
      auto stampFrom = [&](forms::OptionButton& option, const wchar_t* path, const wchar_t* noDate) {
        if (!fs.FileExists(path)) {
          option.SetValue(false);
          return;
        }
        const common::DateTime value = ReadRecordFile(path).ReadDate();
        lblBackup.SetCaption(common::DateText(value));
        if (value.IsNull()) {
          Ui().MsgBox(noDate);
          option.SetValue(false);
        } else {
          stamp(value);
        }
      };
      if (OptAnyTime.Value()) {
        stamp(UserSetTime);
      } else if (OptLastUpload.Value()) {
        stampFrom(OptLastUpload, kLastUploadStamp, L"Last update time was not kept correctly!");
      } else if (optDateText.Value()) {
        stamp(AtOneSecond(common::Now()).AddDays(-DaysBack));
      } else if (OptDateToday.Value()) {
        const common::DateTime value = AtOneSecond(common::Now());
        lblBackup.SetCaption(common::DateText(value));
        stamp(value);
      } else if (optDatePicker.Value()) {
        stamp(AtOneSecond(PickedDate.IsNull() ? common::Now() : PickedDate));
      } else if (OptLastBackup.Value()) {
        stampFrom(OptLastBackup, kLastBackupStamp, L"Last backup time was not recorded!");
      }
      auto anySelected = [&] {
        for (forms::OptionButton* option : DateOptions()) {
          if (option->Value()) return true;
        }
        return false;
      };
      if (anySelected()) break;
      Ui().MsgBox(kChooseTimeText);
      SetDateOptionsEnabled(true);
      while (!anySelected() && !AbortFlag) {
        WaitBriefly();
        ShowDefaultPointers();
        if (IsUnloaded()) AbortFlag = true;
      }
      // Stopped while waiting: the run ends through the abort path.
      if (!anySelected()) break;
    }
    if (unusable && !AbortFlag) {
      Ui().MsgBox(unusable->IsNull()
                      ? std::wstring(L"No time to back up from has been set, so the backup was stopped. "
                                     L"Please choose a time and start again.")
                      : L"The time to back up from (" + common::DateText(*unusable) +
                            L") cannot be used, so the backup was stopped. Please choose another time.",
                  forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
      fs.DeleteFile(kThresholdMarker);
      return RunOutcome::Failed;
    }

    Threshold = GetFileDate(kThresholdMarker, FileTimeWritten);
    lblBackup.SetCaption(common::DateText(Threshold));
    StampFound = ReadStamp(fs, kLastBackupStamp);

    if (LstDir.ListCount() == 0 && Lstfile.ListCount() == 0) {
      Ui().MsgBox(L"You did not choose any directories to backup");
    } else {
      for (int i = LstDir.ListCount() - 1; i >= 0; --i) {
        const std::wstring path = LstDir.List(i);
        if (path.empty() || CheckFolder(path)) continue;
        IterateFolders(fs.GetFolder(path), 0);
      }
    }

    // After a Stop the status line keeps saying so.
    if (!AbortFlag) {
      lblDir.SetCaption(L"It took " + NumberText(Watch().EndTimer() / 1000.0) +
                        L" seconds for this backup.");
    }

    for (int i = 0; i < Lstfile.ListCount(); ++i) SelectionList->Add(Lstfile.List(i));

    SearchSeconds = WholeSeconds(Watch().EndTimer());

    Frame1.SetBackColor(forms::kColorButtonFace);
    LastItemDone = SelectionList->Head();
    FilesSelected = static_cast<int32_t>(SelectionList->Count());
    Size_file(*SelectionList);
    lblStatus.SetCaption(L"Writing files");
    CopyFilefromList(SelectionList->Head(), DriveText);
    SaveFileName(SelectionList->Head());
    Write_Statistics();
    fs.DeleteFile(kThresholdMarker);

    CmdStop.SetEnabled(false);
    CmdPause.SetEnabled(false);

    if (AbortFlag) return RunOutcome::Aborted;
    // Whatever is not on a drive is not in the backup: the run must not say
    // it succeeded, nor close the program over the news. The user learns
    // which files and folders, and why.
    const std::vector<NotBackedUp> files = FilesNotBackedUp();
    if (files.empty() && FoldersNotRead.empty()) return RunOutcome::Complete;
    const std::wstring text = IncompleteText(files.size(), FoldersNotRead.size());
    const std::wstring listFile = WriteNotBackedUpList(text, files);
    lblDir.SetCaption(text);
    Ui().MsgBox(text + L"\r\nThe list of them, with the reasons, is in " + listFile + L".",
                forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
    return RunOutcome::Incomplete;
  } catch (const common::NumberedError& e) {
    switch (e.Number()) {
      case common::ErrPathNotFound:
        Ui().MsgBox(L"Some of your directories or files do not exist. Please check.");
        break;
      case common::ErrPermissionDenied:
        // The marker at the root of C: and the records in the program
        // folder need administrator rights; any other refusal is the drive's.
        if (WriteAccessDenied(L"c:\\")) {
          Ui().MsgBox(RunAsAdministratorText(kThresholdMarker),
                      forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
        } else if (WriteAccessDenied(kProgramFolder)) {
          Ui().MsgBox(RunAsAdministratorText(kProgramFolderToCreate), forms::MsgButtons::Ok,
                      forms::MsgIcon::Exclamation);
        } else {
          Ui().MsgBox(L"Check if removable disk is inserted! ");
        }
        break;
      case common::ErrDiskFull:
        CmdContinue.SetEnabled(true);
        Ui().MsgBox(L"Your disk is full, insert another one and click the continue button");
        break;
      default:
        Ui().MsgBox(L"Error code " + std::to_wstring(e.Number()) + L" was generated \r\n" +
                    e.Description());
        break;
    }
    return RunOutcome::Failed;
  } catch (const std::exception& e) {
    // Out of memory, or anything else no step expects: the run ends with a
    // word, its records as far as they got, and the window idle.
    Ui().MsgBox(L"The backup stopped because of an unexpected error (" + common::WideFromBytes(e.what()) + L").",
                forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
    return RunOutcome::Failed;
  }
}

}  // namespace ferrimond
