#pragma once
// Window plumbing the controls share: the module they live in, their
// window classes, and the control object behind a window.
#include <windows.h>

namespace almanix {

// The module (library or program) the controls are linked into.
HINSTANCE ThisModule();

// Registers a control's window class in ThisModule() unless it is there
// already; double-clicks are reported. A null cursor leaves the cursor to
// the control. Returns ThisModule().
HINSTANCE RegisterControlClass(const wchar_t* name, WNDPROC proc, HCURSOR cursor = nullptr);

// Unregisters every class RegisterControlClass registered (the library is
// being unloaded; no window of them may be left).
void UnregisterControlClasses();

// For a control's window procedure, called first with every message: at
// WM_NCCREATE keeps the object passed as the creation parameter in the
// window. Returns the object kept (null before WM_NCCREATE and once
// GWLP_USERDATA is cleared). Also counts the controls' windows alive.
void* AttachedControl(HWND hwnd, UINT msg, LPARAM lp);

// Windows of the controls' classes that exist now.
long LiveControlWindows();

}  // namespace almanix
