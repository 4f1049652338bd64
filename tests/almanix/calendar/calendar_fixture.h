#pragma once
// A calendar in a hidden top-level window, its events recorded in order.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/library_state.h"
#include "tests/almanix/message_loop.h"

namespace calendar_test {

struct Recorder : almanix::MonthCalendarEvents {
  int Count(const std::wstring& name) const { return static_cast<int>(std::count(log.begin(), log.end(), name)); }
  void Change() override { log.push_back(L"Change"); }
  void MonthChanged() override { log.push_back(L"MonthChanged"); }
  void YearChanged() override { log.push_back(L"YearChanged"); }
  void DateClicked() override { log.push_back(L"DateClicked"); }
  void EmptyClicked() override { log.push_back(L"EmptyClicked"); }
  void MouseDown(int16_t& b, float& x, float&) override { Note(L"MouseDown", b, x); }
  void MouseUp(int16_t& b, float& x, float&) override { Note(L"MouseUp", b, x); }
  void KeyDown(int16_t& code, int16_t&) override { Note(L"KeyDown", code); }
  void KeyPress(int16_t& ascii) override { Note(L"KeyPress", ascii); }
  void KeyUp(int16_t& code, int16_t&) override { Note(L"KeyUp", code); }
  void Note(const wchar_t* name, int16_t value, float x = 0) {
    log.push_back(name);
    last = value;
    lastX = x;
  }
  std::vector<std::wstring> log;
  int16_t last = 0;
  float lastX = 0;
};

class CalendarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    almanix::State().bLoading = false;
    parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    cal_ = std::make_unique<almanix::MonthCalendar>();
    ASSERT_NE(cal_->Create(parent_, 10, 10), nullptr);
    cal_->Events().Advise(&events_);
  }
  void TearDown() override {
    cal_.reset();
    DestroyWindow(parent_);
  }

  HWND hwnd() const { return cal_->hWnd(); }
  void Send(UINT msg, POINT p, WPARAM keys = 0) { SendMessageW(hwnd(), msg, keys, MAKELPARAM(p.x, p.y)); }
  void Click(POINT p) {
    Send(WM_LBUTTONDOWN, p, MK_LBUTTON);
    Send(WM_LBUTTONUP, p);
  }
  // Centre of grid cell n (0-41).
  static POINT Cell(int n) { return {4 + 28 * (n % 7) + 14, 52 + 16 * (n / 7) + 8}; }
  void Show(int year, int month) {
    cal_->SetSelectedYear(year);
    cal_->SetSelectedMonth(month);
    events_.log.clear();
  }
  // The year and month on show.
  std::pair<int, int> Shown() const { return {cal_->SelectedYear(), cal_->SelectedMonth()}; }
  HWND parent_ = nullptr;
  std::unique_ptr<almanix::MonthCalendar> cal_;
  Recorder events_;
};

}  // namespace calendar_test
