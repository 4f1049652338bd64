// The selection lists' buttons and the file-type panel, on the real (hidden)
// main window with scripted prompts.
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using forms::testing::PromptKind;
using namespace mwtest;

// The folder browsers start at Windows, then at their list's last entry;
// a browser that cannot be created is reported, any other failure ends the
// browse without a word. Files and exclusion names are added as chosen.
TEST_F(StartedWindowTest, BrowsersAndNamesAddWhatIsChosen) {
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
  const std::pair<forms::CommandButton*, int> failures[] = {
      {&w_->CmdBrowse1, 429}, {&w_->CmdBrowse, 429}, {&w_->CmdBrowse1, 5}};
  for (auto [button, error] : failures) {
    Ui().FailBrowseFolder(error);
    ExpectMessages(error == 429);
    button->SetValue(true);
  }
  EXPECT_EQ(Messages(), (Strings{L"Please report error 429!", L"Please report error 429!"}));
  EXPECT_EQ(w_->LstDir.ListCount() + w_->LstDirEx.ListCount() + w_->Lstfile.ListCount(), 8);

  Ui().AnswerOpenFile({L"C:\\Data\\Report.doc"});
  Ui().AnswerOpenFile({});  // cancelled: nothing
  w_->CmdBrowseFile.SetValue(true);
  w_->CmdBrowseFile.SetValue(true);
  EXPECT_EQ(Entries(w_->Lstfile), (Strings{L"C:\\Data\\Report.doc"}));
  // Names are kept exactly as typed; a cancel adds an empty entry.
  const Strings typed = {L"Thumbs.db", L"a.doc, b.doc", L" spaced.txt ", L""};
  for (const std::wstring& answer : typed) Ui().AnswerInputBox(answer), w_->CmdFilEx.SetValue(true);
  EXPECT_EQ(Entries(w_->LstFilEx), typed);
}

TEST_F(StartedWindowTest, RemoveButtonsTakeWhatIsSelectedOrEverythingFromAllFourLists) {
  forms::ListBox* lists[] = {&w_->LstDir, &w_->Lstfile, &w_->LstDirEx, &w_->LstFilEx};
  w_->CmdRemoveAll.SetValue(true);  // on empty lists: nothing at all
  for (forms::CommandButton* button : {&w_->CmdRemove, &w_->cmdRemove2, &w_->CmdRemoveAll}) {
    for (forms::ListBox* list : lists) {
      list->Clear();
      for (const wchar_t* entry : {L"one", L"two", L"three"}) list->AddItem(entry);
    }
    w_->LstDir.SetSelected(0, true);
    w_->Lstfile.SetSelected(2, true);
    w_->LstFilEx.SetSelected(1, true);
    button->SetValue(true);
    const bool all = button == &w_->CmdRemoveAll;
    EXPECT_EQ(Entries(w_->LstDir), all ? Strings{} : Strings({L"two", L"three"})) << button->Name();
    EXPECT_EQ(Entries(w_->Lstfile), all ? Strings{} : Strings({L"one", L"two"}));
    EXPECT_EQ(Entries(w_->LstDirEx), all ? Strings{} : Strings({L"one", L"two", L"three"}));
    EXPECT_EQ(Entries(w_->LstFilEx), all ? Strings{} : Strings({L"one", L"three"}));
  }
  EXPECT_TRUE(Ui().Prompts().empty());
}

// "*.*" ticks every type and unticking it keeps "*.doc" and "*.xls" only,
// emptying the custom boxes; an extension, typed or set, ticks its box, and
// unticking a custom box empties it. The pattern array follows the panel.
TEST_F(StartedWindowTest, TheFileTypePanelAndItsPatterns) {
  auto ticked = [&] {
    std::vector<int> out;
    for (int i = 0; i <= 12; ++i)
      if (w_->Check1[i].Value() == forms::kChecked) out.push_back(i);
    return out;
  };
  EXPECT_EQ(ticked(), (std::vector<int>{0, 1}));
  w_->FillStrArray();
  EXPECT_FALSE(w_->CheckStrArray(w_->StrArray));
  w_->Txtfiles[11].SetText(L"pdf");
  w_->Check1[0].SetValue(forms::kUnchecked);
  w_->Check2.SetValue(forms::kChecked);
  EXPECT_EQ(ticked().size(), 13u);
  EXPECT_EQ(w_->Txtfiles[11].Text(), L"pdf");  // its box was ticked already
  w_->Check2.SetValue(forms::kUnchecked);
  EXPECT_EQ(ticked(), (std::vector<int>{0, 1}));
  EXPECT_EQ(w_->Txtfiles[10].Text() + w_->Txtfiles[11].Text() + w_->Txtfiles[12].Text(), L"");

  for (wchar_t c : std::wstring(L"pdf")) SendMessageW(w_->Txtfiles[10].Hwnd(), WM_CHAR, c, 1);
  w_->Txtfiles[12].SetText(L"odt");
  w_->Check1[0].SetValue(forms::kUnchecked);
  w_->Check1[6].SetValue(forms::kChecked);
  w_->Check1[9].SetValue(forms::kChecked);  // other boxes leave the extensions alone
  w_->Check1[9].SetValue(forms::kUnchecked);
  w_->FillStrArray();
  for (size_t i = 0; i < w_->StrArray.size(); ++i) {
    EXPECT_EQ(w_->StrArray[i], i == 1 ? L"*.xls" : i == 6 ? L"*.pfd" : i == 10 ? L"*.pdf" : i == 12 ? L"*.odt" : L"")
        << i;
  }
  w_->Check1[12].SetValue(forms::kUnchecked);
  EXPECT_TRUE(w_->Txtfiles[12].Text().empty() && w_->Check1[12].Value() == forms::kUnchecked);
  // Nothing ticked: an empty array, and only "*.*" lets names through.
  for (int i = 0; i <= 12; ++i) w_->Check1[i].SetValue(forms::kUnchecked);
  w_->FillStrArray();
  EXPECT_TRUE(w_->CheckStrArray(w_->StrArray));
  w_->Check2.SetValue(forms::kGrayed);
  EXPECT_FALSE(w_->CheckFiles(w_->StrArray, L"report.doc"));
  w_->Check2.SetValue(forms::kChecked);
  EXPECT_TRUE(w_->CheckFiles(std::array<std::wstring, 21>{}, L"anything at all"));
}

}  // namespace
}  // namespace ferrimond
