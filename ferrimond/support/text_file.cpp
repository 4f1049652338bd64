#include "ferrimond/support/text_file.h"

#include <windows.h>

#include <algorithm>

#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {

ScopedHandle Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  ScopedHandle h(CreateFileW(SystemPath(FullPath(path)).c_str(), access, share, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) RaiseLastFileSystemError();
  return h;
}

void WriteAll(HANDLE h, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) RaiseLastFileSystemError();
    done += written;
  }
}

}  // namespace

std::string ReadTextFile(const std::wstring& path) {
  const ScopedHandle h(Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  do {
    if (!ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr)) RaiseLastFileSystemError();
    bytes.append(buffer, got);
  } while (got > 0);
  return bytes;
}

void WriteTextFile(const std::wstring& path, const std::string& bytes) {
  const ScopedHandle h(Open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS));
  WriteAll(h.get(), bytes);
}

void AppendTextFile(const std::wstring& path, const std::string& bytes) {
  // Another writer (a second run's report, a reader without sharing) holds
  // the file for a moment: waiting a little keeps this block from being lost.
  constexpr int kTries = 20;
  constexpr DWORD kPauseMs = 100;
  for (int attempt = 1;; ++attempt) {
    ScopedHandle h(CreateFileW(SystemPath(FullPath(path)).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.ok()) {
      WriteAll(h.get(), bytes);
      return;
    }
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || attempt == kTries) {
      SetLastError(error);
      RaiseLastFileSystemError();
    }
    Sleep(kPauseMs);
  }
}

wchar_t AnsiCodePageChar(unsigned char byte) {
  const char in = static_cast<char>(byte);
  wchar_t out = 0;
  if (MultiByteToWideChar(CP_ACP, 0, &in, 1, &out, 1) != 1) return common::Windows1252Char(byte);
  return out;
}

RecordReader ReadRecordFile(const std::wstring& path) {
  return RecordReader(ReadTextFile(path), AnsiCodePageChar);
}

}  // namespace ferrimond
