// Frmbackup: start-up, the status blink and shutdown.
#include <string>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "ferrimond/mainwindow/date_tag.h"
#include "ferrimond/mainwindow/frm_about.h"
#include "ferrimond/schedule/frm_schedule.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/mainwindow/splash_windows.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/text_file.h"
#include "ferrimond/support/write_access.h"

namespace ferrimond {

void Frmbackup::Form_Load() {
  if (hooks_.anotherInstanceRunning && hooks_.anotherInstanceRunning()) {
    Ui().MsgBox(L"Only one instance of this program may run at any time");
    if (hooks_.endProcess) hooks_.endProcess();
    return;
  }
  // Without its date picker the program still works; only "Backup files
  // since" cannot be used.
  if (!datePickerError_.empty()) {
    Ui().MsgBox(L"The date picker could not be created, so \"Backup files since\" cannot be used.\r\n" +
                    datePickerError_,
                forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
  }
  // Any failure not handled below ends the start-up silently; the window
  // still opens with what was done so far.
  try {
    const common::DateTime today = common::Now();
    DateTag = MakeDateTag(common::ShortDateText(today), today);

    CmdStop.SetEnabled(false);
    CmdPause.SetEnabled(false);
    CmdContinue.SetEnabled(false);

    if (OptLastUpload.Value()) ReadLastUploadStamp();

    // Frame1 is centred in the window, but lives inside fraBackup.
    Frame1.Move((ScaleWidth() - Frame1.Width()) / 2 - fraBackup.Left(), Frame1.Top());
    Move(forms::ScreenWidthTwips() - Width(), 0);

    FillDriveLists();
    SysInfo.emplace();
    SetCurrentUserFolder();
    // The one failure here the user can mend: without administrator rights
    // the program folder may not be made or written.
    bool denied = false;
    try {
      MakeProgramFolder();
    } catch (const common::NumberedError& e) {
      if (e.Number() != common::ErrPermissionDenied) throw;
      denied = true;
    }
    if (denied || WriteAccessDenied(kProgramFolder)) {
      Ui().MsgBox(RunAsAdministratorText(kProgramFolderToCreate), forms::MsgButtons::Ok,
                  forms::MsgIcon::Exclamation);
    }
    if (hooks_.restoreDefaultLog) RestoreDefaultLog();
  } catch (const std::exception&) {
  }
}

void Frmbackup::ReadLastUploadStamp() {
  if (!FileSys().FileExists(kLastUploadStamp)) {
    OptLastUpload.SetValue(false);
    return;
  }
  Threshold = common::DateTime();
  try {
    RecordReader reader(ReadTextFile(kLastUploadStamp));
    Threshold = reader.ReadDate();
  } catch (const common::NumberedError& e) {
    // An empty stamp reports the end of the file; a stamp that cannot be
    // read or understood counts as not kept instead of ending the start-up.
    if (e.Number() == common::ErrInputPastEnd) Ui().MsgBox(L"past end");
    Threshold = common::DateTime();
  }
  if (Threshold.IsNull()) {
    Ui().MsgBox(L"Last update time was not kept correctly!");
    OptLastUpload.SetValue(false);
    return;
  }
  lblBackup.SetCaption(common::DateText(Threshold));
  SetFileTimes(kThresholdMarker, Threshold, FileTimeAccessed | FileTimeWritten);
}

void Frmbackup::MakeProgramFolder() {
  FileSystem& fs = FileSys();
  if (fs.FolderExists(kProgramFolder)) return;
  // Every missing level, top down.
  const std::wstring target = kProgramFolderToCreate;
  for (size_t pos = target.find(L'\\', 3);; pos = target.find(L'\\', pos + 1)) {
    const std::wstring level = target.substr(0, pos);
    if (!fs.FolderExists(level)) fs.CreateFolder(level);
    if (pos == std::wstring::npos) break;
  }
}

void Frmbackup::Timer2sec_Timer() {
  lblDir.SetForeColor(lblDir.ForeColor() == 0 ? 0x0000FF : 0);
}

void Frmbackup::mnuExit_Click() { Shutdown(); }

void Frmbackup::Form_Unload(bool& cancel) {
  if (CloseRequestedDuringRun()) {
    cancel = true;
    return;
  }
  Shutdown();
}

bool Frmbackup::CloseRequestedDuringRun() {
  if (!RunActive || shuttingDown_) return false;
  // Destroying the window under the run would lose its file list, stamp
  // and statistics: the run stops as Stop stops it, writes its records and
  // then closes the window.
  closeAfterRun_ = true;
  // A wipe is not stopped half-way: the window closes when it has ended.
  if (!clearing_) CmdStop_Click();
  return true;
}

void Frmbackup::Shutdown() {
  if (shuttingDown_ || CloseRequestedDuringRun()) return;
  shuttingDown_ = true;
  if (about_) about_->Unload();
  if (schedule_) schedule_->Unload();
  // An unattended run ends its process by itself, with nothing on screen.
  if (hooks_.unattended) {
    Unload();
    return;
  }
  splashEnd_ = std::make_unique<FrmSplashEnd>(Ui(), hooks_.endProcess);
  splashEnd_->Show();
  Unload();
}

}  // namespace ferrimond
