#include "ferrimond/support/file_system_paths.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "common/numbered_error.h"

namespace ferrimond {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Appended to every name that ends in a dot or a blank before the path goes
// through GetFullPathNameW, which would drop that ending (from the last name
// all of it, from a folder on the way a single dot). No file name can hold
// this character, so it cannot stand for anything else.
constexpr wchar_t kKeepEnding = L'\x01';

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

// Where the names begin: after "\\server\share\" (also behind "\\?\UNC\")
// and after "\\?\" or "\\.\"; otherwise at the start.
size_t FirstNameAt(const std::wstring& p) {
  if (p.size() < 2 || !IsSeparator(p[0]) || !IsSeparator(p[1])) return 0;
  size_t at = 2;
  if (p.size() >= 4 && (p[2] == L'?' || p[2] == L'.') && IsSeparator(p[3])) {
    at = 4;
    if (p.size() < 8 || _wcsnicmp(p.c_str() + 4, L"UNC", 3) != 0 || !IsSeparator(p[7])) return at;
    at = 8;
  }
  // Server and share.
  for (int skip = 0; skip < 2 && at < p.size(); ++skip) {
    while (at < p.size() && !IsSeparator(p[at])) ++at;
    if (at < p.size()) ++at;
  }
  return at;
}

// Calls `fn(end)` for every name in `p` that ends in a dot or a blank, with
// the index just past that name. "." and ".." are steps, not names, and so is
// what follows the colon of "E:." or "E:..".
template <typename Fn>
void ForEachTrimmableName(const std::wstring& p, Fn fn) {
  size_t begin = FirstNameAt(p);
  while (begin <= p.size()) {
    size_t end = begin;
    while (end < p.size() && !IsSeparator(p[end])) ++end;
    std::wstring_view name(p.data() + begin, end - begin);
    if (begin == 0 && name.size() >= 2 && name[1] == L':') name.remove_prefix(2);
    if (!name.empty() && (name.back() == L'.' || name.back() == L' ') && name != L"." && name != L"..")
      fn(end);
    begin = end + 1;
  }
}

bool HasTrimmableName(const std::wstring& path) {
  bool found = false;
  ForEachTrimmableName(path, [&](size_t) { found = true; });
  return found;
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  std::wstring in = path;
  // "E:" alone means the root here, not the drive's current folder.
  if (in.size() == 2 && in[1] == L':') in += L'\\';
  if (in.find(kKeepEnding) == std::wstring::npos) {
    std::vector<size_t> ends;
    ForEachTrimmableName(in, [&](size_t end) { ends.push_back(end); });
    for (auto end = ends.rbegin(); end != ends.rend(); ++end) in.insert(*end, 1, kKeepEnding);
  }
  std::vector<wchar_t> buffer(in.size() + MAX_PATH);
  for (;;) {
    DWORD n = GetFullPathNameW(in.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) {
      std::erase(in, kKeepEnding);
      return in;
    }
    if (n < buffer.size()) {
      std::wstring out(buffer.data(), n);
      std::erase(out, kKeepEnding);
      while (out.size() > RootLength(out) && IsSeparator(out.back())) out.pop_back();
      if (out.size() == 2 && out[1] == L':') out += L'\\';
      if (out.size() >= 2 && out[1] == L':') out[0] = static_cast<wchar_t>(towupper(out[0]));
      return out;
    }
    buffer.resize(n + 1);
  }
}

std::wstring SystemPath(const std::wstring& path) {
  if (HasPrefix(path, L"\\\\?\\") || HasPrefix(path, L"\\\\.\\")) return path;
  // CreateDirectoryW stops 12 characters short of the limit (room for an 8.3
  // name inside), so prefix from there on. Names ending in a dot or a blank
  // need the prefixed form at any length: the system takes only that form
  // literally, and drops those endings from every other.
  const bool literal = path.size() >= MAX_PATH - 12 || (RootLength(path) > 0 && HasTrimmableName(path));
  if (!literal) return path;
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

std::vector<std::wstring> FolderLevels(const std::wstring& fullPath) {
  constexpr size_t kMaxLevels = 100;
  constexpr int32_t kSubscriptOutOfRange = 9;
  std::vector<std::wstring> levels;
  for (std::wstring level = fullPath; !level.empty() && !IsRootPath(level); level = ParentPath(level)) {
    if (levels.size() == kMaxLevels) common::Raise(kSubscriptOutOfRange);
    levels.push_back(level);
  }
  return levels;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && IsSeparator(folder.back())) return folder + name;
  return folder + L'\\' + name;
}

std::wstring NtPath(const std::wstring& fullPath) {
  std::wstring rest = fullPath;
  if (HasPrefix(rest, L"\\\\?\\") || HasPrefix(rest, L"\\\\.\\")) {
    rest.erase(0, 4);
    if (rest.size() >= 4 && _wcsnicmp(rest.c_str(), L"UNC\\", 4) == 0) return L"\\??\\UNC\\" + rest.substr(4);
    return L"\\??\\" + rest;
  }
  if (HasPrefix(rest, L"\\\\")) return L"\\??\\UNC\\" + rest.substr(2);
  return L"\\??\\" + rest;
}

}  // namespace ferrimond
