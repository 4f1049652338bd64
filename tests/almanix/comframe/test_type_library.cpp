// The type library embedded in Almanix.dll, read back as hosts read it:
// identity, coclasses, interfaces, event ids and Value's binding flags.
#include "tests/almanix/comframe/com_test.h"

#include <oleauto.h>

#include <string>

namespace almanix::comtest {
namespace {

struct TypeLibrary : ::testing::Test {
  void SetUp() override { ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, &library), S_OK); }

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
  // Calls f(desc, index) for each function of `info`.
  template <class F>
  static void ForEachFunc(ITypeInfo* info, F f) {
    for (UINT i = 0, n = Attr(info).cFuncs; i < n; ++i) {
      FUNCDESC* desc = nullptr;
      info->GetFuncDesc(i, &desc);
      f(*desc, i);
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

TEST_F(TypeLibrary, IdentityAndTheFourCoclassesInOrder) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, LIBID_Almanix);
  EXPECT_EQ(attr->lcid, 0x409u);
  EXPECT_EQ(attr->wMajorVerNum, 4);
  EXPECT_EQ(attr->wMinorVerNum, 1);
  library->ReleaseTLibAttr(attr);
  BSTR name = nullptr;
  library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
  EXPECT_STREQ(name, L"Almanix");
  SysFreeString(name);

  struct Coclass { const wchar_t* name; GUID clsid; GUID dual; const GUID* events; bool control; };
  const Coclass expected[] = {
      {L"MonthCalendar", CLSID_MonthCalendar, IID__MonthCalendar, &DIID___MonthCalendar, true},
      {L"CFrame", CLSID_CFrame, IID__CFrame, nullptr, false},
      {L"cMDC", CLSID_cMDC, IID__cMDC, nullptr, false},
      {L"DatePicker", CLSID_DatePicker, IID__DatePicker, &DIID___DatePicker, true},
  };
  size_t next = 0;
  for (UINT i = 0, n = library->GetTypeInfoCount(); i < n; ++i) {
    TYPEKIND kind;
    library->GetTypeInfoType(i, &kind);
    if (kind != TKIND_COCLASS) continue;
    ASSERT_LT(next, std::size(expected));
    const Coclass& c = expected[next++];
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    ComPtr<ITypeInfo> info;
    library->GetTypeInfo(i, &info);
    const TYPEATTR a = Attr(info.Get());
    EXPECT_EQ(Name(info.Get(), MEMBERID_NIL), c.name);
    EXPECT_EQ(a.guid, c.clsid);
    EXPECT_EQ((a.wTypeFlags & TYPEFLAG_FCONTROL) != 0, c.control);
    EXPECT_EQ((a.wTypeFlags & TYPEFLAG_FCANCREATE) != 0, c.control) << "CFrame and cMDC are not creatable";
    ASSERT_EQ(a.cImplTypes, c.events ? 2 : 1);
    for (UINT k = 0; k < a.cImplTypes; ++k) {
      INT flags = 0;
      HREFTYPE ref;
      ComPtr<ITypeInfo> impl;
      info->GetImplTypeFlags(k, &flags);
      info->GetRefTypeOfImplType(k, &ref);
      info->GetRefTypeInfo(ref, &impl);
      const bool source = flags & IMPLTYPEFLAG_FSOURCE;
      EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
      EXPECT_EQ(Attr(impl.Get()).guid, source ? *c.events : c.dual);
    }
  }
  EXPECT_EQ(next, std::size(expected));
}

TEST_F(TypeLibrary, DefaultInterfacesAreDualWithValueAsTheBindableDefaultMember) {
  for (const GUID& iid : {IID__MonthCalendar, IID__CFrame, IID__cMDC, IID__DatePicker}) {
    ComPtr<ITypeInfo> info = Info(iid);
    const TYPEATTR a = Attr(info.Get());
    EXPECT_EQ(a.typekind, TKIND_DISPATCH);
    EXPECT_TRUE(a.wTypeFlags & TYPEFLAG_FDUAL);
    // The vtable half: IDispatch first, then the members.
    HREFTYPE ref;
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(info->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(info->GetRefTypeInfo(ref, &vtable), S_OK);
    EXPECT_EQ(Attr(vtable.Get()).typekind, TKIND_INTERFACE);
  }
  // Colours are OLE_COLOR and the font a standard font, so hosts offer
  // their colour and font pickers.
  ComPtr<ITypeInfo> picker = Info(IID__DatePicker);
  int typed = 0;
  ForEachFunc(picker.Get(), [&](const FUNCDESC& f, UINT) {
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
  for (const GUID& iid : {IID__MonthCalendar, IID__DatePicker}) {
    ComPtr<ITypeInfo> info = Info(iid);
    int valueMembers = 0;
    ForEachFunc(info.Get(), [&](const FUNCDESC& f, UINT) {
      if (f.memid != DISPID_VALUE) return;
      ++valueMembers;
      EXPECT_EQ(Name(info.Get(), f.memid), L"Value");
      EXPECT_EQ(f.wFuncFlags, FUNCFLAG_FBINDABLE | FUNCFLAG_FDEFAULTBIND | FUNCFLAG_FIMMEDIATEBIND);
    });
    EXPECT_EQ(valueMembers, 2) << "get and put";
  }
}

TEST_F(TypeLibrary, EventInterfacesArePureDispatchWithIdsInDeclarationOrderAndArgumentsByReference) {
  for (const GUID& iid : {DIID___MonthCalendar, DIID___DatePicker}) {
    ComPtr<ITypeInfo> info = Info(iid);
    const TYPEATTR a = Attr(info.Get());
    EXPECT_EQ(a.typekind, TKIND_DISPATCH);
    EXPECT_FALSE(a.wTypeFlags & TYPEFLAG_FDUAL);
    ForEachFunc(info.Get(), [&](const FUNCDESC& f, UINT i) {
      EXPECT_EQ(f.memid, static_cast<MEMBERID>(i + 1));
      for (SHORT p = 0; p < f.cParams; ++p) EXPECT_EQ(f.lprgelemdescParam[p].tdesc.vt, VT_PTR) << "by reference";
    });
  }
}

}  // namespace
}  // namespace almanix::comtest
