#pragma once
// Shared set-up of the main-window tests: a program folder of the test's
// own on the prefix's C: (any earlier one is put aside and restored), the
// main window created hidden with process hooks that only count, prompts
// answered by a script, and drive C: moved for a while.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ferrimond/mainwindow/frmbackup.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

namespace ferrimond::mwtest {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the main window (hidden) and runs its Load.
  Frmbackup& Start();
  // Destroys the window and forgets the prompts.
  void Close();

  forms::testing::ScriptedUserInteraction& Ui();
  // Texts of the message boxes shown so far.
  std::vector<std::wstring> Prompts() const;
  // Answers the next `count` message boxes with OK.
  void ExpectMessages(size_t count);

  void WriteStamp(const std::string& bytes);
  int FilesInProgramFolder() const;

  bool AnotherInstance = false;
  int EndProcessCalls = 0;

 private:
  std::unique_ptr<forms::testing::ScriptedUserInteraction> ui_;
  std::unique_ptr<Frmbackup> window_;
  bool folderPutAside_ = false;
};

// c:\a.temp for the length of a test.
class MarkerFile {
 public:
  MarkerFile();
  ~MarkerFile();
};

// Drive C: mapped elsewhere (or removed) for the object's life, then back
// to the prefix's own drive_c, also when the test fails.
class DriveCSwap {
 public:
  // A fresh folder of that kind, or no C: at all.
  explicit DriveCSwap(std::optional<harness::DriveKind> kind);
  ~DriveCSwap();
  DriveCSwap(const DriveCSwap&) = delete;
  DriveCSwap& operator=(const DriveCSwap&) = delete;

  // The prefix's drive_c as a Unix path, or empty where it cannot be found.
  static std::string OriginalFolder();

 private:
  std::unique_ptr<harness::TempDir> folder_;
  std::string original_;
};

}  // namespace ferrimond::mwtest

#define SKIP_UNLESS_DRIVE_C_CAN_MOVE()                                     \
  if (::ferrimond::mwtest::DriveCSwap::OriginalFolder().empty())          \
  GTEST_SKIP() << "the prefix's drive_c folder is not known here"
