#include "ferrimond/backup/run_text.h"

#include <cmath>
#include <cstdlib>
#include <string>


namespace ferrimond {

std::wstring MirrorFolder(const std::wstring& sourceFolder, wchar_t driveLetter) {
  // A network path keeps its server and share as the first two folders.
  if (sourceFolder.size() > 2 && sourceFolder[0] == L'\\' && sourceFolder[1] == L'\\')
    return std::wstring(1, driveLetter) + L":" + sourceFolder.substr(1);
  std::wstring out = sourceFolder;
  if (!out.empty()) out[0] = driveLetter;
  return out;
}

std::wstring MirrorPlace(const std::wstring& sourcePath) {
  const std::wstring mirror = MirrorFolder(sourcePath, L'A');
  return mirror.size() > 2 ? mirror.substr(2) : std::wstring();
}

CopyTarget MirrorTarget(const std::wstring& sourceFolder, const std::wstring& name,
                        wchar_t driveLetter) {
  const std::wstring destination = MirrorFolder(sourceFolder, driveLetter);
  if (!sourceFolder.empty() && sourceFolder.back() == L'\\') return {sourceFolder + name, destination};
  return {sourceFolder + L"\\" + name, destination + L"\\"};
}

std::wstring ProgressText(const std::wstring& path) {
  if (path.size() > 60) return path.substr(path.size() - 61);
  return path;
}

double LeadingNumber(const std::wstring& text) {
  // Collect the characters that form the number, blanks left out.
  std::string number;
  bool digits = false, point = false, exponent = false, exponentDigits = false;
  for (wchar_t c : text) {
    if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\r') continue;
    if ((c == L'+' || c == L'-') && (number.empty() || (exponent && number.back() == 'E'))) {
      number += static_cast<char>(c);
    } else if (c >= L'0' && c <= L'9') {
      number += static_cast<char>(c);
      (exponent ? exponentDigits : digits) = true;
    } else if (c == L'.' && !point && !exponent) {
      number += '.';
      point = true;
    } else if ((c == L'e' || c == L'E' || c == L'd' || c == L'D') && digits && !exponent) {
      number += 'E';
      exponent = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  // An exponent mark without digits counts for nothing.
  if (exponent && !exponentDigits) {
    number.erase(number.find('E'));
  }
  const double value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value) ? value : (value < 0 ? -HUGE_VAL : HUGE_VAL);
}

double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

int32_t WholeSeconds(int64_t milliseconds) {
  return static_cast<int32_t>(RoundHalfEven(static_cast<double>(milliseconds) / 1000.0));
}

bool DaysBackFromText(const std::wstring& text, int16_t& days) {
  const double rounded = RoundHalfEven(LeadingNumber(text));
  if (!(rounded >= -32768 && rounded <= 32767)) return false;
  days = static_cast<int16_t>(rounded);
  return true;
}

}  // namespace ferrimond
