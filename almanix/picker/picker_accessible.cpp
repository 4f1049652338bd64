// The picker as screen readers see it: a drop-down list whose value is the
// text shown, with its buttons as children.
#include "almanix/picker/date_picker.h"

namespace almanix {

std::wstring DatePicker::ShownText() const {
  bool typing = false;
  for (const CDateMask& f : fields_) typing |= f.HasTyped();
  if (!value_ && !typing) return {};
  std::wstring text;
  for (const CDateMask& f : fields_) text += f.Text();
  return text;
}

long DatePicker::AccessibleChildCount() const { return static_cast<long>(buttons_.size()); }

AccessiblePart DatePicker::AccessiblePartOf(long child) const {
  AccessiblePart part;
  if (child == 0) {
    part.role = ROLE_SYSTEM_DROPLIST;
    part.name = AccessibleName;
    part.value = ShownText();
    part.state = WindowStates(hwnd_) | (enabled_ ? 0 : STATE_SYSTEM_UNAVAILABLE) |
                 (locked_ ? STATE_SYSTEM_READONLY : 0);
    if (buttonStyle_ == dtpDropDown)
      part.state |= STATE_SYSTEM_HASPOPUP | (IsDropped() ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED);
    GetClientRect(hwnd_, &part.rect);
    return part;
  }
  const CFrame& button = buttons_[child - 1];
  part.role = ROLE_SYSTEM_PUSHBUTTON;
  part.rect = button.Rect();
  part.state = enabled_ && !locked_ && userMode_ ? 0 : STATE_SYSTEM_UNAVAILABLE;
  if (button.Tag == L"DropDown") {
    part.name = part.defaultAction = IsDropped() ? L"Close" : L"Open";
  } else {
    part.name = button.Tag;  // "Up", "Down"
    part.defaultAction = L"Press";
  }
  return part;
}

bool DatePicker::AccessibleAction(long child) {
  if (child == 0 || !enabled_ || locked_ || !userMode_) return false;
  CFrame& button = buttons_[child - 1];
  if (button.Tag == L"DropDown" && IsDropped()) {
    CloseUpCalendar();
  } else {
    ButtonAction(button);
  }
  return true;
}

}  // namespace almanix
