// AlmanixDemo: the library's controls on one window, hosted through COM as
// any container hosts them (Almanix.dll registered, or beside the program).
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <tuple>

#include "almanix/comframe/almanix_idl.h"
#include "almanix/demo/control_site.h"
#include "almanix/demo/demo_pickers.h"
#include "common/date_text.h"

namespace {

using almanix::demo::ComPtr;
using almanix::demo::ControlSite;

constexpr wchar_t kWindowClass[] = L"AlmanixDemoWindow";
constexpr int kMargin = 12;
constexpr int kCalendarWidth = 204, kCalendarHeight = 180;

enum ControlId : int {
  kIdEmptyButton = 201,
  kIdEnabled,
  kIdMondayFirst,
};

struct DemoWindow {
  HWND hwnd = nullptr;
  HWND status = nullptr;
  HFONT font = nullptr;
  ControlSite* calendar = nullptr;
  almanix::demo::PickerGroup pickers;

  void SetStatus(const std::wstring& text) const { SetWindowTextW(status, text.c_str()); }
  ComPtr<_MonthCalendar> Calendar() const {
    ComPtr<_MonthCalendar> c;
    if (calendar) calendar->Control()->QueryInterface(IID_PPV_ARGS(&c));
    return c;
  }
};

void OnCalendarEvent(DemoWindow& w, IDispatch* control, DISPID id) {
  // Change, MonthChanged and YearChanged show the calendar's state.
  ComPtr<_MonthCalendar> c;
  if (id >= 1 && id <= 3 && FAILED(control->QueryInterface(IID_PPV_ARGS(&c)))) return;
  DATE value = 0;
  LONG month = 0, year = 0;
  switch (id) {
    case 1:
      c->get_Value(&value);
      w.SetStatus(L"Calendar Change: " + common::DateText(common::DateTime(value)));
      break;
    case 2:
      c->get_SelectedMonth(&month);
      c->get_SelectedYear(&year);
      w.SetStatus(L"Calendar MonthChanged: " + std::to_wstring(month) + L"/" + std::to_wstring(year));
      break;
    case 3:
      c->get_SelectedYear(&year);
      w.SetStatus(L"Calendar YearChanged: " + std::to_wstring(year));
      break;
    case 5: w.SetStatus(L"Calendar EmptyClicked"); break;
    default: break;  // date clicks, mouse and keys
  }
}

HWND AddChild(DemoWindow& w, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy,
              int id = 0) {
  HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, w.hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), FALSE);
  return h;
}

// The month calendar with a few switches beside it. Returns the bottom edge.
int CreateCalendarGroup(DemoWindow& w, int x, int y) {
  const int groupWidth = kCalendarWidth + 2 * kMargin + 130;
  const int groupHeight = kCalendarHeight + 2 * kMargin + 12;
  // The frame goes to the bottom of the z-order, below the controls.
  HWND frame = AddChild(w, L"BUTTON", L"MonthCalendar", BS_GROUPBOX, x, y, groupWidth, groupHeight);
  SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const RECT box{x + kMargin, y + kMargin + 10, x + kMargin + kCalendarWidth, y + kMargin + 10 + kCalendarHeight};
  DemoWindow* window = &w;
  w.calendar = ControlSite::Create(w.hwnd, box, CLSID_MonthCalendar, w.font,
                                   [window](IDispatch* control, DISPID id) { OnCalendarEvent(*window, control, id); });
  if (!w.calendar) w.SetStatus(L"Almanix.dll could not be loaded");

  const int optionsX = x + kMargin + kCalendarWidth + kMargin;
  int optionY = y + kMargin + 14;
  for (auto [id, text, checked] : {std::tuple{kIdEmptyButton, L"Empty button", false},
                                   std::tuple{kIdEnabled, L"Enabled", true},
                                   std::tuple{kIdMondayFirst, L"Monday first", false}}) {
    HWND box = AddChild(w, L"BUTTON", text, BS_AUTOCHECKBOX | WS_TABSTOP, optionsX, optionY, 120, 20, id);
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    optionY += 24;
  }
  return y + groupHeight;
}

bool OnCalendarOption(DemoWindow& w, int id, bool checked) {
  ComPtr<_MonthCalendar> c = w.Calendar();
  if (!c) return false;
  switch (id) {
    case kIdEmptyButton: c->put_EmptyButton(checked ? VARIANT_TRUE : VARIANT_FALSE); return true;
    case kIdEnabled: c->put_Enabled(checked ? VARIANT_TRUE : VARIANT_FALSE); return true;
    case kIdMondayFirst: c->put_FirstDayofWeek(checked ? 2 : 0); return true;
  }
  return false;
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* w = reinterpret_cast<DemoWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE: {
      w = static_cast<DemoWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
      w->hwnd = hwnd;
      w->font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
      w->status = AddChild(*w, L"STATIC", L"", SS_LEFT | SS_ENDELLIPSIS, kMargin, 0, 460, 18);
      int bottom = CreateCalendarGroup(*w, kMargin, kMargin);
      bottom = w->pickers.Create(hwnd, w->font, kMargin, bottom + 8,
                                 [w](const std::wstring& text) { w->SetStatus(text); });
      SetWindowPos(w->status, nullptr, kMargin, bottom + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      return 0;
    }
    case WM_COMMAND:
      if (w && HIWORD(wp) == BN_CLICKED) {
        bool checked = SendMessageW(reinterpret_cast<HWND>(lp), BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (OnCalendarOption(*w, LOWORD(wp), checked)) return 0;
      }
      break;
    case WM_DESTROY:
      if (w) {
        w->pickers.Close();
        if (w->calendar) {
          w->calendar->Close();
          w->calendar->Release();
          w->calendar = nullptr;
        }
      }
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  if (FAILED(OleInitialize(nullptr))) return 1;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DemoProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);

  auto demo = std::make_unique<DemoWindow>();
  RECT r{0, 0, 500, 270 + 152};
  const DWORD style = WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_THICKFRAME);
  AdjustWindowRect(&r, style, FALSE);
  HWND hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, L"Almanix Demo", style, CW_USEDEFAULT,
                              CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance,
                              demo.get());
  if (!hwnd) return 1;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);

  // As in every container: the focused control sees its keys first, then
  // the dialog navigation, then the window.
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (ControlSite::PreTranslate(&msg)) continue;
    if (IsDialogMessageW(hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  demo.reset();
  OleUninitialize();
  return static_cast<int>(msg.wParam);
}
