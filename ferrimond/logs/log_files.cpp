// Frmbackup: saving, loading and printing selection logs, and default.log
// at start-up.
#include <windows.h>

#include <cwchar>
#include <string>

#include "common/numbered_error.h"
#include "ferrimond/logs/selection_log.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/text_file.h"

namespace ferrimond {

namespace {

// A line of an old log in the system's ANSI code page, decoded whole: in a
// double-byte code page a trail byte is no character of its own.
std::wstring AnsiCodePageLine(std::string_view line) {
  if (line.empty()) return {};
  const int size = static_cast<int>(line.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, line.data(), size, nullptr, 0);
  if (length <= 0) return common::Windows1252Line(line);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, line.data(), size, out.data(), length);
  return out;
}


constexpr wchar_t kLogFilter[] = L"log files(*.log)|*.log|all files(*.*)|*.*";
constexpr wchar_t kPrintFilter[] = L"log files(*.log)|*.log|recently backed up (*.fnm)|*.fnm";
constexpr wchar_t kPrintFolder[] = L"c:\\program files\\Ferrimond\\log\\";
constexpr wchar_t kFormatMessage[] = L"This file does not have the right format";
constexpr wchar_t kStartUpPastEnd[] = L"past end";
// A day's list of a large backup is a few megabytes; far more would be
// thousands of pages.
constexpr uint64_t kMaxPrintBytes = 32u << 20;
constexpr int32_t kInvalidPropertyValue = 380;

std::wstring Failure(const wchar_t* what, const common::NumberedError& error) {
  wchar_t number[16];
  // System failures carry an HRESULT, shown the way the system shows it.
  if (error.Number() < 0) swprintf(number, 16, L"0x%08X", static_cast<unsigned>(error.Number()));
  else swprintf(number, 16, L"%d", error.Number());
  return std::wstring(what) + L"\r\nError " + number + L": " + error.Description();
}

forms::FileDialogOptions LogDialog(const wchar_t* filter, const wchar_t* folder) {
  forms::FileDialogOptions options;
  options.filter = filter;
  options.initialDir = folder;
  // As the program always had it: a chosen file is replaced without asking,
  // and a name typed without extension is taken as it is.
  options.overwritePrompt = false;
  return options;
}

std::wstring ChosenFile(forms::UserInteraction& ui, const forms::FileDialogOptions& options) {
  const std::vector<std::wstring> chosen = ui.OpenFileDialog(options);
  return chosen.empty() ? std::wstring() : chosen.front();
}

// The dialogs open in the program folder. Where it cannot be made they open
// where the system chooses; the command itself goes on.
void EnsureProgramFolder(Frmbackup& w) {
  try {
    if (!w.FileSys().FolderExists(kProgramFolder)) w.BuildDir(kProgramFolder);
  } catch (const common::NumberedError&) {
  }
}

void SetCheck(forms::CheckBox& box, int16_t value) {
  if (value < forms::kUnchecked || value > forms::kGrayed) common::Raise(kInvalidPropertyValue);
  box.SetValue(value);
}

// Applies a log value by value, in file order; each value set raises the
// control's own reactions at once. A value missing at the end of the file
// applies as empty, except the close flag of Load Logfile, which keeps what
// it was.
void ApplyLog(Frmbackup& w, SelectionLogReader& log, bool atStartUp, bool keepDateOption) {
  const std::optional<bool> flag = log.Flag();
  w.CloseAutomatically = flag.value_or(atStartUp ? false : w.CloseAutomatically);
  w.mnuCloseAutomatically.SetChecked(w.CloseAutomatically);

  const LogOptionLine options = log.Options();
  w.OptDateToday.SetValue(options.dateToday);
  w.optDateText.SetValue(options.dateText);
  w.optDatePicker.SetValue(options.datePicker);
  w.txtdays.SetText(options.days);
  if (keepDateOption) {
    // The day count's change selected "for last"; the log's options stand.
    w.OptDateToday.SetValue(options.dateToday);
    w.optDateText.SetValue(options.dateText);
    w.optDatePicker.SetValue(options.datePicker);
  }
  SetCheck(w.Check2, options.allFiles);
  for (int i = 0; i <= 12; ++i) SetCheck(w.Check1[i], log.Integer());

  for (forms::ListBox* list : {&w.LstDir, &w.LstDirEx, &w.LstFilEx, &w.Lstfile}) {
    const int32_t count = log.Count();
    list->Clear();
    // An entry missing at the end of the file is added empty.
    for (int32_t i = 0; i < count; ++i) list->AddItem(log.Entry());
  }
}

// Loads a log. A value past the end of the file shows `pastEndMessage` (a
// few times at most) and the load goes on; a log beyond the accepted bounds
// is refused with the format message; any other fault ends the load without
// a word, keeping what was applied before it.
Frmbackup::LogLoad LoadLog(Frmbackup& w, const std::wstring& path, const wchar_t* pastEndMessage,
                           bool atStartUp, bool keepDateOption = false) {
  forms::UserInteraction& ui = w.Ui();
  try {
    if (!w.FileSys().FileExists(path)) return Frmbackup::LogLoad::Missing;
    // Measured first, so that a huge file is never read.
    if (w.FileSys().GetFile(path).Size() > kMaxLogBytes) throw LogRefused();
    SelectionLogReader log(ReadTextFile(path), AnsiCodePageLine, [&] { ui.MsgBox(pastEndMessage); });
    ApplyLog(w, log, atStartUp, keepDateOption);
    return log.PastEndReads() > 0 ? Frmbackup::LogLoad::PastEnd : Frmbackup::LogLoad::Loaded;
  } catch (const LogRefused&) {
    ui.MsgBox(kFormatMessage);
    return Frmbackup::LogLoad::Refused;
  } catch (const std::exception&) {
    return Frmbackup::LogLoad::Damaged;
  }
}

}  // namespace

