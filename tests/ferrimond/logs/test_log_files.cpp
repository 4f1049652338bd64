// Saving, loading and printing selection logs on the real (hidden) main
// window with scripted prompts; default.log at start-up; the printed page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ferrimond/forms/windows_user_interaction.h"
#include "ferrimond/logs/selection_log.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/temp_dir.h"

namespace ferrimond {
namespace {

using forms::testing::PromptKind;
using mwtest::Entries;
using Strings = std::vector<std::wstring>;

const std::wstring kFormat = L"This file does not have the right format";
const std::string kHead = [] {
  std::string head = "#FALSE#\r\n#FALSE#,#TRUE#,#FALSE#,\"5\",2\r\n";
  for (int i = 0; i < 13; ++i) head += i % 2 ? "1\r\n" : "0\r\n";
  return head;
}();

class LogFilesTest : public mwtest::StartedWindowTest {
 protected:
  std::vector<forms::ListBox*> Lists() { return {&w_->LstDir, &w_->LstDirEx, &w_->LstFilEx, &w_->Lstfile}; }
  void Fill(const Strings& entries) {
    for (forms::ListBox* list : Lists()) {
      list->Clear();
      for (const std::wstring& entry : entries) list->AddItem(list->Name() + L" " + entry);
    }
  }
  // Each list's entries without the list's name in front.
  std::vector<Strings> Contents() {
    std::vector<Strings> out;
    for (forms::ListBox* list : Lists()) {
      Strings entries = Entries(*list);
      for (std::wstring& entry : entries) entry.erase(0, entry.find(L' ') + 1);
      out.push_back(entries);
    }
    return out;
  }
  // Chooses the file in the command's dialog and answers `messages` boxes.
  void Save(const std::wstring& path, size_t messages = 0) {
    Ui().AnswerSaveFile(path);
    ExpectMessages(messages);
    w_->mnuFileSaveLog.Click();
  }
  void Load(const std::wstring& path, size_t messages = 0) {
    Ui().AnswerOpenFile({path});
    ExpectMessages(messages);
    w_->mnuFileLoadLog.Click();
  }
  void Print(const std::wstring& path, size_t messages = 0) {
    Ui().AnswerOpenFile({path});
    ExpectMessages(messages);
    w_->mnuFilePrint.Click();
  }
  int Ticks() {
    int bits = 0;
    for (int i = 0; i <= 12; ++i) bits |= w_->Check1[i].Value() << i;
    return bits;
  }

