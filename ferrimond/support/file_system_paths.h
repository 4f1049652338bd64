#pragma once
// Path forms shared by the file-time functions and the file-system service.
#include <string>
#include <string_view>
#include <vector>

namespace ferrimond {

// The absolute, normalised form of `path` ("E:" and "E:\" both give "E:\";
// other paths lose their trailing backslash). Empty for an empty path.
// Names ending in dots or blanks ("readme.", "notes ") keep those endings,
// which the system's own normalisation would drop.
std::wstring FullPath(const std::wstring& path);

// The form to hand to the system: paths at or over the classic length limit,
// and paths with a name ending in a dot or a blank, get the "\\?\" (or
// "\\?\UNC\") prefix so that the system takes them as they are. `path`
// must be absolute and normalised (FullPath).
std::wstring SystemPath(const std::wstring& path);

// A full path (FullPath's form) with the form SystemPath gives it, worked
// out once for a path that several calls use. A walk makes those of a
// folder's entries from the folder's and the entry's name alone, without
// looking at the whole path again.
class PathForms {
 public:
  explicit PathForms(std::wstring fullPath);
  // `name` in the folder `folder`.
  PathForms(const PathForms& folder, std::wstring_view name);
  const std::wstring& Full() const { return full_; }
  const std::wstring& System() const { return literal_ ? system_ : full_; }
  // `name` beside this path, in its folder. Its system form may be the
  // prefixed one where this path needed it for its own name; that form
  // names the same file.
  PathForms Beside(std::wstring_view name) const;

 private:
  // `fullPath`, unprefixed, is `name` in a folder whose path needed the
  // prefix when `folderLiteral` is set.
  PathForms(std::wstring fullPath, bool folderLiteral, std::wstring_view name);
  std::wstring full_, system_;
  bool literal_;
};

// "E:\" or "\\server\share\": the root of a volume.
bool IsRootPath(const std::wstring& fullPath);
// The root of the volume of a full path, as above; empty when it has none.
std::wstring VolumeRoot(const std::wstring& fullPath);

// The folder part and the last component of a full path ("E:\a\b" gives
// "E:\a" and "b"; "E:\a" gives "E:\" and "a"; a root gives itself and "").
std::wstring ParentPath(const std::wstring& fullPath);
std::wstring LastComponent(const std::wstring& fullPath);

// The folders of a full path from itself up to, not including, its root:
// deepest first ("E:\a\b" gives "E:\a\b", "E:\a"). Raises 9 past 100 levels.
std::vector<std::wstring> FolderLevels(const std::wstring& fullPath);

// Joins a folder path and a name with exactly one backslash.
std::wstring JoinPath(const std::wstring& folder, std::wstring_view name);

// The form a rename by handle names its new path in: "\??\E:\..." or
// "\??\UNC\server\share\..." for a full path, prefixed or not.
std::wstring NtPath(const std::wstring& fullPath);

// A copy is written beside its target under a name of this ending and
// renamed into place only when complete; a name of this ending that is
// still there after a run is a copy that was cut short.
inline constexpr std::wstring_view kPartialCopySuffix = L".ferrimond-part";
// The longest file name a volume holds: in UTF-16 units on Windows, in
// UTF-8 bytes on the Unix file systems behind Wine.
inline constexpr size_t kMaxNameLength = 255;

// The temporary name of a copy that will be called `name`: `name` followed
// by kPartialCopySuffix, with `name` cut short (by whole characters) where
// the whole would exceed kMaxNameLength by either count.
std::wstring PartialCopyName(std::wstring_view name);
// Whether `name` (a name, not a path) is such a temporary name: something
// followed by kPartialCopySuffix, in any letter case.
bool IsPartialCopyName(std::wstring_view name);

}  // namespace ferrimond
