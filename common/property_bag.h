#pragma once
// Named, typed values with defaults: how user controls persist their
// properties in a host's bag. A value equal to its default is not written.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace common {

// Empty stands for a missing value or the date-or-Null "Null".
using PropertyValue = std::variant<std::monostate, bool, int32_t, double, std::wstring>;

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  // The stored value, or nothing when the name is not in the bag.
  virtual std::optional<PropertyValue> Read(const std::wstring& name) const = 0;
  virtual void Write(const std::wstring& name, const PropertyValue& value) = 0;

  // Reads with a default; a stored value of another type is converted where
  // that makes sense (numbers among themselves, Booleans from numbers).
  bool ReadBool(const std::wstring& name, bool def) const;
  int32_t ReadLong(const std::wstring& name, int32_t def) const;
  double ReadDouble(const std::wstring& name, double def) const;
  std::wstring ReadString(const std::wstring& name, const std::wstring& def) const;
  PropertyValue ReadValue(const std::wstring& name, const PropertyValue& def) const;

  // Writes unless the value equals the default.
  void WriteWithDefault(const std::wstring& name, const PropertyValue& value,
                        const PropertyValue& def);
};

// A bag kept in memory that remembers the order of writes.
class MemoryPropertyBag : public PropertyBag {
 public:
  std::optional<PropertyValue> Read(const std::wstring& name) const override;
  void Write(const std::wstring& name, const PropertyValue& value) override;

  const std::map<std::wstring, PropertyValue>& Values() const { return values_; }
  // Names in the order they were first written.
  const std::vector<std::wstring>& Order() const { return order_; }

 private:
  std::map<std::wstring, PropertyValue> values_;
  std::vector<std::wstring> order_;
};

}  // namespace common
