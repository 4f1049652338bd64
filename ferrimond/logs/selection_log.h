#pragma once
// Selection logs (.log): the user's backup settings as record lines.
//
//   line 1      close the program automatically after a run (Boolean)
//   line 2      "from today", "for last", "since" options (Booleans), the
//               day count's text (string), the "*.*" box (whole number)
//   lines 3-15  the 13 file-type boxes, in index order (whole numbers)
//   then        for the folders, excluded folders, excluded names and single
//               files, in this order: the entry count, then the entries from
//               the last to the first (one string a line)
//
// Whole numbers were 16-bit in the program's earlier versions, so a count
// stopped at 32,767. A longer list is written the same way, its count simply
// being the larger decimal number: what fits in 16 bits stays byte for byte
// as before, and an earlier version refuses the larger count (overflow)
// instead of misreading the file. Counts are read as 32-bit numbers here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_codec.h"
#include "ferrimond/support/record_line.h"

namespace ferrimond {

inline constexpr wchar_t kDefaultLog[] = L"C:\\Program files\\Ferrimond\\default.log";

// What a log may hold at most. A hand-kept selection is a few dozen entries;
// these bounds are far above that and keep a damaged or hostile file from
// taking the program's memory or time (under Wine a list box takes 0.7 s for
// 200,000 entries and 10 s for a million).
inline constexpr size_t kMaxLogBytes = 32u << 20;
inline constexpr int32_t kMaxLogListEntries = 200000;
inline constexpr size_t kMaxLogTextChars = 32767;  // the longest path Windows handles

// At most this many reads past the end of a log are reported per load. A
// short file would otherwise bring one modal message for every value it
// lacks, which a large count turns into thousands; three tell the user
// enough, and the rest of the load goes on without them.
inline constexpr int kMaxPastEndPrompts = 3;

// The settings a log holds. Lists are in the order the list boxes show them.
struct SelectionLog {
  bool closeAutomatically = false;
  bool dateToday = false;
  bool dateText = false;
  bool datePicker = false;
  std::wstring days;
  int16_t allFiles = 0;
  std::array<int16_t, 13> fileTypes{};
  // Folders, excluded folders, excluded file names, single files.
  std::array<std::vector<std::wstring>, 4> lists;
};

// The file's bytes: UTF-8 without BOM, CR LF line ends.
std::string FormatSelectionLog(const SelectionLog& log);

// A log beyond the bounds above, or with a negative count: refused.
class LogRefused : public std::runtime_error {
 public:
  LogRefused() : std::runtime_error("selection log beyond the accepted bounds") {}
};

// Line 2 as one read: an item past the end, and the items after it, stay
// empty.
struct LogOptionLine {
  bool dateToday = false;
  bool dateText = false;
  bool datePicker = false;
  std::wstring days;
  int16_t allFiles = 0;
};

// Reads a log in the order the loader applies it, one read at a time, so
// that a fault leaves whatever was applied before it in place. A read that
// finds the file at its end gives the empty value (false, 0, "") and calls
// `pastEnd` (for the first kMaxPastEndPrompts such reads only). An item of
// the wrong kind raises the record reader's numbered error; anything beyond
// the bounds raises LogRefused.
class SelectionLogReader {
 public:
  SelectionLogReader(std::string_view bytes, common::AnsiLineDecoder ansi, std::function<void()> pastEnd);

  // Line 1; none past the end (the caller decides what stands instead).
  std::optional<bool> Flag();
  LogOptionLine Options();
  // A file-type box's value.
  int16_t Integer();
  // A list's count: 0 to kMaxLogListEntries.
  int32_t Count();
  std::wstring Entry();

  int PastEndReads() const { return pastEndReads_; }

 private:
  // True when an item is left; otherwise counts a read past the end.
  bool ItemLeft();
  static std::wstring Bounded(std::wstring text);

  RecordReader reader_;
  std::function<void()> pastEnd_;
  int pastEndReads_ = 0;
  bool ended_ = false;
};

}  // namespace ferrimond
