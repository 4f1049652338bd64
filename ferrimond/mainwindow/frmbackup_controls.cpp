// Frmbackup: the parts of the control tree that are built in code, and the
// binding of events to handlers.
#include "ferrimond/mainwindow/caption_fit.h"
#include "ferrimond/mainwindow/frm_about.h"
#include "ferrimond/schedule/frm_schedule.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/mainwindow/splash_windows.h"

namespace ferrimond {

Frmbackup::Frmbackup(forms::UserInteraction& ui, ProcessHooks hooks)
    : forms::Form(ui, L"Frmbackup", L"Ferrimond", layout::kClientWidth, layout::kClientHeight),
      hooks_(std::move(hooks)) {
  CreateFileTypePanel();
  // The status labels would cover the progress bar's top edge by a pixel.
  lblStatus.Move(lblStatus.Left(), lblStatus.Top(), lblStatus.Width(), 240);
  lblDir.Move(lblDir.Left(), lblDir.Top(), lblDir.Width(), 240);
  for (forms::Frame* frame : {&fraBackup, &fraFileTypes, &fraUpload}) {
    FitCaptions(*frame, frame->Width());
    FitButtonCaptions(*frame);
  }
  // The status line starts black so that the first blink turns it red.
  lblDir.SetForeColor(0);
  // Frame1 is a small lamp and Frame3 a rule: plain coloured areas.
  Frame1.SetBorderStyle(0);
  Frame3.SetBorderStyle(0);
  Frame3.SetBackColor(forms::kColorButtonText);
  // The file types and the upload share one place and show one at a time
  // (Upload on the menu bar switches): the hidden panel's controls are out
  // of the Tab order. The file types show first.
  fraUpload.SetVisible(false);
  CreateDatePicker();
  BindEvents();
}

Frmbackup::~Frmbackup() = default;

void Frmbackup::CreateFileTypePanel() {
  for (int i = 0; i < 13; ++i) {
    const layout::FileTypeBox& box = layout::kCheck1[i];
    const bool custom = i >= 10;
    Check1.Load(i, fraFileTypes, L"Check1",
                forms::Bounds{box.left, box.top,
                              custom ? layout::kCustomBoxWidth : layout::kFileTypeBoxWidth,
                              layout::kFileTypeBoxHeight},
                box.caption, box.ticked ? forms::kChecked : forms::kUnchecked);
    if (custom) {
      Txtfiles.Load(i, fraFileTypes, L"Txtfiles",
                    forms::Bounds{layout::kTxtfilesLeft[i - 10], box.top,
                                  layout::kTxtfilesWidth, layout::kTxtfilesHeight});
    }
  }
}

void Frmbackup::BindEvents() {
  OnLoad = [this] { Form_Load(); };
  OnUnload = [this](bool& cancel) { Form_Unload(cancel); };
  Timer2sec.OnTimer = [this] { Timer2sec_Timer(); };
  mnuExit.OnClick = [this] { mnuExit_Click(); };
  mnuRefresh.OnClick = [this] { mnuRefresh_Click(); };
  lstFixed.OnClick = [this] { lstFixed_Click(); };
  CmdCopyToC.OnClick = [this] { CmdCopyToC_Click(); };
  lstFixed.OnValidate = [this](bool& cancel) { lstFixed_Validate(cancel); };
  BindSelectionEvents();
  BindRunEvents();
  BindLogEvents();
  BindMenuEvents();
  BindDatePanelEvents();
}

FileSystem& Frmbackup::FileSys() {
  if (!fileSys_) fileSys_.emplace();
  return *fileSys_;
}

StopWatch& Frmbackup::Watch() {
  if (!watch_) watch_ = std::make_unique<StopWatch>();
  return *watch_;
}

}  // namespace ferrimond
