// Record lines, the sorted list, fields of paths, temporary copy names and
// the date tag of the day's files.
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "ferrimond/mainwindow/date_tag.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/list.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/strings.h"
#include "tests/harness/expect.h"

using namespace ferrimond;
using common::DateTime;
using harness::At;
using harness::ErrorNumberOf;
using Texts = std::vector<std::wstring>;

// (The log files' tests hold a whole log's bytes: flags, quoted entries and
// counts.)
TEST(RecordLine, ItemsAreWrittenAsTheyAlwaysWereAndReadBackExactly) {
  RecordWriter w;
  w.Date(At(2026, 12, 5, 19, 44, 3)).Long(1523).Long(47).Double(1234567).Long(12).String(L"E").EndRecord();
  w.Boolean(false).Integer(-32768).String(L"c:\\a, b\\C\u00e9\u65e5").EndRecord();
  EXPECT_EQ(w.Bytes(), "#2026-12-05 19:44:03#,1523,47,1234567,12,\"E\"\r\n"
                      "#FALSE#,-32768,\"c:\\a, b\\C\xC3\xA9\xE6\x97\xA5\"\r\n");
  RecordReader r(w.Bytes());
  EXPECT_TRUE(r.ReadDate() == At(2026, 12, 5, 19, 44, 3) && r.ReadLong() == 1523 && r.ReadLong() == 47 &&
              r.ReadDouble() == 1234567.0 && r.ReadLong() == 12 && r.ReadString() == L"E");
  EXPECT_TRUE(!r.ReadBoolean() && r.ReadInteger() == -32768);
  // A comma inside quotes stays.
  EXPECT_TRUE(r.ReadString() == L"c:\\a, b\\C\u00e9\u65e5" && r.AtEnd());
  EXPECT_EQ(ErrorNumberOf([&] { r.ReadString(); }), common::ErrInputPastEnd);
  // Dates drop midnight or an empty date part; numbers use fifteen digits
  // and exponents from 1E+15.
  auto text = [](DateTime d) { return RecordWriter().Date(d).Bytes(); };
  EXPECT_EQ(text(At(2026, 12, 5)) + text(DateTime(DateTime::TimeSerial(13, 1, 2))) + text(At(1899, 12, 29, 6)),
            "#2026-12-05##13:01:02##1899-12-29 06:00:00#");
  for (DateTime d : {At(2026, 12, 5), At(2027, 2, 3, 9, 5, 7), DateTime(0.5), DateTime(0),
                     At(1899, 12, 29, 6), At(100, 1, 1), At(9999, 12, 31, 23, 59, 59)}) {
    EXPECT_EQ(RecordReader(text(d)).ReadDate(), d) << text(d);
  }
  const struct { double value; const char* text; } cases[] = {
      {1500000000, "1500000000"}, {999999999999999, "999999999999999"}, {1e15, "1E+15"}, {1.5e15, "1.5E+15"},
      {-2.25, "-2.25"}, {0.1 + 0.2, "0.3"}, {-0.0, "0"}};
  for (const auto& c : cases) EXPECT_EQ(RecordWriter().Double(c.value).Bytes(), c.text) << c.value;
  RecordReader exponents("1E+15,1.5E+15\r\n");
  EXPECT_TRUE(exponents.ReadDouble() == 1e15 && exponents.ReadDouble() == 1.5e15);
  EXPECT_EQ(RecordReader("2.5").ReadInteger(), 2);  // whole items round half to even
  EXPECT_EQ(RecordReader("3.5").ReadLong(), 4);
}

// Items run across records and blank lines; a line reads whole; wrong kinds,
// overflows and short files raise their numbers.
TEST(RecordLine, ReadsRunAcrossRecordsAndFailuresRaiseTheirNumbers) {
  using R = RecordReader;
  const std::tuple<const char*, std::function<void(R&)>, int32_t> cases[] = {
      {"32768", &R::ReadInteger, common::ErrOverflow}, {"-32769", &R::ReadInteger, common::ErrOverflow},
      {"2147483648", &R::ReadLong, common::ErrOverflow}, {"12", &R::ReadDate, common::ErrTypeMismatch},
      {"#2026-02-30#", &R::ReadDate, common::ErrTypeMismatch}, {"abc", &R::ReadDouble, common::ErrTypeMismatch},
      {"1", &R::ReadBoolean, common::ErrTypeMismatch}, {"", &R::ReadDate, common::ErrInputPastEnd},
      {"\r\n\r\n", &R::ReadDate, common::ErrInputPastEnd},
      {"first, line\r\n", [](R& r) { EXPECT_EQ(r.ReadLine(), L"first, line"); r.ReadLine(); },
       common::ErrInputPastEnd},
      {"\"a\",1\r\n\"b\",2\n\r\n  \"c\" , 3  \r\n",
       [](R& r) {
         for (const wchar_t* s : {L"a", L"b", L"c"}) EXPECT_TRUE(r.ReadString() == s && r.ReadLong() == s[0] - L'a' + 1);
         EXPECT_TRUE(r.AtEnd());
       },
       0}};
  for (const auto& [bytes, read, number] : cases) {
    R r(bytes);
    EXPECT_EQ(ErrorNumberOf(std::bind_front(read, std::ref(r))), number) << bytes;
  }
  // An unterminated string runs to the end of the file instead of failing.
  EXPECT_EQ(RecordReader("\"abc").ReadString(), L"abc");
}

