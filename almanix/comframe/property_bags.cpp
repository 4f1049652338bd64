#include "almanix/comframe/property_bags.h"

#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <cstring>

#include "almanix/comframe/font_object.h"

namespace almanix::com {

using Microsoft::WRL::ComPtr;

namespace {

bool IsDateName(const std::wstring& name) {
  return name == L"Value" || name == L"MinDate" || name == L"MaxDate";
}
bool IsFontName(const std::wstring& name) { return name == L"Font"; }

// A variant the controls understand, or nothing.
std::optional<common::PropertyValue> FromVariant(const std::wstring& name, VARIANT& v) {
  switch (v.vt) {
    case VT_NULL: return common::PropertyValue{};
    case VT_BOOL: return common::PropertyValue{v.boolVal != VARIANT_FALSE};
    case VT_UI4: return common::PropertyValue{static_cast<int32_t>(v.ulVal)};  // colours
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_INT: case VT_UINT:
      if (SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4))) return common::PropertyValue{static_cast<int32_t>(v.lVal)};
      return std::nullopt;
    case VT_R4: case VT_R8: case VT_DATE: case VT_CY: case VT_DECIMAL:
      if (SUCCEEDED(VariantChangeType(&v, &v, 0, VT_R8))) return common::PropertyValue{v.dblVal};
      return std::nullopt;
    case VT_BSTR: return common::PropertyValue{std::wstring(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal))};
    case VT_DISPATCH: case VT_UNKNOWN: {
      PickerFont font;
      if (IsFontName(name) && FontOfObject(v.punkVal, font)) return common::PropertyValue{FontToText(font)};
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

HRESULT ToVariant(const std::wstring& name, const common::PropertyValue& value, VARIANT& v) {
  VariantInit(&v);
  if (const auto* b = std::get_if<bool>(&value)) {
    v.vt = VT_BOOL;
    v.boolVal = *b ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* l = std::get_if<int32_t>(&value)) {
    v.vt = VT_I4;
    v.lVal = *l;
  } else if (const auto* d = std::get_if<double>(&value)) {
    v.vt = IsDateName(name) ? VT_DATE : VT_R8;
    v.dblVal = *d;
  } else if (const auto* s = std::get_if<std::wstring>(&value)) {
    PickerFont font;
    if (IsFontName(name) && FontFromText(*s, font)) {
      IFont* object = nullptr;
      HRESULT hr = CreateFontObject(font, &object);
      if (FAILED(hr)) return hr;
      hr = object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&v.pdispVal));
      object->Release();
      if (FAILED(hr)) return hr;
      v.vt = VT_DISPATCH;
    } else {
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocStringLen(s->data(), static_cast<UINT>(s->size()));
      if (!v.bstrVal) return E_OUTOFMEMORY;
    }
  } else {
    v.vt = VT_NULL;
  }
  return S_OK;
}

// Reading and writing the stream, all or nothing.
HRESULT WriteBytes(IStream* s, const void* data, ULONG size) {
  ULONG written = 0;
  HRESULT hr = s->Write(data, size, &written);
  return FAILED(hr) ? hr : written == size ? S_OK : STG_E_WRITEFAULT;
}
HRESULT ReadBytes(IStream* s, void* data, ULONG size) {
  ULONG read = 0;
  HRESULT hr = s->Read(data, size, &read);
  return FAILED(hr) ? hr : read == size ? S_OK : STG_E_READFAULT;
}
template <class T>
HRESULT WriteScalar(IStream* s, T value) { return WriteBytes(s, &value, sizeof(value)); }
template <class T>
HRESULT ReadScalar(IStream* s, T& value) { return ReadBytes(s, &value, sizeof(value)); }

HRESULT WriteText(IStream* s, const wchar_t* text, uint32_t length) {
  HRESULT hr = WriteScalar(s, length);
  return FAILED(hr) ? hr : WriteBytes(s, text, length * sizeof(wchar_t));
}
HRESULT ReadText(IStream* s, std::wstring& text) {
  constexpr uint32_t kMaxChars = 1u << 20;  // far beyond any property
  uint32_t length = 0;
  HRESULT hr = ReadScalar(s, length);
  if (FAILED(hr)) return hr;
  if (length > kMaxChars) return E_FAIL;
  text.assign(length, L'\0');
  return ReadBytes(s, text.data(), length * sizeof(wchar_t));
}

// Text for a number or Boolean property, converted as that property's type.
void CoerceText(std::span<const PropertyId> properties, const std::wstring& name, VARIANT& v) {
  VARTYPE type = VT_EMPTY;
  for (const PropertyId& p : properties)
    if (name == p.bagName) type = p.type;
  if (type != VT_I4 && type != VT_BOOL) return;
  VARIANT converted;
  VariantInit(&converted);
  HRESULT hr = VariantChangeTypeEx(&converted, &v, LOCALE_INVARIANT, 0, type);
  // Colours may be written unsigned (2147483653 or &H80000005).
  if (FAILED(hr) && type == VT_I4) hr = VariantChangeTypeEx(&converted, &v, LOCALE_INVARIANT, 0, VT_UI4);
  if (FAILED(hr)) return;
  VariantClear(&v);
  v = converted;
}

// The standard font saved at the stream's position: its class id, then
// the font's own data. Nothing else is created from a stream.
HRESULT LoadFont(IStream* stream, IUnknown** out) {
  *out = nullptr;
  CLSID clsid{};
  HRESULT hr = ReadClassStm(stream, &clsid);
  if (FAILED(hr)) return hr;
  if (clsid != CLSID_StdFont) return E_FAIL;
  FONTDESC desc{sizeof(desc), const_cast<LPOLESTR>(L"Tahoma"), {{80000, 0}}, FW_NORMAL, DEFAULT_CHARSET,
                FALSE, FALSE, FALSE};
  ComPtr<IPersistStream> font;
  hr = OleCreateFontIndirect(&desc, IID_PPV_ARGS(&font));
  if (SUCCEEDED(hr)) hr = font->Load(stream);
  if (SUCCEEDED(hr)) hr = font->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
  return hr;
}

