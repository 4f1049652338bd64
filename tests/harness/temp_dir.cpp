#include "tests/harness/temp_dir.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace harness {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  do {
    path_ = base + (L"fmt" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++));
  } while (!CreateDirectoryW(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
  if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) throw std::runtime_error("no temp folder");
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok = h != INVALID_HANDLE_VALUE &&
                  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!ok) throw std::runtime_error("cannot write test file");
}

std::string ReadFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open test file");
  std::string out;
  char buf[65536];
  for (DWORD n = 0; ::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0;) out.append(buf, n);
  CloseHandle(h);
  return out;
}

std::wstring Literal(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\' ? L"\\\\?\\" + path : path;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(Literal(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

HANDLE HoldUnshared(const std::wstring& path) {
  return CreateFileW(Literal(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

void EmptyFolder(const std::wstring& root) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((Literal(root) + L"*").c_str(), &fd);
  for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &fd)) {
    if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) RemoveTree(root + fd.cFileName);
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

void RemoveTree(const std::wstring& given) {
  const std::wstring path = Literal(given);
  const DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
  if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  if (!(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) EmptyFolder(given + L"\\");
  RemoveDirectoryW(path.c_str());
}

}  // namespace harness
