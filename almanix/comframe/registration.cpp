#include "almanix/comframe/registration.h"

#include <oleauto.h>
#include <olectl.h>

#include <cwchar>

#include "almanix/comframe/class_table.h"
#include "almanix/comframe/module.h"

namespace almanix::com {

namespace {

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

bool WriteValue(const RegistryValue& v) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, v.key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(v.data.c_str()),
                                 static_cast<DWORD>((v.data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

// The default value of a key under HKEY_CLASSES_ROOT; empty when missing.
std::wstring ReadDefault(const std::wstring& key) {
  wchar_t data[256] = {};
  LONG size = sizeof(data);
  if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), data, &size) != ERROR_SUCCESS) return {};
  return data;
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = 0) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

// Deletes a key and everything under it; true only when HKEY_CLASSES_ROOT
// no longer shows it: of a class registered both per user and per machine,
// the delete removes the user's copy and the machine's still shows.
bool DeleteTree(const std::wstring& key) {
  const LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) && !KeyExists(HKEY_CLASSES_ROOT, key);
}

// Whether the library of the other bitness has the class registered: the
// ProgIDs under HKEY_CLASSES_ROOT are one key for both views.
bool OtherViewHasClass(const std::wstring& clsid) {
  const std::wstring key = L"CLSID\\" + clsid + L"\\InprocServer32";
  if (sizeof(void*) == 8) return KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\WOW6432Node\\" + key);
  // A system of one view answers with our own (removed) key.
  return KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + key, KEY_WOW64_64KEY);
}

}  // namespace

std::vector<RegistryValue> ClassRegistration(const std::wstring& modulePath) {
  const std::wstring libId = GuidText(kLibraryId);
  const std::wstring version = std::to_wstring(kLibraryMajor) + L"." + std::to_wstring(kLibraryMinor);
  std::vector<RegistryValue> out;
  for (const PublicClass& c : kPublicClasses) {
    const std::wstring key = L"CLSID\\" + GuidText(c.clsid);
    out.push_back({key, L"", c.name});
    out.push_back({key + L"\\InprocServer32", L"", modulePath});
    out.push_back({key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});
    out.push_back({key + L"\\TypeLib", L"", libId});
    out.push_back({key + L"\\Version", L"", version});
    if (!c.progId) continue;  // a public class clients cannot create
    const std::wstring progId = c.progId, current = progId + L".1";
    out.push_back({key + L"\\ProgID", L"", current});
    out.push_back({key + L"\\VersionIndependentProgID", L"", progId});
    out.push_back({key + L"\\Control", L"", L""});
    out.push_back({key + L"\\Insertable", L"", L""});
    out.push_back({key + L"\\MiscStatus", L"", L"0"});
    out.push_back({key + L"\\MiscStatus\\1", L"", std::to_wstring(kControlMiscStatus)});
    out.push_back({key + L"\\ToolboxBitmap32", L"", modulePath + L", " + std::to_wstring(c.toolboxBitmap)});
    out.push_back({current, L"", c.name});
    out.push_back({current + L"\\CLSID", L"", GuidText(c.clsid)});
    out.push_back({current + L"\\Insertable", L"", L""});
    out.push_back({progId, L"", c.name});
    out.push_back({progId + L"\\CLSID", L"", GuidText(c.clsid)});
    out.push_back({progId + L"\\CurVer", L"", current});
  }
  return out;
}

HRESULT RegisterServer() {
  const std::wstring path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  for (const RegistryValue& v : ClassRegistration(path)) {
    if (!WriteValue(v)) {
      UnregisterServer();
      return SELFREG_E_CLASS;
    }
  }
  ITypeLib* library = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (SUCCEEDED(hr)) {
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
    hr = RegisterTypeLib(library, const_cast<LPOLESTR>(path.c_str()), const_cast<LPOLESTR>(folder.c_str()));
    library->Release();
  }
  if (FAILED(hr)) {
    UnregisterServer();
    return SELFREG_E_TYPELIB;
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  bool removed = true;
  for (const PublicClass& c : kPublicClasses) {
    const std::wstring clsid = GuidText(c.clsid);
    removed = DeleteTree(L"CLSID\\" + clsid) && removed;
    if (!c.progId || OtherViewHasClass(clsid)) continue;
    // A ProgID that another server took over since is not ours to remove.
    for (const std::wstring& progId : {std::wstring(c.progId) + L".1", std::wstring(c.progId)}) {
      if (_wcsicmp(ReadDefault(progId + L"\\CLSID").c_str(), clsid.c_str()) == 0)
        removed = DeleteTree(progId) && removed;
    }
  }
  const std::wstring version = std::to_wstring(kLibraryMajor) + L"." + std::to_wstring(kLibraryMinor);
  wchar_t locale[16];
  swprintf(locale, 16, L"%lx", static_cast<unsigned long>(kLibraryLocale));
  const std::wstring libKey = L"TypeLib\\" + GuidText(kLibraryId) + L"\\" + version + L"\\" + locale +
                              (kSysKind == SYS_WIN64 ? L"\\win64" : L"\\win32");
  // TYPE_E_REGISTRYACCESS also means "not registered": only a key that
  // stays is a failure.
  UnRegisterTypeLib(kLibraryId, kLibraryMajor, kLibraryMinor, kLibraryLocale, kSysKind);
  if (!removed) return SELFREG_E_CLASS;
  return KeyExists(HKEY_CLASSES_ROOT, libKey) ? SELFREG_E_TYPELIB : S_OK;
}

}  // namespace almanix::com
