#include "tests/harness/wine_drives.h"

#include <windows.h>
#include <winioctl.h>

#include <stdexcept>
#include <vector>

namespace harness {

namespace {

// Wine's mount manager control for defining a drive letter (the same one its
// configuration tool uses). Layout as Wine declares it.
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x0000006D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
  ULONG size, type, fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset, device_offset, label_offset;
};

// DRIVE_NO_ROOT_DIR removes the letter.
bool DefineDrive(wchar_t letter, UINT type, const std::string& unixFolder) {
  std::vector<char> buffer(sizeof(UnixDriveRequest) + unixFolder.size() + 1, 0);
  auto* request = reinterpret_cast<UnixDriveRequest*>(buffer.data());
  request->size = static_cast<ULONG>(buffer.size());
  request->type = type;
  request->letter = static_cast<WCHAR>(towlower(letter));
  if (!unixFolder.empty()) request->mount_point_offset = sizeof(UnixDriveRequest);
  memcpy(buffer.data() + sizeof(UnixDriveRequest), unixFolder.c_str(), unixFolder.size());
  HANDLE mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  DWORD bytes = 0;
  const BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0,
                                  &bytes, nullptr);
  CloseHandle(mgr);
  return ok != 0;
}

// One of Wine's own path conversions; empty where there is none.
template <class Out, class In>
Out WinePath(const char* name, const In* path) {
  using Converted = typename Out::value_type*;
  auto fn = reinterpret_cast<Converted(CDECL*)(const In*)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
  Converted converted = fn ? fn(path) : nullptr;
  const Out out = converted ? Out(converted) : Out();
  if (converted) HeapFree(GetProcessHeap(), 0, converted);
  return out;
}

}  // namespace

std::string UnixPath(const std::wstring& windowsPath) {
  return WinePath<std::string>("wine_get_unix_file_name", windowsPath.c_str());
}

std::wstring DosPath(const std::string& unixPath) {
  return WinePath<std::wstring>("wine_get_dos_file_name", unixPath.c_str());
}

bool StartProcess(const wchar_t* application, std::wstring commandLine, PROCESS_INFORMATION& pi) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  for (int tries = 3;; Sleep(500)) {
    if (CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return true;
    if (GetLastError() != ERROR_INTERNAL_ERROR || --tries == 0) return false;
  }
}

bool RunUnix(std::wstring command, const std::function<bool()>& done) {
  PROCESS_INFORMATION pi{};
  if (!StartProcess(nullptr, std::move(command), pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  return done();
}

// (The link's folder is asked for, as a name ending in a dot would lose it
// on the way.)
bool UnixLink(const std::string& target, const std::wstring& link) {
  const size_t cut = link.find_last_of(L'\\');
  const std::string folder = UnixPath(link.substr(0, cut + 1));
  return !folder.empty() && !target.empty() &&
         RunUnix(L"/bin/ln -s \"" + WideUnix(target) + L"\" \"" + WideUnix(folder) + L"/" + link.substr(cut + 1) + L"\"",
                 [&] { return Exists(link); });
}

MappedDrive::MappedDrive(wchar_t letter, DriveKind kind, const std::string& unixFolder)
    : letter_(static_cast<wchar_t>(towupper(letter))), unixFolder_(unixFolder) {
  if (unixFolder_.empty()) {
    folder_ = std::make_unique<TempDir>();
    unixFolder_ = UnixPath(folder_->Path());
  }
  UnmapDrive(letter_);
  if (!DefineUnixDrive(letter_, kind, unixFolder_)) throw std::runtime_error("cannot define drive letter");
  if (!folder_) EmptyFolder(Root());
}

MappedDrive::~MappedDrive() {
  EmptyFolder(Root());
  UnmapDrive(letter_);
  // Wine remembers the drives' roots for a second: a folder made meanwhile
  // on this root's inode would be taken for this drive's root. The emptied
  // folder goes when the process ends.
  static std::vector<std::unique_ptr<TempDir>> retired;
  if (folder_) retired.push_back(std::move(folder_));
}

void UnmapDrive(wchar_t letter) { DefineDrive(letter, DRIVE_NO_ROOT_DIR, {}); }

bool DefineUnixDrive(wchar_t letter, DriveKind kind, const std::string& unixFolder) {
  constexpr UINT kTypes[] = {DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_CDROM, DRIVE_REMOTE};
  return DefineDrive(letter, kTypes[static_cast<int>(kind)], unixFolder);
}

std::unique_ptr<MappedDrive> MapSmallTmpfs(wchar_t letter, std::string* whyNot) {
  const char* folder = getenv("FERRIMOND_TEST_TMPFS");
  // The fixture leaves "<folder>.mounted" beside it only when the mount worked.
  const std::wstring marker = folder ? DosPath(std::string(folder) + ".mounted") : L"";
  if (!marker.empty() && GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES)
    return std::make_unique<MappedDrive>(letter, DriveKind::Removable, folder);
  if (whyNot) *whyNot = folder ? std::string("no tmpfs mounted at ") + folder + " (mounting needs root)"
                               : "FERRIMOND_TEST_TMPFS is not set";
  return nullptr;
}

}  // namespace harness
