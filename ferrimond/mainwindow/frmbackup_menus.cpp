// Frmbackup: menu commands that belong to no run.
#include "ferrimond/mainwindow/frmbackup.h"

namespace ferrimond {

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

}  // namespace ferrimond
