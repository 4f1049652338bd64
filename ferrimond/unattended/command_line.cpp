#include "ferrimond/unattended/command_line.h"

#include <cstdio>
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

bool AllDigits(const std::wstring& text, size_t from, size_t count) {
  if (text.size() < from + count) return false;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
  }
  return true;
}

int Number(const std::wstring& text, size_t from, size_t count) { return std::stoi(text.substr(from, count)); }

// yyyy-mm-dd, optionally followed by Thh:mm:ss; a real date and time only.
std::optional<DateChoice> SinceValue(const std::wstring& text) {
  const bool withTime = text.size() == 19;
  if (text.size() != 10 && !withTime) return std::nullopt;
  if (!AllDigits(text, 0, 4) || text[4] != L'-' || !AllDigits(text, 5, 2) || text[7] != L'-' ||
      !AllDigits(text, 8, 2))
    return std::nullopt;
  const int year = Number(text, 0, 4), month = Number(text, 5, 2), day = Number(text, 8, 2);
  int hour = 0, minute = 0, second = 0;
  if (withTime) {
    if ((text[10] != L'T' && text[10] != L't') || !AllDigits(text, 11, 2) || text[13] != L':' ||
        !AllDigits(text, 14, 2) || text[16] != L':' || !AllDigits(text, 17, 2))
      return std::nullopt;
    hour = Number(text, 11, 2), minute = Number(text, 14, 2), second = Number(text, 17, 2);
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  }
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  const common::DateTime date = common::DateTime::Serial(year, month, day);
  const common::DateParts p = date.Parts();
  if (p.month != month || p.day != day) return std::nullopt;  // 2026-02-30
  DateChoice choice;
  choice.kind = withTime ? DateChoice::Kind::At : DateChoice::Kind::Since;
  choice.when = withTime ? date.AddDays(common::DateTime::TimeSerial(hour, minute, second)) : date;
  return choice;
}

std::wstring IsoDate(common::DateTime date, bool withTime) {
  const common::DateParts p = date.Parts();
  wchar_t text[32];
  if (withTime)
    std::swprintf(text, 32, L"%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
  else
    std::swprintf(text, 32, L"%04d-%02d-%02d", p.year, p.month, p.day);
  return text;
}

}  // namespace

std::wstring DateChoiceArgument(const DateChoice& c) {
  switch (c.kind) {
    case DateChoice::Kind::LastBackup: return L"/from:lastbackup";
    case DateChoice::Kind::LastUpload: return L"/from:lastupload";
    case DateChoice::Kind::Today: return L"/from:today";
    case DateChoice::Kind::Days: return L"/days:" + std::to_wstring(c.days);
    case DateChoice::Kind::Since: return L"/since:" + IsoDate(c.when, false);
    case DateChoice::Kind::At: return L"/since:" + IsoDate(c.when, true);
  }
  return {};
}

std::wstring DateChoiceWords(const DateChoice& c) {
  switch (c.kind) {
    case DateChoice::Kind::LastBackup: return L"from last backup";
    case DateChoice::Kind::LastUpload: return L"from last upload";
    case DateChoice::Kind::Today: return L"from today";
    case DateChoice::Kind::Days: return L"for last " + std::to_wstring(c.days) + L" days";
    case DateChoice::Kind::Since: return L"since " + IsoDate(c.when, false);
    case DateChoice::Kind::At: return L"from user set time " + IsoDate(c.when, true);
  }
  return {};
}

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
  bool volumeGiven = false;
  bool dateGiven = false;
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
    } else if (auto volume = SwitchValue(arg, L"volume")) {
      if (volumeGiven) refuse(L"/volume is given twice.");
      volumeGiven = true;
      // Eight hexadecimal digits, with or without the dash "dir" shows.
      std::wstring digits;
      for (wchar_t c : *volume) {
        if (c != L'-') digits += c;
      }
      const bool hex = digits.size() == 8 && digits.find_first_not_of(L"0123456789abcdefABCDEF") == std::wstring::npos;
      if (!hex) {
        refuse(L"/volume:" + *volume + L" is not a volume serial number (eight hexadecimal digits).");
      } else {
        out.volume = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
      }
    } else if (auto from = SwitchValue(arg, L"from"), days = SwitchValue(arg, L"days"),
               since = SwitchValue(arg, L"since");
               from || days || since) {
      if (dateGiven) refuse(L"Only one of /from, /days and /since may be given.");
      dateGiven = true;
      DateChoice choice;
      bool good = true;
      if (from) {
        const std::wstring what = Lower(*from);
        if (what == L"lastbackup") choice.kind = DateChoice::Kind::LastBackup;
        else if (what == L"lastupload") choice.kind = DateChoice::Kind::LastUpload;
        else if (what == L"today") choice.kind = DateChoice::Kind::Today;
        else good = false;
      } else if (days) {
        // As many days as the window's box takes.
        good = !days->empty() && days->size() <= 5 && AllDigits(*days, 0, days->size()) &&
               std::stoi(*days) <= 32767;
        choice.kind = DateChoice::Kind::Days;
        if (good) choice.days = std::stoi(*days);
      } else if (auto value = SinceValue(*since)) {
        choice = *value;
      } else {
        good = false;
      }
      if (good) out.date = choice;
      else refuse(arg + L" is not a time to back up from.");
    } else {
      refuse(L"Unknown argument: " + arg);
    }
  }
  return out;
}

}  // namespace ferrimond
