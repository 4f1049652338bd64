#pragma once
// Real drive letters for tests under Wine: a letter mapped through Wine's
// mount manager to a folder, with the drive type the test asks for. The
// mapping is removed when the object goes.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/harness/temp_dir.h"

namespace harness {

enum class DriveKind { Fixed, Removable, CdRom, Network };

class MappedDrive {
 public:
  // Maps `letter` to a fresh, empty temporary folder, or to an existing
  // Unix folder whose contents are emptied before and after use.
  MappedDrive(wchar_t letter, DriveKind kind, const std::string& unixFolder = {});
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  // "E:\"
  std::wstring Root() const { return std::wstring(1, letter_) + L":\\"; }
  // "E:\" + relative path
  std::wstring operator/(const std::wstring& relative) const { return Root() + relative; }
  // The Unix folder behind the letter (the letter can be taken away and
  // given back to it).
  const std::string& UnixFolder() const { return unixFolder_; }

 private:
  wchar_t letter_;
  std::unique_ptr<TempDir> folder_;
  std::string unixFolder_;
};

// The small tmpfs that the test fixture mounts, mapped as a removable drive.
// Returns null and sets `whyNot` where it could not be mounted here.
std::unique_ptr<MappedDrive> MapSmallTmpfs(wchar_t letter, std::string* whyNot);

// Removes whatever mapping `letter` has (no error when it has none).
void UnmapDrive(wchar_t letter);
// Points `letter` at a Unix folder (absolute, or relative to the prefix's
// dosdevices folder) with the given type; false when Wine refuses.
bool DefineUnixDrive(wchar_t letter, DriveKind kind, const std::string& unixFolder);

// The Unix path behind a Windows path and back (Wine only); empty when unknown.
std::string UnixPath(const std::wstring& windowsPath);
std::wstring DosPath(const std::string& unixPath);
// A Unix path as text for a Unix command line.
inline std::wstring WideUnix(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// CreateProcessW (no handles inherited, no new console), tried again where
// Wine answers ERROR_INTERNAL_ERROR: the new process died before its
// start-up was done, having run none of its code (seen now and then on CI).
bool StartProcess(const wchar_t* application, std::wstring commandLine, PROCESS_INFORMATION& pi);

// Starts a Unix program under Wine (no shell; an argument holding blanks is
// quoted) and waits until `done` holds; false where it cannot be started or `done`
// does not come true within about five seconds. Wine starts Unix programs,
// but such a start cannot be waited on.
bool RunUnix(std::wstring command, const std::function<bool()>& done);
// Makes `link` (a Windows path whose folder is there) a Unix symbolic link
// to the Unix path `target`. Windows programs cannot make one, and Wine's
// CreateSymbolicLinkW reports success without making anything.
bool UnixLink(const std::string& target, const std::wstring& link);

}  // namespace harness

// Skips the current test with a message when the small tmpfs drive is not
// available, else binds `var` to it.
#define FERRIMOND_SMALL_DRIVE_OR_SKIP(var, letter)                         \
  std::string var##_why;                                                   \
  auto var = ::harness::MapSmallTmpfs(letter, &var##_why);                 \
  if (!var) GTEST_SKIP() << "small tmpfs drive unavailable: " << var##_why
