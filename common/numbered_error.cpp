#include "common/numbered_error.h"

#include "common/text_codec.h"

namespace common {

std::wstring RuntimeDescription(int32_t number) {
  switch (number) {
    case 5: return L"Invalid procedure call or argument";
    case 6: return L"Overflow";
    case 7: return L"Out of memory";
    case 9: return L"Subscript out of range";
    case 11: return L"Division by zero";
    case 13: return L"Type mismatch";
    case 52: return L"Bad file name or number";
    case 53: return L"File not found";
    case 55: return L"File already open";
    case 57: return L"Device I/O error";
    case 58: return L"File already exists";
    case 61: return L"Disk full";
    case 62: return L"Input past end of file";
    case 67: return L"Too many files";
    case 68: return L"Device unavailable";
    case 70: return L"Permission denied";
    case 71: return L"Disk not ready";
    case 75: return L"Path/File access error";
    case 76: return L"Path not found";
    case 91: return L"Object variable or With block variable not set";
    case 429: return L"ActiveX component can't create object";
    default: return L"Application-defined or object-defined error";
  }
}

NumberedError::NumberedError(int32_t number, std::wstring description, std::wstring source)
    : number_(number),
      description_(description.empty() ? RuntimeDescription(number) : std::move(description)),
      source_(std::move(source)) {
  what_ = "error " + std::to_string(number_) + ": " + Utf8FromWide(description_);
}

void Raise(int32_t number, std::wstring source) {
  throw NumberedError(number, {}, std::move(source));
}

}  // namespace common
