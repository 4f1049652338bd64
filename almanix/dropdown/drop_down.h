#pragma once
// A control window shown as a pop-up: lifted to the desktop as a tool
// window, placed below (or above) its parent, and hidden by a click outside
// it anywhere in the thread, seen through the shared mouse hook.
#include <windows.h>

#include <functional>

#include "almanix/dropdown/windows_hook.h"

namespace almanix {

class cDropDown : public IWindowsHook {
 public:
  cDropDown() = default;
  cDropDown(const cDropDown&) = delete;
  cDropDown& operator=(const cDropDown&) = delete;
  // A shown pop-up is hidden first.
  ~cDropDown() override;

  // Shows the control's window at (Left, Top) in screen pixels, Width x
  // Height. Top is normally the parent's bottom edge; when the pop-up does
  // not fit below it, it opens above the parent (ParentHeight tall). With
  // AutoHide an outside button-down hides it. Raises kHookError when the
  // mouse hook cannot be installed.
  void Show(HWND control, long Left, long Top, long Width, long Height, long ParentHeight,
            bool AutoHide);
  // Detaches the hook, hides the window, raises HideControl.
  void Hide();
  // True from an auto-hiding Show until Hide.
  bool Shown() const { return attached_; }
  HWND Control() const { return control_; }

  // Suppresses auto-hiding while set.
  bool KeepOpen = false;

  // Raised after the window was hidden.
  std::function<void()> HideControl;
  // Raised before an outside click hides the pop-up, with the click's
  // mouse record. Setting DontHide keeps it open.
  std::function<void(bool& DontHide, const cMouselParam& mouse)> WillHide;

  LRESULT HookProc(int32_t eType, int32_t nCode, WPARAM wParam, LPARAM lParam,
                   bool& bConsume) override;

 private:
  HWND control_ = nullptr;
  bool attached_ = false;
};

}  // namespace almanix
