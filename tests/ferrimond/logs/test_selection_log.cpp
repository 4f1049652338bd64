// The log reader at the edges of what it accepts, read in the loader's order.
#include <gtest/gtest.h>

#include <string>

#include "common/numbered_error.h"
#include "ferrimond/logs/selection_log.h"

namespace ferrimond {
namespace {

const std::string kHead = [] {
  std::string head = "#TRUE#\r\n#FALSE#,#TRUE#,#FALSE#,\"2\",0\r\n";
  for (int i = 0; i < 13; ++i) head += "0\r\n";
  return head;
}();

std::string Quoted(size_t chars) {
  std::string line(chars + 2, 'x');
  line.front() = line.back() = '"';
  return line.append("\r\n");
}

// "ok", "refused" or the number of the error raised; entries read into the
// first list; prompts shown.
struct Outcome {
  std::string result;
  size_t entries = 0;
  int prompts = 0;
};

Outcome Read(const std::string& bytes) {
  Outcome out;
  try {
    SelectionLogReader log(bytes, common::Windows1252Char, [&] { ++out.prompts; });
    log.Flag();
    log.Options();
    for (int i = 0; i < 13; ++i) log.Integer();
    for (int list = 0; list < 4; ++list) {
      const int32_t count = log.Count();
      for (int32_t i = 0; i < count; ++i, out.entries += list == 0) log.Entry();
    }
    out.result = "ok";
  } catch (const LogRefused&) {
    out.result = "refused";
  } catch (const common::NumberedError& e) {
    out.result = std::to_string(e.Number());
  }
  return out;
}

TEST(SelectionLogReader, AcceptsUpToItsBoundsAndRefusesBeyond) {
  const std::string full = kHead + "1\r\n" + Quoted(kMaxLogTextChars) + "0\r\n0\r\n0\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    Outcome expected;
  } cases[] = {
      {"longest entry", full, {"ok", 1, 0}},
      {"entry a character longer", kHead + "1\r\n" + Quoted(kMaxLogTextChars + 1), {"refused", 0, 0}},
      {"largest file", full + std::string(kMaxLogBytes - full.size(), '\n'), {"ok", 1, 0}},
      {"a byte larger", full + std::string(kMaxLogBytes - full.size() + 1, '\n'), {"refused", 0, 0}},
      // Missing entries come empty; only the first reads past the end prompt.
      {"largest count, no entries", kHead + std::to_string(kMaxLogListEntries) + "\r\n",
       {"ok", size_t(kMaxLogListEntries), kMaxPastEndPrompts}},
      {"count one larger", kHead + std::to_string(kMaxLogListEntries + 1) + "\r\n", {"refused", 0, 0}},
      {"count beyond 32 bits", kHead + "4294967296\r\n", {"refused", 0, 0}},
      {"negative count", kHead + "-1\r\n", {"refused", 0, 0}},
      {"empty file", "", {"ok", 0, kMaxPastEndPrompts}},
      {"a day count beyond the bound", "#TRUE#\r\n#FALSE#,#TRUE#,#FALSE#," + Quoted(kMaxLogTextChars + 1),
       {"refused", 0, 0}},
      {"no Boolean first", "\x7f" "ELF\x02\x01\x01\0\0\r\n", {"13", 0, 0}},
  };
  for (const Case& c : cases) {
    const Outcome got = Read(c.bytes);
    EXPECT_EQ(got.result, c.expected.result) << c.name;
    EXPECT_EQ(got.entries, c.expected.entries) << c.name;
    EXPECT_EQ(got.prompts, c.expected.prompts) << c.name;
  }
}

}  // namespace
}  // namespace ferrimond
