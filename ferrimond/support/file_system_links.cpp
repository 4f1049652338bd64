// Where paths lead: the targets of junctions and symbolic links, the path
// the system reaches through links, and whether a volume answers.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_handle.h"
#include "ferrimond/support/file_system_internal.h"
#include "ferrimond/support/file_system_paths.h"

namespace ferrimond {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The start of REPARSE_DATA_BUFFER for junctions and symbolic links (the
// user-mode headers do not all declare it); a symbolic link's flags follow,
// then the names.
struct ReparseHead {
  ULONG tag;
  USHORT dataLength;
  USHORT reserved;
  USHORT substituteOffset, substituteLength, printOffset, printLength;
};

bool StartsWith(const std::wstring& s, const wchar_t* prefix) { return s.compare(0, wcslen(prefix), prefix) == 0; }

std::function<std::optional<std::wstring>(const std::wstring&)>& LinkTargetQuery() {
  static std::function<std::optional<std::wstring>(const std::wstring&)> query;
  return query;
}

}  // namespace

std::optional<std::wstring> fs_internal::LinkTargetFromReparseData(const void* data, size_t size,
                                                                   const std::wstring& linkPath) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  ReparseHead head;
  if (size < sizeof head) return std::nullopt;
  std::memcpy(&head, bytes, sizeof head);
  size_t names = sizeof head;
  ULONG flags = 0;
  if (head.tag == IO_REPARSE_TAG_SYMLINK) {
    if (size < names + sizeof flags) return std::nullopt;
    std::memcpy(&flags, bytes + names, sizeof flags);
    names += sizeof flags;
  } else if (head.tag != IO_REPARSE_TAG_MOUNT_POINT) {
    return std::nullopt;
  }
  const size_t end = std::min(size, size_t{8} + head.dataLength);
  const size_t at = names + head.substituteOffset;
  if (head.substituteLength == 0 || head.substituteLength % 2 != 0 || at + head.substituteLength > end)
    return std::nullopt;
  std::wstring target(head.substituteLength / 2, L'\0');
  std::memcpy(target.data(), bytes + at, head.substituteLength);

  if (flags & SYMLINK_FLAG_RELATIVE) {
    // From the link's folder, or with a leading backslash from its root.
    if (target[0] == L'\\') return FullPath(VolumeRoot(linkPath) + target.substr(1));
    return FullPath(JoinPath(ParentPath(linkPath), target));
  }
  if (StartsWith(target, L"\\??\\")) target.erase(0, 4);
  if (target.size() >= 4 && _wcsnicmp(target.c_str(), L"UNC\\", 4) == 0) return FullPath(L"\\\\" + target.substr(4));
  if (target.size() >= 2 && target[1] == L':') return FullPath(target);
  // A volume without a drive letter ("Volume{...}\").
  return L"\\\\?\\" + target;
}

void SetLinkTargetQueryForTests(std::function<std::optional<std::wstring>(const std::wstring& link)> query) {
  LinkTargetQuery() = std::move(query);
}

std::optional<std::wstring> FileSystem::LinkTarget(const std::wstring& path) const {
  const std::wstring full = FullPath(path);
  if (LinkTargetQuery()) return LinkTargetQuery()(full);
  if (full.empty()) return std::nullopt;
  ScopedHandle h(CreateFileW(SystemPath(full).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) return std::nullopt;
  std::vector<unsigned char> data(16 * 1024);  // the most reparse data a file can have
  DWORD got = 0;
  if (!DeviceIoControl(h.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()),
                       &got, nullptr))
    return std::nullopt;
  return fs_internal::LinkTargetFromReparseData(data.data(), got, full);
}

std::optional<std::wstring> FileSystem::FinalPath(const std::wstring& path) const {
  const std::wstring full = FullPath(path);
  if (full.empty()) return std::nullopt;
  ScopedHandle h(CreateFileW(SystemPath(full).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) return std::nullopt;
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(h.get(), out.data(), static_cast<DWORD>(out.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return std::nullopt;
    const bool fits = n < out.size();
    out.resize(n);
    if (fits) break;
  }
  // "\\?\UNC\server\share\..." and "\\?\E:\...": the ordinary forms.
  if (StartsWith(out, L"\\\\?\\UNC\\")) return L"\\\\" + out.substr(8);
  if (StartsWith(out, L"\\\\?\\") && out.size() >= 6 && out[5] == L':') return out.substr(4);
  return out;
}

bool FileSystem::VolumeReachable(const std::wstring& path) const {
  const std::wstring root = VolumeRoot(FullPath(path));
  if (root.empty()) return false;
  const DWORD attributes = GetFileAttributesW(root.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace ferrimond
