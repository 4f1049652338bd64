#pragma once
// A 32-bit top-down DIB section with its own DC, to read back what was drawn.
#include <windows.h>

namespace testing_dib {

class Dib {
 public:
  Dib(int width, int height, COLORREF fill = RGB(255, 0, 255)) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    Fill(fill);
  }
  ~Dib() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Dib(const Dib&) = delete;

  HDC dc() const { return dc_; }
  void Fill(COLORREF color) {
    HBRUSH b = CreateSolidBrush(color);
    RECT r{0, 0, width_, height_};
    FillRect(dc_, &r, b);
    DeleteObject(b);
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    DWORD v = static_cast<const DWORD*>(bits_)[y * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // Pixels of [left, right) x [top, bottom) for which pred(colour) holds.
  template <class Pred>
  int Count(int left, int top, int right, int bottom, Pred pred) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += pred(At(x, y)) ? 1 : 0;
    return n;
  }
  int CountColor(int left, int top, int right, int bottom, COLORREF c) const {
    return Count(left, top, right, bottom, [c](COLORREF p) { return p == c; });
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  void* bits_ = nullptr;
};

}  // namespace testing_dib
