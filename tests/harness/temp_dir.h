#pragma once
// Files and folders for tests on the Windows build.
#include <string>

namespace harness {

// Writes `bytes` to a new file (folders above it must exist).
void WriteFile(const std::wstring& path, const std::string& bytes);
std::string ReadFile(const std::wstring& path);
// Removes a tree without following links; best effort.
void RemoveTree(const std::wstring& path);
// A drive path in the form the system takes literally ("\\?\"): names that
// end in a dot or a blank, trees deeper than the classic length limit.
std::wstring Literal(const std::wstring& path);
// Removes everything inside `root` (a folder path ending in "\"), not the
// folder itself.
void EmptyFolder(const std::wstring& root);
// Whether `path` is there, taken literally ("x." is not "x").
bool Exists(const std::wstring& path);
// Opens `path` without sharing (as a program holding it would); the caller
// closes the handle.
void* HoldUnshared(const std::wstring& path);

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir() { RemoveTree(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Windows path without a trailing backslash.
  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

}  // namespace harness
