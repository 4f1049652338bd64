#pragma once
// Persistence between the controls' common::PropertyBag and what hosts
// offer: a host's IPropertyBag, or a stream (IPersistStreamInit,
// IPersistStorage) through a bag kept in memory.
#include <windows.h>
#include <ocidl.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/property_bag.h"

namespace almanix::com {

// The bag name, dispatch id and stored type of a persisted property.
struct PropertyId {
  const wchar_t* bagName;
  DISPID dispid;
  VARTYPE type;  // a bag's text is read as this type
};

// The controls' bag over a host's IPropertyBag. Dates ("Value", "MinDate",
// "MaxDate") are written as dates; "Font" is kept in the host's bag as a
// standard font object and seen by the controls as their font text. Bags
// that keep text (HTML PARAM bags) answer with text: a number or Boolean
// property's text is read as its type, in the invariant locale.
class HostPropertyBag : public common::PropertyBag {
 public:
  HostPropertyBag(IPropertyBag* bag, IErrorLog* log, std::span<const PropertyId> properties = {})
      : bag_(bag), log_(log), properties_(properties) {}

  std::optional<common::PropertyValue> Read(const std::wstring& name) const override;
  void Write(const std::wstring& name, const common::PropertyValue& value) override;

  // The first failed write, S_OK when none failed.
  HRESULT WriteResult() const { return writeResult_; }

 private:
  IPropertyBag* bag_;
  IErrorLog* log_;
  std::span<const PropertyId> properties_;
  HRESULT writeResult_ = S_OK;
};

// An IPropertyBag in memory that saves to and loads from a stream. Lives
// on the stack of one Load or Save; it is not reference counted.
class MemoryBag final : public IPropertyBag {
 public:
  MemoryBag() = default;
  ~MemoryBag();
  MemoryBag(const MemoryBag&) = delete;
  MemoryBag& operator=(const MemoryBag&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

  // The format: "ALMX", version 1, the number of entries, then each entry
  // as its name, its variant type and its value; objects (the font) are
  // saved through their IPersistStream with their class id. Loading takes
  // an object only for "Font" and only as a standard font.
  HRESULT Save(IStream* stream) const;
  HRESULT Load(IStream* stream);

 private:
  std::vector<std::pair<std::wstring, VARIANT>> values_;
};

}  // namespace almanix::com
