#pragma once
// One backup without a person at the keyboard: the real main window,
// hidden, with the unattended user interaction; the selections loaded from
// a log as Load Logfile loads them; the drive picked from the arguments.
// Writes the run's usual records, the day's report and an event-log entry.
#include "ferrimond/unattended/command_line.h"

namespace ferrimond {

// Runs the backup the arguments ask for; returns the process's exit code.
int RunUnattended(const UnattendedArgs& args);

}  // namespace ferrimond
