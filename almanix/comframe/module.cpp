// The four exported entry points and the module's reference counts.
#include "almanix/comframe/module.h"

#include <atomic>
#include <mutex>

#include "almanix/comframe/class_factory.h"
#include "almanix/comframe/registration.h"
#include "almanix/core/accessible.h"
#include "almanix/core/control_window.h"
#include "almanix/core/library_state.h"

namespace almanix::com {

namespace {

std::atomic<long> objects{0};
std::atomic<long> locks{0};

struct TypeLibraryCache {
  std::mutex lock;
  ITypeLib* library = nullptr;
};

TypeLibraryCache& Cache() {
  static TypeLibraryCache cache;
  return cache;
}

}  // namespace

void ObjectCreated() { ++objects; }

void ObjectDestroyed() {
  if (--objects == 0) ReleaseTypeLibrary();
}

void LockModule(bool lock) {
  if (lock) ++locks;
  else --locks;
}

bool CanUnload() {
  return objects.load() == 0 && locks.load() == 0 && LiveControlWindows() == 0 && LiveStates() == 0 &&
         LiveAccessibleObjects() == 0;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

HRESULT GetTypeInfoOf(REFGUID guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  TypeLibraryCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  if (!cache.library) {
    HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &cache.library);
    if (FAILED(hr)) return hr;
  }
  return cache.library->GetTypeInfoOfGuid(guid, out);
}

void ReleaseTypeLibrary() {
  TypeLibraryCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  if (cache.library) cache.library->Release();
  cache.library = nullptr;
}

}  // namespace almanix::com

using namespace almanix;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  // Window classes are unregistered by DllCanUnloadNow, not here under the
  // loader lock.
  if (reason == DLL_PROCESS_DETACH && !reserved) FreeStateSlot();
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return com::GetClassFactory(clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
  if (!com::CanUnload()) return S_FALSE;
  com::ReleaseTypeLibrary();
  // No window of ours is left: the classes go before the module may.
  UnregisterControlClasses();
  return S_OK;
}

STDAPI DllRegisterServer() {
  try {
    return com::RegisterServer();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllUnregisterServer() {
  try {
    return com::UnregisterServer();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
