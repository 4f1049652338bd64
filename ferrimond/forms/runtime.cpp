#include "ferrimond/forms/runtime.h"

#include <commctrl.h>
#include <objbase.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "ferrimond/forms/form.h"
#include "ferrimond/forms/internal.h"

namespace ferrimond::forms {

namespace {

Pointer g_screenPointer = Pointer::Default;

int ScreenDpi(int index) {
  static int dpi[2] = {0, 0};
  int& slot = dpi[index == LOGPIXELSX ? 0 : 1];
  if (slot == 0) {
    // Measured as a DPI-aware process, or the system would answer 96.
    SetProcessDPIAware();
    HDC dc = GetDC(nullptr);
    slot = dc ? GetDeviceCaps(dc, index) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    if (slot <= 0) slot = 96;
  }
  return slot;
}

// Rounds to nearest, halves away from zero, as the runtime's conversions do.
int Scale(int value, int numerator, int denominator) {
  double exact = static_cast<double>(value) * numerator / denominator;
  return static_cast<int>(exact < 0 ? -std::floor(-exact + 0.5) : std::floor(exact + 0.5));
}

bool g_quitRequested = false;
int g_quitCode = 0;

// In milliseconds of GetTickCount64, which reads a counter the system keeps
// in the process's memory: the paced yield looks at the time for every file.
constexpr ULONGLONG kYieldPace = 15;
ULONGLONG g_lastYield = 0;
ULONGLONG g_lastPeek = 0;

}  // namespace

void InitializeApplication() {
  static bool done = false;
  if (done) return;
  done = true;
  // Declared in the manifest as well; this covers programs without it.
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  // The shell's folder picker needs an apartment on this thread, and hosted
  // ActiveX controls need OLE. Kept for the life of the process.
  OleInitialize(nullptr);
}

int RunMessageLoop() {
  MSG msg;
  while (!g_quitRequested) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return -1;
    internal::DispatchOne(msg);
  }
  g_quitRequested = false;
  return g_quitCode;
}

void DoEvents() {
  const ULONGLONG now = GetTickCount64();
  g_lastYield = now;
  // An empty queue is the common case in a run's loops: one look at its
  // state costs one round trip under Wine, an empty PeekMessage two or
  // three. A posted message counts until it is taken (QS_POSTMESSAGE alone
  // is cleared by any peek, a filtered one too). Windows takes a program
  // that has not peeked for 5 s for hung, so it peeks at least once a
  // second anyway.
  if (now - g_lastPeek < 1000 && HIWORD(GetQueueStatus(QS_ALLINPUT | QS_ALLPOSTMESSAGE)) == 0)
    return;
  g_lastPeek = now;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the outer loop.
      g_quitRequested = true;
      g_quitCode = static_cast<int>(msg.wParam);
      break;
    }
    internal::DispatchOne(msg);
  }
}

void DoEventsPaced() {
  if (GetTickCount64() - g_lastYield >= kYieldPace) DoEvents();
}

