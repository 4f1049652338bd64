// Copies whose source or target misbehaves while they run.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

namespace {

// A read-only tmpfs mounted over a folder for the test's time.
class ReadOnlyMount {
 public:
  explicit ReadOnlyMount(const std::wstring& folder)
      : folder_(folder), unix_(harness::UnixPath(folder)), marker_(folder + L"\\not mounted") {
    harness::WriteFile(marker_, "");
    mounted_ = !unix_.empty() &&
               harness::RunUnix(L"/bin/mount -t tmpfs -o ro,size=16k tmpfs " + harness::WideUnix(unix_), [&] {
                 return GetFileAttributesW(marker_.c_str()) == INVALID_FILE_ATTRIBUTES;
               });
  }
  ~ReadOnlyMount() {
    if (mounted_)
      harness::RunUnix(L"/bin/umount " + harness::WideUnix(unix_),
                       [&] { return GetFileAttributesW(marker_.c_str()) != INVALID_FILE_ATTRIBUTES; });
  }
  bool Mounted() const { return mounted_; }
  const std::string& UnixFolder() const { return unix_; }

 private:
  std::wstring folder_;
  std::string unix_;
  std::wstring marker_;
  bool mounted_ = false;
};

}  // namespace

// A copy onto a read-only medium fails on the target's side and leaves
// nothing there. Windows reports a write-protected medium as such; Wine
// reports a read-only mount as access denied.
TEST(CopyOntoAReadOnlyDrive, FailsOnTheTargetsSide) {
  harness::TempDir dir;
  ASSERT_TRUE(CreateDirectoryW((dir / L"ro").c_str(), nullptr));
  harness::WriteFile(dir / L"a.txt", "a");
  ReadOnlyMount mount(dir / L"ro");
  if (!mount.Mounted()) GTEST_SKIP() << "cannot mount a read-only tmpfs here (mounting needs root)";
  harness::MappedDrive drive(L'W', harness::DriveKind::Removable, mount.UnixFolder());
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
