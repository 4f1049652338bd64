#include "almanix/core/control_window.h"

namespace almanix {

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
  if (GetClassInfoExW(module, name, &wc)) return module;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = module;
  wc.hCursor = cursor;
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
  return module;
}

void* AttachedControl(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    void* control = reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
  }
  return reinterpret_cast<void*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace almanix