constexpr uint32_t kMagic = 0x584D4C41;  // "ALMX"
constexpr uint32_t kVersion = 1;
constexpr uint32_t kMaxEntries = 256;

}  // namespace

std::optional<common::PropertyValue> HostPropertyBag::Read(const std::wstring& name) const {
  VARIANT v;
  VariantInit(&v);
  if (FAILED(bag_->Read(name.c_str(), &v, log_))) return std::nullopt;
  if (v.vt == VT_BSTR) CoerceText(properties_, name, v);
  std::optional<common::PropertyValue> out = v.vt == VT_EMPTY ? std::nullopt : FromVariant(name, v);
  VariantClear(&v);
  return out;
}

void HostPropertyBag::Write(const std::wstring& name, const common::PropertyValue& value) {
  VARIANT v;
  HRESULT hr = ToVariant(name, value, v);
  if (SUCCEEDED(hr)) hr = bag_->Write(name.c_str(), &v);
  VariantClear(&v);
  if (FAILED(hr) && SUCCEEDED(writeResult_)) writeResult_ = hr;
}

MemoryBag::~MemoryBag() {
  for (auto& [name, v] : values_) VariantClear(&v);
}

STDMETHODIMP MemoryBag::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
    *out = static_cast<IPropertyBag*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP MemoryBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  for (auto& [key, v] : values_) {
    if (key != name) continue;
    const VARTYPE wanted = value->vt;
    VariantInit(value);
    if (wanted == VT_EMPTY || wanted == v.vt) return VariantCopy(value, &v);
    return VariantChangeType(value, &v, 0, wanted);
  }
  return E_INVALIDARG;
}

STDMETHODIMP MemoryBag::Write(LPCOLESTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  VARIANT copy;
  VariantInit(&copy);
  HRESULT hr = VariantCopy(&copy, value);
  if (FAILED(hr)) return hr;
  for (auto& [key, v] : values_) {
    if (key == name) {
      VariantClear(&v);
      v = copy;
      return S_OK;
    }
  }
  try {
    values_.emplace_back(name, copy);
  } catch (...) {
    VariantClear(&copy);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT MemoryBag::Save(IStream* stream) const {
  if (!stream) return E_POINTER;
  HRESULT hr = WriteScalar(stream, kMagic);
  if (SUCCEEDED(hr)) hr = WriteScalar(stream, kVersion);
  if (SUCCEEDED(hr)) hr = WriteScalar(stream, static_cast<uint32_t>(values_.size()));
  for (const auto& [name, v] : values_) {
    if (FAILED(hr)) break;
    hr = WriteText(stream, name.c_str(), static_cast<uint32_t>(name.size()));
    if (SUCCEEDED(hr)) hr = WriteScalar(stream, static_cast<uint16_t>(v.vt));
    if (FAILED(hr)) break;
    switch (v.vt) {
      case VT_NULL: case VT_EMPTY: break;
      case VT_BOOL: hr = WriteScalar(stream, v.boolVal); break;
      case VT_I4: hr = WriteScalar(stream, v.lVal); break;
      case VT_R8: case VT_DATE: hr = WriteScalar(stream, v.dblVal); break;
      case VT_BSTR: hr = WriteText(stream, v.bstrVal, SysStringLen(v.bstrVal)); break;
      case VT_DISPATCH: case VT_UNKNOWN: {
        ComPtr<IPersistStream> persist;
        hr = v.punkVal ? v.punkVal->QueryInterface(IID_PPV_ARGS(&persist)) : E_POINTER;
        if (SUCCEEDED(hr)) hr = OleSaveToStream(persist.Get(), stream);
        break;
      }
      default: hr = DISP_E_BADVARTYPE; break;
    }
  }
  return hr;
}

HRESULT MemoryBag::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  uint32_t magic = 0, version = 0, count = 0;
  HRESULT hr = ReadScalar(stream, magic);
  if (SUCCEEDED(hr)) hr = ReadScalar(stream, version);
  if (SUCCEEDED(hr)) hr = ReadScalar(stream, count);
  if (FAILED(hr)) return hr;
  if (magic != kMagic || version != kVersion || count > kMaxEntries) return E_FAIL;
  for (uint32_t i = 0; i < count; ++i) {
    std::wstring name;
    uint16_t vt = 0;
    hr = ReadText(stream, name);
    if (SUCCEEDED(hr)) hr = ReadScalar(stream, vt);
    if (FAILED(hr)) return hr;
    VARIANT v;
    VariantInit(&v);
    switch (vt) {
      case VT_NULL: case VT_EMPTY: break;
      case VT_BOOL: hr = ReadScalar(stream, v.boolVal); break;
      case VT_I4: hr = ReadScalar(stream, v.lVal); break;
      case VT_R8: case VT_DATE: hr = ReadScalar(stream, v.dblVal); break;
      case VT_BSTR: {
        std::wstring text;
        hr = ReadText(stream, text);
        if (SUCCEEDED(hr)) {
          v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
          if (!v.bstrVal) hr = E_OUTOFMEMORY;
        }
        break;
      }
      case VT_DISPATCH: case VT_UNKNOWN:
        hr = IsFontName(name) ? LoadFont(stream, &v.punkVal) : E_FAIL;
        break;
      default: hr = E_FAIL; break;
    }
    if (FAILED(hr)) return hr;
    v.vt = vt;
    hr = Write(name.c_str(), &v);
    VariantClear(&v);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace almanix::com
