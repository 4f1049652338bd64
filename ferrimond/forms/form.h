#pragma once
// A top-level window holding named controls, with its menu bar and timers.
//
// A window is a class derived from Form whose controls are members,
// constructed (and so created, in Tab order) after the form's own window:
//
//   class FrmDemo : public Form {
//    public:
//     explicit FrmDemo(UserInteraction& ui) : Form(ui, L"FrmDemo", L"Demo", 4000, 3000) {
//       CmdOk.OnClick = [this] { CmdOk_Click(); };
//     }
//     CommandButton CmdOk{*this, L"CmdOk", {120, 120, 1200, 375}, L"&OK"};
//    private:
//     void CmdOk_Click();
//   };
//
// Nothing is shown before Show(); Load() (run by the first Show) fires Load.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ferrimond/forms/control.h"
#include "ferrimond/forms/controls.h"
#include "ferrimond/forms/runtime.h"
#include "ferrimond/forms/user_interaction.h"

namespace ferrimond::forms {

class MenuItem;
class Timer;

enum class BorderStyle {
  FixedSingle,  // caption, close and minimize boxes, no resizing
  Sizable,
  FixedDialog,  // caption and close box only
  None,         // no caption or border (splash windows)
};

class Form : public Container {
 public:
  // Client area in twips.
  Form(UserInteraction& ui, std::wstring name, std::wstring caption, int clientWidth,
       int clientHeight, BorderStyle border = BorderStyle::FixedSingle);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  ~Form() override;

  UserInteraction& Ui() const { return ui_; }
  HWND Hwnd() const { return hwnd_; }
  const std::wstring& Name() const { return name_; }
  HWND ContainerHwnd() const override { return hwnd_; }
  Form& OwnerForm() override { return *this; }

  // Fires Load once (the first call only).
  void Load();
  bool IsLoaded() const { return loaded_ && hwnd_ != nullptr; }
  // Loads, then shows and activates the window (modeless).
  void Show();
  void Hide();
  bool Visible() const;
  // Fires Unload (its cancel is honoured only for the close box), stops the
  // timers and destroys the window. Safe to call more than once and from
  // inside the Unload handler.
  void Unload();
  bool IsUnloaded() const { return unloaded_; }

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);

  // Outer window position and size in twips (screen coordinates).
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void Move(int left, int top);
  // Client area in twips.
  int ScaleWidth() const;
  int ScaleHeight() const;

  OleColor BackColor() const { return backColor_; }
  void SetBackColor(OleColor color);
  Pointer MousePointer() const { return pointer_; }
  void SetMousePointer(Pointer pointer);
  bool Enabled() const;
  void SetEnabled(bool enabled);

  // The control that has the focus, or nullptr.
  Control* ActiveControl() const;
  // Top-level menu items in order.
  const std::vector<MenuItem*>& Menus() const { return menus_; }

  std::function<void()> OnLoad;
  // Close box or Unload(); setting cancel keeps a window closed by its close box.
  std::function<void(bool& cancel)> OnUnload;
  std::function<void(int keyCode, int shift)> OnKeyDown;
  std::function<void(int button, int shift, int x, int y)> OnMouseDown;
  std::function<void()> OnResize;
  // Sees every message for this form's windows in the layer's loops before
  // dialog navigation; returning true consumes it. For hosted controls that
  // translate their own keys (an ActiveX control's TranslateAccelerator).
  std::function<bool(MSG& msg)> OnPreTranslateMessage;

  // The Form that owns a top-level window, or nullptr.
  static Form* FromHwnd(HWND hwnd);

 private:
  friend class Control;
  friend class MenuItem;
  friend class Timer;
  friend class OptionButton;
  friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void RebuildMenu();
  void MenuChanged();
  // Greys or enables the command `id` where it stands in the built menu
  // bar; false when the bar does not hold it.
  bool EnableCommandInBar(int id, bool enabled, bool onBar);
  void FitClientArea();
  int NextControlId() { return nextControlId_++; }
  int NextMenuId() { return nextMenuId_++; }
  UINT_PTR NextTimerId() { return nextTimerId_++; }
  void Destroy();
  // Fires Unload and answers its cancel. An error escaping the handler
  // leaves the window as it was.
  bool RaiseUnload();

  UserInteraction& ui_;
  std::wstring name_;
  std::wstring caption_;
  HWND hwnd_ = nullptr;
  HMENU menuBar_ = nullptr;
  BorderStyle border_;
  bool loaded_ = false;
  bool unloading_ = false;
  bool unloaded_ = false;
  OleColor backColor_ = kColorButtonFace;
  Pointer pointer_ = Pointer::Default;
  HWND savedFocus_ = nullptr;
  bool menuFitted_ = false;
  int clientWidth_ = 0;   // pixels
  int clientHeight_ = 0;
  int nextControlId_ = 100;
  int nextMenuId_ = 1000;
  UINT_PTR nextTimerId_ = 1;
  std::vector<MenuItem*> menus_;
  std::vector<Timer*> timers_;

};

// A menu item: on the menu bar (constructed with the form) or under another
// item. The caption "-" makes a separator; "&" marks the access key. An item
// with children is a submenu; one without is a command (also on the bar).
class MenuItem {
 public:
  MenuItem(Form& form, std::wstring name, std::wstring caption);
  MenuItem(MenuItem& parent, std::wstring name, std::wstring caption, bool checked = false);
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;
  ~MenuItem();

  const std::wstring& Name() const { return name_; }
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool IsSeparator() const { return caption_ == L"-"; }
  const std::vector<MenuItem*>& Items() const { return items_; }
  MenuItem* ParentItem() const { return parent_; }
  int CommandId() const { return id_; }

  // Runs the item's Click as a menu choice would (also for tests).
  void Click();
  std::function<void()> OnClick;

 private:
  friend class Form;
  void Changed();
  Form& form_;
  MenuItem* parent_ = nullptr;
  bool topLevel_ = false;
  bool orphaned_ = false;  // the form went first
  std::wstring name_;
  std::wstring caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  int id_;
  std::vector<MenuItem*> items_;
};

// Interval timer of a form (no window of its own). Interval 0 or Enabled
// false stops it.
class Timer {
 public:
  Timer(Form& form, std::wstring name, int interval, bool enabled = true);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer();
  const std::wstring& Name() const { return name_; }
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::function<void()> OnTimer;

  // Runs the Timer event as an expiry would (also for tests).
  void Fire();

 private:
  friend class Form;
  void Apply();
  Form& form_;
  std::wstring name_;
  int interval_;
  bool enabled_;
  UINT_PTR id_;
};

}  // namespace ferrimond::forms
