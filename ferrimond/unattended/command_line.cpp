#include "ferrimond/unattended/command_line.h"

#include <cwctype>

namespace ferrimond {

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// The value of "/name:value" when `arg` is that switch (any case), else none.
std::optional<std::wstring> SwitchValue(const std::wstring& arg, const std::wstring& name) {
  const std::wstring head = L"/" + name + L":";
  if (arg.size() < head.size()) return std::nullopt;
  if (Lower(arg.substr(0, head.size())) != head) return std::nullopt;
  return arg.substr(head.size());
}

}  // namespace

std::wstring ExitMeaning(UnattendedExit code) {
  switch (code) {
    case UnattendedExit::Complete: return L"complete: every selected file is on the drive";
    case UnattendedExit::Incomplete: return L"finished, but files or folders were not backed up";
    case UnattendedExit::Stopped: return L"stopped before the end";
    case UnattendedExit::CouldNotStart: return L"could not start";
  }
  return L"";
}

UnattendedArgs ParseUnattendedArgs(const std::vector<std::wstring>& args) {
  UnattendedArgs out;
  std::vector<std::wstring> slashed = args;
  for (std::wstring& arg : slashed) {
    if (!arg.empty() && arg[0] == L'-') arg[0] = L'/';
    if (Lower(arg) == L"/backup") out.backup = true;
  }
  if (!out.backup) return out;

  bool logGiven = false;
  bool driveGiven = false;
  auto refuse = [&](std::wstring why) {
    if (out.error.empty()) out.error = std::move(why);
  };
  for (const std::wstring& arg : slashed) {
    if (Lower(arg) == L"/backup") continue;
    if (auto log = SwitchValue(arg, L"log")) {
      if (logGiven) refuse(L"/log is given twice.");
      logGiven = true;
      if (log->empty()) refuse(L"/log names no file.");
      out.log = *log;
    } else if (auto drive = SwitchValue(arg, L"drive")) {
      if (driveGiven) refuse(L"/drive is given twice.");
      driveGiven = true;
      std::wstring letter = *drive;
      // "E", "E:" and "E:\" all name drive E.
      if (letter.size() >= 2 && letter[1] == L':' && (letter.size() == 2 || letter == letter.substr(0, 2) + L"\\"))
        letter.resize(1);
      if (letter.size() != 1 || !std::iswalpha(letter[0]) || letter[0] > 0x7F) {
        refuse(L"/drive:" + *drive + L" is not a drive letter.");
      } else {
        out.drive = static_cast<wchar_t>(std::towupper(letter[0]));
      }
    } else {
      refuse(L"Unknown argument: " + arg);
    }
  }
  return out;
}

}  // namespace ferrimond
