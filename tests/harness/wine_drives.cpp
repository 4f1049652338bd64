#include "tests/harness/wine_drives.h"

#include <windows.h>
#include <winioctl.h>

#include <stdexcept>
#include <vector>


namespace harness {

namespace {

// Wine's mount manager control for defining a drive letter (the same one its
// configuration tool uses). Layout as Wine declares it.
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x0000006D, 32, METHOD_BUFFERED,
                                            FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};

UINT DriveType(DriveKind kind) {
  switch (kind) {
    case DriveKind::Fixed: return DRIVE_FIXED;
    case DriveKind::Removable: return DRIVE_REMOVABLE;
    case DriveKind::CdRom: return DRIVE_CDROM;
    case DriveKind::Network: return DRIVE_REMOTE;
  }
  return DRIVE_FIXED;
}

bool DefineDrive(wchar_t letter, UINT type, const std::string& unixFolder) {
  std::vector<char> buffer(sizeof(UnixDriveRequest) + unixFolder.size() + 1, 0);
  auto* request = reinterpret_cast<UnixDriveRequest*>(buffer.data());
  request->size = static_cast<ULONG>(buffer.size());
  request->type = type;
  request->letter = static_cast<WCHAR>(towlower(letter));
  if (!unixFolder.empty()) {
    request->mount_point_offset = sizeof(UnixDriveRequest);
    memcpy(buffer.data() + sizeof(UnixDriveRequest), unixFolder.c_str(), unixFolder.size());
  }
  HANDLE mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  DWORD bytes = 0;
  const BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buffer.data(),
                                  static_cast<DWORD>(buffer.size()), nullptr, 0, &bytes, nullptr);
  CloseHandle(mgr);
  return ok != 0;
}

void DefineOrThrow(wchar_t letter, UINT type, const std::string& unixFolder) {
  if (!DefineDrive(letter, type, unixFolder)) throw std::runtime_error("cannot define drive letter");
}


}  // namespace

void EmptyFolder(const std::wstring& root) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((root + L"*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") RemoveTree(root + name);
  } while (FindNextFileW(find, &fd));
  FindClose(find);
}

std::string UnixPath(const std::wstring& windowsPath) {
  using Fn = char*(CDECL*)(LPCWSTR);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* unix = fn(windowsPath.c_str());
  if (!unix) return {};
  std::string out = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

bool RunUnix(std::wstring command, const std::function<bool()>& done) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  return done();
}

MappedDrive::MappedDrive(wchar_t letter, DriveKind kind)
    : letter_(static_cast<wchar_t>(towupper(letter))), folder_(std::make_unique<TempDir>()) {
  UnmapDrive(letter_);
  unixFolder_ = UnixPath(folder_->Path());
  DefineOrThrow(letter_, DriveType(kind), unixFolder_);
}

MappedDrive::MappedDrive(wchar_t letter, DriveKind kind, const std::string& unixFolder)
    : letter_(static_cast<wchar_t>(towupper(letter))), unixFolder_(unixFolder) {
  UnmapDrive(letter_);
  DefineOrThrow(letter_, DriveType(kind), unixFolder);
  EmptyFolder(Root());
}

MappedDrive::~MappedDrive() {
  if (!folder_) EmptyFolder(Root());
  UnmapDrive(letter_);
}

std::string MappedDrive::UnixFolder() const { return unixFolder_; }

std::wstring MappedDrive::Root() const { return std::wstring(1, letter_) + L":\\"; }

void UnmapDrive(wchar_t letter) { DefineDrive(letter, DRIVE_NO_ROOT_DIR, {}); }

bool DefineUnixDrive(wchar_t letter, DriveKind kind, const std::string& unixFolder) {
  return DefineDrive(letter, DriveType(kind), unixFolder);
}

std::unique_ptr<MappedDrive> MapSmallTmpfs(wchar_t letter, std::string* whyNot) {
  char value[4096];
  const DWORD n = GetEnvironmentVariableA("FERRIMOND_TEST_TMPFS", value, sizeof value);
  if (n == 0 || n >= sizeof value) {
    if (whyNot) *whyNot = "FERRIMOND_TEST_TMPFS is not set";
    return nullptr;
  }
  const std::string folder(value, n);
  // The fixture leaves "<folder>.mounted" beside it only when the mount worked.
  std::wstring markerDos;
  {
    using Fn = WCHAR*(CDECL*)(LPCSTR);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (fn) {
      if (WCHAR* dos = fn((folder + ".mounted").c_str())) {
        markerDos = dos;
        HeapFree(GetProcessHeap(), 0, dos);
      }
    }
  }
  if (markerDos.empty() || GetFileAttributesW(markerDos.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (whyNot) *whyNot = "no tmpfs mounted at " + folder + " (mounting needs root)";
    return nullptr;
  }
  return std::make_unique<MappedDrive>(letter, DriveKind::Removable, folder);
}

}  // namespace harness
