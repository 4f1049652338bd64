// The type library embedded in Almanix.dll, read back as hosts read it (its
// identity is what the registration test finds under TypeLib): coclasses,
// interfaces, event ids and the types hosts offer pickers for.
#include "tests/almanix/com_test.h"

#include <oleauto.h>

#include <string>

namespace almanix::testing {
namespace {

struct TypeLibrary : ::testing::Test {
  void SetUp() override {
    OleInitialize(nullptr);
    ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, &library), S_OK);
  }
  void TearDown() override { OleUninitialize(); }

  ComPtr<ITypeInfo> Info(REFGUID guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library->GetTypeInfoOfGuid(guid, &info), S_OK);
    return info;
  }
  static TYPEATTR Attr(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    TYPEATTR copy = *attr;
    info->ReleaseTypeAttr(attr);
    return copy;
  }
  // Calls f(desc) for each function of `info`.
  template <class F>
  static void ForEachFunc(ITypeInfo* info, F f) {
    for (UINT i = 0, n = Attr(info).cFuncs; i < n; ++i) {
      FUNCDESC* desc = nullptr;
      info->GetFuncDesc(i, &desc);
      f(*desc);
      info->ReleaseFuncDesc(desc);
    }
  }
  static std::wstring Name(ITypeInfo* info, MEMBERID id) {
    BSTR name = nullptr;
    info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
    std::wstring out = name ? name : L"";
    SysFreeString(name);
    return out;
  }

  ComPtr<ITypeLib> library;
};

// The controls are creatable controls with events; the drawing classes are
// neither. Default interfaces are dual, event interfaces pure dispatch (the
// events' ids and by-reference arguments are what the contract test's sinks
// hear).
TEST_F(TypeLibrary, CoclassesDualDefaultInterfacesAndEventInterfaces) {
  struct Coclass { GUID clsid; GUID dual; const GUID* events; };
  for (const Coclass& c : {Coclass{CLSID_MonthCalendar, IID__MonthCalendar, &DIID___MonthCalendar},
                           Coclass{CLSID_CFrame, IID__CFrame, nullptr}, Coclass{CLSID_cMDC, IID__cMDC, nullptr},
                           Coclass{CLSID_DatePicker, IID__DatePicker, &DIID___DatePicker}}) {
    ComPtr<ITypeInfo> info = Info(c.clsid);
    const TYPEATTR a = Attr(info.Get());
    const bool control = c.events != nullptr;
    EXPECT_EQ((a.wTypeFlags & TYPEFLAG_FCONTROL) != 0, control);
    EXPECT_EQ((a.wTypeFlags & TYPEFLAG_FCANCREATE) != 0, control);
    ASSERT_EQ(a.cImplTypes, control ? 2 : 1);
    if (control) {  // a control's IDispatch hands out its interface's information
      Library dll;
      ComPtr<IDispatch> object = dll.Create<IDispatch>(c.clsid);
      UINT count = 0;
      ComPtr<ITypeInfo> own;
      ASSERT_TRUE(object && SUCCEEDED(object->GetTypeInfoCount(&count)) && SUCCEEDED(object->GetTypeInfo(0, 0, &own)));
      EXPECT_EQ(count, 1u);
      EXPECT_EQ(Attr(own.Get()).guid, c.dual);
    }
    for (UINT k = 0; k < a.cImplTypes; ++k) {
      INT flags = 0;
      HREFTYPE ref;
      ComPtr<ITypeInfo> impl;
      info->GetImplTypeFlags(k, &flags);
      info->GetRefTypeOfImplType(k, &ref);
      info->GetRefTypeInfo(ref, &impl);
      const bool source = flags & IMPLTYPEFLAG_FSOURCE;
      const TYPEATTR i = Attr(impl.Get());
      EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
      EXPECT_EQ(i.guid, source ? *c.events : c.dual);
      EXPECT_EQ(i.typekind, TKIND_DISPATCH);
      EXPECT_EQ((i.wTypeFlags & TYPEFLAG_FDUAL) != 0, !source);
    }
  }
}

// Colours are OLE_COLOR and the font a standard font, so hosts offer their
// colour and font pickers (Value as the default member is the script test's).
TEST_F(TypeLibrary, ColoursAndFontAsHostsOfferPickersForThem) {
  ComPtr<ITypeInfo> picker = Info(IID__DatePicker);
  int typed = 0;
  ForEachFunc(picker.Get(), [&](const FUNCDESC& f) {
    if ((f.memid != DISPID_BACKCOLOR && f.memid != DISPID_FONT) || f.invkind != INVOKE_PROPERTYGET) return;
    const TYPEDESC& t = f.elemdescFunc.tdesc.vt == VT_PTR ? *f.elemdescFunc.tdesc.lptdesc : f.elemdescFunc.tdesc;
    ASSERT_EQ(t.vt, VT_USERDEFINED) << "property " << f.memid;
    ComPtr<ITypeInfo> ref;
    picker->GetRefTypeInfo(t.hreftype, &ref);
    ++typed;
    if (f.memid == DISPID_FONT) {
      EXPECT_EQ(Name(ref.Get(), MEMBERID_NIL), L"IFontDisp");
    } else {
      EXPECT_EQ(Name(ref.Get(), MEMBERID_NIL), L"OLE_COLOR");
      EXPECT_EQ(Attr(ref.Get()).guid, GUID({0x66504301, 0xBE0F, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}}));
    }
  });
  EXPECT_EQ(typed, 2);
}

}  // namespace
}  // namespace almanix::testing