  harness::TempDir dir_;
};

TEST_F(LogFilesTest, SavingAndLoadingReversesTheListsAndRestoresTheSettings) {
  const std::wstring path = dir_ / L"mine.log";
  Fill({L"A", L"B", L"C"});
  w_->optDatePicker.SetValue(true);
  w_->txtdays.SetText(L"9");
  w_->Check2.SetValue(forms::kGrayed);
  for (int i = 0; i <= 12; ++i) w_->Check1[i].SetValue(i % 3 == 0);
  w_->mnuCloseAutomatically.Click();  // unchecked
  const int ticks = Ticks();
  Save(path);

  for (const Strings& expected : {Strings{L"C", L"B", L"A"}, Strings{L"A", L"B", L"C"}}) {
    w_->CmdRemoveAll.SetValue(true);
    w_->OptDateToday.SetValue(true);
    w_->txtdays.SetText(L"1");
    w_->Check2.SetValue(forms::kChecked);
    w_->mnuCloseAutomatically.Click();  // checked again
    Load(path);
    EXPECT_EQ(Contents(), std::vector<Strings>(4, expected));
    EXPECT_TRUE(w_->optDatePicker.Value());
    EXPECT_FALSE(w_->OptDateToday.Value());
    EXPECT_EQ(w_->txtdays.Text(), L"9");
    EXPECT_EQ(w_->Check2.Value(), forms::kGrayed);
    EXPECT_EQ(Ticks(), ticks);
    EXPECT_FALSE(w_->mnuCloseAutomatically.Checked());
    EXPECT_FALSE(w_->CloseAutomatically);
    Save(path);
  }
  for (PromptKind kind : {PromptKind::SaveFile, PromptKind::OpenFile}) {
    const forms::testing::Prompt dialog = Ui().PromptsOf(kind).front();
    EXPECT_EQ(dialog.file.filter, L"log files(*.log)|*.log|all files(*.*)|*.*");
    EXPECT_EQ(dialog.file.initialDir, kProgramFolder);
    EXPECT_EQ(dialog.file.fileName, L"");
  }
  EXPECT_TRUE(Ui().Messages().empty());
}

TEST_F(LogFilesTest, CancelledDialogsDoNothing) {
  Fill({L"A"});
  Ui().AnswerSaveFile(L"");
  Ui().AnswerOpenFile({});
  Ui().AnswerOpenFile({});
  for (forms::MenuItem* item : {&w_->mnuFileSaveLog, &w_->mnuFileLoadLog, &w_->mnuFilePrint}) item->Click();
  EXPECT_EQ(Contents(), std::vector<Strings>(4, {L"A"}));
  EXPECT_TRUE(Ui().PromptsOf(PromptKind::Print).empty());
  EXPECT_TRUE(Ui().Messages().empty());
}

TEST_F(LogFilesTest, TheExampleLogIsWrittenByteForByte) {
  w_->optDateText.SetValue(true);
  w_->Check2.SetValue(forms::kUnchecked);
  for (int i = 0; i <= 12; ++i) w_->Check1[i].SetValue(i < 2);
  w_->LstDir.AddItem(L"C:\\Documents and Settings\\User1\\My Documents");
  Save(dir_ / L"example.log");
  std::string expected = "#TRUE#\r\n#FALSE#,#TRUE#,#FALSE#,\"2\",0\r\n1\r\n1\r\n";
  for (int i = 0; i < 11; ++i) expected += "0\r\n";
  expected += "1\r\n\"C:\\Documents and Settings\\User1\\My Documents\"\r\n0\r\n0\r\n0\r\n";
  EXPECT_EQ(harness::ReadFile(dir_ / L"example.log"), expected);
}

TEST_F(LogFilesTest, ListsBeyondSixteenBitCountsComeBackWhole) {
  const int n = 40000;
  for (int i = 0; i < n; ++i) w_->Lstfile.AddItem(L"C:\\f\\" + std::to_wstring(i));
  Save(dir_ / L"big.log");
  EXPECT_NE(harness::ReadFile(dir_ / L"big.log").find("\r\n40000\r\n\"C:\\f\\39999\"\r\n"), std::string::npos);
  w_->CmdRemoveAll.SetValue(true);
  Load(dir_ / L"big.log");
  ASSERT_EQ(w_->Lstfile.ListCount(), n);
  EXPECT_EQ(w_->Lstfile.List(0), L"C:\\f\\39999");
  EXPECT_EQ(w_->Lstfile.List(n - 1), L"C:\\f\\0");
}

TEST_F(LogFilesTest, AnOldAnsiLogLoadsUnchanged) {
  // Windows-1252, CR LF, as the earlier versions wrote it.
  harness::WriteFile(dir_ / L"old.log", kHead + "1\r\n\"C:\\Daten\\M\xfcller \xa7 Co\"\r\n0\r\n1\r\n\"Thumbs.db\"\r\n0\r\n");
  Load(dir_ / L"old.log");
  EXPECT_EQ(Entries(w_->LstDir), Strings{L"C:\\Daten\\M\u00fcller \u00a7 Co"});
  EXPECT_EQ(Entries(w_->LstFilEx), Strings{L"Thumbs.db"});
  EXPECT_TRUE(w_->optDateText.Value());
  EXPECT_EQ(w_->txtdays.Text(), L"5");
  EXPECT_EQ(w_->Check2.Value(), forms::kGrayed);
  EXPECT_EQ(Ticks(), 0b0101010101010 );
  EXPECT_TRUE(Ui().Messages().empty());
}

TEST_F(LogFilesTest, DamagedLogsNeitherHangNorFloodWithMessages) {
  const std::wstring path = dir_ / L"damaged.log";
  struct Case {
    const char* name;
    std::string bytes;      // empty: a 100 MB file of zeros
    size_t prompts;
    std::vector<size_t> sizes;  // of the four lists afterwards ("keep" was in each)
  } cases[] = {
      {"empty", "", 3, {0, 0, 0, 0}},
      {"count without entries", kHead + "32000\r\n", 3, {32000, 0, 0, 0}},
      {"short list", kHead + "5\r\n\"a\"\r\n\"b\"\r\n", 3, {5, 0, 0, 0}},
      {"another program's file", "[Options]\r\nCloseAutomatically=1\r\n", 0, {1, 1, 1, 1}},
      {"binary junk", std::string("\x7f" "ELF\x02\x01\x01\x00\xff\xfe", 10), 0, {1, 1, 1, 1}},
      {"overlong entry", kHead + "1\r\n\"" + std::string(40000, 'x') + "\"\r\n", 1, {0, 1, 1, 1}},
      {"huge count", kHead + "0\r\n999999\r\n", 1, {0, 1, 1, 1}},
      {"100 MB", "", 1, {1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill({L"keep"});
    Ui().ClearRecord();
    if (c.name == std::string("100 MB")) {
      HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      LARGE_INTEGER size{};
      size.QuadPart = 100LL << 20;
      SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
      SetEndOfFile(h);
      CloseHandle(h);
    } else {
      DeleteFileW(path.c_str());
      harness::WriteFile(path, c.bytes);
    }
    const DWORD start = GetTickCount();
    Load(path, c.prompts);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(Ui().Messages(), Strings(c.prompts, kFormat));
    std::vector<size_t> sizes;
    for (forms::ListBox* list : Lists()) sizes.push_back(list->ListCount());
    EXPECT_EQ(sizes, c.sizes);
  }
}

TEST_F(LogFilesTest, DefaultLogIsAppliedAtStartUp) {
  struct Case {
    std::string bytes;
    Strings messages;
    Strings folders;
    bool closeAutomatically;
  } cases[] = {
      {"#TRUE#\r\n" + kHead.substr(9) + "2\r\n\"C:\\one\"\r\n\"C:\\two\"\r\n0\r\n0\r\n0\r\n", {},
       {L"C:\\one", L"C:\\two"}, true},
      // Cut short: "past end" a few times, the close check mark removed.
      {"", Strings(3, L"past end"), {}, false},
  };
  for (const Case& c : cases) {
    harness::WriteFile(kDefaultLog, c.bytes);
    ExpectMessages(c.messages.size());
    Frmbackup& w = Start();
    EXPECT_EQ(Ui().Messages(), c.messages);
    EXPECT_EQ(Entries(w.LstDir), c.folders);
    EXPECT_EQ(w.mnuCloseAutomatically.Checked(), c.closeAutomatically);
    EXPECT_EQ(w.CloseAutomatically, c.closeAutomatically);
    EXPECT_EQ(w.optDateText.Value(), !c.bytes.empty());
    DeleteFileW(kDefaultLog);
  }
}

TEST_F(LogFilesTest, PrintingSendsTheFileAndReportsFailures) {
  const std::wstring list = dir_ / L"12_5_2026.fnm";
  harness::WriteFile(list, "\"C:\\a.doc\"\r\n\"C:\\M\xfc.doc\"\r\n");
  Print(list);
  const auto printed = Ui().PromptsOf(PromptKind::Print);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].text, L"\"C:\\a.doc\"\r\n\"C:\\M\u00fc.doc\"\r\n\r\n");
  EXPECT_EQ(printed[0].documentName, L"12_5_2026.fnm");
  const auto dialog = Ui().PromptsOf(PromptKind::OpenFile).front().file;
  EXPECT_EQ(dialog.filter, L"log files(*.log)|*.log|recently backed up (*.fnm)|*.fnm");
  EXPECT_EQ(dialog.initialDir, L"c:\\program files\\Ferrimond\\log\\");

  struct Case {
    std::wstring file;
    bool printerMissing;
    std::wstring message;
  } cases[] = {
      {list, true, L"The file could not be printed.\r\nError 482: Application-defined or object-defined error"},
      {dir_ / L"gone.fnm", false, L"The file could not be printed.\r\nError 53: File not found"},
      {dir_ / L"no folder\\x.log", false, L"The log file could not be saved.\r\nError 76: Path not found"},
  };
  for (const Case& c : cases) {
    Ui().ClearRecord();
    if (c.printerMissing) Ui().FailPrinting();
    if (c.message.find(L"saved") != std::wstring::npos) Save(c.file, 1);
    else Print(c.file, 1);
    EXPECT_EQ(Ui().Messages(), Strings{c.message});
  }
}

// The printed page on a memory device context: long lines wrap inside the
// margins, pages break, and every line lies wholly inside its page's text
// area.
TEST(PrintedPage, WrapsAndBreaksWithNothingOutsideTheMargins) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = forms::CreatePrintFont(dc);
  HGDIOBJ old = SelectObject(dc, font);
  std::wstring text;
  for (int i = 0; i < 60; ++i)
    text += L"\"C:\\Documents and Settings\\User1\\My Documents\\Project " + std::to_wstring(i) +
            L"\\a rather long file name that cannot fit on one printed line.doc\"\r\n";
  const SIZE page{600, 800};
  const forms::PrintLayout layout = forms::LayOutPages(dc, page, text);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const RECT& area = layout.area;
  EXPECT_TRUE(area.left > 0 && area.top > 0 && area.right < page.cx && area.bottom < page.cy);

  std::wstring joined;
  for (const forms::PrintedLine& line : layout.lines) {
    const std::wstring ink = line.text.substr(0, line.text.find_last_not_of(L' ') + 1);
    SIZE extent{};
    GetTextExtentPoint32W(dc, ink.c_str(), static_cast<int>(ink.size()), &extent);
    EXPECT_LE(area.left + extent.cx, area.right) << line.text;
    EXPECT_GE(line.y, area.top);
    EXPECT_LE(line.y + tm.tmHeight, area.bottom);
    joined += line.text;
  }
  EXPECT_GE(layout.lines.size(), 120u);  // every line wrapped at least once
  EXPECT_GT(layout.lines.back().page, 1);
  std::wstring unbroken = text;
  for (size_t at; (at = unbroken.find(L"\r\n")) != std::wstring::npos;) unbroken.erase(at, 2);
  EXPECT_EQ(joined, unbroken);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
}

}  // namespace
}  // namespace ferrimond
