#include "almanix/demo/demo_pickers.h"

#include <oleauto.h>

#include "almanix/comframe/almanix_idl.h"
#include "common/date_text.h"

namespace almanix::demo {

namespace {

std::wstring ValueText(IDispatch* control) {
  ComPtr<_DatePicker> picker;
  VARIANT v;
  VariantInit(&v);
  if (FAILED(control->QueryInterface(IID_PPV_ARGS(&picker))) || FAILED(picker->get_Value(&v))) return L"?";
  return v.vt == VT_DATE ? common::DateText(common::DateTime(v.date)) : std::wstring(L"(empty)");
}

}  // namespace

int PickerGroup::Create(HWND parent, HFONT font, int x, int y, StatusFn status) {
  struct Row {
    const wchar_t* label;
    ::dtpFormats format;
    ::dtpButtonStyles buttons;
    ::dtpBorderStyles border;
  };
  const Row rows[] = {
      {L"Short date, 3-D", ::dtpShortDate, ::dtpDropDown, ::dtpBorder3D},
      {L"Long date, thin 3-D", ::dtpLongDate, ::dtpDropDown, ::dtpBorderThin3D},
      {L"Time, up/down, flat", ::dtpTime, ::dtpUpDown, ::dtpBorderFlat},
      {L"Custom, no button", ::dtpCustom, ::dtpNone, ::dtpBorderNone},
  };
  constexpr int kRowHeight = 30, kLabelWidth = 120, kPickerWidth = 220, kPickerHeight = 22;
  const int height = 24 + kRowHeight * static_cast<int>(std::size(rows));
  auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int cx, int cy, int cw, int ch) {
    HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, cx, cy, cw, ch, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
  };
  // The frame goes to the bottom of the z-order, below the pickers.
  HWND frame = add(L"BUTTON", L"DatePicker", BS_GROUPBOX, x, y, kWidth, height);
  SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  int rowY = y + 22;
  for (const Row& row : rows) {
    add(L"STATIC", row.label, SS_LEFT, x + 12, rowY + 4, kLabelWidth, 18);
    const RECT box{x + 12 + kLabelWidth, rowY, x + 12 + kLabelWidth + kPickerWidth, rowY + kPickerHeight};
    const std::wstring name = row.label;
    auto onEvent = [name, status](IDispatch* control, DISPID id) {
      if (!status) return;
      switch (id) {
        case 1: status(name + L" Change: " + ValueText(control)); break;
        case 8: status(name + L" EmptyClicked"); break;
        case 10: status(name + L" AfterCalendarDropDown"); break;
        case 11: status(name + L" AfterCalendarCloseUp"); break;
        default: break;
      }
    };
    if (ControlSite* site = ControlSite::Create(parent, box, CLSID_DatePicker, font, onEvent)) {
      ComPtr<_DatePicker> picker;
      site->Control()->QueryInterface(IID_PPV_ARGS(&picker));
      picker->put_Format(row.format);
      if (row.format == ::dtpCustom) {
        BSTR pattern = SysAllocString(L"ddd dd/MM/yyyy HH:mm");
        picker->put_CustomFormat(pattern);
        SysFreeString(pattern);
      }
      picker->put_ButtonStyle(row.buttons);
      picker->put_BorderStyle(row.border);
      if (row.format == ::dtpLongDate) {
        // The calendar with its Empty button, and a tinted box while focused.
        picker->put_AllowEmpty(VARIANT_TRUE);
        picker->put_FlatButton(VARIANT_TRUE);
        picker->put_FocusColor(0x00E0FFFF);
        picker->put_UseFocusColor(VARIANT_TRUE);
        picker->put_ShowFocusRect(VARIANT_TRUE);
      }
      sites_.push_back(site);
    }
    rowY += kRowHeight;
  }
  return y + height;
}

void PickerGroup::Close() {
  for (ControlSite* site : sites_) {
    site->Close();
    site->Release();
  }
  sites_.clear();
}

}  // namespace almanix::demo