// A duplicate goes in front of its equals and a delete takes the first,
// while entries a caller holds live on. The index must give exactly the
// chain the linear search would build, in ascending character-code order
// (upper case before lower, "" first).
TEST(List, DuplicatesAndDeletesMatchAReferenceModelAndALongChainIsReleased) {
  List list;
  const auto values = [&list] {
    Texts out;
    for (auto item = list.Head(); item; item = item->NextItem) out.push_back(item->Value);
    return out;
  };
  list.Add(L"a");
  const auto first = list.Head();
  list.Add(L"b");
  list.Add(L"a");
  const auto second = list.Head();
  EXPECT_TRUE(second != first && second->NextItem == first);
  EXPECT_TRUE(list.Delete(L"a") && list.Head() == first && second->Value == L"a");
  EXPECT_TRUE(list.Delete(L"a") && values() == Texts{L"b"});
  list.Delete(L"b");
  std::mt19937 rng(42);
  Texts model;
  for (int step = 0; step < 4000; ++step) {
    std::wstring v(rng() % 4, L'a');
    for (auto& c : v) c = L"Bab"[rng() % 3];
    if (rng() % 3 == 0) {
      auto it = std::lower_bound(model.begin(), model.end(), v);
      const bool present = it != model.end() && *it == v;
      if (present) model.erase(it);
      ASSERT_EQ(list.Delete(v), present);
    } else {
      model.insert(std::lower_bound(model.begin(), model.end(), v), v);
      list.Add(v);
    }
  }
  EXPECT_EQ(values(), model);
  EXPECT_EQ(list.Count(), model.size());
  // Releasing a long chain at the end does not recurse.
  for (int i = 0; i < 300000; ++i) list.Add(std::to_wstring(1000000 + i));
}

// A field past the last is empty, a text without a delimiter is its own
// every field, and every delimiter counts as the first. (The upload splits
// paths through the same field reader.)
TEST(Strings, GetFieldSplitsPathsAtAnyOfItsDelimiters) {
  const std::wstring path = L"E:\\Documents and Settings\\User1\\My Documents\\Letters";
  const struct { std::wstring text; int field; const wchar_t* delimiters; std::wstring out; } fields[] = {
      {path, 5, L"\\", L"Letters"}, {path, 6, L"\\", L""}, {L"E:", 4, L"\\", L"E:"}, {L"a\\\\c", 2, L"\\", L""},
      {L"a/b\\c", 3, L"\\/", L"c"}};
  for (const auto& c : fields) EXPECT_EQ(GetField(c.text, c.field, c.delimiters), c.out) << c.field;
}

TEST(PartialCopyName, EndsInTheSuffixWithinTheNameLimitAndIsRecognisedInAnyCase) {
  const std::wstring suffix(kPartialCopySuffix), smiley = L"\xD83D\xDE00";
  const size_t room = kMaxNameLength - suffix.size();
  const std::pair<std::wstring, std::wstring> made[] = {{L"readme.", L"readme."},
              {std::wstring(kMaxNameLength, L'b'), std::wstring(room, L'b')},
              // A surrogate pair at the cut goes whole or stays whole.
              {std::wstring(room - 1, L'c') + smiley, std::wstring(room - 1, L'c')},
              {std::wstring(room - 4, L'c') + smiley + L"x", std::wstring(room - 4, L'c') + smiley},
              // Three bytes each in UTF-8, as Unix file systems count.
              {std::wstring(100, L'\x65e5'), std::wstring(room / 3, L'\x65e5')}};
  for (const auto& [name, base] : made) EXPECT_EQ(PartialCopyName(name), base + suffix) << name.size();
  for (const wchar_t* yes : {L"a.txt.ferrimond-part", L"A.TXT.Ferrimond-PART"}) EXPECT_TRUE(IsPartialCopyName(yes));
  for (const wchar_t* no : {L".ferrimond-part", L"a.ferrimond-part.txt", L"a.ferrimond-partial", L"aferrimond-part"})
    EXPECT_FALSE(IsPartialCopyName(no));
}

TEST(DateTag, TakesTheShortDateAroundItsSlashesElseTheDateNumbers) {
  const DateTime nye = DateTime::Serial(2004, 12, 31);
  EXPECT_EQ(MakeDateTag(L"12/31/2004", nye), L"12_31_2004");
  // A day-first locale keeps its own order, as earlier runs named their files.
  EXPECT_EQ(MakeDateTag(L"31/12/2004", nye), L"31_12_2004");
  // No usable slashes, or a name the file system would refuse.
  for (const wchar_t* text : {L"31.12.2004", L"2004-12-31", L"12/31", L"", L"12/31/2004/x", L"12/31/04:x"}) {
    EXPECT_EQ(MakeDateTag(text, nye), L"12_31_2004") << std::string(text, text + wcslen(text));
  }
  EXPECT_EQ(MakeDateTag(L"05.01.2026", DateTime::Serial(2026, 1, 5)), L"1_5_2026");
}
