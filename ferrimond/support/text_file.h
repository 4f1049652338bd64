#pragma once
// Whole-file reads and writes of the program's small text files (stamps,
// statistics, per-day lists, logs). Failures raise the file-system service's
// numbered errors (53, 70, 71, 76, disk full ...).
#include <string>

#include "ferrimond/support/record_line.h"

namespace ferrimond {

std::string ReadTextFile(const std::wstring& path);
// Creates or replaces the file.
void WriteTextFile(const std::wstring& path, const std::string& bytes);
// Creates the file when it is missing and adds to its end.
void AppendTextFile(const std::wstring& path, const std::string& bytes);

// One byte of this system's ANSI code page as a character (older files).
wchar_t AnsiCodePageChar(unsigned char byte);

// A reader over a whole record file.
RecordReader ReadRecordFile(const std::wstring& path);

}  // namespace ferrimond
