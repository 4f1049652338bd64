#pragma once
// A calendar in a hidden top-level window, events recorded in order.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "almanix/calendar/month_calendar.h"
#include "almanix/core/library_state.h"

namespace calendar_test {

struct Recorder : almanix::MonthCalendarEvents {
  std::vector<std::wstring> log;
  int Count(const std::wstring& name) const {
    int n = 0;
    for (auto& e : log) n += e == name;
    return n;
  }
  void Change() override { log.push_back(L"Change"); }
  void MonthChanged() override { log.push_back(L"MonthChanged"); }
  void YearChanged() override { log.push_back(L"YearChanged"); }
  void DateClicked() override { log.push_back(L"DateClicked"); }
  void EmptyClicked() override { log.push_back(L"EmptyClicked"); }
  void MouseMove(int16_t&, float&, float&) override { log.push_back(L"MouseMove"); }
  void MouseDown(int16_t& b, float& x, float& y) override {
    log.push_back(L"MouseDown");
    lastButton = b;
    lastX = x;
    lastY = y;
  }
  void MouseUp(int16_t&, float&, float&) override { log.push_back(L"MouseUp"); }
  void KeyDown(int16_t& code, int16_t&) override {
    log.push_back(L"KeyDown");
    lastKey = code;
  }
  void KeyPress(int16_t& ascii) override {
    log.push_back(L"KeyPress");
    lastKey = ascii;
  }
  void KeyUp(int16_t& code, int16_t&) override { log.push_back(L"KeyUp"); }
  int16_t lastButton = 0, lastKey = 0;
  float lastX = 0, lastY = 0;
};

class CalendarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    almanix::State().bLoading = false;
    parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
    cal_ = std::make_unique<almanix::MonthCalendar>();
    ASSERT_NE(cal_->Create(parent_, 10, 10), nullptr);
    cal_->Events().Advise(&events_);
  }
  void TearDown() override {
    cal_.reset();
    DestroyWindow(parent_);
    almanix::State().bLoading = false;
  }

  HWND hwnd() const { return cal_->hWnd(); }
  void Down(int x, int y, UINT msg = WM_LBUTTONDOWN, WPARAM keys = MK_LBUTTON) {
    SendMessageW(hwnd(), msg, keys, MAKELPARAM(x, y));
  }
  void Up(int x, int y, UINT msg = WM_LBUTTONUP) { SendMessageW(hwnd(), msg, 0, MAKELPARAM(x, y)); }
  void Click(int x, int y) {
    Down(x, y);
    Up(x, y);
  }
  // Centre of grid cell n (0-41).
  static POINT Cell(int n) { return {4 + 28 * (n % 7) + 14, 52 + 16 * (n / 7) + 8}; }
  void Show(int year, int month) {
    cal_->SetSelectedYear(year);
    cal_->SetSelectedMonth(month);
    events_.log.clear();
  }
  // Dispatches messages for `ms` milliseconds.
  static void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
      DWORD elapsed = GetTickCount() - start;
      if (elapsed >= ms) break;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }

  HWND parent_ = nullptr;
  std::unique_ptr<almanix::MonthCalendar> cal_;
  Recorder events_;
};

}  // namespace calendar_test
