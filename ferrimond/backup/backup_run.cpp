// Start Backup: the whole run from the frozen date options to the outcome.
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/backup/run_wait.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/text_file.h"

namespace ferrimond {

namespace {

const wchar_t kAutoexec[] = L"c:\\autoexec.bat";
const wchar_t kLastBackupStamp[] = L"c:\\program files\\Ferrimond\\LastBackupT.tim";

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

// Clears the guard however the run ends.
class ActiveRun {
 public:
  explicit ActiveRun(bool& flag) : flag_(flag) { flag_ = true; }
  ~ActiveRun() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

void Frmbackup::CmdCToE_Click() {
  if (RunActive) return;
  ActiveRun active(RunActive);
  try {
    AbortFlag = false;
    Frame1.SetBackColor(forms::kColorInactiveCaptionText);
    lblStatus.SetCaption(L"Starting backup");
    lblDir.SetCaption(L"");
    forms::DoEvents();

    RunStart = common::Now();

    forms::OptionButton* const options[] = {&OptLastUpload, &optDateText, &OptAnyTime,
                                            &OptDateToday, &optDatePicker, &OptLastBackup};
    for (forms::OptionButton* option : options) option->SetEnabled(false);
    txtdays.SetCausesValidation(false);
    CmdStop.SetEnabled(true);
    CmdPause.SetEnabled(true);
    CmdContinue.SetEnabled(false);

    if (AbortFlag) return;

    SpaceFactor = 1.1;
    DriveText = lstRemovable.Text();

    Watch().StartTimer();
    lblStatus.SetCaption(L"Checking files");
    PauseFlag = false;
    // The count restarts with the flag, so that the run's first press of
    // Pause pauses even after an odd number of presses (a "p" typed into
    // the days box) before the run.
    PausePresses = 0;
    PauseMaskColor = forms::kColorButtonFace;
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
    FilesNotCopied = 0;

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

    // The date criterion: the first selected option decides.
    for (;;) {
      auto stamp = [](common::DateTime value) {
        SetFileTimes(kThresholdMarker, value, FileTimeAccessed | FileTimeWritten);
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
        for (forms::OptionButton* option : options) {
          if (option->Value()) return true;
        }
        return false;
      };
      if (anySelected()) break;
      Ui().MsgBox(L"Please choose a time from which to back up your files!");
      for (forms::OptionButton* option : options) option->SetEnabled(true);
      txtdays.SetCausesValidation(true);
      while (!anySelected() && !AbortFlag) {
        WaitBriefly();
        forms::SetScreenMousePointer(forms::Pointer::Default);
        SetMousePointer(forms::Pointer::Default);
        if (IsUnloaded()) AbortFlag = true;
      }
      // Stopped while waiting: the run ends through the abort path.
      if (!anySelected()) break;
    }

    Threshold = GetFileDate(kThresholdMarker, FileTimeWritten);
    lblBackup.SetCaption(common::DateText(Threshold));

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

    if (AbortFlag) {
      lblStatus.SetCaption(L"Backup aborted");
      return;
    }
    // A file that could not be copied is not in the backup: the run must not
    // say it succeeded, nor close the program over the news.
    const bool complete = FilesNotCopied == 0;
    lblDir.SetCaption(complete ? std::wstring(L"Backup finished successfully!")
                               : L"Backup finished, but " + std::to_wstring(FilesNotCopied) +
                                     L" file(s) could not be copied.");
    lblStatus.SetCaption(L"");
    forms::SetScreenMousePointer(forms::Pointer::Default);
    SetMousePointer(forms::Pointer::Default);
    for (forms::OptionButton* option : options) option->SetEnabled(true);
    txtdays.SetCausesValidation(true);
    if (complete && mnuCloseAutomatically.Checked()) Shutdown();
  } catch (const common::NumberedError& e) {
    switch (e.Number()) {
      case common::ErrPathNotFound:
        Ui().MsgBox(L"Some of your directories or files do not exist. Please check.");
        break;
      case common::ErrPermissionDenied:
        Ui().MsgBox(L"Check if removable disk is inserted! ");
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
  }
}

}  // namespace ferrimond
