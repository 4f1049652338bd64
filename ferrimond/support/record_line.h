#pragma once
// Record lines of the program's own text files (.sta, .tim, .fnm, .log):
// comma-separated items, strings in double quotes (not escaped), dates as
// #yyyy-mm-dd hh:mm:ss#, Booleans as #TRUE#/#FALSE#, numbers with "." as
// the decimal point, CR LF at the end of each record. Files are UTF-8 without
// BOM; bytes of older files that are not UTF-8 are read in the ANSI code page.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/ole_date.h"
#include "common/text_codec.h"

namespace ferrimond {

// Item texts as they appear inside a record.
std::wstring FormatRecordDate(common::DateTime date);  // with the # signs
std::wstring FormatRecordDouble(double value);

class RecordWriter {
 public:
  RecordWriter& String(std::wstring_view text);
  RecordWriter& Date(common::DateTime date);
  RecordWriter& Long(int32_t value);
  RecordWriter& Integer(int16_t value);
  RecordWriter& Double(double value);
  RecordWriter& Boolean(bool value);
  // Ends the record with CR LF.
  RecordWriter& EndRecord();

  // The UTF-8 bytes written so far.
  const std::string& Bytes() const { return bytes_; }

 private:
  void Item(std::wstring_view text);

  std::string bytes_;
  bool midRecord_ = false;
};

// Reads items in order, across record ends. Reading with nothing left raises
// error 62; an item of another kind raises 13; a number out of the item's
// range raises 6.
class RecordReader {
 public:
  explicit RecordReader(std::string_view bytes, common::AnsiDecoder ansi = common::Windows1252Char);

  std::wstring ReadString();
  common::DateTime ReadDate();
  int32_t ReadLong();
  int16_t ReadInteger();
  double ReadDouble();
  bool ReadBoolean();
  // The rest of the current line as it stands, without its line end.
  std::wstring ReadLine();

  // True when no item is left (only blanks and line ends remain).
  bool AtEnd() const;

 private:
  struct Field {
    std::wstring text;
    wchar_t delimiter;  // '"' or '#' for delimited items, 0 for bare ones
  };
  Field NextField();
  // Whole items are rounded half to even and checked against the range.
  double ReadNumber(bool whole, double min, double max);

  std::wstring text_;
  size_t pos_ = 0;
};

}  // namespace ferrimond
