#include "almanix/demo/demo_pickers.h"

#include "common/date_text.h"

namespace almanix::demo {

class PickerGroup::Events : public DatePickerEvents {
 public:
  Events(std::wstring name, DatePicker& picker, StatusFn status)
      : name_(std::move(name)), picker_(picker), status_(std::move(status)) {}
  void Change() override {
    const DateOrNull v = picker_.Value();
    Show(L"Change: " + (v ? common::DateText(*v) : std::wstring(L"(empty)")));
  }
  void EmptyClicked(bool&) override { Show(L"EmptyClicked"); }
  void AfterCalendarDropDown() override { Show(L"AfterCalendarDropDown"); }
  void AfterCalendarCloseUp() override { Show(L"AfterCalendarCloseUp"); }

 private:
  void Show(const std::wstring& text) {
    if (status_) status_(name_ + L" " + text);
  }
  std::wstring name_;
  DatePicker& picker_;
  StatusFn status_;
};

PickerGroup::PickerGroup() = default;
PickerGroup::~PickerGroup() = default;

int PickerGroup::Create(HWND parent, HFONT font, int x, int y, StatusFn status) {
  struct Row {
    const wchar_t* label;
    dtpFormats format;
    dtpButtonStyles buttons;
    dtpBorderStyles border;
  };
  const Row rows[] = {
      {L"Short date, 3-D", dtpShortDate, dtpDropDown, dtpBorder3D},
      {L"Long date, thin 3-D", dtpLongDate, dtpDropDown, dtpBorderThin3D},
      {L"Time, up/down, flat", dtpTime, dtpUpDown, dtpBorderFlat},
      {L"Custom, no button", dtpCustom, dtpNone, dtpBorderNone},
  };
  constexpr int kRowHeight = 30, kLabelWidth = 120, kPickerWidth = 220, kPickerHeight = 22;
  const int height = 24 + kRowHeight * static_cast<int>(std::size(rows));
  auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int cx, int cy, int cw, int ch) {
    HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, cx, cy, cw, ch, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  };
  add(L"BUTTON", L"DatePicker", BS_GROUPBOX, x, y, kWidth, height);
  int rowY = y + 22;
  for (const Row& row : rows) {
    add(L"STATIC", row.label, SS_LEFT, x + 12, rowY + 4, kLabelWidth, 18);
    auto picker = std::make_unique<DatePicker>();
    picker->SetFormat(row.format);
    if (row.format == dtpCustom) picker->SetCustomFormat(L"ddd dd/MM/yyyy HH:mm");
    picker->SetButtonStyle(row.buttons);
    picker->SetBorderStyle(row.border);
    if (row.format == dtpLongDate) {
      // The calendar with its Empty button, and a tinted box while focused.
      picker->SetAllowEmpty(true);
      picker->SetFlatButton(true);
      picker->FocusColor = 0x00E0FFFF;
      picker->UseFocusColor = true;
      picker->ShowFocusRect = true;
    }
    picker->Create(parent, x + 12 + kLabelWidth, rowY, kPickerWidth, kPickerHeight);
    auto sink = std::make_unique<Events>(row.label, *picker, status);
    picker->Events().Advise(sink.get());
    pickers_.push_back(std::move(picker));
    events_.push_back(std::move(sink));
    rowY += kRowHeight;
  }
  return y + height;
}

}  // namespace almanix::demo
