#pragma once
// Process-wide pieces of the forms layer: start-up, the message loop and
// yielding, the program's folder, twips at the real DPI, OLE colours, fonts
// and mouse pointers.
#include <windows.h>

#include <cstdint>
#include <string>

namespace ferrimond::forms {

// Declares DPI awareness, registers the common controls (version 6 through
// the manifest) and initialises COM for the shell dialogs. Call once on the
// user-interface thread before the first form; later calls do nothing.
void InitializeApplication();

// Runs the message loop until EndApplication or WM_QUIT; returns the code.
int RunMessageLoop();
// Processes the messages that are pending now and returns (yielding).
void DoEvents();
// DoEvents for loops over many items: yields when the queue was last looked
// at (by any DoEvents) 15 ms ago or more, and returns at once otherwise.
// Under Wine every look at the queue is a round trip to the server (about
// 50 us); a yield per file made that a third of a folder walk, while input
// waits no longer than this for its turn.
void DoEventsPaced();
// Ends RunMessageLoop with the code.
void EndApplication(int exitCode = 0);

// The program's own file, in full.
std::wstring ProgramPath();
// The running program's folder, ending in a backslash; empty if unknown.
std::wstring AppPath();

// ---- Twips (1440 per inch) at the screen's real DPI (LOGPIXELSX/Y). ----
int DpiX();
int DpiY();
// The conversions at a given DPI, rounded half away from zero.
int TwipsToPixelsAt(int twips, int dpi);
int PixelsToTwipsAt(int pixels, int dpi);
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);
int PixelsToTwipsX(int pixels);
int PixelsToTwipsY(int pixels);
// Twips per pixel, as the runtime's Screen.TwipsPerPixelX/Y.
double TwipsPerPixelX();
double TwipsPerPixelY();
int ScreenWidthTwips();
int ScreenHeightTwips();

// ---- OLE colours: 0x80000000 + system colour index, or 0x00BBGGRR. ----
using OleColor = uint32_t;
inline constexpr OleColor kColorButtonFace = 0x8000000F;
inline constexpr OleColor kColorButtonText = 0x80000012;
inline constexpr OleColor kColorWindow = 0x80000005;
inline constexpr OleColor kColorWindowText = 0x80000008;
inline constexpr OleColor kColorInactiveCaptionText = 0x80000013;
COLORREF TranslateColor(OleColor color);
// A solid brush for the colour, cached for the life of the process.
HBRUSH BrushFor(OleColor color);

// ---- Fonts. ----
// What a font property holds (the runtime's StdFont); size in points.
struct FontSpec {
  std::wstring name;
  double size = 8.0;
  int weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  int charset = DEFAULT_CHARSET;

  bool Bold() const { return weight >= FW_BOLD; }
  bool operator==(const FontSpec&) const = default;
  // "name;size;weight;italic;underline;strikethrough;charset", for property bags.
  std::wstring ToString() const;
  // Parses ToString's form; false (and *this unchanged) when malformed.
  bool FromString(const std::wstring& text);
};
// The system message font (SPI_GETNONCLIENTMETRICS lfMessageFont): the font
// of every control unless a control sets its own.
const FontSpec& MessageFont();
HFONT MessageFontHandle();
// A font handle for the font at the screen DPI, cached for the process.
HFONT FontHandle(const FontSpec& font);

// ---- Mouse pointers, with the runtime's numbers. ----
enum class Pointer : int {
  Default = 0,
  Arrow = 1,
  Cross = 2,
  IBeam = 3,
  SizeAll = 5,
  SizeNESW = 6,
  SizeNS = 7,
  SizeNWSE = 8,
  SizeWE = 9,
  UpArrow = 10,
  Hourglass = 11,
  NoDrop = 12,
  ArrowHourglass = 13,
  ArrowQuestion = 14,
  Hand = 99,
};
// The screen's pointer overrides every window's own while it is not Default.
// Setting both back: the window's first, or the screen's change redraws the
// window's old one. Setting the same pointer again does nothing.
Pointer ScreenMousePointer();
void SetScreenMousePointer(Pointer pointer);
// The cursor for a pointer (nullptr for Default).
HCURSOR CursorFor(Pointer pointer);

// Mouse buttons and shift state as the events report them.
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftState : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };
// The shift state of the keyboard now.
int CurrentShiftState();

}  // namespace ferrimond::forms
