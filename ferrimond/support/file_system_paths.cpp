#include "ferrimond/support/file_system_paths.h"

#include <windows.h>

#include <vector>

namespace ferrimond {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool HasPrefix(const std::wstring& s, const wchar_t* prefix) {
  return s.compare(0, wcslen(prefix), prefix) == 0;
}

// Length of the root part: 3 for "E:\", up to and including the backslash
// after the share for "\\server\share\", 0 when there is none.
size_t RootLength(const std::wstring& p) {
  if (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') return 3;
  if (HasPrefix(p, L"\\\\")) {
    size_t server = p.find(L'\\', 2);
    if (server == std::wstring::npos) return 0;
    size_t share = p.find(L'\\', server + 1);
    return share == std::wstring::npos ? p.size() : share + 1;
  }
  return 0;
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  std::wstring in = path;
  // "E:" alone means the root here, not the drive's current folder.
  if (in.size() == 2 && in[1] == L':') in += L'\\';
  std::vector<wchar_t> buffer(in.size() + MAX_PATH);
  for (;;) {
    DWORD n = GetFullPathNameW(in.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return in;
    if (n < buffer.size()) {
      std::wstring out(buffer.data(), n);
      while (out.size() > RootLength(out) && IsSeparator(out.back())) out.pop_back();
      if (out.size() == 2 && out[1] == L':') out += L'\\';
      if (out.size() >= 2 && out[1] == L':') out[0] = static_cast<wchar_t>(towupper(out[0]));
      return out;
    }
    buffer.resize(n + 1);
  }
}

std::wstring SystemPath(const std::wstring& path) {
  // CreateDirectoryW stops 12 characters short of the limit (room for an 8.3
  // name inside), so prefix from there on.
  if (path.size() < MAX_PATH - 12 || HasPrefix(path, L"\\\\?\\") || HasPrefix(path, L"\\\\.\\"))
    return path;
  if (HasPrefix(path, L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

bool IsRootPath(const std::wstring& fullPath) {
  const size_t root = RootLength(fullPath);
  return root > 0 && fullPath.size() == root;
}

std::wstring ParentPath(const std::wstring& fullPath) {
  if (IsRootPath(fullPath)) return fullPath;
  const size_t cut = fullPath.find_last_of(L'\\');
  if (cut == std::wstring::npos) return {};
  const size_t root = RootLength(fullPath);
  return fullPath.substr(0, cut + 1 <= root ? root : cut);
}

std::wstring LastComponent(const std::wstring& fullPath) {
  if (IsRootPath(fullPath)) return {};
  const size_t cut = fullPath.find_last_of(L'\\');
  return cut == std::wstring::npos ? fullPath : fullPath.substr(cut + 1);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && IsSeparator(folder.back())) return folder + name;
  return folder + L'\\' + name;
}

}  // namespace ferrimond
