#include "ferrimond/logs/selection_log.h"

#include "common/numbered_error.h"

namespace ferrimond {

namespace {

// A line that is not UTF-8 is decoded whole in the ANSI code page, then
// handed on in UTF-8, which the record reader takes as it is.
std::string WithinBounds(std::string_view bytes, common::AnsiLineDecoder ansi) {
  if (bytes.size() > kMaxLogBytes) throw LogRefused();
  return common::Utf8FromWide(common::WideFromLines(bytes, ansi));
}

}  // namespace

std::string FormatSelectionLog(const SelectionLog& log) {
  RecordWriter out;
  out.Boolean(log.closeAutomatically).EndRecord();
  out.Boolean(log.dateToday)
      .Boolean(log.dateText)
      .Boolean(log.datePicker)
      .String(log.days)
      .Integer(log.allFiles)
      .EndRecord();
  for (int16_t value : log.fileTypes) out.Integer(value).EndRecord();
  for (const std::vector<std::wstring>& list : log.lists) {
    out.Long(static_cast<int32_t>(list.size())).EndRecord();
    for (auto entry = list.rbegin(); entry != list.rend(); ++entry) out.String(*entry).EndRecord();
  }
  return out.Bytes();
}

SelectionLogReader::SelectionLogReader(std::string_view bytes, common::AnsiLineDecoder ansi,
                                       std::function<void()> pastEnd)
    : reader_(WithinBounds(bytes, ansi)), pastEnd_(std::move(pastEnd)) {}

bool SelectionLogReader::ItemLeft() {
  // Once at the end, always at the end: a count of missing entries costs no
  // scan of the file's tail per entry.
  if (!ended_ && reader_.AtEnd()) ended_ = true;
  if (!ended_) return true;
  if (pastEndReads_++ < kMaxPastEndPrompts && pastEnd_) pastEnd_();
  return false;
}

std::wstring SelectionLogReader::Bounded(std::wstring text) {
  if (text.size() > kMaxLogTextChars) throw LogRefused();
  return text;
}

std::optional<bool> SelectionLogReader::Flag() {
  if (!ItemLeft()) return std::nullopt;
  return reader_.ReadBoolean();
}

LogOptionLine SelectionLogReader::Options() {
  LogOptionLine line;
  if (!ItemLeft()) return line;
  // The line is one read: its first missing item is the read past the end,
  // and the items after it stay empty.
  line.dateToday = reader_.ReadBoolean();
  if (!ItemLeft()) return line;
  line.dateText = reader_.ReadBoolean();
  if (!ItemLeft()) return line;
  line.datePicker = reader_.ReadBoolean();
  if (!ItemLeft()) return line;
  line.days = Bounded(reader_.ReadString());
  if (!ItemLeft()) return line;
  line.allFiles = reader_.ReadInteger();
  return line;
}

int16_t SelectionLogReader::Integer() {
  if (!ItemLeft()) return 0;
  return reader_.ReadInteger();
}

int32_t SelectionLogReader::Count() {
  if (!ItemLeft()) return 0;
  int32_t count = 0;
  try {
    count = reader_.ReadLong();
  } catch (const common::NumberedError& e) {
    if (e.Number() == common::ErrOverflow) throw LogRefused();
    throw;
  }
  // A list box never reports a negative count.
  if (count < 0 || count > kMaxLogListEntries) throw LogRefused();
  return count;
}

std::wstring SelectionLogReader::Entry() {
  if (!ItemLeft()) return {};
  return Bounded(reader_.ReadString());
}

}  // namespace ferrimond
