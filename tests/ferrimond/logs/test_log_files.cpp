// Selection logs on the real (hidden) main window with scripted prompts:
// save, load, print, default.log at start-up; and the printed page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ferrimond/forms/windows_user_interaction.h"
#include "ferrimond/logs/selection_log.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using forms::testing::PromptKind;
using mwtest::Entries;
using Strings = std::vector<std::wstring>;

// Flag off, "for last" 5 days, "*.*" greyed, odd file-type boxes ticked.
const std::string kHead =
    "#FALSE#\r\n#FALSE#,#TRUE#,#FALSE#,\"5\",2\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n0\r\n";

class LogFilesTest : public mwtest::StartedWindowTest {
 protected:
  std::vector<forms::ListBox*> Lists() { return {&w_->LstDir, &w_->LstDirEx, &w_->LstFilEx, &w_->Lstfile}; }
  void Fill(const Strings& entries) {
    for (forms::ListBox* list : Lists()) {
      list->Clear();
      for (const std::wstring& entry : entries) list->AddItem(list->Name() + entry);
    }
  }
  // Runs a File command whose dialog chooses `path`; answers `messages` boxes.
  void Run(forms::MenuItem& command, const std::wstring& path, size_t messages = 0) {
    if (&command == &w_->mnuFileSaveLog) Ui().AnswerSaveFile(path);
    else Ui().AnswerOpenFile(path.empty() ? Strings{} : Strings{path});
    ExpectMessages(messages);
    command.Click();
  }

  harness::TempDir dir_;
};

// Logs are written as they always were, and lists beyond a 16-bit count
// survive; loading a saved log reverses the lists and restores the settings.
TEST_F(LogFilesTest, LogsAreWrittenAsTheyAlwaysWereAndLoadingOneReversesTheListsAndRestoresTheSettings) {
  w_->optDateText.SetValue(true);
  w_->Check2.SetValue(forms::kUnchecked);
  for (int i = 0; i <= 12; ++i) w_->Check1[i].SetValue(i < 2);
  w_->LstDir.AddItem(L"C:\\Documents and Settings\\User1\\My Documents");
  Run(w_->mnuFileSaveLog, dir_ / L"example.log");
  std::string expected = "#TRUE#\r\n#FALSE#,#TRUE#,#FALSE#,\"2\",0\r\n1\r\n1\r\n";
  for (int i = 0; i < 11; ++i) expected += "0\r\n";
  expected += "1\r\n\"C:\\Documents and Settings\\User1\\My Documents\"\r\n0\r\n0\r\n0\r\n";
  EXPECT_EQ(harness::ReadFile(dir_ / L"example.log"), expected);

  // Beyond a 16-bit count.
  for (int i = 0; i < 40000; ++i) w_->Lstfile.AddItem(std::to_wstring(i));
  Run(w_->mnuFileSaveLog, dir_ / L"big.log");
  w_->CmdRemoveAll.SetValue(true);
  Run(w_->mnuFileLoadLog, dir_ / L"big.log");
  ASSERT_EQ(w_->Lstfile.ListCount(), 40000);
  EXPECT_TRUE(w_->Lstfile.List(0) == L"39999" && w_->Lstfile.List(39999) == L"0");

  // Saved and loaded again.
  const std::wstring path = dir_ / L"mine.log";
  Fill({L"A", L"B", L"C"});
  w_->optDatePicker.SetValue(true);
  w_->txtdays.SetText(L"9");
  w_->Check2.SetValue(forms::kGrayed);
  for (int i = 0; i <= 12; ++i) w_->Check1[i].SetValue(i % 3 == 0);
  w_->mnuCloseAutomatically.Click();
  Run(w_->mnuFileSaveLog, path);
  const std::string saved = harness::ReadFile(path);
  // Each load reverses the lists; the second saves the first log again.
  for (const wchar_t* order : {L"CBA", L"ABC"}) {
    w_->CmdRemoveAll.SetValue(true);
    w_->OptDateToday.SetValue(true);
    w_->txtdays.SetText(L"1");
    w_->Check2.SetValue(forms::kChecked);
    for (int i = 0; i <= 12; ++i) w_->Check1[i].SetValue(forms::kUnchecked);
    w_->mnuCloseAutomatically.Click();
    Run(w_->mnuFileLoadLog, path);
    for (forms::ListBox* list : Lists())
      EXPECT_EQ(Entries(*list), (Strings{list->Name() + order[0], list->Name() + order[1], list->Name() + order[2]}));
    // The options come back in file order, and then the day count, which
    // differs from the box's, selects "Backup files for last" as typing does.
    EXPECT_TRUE(w_->optDateText.Value() && !w_->optDatePicker.Value() && !w_->OptDateToday.Value() &&
                w_->txtdays.Text() == L"9");
    EXPECT_FALSE(w_->mnuCloseAutomatically.Checked() || w_->CloseAutomatically);
    Run(w_->mnuFileSaveLog, path);
  }
  EXPECT_EQ(harness::ReadFile(path), saved);
  // Cancelled dialogs do nothing.
  for (forms::MenuItem* command : {&w_->mnuFileSaveLog, &w_->mnuFileLoadLog, &w_->mnuFilePrint}) Run(*command, L"");
  EXPECT_TRUE(w_->LstDir.ListCount() == 3 && Ui().PromptsOf(PromptKind::Print).empty());
  for (PromptKind kind : {PromptKind::SaveFile, PromptKind::OpenFile})
    EXPECT_EQ(Ui().PromptsOf(kind).front().file.initialDir, kProgramFolder);
}

