#include "ferrimond/unattended/unattended_run.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "common/text_codec.h"
#include "ferrimond/logs/selection_log.h"
#include "ferrimond/mainwindow/date_tag.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/mainwindow/single_instance.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/text_file.h"
#include "ferrimond/support/write_access.h"
#include "ferrimond/unattended/event_log.h"
#include "ferrimond/unattended/report.h"
#include "ferrimond/unattended/unattended_user_interaction.h"

namespace ferrimond {

namespace {

constexpr wchar_t kLogFolderPath[] = L"c:\\program files\\Ferrimond\\log\\";
// Event ids: 100 + the exit code.
constexpr unsigned kEventIdBase = 100;

std::wstring FullPathOf(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, buffer, nullptr);
  return length > 0 && length < MAX_PATH * 4 ? std::wstring(buffer, length) : path;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The report goes into the day's file in the log folder, made when needed;
// the event log gets the summary. What cannot be written is noted where
// the other can be.
void Publish(UnattendedReport& report) {
  report.end = common::Now();
  const EventKind kind = report.exit == UnattendedExit::Complete     ? EventKind::Information
                         : report.exit == UnattendedExit::Incomplete ? EventKind::Warning
                                                                     : EventKind::Error;
  std::wstring why;
  if (!ReportToEventLog(kind, kEventIdBase + static_cast<unsigned>(report.exit), ReportSummary(report), why))
    report.notes.push_back(L"No entry was written to the event log. " + why);
  CreateDirectoryW(L"c:\\program files", nullptr);
  CreateDirectoryW(kProgramFolderToCreate, nullptr);
  CreateDirectoryW(kLogFolderPath, nullptr);
  const std::wstring tag = MakeDateTag(common::ShortDateText(report.start), report.start);
  try {
    AppendTextFile(kLogFolderPath + tag + L"_unattended.txt", common::Utf8FromWide(ReportText(report)));
  } catch (const std::exception&) {
    // The event log is the only word left.
  }
}

// Picks the drive in lstRemovable; the exit code and reason when it cannot.
bool PickDrive(Frmbackup& w, wchar_t wanted, UnattendedReport& report) {
  const int count = w.lstRemovable.ListCount();
  if (wanted) {
    for (int i = 0; i < count; ++i) {
      if (w.lstRemovable.List(i) == std::wstring(1, wanted)) {
        w.lstRemovable.SetListIndex(i);
        report.drive = w.lstRemovable.Text() + L":";
        return true;
      }
    }
    const std::wstring root = std::wstring(1, wanted) + L":\\";
    if (GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR) {
      report.exit = UnattendedExit::Stopped;
      report.reason = L"Drive " + root.substr(0, 2) + L" is not there. Nothing was copied.";
    } else {
      report.exit = UnattendedExit::CouldNotStart;
      report.reason = L"Drive " + root.substr(0, 2) + L" is not a removable drive. Nothing was copied.";
    }
    return false;
  }
  if (count == 1) {
    w.lstRemovable.SetListIndex(0);
    report.drive = w.lstRemovable.Text() + L":";
    return true;
  }
  if (count == 0) {
    report.exit = UnattendedExit::Stopped;
    report.reason = L"No removable drive is present. Nothing was copied.";
  } else {
    std::wstring drives;
    for (int i = 0; i < count; ++i) drives += (i ? L", " : L"") + w.lstRemovable.List(i) + L":";
    report.exit = UnattendedExit::CouldNotStart;
    report.reason = L"Several removable drives are present (" + drives +
                    L"); name the one to use with /drive:. Nothing was copied.";
  }
  return false;
}

std::wstring SerialText(uint32_t serial) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%04X-%04X", serial >> 16, serial & 0xFFFF);
  return text;
}

// The medium in the drive must be the one the schedule was saved with:
// another stick given the same letter gets nothing.
bool CheckVolume(wchar_t letter, uint32_t wanted, UnattendedReport& report) {
  const std::wstring drive = std::wstring(1, letter) + L":";
  uint32_t serial = 0;
  try {
    serial = Drive(letter).SerialNumber();
  } catch (const common::NumberedError&) {
    report.exit = UnattendedExit::Stopped;
    report.reason = L"Drive " + drive + L" cannot be read (no medium in it?). Nothing was copied.";
    return false;
  }
  if (serial == wanted) return true;
  report.exit = UnattendedExit::CouldNotStart;
  report.reason = L"Drive " + drive + L" holds another medium (volume serial " + SerialText(serial) +
                  L", the schedule's is " + SerialText(wanted) + L"). Nothing was copied.";
  return false;
}

// The backup itself on the hidden window; false (with the report's code and
// reason set) when it cannot start.
bool Run(Frmbackup& w, UnattendedUserInteraction& ui, const UnattendedArgs& args, UnattendedReport& report) {
  w.Load();
  if (!FolderExists(kProgramFolder) || WriteAccessDenied(kProgramFolder) || WriteAccessDenied(L"c:\\")) {
    report.reason = L"Ferrimond may not write to C:\\ or to " + std::wstring(kProgramFolderToCreate) +
                    L". The scheduled task must run with highest privileges (as administrator).";
    return false;
  }

  report.log = args.log.empty() ? std::wstring(kDefaultLog) : FullPathOf(args.log);
  // The options exactly as the log holds them; the command line's time to
  // back up from, when given, wins over them.
  switch (w.LoadLogFile(report.log, true)) {
    case Frmbackup::LogLoad::Loaded:
      break;
    case Frmbackup::LogLoad::Missing:
      report.reason = L"The log file " + report.log + L" does not exist. Nothing was copied.";
      return false;
    default:
      report.reason = L"The log file " + report.log + L" is damaged. Nothing was copied.";
      return false;
  }
  if (args.date) w.ApplyDateChoice(*args.date);
  std::wstring why;
  const std::optional<DateChoice> choice = w.CurrentDateChoice(why);
  if (!choice) {
    report.reason = why + L" Nothing was copied.";
    return false;
  }
  why = w.NothingSelectedReason();
  if (!why.empty()) {
    report.reason = why + L" Nothing was copied.";
    return false;
  }
  if (!PickDrive(w, args.drive, report)) return false;
  if (args.volume && !CheckVolume(args.drive ? args.drive : report.drive[0], *args.volume, report)) return false;

  // Nobody is there to see the closing splash; the process ends by itself.
  w.mnuCloseAutomatically.SetChecked(false);
  w.CloseAutomatically = false;
  bool driveWanted = false;
  // Waiting would never end: the run stops as Stop stops it.
  ui.onWaitWouldFollow = [&](bool forDrive) {
    driveWanted = driveWanted || forDrive;
    w.CmdStop_Click();
  };
  w.CmdCToE_Click();

  report.ran = true;
  report.since = w.Threshold;
  report.dateOption = DateChoiceWords(*choice);
  report.selected = static_cast<size_t>(w.FilesSelected < 0 ? 0 : w.FilesSelected);
  report.copied = w.ItemsCopied.size();
  report.notBackedUp = w.FilesNotBackedUp().size();
  report.foldersNotRead = w.FoldersNotRead.size();
  switch (w.LastOutcome.value_or(Frmbackup::RunOutcome::Failed)) {
    case Frmbackup::RunOutcome::Complete:
      report.exit = UnattendedExit::Complete;
      break;
    case Frmbackup::RunOutcome::Incomplete:
      report.exit = UnattendedExit::Incomplete;
      report.notBackedUpList = kLogFolderPath + w.DateTag + L"_notcopied.txt";
      break;
    case Frmbackup::RunOutcome::Aborted:
      report.exit = UnattendedExit::Stopped;
      report.reason = driveWanted ? L"The removable drive was full, could not be reached or was "
                                    L"write-protected; the backup stopped as Stop stops it."
                      : w.CloseRequested()
                          ? L"Windows asked Ferrimond to close (the session ended or the task was stopped); "
                            L"the backup stopped as Stop stops it."
                          : L"The backup stopped: it would have waited for a time to back up from.";
      break;
    case Frmbackup::RunOutcome::Failed:
      report.exit = UnattendedExit::Stopped;
      report.reason = L"An error stopped the backup (see the messages).";
      break;
  }
  return true;
}

}  // namespace

