#pragma once
// Base of every control: a real child window, positions in twips relative to
// its container, the common properties and the common events.
//
// Events are plain std::function members that a form binds to its handlers,
// e.g. CmdStop.OnClick = [this] { CmdStop_Click(); };
// They run synchronously, also when code changes a value; a value that is
// already set raises nothing.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ferrimond/forms/runtime.h"

namespace ferrimond::forms {

class Form;
class Control;
namespace internal {
struct ControlAccess;
}

// Left, Top, Width, Height in twips.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Something that holds controls: a form or a frame.
class Container {
 public:
  virtual ~Container();
  virtual HWND ContainerHwnd() const = 0;
  virtual Form& OwnerForm() = 0;
  // Controls placed directly in this container, in creation (= Tab) order.
  const std::vector<Control*>& Children() const { return children_; }

 private:
  friend class Control;
  std::vector<Control*> children_;
};

class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  HWND Hwnd() const { return hwnd_; }
  const std::wstring& Name() const { return name_; }
  // Position in its control array, -1 outside an array.
  int Index() const { return index_; }
  Container& Parent() const { return container_; }
  Form& OwnerForm() const { return form_; }

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);

  // Twips relative to the container.
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  const Bounds& GetBounds() const { return bounds_; }
  void Move(int left, int top);
  void Move(int left, int top, int width, int height);

  OleColor BackColor() const { return backColor_; }
  virtual void SetBackColor(OleColor color);
  OleColor ForeColor() const { return foreColor_; }
  virtual void SetForeColor(OleColor color);
  const FontSpec& Font() const { return font_; }
  virtual void SetFont(const FontSpec& font);

  bool CausesValidation() const { return causesValidation_; }
  void SetCausesValidation(bool value) { causesValidation_ = value; }
  Pointer MousePointer() const { return pointer_; }
  void SetMousePointer(Pointer pointer);
  // Optional; the control's Tag property.
  std::wstring Tag;

  void SetFocus();
  bool HasFocus() const;
  // Repaints now.
  void Refresh();

  // button: MouseButton; shift: ShiftState; x, y: twips inside the control.
  std::function<void(int button, int shift, int x, int y)> OnMouseDown;
  // Key code (virtual key) and shift state; the key still goes to the control.
  std::function<void(int keyCode, int shift)> OnKeyDown;
  std::function<void()> OnGotFocus;
  std::function<void()> OnLostFocus;
  // Focus is moving to another control of the form whose CausesValidation
  // holds; setting cancel keeps the focus here.
  std::function<void(bool& cancel)> OnValidate;

  // The control that owns a window (or one of its inner windows), or nullptr.
  static Control* FromHwnd(HWND hwnd);

 protected:
  Control(Container& container, std::wstring name, Bounds bounds);

  // Creates the window; called once from the concrete constructor.
  void Create(const wchar_t* windowClass, const std::wstring& text, DWORD style,
              DWORD exStyle = 0);
  // A window class of that name with no behaviour of its own (the control
  // gives it its behaviour), registered on first use. Returns the name.
  static const wchar_t* PlainWindowClass(const wchar_t* name);
  // Additional windows of the control (a combo box's edit) report to it.
  void Adopt(HWND inner);

  // A notification (WM_COMMAND code) reflected from the container.
  virtual void HandleCommand(int code) {}
  // WM_CTLCOLOR* reflected from the container; the default paints with
  // ForeColor on BackColor.
  virtual HBRUSH HandleCtlColor(HDC dc);
  // Messages to the control's own window; return true when handled.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return false;
  }
  // A mouse press reached the control, after its window's own handling and
  // before MouseDown is raised.
  virtual void Pressed(int button) {}
  // Height of the window itself (a drop-down combo's includes its list).
  virtual int WindowHeight() const { return bounds_.height; }
  // Whether a click gives the control the focus (not so for labels, lines,
  // pictures and frames).
  virtual bool TakesFocus() const { return true; }
  // Control IDs are 100 and up, unique per form.
  int ControlId() const { return id_; }
  LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam);

  // The colours a new control starts with.
  OleColor backColor_ = kColorButtonFace;
  OleColor foreColor_ = kColorButtonText;

 private:
  friend class Form;
  friend class Frame;
  friend class Container;
  friend struct internal::ControlAccess;
  template <class T>
  friend class ControlArray;
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Subclass(HWND hwnd);
  void ApplyFont();

  Container& container_;
  // Kept from the start: the window procedure asks for it with every
  // message, also while a frame around the control is going.
  Form& form_;
  std::wstring name_;
  int index_ = -1;
  int id_ = 0;
  bool orphaned_ = false;  // the container went first
  Bounds bounds_;
  HWND hwnd_ = nullptr;
  std::vector<HWND> inner_;
  bool enabled_ = true;
  bool visible_ = true;
  bool causesValidation_ = true;
  Pointer pointer_ = Pointer::Default;
  FontSpec font_;
};

// A control array indexed from 0 (indexes may have gaps, as Txtfiles 10..12).
template <class T>
class ControlArray {
 public:
  // Creates element `index` as T(container, name, args...).
  template <class... Args>
  T& Load(int index, Container& container, const std::wstring& name, Args&&... args) {
    auto control = std::make_unique<T>(container, name, std::forward<Args>(args)...);
    control->index_ = index;
    T& ref = *control;
    items_[index] = std::move(control);
    return ref;
  }
  T& operator[](int index) { return *items_.at(index); }
  const T& operator[](int index) const { return *items_.at(index); }
  bool Exists(int index) const { return items_.count(index) != 0; }
  int Count() const { return static_cast<int>(items_.size()); }
  int LBound() const { return items_.empty() ? 0 : items_.begin()->first; }
  int UBound() const { return items_.empty() ? -1 : items_.rbegin()->first; }
  // Indexes in ascending order.
  std::vector<int> Indexes() const {
    std::vector<int> out;
    for (auto& entry : items_) out.push_back(entry.first);
    return out;
  }

 private:
  std::map<int, std::unique_ptr<T>> items_;
};

}  // namespace ferrimond::forms
