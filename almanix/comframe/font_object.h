#pragma once
// The picker's font as a standard font object (OLE StdFont) and back.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "almanix/picker/date_picker.h"

namespace almanix::com {

// A new standard font object with the font's attributes.
HRESULT CreateFontObject(const PickerFont& font, IFont** out);
// The attributes of a font object (any object answering for IFont); false
// when it is none.
bool FontOfObject(IUnknown* object, PickerFont& font);

}  // namespace almanix::com
