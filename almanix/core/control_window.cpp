#include "almanix/core/control_window.h"

#include <atomic>
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace almanix {

namespace {

std::atomic<long> liveWindows{0};

struct ClassRegistry {
  std::mutex lock;
  std::vector<std::wstring> names;
};

ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}

}  // namespace

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

HINSTANCE RegisterControlClass(const wchar_t* name, WNDPROC proc, HCURSOR cursor) {
  HINSTANCE module = ThisModule();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(module, name, &wc)) {
    // A class of this thread's earlier use stays; one that an earlier load
    // of the library left behind (unloaded without DllCanUnloadNow) is
    // replaced, so that no window runs a procedure of the old image.
    if (wc.lpfnWndProc != proc) UnregisterClassW(name, module);
  }
  if (wc.lpfnWndProc == proc) {
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> hold(r.lock);
    if (std::find(r.names.begin(), r.names.end(), name) == r.names.end()) r.names.push_back(name);
    return module;
  }
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = module;
  wc.hCursor = cursor;
  wc.lpszClassName = name;
  if (RegisterClassExW(&wc)) {
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> hold(r.lock);
    r.names.push_back(name);
  }
  return module;
}

void UnregisterControlClasses() {
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> hold(r.lock);
  for (const std::wstring& name : r.names) UnregisterClassW(name.c_str(), ThisModule());
  r.names.clear();
}

long LiveControlWindows() { return liveWindows.load(); }

void* AttachedControl(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCDESTROY) --liveWindows;
  if (msg == WM_NCCREATE) {
    ++liveWindows;
    void* control = reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
  }
  return reinterpret_cast<void*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace almanix
