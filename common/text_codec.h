#pragma once
// Text of the record files: written as UTF-8 without BOM, read as UTF-8 with
// bytes that are not valid UTF-8 taken in the ANSI code page (older files).
#include <string>
#include <string_view>

namespace common {

// One byte of the ANSI code page as a character.
using AnsiDecoder = wchar_t (*)(unsigned char);

// Windows-1252, the default where no system code page is at hand.
wchar_t Windows1252Char(unsigned char byte);

// UTF-8 of the text. Lone UTF-16 surrogates (possible in NTFS names) are kept
// in the generalised 3-byte form so that they read back unchanged.
std::string Utf8FromWide(std::wstring_view text);

// Decodes UTF-8; each byte that does not begin a well-formed sequence is
// decoded on its own through `ansi`.
std::wstring WideFromBytes(std::string_view bytes, AnsiDecoder ansi = Windows1252Char);

// A whole line (without its line end) in the ANSI code page. The Windows
// build passes one that asks the system, so that double-byte code pages
// (Shift-JIS, GBK, Korean, Big5) decode their characters whole.
using AnsiLineDecoder = std::wstring (*)(std::string_view line);

// Windows-1252, byte by byte.
std::wstring Windows1252Line(std::string_view line);

// Decodes line by line: a line that is well-formed UTF-8 as UTF-8, any
// other as a whole through `ansi`. Line ends (LF, CR LF) are kept.
std::wstring WideFromLines(std::string_view bytes, AnsiLineDecoder ansi = Windows1252Line);

}  // namespace common
