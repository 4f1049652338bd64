#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

#include <cstdlib>
#include <stdexcept>

namespace ferrimond::mwtest {

namespace {

const std::wstring kFolderAside = std::wstring(kProgramFolder) + L".before-mainwindow-tests";
const std::wstring kMarkerAside = std::wstring(kThresholdMarker) + L".before-mainwindow-tests";

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void MainWindowTest::SetUp() {
  ui_ = std::make_unique<forms::testing::ScriptedUserInteraction>();
  // A run that crashed earlier may have left the real folder aside.
  if (Exists(kFolderAside) && !Exists(kProgramFolder)) MoveFileW(kFolderAside.c_str(), kProgramFolder);
  if (Exists(kProgramFolder)) {
    harness::RemoveTree(kFolderAside);
    ASSERT_TRUE(MoveFileW(kProgramFolder, kFolderAside.c_str()));
    folderPutAside_ = true;
  }
  // Likewise a marker that a run left behind.
  if (Exists(kThresholdMarker)) MoveFileExW(kThresholdMarker, kMarkerAside.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void MainWindowTest::TearDown() {
  window_.reset();
  harness::RemoveTree(kProgramFolder);
  if (folderPutAside_) MoveFileW(kFolderAside.c_str(), kProgramFolder);
  DeleteFileW(kThresholdMarker);
  if (Exists(kMarkerAside)) MoveFileW(kMarkerAside.c_str(), kThresholdMarker);
}

Frmbackup& MainWindowTest::Start() {
  Close();
  ProcessHooks hooks;
  hooks.anotherInstanceRunning = [this] { return AnotherInstance; };
  hooks.endProcess = [this] { ++EndProcessCalls; };
  hooks.datePicker = DatePickerSource;
  hooks.scheduleService = ScheduleServiceFactory;
  window_ = std::make_unique<Frmbackup>(*ui_, hooks);
  window_->Load();
  return *window_;
}

void MainWindowTest::Close() {
  window_.reset();
  ui_->ClearRecord();
}

std::vector<std::wstring> MainWindowTest::Prompts() const {
  for (const forms::testing::Prompt& prompt : ui_->Prompts()) {
    EXPECT_EQ(prompt.kind, forms::testing::PromptKind::MsgBox);
    EXPECT_EQ(prompt.buttons, forms::MsgButtons::Ok);
    EXPECT_EQ(prompt.title, forms::AppTitle());
  }
  return ui_->Messages();
}

void StartedWindowTest::SetUp() {
  MainWindowTest::SetUp();
  if (HasFatalFailure()) return;
  w_ = &Start();
  ASSERT_TRUE(Prompts().empty());
}

std::vector<std::wstring> Entries(const forms::ListBox& list) {
  std::vector<std::wstring> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

void MainWindowTest::WriteStamp(const std::string& bytes, const wchar_t* path) {
  CreateDirectoryW(L"c:\\program files", nullptr);
  CreateDirectoryW(kProgramFolder, nullptr);
  harness::WriteFile(path, bytes);
}

std::string DriveCSwap::OriginalFolder() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix || !*prefix) return {};
  const std::string driveC = std::string(prefix) + "/drive_c";
  // It must be what C: leads to now.
  if (harness::UnixPath(L"C:\\windows").empty()) return {};
  using Fn = WCHAR*(CDECL*)(LPCSTR);
  auto toDos = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return {};
  WCHAR* dos = toDos((driveC + "/windows").c_str());
  if (!dos) return {};
  const bool same = Exists(dos) && Exists(L"C:\\windows\\system32");
  HeapFree(GetProcessHeap(), 0, dos);
  return same ? driveC : std::string();
}

DriveCSwap::DriveCSwap(std::optional<harness::DriveKind> kind) : original_(OriginalFolder()) {
  if (original_.empty()) throw std::runtime_error("drive C: cannot be moved here");
  std::string target;
  if (kind) {
    folder_ = std::make_unique<harness::TempDir>();
    // Through drive_c itself: the path through the "c:" link dies with it.
    target = harness::UnixPath(folder_->Path());
    const std::string viaLink = harness::UnixPath(L"C:\\");
    if (target.rfind(viaLink, 0) == 0) target = original_ + "/" + target.substr(viaLink.size());
  }
  harness::UnmapDrive(L'c');
  if (kind) harness::DefineUnixDrive(L'c', *kind, target);
}

DriveCSwap::~DriveCSwap() {
  harness::UnmapDrive(L'c');
  // Relative, as the prefix made it, so that a copy of the prefix keeps its
  // own drive_c.
  if (!harness::DefineUnixDrive(L'c', harness::DriveKind::Fixed, "../drive_c") &&
      !harness::DefineUnixDrive(L'c', harness::DriveKind::Fixed, original_)) {
    ADD_FAILURE() << "drive C: could not be restored to " << original_;
  }
  // The temporary folder lives on the restored C:.
  folder_.reset();
}

}  // namespace ferrimond::mwtest
