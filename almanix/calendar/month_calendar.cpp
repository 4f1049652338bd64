#include "almanix/calendar/month_calendar.h"

#include <windowsx.h>

#include "almanix/core/bag_values.h"
#include "almanix/core/control_error.h"
#include "almanix/core/control_window.h"
#include "almanix/core/date_range.h"
#include "almanix/core/input.h"
#include "almanix/core/library_state.h"
#include "almanix/core/locale_names.h"
#include "common/numbered_error.h"

namespace almanix {

namespace {

constexpr wchar_t kClassName[] = L"AlmanixMonthCalendar";
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kHideMonthList = WM_APP + 1;
constexpr int kMonthListId = 100;

constexpr wchar_t kFace[] = L"Tahoma";
constexpr double kPoints = 8.5;

// Fixed geometry, client pixels.
constexpr int kGridLeft = 4, kGridTop = 52, kCellWidth = 28, kCellHeight = 16;
constexpr int kGridRight = kGridLeft + 7 * kCellWidth, kGridBottom = kGridTop + 6 * kCellHeight;
constexpr int kWeekdayTop = 36;
constexpr RECT kMonthRect{24, 5, 104, 26};
constexpr RECT kYearRect{110, 5, 144, 26};
constexpr RECT kEmptyRect{123, 156, 188, 173};
constexpr RECT kEmptyPushedRect{124, 157, 189, 174};
constexpr RECT kDateTextRect{72, 156, 192, 173};
constexpr int kMonthListHeight = 350;

enum FrameIndex { kEmpty, kToday, kLeft, kRight, kUp, kDown };

// Screen readers meet the days of the grid first, then the buttons in this
// order (Empty only while it is shown).
constexpr int kGridDays = 42;
constexpr FrameIndex kAccessibleButtons[] = {kToday, kLeft, kRight, kUp, kDown, kEmpty};
constexpr const wchar_t* kArrowNames[] = {L"Previous month", L"Next month", L"Next year", L"Previous year"};

// Persistence default of PresentDateColor: the value the old writer omitted.
constexpr OleColor kPresentDateColorBagDefault = 0xFF0000;

bool InRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

int MonthKey(int year, int month0) { return year * 12 + month0; }

}  // namespace

MonthCalendar::MonthCalendar() {
  mdc_.Resize(kWidth, kHeight);
  SetBkMode(mdc_.hdc(), TRANSPARENT);
  InitProperties();
}

MonthCalendar::~MonthCalendar() {
  Destroy();
  if (listFont_) DeleteObject(listFont_);
}

// ---------------------------------------------------------------- window

HWND MonthCalendar::Create(HWND parent, int x, int y, DWORD style, UINT id) {
  if (hwnd_) return hwnd_;
  HINSTANCE module = RegisterControlClass(kClassName, WndProc);
  HWND hwnd = CreateWindowExW(0, kClassName, L"", style | WS_CLIPCHILDREN, x, y, kWidth, kHeight, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), module, this);
  if (!hwnd) return nullptr;
  if (!enabled_) EnableWindow(hwnd, FALSE);

  cboMonth_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST,
                              kMonthRect.left, kMonthRect.top, kMonthRect.right - kMonthRect.left,
                              kMonthListHeight, hwnd,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kMonthListId)), module, nullptr);
  if (cboMonth_) {
    if (!listFont_) {
      HDC screen = GetDC(nullptr);
      int height = -MulDiv(85, GetDeviceCaps(screen, LOGPIXELSY), 720);
      ReleaseDC(nullptr, screen);
      listFont_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kFace);
    }
    SendMessageW(cboMonth_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), FALSE);
    FillMonthList();
  }
  return hwnd;
}

void MonthCalendar::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  cboMonth_ = nullptr;
}