void EndApplication(int exitCode) {
  PostQuitMessage(exitCode);
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring AppPath() {
  const std::wstring path = ProgramPath();
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

int DpiX() { return ScreenDpi(LOGPIXELSX); }
int DpiY() { return ScreenDpi(LOGPIXELSY); }
int TwipsToPixelsAt(int twips, int dpi) { return Scale(twips, dpi, 1440); }
int PixelsToTwipsAt(int pixels, int dpi) { return Scale(pixels, 1440, dpi); }
int TwipsToPixelsX(int twips) { return TwipsToPixelsAt(twips, DpiX()); }
int TwipsToPixelsY(int twips) { return TwipsToPixelsAt(twips, DpiY()); }
int PixelsToTwipsX(int pixels) { return PixelsToTwipsAt(pixels, DpiX()); }
int PixelsToTwipsY(int pixels) { return PixelsToTwipsAt(pixels, DpiY()); }
double TwipsPerPixelX() { return 1440.0 / DpiX(); }
double TwipsPerPixelY() { return 1440.0 / DpiY(); }
int ScreenWidthTwips() { return PixelsToTwipsX(GetSystemMetrics(SM_CXSCREEN)); }
int ScreenHeightTwips() { return PixelsToTwipsY(GetSystemMetrics(SM_CYSCREEN)); }

COLORREF TranslateColor(OleColor color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0x00FFFFFF);
}

HBRUSH BrushFor(OleColor color) {
  // System colours get the system's own brushes, which follow theme changes.
  if (color & 0x80000000u) {
    HBRUSH brush = GetSysColorBrush(static_cast<int>(color & 0xFF));
    if (brush) return brush;
  }
  static std::map<COLORREF, HBRUSH> cache;
  COLORREF rgb = TranslateColor(color);
  auto it = cache.find(rgb);
  if (it != cache.end()) return it->second;
  HBRUSH brush = CreateSolidBrush(rgb);
  cache.emplace(rgb, brush);
  return brush;
}

std::wstring FontSpec::ToString() const {
  std::wostringstream out;
  out << name << L';' << size << L';' << weight << L';' << (italic ? 1 : 0) << L';'
      << (underline ? 1 : 0) << L';' << (strikethrough ? 1 : 0) << L';' << charset;
  return out.str();
}

bool FontSpec::FromString(const std::wstring& text) {
  std::vector<std::wstring> parts;
  std::wstring part;
  std::wistringstream in(text);
  while (std::getline(in, part, L';')) parts.push_back(part);
  if (parts.size() != 7 || parts[0].empty()) return false;
  FontSpec parsed;
  try {
    parsed.name = parts[0];
    size_t used = 0;
    parsed.size = std::stod(parts[1], &used);
    if (used != parts[1].size() || !(parsed.size > 0 && parsed.size < 2000)) return false;
    parsed.weight = std::stoi(parts[2]);
    parsed.italic = std::stoi(parts[3]) != 0;
    parsed.underline = std::stoi(parts[4]) != 0;
    parsed.strikethrough = std::stoi(parts[5]) != 0;
    parsed.charset = std::stoi(parts[6]);
  } catch (...) {
    return false;
  }
  if (parsed.weight < 0 || parsed.weight > 1000 || parsed.charset < 0 || parsed.charset > 255)
    return false;
  *this = parsed;
  return true;
}

const FontSpec& MessageFont() {
  static FontSpec message = [] {
    FontSpec font;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW lf{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      lf = metrics.lfMessageFont;
    } else {
      GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    }
    font.name = lf.lfFaceName[0] ? lf.lfFaceName : L"MS Shell Dlg 2";
    int height = lf.lfHeight < 0 ? -lf.lfHeight : (lf.lfHeight ? lf.lfHeight : 11);
    font.size = std::round(height * 72.0 / DpiY() * 4) / 4;
    font.weight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    font.italic = lf.lfItalic != 0;
    font.underline = lf.lfUnderline != 0;
    font.strikethrough = lf.lfStrikeOut != 0;
    font.charset = lf.lfCharSet;
    return font;
  }();
  return message;
}

HFONT MessageFontHandle() { return FontHandle(MessageFont()); }

HFONT FontHandle(const FontSpec& font) {
  using Key = std::tuple<std::wstring, long, int, bool, bool, bool, int>;
  static std::map<Key, HFONT> cache;
  Key key{font.name, std::lround(font.size * 100), font.weight, font.italic, font.underline,
          font.strikethrough, font.charset};
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  LOGFONTW lf{};
  lf.lfHeight = -static_cast<LONG>(std::lround(font.size * DpiY() / 72.0));
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikethrough;
  lf.lfCharSet = static_cast<BYTE>(font.charset);
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, font.name.c_str(), LF_FACESIZE);
  HFONT handle = CreateFontIndirectW(&lf);
  if (!handle) handle = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  cache.emplace(key, handle);
  return handle;
}

HCURSOR CursorFor(Pointer pointer) {
  const wchar_t* id = nullptr;
  switch (pointer) {
    case Pointer::Default: return nullptr;
    case Pointer::Arrow: id = IDC_ARROW; break;
    case Pointer::Cross: id = IDC_CROSS; break;
    case Pointer::IBeam: id = IDC_IBEAM; break;
    case Pointer::SizeAll: id = IDC_SIZEALL; break;
    case Pointer::SizeNESW: id = IDC_SIZENESW; break;
    case Pointer::SizeNS: id = IDC_SIZENS; break;
    case Pointer::SizeNWSE: id = IDC_SIZENWSE; break;
    case Pointer::SizeWE: id = IDC_SIZEWE; break;
    case Pointer::UpArrow: id = IDC_UPARROW; break;
    case Pointer::Hourglass: id = IDC_WAIT; break;
    case Pointer::NoDrop: id = IDC_NO; break;
    case Pointer::ArrowHourglass: id = IDC_APPSTARTING; break;
    case Pointer::ArrowQuestion: id = IDC_HELP; break;
    case Pointer::Hand: id = IDC_HAND; break;
  }
  return id ? LoadCursorW(nullptr, id) : nullptr;
}

Pointer ScreenMousePointer() { return g_screenPointer; }

void SetScreenMousePointer(Pointer pointer) {
  // The pointer shown follows the setting at every WM_SETCURSOR: the same
  // setting again changes nothing (and cost two round trips under Wine).
  if (pointer == g_screenPointer) return;
  g_screenPointer = pointer;
  // Show the change at once where the pointer is, without waiting for a move.
  POINT pt;
  if (GetCursorPos(&pt)) {
    HWND under = WindowFromPoint(pt);
    if (under && GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
      SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      return;
    }
  }
  if (HCURSOR cursor = CursorFor(pointer)) SetCursor(cursor);
}

int CurrentShiftState() {
  int shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
  return shift;
}

}  // namespace ferrimond::forms
