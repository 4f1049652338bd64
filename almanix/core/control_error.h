#pragma once
// The numbered errors the controls raise, all with source "DatePicker".
#include <cstdint>
#include <string>

namespace almanix {

inline constexpr wchar_t kErrorSource[] = L"DatePicker";

enum ControlError : int32_t {
  ErrMinDateAboveMax = 1068,  // "MinDate can't be larger than MaxDate"
  ErrMaxDateBelowMin = 1070,  // "MaxDate can't be smaller than MinDate"
  ErrDateOutOfRange = 2050,   // "The Date specified doesn't fall within the Min/Max Values"
  ErrHookFailure = static_cast<int32_t>(0x80040419u),
};

// The library's text for its own numbers; empty for others.
std::wstring ControlErrorText(int32_t number);

// Throws common::NumberedError with source "DatePicker"; an empty
// description takes ControlErrorText, then the runtime's text.
[[noreturn]] void RaiseControlError(int32_t number, std::wstring description = {});

}  // namespace almanix