void MonthCalendar::FillMonthList() {
  if (!cboMonth_) return;
  SendMessageW(cboMonth_, CB_RESETCONTENT, 0, 0);
  for (int m = 1; m <= 12; ++m) {
    std::wstring name = MonthName(m);
    SendMessageW(cboMonth_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageW(cboMonth_, CB_SETCURSEL, displayedMonth_, 0);
}

LRESULT CALLBACK MonthCalendar::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<MonthCalendar*>(AttachedControl(hwnd, msg, lp));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->hwnd_ = hwnd;
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->accessible_.Disconnect();
    self->hwnd_ = nullptr;
    self->cboMonth_ = nullptr;
    self->timerRunning_ = false;
    self->pressed_ = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  // Nothing may unwind through the system's message dispatch; a failing
  // event handler of a host ends only the message it was raised from.
  try {
    return self->HandleMessage(msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

LRESULT MonthCalendar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
  switch (msg) {
    case WM_GETOBJECT:
      if (LRESULT answer = accessible_.Answer(hwnd_, this, wp, lp)) return answer;
      break;
    case WM_WINDOWPOSCHANGING: {
      // The control keeps its fixed size whatever the host asks for.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      pos->cx = kWidth;
      pos->cy = kHeight;
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      DrawTo(BeginPaint(hwnd_, &ps));
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      const int16_t button = ButtonOfMessage(msg);
      if (takesFocus_ && GetFocus() != hwnd_) SetFocus(hwnd_);
      if (button == 1) SetCapture(hwnd_);
      OnMouseDown(button, ShiftState(), x, y);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(x, y);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const int16_t button = ButtonOfMessage(msg);
      if (button == 1 && GetCapture() == hwnd_) ReleaseCapture();
      OnMouseUp(button, ShiftState(), x, y);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (!trackingLeave_) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&tme) != FALSE;
      }
      OnMouseMove(ButtonsFromKeys(wp), ShiftState(), x, y);
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      if (frames_[kUp].Visible && !yearDrag_) {
        frames_[kUp].Visible = frames_[kDown].Visible = false;
        Paint();
      }
      return 0;
    case WM_CAPTURECHANGED:
      yearDrag_ = false;
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && reinterpret_cast<HWND>(wp) == hwnd_) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd_, &p);
        bool hand = HoverIcon && OverClickable(p.x, p.y);
        SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (wp == kRepeatTimer) OnTimer();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      int16_t code = static_cast<int16_t>(wp), shift = ShiftState();
      events_.Fire(&MonthCalendarEvents::KeyDown, code, shift);
      if (msg == WM_SYSKEYDOWN) break;
      return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      int16_t code = static_cast<int16_t>(wp), shift = ShiftState();
      events_.Fire(&MonthCalendarEvents::KeyUp, code, shift);
      if (msg == WM_SYSKEYUP) break;
      return 0;
    }
    case WM_CHAR: {
      int16_t ascii = static_cast<int16_t>(wp);
      events_.Fire(&MonthCalendarEvents::KeyPress, ascii);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == kMonthListId) {
        if (HIWORD(wp) == CBN_SELCHANGE) OnMonthListSelected();
        // Hidden after the notification returns: the list is still busy
        // closing while it sends it.
        if (HIWORD(wp) == CBN_CLOSEUP) PostMessageW(hwnd_, kHideMonthList, 0, 0);
        return 0;
      }
      break;
    case kHideMonthList:
      if (cboMonth_ && !SendMessageW(cboMonth_, CB_GETDROPPEDSTATE, 0, 0)) {
        bool hadFocus = GetFocus() == cboMonth_;
        ShowWindow(cboMonth_, SW_HIDE);
        if (hadFocus) SetFocus(focusOwner_ && IsWindow(focusOwner_) ? focusOwner_ : hwnd_);
      }
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

// ---------------------------------------------------------------- state

void MonthCalendar::CreateButtons() {
  HDC dc = mdc_.hdc();
  const struct {
    const wchar_t* tag;
    int32_t type, style;
    int left, top, width, height;
  } table[] = {
      {L"Empty", cftButton, cfsButtonPush, 121, 156, 65, 17},
      {L"Today", cftButton, cfsButtonPush, 16, 156, 65, 17},
      {L"Left", cftScroll, cfsScrollLeft, 4, 6, 14, 20},
      {L"Right", cftScroll, cfsScrollRight, 184, 6, 14, 20},
      {L"Up", cftScroll, cfsScrollUp, 148, 6, 16, 10},
      {L"Down", cftScroll, cfsScrollDown, 148, 16, 16, 10},
  };
  for (int i = 0; i < 6; ++i) {
    CFrame& f = frames_[i];
    f = CFrame{};
    f.Tag = table[i].tag;
    f.Init(table[i].type, table[i].style, dc, table[i].top, table[i].left, table[i].height, table[i].width);
  }
  frames_[kEmpty].State = cfsFlat;
  frames_[kToday].State = cfsFlat;
  frames_[kUp].Visible = frames_[kDown].Visible = false;
  pressed_ = nullptr;
  StopTimer();
  LayoutToday();
  ApplyEnabledToFrames();
}

void MonthCalendar::LayoutToday() {
  int left = emptyButton_ ? 16 : 4;
  frames_[kToday].Init(cftButton, cfsButtonPush, mdc_.hdc(), 156, left, 17, 65);
  todayRect_ = RECT{left, 156, left + 65, 173};
}

void MonthCalendar::ApplyEnabledToFrames() {
  for (int i : {kLeft, kRight}) {
    if (enabled_) {
      frames_[i].RemoveState(cfsInactive);
    } else {
      frames_[i].AddState(cfsInactive);
    }
  }
}

void MonthCalendar::InitProperties() {
  minDate_ = DefaultMinDate();
  maxDate_ = DefaultMaxDate();
  firstDayOfWeek_ = 0;
  presentDateColor_ = 255;
  activeMonthColor_ = kSysWindowText;
  inactiveMonthColor_ = kSysButtonFace;
  backColor_ = kSysWindow;
  headerColor_ = kSysButtonFace;
  headerForeColor_ = kSysButtonText;
  todayCaption_ = L"Today";
  emptyCaption_ = L"Empty";
  HoverIcon = true;
  enabled_ = true;
  emptyButton_ = false;
  value_ = Today();
  ShowMonthOf(value_);
  CreateButtons();
  FillMonthList();
  if (hwnd_) EnableWindow(hwnd_, TRUE);
}

void MonthCalendar::ReadProperties(const common::PropertyBag& bag) {
  CreateButtons();
  FillMonthList();
  if (!State().bLoading) {
    value_ = ReadBagDate(bag, L"Value", Today());
    HoverIcon = bag.ReadBool(L"HoverIcon", true);
    common::DateTime minDate = ReadBagDate(bag, L"MinDate", DefaultMinDate());
    common::DateTime maxDate = ReadBagDate(bag, L"MaxDate", DefaultMaxDate());
    // A bag with a reversed range keeps the default range rather than one
    // that no date satisfies.
    if (minDate > maxDate) {
      minDate = DefaultMinDate();
      maxDate = DefaultMaxDate();
    }
    minDate_ = minDate;
    maxDate_ = maxDate;
    emptyCaption_ = bag.ReadString(L"EmptyButtonCaption", L"Empty");
    todayCaption_ = bag.ReadString(L"TodayButtonCaption", L"Today");
    headerForeColor_ = ReadBagColor(bag, L"HeaderForeColor", kSysButtonText);
    int32_t first = bag.ReadLong(L"FirstDayOfWeek", 0);
    firstDayOfWeek_ = (first >= 0 && first <= 7) ? first : 0;
    activeMonthColor_ = ReadBagColor(bag, L"ActiveMonthColor", kSysWindowText);
    inactiveMonthColor_ = ReadBagColor(bag, L"InactiveMonthColor", kSysButtonFace);
    presentDateColor_ = ReadBagColor(bag, L"PresentDateColor", kPresentDateColorBagDefault);
    SetBackColor(ReadBagColor(bag, L"BackColor", kSysWindow));
    SetHeaderColor(ReadBagColor(bag, L"HeaderColor", kSysButtonFace));
    SetEnabled(bag.ReadBool(L"Enabled", true));
    SetEmptyButton(bag.ReadBool(L"EmptyButton", true));
  }
  ShowMonthOf(value_);
  Paint();
}

void MonthCalendar::WriteProperties(common::PropertyBag& bag) const {
  bag.Write(L"Value", value_.Value());
  bag.WriteWithDefault(L"HoverIcon", HoverIcon, true);
  bag.WriteWithDefault(L"MinDate", minDate_.Value(), DefaultMinDate().Value());
  bag.WriteWithDefault(L"MaxDate", maxDate_.Value(), DefaultMaxDate().Value());
  bag.WriteWithDefault(L"EmptyButtonCaption", emptyCaption_, std::wstring(L"Empty"));
  bag.WriteWithDefault(L"TodayButtonCaption", todayCaption_, std::wstring(L"Today"));
  WriteBagColor(bag, L"HeaderForeColor", headerForeColor_, kSysButtonText);
  bag.WriteWithDefault(L"FirstDayOfWeek", firstDayOfWeek_, int32_t{0});
  WriteBagColor(bag, L"ActiveMonthColor", activeMonthColor_, kSysWindowText);
  WriteBagColor(bag, L"InactiveMonthColor", inactiveMonthColor_, kSysButtonFace);
  WriteBagColor(bag, L"PresentDateColor", presentDateColor_, kPresentDateColorBagDefault);
  WriteBagColor(bag, L"BackColor", backColor_, kSysWindow);
  WriteBagColor(bag, L"HeaderColor", headerColor_, kSysButtonFace);
  bag.WriteWithDefault(L"Enabled", enabled_, true);
  bag.WriteWithDefault(L"EmptyButton", emptyButton_, true);
}

void MonthCalendar::ShowMonthOf(common::DateTime date) {
  common::DateParts p = date.Parts();
  displayedYear_ = p.year;
  displayedMonth_ = p.month - 1;
  if (cboMonth_) SendMessageW(cboMonth_, CB_SETCURSEL, displayedMonth_, 0);
}

// ---------------------------------------------------------------- properties

void MonthCalendar::SetValue(common::DateTime value) {
  RequireRepresentableDate(value);
  if (value.Value() != value_.Value()) {
    value_ = value;
    MarkChanged(L"Value");
  }
  common::DateParts p = value.Parts();
  if (displayedYear_ != p.year) displayedYear_ = p.year;
  if (displayedMonth_ != p.month - 1) {
    if (!SelectMonth(p.month - 1)) Paint();
  } else {
    Paint();
  }
  events_.Fire(&MonthCalendarEvents::Change);
}

void MonthCalendar::SetMinDate(common::DateTime value) {
  RequireRepresentableDate(value);
  if (value > maxDate_) RaiseControlError(ErrMinDateAboveMax);
  minDate_ = value;
  MarkChanged(L"MinDate");
}

void MonthCalendar::SetMaxDate(common::DateTime value) {
  RequireRepresentableDate(value);
  if (value < minDate_) RaiseControlError(ErrMaxDateBelowMin);
  maxDate_ = value;
  MarkChanged(L"MaxDate");
}

int32_t MonthCalendar::SelectedDay() const { return value_.Parts().day; }

void MonthCalendar::SetSelectedDay(int32_t day) {
  SetValue(common::DateTime::Serial(displayedYear_, displayedMonth_ + 1, day));
}

void MonthCalendar::SetSelectedMonth(int32_t month) {
  if (month < 1 || month > 12) common::Raise(common::ErrInvalidArgument, kErrorSource);
  SelectMonth(month - 1);
  MarkChanged(L"SelectedMonth");
  MarkChanged(L"Value");
}

void MonthCalendar::SetSelectedYear(int32_t year) {
  if (year < common::DateTime::kMinYear || year > common::DateTime::kMaxYear)
    common::Raise(common::ErrInvalidArgument, kErrorSource);
  displayedYear_ = year;
  MarkChanged(L"SelectedYear");
  MarkChanged(L"Value");
}

void MonthCalendar::SetFirstDayofWeek(int32_t value) {
  if (value < 0 || value > 7) common::Raise(common::ErrInvalidArgument, kErrorSource);
  firstDayOfWeek_ = value;
  MarkChanged(L"FirstDayOfWeek");
  Paint();
}

#define ALMANIX_COLOR_SETTER(Name, member) \
  void MonthCalendar::Set##Name(OleColor c) { \
    member = c; \
    MarkChanged(L## #Name); \
    Paint(); \
  }
ALMANIX_COLOR_SETTER(PresentDateColor, presentDateColor_)
ALMANIX_COLOR_SETTER(HeaderForeColor, headerForeColor_)
ALMANIX_COLOR_SETTER(HeaderColor, headerColor_)
ALMANIX_COLOR_SETTER(BackColor, backColor_)
ALMANIX_COLOR_SETTER(ActiveMonthColor, activeMonthColor_)
ALMANIX_COLOR_SETTER(InactiveMonthColor, inactiveMonthColor_)
#undef ALMANIX_COLOR_SETTER

void MonthCalendar::SetTodayButtonCaption(const std::wstring& text) {
  todayCaption_ = text;
  MarkChanged(L"TodayButtonCaption");
  Paint();
}

void MonthCalendar::SetEmptyButtonCaption(const std::wstring& text) {
  emptyCaption_ = text;
  MarkChanged(L"EmptyButtonCaption");
  Paint();
}

void MonthCalendar::SetEmptyButton(bool value) {
  if (value == emptyButton_) return;
  emptyButton_ = value;
  LayoutToday();
  Paint();
  MarkChanged(L"EmptyButton");
}

void MonthCalendar::SetEnabled(bool value) {
  enabled_ = value;
  ApplyEnabledToFrames();
  if (hwnd_) EnableWindow(hwnd_, value ? TRUE : FALSE);
  Paint();
  MarkChanged(L"Enabled");
}

CFrame* MonthCalendar::Button(std::wstring_view tag) {
  for (CFrame& f : frames_) {
    if (f.Tag == tag) return &f;
  }
  return nullptr;
}

common::DateTime MonthCalendar::GridStartDate() const {
  common::DateTime first = common::DateTime::Serial(displayedYear_, displayedMonth_ + 1, 1);
  return common::DateTime(first.Value() - (WeekdayFrom(first, firstDayOfWeek_) - 1));
}

// ---------------------------------------------------------------- painting

void MonthCalendar::Paint() {
  if (State().bLoading || !hwnd_) return;
  Render();
  HDC dc = GetDC(hwnd_);
  mdc_.BlitImage(dc);
  ReleaseDC(hwnd_, dc);
}

void MonthCalendar::DrawTo(HDC dc, int x, int y) {
  if (State().bLoading) return;
  Render();
  mdc_.BlitImage(dc, x, y);
}

void MonthCalendar::Render() {
  HDC dc = mdc_.hdc();
  mdc_.SetBackColor(backColor_);
  mdc_.Clear();
  mdc_.SetSolidBrush(kSysActiveCaption);

  // Weekday names, Sunday in red.
  mdc_.SetFont(kFace, kPoints, true);
  const int first = firstDayOfWeek_ == kUseSystemDayOfWeek ? SystemFirstDayOfWeek() : firstDayOfWeek_;
  const UINT centred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  for (int i = 0; i < 7; ++i) {
    int weekday = (first - 1 + i) % 7 + 1;
    std::wstring name = AbbrevDayName(weekday).substr(0, 2);
    mdc_.DrawText(name, kGridLeft + kCellWidth * i, kWeekdayTop, kCellWidth, kGridTop - kWeekdayTop,
                  weekday == 1 ? 255 : kSysActiveCaption, kNoColor, centred);
  }

  DrawDayGrid();

  mdc_.DrawLine(4, 51, 198, 51, kSysButtonShadow);
  mdc_.DrawLine(4, 148, 198, 148, kSysButtonShadow);
  mdc_.DrawBox(0, 0, kWidth + 4, 32, 1, headerColor_, headerColor_);

  for (int i = 0; i < 6; ++i) {
    if (FrameActive(i)) frames_[i].Paint();
  }

  mdc_.SetFont(kFace, kPoints, true);
  const int vcentre = DT_VCENTER | DT_SINGLELINE;
  auto boxText = [&](const std::wstring& text, const RECT& r, UINT flags) {
    mdc_.DrawText(text, r.left, r.top, r.right - r.left, r.bottom - r.top, headerForeColor_, kNoColor, flags);
  };
  boxText(MonthName(displayedMonth_ + 1), kMonthRect, DT_RIGHT | vcentre);
  boxText(std::to_wstring(displayedYear_), kYearRect, DT_CENTER | vcentre);

  RECT today = todayRect_;
  if (frames_[kToday].State & cfspushed) OffsetRect(&today, 1, 1);
  boxText(todayCaption_, today, centred);
  if (emptyButton_) {
    boxText(emptyCaption_, (frames_[kEmpty].State & cfspushed) ? kEmptyPushedRect : kEmptyRect, centred);
  } else {
    boxText(MediumDateText(value_), kDateTextRect, DT_RIGHT | vcentre);
  }

  RECT client{0, 0, kWidth, kHeight};
  DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  mdc_.RestoreBrush();
}

void MonthCalendar::DrawDayGrid() {
  HDC dc = mdc_.hdc();
  const double start = GridStartDate().Value();
  const double selected = value_.DatePart().Value();
  const double today = Today().Value();
  // The selection ellipse is outlined in its own colour.
  COLORREF ellipseColor = TranslateColor(kSysActiveCaption);
  HPEN pen = CreatePen(PS_SOLID, 1, ellipseColor == CLR_INVALID ? 0 : ellipseColor);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  int fontBold = -1;  // a new font only where the weight changes
  for (int n = 0; n < 42; ++n) {
    const double serial = start + n;
    if (!IsRepresentableDate(serial)) continue;
    const common::DateTime d(serial);
    const int left = kGridLeft + kCellWidth * (n % 7), top = kGridTop + kCellHeight * (n / 7);
    const int right = left + kCellWidth, bottom = top + kCellHeight;
    const common::DateParts p = d.Parts();
    OleColor color;
    bool bold = false;
    if (serial == selected) {
      Ellipse(dc, left + 2, top, right - 3, bottom);
      bold = true;
      color = kSysCaptionText;
    } else if (serial == today) {
      bold = true;
      color = presentDateColor_;
    } else {
      color = (p.month == displayedMonth_ + 1) ? activeMonthColor_ : inactiveMonthColor_;
    }
    if (fontBold != bold) {
      mdc_.SetFont(kFace, kPoints, bold);
      fontBold = bold;
    }
    mdc_.DrawText(std::to_wstring(p.day), left, top, kCellWidth, kCellHeight, color, kNoColor,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  mdc_.SetTextColor(headerForeColor_);
}

// ---------------------------------------------------------------- actions

bool MonthCalendar::SelectMonth(int index) {
  if (index < 0 || index > 11) return false;
  // Whole months are compared, so navigation can never leave the range of
  // MinDate..MaxDate (and with it the years the calendar can show).
  const common::DateParts lo = minDate_.Parts(), hi = maxDate_.Parts();
  const int key = MonthKey(displayedYear_, index);
  if (key < MonthKey(lo.year, lo.month - 1) || key > MonthKey(hi.year, hi.month - 1)) {
    if (cboMonth_) SendMessageW(cboMonth_, CB_SETCURSEL, displayedMonth_, 0);
    return false;
  }
  displayedMonth_ = index;
  if (cboMonth_) SendMessageW(cboMonth_, CB_SETCURSEL, index, 0);
  events_.Fire(&MonthCalendarEvents::MonthChanged);
  Paint();
  return true;
}

void MonthCalendar::MoveMonth(int delta) {
  const int oldYear = displayedYear_;
  int key = MonthKey(displayedYear_, displayedMonth_) + delta;
  displayedYear_ = key / 12;
  if (!SelectMonth(key % 12)) displayedYear_ = oldYear;
}

void MonthCalendar::StepYear(int delta) {
  if (delta > 0 && displayedYear_ < maxDate_.Parts().year) {
    ++displayedYear_;
  } else if (delta < 0 && displayedYear_ > minDate_.Parts().year) {
    --displayedYear_;
  } else {
    return;
  }
  Paint();
  events_.Fire(&MonthCalendarEvents::YearChanged);
}

void MonthCalendar::RunAction(CFrame& frame) {
  if (&frame == &frames_[kLeft]) {
    MoveMonth(-1);
  } else if (&frame == &frames_[kRight]) {
    MoveMonth(+1);
  } else if (&frame == &frames_[kUp]) {
    StepYear(+1);
  } else if (&frame == &frames_[kDown]) {
    StepYear(-1);
  } else if (&frame == &frames_[kToday]) {
    SetValue(Today());
  } else if (&frame == &frames_[kEmpty]) {
    if (emptyButton_) events_.Fire(&MonthCalendarEvents::EmptyClicked);
  }
}

bool MonthCalendar::FrameActive(int index) const {
  return !(index == kEmpty && !emptyButton_);
}

void MonthCalendar::PressButtonsAt(int x, int y) {
  for (int i = 0; i < 6; ++i) {
    CFrame& f = frames_[i];
    if (FrameActive(i) && f.CheckPoint(x, y)) {
      if (f.State & cfspushed) continue;
      f.AddState(cfspushed);
      RunAction(f);
      // Only the arrows repeat while held; Today and Empty act once a press.
      if (i >= kLeft) {
        pressed_ = &f;
        RestartTimer(kFirstRepeatMs);
      }
    } else if (f.State == cfspushed) {
      f.RemoveState(cfspushed);
    }
  }
}

void MonthCalendar::UpdateYearArrows(int x, int y) {
  bool show = InRect(kYearRect, x, y) || frames_[kUp].CheckPoint(x, y) || frames_[kDown].CheckPoint(x, y);
  frames_[kUp].Visible = frames_[kDown].Visible = show;
}

void MonthCalendar::OnMouseDown(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&MonthCalendarEvents::MouseDown, button, fx, fy);
  if (x >= kGridLeft && x < kGridRight && y >= kGridTop && y < kGridBottom) {
    int index = (x - kGridLeft) / kCellWidth + 7 * ((y - kGridTop) / kCellHeight);
    common::DateTime d(GridStartDate().Value() + index);
    if (IsRepresentableDate(d.Value()) && minDate_ <= d && d <= maxDate_) SetValue(d);
    events_.Fire(&MonthCalendarEvents::DateClicked);
  } else if (InRect(kMonthRect, x, y)) {
    ShowMonthList();
  } else if (InRect(kYearRect, x, y)) {
    yearDrag_ = true;
    lastDragY_ = y;
  } else if (button == 1) {
    PressButtonsAt(x, y);
  }
  UpdateYearArrows(x, y);
  Paint();
}

void MonthCalendar::OnMouseMove(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&MonthCalendarEvents::MouseMove, button, fx, fy);
  bool repaint = false;
  if (yearDrag_ && (button & 1)) {
    if (y < lastDragY_ - 2) {
      StepYear(+1);
      lastDragY_ = y;
      repaint = true;
    } else if (y > lastDragY_ + 2) {
      StepYear(-1);
      lastDragY_ = y;
      repaint = true;
    }
  }
  if (button & 1) {
    int32_t before[6];
    for (int i = 0; i < 6; ++i) before[i] = frames_[i].State;
    PressButtonsAt(x, y);
    for (int i = 0; i < 6; ++i) repaint |= before[i] != frames_[i].State;
  }
  bool arrowsBefore = frames_[kUp].Visible;
  UpdateYearArrows(x, y);
  if (yearDrag_) frames_[kUp].Visible = frames_[kDown].Visible = true;
  repaint |= arrowsBefore != frames_[kUp].Visible;
  if (repaint) Paint();
}

void MonthCalendar::OnMouseUp(int16_t button, int16_t shift, int x, int y) {
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  events_.Fire(&MonthCalendarEvents::MouseUp, button, fx, fy);
  yearDrag_ = false;
  for (CFrame& f : frames_) f.RemoveState(cfspushed);
  Paint();
}

void MonthCalendar::OnDoubleClick(int x, int y) {
  for (int i = 0; i < 6; ++i) {
    CFrame& f = frames_[i];
    if (!FrameActive(i) || !f.CheckPoint(x, y)) continue;
    f.AddState(cfspushed);
    Paint();
    Sleep(100);
    f.RemoveState(cfspushed);
    Paint();
    RunAction(f);
  }
}

void MonthCalendar::RestartTimer(UINT interval) {
  timerInterval_ = interval;
  timerRunning_ = true;
  if (hwnd_) SetTimer(hwnd_, kRepeatTimer, interval, nullptr);
}

void MonthCalendar::StopTimer() {
  timerInterval_ = kFirstRepeatMs;
  timerRunning_ = false;
  if (hwnd_) KillTimer(hwnd_, kRepeatTimer);
}

void MonthCalendar::OnTimer() {
  if (pressed_ && (pressed_->State & cfspushed)) {
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(hwnd_, &p);
    if (pressed_->CheckPoint(p.x, p.y)) {
      if (timerInterval_ != kRepeatMs) RestartTimer(kRepeatMs);
      RunAction(*pressed_);
    } else {
      pressed_->RemoveState(cfspushed);
      Paint();
    }
  } else {
    pressed_ = nullptr;
    StopTimer();
  }
}

// ---------------------------------------------------------------- month list

void MonthCalendar::ShowMonthList() {
  if (!cboMonth_) return;
  SendMessageW(cboMonth_, CB_SETCURSEL, displayedMonth_, 0);
  SetWindowPos(cboMonth_, HWND_TOP, kMonthRect.left, kMonthRect.top, kMonthRect.right - kMonthRect.left,
               kMonthListHeight, SWP_SHOWWINDOW);
  SetFocus(cboMonth_);
  SendMessageW(cboMonth_, CB_SHOWDROPDOWN, TRUE, 0);
}

void MonthCalendar::OnMonthListSelected() {
  LRESULT index = SendMessageW(cboMonth_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR || index == displayedMonth_) return;
  SelectMonth(static_cast<int>(index));
}

bool MonthCalendar::OverClickable(int x, int y) const {
  return InRect(kYearRect, x, y) || InRect(kMonthRect, x, y) || InRect(todayRect_, x, y) ||
         (emptyButton_ && frames_[kEmpty].CheckPoint(x, y));
}

// ---------------------------------------------------------------- screen readers

long MonthCalendar::AccessibleChildCount() const { return kGridDays + (emptyButton_ ? 6 : 5); }

AccessiblePart MonthCalendar::AccessiblePartOf(long child) const {
  AccessiblePart part;
  const std::wstring shown = MonthName(displayedMonth_ + 1) + L" " + std::to_wstring(displayedYear_);
  if (child == 0) {
    part.name = AccessibleName.empty() ? shown : AccessibleName;
    part.description = shown;
    part.value = LongDateText(value_);
    part.state = WindowStates(hwnd_) | (enabled_ ? 0 : STATE_SYSTEM_UNAVAILABLE);
    GetClientRect(hwnd_, &part.rect);
    return part;
  }
  if (child <= kGridDays) {
    const int n = child - 1;
    const int left = kGridLeft + kCellWidth * (n % 7), top = kGridTop + kCellHeight * (n / 7);
    part.role = ROLE_SYSTEM_LISTITEM;
    part.rect = {left, top, left + kCellWidth, top + kCellHeight};
    part.state = STATE_SYSTEM_UNAVAILABLE;
    const double serial = GridStartDate().Value() + n;
    if (!IsRepresentableDate(serial)) return part;
    const common::DateTime day(serial);
    part.name = LongDateText(day);
    if (serial == value_.DatePart().Value()) part.state |= STATE_SYSTEM_SELECTED;
    if (enabled_ && minDate_ <= day && day <= maxDate_) {
      part.state = (part.state & ~STATE_SYSTEM_UNAVAILABLE) | STATE_SYSTEM_SELECTABLE;
      part.defaultAction = L"Select";
    }
    return part;
  }
  const FrameIndex index = kAccessibleButtons[child - kGridDays - 1];
  part.role = ROLE_SYSTEM_PUSHBUTTON;
  part.rect = frames_[index].Rect();
  part.name = index == kToday ? todayCaption_ : index == kEmpty ? emptyCaption_ : kArrowNames[index - kLeft];
  part.defaultAction = L"Press";
  part.state = enabled_ ? 0 : STATE_SYSTEM_UNAVAILABLE;
  return part;
}

bool MonthCalendar::AccessibleAction(long child) {
  // A hidden calendar (a picker's, closed up) is not there to be clicked.
  if (child == 0 || !enabled_ || !hwnd_ || !IsWindowVisible(hwnd_)) return false;
  if (child > kGridDays) {
    RunAction(frames_[kAccessibleButtons[child - kGridDays - 1]]);
    return true;
  }
  // As a click on the day: selected when in range, and DateClicked.
  const common::DateTime day(GridStartDate().Value() + child - 1);
  if (!IsRepresentableDate(day.Value()) || !(minDate_ <= day && day <= maxDate_)) return false;
  SetValue(day);
  events_.Fire(&MonthCalendarEvents::DateClicked);
  return true;
}

}  // namespace almanix
