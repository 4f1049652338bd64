#pragma once
// The standard controls over real Win32 windows.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ferrimond/forms/control.h"

namespace ferrimond::forms {

enum class Alignment { Left = 0, Right = 1, Center = 2 };

// Static text; "&" in the caption marks an access key that moves the focus
// to the next control in Tab order.
class Label : public Control {
 public:
  Label(Container& container, std::wstring name, Bounds bounds, std::wstring caption = {});
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment alignment);
  // With UseMnemonic off, "&" is shown as it is (for paths and other data).
  bool UseMnemonic() const { return useMnemonic_; }
  void SetUseMnemonic(bool use);
  // Transparent labels show their container's background.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  std::function<void()> OnClick;

 protected:
  bool TakesFocus() const override { return false; }
  void HandleCommand(int code) override;
  HBRUSH HandleCtlColor(HDC dc) override;

 private:
  std::wstring caption_;
  Alignment alignment_ = Alignment::Left;
  bool transparent_ = false;
  bool useMnemonic_ = true;
};

// Single-line edit box (multi-line on request).
class TextBox : public Control {
 public:
  TextBox(Container& container, std::wstring name, Bounds bounds, std::wstring text = {},
          bool multiLine = false);
  std::wstring Text() const;
  // Runs Change when the text differs from the current one.
  void SetText(const std::wstring& text);
  bool Locked() const { return locked_; }
  void SetLocked(bool locked);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length);  // 0: no limit
  int SelStart() const;
  int SelLength() const;
  void SetSel(int start, int length);
  std::function<void()> OnChange;

 protected:
  void HandleCommand(int code) override;

 private:
  bool settingText_ = false;
  bool locked_ = false;
  int maxLength_ = 0;
  std::wstring text_;  // kept in step for change detection
};

// Push button. SetValue(true) runs Click at once, inside the caller.
class CommandButton : public Control {
 public:
  CommandButton(Container& container, std::wstring name, Bounds bounds, std::wstring caption);
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  bool Value() const { return false; }
  void SetValue(bool value);
  std::function<void()> OnClick;

 protected:
  void HandleCommand(int code) override;

 private:
  std::wstring caption_;
};

enum CheckValue : int { kUnchecked = 0, kChecked = 1, kGrayed = 2 };

// Check box with Value 0/1/2; a change of Value (by the user or by code)
// runs Click.
class CheckBox : public Control {
 public:
  CheckBox(Container& container, std::wstring name, Bounds bounds, std::wstring caption,
           int value = kUnchecked);
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  int Value() const { return value_; }
  void SetValue(int value);
  std::function<void()> OnClick;

 protected:
  void HandleCommand(int code) override;

 private:
  std::wstring caption_;
  int value_;
};

// Option button; the option buttons of one container form one group.
// Selecting one (by the user or by code) deselects the others of its group
// and runs its Click; a deselection raises nothing. A mouse press selects
// the button before MouseDown is raised; the release selects nothing, so a
// MouseDown handler may deselect it for good.
class OptionButton : public Control {
 public:
  OptionButton(Container& container, std::wstring name, Bounds bounds, std::wstring caption,
               bool value = false);
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  bool Value() const { return value_; }
  void SetValue(bool value);
  std::function<void()> OnClick;

 protected:
  void HandleCommand(int code) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void Pressed(int button) override;

 private:
  void SetChecked(bool value);
  void UpdateTabStops();
  std::wstring caption_;
  bool value_;
  bool releasing_ = false;
};

// Group frame and container. BorderStyle 0 draws no border and no caption
// (a plain coloured area, as a rule or a status lamp).
class Frame : public Control, public Container {
 public:
  Frame(Container& container, std::wstring name, Bounds bounds, std::wstring caption = {});
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  int BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);
  void SetBackColor(OleColor color) override;

  HWND ContainerHwnd() const override { return Hwnd(); }
  Form& OwnerForm() override { return Control::OwnerForm(); }

 protected:
  bool TakesFocus() const override { return false; }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  std::wstring caption_;
  int borderStyle_ = 1;
};

