#pragma once
// The demo's date pickers: one per format, each with another button and
// border style, and their events on the status line.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "almanix/demo/control_site.h"

namespace almanix::demo {

class PickerGroup {
 public:
  using StatusFn = std::function<void(const std::wstring&)>;
  PickerGroup() = default;
  ~PickerGroup() { Close(); }
  PickerGroup(const PickerGroup&) = delete;
  PickerGroup& operator=(const PickerGroup&) = delete;

  // Creates the group box with its pickers at (x, y) of `parent`; returns
  // the group's bottom edge.
  int Create(HWND parent, HFONT font, int x, int y, StatusFn status);
  // Releases the pickers (before their window goes).
  void Close();
  static constexpr int kWidth = 370;

 private:
  std::vector<ControlSite*> sites_;
};

}  // namespace almanix::demo
