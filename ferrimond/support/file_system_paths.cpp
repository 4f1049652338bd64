#include "ferrimond/support/file_system_paths.h"

#include <windows.h>

#include <string_view>
#include <utility>
#include <vector>

#include "common/numbered_error.h"

namespace ferrimond {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Appended to every name that ends in a dot or a blank before the path goes
// through GetFullPathNameW, which would drop that ending (from the last name
// all of it, from a folder on the way a single dot), and put before every
// name of a device, which it would turn into "\\.\aux". No file name can
// hold this character, so it cannot stand for anything else.
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

// Calls `fn(begin, end)` for every name in `p`, with the indexes of its
// first character and of the one just past it. What follows the colon of
// "E:name" is a name too.
template <typename Fn>
void ForEachName(const std::wstring& p, Fn fn) {
  size_t begin = FirstNameAt(p);
  while (begin <= p.size()) {
    size_t end = begin;
    while (end < p.size() && !IsSeparator(p[end])) ++end;
    const size_t first = (begin == 0 && end >= 2 && p[1] == L':') ? 2 : begin;
    fn(first, end);
    begin = end + 1;
  }
}

// A name ending in a dot or a blank, which the short forms drop; "." and ".."
// are steps, not names.
bool IsTrimmable(std::wstring_view name) {
  return !name.empty() && (name.back() == L'.' || name.back() == L' ') && name != L"." && name != L"..";
}

// What the short forms look at of a name for a device: the part before the
// first dot, without the blanks before that dot ("Com1 .log" gives "Com1").
std::wstring_view DeviceStem(std::wstring_view name) {
  name = name.substr(0, name.find(L'.'));
  while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
  return name;
}

// A name the short forms take for a device: CON, PRN, AUX, NUL, COM1-COM9 or
// LPT1-LPT9 (also with the superscript digits 1-3) as its stem, in any letter
// case ("aux.doc", "Com1 .log").
bool IsDeviceName(std::wstring_view name) {
  // Most names end here: every path is looked at before each use.
  if (name.size() < 3) return false;
  if (std::wstring_view(L"acnlp").find(static_cast<wchar_t>(name[0] | 0x20)) == std::wstring_view::npos) return false;
  name = DeviceStem(name);
  if (name.size() != 3 && name.size() != 4) return false;
  // No letter outside ASCII has one of these letters for its capital.
  wchar_t upper[4] = {};
  for (size_t i = 0; i < 3; ++i)
    upper[i] = name[i] >= L'a' && name[i] <= L'z' ? static_cast<wchar_t>(name[i] - L'a' + L'A') : name[i];
  const std::wstring_view stem(upper, 3);
  if (name.size() == 3) return stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL";
  const wchar_t digit = name[3];
  return (stem == L"COM" || stem == L"LPT") &&
         ((digit >= L'1' && digit <= L'9') || digit == L'\u00b9' || digit == L'\u00b2' || digit == L'\u00b3');
}

// Whether the system would take `path` other than literally in its short
// form: a name in it ends in a dot or a blank, or names a device.
bool HasNameToKeep(const std::wstring& path) {
  bool found = false;
  ForEachName(path, [&](size_t begin, size_t end) {
    const std::wstring_view name(path.data() + begin, end - begin);
    found = found || IsTrimmable(name) || IsDeviceName(name);
  });
  return found;
}

// CONIN$ and CONOUT$, which the short forms take for the console, as
// they do device names.
bool IsConsoleName(std::wstring_view name) {
  if (name.size() < 6 || (name[0] | 0x20) != L'c') return false;
  name = DeviceStem(name);
  for (const wchar_t* console : {L"CONIN$", L"CONOUT$"}) {
    if (name.size() == wcslen(console) && _wcsnicmp(name.data(), console, name.size()) == 0) return true;
  }
  return false;
}

// A path that is already in the full form ("E:\a\b", also with a
// backslash at the end: a drive, then names without "." or "..", doubled or
// forward separators, or names the short forms change): the system would
// give it back unchanged, but for that last backslash.
bool IsPlainFullPath(std::wstring_view p) {
  if (p.size() >= 5 && p.back() == L'\\') p.remove_suffix(1);
  if (p.size() < 4 || !iswalpha(p[0]) || p[1] != L':' || p[2] != L'\\') return false;
  if (p.find(L'/') != std::wstring_view::npos || p.find(kKeepEnding) != std::wstring_view::npos) return false;
  for (size_t begin = 3; begin <= p.size();) {
    size_t end = p.find(L'\\', begin);
    if (end == std::wstring_view::npos) end = p.size();
    const std::wstring_view name = p.substr(begin, end - begin);
    if (name.empty() || name == L"." || name == L".." || IsTrimmable(name) || IsDeviceName(name) ||
        IsConsoleName(name))
      return false;
    begin = end + 1;
  }
  return true;
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  // Paths from listings mostly are: asking the system costs more than a
  // whole copy's other path work.
  if (IsPlainFullPath(path)) {
    std::wstring out(path, 0, path.back() == L'\\' ? path.size() - 1 : path.size());
    out[0] = static_cast<wchar_t>(towupper(out[0]));
    return out;
  }
  std::wstring in = path;
  // "E:" alone means the root here, not the drive's current folder.
  if (in.size() == 2 && in[1] == L':') in += L'\\';
  // A path that holds the mark already (no file name can, so nothing will
  // open under it) keeps it: taking it out would name another file.
  const bool mayMark = in.find(kKeepEnding) == std::wstring::npos;
  if (mayMark) {
    std::vector<size_t> marks;
    ForEachName(in, [&](size_t begin, size_t end) {
      const std::wstring_view name(in.data() + begin, end - begin);
      if (IsDeviceName(name)) marks.push_back(begin);
      if (IsTrimmable(name)) marks.push_back(end);
    });
    for (auto at = marks.rbegin(); at != marks.rend(); ++at) in.insert(*at, 1, kKeepEnding);
  }
  std::vector<wchar_t> buffer(in.size() + MAX_PATH);
  for (;;) {
    DWORD n = GetFullPathNameW(in.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) {
      if (mayMark) std::erase(in, kKeepEnding);
      return in;
    }
    if (n < buffer.size()) {
      std::wstring out(buffer.data(), n);
      if (mayMark) std::erase(out, kKeepEnding);
      while (out.size() > RootLength(out) && IsSeparator(out.back())) out.pop_back();
      if (out.size() == 2 && out[1] == L':') out += L'\\';
      if (out.size() >= 2 && out[1] == L':') out[0] = static_cast<wchar_t>(towupper(out[0]));
      return out;
    }
    buffer.resize(n + 1);
  }
}

namespace {

// CreateDirectoryW stops 12 characters short of the limit (room for an 8.3
// name inside): paths from there on are prefixed.
constexpr size_t kLongPath = MAX_PATH - 12;

bool IsPrefixed(const std::wstring& path) { return HasPrefix(path, L"\\\\?\\") || HasPrefix(path, L"\\\\.\\"); }

// Whether the system must get `path` (not prefixed) in the prefixed form.
// Names ending in a dot or a blank, and names of devices, need it at any
// length: the system takes only that form literally, drops those endings
// from every other and opens the device for such a name.
bool NeedsPrefix(const std::wstring& path) {
  return path.size() >= kLongPath || (RootLength(path) > 0 && HasNameToKeep(path));
}

std::wstring Prefixed(const std::wstring& path) {
  if (IsPrefixed(path)) return path;
  if (HasPrefix(path, L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

}  // namespace

std::wstring SystemPath(const std::wstring& path) {
  return !IsPrefixed(path) && NeedsPrefix(path) ? Prefixed(path) : path;
}


PathForms::PathForms(std::wstring fullPath)
    : full_(std::move(fullPath)), literal_(!IsPrefixed(full_) && NeedsPrefix(full_)) {
  if (literal_) system_ = Prefixed(full_);
}

// The folder's own names were looked at when its forms were made: only the
// length and the new name are left.
PathForms::PathForms(std::wstring fullPath, bool folderLiteral, std::wstring_view name)
    : full_(std::move(fullPath)),
      literal_(folderLiteral || full_.size() >= kLongPath || IsTrimmable(name) || IsDeviceName(name)) {
  if (literal_) system_ = Prefixed(full_);
}

PathForms::PathForms(const PathForms& folder, std::wstring_view name)
    : PathForms(JoinPath(folder.full_, name), folder.literal_, name) {}

PathForms PathForms::Beside(std::wstring_view name) const {
  const size_t nameAt = full_.find_last_of(L'\\') + 1;
  std::wstring path;
  path.reserve(nameAt + name.size());
  path.append(full_, 0, nameAt).append(name);
  return PathForms(std::move(path), literal_, name);
}

bool IsRootPath(const std::wstring& fullPath) {
  const size_t root = RootLength(fullPath);
  return root > 0 && fullPath.size() == root;
}

std::wstring VolumeRoot(const std::wstring& fullPath) {
  std::wstring root = fullPath.substr(0, RootLength(fullPath));
  if (!root.empty() && root.back() != L'\\') root += L'\\';
  return root;
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

std::wstring JoinPath(const std::wstring& folder, std::wstring_view name) {
  // One allocation: a walk joins a path for every name it lists.
  std::wstring path;
  path.reserve(folder.size() + 1 + name.size());
  path += folder;
  if (folder.empty() || !IsSeparator(folder.back())) path += L'\\';
  path += name;
  return path;
}

std::wstring NtPath(const std::wstring& fullPath) {
  // One allocation: a copy names its target so once per file.
  auto nt = [](std::wstring_view prefix, std::wstring_view rest) {
    std::wstring path;
    path.reserve(prefix.size() + rest.size());
    return path.append(prefix).append(rest);
  };
  std::wstring_view rest = fullPath;
  if (IsPrefixed(fullPath)) {
    rest.remove_prefix(4);
    if (rest.size() >= 4 && _wcsnicmp(rest.data(), L"UNC\\", 4) == 0) return nt(L"\\??\\UNC\\", rest.substr(4));
    return nt(L"\\??\\", rest);
  }
  if (HasPrefix(fullPath, L"\\\\")) return nt(L"\\??\\UNC\\", rest.substr(2));
  return nt(L"\\??\\", rest);
}

}  // namespace ferrimond
