#include <gtest/gtest.h>

#include <functional>

#include "ferrimond/support/record_line.h"
#include "tests/harness/expect.h"

using common::DateTime;
using ferrimond::RecordReader;
using ferrimond::RecordWriter;
using harness::At;
using harness::ErrorNumberOf;

TEST(RecordLine, StatisticsLineIsWrittenAndReadBackExactly) {
  RecordWriter w;
  w.Date(At(2026, 12, 5, 19, 44, 3)).Long(1523).Long(47).Double(1234567).Long(12).String(L"E").EndRecord();
  EXPECT_EQ(w.Bytes(), "#2026-12-05 19:44:03#,1523,47,1234567,12,\"E\"\r\n");
  RecordReader r(w.Bytes());
  EXPECT_EQ(r.ReadDate(), At(2026, 12, 5, 19, 44, 3));
  EXPECT_TRUE(r.ReadLong() == 1523 && r.ReadLong() == 47 && r.ReadDouble() == 1234567.0 && r.ReadLong() == 12);
  EXPECT_EQ(r.ReadString(), L"E");
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(ErrorNumberOf([&] { r.ReadString(); }), common::ErrInputPastEnd);
}

TEST(RecordLine, DatesDropMidnightOrAnEmptyDatePart) {
  auto text = [](DateTime d) { return RecordWriter().Date(d).Bytes(); };
  EXPECT_EQ(text(At(2026, 12, 5)), "#2026-12-05#");
  EXPECT_EQ(text(DateTime(DateTime::TimeSerial(13, 1, 2))), "#13:01:02#");
  EXPECT_EQ(text(At(1899, 12, 29, 6)), "#1899-12-29 06:00:00#");
  for (DateTime d : {At(2026, 12, 5), At(2027, 2, 3, 9, 5, 7), DateTime(0.5), DateTime(0),
                     At(1899, 12, 29, 6), At(100, 1, 1), At(9999, 12, 31, 23, 59, 59)}) {
    EXPECT_EQ(RecordReader(text(d)).ReadDate(), d) << text(d);
  }
}

TEST(RecordLine, NumbersUseFifteenDigitsAndExponentsFromOneE15) {
  const struct { double value; const char* text; } cases[] = {
      {1000000, "1000000"}, {1500000000, "1500000000"}, {999999999999999, "999999999999999"},
      {1e15, "1E+15"}, {1.5e15, "1.5E+15"}, {0.5, "0.5"}, {-2.25, "-2.25"}, {0.1 + 0.2, "0.3"}, {-0.0, "0"}};
  for (const auto& c : cases) EXPECT_EQ(RecordWriter().Double(c.value).Bytes(), c.text) << c.value;
  EXPECT_EQ(RecordWriter().Long(-7).Integer(-32768).Bytes(), "-7,-32768");
  RecordReader r("1E+15,1.5E+15\r\n");
  EXPECT_EQ(r.ReadDouble(), 1e15);
  EXPECT_EQ(r.ReadDouble(), 1.5e15);
}

TEST(RecordLine, LogItemsBooleansAndSixteenBitNumbers) {
  RecordWriter w;
  w.Boolean(true).Boolean(false).Integer(32767).String(L"c:\\a, b\\c").EndRecord();
  EXPECT_EQ(w.Bytes(), "#TRUE#,#FALSE#,32767,\"c:\\a, b\\c\"\r\n");
  RecordReader r(w.Bytes());
  EXPECT_TRUE(r.ReadBoolean() && !r.ReadBoolean() && r.ReadInteger() == 32767);
  EXPECT_EQ(r.ReadString(), L"c:\\a, b\\c");  // a comma inside quotes stays
  EXPECT_EQ(RecordReader("2.5").ReadInteger(), 2);  // whole items round half to even
  EXPECT_EQ(RecordReader("3.5").ReadLong(), 4);
}

TEST(RecordLine, WrongKindsOverflowsAndShortFilesRaiseTheirNumbers) {
  const struct {
    const char* bytes;
    std::function<void(RecordReader&)> read;
    int32_t number;
  } cases[] = {
      {"32768", &RecordReader::ReadInteger, common::ErrOverflow},
      {"-32769", &RecordReader::ReadInteger, common::ErrOverflow},
      {"2147483648", &RecordReader::ReadLong, common::ErrOverflow},
      {"12", &RecordReader::ReadDate, common::ErrTypeMismatch},
      {"#2026-02-30#", &RecordReader::ReadDate, common::ErrTypeMismatch},
      {"abc", &RecordReader::ReadDouble, common::ErrTypeMismatch},
      {"1", &RecordReader::ReadBoolean, common::ErrTypeMismatch},
      {"", &RecordReader::ReadDate, common::ErrInputPastEnd},
      {"\r\n\r\n", &RecordReader::ReadDate, common::ErrInputPastEnd}};
  for (const auto& c : cases) {
    RecordReader r(c.bytes);
    EXPECT_EQ(ErrorNumberOf([&] { c.read(r); }), c.number) << c.bytes;
  }
  // An unterminated string runs to the end of the file instead of failing.
  EXPECT_EQ(RecordReader("\"abc").ReadString(), L"abc");
}

TEST(RecordLine, ItemsRunAcrossRecordsAndLinesReadWhole) {
  RecordReader r("\"a\",1\r\n\"b\",2\n\r\n  \"c\" , 3  \r\n");
  for (const wchar_t* s : {L"a", L"b", L"c"}) {
    EXPECT_EQ(r.ReadString(), s);
    EXPECT_EQ(r.ReadLong(), s[0] - L'a' + 1);
  }
  EXPECT_TRUE(r.AtEnd());
  RecordReader lines("first, line\r\n");
  EXPECT_EQ(lines.ReadLine(), L"first, line");
  EXPECT_EQ(ErrorNumberOf([&] { lines.ReadLine(); }), common::ErrInputPastEnd);
}

TEST(RecordLine, UnicodeIsUtf8AndLegacyAnsiBytesStillRead) {
  RecordWriter w;
  w.String(L"C:\\Caf\u00e9\\\u65e5\u672c").EndRecord();
  EXPECT_EQ(w.Bytes(), "\"C:\\Caf\xC3\xA9\\\xE6\x97\xA5\xE6\x9C\xAC\"\r\n");
  EXPECT_EQ(RecordReader(w.Bytes()).ReadString(), L"C:\\Caf\u00e9\\\u65e5\u672c");
  // A file written by the older program: é as the single ANSI byte 0xE9.
  EXPECT_EQ(RecordReader("\"C:\\Caf\xE9\\x.doc\"\r\n").ReadString(), L"C:\\Caf\u00e9\\x.doc");
}
