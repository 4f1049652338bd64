#include "common/property_bag.h"

namespace common {

namespace {

std::optional<double> AsNumber(const PropertyValue& v) {
  if (auto b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;
  if (auto l = std::get_if<int32_t>(&v)) return *l;
  if (auto d = std::get_if<double>(&v)) return *d;
  return std::nullopt;
}

}  // namespace

bool PropertyBag::ReadBool(const std::wstring& name, bool def) const {
  auto v = Read(name);
  if (!v) return def;
  auto n = AsNumber(*v);
  return n ? *n != 0 : def;
}

int32_t PropertyBag::ReadLong(const std::wstring& name, int32_t def) const {
  auto v = Read(name);
  if (!v) return def;
  auto n = AsNumber(*v);
  if (!n || *n < INT32_MIN || *n > INT32_MAX) return def;
  return static_cast<int32_t>(*n);
}

double PropertyBag::ReadDouble(const std::wstring& name, double def) const {
  auto v = Read(name);
  if (!v) return def;
  auto n = AsNumber(*v);
  return n ? *n : def;
}

std::wstring PropertyBag::ReadString(const std::wstring& name, const std::wstring& def) const {
  auto v = Read(name);
  if (!v) return def;
  if (auto s = std::get_if<std::wstring>(&*v)) return *s;
  return def;
}

PropertyValue PropertyBag::ReadValue(const std::wstring& name, const PropertyValue& def) const {
  auto v = Read(name);
  return v ? *v : def;
}

void PropertyBag::WriteWithDefault(const std::wstring& name, const PropertyValue& value,
                                   const PropertyValue& def) {
  if (value != def) Write(name, value);
}

std::optional<PropertyValue> MemoryPropertyBag::Read(const std::wstring& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void MemoryPropertyBag::Write(const std::wstring& name, const PropertyValue& value) {
  if (values_.find(name) == values_.end()) order_.push_back(name);
  values_[name] = value;
}

}  // namespace common
