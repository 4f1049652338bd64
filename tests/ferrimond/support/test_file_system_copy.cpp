// Copies whose source or target misbehaves while they run.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_paths.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

using namespace ferrimond;

namespace {

std::vector<std::wstring> FileNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  for (const File& f : FileSystem().GetFolder(folder).Files()) names.push_back(f.Name());
  return names;
}

}  // namespace

// A log that is written to all the time never gives a consistent copy: after
// a second try the copy fails as the source's failure, and the target and
// its folder are as they were.
TEST(CopyOfAChangingSource, FailsAfterASecondTryAndLeavesTheTarget) {
  harness::TempDir source, target;
  const std::wstring from = source / L"growing.log", to = target / L"growing.log";
  harness::WriteFile(from, std::string(32 << 20, 'g'));
  harness::WriteFile(to, "old");
  HANDLE appender = CreateFileW(from.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(appender, INVALID_HANDLE_VALUE);
  std::atomic<bool> stop{false};
  std::atomic<int> appended{0};
  std::thread writer([&] {
    DWORD put = 0;
    while (!stop && ::WriteFile(appender, "line\n", 5, &put, nullptr)) ++appended;
  });
  while (appended == 0) std::this_thread::yield();
  std::wstring description;
  int32_t number = 0;
  try {
    FileSystem().CopyFile(from, target.Path() + L"\\");
  } catch (const SourceFailure& e) {
    number = e.Number();
    description = e.Description();
  }
  stop = true;
  writer.join();
  CloseHandle(appender);
  EXPECT_EQ(number, ErrChangedWhileCopied);
  EXPECT_EQ(description, L"The file changed while it was being copied.");
  EXPECT_TRUE(harness::ReadFile(to) == "old");
  EXPECT_EQ(FileNames(target.Path()), std::vector<std::wstring>{L"growing.log"});
}

// A copy onto a read-only medium fails on the target's side and leaves
// nothing there. Windows reports a write-protected medium as such; Wine
// reports a read-only mount (a tmpfs here) as access denied.
TEST(CopyOntoAReadOnlyDrive, FailsOnTheTargetsSide) {
  harness::TempDir dir;
  ASSERT_TRUE(CreateDirectoryW((dir / L"ro").c_str(), nullptr));
  harness::WriteFile(dir / L"a.txt", "a");
  // Hidden once the tmpfs is mounted over its folder.
  const std::wstring marker = dir / L"ro\\not mounted";
  harness::WriteFile(marker, "");
  auto mounted = [&] { return GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES; };
  const std::wstring unix = harness::WideUnix(harness::UnixPath(dir / L"ro"));
  if (!harness::RunUnix(L"/bin/mount -t tmpfs -o ro,size=16k tmpfs " + unix, mounted))
    GTEST_SKIP() << "cannot mount a read-only tmpfs here (mounting needs root)";
  AtExit unmount([&] { harness::RunUnix(L"/bin/umount " + unix, [&] { return !mounted(); }); });
  harness::MappedDrive drive(L'W', harness::DriveKind::Removable, harness::UnixPath(dir / L"ro"));
  int32_t number = 0;
  DWORD code = 0;
  try {
    FileSystem().CopyFile(dir / L"a.txt", L"W:\\");
  } catch (const SourceFailure&) {
    ADD_FAILURE() << "taken for the source's failure";
  } catch (const FileSystemFailure& e) {
    number = e.Number();
    code = e.SystemCode();
  }
  EXPECT_TRUE(number == ErrWriteProtected || (number == 70 && code == ERROR_ACCESS_DENIED)) << number << " " << code;
  EXPECT_TRUE(FileNames(L"W:\\").empty());
}
