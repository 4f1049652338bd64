#pragma once
// A picker on a real top-level window, with a recorder of its events.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "almanix/core/library_state.h"
#include "almanix/picker/date_picker.h"
#include "tests/almanix/control_errors.h"
#include "tests/almanix/message_loop.h"
#include "tests/harness/expect.h"

namespace almanix::testing {

using harness::At;

struct Recorder : DatePickerEvents {
  std::vector<std::string> log;
  bool cancelDropDown = false, cancelEmpty = false;
  void Change() override { log.push_back("Change"); }
  void MouseDown(int16_t&, int16_t&, float&, float&) override { log.push_back("MouseDown"); }
  void MouseUp(int16_t&, int16_t&, float&, float&) override { log.push_back("MouseUp"); }
  void KeyDown(int16_t&, int16_t&) override { log.push_back("KeyDown"); }
  void KeyPress(int16_t&) override { log.push_back("KeyPress"); }
  void KeyUp(int16_t&, int16_t&) override { log.push_back("KeyUp"); }
  void EmptyClicked(bool& cancel) override { log.push_back("EmptyClicked"); cancel = cancelEmpty; }
  void BeforeCalendarDropDown(bool& cancel) override {
    log.push_back("BeforeCalendarDropDown");
    cancel = cancelDropDown;
  }
  void AfterCalendarDropDown() override { log.push_back("AfterCalendarDropDown"); }
  void BeforeCalendarCloseUp(bool&) override { log.push_back("BeforeCalendarCloseUp"); }
  void AfterCalendarCloseUp() override { log.push_back("AfterCalendarCloseUp"); }
  int Count(const std::string& name) const { return static_cast<int>(std::count(log.begin(), log.end(), name)); }
};

class PickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PickerTestHost";
    RegisterClassW(&wc);
    host_ = CreateWindowExW(0, L"PickerTestHost", L"host", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(host_);
    picker_ = std::make_unique<DatePicker>();
    picker_->Events().Advise(&events_);
  }
  void TearDown() override {
    picker_.reset();
    DestroyWindow(host_);
    Pump();
  }
  // The picker at (20, 20) of the host, 150 x 24 with its 3-D border.
  HWND Create(int x = 20, int y = 20, int w = 150, int h = 24) {
    HWND hwnd = picker_->Create(host_, x, y, w, h);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
  }
  void UseDayMonthYear() { picker_->SetFormat(dtpCustom); picker_->SetCustomFormat(L"dd/MM/yyyy"); }
  void Key(int vk) {
    SendMessageW(picker_->hWnd(), WM_KEYDOWN, vk, 0);
    SendMessageW(picker_->hWnd(), WM_KEYUP, vk, 0);
  }
  void Type(const wchar_t* text) {
    for (; *text; ++text) SendMessageW(picker_->hWnd(), WM_CHAR, *text, 0);
  }
  void Click(HWND hwnd, int x, int y) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  void ClickField(int index) {
    const CDateMask& f = picker_->Fields()[index];
    Click(picker_->hWnd(), f.Left + f.Width / 2, 5);
  }
  // The client point at the middle of one of the picker's buttons.
  POINT Centre(const wchar_t* tag) const {
    const RECT r = picker_->Button(tag)->Rect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickButton(const wchar_t* tag) { Click(picker_->hWnd(), Centre(tag).x, Centre(tag).y); }
  // Waits for the commit timer of typed digits.
  void WaitForCommit() {
    EXPECT_TRUE(PumpUntil([&] {
      for (const CDateMask& f : picker_->Fields())
        if (f.HasTyped()) return false;
      return true;
    }));
  }

  HWND host_ = nullptr;
  std::unique_ptr<DatePicker> picker_;
  Recorder events_;
};

}  // namespace almanix::testing
