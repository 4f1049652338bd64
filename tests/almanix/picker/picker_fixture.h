#pragma once
// A picker on the shared host window, with a recorder of its events.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "almanix/core/library_state.h"
#include "almanix/picker/date_picker.h"
#include "tests/almanix/com_test.h"
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
  void EmptyClicked(bool& cancel) override { log.push_back("EmptyClicked"), cancel = cancelEmpty; }
  void BeforeCalendarDropDown(bool& cancel) override { log.push_back("BeforeCalendarDropDown"), cancel = cancelDropDown; }
  void AfterCalendarDropDown() override { log.push_back("AfterCalendarDropDown"); }
  void BeforeCalendarCloseUp(bool&) override { log.push_back("BeforeCalendarCloseUp"); }
  void AfterCalendarCloseUp() override { log.push_back("AfterCalendarCloseUp"); }
  int Count(const std::string& name) const { return static_cast<int>(std::count(log.begin(), log.end(), name)); }
};

class PickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = CreateHostWindow();
    picker_->Events().Advise(&events_);
  }
  void TearDown() override {
    picker_.reset();
    DestroyWindow(host_);
    Pump();
  }
  // The picker at (20, 20) of the host, 150 x 24 with its 3-D border,
  // showing dd/MM/yyyy unless told otherwise, at `value`.
  HWND Create(common::DateTime value = At(2026, 3, 10), const wchar_t* pattern = L"dd/MM/yyyy") {
    HWND hwnd = picker_->Create(host_, 20, 20, 150, 24);
    EXPECT_NE(hwnd, nullptr);
    picker_->SetFormat(dtpCustom), picker_->SetCustomFormat(pattern);
    picker_->SetValue(value);
    events_.log.clear();
    return hwnd;
  }
  void Key(int vk) {
    SendMessageW(picker_->hWnd(), WM_KEYDOWN, vk, 0);
    SendMessageW(picker_->hWnd(), WM_KEYUP, vk, 0);
  }
  void Type(const wchar_t* text) {
    for (; *text; ++text) SendMessageW(picker_->hWnd(), WM_CHAR, *text, 0);
  }
  static void Click(HWND hwnd, int x, int y) {
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
  // Clicks day `date` of the dropped-down calendar's grid.
  void PickDay(common::DateTime date) {
    MonthCalendar& sc = picker_->Calendar();
    const int cell = static_cast<int>(date.Value() - sc.GridStartDate().Value());
    Click(sc.hWnd(), 4 + 28 * (cell % 7) + 14, 52 + 16 * (cell / 7) + 8);
  }
  // Waits for the commit timer of typed digits.
  void WaitForCommit() {
    EXPECT_TRUE(PumpUntil([&] {
      return std::none_of(picker_->Fields().begin(), picker_->Fields().end(),
                          [](const CDateMask& f) { return f.HasTyped(); });
    }));
  }

  HWND host_ = nullptr;
  std::unique_ptr<DatePicker> picker_ = std::make_unique<DatePicker>();
  Recorder events_;
};

}  // namespace almanix::testing
