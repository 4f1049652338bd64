#pragma once
// Self-registration: the classes, ProgIDs, control flags and the type
// library under HKEY_CLASSES_ROOT, and their removal.
#include <windows.h>

#include <string>
#include <vector>

namespace almanix::com {

// One registry value the registration writes: a key under
// HKEY_CLASSES_ROOT, a value name (empty for the key's default value) and
// its text.
struct RegistryValue {
  std::wstring key;
  std::wstring name;
  std::wstring data;
};

// Everything written for the classes, in writing order, for the module at
// `modulePath` (the type library's keys come from RegisterTypeLib).
std::vector<RegistryValue> ClassRegistration(const std::wstring& modulePath);

HRESULT RegisterServer();
// Removes the class keys, the ProgIDs that still name our classes, and
// the type library's registration.
HRESULT UnregisterServer();

}  // namespace almanix::com
