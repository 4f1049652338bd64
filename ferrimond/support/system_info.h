#pragma once
// Facts about the running system. Only the user name is needed by the
// program.
#include <cstdint>
#include <string>

namespace ferrimond {

class SystemInfo {
 public:
  // When set (the default), a failed extended name lookup raises a
  // common::NumberedError (number = system error code, source
  // "SystemInfo.UserName", the system's text); when clear it returns "".
  bool RaiseErrors = true;

  // The login name of the current user. `extendedFormat` 0 is the plain name
  // (an empty string when it cannot be had, never an error); other values
  // are the system's EXTENDED_NAME_FORMAT codes (2 NameSamCompatible,
  // 3 NameDisplay, ...).
  std::wstring UserName(int32_t extendedFormat = 0) const;
};

}  // namespace ferrimond
