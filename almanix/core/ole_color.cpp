#include "almanix/core/ole_color.h"

#include <olectl.h>

namespace almanix {

COLORREF TranslateColor(OleColor color) {
  COLORREF out = 0;
  if (FAILED(OleTranslateColor(static_cast<OLE_COLOR>(color), nullptr, &out))) return CLR_INVALID;
  return out;
}

}  // namespace almanix
