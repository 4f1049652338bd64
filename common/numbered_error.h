#pragma once
// Numbered errors: every service reports failures as (number, description,
// source), and handlers decide by the number.
#include <cstdint>
#include <exception>
#include <string>

namespace common {

enum ErrorNumber : int32_t {
  ErrInvalidArgument = 5,
  ErrOverflow = 6,
  ErrTypeMismatch = 13,
  ErrFileNotFound = 53,
  ErrAlreadyExists = 58,
  ErrInputPastEnd = 62,
  ErrPermissionDenied = 70,
  ErrDiskNotReady = 71,
  ErrPathNotFound = 76,
};
// HRESULT_FROM_WIN32(ERROR_DISK_FULL), as a copy reports it.
constexpr int32_t ErrDiskFull = static_cast<int32_t>(0x80070070u);

// The runtime's usual English text for its own numbers; a generic text for
// numbers it does not know.
std::wstring RuntimeDescription(int32_t number);

class NumberedError : public std::exception {
 public:
  // An empty description takes the runtime's text for the number.
  explicit NumberedError(int32_t number, std::wstring description = {},
                         std::wstring source = {});

  int32_t Number() const noexcept { return number_; }
  const std::wstring& Description() const noexcept { return description_; }
  const std::wstring& Source() const noexcept { return source_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int32_t number_;
  std::wstring description_;
  std::wstring source_;
  std::string what_;
};

[[noreturn]] void Raise(int32_t number, std::wstring source = {});

}  // namespace common
