#pragma once
// CFrame: one system-drawn frame control (push button, scroll arrow,
// caption button, menu glyph) at a fixed rectangle of a device context.
#include <windows.h>

#include <cstdint>
#include <string>

namespace almanix {

// The frame kinds and state bits of DrawFrameControl.
enum cfFrameTypes : int32_t { cftCaption = 1, cftMenu = 2, cftScroll = 3, cftButton = 4 };

enum cfStyles : int32_t {
  cfsCaptionClose = 0, cfsCaptionMin = 1, cfsCaptionMax = 2, cfsCaptionRestore = 3, cfsCaptionHelp = 4,
  cfsMenuArrow = 0, cfsMenuCheck = 1, cfsMenuBullet = 2,
  cfsScrollUp = 0, cfsScrollDown = 1, cfsScrollLeft = 2, cfsScrollRight = 3, cfsScrollComboBox = 5,
  cfsScrollSizeGrip = 8,
  cfsButtonCheck = 0, cfsButtonRadioImage = 1, cfsButtonRadioMask = 2, cfsButtonRadio = 4,
  cfsButton3State = 8, cfsButtonPush = 16,
};

enum cfStates : int32_t {
  cfsInactive = 256, cfspushed = 512, cfsChecked = 1024, cfsFlat = 16384, cfsMono = -32768,
};

class CFrame {
 public:
  // Stores the kind, style and DC (not owned), then Resize.
  void Init(int32_t FType, int32_t bStyle, HDC hdc, int Top, int Left, int Height, int Width);
  // Rectangle := (Left, Top, Left + Width, Top + Height).
  void Resize(int Top, int Left, int Height, int Width);
  // Draws the frame when Visible; a disabled frame always has the inactive bit.
  void Paint() const;
  // Half-open: the right and bottom edges are outside.
  bool CheckPoint(int X, int Y) const;
  void AddState(int32_t StatetoAdd) { State |= StatetoAdd; }
  void RemoveState(int32_t StatetoRemove) { State &= ~StatetoRemove; }

  // The flags passed to DrawFrameControl.
  UINT DrawFlags() const;
  const RECT& Rect() const { return rect_; }
  HDC hdc() const { return hdc_; }
  void SetHdc(HDC hdc) { hdc_ = hdc; }

  int32_t FrameType = 0;
  int32_t Style = 0;
  int32_t State = 0;
  std::wstring Tag;
  bool Visible = true;
  bool Enabled = true;

 private:
  RECT rect_{};
  HDC hdc_ = nullptr;
};

}  // namespace almanix
