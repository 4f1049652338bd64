#pragma once
// The library as a loaded module: what keeps it loaded, its own type
// library, and the classes its class factory makes.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace almanix::com {

// Live objects (controls, class factories, connection enumerators).
void ObjectCreated();
void ObjectDestroyed();
// IClassFactory::LockServer.
void LockModule(bool lock);

// Whether nothing of the library is in use in any thread: no object, no
// lock, no window of its classes, no per-thread state (the hooks live in
// it), no accessible object a screen reader still holds.
bool CanUnload();

// The full path of Almanix.dll (or of the program the frame is linked into).
std::wstring ModulePath();

// A type description of the library's own type library (loaded from the
// module's resources on first use and kept while objects live).
HRESULT GetTypeInfoOf(REFGUID guid, ITypeInfo** out);
// Lets the cached type library go (the last object went).
void ReleaseTypeLibrary();

}  // namespace almanix::com
