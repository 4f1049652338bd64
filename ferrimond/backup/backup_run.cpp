// The backup run: Start Backup, Stop, Pause, Continue and their keys.
#include "ferrimond/mainwindow/frmbackup.h"

namespace ferrimond {

void Frmbackup::BindRunEvents() {}

}  // namespace ferrimond