int RunUnattended(const UnattendedArgs& args) {
  // No system box for a missing medium, a crash or a file that cannot be
  // opened: nobody is there to answer it, and the task would hang.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  UnattendedReport report;
  report.start = common::Now();
  UnattendedUserInteraction ui;
  auto finish = [&] {
    report.messages = ui.Recorded();
    Publish(report);
    return static_cast<int>(report.exit);
  };
  if (!args.error.empty()) {
    report.reason = L"The command line cannot be used: " + args.error +
                    L" Use: Ferrimond.exe /backup [/log:<file>] [/drive:<letter>]";
    return finish();
  }
  // The window's rule: one Ferrimond at a time. Held for the whole run, so
  // that the program opened meanwhile says so.
  SingleInstance instance;
  if (instance.AnotherIsRunning()) {
    report.reason = L"Ferrimond is already running. Nothing was copied.";
    return finish();
  }
  ProcessHooks hooks;
  hooks.anotherInstanceRunning = [] { return false; };
  hooks.endProcess = [] {};
  hooks.restoreDefaultLog = false;
  hooks.unattended = true;
  // Whatever escapes the run still ends it with a report and an entry.
  try {
    Frmbackup window(ui, hooks);
    Run(window, ui, args, report);
  } catch (const common::NumberedError& e) {
    report.exit = UnattendedExit::Stopped;
    report.reason = L"An unexpected error stopped the backup: error " + std::to_wstring(e.Number()) + L", " +
                    e.Description();
  } catch (const std::exception& e) {
    const std::string what = e.what();
    report.exit = UnattendedExit::Stopped;
    report.reason = L"An unexpected error stopped the backup: " + std::wstring(what.begin(), what.end());
  } catch (...) {
    report.exit = UnattendedExit::Stopped;
    report.reason = L"An unexpected error stopped the backup.";
  }
  return finish();
}

}  // namespace ferrimond
