// The file-type patterns and the exclusion tests of the walk.
#include "common/numbered_error.h"
#include "ferrimond/backup/wildcard.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/case_fold.h"

namespace ferrimond {

namespace {

constexpr int32_t kSubscriptOutOfRange = 9;

// Whole entries, without regard to case, from the last entry to the first.
bool ListHolds(const forms::ListBox& list, const std::wstring& text) {
  for (int i = list.ListCount() - 1; i >= 0; --i) {
    if (SameTextIgnoringCase(list.List(i), text)) return true;
  }
  return false;
}

}  // namespace

void Frmbackup::FillStrArray() {
  StrArray.fill(std::wstring());
  for (int i : Check1.Indexes()) {
    if (i < 0 || i >= static_cast<int>(StrArray.size())) common::Raise(kSubscriptOutOfRange);
    const forms::CheckBox& box = Check1[i];
    if (box.Value() != forms::kChecked) continue;
    if (!SameTextIgnoringCase(box.Caption(), L"*.")) {
      StrArray[i] = box.Caption();
    } else {
      StrArray[i] = L"*." + (Txtfiles.Exists(i) ? Txtfiles[i].Text() : std::wstring());
    }
  }
}

bool Frmbackup::CheckStrArray(const std::array<std::wstring, 21>& patterns) const {
  for (const std::wstring& pattern : patterns) {
    if (!pattern.empty()) return false;
  }
  return true;
}

bool Frmbackup::CheckFiles(const std::array<std::wstring, 21>& patterns,
                           const std::wstring& name) const {
  if (Check2.Value() == forms::kChecked) return true;
  // Taken apart once for the thousands of names of a walk.
  if (takenApart_.empty() || patterns != patternsTakenApart_) {
    takenApart_.clear();
    for (const std::wstring& pattern : patterns) {
      if (!pattern.empty()) takenApart_.emplace_back(pattern);
    }
    patternsTakenApart_ = patterns;
  }
  for (const WildcardPattern& pattern : takenApart_) {
    if (pattern.Matches(name)) return true;
  }
  return false;
}

bool Frmbackup::CheckFolder(const std::wstring& path) const { return ListHolds(LstDirEx, path); }

bool Frmbackup::CheckFileName(const std::wstring& name) const { return ListHolds(LstFilEx, name); }

}  // namespace ferrimond
