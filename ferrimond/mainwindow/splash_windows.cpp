#include "ferrimond/mainwindow/splash_windows.h"

#include <utility>

namespace ferrimond {

// A floppy disk on a blue tile, drawn at `size` pixels on the button face.
HBITMAP DrawProgramPicture(int size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  auto fill = [&](int l, int t, int r, int b, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT rc{l * size / 96, t * size / 96, r * size / 96, b * size / 96};
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
  };
  fill(0, 0, 96, 96, GetSysColor(COLOR_BTNFACE));
  {
    HBRUSH brush = CreateSolidBrush(RGB(0x1f, 0x5f, 0xa8));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, 4 * size / 96, 4 * size / 96, 92 * size / 96, 92 * size / 96, 16 * size / 96,
              16 * size / 96);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
  }
  fill(20, 18, 77, 79, RGB(0xe9, 0xee, 0xf5));  // the disk
  fill(32, 18, 65, 41, RGB(0x1f, 0x5f, 0xa8));  // shutter
  fill(52, 22, 61, 37, RGB(0xe9, 0xee, 0xf5));
  fill(28, 52, 69, 75, RGB(0xf0, 0xa0, 0x20));  // label
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

namespace {

constexpr int kSplashWidth = 5880, kSplashHeight = 1920;

}  // namespace

SplashWindow::SplashWindow(forms::UserInteraction& ui, const wchar_t* name,
                           const wchar_t* firstLine, int interval)
    : forms::Form(ui, name, L"Ferrimond", kSplashWidth, kSplashHeight,
                  forms::BorderStyle::FixedDialog),
      Label1(*this, L"Label1", {1920, 300, 3720, 435}, firstLine),
      Timer1(*this, L"Timer1", interval) {
  Image1.SetPicture(DrawProgramPicture(forms::TwipsToPixelsX(1440)));
  forms::FontSpec big = forms::MessageFont();
  big.size = 12;
  big.weight = FW_BOLD;
  Label1.SetFont(big);
  // The product's pages, blue and underlined under the pointer.
  XLinkLabel1.InitProperties();  // the default URL
  XLinkLabel1.SetCaption(kDefaultLinkUrl);
  XLinkLabel1.SetNormTextColor(0x00C00000);
  XLinkLabel1.SetHoverTextColor(0x000000FF);
  Move((forms::ScreenWidthTwips() - Width()) / 2, (forms::ScreenHeightTwips() - Height()) / 2);
  // Closed by the user, a splash would take its timer along and leave the
  // process without a window that ever ends it: it goes when its time is up.
  OnUnload = [](bool& cancel) { cancel = true; };
}

FrmSplash::FrmSplash(forms::UserInteraction& ui, std::function<void()> loadMain)
    : SplashWindow(ui, L"frmSplash", L"Welcome to Ferrimond !", 500),
      loadMain_(std::move(loadMain)) {
  Timer1.OnTimer = [this] { Timer1_Timer(); };
}

void FrmSplash::Timer1_Timer() {
  // The timer fires once: loading the main window may yield to the loop.
  Timer1.SetEnabled(false);
  if (loadMain_) loadMain_();
  Unload();
}

FrmSplashEnd::FrmSplashEnd(forms::UserInteraction& ui, std::function<void()> endProcess)
    : SplashWindow(ui, L"frmSplashEnd", L"Thank you for using Ferrimond !", 2000),
      endProcess_(std::move(endProcess)) {
  Timer1.OnTimer = [this] { Timer1_Timer(); };
}

void FrmSplashEnd::Timer1_Timer() {
  Timer1.SetEnabled(false);
  Unload();
  if (endProcess_) endProcess_();
}

}  // namespace ferrimond
