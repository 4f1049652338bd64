// The drawing surface the controls draw with.
#include "almanix/drawing/mdc.h"
#include "tests/almanix/com_test.h"

namespace almanix::testing {
namespace {

// The controls' pictures (the contract test's) drive the surface; here, that
// a resize the system refuses keeps nothing and leaks nothing.
TEST(MemoryDC, AFailedResizeKeepsNothing) {
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  {
    cMDC mdc;
    mdc.Resize(10, 10);
    mdc.SetFont(L"Tahoma", 20);
    for (int i = 0; i < 3; ++i) mdc.Resize(60000, 60000);  // no bitmap that large
    EXPECT_TRUE(mdc.hdc() == nullptr && mdc.Width() == 0);
    mdc.Clear();  // drawing on no surface is harmless
    mdc.Resize(10, 10);
    EXPECT_NE(mdc.hdc(), nullptr);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before) << "nothing left behind";
}

}  // namespace
}  // namespace almanix::testing
