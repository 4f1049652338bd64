#include "almanix/core/control_error.h"

#include "common/numbered_error.h"

namespace almanix {

std::wstring ControlErrorText(int32_t number) {
  switch (number) {
    case ErrMinDateAboveMax: return L"MinDate can't be larger than MaxDate";
    case ErrMaxDateBelowMin: return L"MaxDate can't be smaller than MinDate";
    case ErrDateOutOfRange: return L"The Date specified doesn't fall within the Min/Max Values";
    default: return {};
  }
}

void RaiseControlError(int32_t number, std::wstring description) {
  if (description.empty()) description = ControlErrorText(number);
  throw common::NumberedError(number, std::move(description), kErrorSource);
}

}  // namespace almanix
