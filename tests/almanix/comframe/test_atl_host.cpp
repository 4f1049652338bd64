// A real container: Wine's ATL control host places both controls in a
// window; keys typed into the picker raise Change through a connection point.
#include "tests/almanix/com_test.h"

namespace almanix::testing {
namespace {

// Keys as the keyboard sends them, through the system's input queue.
void TypeKeys(const std::vector<WORD>& keys) {
  for (WORD vk : keys) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Pump();
  }
}

TEST_F(RegisteredTest, WinesAtlContainerHostsBothControlsAndTheTypedValueRaisesChange) {
  HMODULE atl = LoadLibraryW(L"atl.dll");
  ASSERT_NE(atl, nullptr);
  auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  auto getControl = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
      reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  ASSERT_TRUE(init && getControl && init());

  HWND host = CreateHostWindow();
  auto place = [&](const wchar_t* progId, int y, int w, int h) {
    return CreateWindowExW(0, L"AtlAxWin", progId, WS_CHILD | WS_VISIBLE, 10, y, w, h, host, nullptr, nullptr, nullptr);
  };
  HWND pickerBox = place(L"Almanix.DatePicker", 10, 160, 24), calendarBox = place(L"Almanix.MonthCalendar", 50, 250, 200);
  ComPtr<IUnknown> picker, calendar;
  ASSERT_EQ(getControl(pickerBox, &picker), S_OK);
  ASSERT_EQ(getControl(calendarBox, &calendar), S_OK);

  HWND pickerWindow = WindowOf(picker.Get()), calendarWindow = WindowOf(calendar.Get());
  ASSERT_TRUE(pickerWindow && calendarWindow);
  EXPECT_EQ(GetParent(pickerWindow), pickerBox);
  RECT r;
  GetWindowRect(pickerWindow, &r);
  EXPECT_EQ(r.right - r.left, 160) << "laid out through SetObjectRects";
  GetWindowRect(calendarWindow, &r);
  EXPECT_EQ(r.right - r.left, 204) << "the calendar keeps its size";
  EXPECT_EQ(r.bottom - r.top, 180);

  ComPtr<_DatePicker> dual;
  ASSERT_EQ(picker.As(&dual), S_OK);
  ASSERT_EQ(PutProperty(dual.Get(), L"CustomFormat", TextVariant(L"dd/MM/yyyy")), S_OK);
  dual->put_Format(::dtpCustom);
  ASSERT_EQ(dual->put_Value(DateVariant(Date(2026, 3, 10))), S_OK);

  HostSink sink;
  sink.Connect(picker.Get(), DIID___DatePicker);
  SetFocus(pickerWindow);
  ASSERT_EQ(GetFocus(), pickerWindow);
  TypeKeys({'1', '5'});
  EXPECT_EQ(sink.Count(6), 2) << "KeyPress for each digit";
  ASSERT_TRUE(PumpUntil([&] { return sink.Count(1) > 0; })) << "Change after the typing pause";
  TypeKeys({VK_RIGHT, VK_UP});
  EXPECT_EQ(GetProperty(dual.Get(), L"Value").date, Date(2026, 4, 15)) << "day typed, then the month stepped";
  EXPECT_EQ(sink.Count(1), 2);
  sink.Disconnect();

  dual.Reset(), picker.Reset(), calendar.Reset();
  DestroyWindow(host);
  Pump();
  EXPECT_EQ(library.CanUnloadNow(), S_OK) << "the container released both controls";
}

}  // namespace
}  // namespace almanix::testing
