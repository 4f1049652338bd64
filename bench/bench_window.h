#pragma once
// The main window as the benchmarks drive it: hidden, prompts answered by a
// script, process hooks that do nothing, and the prefix's own program
// folder put aside for the benchmark's life.
#include <windows.h>

#include <string>

#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/temp_dir.h"

namespace bench {

class ProgramFolderAside {
 public:
  ProgramFolderAside() : moved_(MoveFileW(ferrimond::kProgramFolder, aside_.c_str()) != 0) {}
  ~ProgramFolderAside() {
    harness::RemoveTree(ferrimond::kProgramFolder);
    if (moved_) MoveFileW(aside_.c_str(), ferrimond::kProgramFolder);
  }
  ProgramFolderAside(const ProgramFolderAside&) = delete;
  ProgramFolderAside& operator=(const ProgramFolderAside&) = delete;

 private:
  const std::wstring aside_ = std::wstring(ferrimond::kProgramFolder) + L".before-bench";
  const bool moved_;
};

inline ferrimond::ProcessHooks QuietHooks() {
  ferrimond::ProcessHooks hooks;
  hooks.anotherInstanceRunning = [] { return false; };
  hooks.endProcess = [] {};
  return hooks;
}

// Selects the entry `letter` of a drive list.
inline void SelectDrive(ferrimond::forms::ListBox& list, const std::wstring& letter) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.List(i) == letter) list.SetListIndex(i);
  }
}

}  // namespace bench
