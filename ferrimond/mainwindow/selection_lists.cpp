// The four selection lists and the buttons that fill and empty them.
#include "common/numbered_error.h"
#include "ferrimond/mainwindow/frmbackup.h"

namespace ferrimond {

namespace {

constexpr wchar_t kFirstBrowseFolder[] = L"c:\\windows";
constexpr int32_t kCannotCreateComponent = 429;
constexpr wchar_t kNoFolderBrowser[] = L"Please report error 429!";
constexpr wchar_t kExclusionPrompt[] =
    L"Please add the file name(s) that you intend to exclude from backup";

// Opens at the list's last entry, so that folders near one another are
// added one after the other.
void BrowseInto(forms::UserInteraction& ui, forms::ListBox& list) {
  try {
    const int count = list.ListCount();
    const std::wstring start = count == 0 ? std::wstring(kFirstBrowseFolder) : list.List(count - 1);
    const std::wstring chosen = ui.BrowseForFolder({}, start);
    if (!chosen.empty()) list.AddItem(chosen);
  } catch (const common::NumberedError& failure) {
    if (failure.Number() == kCannotCreateComponent) ui.MsgBox(kNoFolderBrowser);
  }
}

void RemoveSelected(forms::ListBox& list) {
  // From the last entry, so that the entries still to look at keep their
  // indexes.
  for (int i = list.ListCount() - 1; i >= 0; --i) {
    if (list.Selected(i)) list.RemoveItem(i);
  }
}

}  // namespace

void Frmbackup::BindSelectionEvents() {
  CmdBrowse1.OnClick = [this] { CmdBrowse1_Click(); };
  CmdBrowse.OnClick = [this] { CmdBrowse_Click(); };
  CmdBrowseFile.OnClick = [this] { CmdBrowseFile_Click(); };
  CmdFilEx.OnClick = [this] { CmdFilEx_Click(); };
  CmdRemove.OnClick = [this] { CmdRemove_Click(); };
  cmdRemove2.OnClick = [this] { cmdRemove2_Click(); };
  CmdRemoveAll.OnClick = [this] { CmdRemoveAll_Click(); };
  for (int i : Check1.Indexes()) Check1[i].OnClick = [this, i] { Check1_Click(i); };
  for (int i : Txtfiles.Indexes()) Txtfiles[i].OnChange = [this, i] { Txtfiles_Change(i); };
  Check2.OnClick = [this] { Check2_Click(); };
}

void Frmbackup::CmdBrowse1_Click() { BrowseInto(Ui(), LstDir); }

void Frmbackup::CmdBrowse_Click() { BrowseInto(Ui(), LstDirEx); }

void Frmbackup::CmdBrowseFile_Click() {
  // A cancelled dialog chooses nothing, and nothing is added.
  const std::vector<std::wstring> chosen = Ui().OpenFileDialog(forms::FileDialogOptions{});
  if (!chosen.empty() && !chosen.front().empty()) Lstfile.AddItem(chosen.front());
}

void Frmbackup::CmdFilEx_Click() {
  // Taken as typed, as one entry; a cancel gives an empty one.
  LstFilEx.AddItem(Ui().InputBox(kExclusionPrompt));
}

void Frmbackup::CmdRemove_Click() {
  for (forms::ListBox* list : {&LstDir, &Lstfile, &LstDirEx, &LstFilEx}) RemoveSelected(*list);
}

void Frmbackup::cmdRemove2_Click() { CmdRemove_Click(); }

void Frmbackup::CmdRemoveAll_Click() {
  for (forms::ListBox* list : {&LstDir, &Lstfile, &LstDirEx, &LstFilEx}) list->Clear();
}

}  // namespace ferrimond
