// The pop-up's placement and the shared mouse hook, driven by real mouse
// input sent through the system's input queue.
#include "almanix/dropdown/drop_down.h"
#include "almanix/dropdown/windows_hook.h"
#include "tests/almanix/com_test.h"

namespace almanix::testing {
namespace {

// The button-down messages that reached the host window.
std::vector<UINT> hostClicks;
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) hostClicks.push_back(msg);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// The host covers (50, 50)-(550, 450) of the screen; (150, 150) is on it.
TEST(DropDown, LiftedToTheDesktopAboveTheParentAndClosedByOutsideClicksUnlessRefused) {
  RECT work{}, r;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  HWND host = CreateHostWindow(RecordingProc);
  HWND content = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, host, nullptr, nullptr, nullptr);
  cDropDown dd;
  // The parent is 21 pixels high and ends 10 pixels above the work area's
  // bottom; its right part reaches past the right edge.
  dd.Show(content, work.right - 50, work.bottom - 10, 204, 180, 21, false);
  GetWindowRect(content, &r);
  EXPECT_EQ(r.bottom, work.bottom - 31);
  EXPECT_EQ(r.right, work.right);
  EXPECT_EQ(GetAncestor(content, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetWindowLongPtrW(content, GWL_EXSTYLE) & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), WS_EX_TOOLWINDOW);
  EXPECT_FALSE(dd.Shown()) << "no auto-hide, no hook";
  EXPECT_EQ(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);
  dd.Hide();

  // Hiding itself on outside clicks: clicks inside keep it open.
  bool veto = false;
  int willHide = 0, hidden = 0;
  dd.WillHide = [&](bool& dontHide, const cMouselParam&) { ++willHide, dontHide = veto; };
  dd.HideControl = [&] { ++hidden; };
  dd.Show(content, 400, 300, 120, 100, 20, true);
  Press({450, 350}, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(dd.Shown());
  EXPECT_EQ(willHide, 0);
  veto = true;
  Press({150, 150}, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
  EXPECT_TRUE(dd.Shown()) << "WillHide said no";
  EXPECT_EQ(willHide, 1);

  // A right click on another window of the thread closes it and still
  // reaches that window.
  veto = false;
  hostClicks.clear();
  Press({150, 150}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  EXPECT_FALSE(dd.Shown() || IsWindowVisible(content));
  EXPECT_EQ(hidden, 1);
  EXPECT_EQ(hostClicks, std::vector<UINT>{WM_RBUTTONDOWN});
  EXPECT_EQ(mWindowsHook::InstalledHook(WH_MOUSE), nullptr);
  DestroyWindow(content), DestroyWindow(host);
  Pump();
}

}  // namespace
}  // namespace almanix::testing
