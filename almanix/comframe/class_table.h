#pragma once
// The library's four public classes in type-library order.
#include <windows.h>

namespace almanix::com {

struct PublicClass {
  const CLSID& clsid;
  const wchar_t* name;    // coclass name
  const wchar_t* progId;  // version-independent ProgID; null: not creatable by clients
  int toolboxBitmap;      // resource id; 0 for none
};

extern const PublicClass kPublicClasses[4];

// The OLEMISC bits of both controls: recompose on resize, can't link
// inside, inside-out, activate when visible, set client site first.
inline constexpr DWORD kControlMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                            OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                                            OLEMISC_SETCLIENTSITEFIRST;

// The type library's identity.
extern const GUID kLibraryId;
inline constexpr WORD kLibraryMajor = 4, kLibraryMinor = 1;
inline constexpr LCID kLibraryLocale = 0x409;

}  // namespace almanix::com
