// The four selection lists and the file-type panel.
#include "ferrimond/mainwindow/frmbackup.h"

namespace ferrimond {

void Frmbackup::BindSelectionEvents() {}

}  // namespace ferrimond
