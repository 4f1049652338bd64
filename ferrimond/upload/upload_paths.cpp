#include "ferrimond/upload/upload_paths.h"

#include "ferrimond/support/strings.h"

namespace ferrimond {

namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameCharIgnoringCase(a[i], b[i])) return false;
  }
  return true;
}

// The n-th field of a path, without a copy (the upload maps every folder).
std::wstring_view Field(std::wstring_view path, int n) { return FieldOf(path, n, L'\\'); }

// The text after the n-th "\" (empty when there are fewer).
std::wstring AfterSeparator(const std::wstring& path, int n) {
  size_t pos = 0;
  for (int i = 0; i < n; ++i) {
    pos = path.find(L'\\', pos);
    if (pos == std::wstring::npos) return {};
    ++pos;
  }
  return path.substr(pos);
}

// The name of the folder that holds `folder` ("" for none).
std::wstring ParentName(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  const size_t last = folder.rfind(L'\\');
  if (last == std::wstring::npos) return {};
  folder.erase(last);
  const size_t before = folder.rfind(L'\\');
  return before == std::wstring::npos ? folder : folder.substr(before + 1);
}

}  // namespace

std::wstring DocumentsFolderOf(const std::wstring& profile) {
  return SameName(ParentName(profile), L"Documents and Settings") ? L"My Documents" : L"Documents";
}

std::wstring UploadFolder(const std::wstring& path, const std::wstring& fixedDrive,
                          const std::wstring& profile) {
  std::wstring home = profile;
  while (!home.empty() && home.back() == L'\\') home.pop_back();
  const std::wstring_view fourth = home.empty() ? std::wstring_view() : Field(path, 4);
  const bool older = SameName(fourth, L"my documents");
  const bool current = SameName(fourth, L"documents") && SameName(Field(path, 2), L"users") && !Field(path, 3).empty();
  // A shared profile's documents belong to no user: they keep their path.
  if ((older || current) && !IsSharedProfile(Field(path, 3))) {
    const std::wstring documents = DocumentsFolderOf(home);
    // The older layout onto the older layout: the folder as it is stored.
    if (older && documents == L"My Documents") return home + L"\\" + AfterSeparator(path, 3);
    const std::wstring rest = AfterSeparator(path, 4);
    return home + L"\\" + documents + (rest.empty() ? L"" : L"\\" + rest);
  }
  std::wstring out = path;
  if (!out.empty() && !fixedDrive.empty()) out[0] = fixedDrive[0];
  return out;
}

bool IsSharedProfile(std::wstring_view name) {
  for (const wchar_t* shared : {L"Public", L"Default", L"Default User", L"All Users"}) {
    if (SameName(name, shared)) return true;
  }
  return false;
}

bool IsDriveSystemFolder(std::wstring_view name) {
  for (const wchar_t* system : {L"System Volume Information", L"$RECYCLE.BIN", L"RECYCLER"}) {
    if (SameName(name, system)) return true;
  }
  return false;
}

bool IsWindowsFileName(std::wstring_view name) {
  for (const wchar_t c : name) {
    if (c < 0x20 || c == L'\\' || c == L'/' || c == L':') return false;
  }
  return true;
}

std::wstring SavedVersionName(const std::wstring& name, int number) {
  const size_t dot = name.rfind(L'.');
  const size_t stem = dot == std::wstring::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, stem) + L" (" + std::to_wstring(number) + L")" + name.substr(stem);
}

std::wstring BelowRoot(const std::wstring& path) {
  const size_t root = path.find(L'\\');
  return root == std::wstring::npos ? std::wstring() : path.substr(root + 1);
}

}  // namespace ferrimond
