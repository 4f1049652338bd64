#pragma once
// Shared set-up of the main-window tests: a program folder of the test's
// own on the prefix's C: (any earlier one, and any threshold marker, put
// aside and restored), the main window created hidden with process hooks
// that only count, and prompts answered by a script.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
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

  forms::testing::ScriptedUserInteraction& Ui() { return *ui_; }
  // Texts of the message boxes shown so far, each an OK box with the title.
  std::vector<std::wstring> Prompts() const;
  void ExpectMessages(size_t count) {
    for (size_t i = 0; i < count; ++i) ui_->AnswerMsgBox(forms::MsgResult::Ok);
  }
  // Writes a stamp file (the last upload's unless told), making its folder.
  static void WriteStamp(const std::string& bytes, const wchar_t* path = kLastUploadStamp);

  bool AnotherInstance = false;
  // Where the window's date picker comes from.
  forms::AxSource DatePickerSource = ProcessHooks().datePicker;
  int EndProcessCalls = 0;
  // The Task Scheduler of "Schedule backup..."; none: the system's.
  std::function<std::unique_ptr<ScheduleService>()> ScheduleServiceFactory;

 private:
  std::unique_ptr<forms::testing::ScriptedUserInteraction> ui_;
  std::unique_ptr<Frmbackup> window_;
  bool folderPutAside_ = false;
};

// The window started by SetUp, which saw no prompt on the way.
class StartedWindowTest : public MainWindowTest {
 protected:
  void SetUp() override;

  Frmbackup* w_ = nullptr;
};

// The entries of a list, in order.
std::vector<std::wstring> Entries(const forms::ListBox& list);

// Drive C: mapped to a fresh folder of that kind (or removed) for the
// object's life, then back to the prefix's drive_c, also when a test fails.
class DriveCSwap {
 public:
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