void Frmbackup::BindLogEvents() {
  mnuFileSaveLog.OnClick = [this] { mnuFileSaveLog_Click(); };
  mnuFileLoadLog.OnClick = [this] { mnuFileLoadLog_Click(); };
  mnuFilePrint.OnClick = [this] { mnuFilePrint_Click(); };
}

void Frmbackup::mnuFileSaveLog_Click() {
  EnsureProgramFolder(*this);
  const std::wstring path = Ui().SaveFileDialog(LogDialog(kLogFilter, kProgramFolder));
  if (path.empty()) return;
  try {
    SaveLogFile(path);
  } catch (const common::NumberedError& e) {
    Ui().MsgBox(Failure(L"The log file could not be saved.", e));
  }
}

void Frmbackup::SaveLogFile(const std::wstring& path) {
  CloseAutomatically = mnuCloseAutomatically.Checked();
  SelectionLog log;
  log.closeAutomatically = CloseAutomatically;
  log.dateToday = OptDateToday.Value();
  log.dateText = optDateText.Value();
  log.datePicker = optDatePicker.Value();
  log.days = txtdays.Text();
  log.allFiles = static_cast<int16_t>(Check2.Value());
  for (int i = 0; i <= 12; ++i) log.fileTypes[i] = static_cast<int16_t>(Check1[i].Value());
  const forms::ListBox* lists[] = {&LstDir, &LstDirEx, &LstFilEx, &Lstfile};
  for (size_t l = 0; l < log.lists.size(); ++l) {
    for (int i = 0; i < lists[l]->ListCount(); ++i) log.lists[l].push_back(lists[l]->List(i));
  }
  WriteTextFile(path, FormatSelectionLog(log));
}

void Frmbackup::mnuFileLoadLog_Click() {
  EnsureProgramFolder(*this);
  const std::wstring path = ChosenFile(Ui(), LogDialog(kLogFilter, kProgramFolder));
  if (path.empty()) return;
  LoadLogFile(path);
}

Frmbackup::LogLoad Frmbackup::LoadLogFile(const std::wstring& path, bool keepDateOption) {
  return LoadLog(*this, path, kFormatMessage, false, keepDateOption);
}

void Frmbackup::RestoreDefaultLog() {
  if (FileSys().FileExists(kDefaultLog)) LoadLog(*this, kDefaultLog, kStartUpPastEnd, true);
}

void Frmbackup::mnuFilePrint_Click() {
  const std::wstring path = ChosenFile(Ui(), LogDialog(kPrintFilter, kPrintFolder));
  if (path.empty()) return;
  try {
    const File file = FileSys().GetFile(path);
    if (file.Size() > kMaxPrintBytes) {
      Ui().MsgBox(L"The file could not be printed.\r\nIt is larger than 32 MB.");
      return;
    }
    // The text as it stands, then a line end.
    const std::wstring text = common::WideFromLines(ReadTextFile(path), AnsiCodePageLine);
    Ui().PrintText(file.Name(), text + L"\r\n");
  } catch (const common::NumberedError& e) {
    Ui().MsgBox(Failure(L"The file could not be printed.", e));
  }
}

}  // namespace ferrimond
