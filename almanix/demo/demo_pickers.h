#pragma once
// The demo's date pickers: one per format, each with another button and
// border style, and their events on the status line.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "almanix/picker/date_picker.h"

namespace almanix::demo {

class PickerGroup {
 public:
  using StatusFn = std::function<void(const std::wstring&)>;
  PickerGroup();
  ~PickerGroup();

  // Creates the group box with its pickers at (x, y) of `parent`; returns
  // the group's bottom edge.
  int Create(HWND parent, HFONT font, int x, int y, StatusFn status);
  static constexpr int kWidth = 370;

 private:
  class Events;
  // The sinks outlive the pickers that call them.
  std::vector<std::unique_ptr<Events>> events_;
  std::vector<std::unique_ptr<DatePicker>> pickers_;
};

}  // namespace almanix::demo
