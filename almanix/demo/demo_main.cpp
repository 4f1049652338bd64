// AlmanixDemo: the library's controls on one window, to try them by hand.
#include <windows.h>

#include <memory>
#include <string>
#include <tuple>

#include "almanix/calendar/month_calendar.h"
#include "almanix/demo/demo_pickers.h"
#include "common/date_text.h"

namespace {

constexpr wchar_t kWindowClass[] = L"AlmanixDemoWindow";
constexpr int kMargin = 12;

enum ControlId : int {
  kIdCalendar = 100,
  kIdEmptyButton = 201,
  kIdEnabled,
  kIdMondayFirst,
};

struct DemoWindow;

// Shows the calendar's events on the status line.
class CalendarEventsText : public almanix::MonthCalendarEvents {
 public:
  explicit CalendarEventsText(DemoWindow& w) : w_(w) {}
  void Change() override;
  void MonthChanged() override;
  void YearChanged() override;
  void EmptyClicked() override;

 private:
  DemoWindow& w_;
};

struct DemoWindow {
  HWND hwnd = nullptr;
  HWND status = nullptr;
  HFONT font = nullptr;
  almanix::MonthCalendar calendar;
  CalendarEventsText calendarEvents{*this};
  almanix::demo::PickerGroup pickers;

  void SetStatus(const std::wstring& text) const { SetWindowTextW(status, text.c_str()); }
};

void CalendarEventsText::Change() {
  w_.SetStatus(L"Calendar Change: " + common::DateText(w_.calendar.Value()));
}
void CalendarEventsText::MonthChanged() {
  w_.SetStatus(L"Calendar MonthChanged: " + std::to_wstring(w_.calendar.SelectedMonth()) + L"/" +
               std::to_wstring(w_.calendar.SelectedYear()));
}
void CalendarEventsText::YearChanged() {
  w_.SetStatus(L"Calendar YearChanged: " + std::to_wstring(w_.calendar.SelectedYear()));
}
void CalendarEventsText::EmptyClicked() { w_.SetStatus(L"Calendar EmptyClicked"); }

HWND AddChild(DemoWindow& w, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy,
              int id = 0) {
  HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, w.hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), FALSE);
  return h;
}

// The month calendar with a few switches beside it. Returns the bottom edge.
int CreateCalendarGroup(DemoWindow& w, int x, int y) {
  const int groupWidth = almanix::MonthCalendar::kWidth + 2 * kMargin + 130;
  const int groupHeight = almanix::MonthCalendar::kHeight + 2 * kMargin + 12;
  AddChild(w, L"BUTTON", L"MonthCalendar", BS_GROUPBOX, x, y, groupWidth, groupHeight);
  w.calendar.Create(w.hwnd, x + kMargin, y + kMargin + 10, WS_CHILD | WS_VISIBLE | WS_TABSTOP, kIdCalendar);
  w.calendar.Events().Advise(&w.calendarEvents);

  const int optionsX = x + kMargin + almanix::MonthCalendar::kWidth + kMargin;
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
  switch (id) {
    case kIdEmptyButton: w.calendar.SetEmptyButton(checked); return true;
    case kIdEnabled: w.calendar.SetEnabled(checked); return true;
    case kIdMondayFirst: w.calendar.SetFirstDayofWeek(checked ? 2 : 0); return true;
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
      int bottom = CreateCalendarGroup(*w, kMargin, kMargin);
      bottom = w->pickers.Create(hwnd, w->font, kMargin, bottom + 8,
                                 [w](const std::wstring& text) { w->SetStatus(text); });
      w->status = AddChild(*w, L"STATIC", L"", SS_LEFT | SS_ENDELLIPSIS, kMargin, bottom + 8, 460, 18);
      return 0;
    }
    case WM_COMMAND:
      if (w && HIWORD(wp) == BN_CLICKED) {
        bool checked = SendMessageW(reinterpret_cast<HWND>(lp), BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (OnCalendarOption(*w, LOWORD(wp), checked)) return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
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
  HWND hwnd = CreateWindowExW(0, kWindowClass, L"Almanix Demo", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, demo.get());
  if (!hwnd) return 1;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