TEST_F(LogFilesTest, OldAndDamagedLogsLoadWithoutHangingOrFloodingMessagesAlsoAtStartUp) {
  const std::wstring path = dir_ / L"in.log";
  // Each: the "does not have the right format" messages, LstDir afterwards,
  // the entries left in each other list ("x" was in each), and the length
  // the file is made (sparse).
  struct Case { const char* name; std::string bytes; size_t messages; Strings folders; int othersLeft; int64_t size = 0; } cases[] = {
      // Windows-1252, CR LF, as the earlier versions wrote.
      {"old", kHead + "1\r\n\"C:\\M\xfcller \xa7 Co\"\r\n0\r\n0\r\n0\r\n", 0, {L"C:\\M\u00fcller \u00a7 Co"}, 0},
      // Reads past the end show the message three times at most; missing
      // entries come empty.
      {"empty", "", 3, {}, 0},
      {"count without entries", kHead + "32000\r\n", 3, Strings(32000), 0},
      {"short list", kHead + "3\r\n\"a\"\r\n", 3, {L"a", L"", L""}, 0},
      // Not a log: ends without a word.
      {"another program's", "[Options]\r\nCloseAutomatically=1\r\n", 0, {L"LstDirx"}, 1},
      {"binary junk", std::string("\x7f" "ELF\x02\x01\x00\xff\xfe", 9), 0, {L"LstDirx"}, 1},
      // Beyond the bounds: refused.
      {"overlong entry", kHead + "1\r\n\"" + std::string(40000, 'x') + "\"\r\n", 1, {}, 1},
      {"huge count", kHead + "200001\r\n", 1, {L"LstDirx"}, 1},
      {"100 MB", "", 1, {L"LstDirx"}, 1, 100 << 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill({L"x"});
    Ui().ClearRecord();
    harness::WriteFile(path, c.bytes);
    if (c.size) {
      HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      SetFilePointerEx(file, LARGE_INTEGER{.QuadPart = c.size}, nullptr, FILE_BEGIN);
      SetEndOfFile(file), CloseHandle(file);
    }
    const DWORD start = GetTickCount();
    Run(w_->mnuFileLoadLog, path, c.messages);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(Ui().Messages(), Strings(c.messages, L"This file does not have the right format"));
    EXPECT_EQ(Entries(w_->LstDir), c.folders);
    for (forms::ListBox* list : {&w_->LstDirEx, &w_->LstFilEx, &w_->Lstfile})
      EXPECT_EQ(list->ListCount(), c.othersLeft) << list->Name();
  }
  // A short default.log at start-up: "past end" three times at most, the
  // close check removed, and the emptied days box selects its option. (A
  // good one: the program's own test.)
  harness::WriteFile(kDefaultLog, "");
  ExpectMessages(3);
  Frmbackup& w = Start();
  EXPECT_EQ(Ui().Messages(), Strings(3, L"past end"));
  EXPECT_TRUE(Entries(w.LstDir).empty() && !w.mnuCloseAutomatically.Checked() && w.optDateText.Value());
  DeleteFileW(kDefaultLog);
}

// A log written by an older version in a double-byte code page (here
// Shift-JIS, code page 932) loads its paths as they were; lines in UTF-8
// still load as UTF-8. Runs as test_log_files_cp932, under a Japanese locale.
TEST_F(LogFilesTest, ALegacyLogInADoubleByteCodePageLoadsWholeCharacters) {
  if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932 (see test_log_files_cp932)";
  const std::wstring path = dir_ / L"old.log";
  // Two folders of drive C: in Shift-JIS; the trail byte of the last character is 0x5C, a "\\" in ASCII.
  harness::WriteFile(path, kHead + "2\r\n\"C:\\\x93\xfa\x96\x7b\\\x95\x5c\"\r\n\"C:\\\xe6\x97\xa5\"\r\n0\r\n0\r\n0\r\n");
  Run(w_->mnuFileLoadLog, path);
  EXPECT_EQ(Entries(w_->LstDir), (Strings{L"C:\\\u65e5\u672c\\\u8868", L"C:\\\u65e5"}));
}

// A printing, loading or saving that fails says which and why.
TEST_F(LogFilesTest, PrintingSendsTheFileAndReportsFailures) {
  const std::wstring list = dir_ / L"12_5_2026.fnm";
  harness::WriteFile(list, "\"C:\\a.doc\"\r\n\"C:\\M\xfc.doc\"\r\n");
  Run(w_->mnuFilePrint, list);
  const auto printed = Ui().PromptsOf(PromptKind::Print);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_TRUE(printed[0].text == L"\"C:\\a.doc\"\r\n\"C:\\M\u00fc.doc\"\r\n\r\n" && printed[0].documentName == L"12_5_2026.fnm");
  EXPECT_EQ(Ui().PromptsOf(PromptKind::OpenFile).front().file.initialDir, L"c:\\program files\\Ferrimond\\log\\");
  Ui().ClearRecord();
  Ui().FailPrinting(482);
  Run(w_->mnuFilePrint, list, 1);
  Run(w_->mnuFilePrint, dir_ / L"gone.fnm", 1);
  Run(w_->mnuFileSaveLog, dir_ / L"no folder\\x.log", 1);
  EXPECT_EQ(Ui().Messages(),
            (Strings{L"The file could not be printed.\r\nError 482: Application-defined or object-defined error",
                     L"The file could not be printed.\r\nError 53: File not found",
                     L"The log file could not be saved.\r\nError 76: Path not found"}));
}

}  // namespace
}  // namespace ferrimond
