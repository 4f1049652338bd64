#include "almanix/drawing/frame.h"

namespace almanix {

void CFrame::Init(int32_t FType, int32_t bStyle, HDC hdc, int Top, int Left, int Height, int Width) {
  FrameType = FType;
  Style = bStyle;
  hdc_ = hdc;
  Resize(Top, Left, Height, Width);
}

void CFrame::Resize(int Top, int Left, int Height, int Width) {
  rect_ = RECT{Left, Top, Left + Width, Top + Height};
}

UINT CFrame::DrawFlags() const {
  int32_t flags = Style | State | (Enabled ? 0 : cfsInactive);
  // The state bits are 16-bit values; cfsMono is negative as a 32-bit value
  // and would otherwise set every high bit.
  return static_cast<UINT>(flags) & 0xFFFFu;
}

void CFrame::Paint() const {
  if (!Visible || !hdc_) return;
  RECT r = rect_;
  DrawFrameControl(hdc_, &r, static_cast<UINT>(FrameType), DrawFlags());
}

bool CFrame::CheckPoint(int X, int Y) const {
  return X >= rect_.left && X < rect_.right && Y >= rect_.top && Y < rect_.bottom;
}

}  // namespace almanix
