// The selection lists' buttons and the file-type panel, on the real (hidden)
// main window with scripted prompts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using forms::testing::PromptKind;
using namespace mwtest;

class SelectionTest : public StartedWindowTest {
 protected:
  std::vector<int> Ticked() const {
    std::vector<int> out;
    for (int i = 0; i <= 12; ++i)
      if (w_->Check1[i].Value() == forms::kChecked) out.push_back(i);
    return out;
  }
};

// ---- Folder browsers ----

TEST_F(SelectionTest, FolderBrowsersStartAtWindowsThenAtTheListsLastEntry) {
  for (auto [button, list] : {std::pair{&w_->CmdBrowse1, &w_->LstDir}, std::pair{&w_->CmdBrowse, &w_->LstDirEx}}) {
    // Twice: listed twice; inside a listed one: listed too; "": cancelled.
    for (const wchar_t* answer : {L"C:\\Data", L"C:\\Data", L"C:\\Data\\Sub", L"", L"D:\\"}) {
      Ui().AnswerBrowseFolder(answer);
      button->SetValue(true);
    }
    EXPECT_EQ(Entries(*list), (Strings{L"C:\\Data", L"C:\\Data", L"C:\\Data\\Sub", L"D:\\"}));
    Strings starts;
    for (const auto& prompt : Ui().PromptsOf(PromptKind::BrowseFolder)) starts.push_back(prompt.startFolder);
    EXPECT_EQ(starts, (Strings{L"c:\\windows", L"C:\\Data", L"C:\\Data", L"C:\\Data\\Sub", L"C:\\Data\\Sub"}));
    Ui().ClearRecord();
  }
  // Each button fills its own list only.
  EXPECT_EQ(w_->LstDir.ListCount() + w_->LstDirEx.ListCount() + w_->Lstfile.ListCount(), 8);
  // A browser that cannot be created is reported and adds nothing; any
  // other failure ends the browse without a word.
  const std::pair<forms::CommandButton*, int> failures[] = {
      {&w_->CmdBrowse1, 429}, {&w_->CmdBrowse, 429}, {&w_->CmdBrowse1, 5}};
  for (auto [button, error] : failures) {
    Ui().FailBrowseFolder(error);
    ExpectMessages(error == 429);
    button->SetValue(true);
  }
  EXPECT_EQ(Messages(), (Strings{L"Please report error 429!", L"Please report error 429!"}));
  EXPECT_EQ(w_->LstDir.ListCount() + w_->LstDirEx.ListCount(), 8);
}

// ---- Files, exclusion names, removing ----

TEST_F(SelectionTest, BrowseFileAndExclusionNamesAddWhatIsChosen) {
  Ui().AnswerOpenFile({L"C:\\Data\\Report.doc"});
  Ui().AnswerOpenFile({});  // cancelled: nothing
  w_->CmdBrowseFile.SetValue(true);
  w_->CmdBrowseFile.SetValue(true);
  EXPECT_EQ(Entries(w_->Lstfile), (Strings{L"C:\\Data\\Report.doc"}));
  // Names are kept exactly as typed; a cancel adds an empty entry.
  const Strings typed = {L"Thumbs.db", L"a.doc, b.doc", L" spaced.txt ", L""};
  for (const std::wstring& answer : typed) Ui().AnswerInputBox(answer);
  for (size_t i = 0; i < typed.size(); ++i) w_->CmdFilEx.SetValue(true);
  EXPECT_EQ(Entries(w_->LstFilEx), typed);
}

