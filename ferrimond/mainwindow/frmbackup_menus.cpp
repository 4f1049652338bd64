// Frmbackup: menu commands that belong to no run, help and the about box.
#include <windows.h>

#include "ferrimond/forms/runtime.h"
#include "ferrimond/mainwindow/frm_about.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/schedule/frm_schedule.h"

namespace ferrimond {

std::wstring ProgramHelpFile() { return forms::AppPath() + L"Ferrimond.html"; }

void Frmbackup::BindMenuEvents() {
  mnuCloseAutomatically.OnClick = [this] { mnuCloseAutomatically_Click(); };
  mnuFileTypes.OnClick = [this] { mnuFileTypes_Click(); };
  mnuClear.OnClick = [this] { mnuClear_Click(); };
  mnuUpload.OnClick = [this] { mnuUpload_Click(); };
  mnuContent.OnClick = [this] { mnuContent_Click(); };
  mnuTutorial.OnClick = [this] { mnuTutorial_Click(); };
  mnuSupport.OnClick = [this] { mnuSupport_Click(); };
  mnuHelpAbout.OnClick = [this] { mnuHelpAbout_Click(); };
  mnuSchedule.OnClick = [this] { mnuSchedule_Click(); };
}

void Frmbackup::mnuCloseAutomatically_Click() {
  const bool checked = !mnuCloseAutomatically.Checked();
  mnuCloseAutomatically.SetChecked(checked);
  CloseAutomatically = checked;
}

void Frmbackup::mnuFileTypes_Click() {
  fraFileTypes.SetVisible(true);
  fraUpload.SetVisible(false);
}

void Frmbackup::mnuUpload_Click() {
  if (fraFileTypes.Visible()) {
    fraUpload.SetVisible(true);
    fraFileTypes.SetVisible(false);
    mnuUpload.SetCaption(L"File types");
  } else {
    fraFileTypes.SetVisible(true);
    fraUpload.SetVisible(false);
    mnuUpload.SetCaption(L"Upload");
  }
}

// The guide is HTML, shown by whatever the system opens .html files with:
// the classic help viewer is gone from current systems.
void Frmbackup::mnuContent_Click() {
  if (GetFileAttributesW(HelpFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Ui().MsgBox(L"The help file " + HelpFile + L" cannot be found. Please install Ferrimond again.");
  } else if (!Ui().ShowHelp(HelpFile)) {
    Ui().MsgBox(L"The help file " + HelpFile + L" could not be opened. Please open it with a web browser.");
  }
}

void Frmbackup::mnuTutorial_Click() { mnuContent_Click(); }

void Frmbackup::mnuSupport_Click() { mnuHelpAbout_Click(); }

void Frmbackup::mnuHelpAbout_Click() {
  // Opened again while it is open, the same box comes to the front.
  if (!AboutBox()) about_ = std::make_unique<FrmAbout>(Ui());
  about_->Show();
}

FrmAbout* Frmbackup::AboutBox() const {
  return about_ && !about_->IsUnloaded() ? about_.get() : nullptr;
}

void Frmbackup::mnuSchedule_Click() {
  if (!ScheduleWindow()) {
    if (!scheduleService_) {
      scheduleService_ = hooks_.scheduleService ? hooks_.scheduleService()
                                                : std::make_unique<WindowsTaskScheduler>();
    }
    ScheduleInputs inputs;
    for (int i = 0; i < lstRemovable.ListCount(); ++i) inputs.drives.push_back(lstRemovable.List(i));
    inputs.drive = lstRemovable.Text();
    wchar_t program[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
    inputs.program.assign(program, length < MAX_PATH * 4 ? length : 0);
    inputs.log = std::wstring(kProgramFolderToCreate) + L"\\" + kScheduledLogName;
    inputs.saveSelections = [this](const std::wstring& path) {
      if (!FileSys().FolderExists(kProgramFolder)) BuildDir(kProgramFolderToCreate);
      SaveLogFile(path);
    };
    inputs.checkSelections = [this](std::wstring& dateArgument) {
      std::wstring why;
      const std::optional<DateChoice> choice = CurrentDateChoice(why);
      if (!choice) return why;
      why = NothingSelectedReason();
      if (why.empty()) dateArgument = DateChoiceArgument(*choice);
      return why;
    };
    inputs.picker = hooks_.datePicker;
    schedule_ = std::make_unique<FrmSchedule>(Ui(), *scheduleService_, std::move(inputs));
  }
  schedule_->Show();
}

FrmSchedule* Frmbackup::ScheduleWindow() const {
  return schedule_ && !schedule_->IsUnloaded() ? schedule_.get() : nullptr;
}

}  // namespace ferrimond
