#pragma once
// Text rules of the backup run that need no window: where a file goes on
// the removable drive, what the progress line shows, and how the number of
// days and the seconds of a run are read and rounded.
#include <cstdint>
#include <string>

namespace ferrimond {

// The title of every message after which the run waits for another
// removable drive (full, gone, write-protected): Continue or Stop follows.
inline constexpr wchar_t kChangeDriveTitle[] = L"Change Drive";
// The message after which the run waits for a date option to be chosen.
inline constexpr wchar_t kChooseTimeText[] = L"Please choose a time from which to back up your files!";

// The folder on the removable drive that mirrors `sourceFolder`: its first
// character (the drive letter) replaced by `driveLetter`, nothing else
// changed, so "C:\" gives "E:\" and "C:\x\y" gives "E:\x\y". A network
// folder "\\server\share\x" goes to "E:\server\share\x".
std::wstring MirrorFolder(const std::wstring& sourceFolder, wchar_t driveLetter);

// The place a source file takes on any removable drive (its path without
// the drive): sources that differ only in their drive letter, or a network
// path and a local one through the same folder names, take the same place.
// Places are compared without regard to letter case, as the drive does.
std::wstring MirrorPlace(const std::wstring& sourcePath);

// The target handed to the copy for file `name` of `sourceFolder`: the
// source path and the destination folder ending in "\" (the copy keeps the
// name). A drive root already ends in "\" and gets no second one.
struct CopyTarget {
  std::wstring source;
  std::wstring destinationFolder;
};
CopyTarget MirrorTarget(const std::wstring& sourceFolder, const std::wstring& name,
                        wchar_t driveLetter);

// The status line's form of a path: paths over 60 characters show only
// their last 61.
std::wstring ProgressText(const std::wstring& path);

// The number at the start of `text` the way the runtime's Val reads it:
// blanks, tabs and line feeds anywhere are skipped, an optional sign,
// digits with "." as the decimal point and an optional exponent (E or D);
// text that does not start with a number gives 0.
double LeadingNumber(const std::wstring& text);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

// Whole seconds of a millisecond count, halves to even.
int32_t WholeSeconds(int64_t milliseconds);

// The days typed for "Backup files for last": LeadingNumber rounded half to
// even; false when it does not fit a 16-bit integer (the run's overflow).
bool DaysBackFromText(const std::wstring& text, int16_t& days);

}  // namespace ferrimond