// List box. Entries are indexed from 0; ListIndex -1 means no selection.
// Entries change only through this class, which keeps a copy of them: List
// and ListCount are answered without asking the window (a message to a
// control is slow under Wine, and the walk reads the exclusion lists for
// every file). The selection, which the user changes, is asked for.
class ListBox : public Control {
 public:
  ListBox(Container& container, std::wstring name, Bounds bounds);
  // Appends (index -1) or inserts at the index.
  void AddItem(const std::wstring& item, int index = -1);
  void RemoveItem(int index);
  void Clear();
  int ListCount() const;
  std::wstring List(int index) const;
  int ListIndex() const;
  // Runs Click when the selection changes.
  void SetListIndex(int index);
  bool Selected(int index) const;
  // The selected entry, or empty.
  std::wstring Text() const;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

 protected:
  void HandleCommand(int code) override;

 private:
  std::vector<std::wstring> items_;  // the entries, in the window's order
};

enum class ComboStyle { DropDownCombo = 0, SimpleCombo = 1, DropDownList = 2 };

// Combo box: an edit line (except DropDownList) and a list. Like ListBox,
// it keeps a copy of its entries for List and ListCount.
class ComboBox : public Control {
 public:
  ComboBox(Container& container, std::wstring name, Bounds bounds,
           ComboStyle style = ComboStyle::DropDownCombo);
  void AddItem(const std::wstring& item, int index = -1);
  void RemoveItem(int index);
  // Empties the list and the text.
  void Clear();
  int ListCount() const;
  std::wstring List(int index) const;
  int ListIndex() const;
  // Runs Click when the selection changes (a choice from the list raises no
  // Change, though the text follows it).
  void SetListIndex(int index);
  std::wstring Text() const;
  // Runs Change when the text differs.
  void SetText(const std::wstring& text);
  std::function<void()> OnClick;
  std::function<void()> OnChange;

 protected:
  void HandleCommand(int code) override;
  int WindowHeight() const override;

 private:
  ComboStyle style_;
  bool settingText_ = false;
  std::wstring text_;
  std::vector<std::wstring> items_;  // the entries, in the window's order
};

// A straight line between two points (twips in the container); horizontal
// and vertical lines are exact, others take their bounding box.
class Line : public Control {
 public:
  Line(Container& container, std::wstring name, int x1, int y1, int x2, int y2);
  OleColor BorderColor() const { return borderColor_; }
  void SetBorderColor(OleColor color);
  int X1() const { return x1_; }
  int Y1() const { return y1_; }
  int X2() const { return x2_; }
  int Y2() const { return y2_; }

 protected:
  bool TakesFocus() const override { return false; }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  OleColor borderColor_ = kColorWindowText;
  int x1_, y1_, x2_, y2_;
};

// A rectangle outline (the runtime's Shape with a transparent fill), made
// of four lines so that what it frames stays visible through it.
class Shape {
 public:
  Shape(Container& container, std::wstring name, Bounds bounds);
  const std::wstring& Name() const { return name_; }
  const Bounds& GetBounds() const { return bounds_; }
  OleColor BorderColor() const { return top_.BorderColor(); }
  void SetBorderColor(OleColor color);
  bool Visible() const { return top_.Visible(); }
  void SetVisible(bool visible);
  void Move(int left, int top, int width, int height);

 private:
  std::wstring name_;
  Bounds bounds_;
  Line top_, bottom_, left_, right_;
};

// A picture: drawn at its own size, or stretched to the control.
class Image : public Control {
 public:
  Image(Container& container, std::wstring name, Bounds bounds, bool stretch = false);
  ~Image() override;
  // Takes ownership of the bitmap (nullptr clears the picture).
  void SetPicture(HBITMAP bitmap);
  // Loads a .bmp file; false when it cannot be read.
  bool LoadPicture(const std::wstring& path);
  bool HasPicture() const { return bitmap_ != nullptr; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  // Pixels of this colour are left transparent when UseMaskColor holds.
  OleColor MaskColor() const { return maskColor_; }
  void SetMaskColor(OleColor color);
  bool UseMaskColor() const { return useMaskColor_; }
  void SetUseMaskColor(bool use);
  std::function<void()> OnClick;

 protected:
  bool TakesFocus() const override { return false; }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  HBITMAP bitmap_ = nullptr;
  bool stretch_;
  OleColor maskColor_ = 0x00C0C0C0;
  bool useMaskColor_ = false;
};

}  // namespace ferrimond::forms
