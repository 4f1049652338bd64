#include "almanix/core/bag_values.h"

#include <cwchar>

#include "almanix/core/date_range.h"
#include "common/date_text.h"

namespace almanix {

common::DateTime ReadBagDate(const common::PropertyBag& bag, const wchar_t* name, common::DateTime def) {
  auto v = bag.Read(name);
  if (!v) return def;
  if (auto d = std::get_if<double>(&*v)) return IsRepresentableDate(*d) ? common::DateTime(*d) : def;
  if (auto s = std::get_if<std::wstring>(&*v)) {
    int m = 0, d = 0, y = 0;
    wchar_t tail = 0;
    common::DateTime out;
    if (swscanf(s->c_str(), L"%d/%d/%d%lc", &m, &d, &y, &tail) == 3 &&
        common::DateTime::FromParts({y, m, d, 0, 0, 0}, out))
      return out;
    if (common::ParseDate(*s, out)) return out;
  }
  return def;
}

OleColor ReadBagColor(const common::PropertyBag& bag, const wchar_t* name, OleColor def) {
  return static_cast<OleColor>(bag.ReadLong(name, static_cast<int32_t>(def)));
}

void WriteBagColor(common::PropertyBag& bag, const wchar_t* name, OleColor value, OleColor def) {
  bag.WriteWithDefault(name, static_cast<int32_t>(value), static_cast<int32_t>(def));
}

}  // namespace almanix