TEST_F(SelectionTest, RemoveButtonsTakeWhatIsSelectedOrEverythingFromAllFourLists) {
  forms::ListBox* lists[] = {&w_->LstDir, &w_->Lstfile, &w_->LstDirEx, &w_->LstFilEx};
  w_->CmdRemoveAll.SetValue(true);  // on empty lists: nothing at all
  for (forms::CommandButton* button : {&w_->CmdRemove, &w_->cmdRemove2, &w_->CmdRemoveAll}) {
    SCOPED_TRACE(button->Name());
    for (forms::ListBox* list : lists) {
      list->Clear();
      for (const wchar_t* entry : {L"one", L"two", L"three"}) list->AddItem(entry);
    }
    w_->LstDir.SetSelected(0, true);
    w_->Lstfile.SetSelected(2, true);
    w_->LstFilEx.SetSelected(1, true);
    button->SetValue(true);
    const bool all = button == &w_->CmdRemoveAll;
    EXPECT_EQ(Entries(w_->LstDir), all ? Strings{} : Strings({L"two", L"three"}));
    EXPECT_EQ(Entries(w_->Lstfile), all ? Strings{} : Strings({L"one", L"two"}));
    EXPECT_EQ(Entries(w_->LstDirEx), all ? Strings{} : Strings({L"one", L"two", L"three"}));
    EXPECT_EQ(Entries(w_->LstFilEx), all ? Strings{} : Strings({L"one", L"three"}));
  }
  EXPECT_TRUE(Ui().Prompts().empty());
}

// ---- The file-type panel ----

TEST_F(SelectionTest, AllFilesTicksEveryTypeAndUntickingItKeepsDocAndXls) {
  EXPECT_EQ(Ticked(), (std::vector<int>{0, 1}));
  w_->Txtfiles[11].SetText(L"pdf");  // ticks its box
  w_->Check1[0].SetValue(forms::kUnchecked);
  w_->Check2.SetValue(forms::kChecked);
  EXPECT_EQ(Ticked().size(), 13u);
  EXPECT_EQ(w_->Txtfiles[11].Text(), L"pdf");  // its box was ticked already
  w_->Check2.SetValue(forms::kUnchecked);
  EXPECT_EQ(Ticked(), (std::vector<int>{0, 1}));
  for (int i = 10; i <= 12; ++i) EXPECT_EQ(w_->Txtfiles[i].Text(), L"") << i;
}

// The pattern array follows the panel: an extension ticks its box, and
// unticking a custom box empties it.
TEST_F(SelectionTest, PatternArrayFollowsThePanel) {
  w_->FillStrArray();
  EXPECT_FALSE(w_->CheckStrArray(w_->StrArray));
  for (wchar_t c : std::wstring(L"pdf")) SendMessageW(w_->Txtfiles[10].Hwnd(), WM_CHAR, c, 1);  // typed
  w_->Txtfiles[12].SetText(L"odt");
  w_->Check1[0].SetValue(forms::kUnchecked);
  w_->Check1[6].SetValue(forms::kChecked);
  w_->FillStrArray();
  for (size_t i = 0; i < w_->StrArray.size(); ++i) {
    EXPECT_EQ(w_->StrArray[i], i == 1 ? L"*.xls" : i == 6 ? L"*.pfd" : i == 10 ? L"*.pdf" : i == 12 ? L"*.odt" : L"")
        << i;
  }
  w_->Check1[12].SetValue(forms::kUnchecked);
  EXPECT_TRUE(w_->Txtfiles[12].Text().empty() && w_->Check1[12].Value() == forms::kUnchecked);
  // Other boxes leave the extensions alone.
  w_->Check1[9].SetValue(forms::kChecked);
  w_->Check1[9].SetValue(forms::kUnchecked);
  EXPECT_EQ(w_->Txtfiles[10].Text(), L"pdf");
  // A ticked "*." box with nothing typed gives "*.".
  w_->Txtfiles[10].SetText(L"");
  w_->FillStrArray();
  EXPECT_EQ(w_->StrArray[10], L"*.");
  EXPECT_EQ(w_->StrArray[12], L"");

  // Nothing ticked: an empty array, and only "*.*" lets names through.
  for (int i = 0; i <= 12; ++i) w_->Check1[i].SetValue(forms::kUnchecked);
  w_->FillStrArray();
  EXPECT_TRUE(w_->CheckStrArray(w_->StrArray));
  EXPECT_FALSE(w_->CheckFiles(w_->StrArray, L"report.doc"));
  w_->Check2.SetValue(forms::kGrayed);
  EXPECT_FALSE(w_->CheckFiles(w_->StrArray, L"report.doc"));
  w_->Check2.SetValue(forms::kChecked);
  EXPECT_TRUE(w_->CheckFiles(std::array<std::wstring, 21>{}, L"anything at all"));
}

}  // namespace
}  // namespace ferrimond
