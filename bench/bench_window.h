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

// What a run through the window must do besides its files: its inputs
// greyed for the run and enabled again after it. The same windows and
// commands as the program's, by bare calls (one DrawMenuBar each way), for
// the floors of runs through the window.
class InputsLocked {
 public:
  explicit InputsLocked(ferrimond::Frmbackup& w) : w_(w) { Set(false); }
  ~InputsLocked() { Set(true); }
  InputsLocked(const InputsLocked&) = delete;
  InputsLocked& operator=(const InputsLocked&) = delete;

 private:
  void Set(bool enabled) {
    const ferrimond::Frmbackup::RunInputs inputs = w_.RunInputItems();
    for (ferrimond::forms::Control* control : inputs.controls) EnableWindow(control->Hwnd(), enabled);
    for (ferrimond::forms::OptionButton* option : w_.DateOptions()) EnableWindow(option->Hwnd(), enabled);
    EnableWindow(w_.DatePicker1.Hwnd(), enabled);
    const HMENU bar = GetMenu(w_.Hwnd());
    for (ferrimond::forms::MenuItem* item : inputs.menus)
      EnableMenuItem(bar, item->CommandId(), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(w_.Hwnd());
  }
  ferrimond::Frmbackup& w_;
};

// What a run through the window does at each file besides the file itself,
// by bare calls, for the floors: a look at the message queue every 15 ms
// (every message handled, and a peek at least once a second, so that no
// message waits long and the window never counts as hung), and the file of
// the moment in the progress box every 100 ms.
class WindowDuties {
 public:
  explicit WindowDuties(HWND progress) : progress_(progress) {}
  void AtFile(const std::wstring& path) {
    const ULONGLONG now = GetTickCount64();
    if (now - lastLook_ >= 15) {
      lastLook_ = now;
      if (now - lastPeek_ >= 1000 || HIWORD(GetQueueStatus(QS_ALLINPUT | QS_ALLPOSTMESSAGE)) != 0) {
        lastPeek_ = now;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      }
    }
    if (now - lastShown_ >= 100) {
      lastShown_ = now;
      SetWindowTextW(progress_, path.c_str());
    }
  }

 private:
  HWND progress_;
  ULONGLONG lastLook_ = 0, lastPeek_ = 0, lastShown_ = 0;
};

// Selects the entry `letter` of a drive list.
inline void SelectDrive(ferrimond::forms::ListBox& list, const std::wstring& letter) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.List(i) == letter) list.SetListIndex(i);
  }
}

}  // namespace bench
