// Almanix.dll as hosts find it. regsvr32 registers it key by key and
// regsvr32 /u removes exactly that; unregistering leaves what others hold and
// reports what it could not remove. Its embedded type library read back as
// hosts read it. A real script host, cscript, creating both controls by
// ProgID and catching the library's errors.
#include "tests/almanix/com_test.h"

#include <sddl.h>

#include <sstream>

namespace almanix::testing {
namespace {

const std::wstring kLibId = L"{D78906A1-98CD-4199-A5A9-ACDC94BC2F02}";

struct Row {
  std::wstring key, name, data;
};

struct Class { const wchar_t* clsid; const wchar_t* progId; };
const Class kClasses[] = {{L"{2BF3C17D-81F0-4A99-9642-FEEC2733D832}", L"Almanix.MonthCalendar"},
                          {L"{4BCBE909-5B08-4CFB-B28F-5BBCAFAAADD3}", nullptr},
                          {L"{1BCDC48A-FA10-4E2B-BAD2-F63A93A5C20C}", nullptr},
                          {L"{1E4E4BC1-0135-42CA-B099-D9F621F2F825}", L"Almanix.DatePicker"}};
const wchar_t* const kInterfaces[] = {L"{E09E91E5-8ADA-4516-9FB8-2484D03127F3}", L"{36BA4347-FE2D-45EB-B7A3-FEDA55380716}",
                                      L"{1122B952-68B0-4404-BEFA-3B0B3C1EF8CB}", L"{8BA82254-56F9-4DEB-BF78-B6A628724F82}"};

// What hosts find through a registration of the DLL at `dll`.
std::vector<Row> Expected(const std::wstring& dll) {
  std::vector<Row> rows;
  for (const Class& c : kClasses) {
    const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
    rows.insert(rows.end(), {{key + L"\\InprocServer32", L"", dll},
                             {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
                             {key + L"\\TypeLib", L"", kLibId}});
    if (!c.progId) continue;
    const std::wstring progId = c.progId, current = progId + L".1";
    rows.insert(rows.end(), {{key + L"\\ProgID", L"", current},
                             {key + L"\\Control", L"", L""},
                             {progId + L"\\CLSID", L"", c.clsid},
                             {progId + L"\\CurVer", L"", current},
                             {current + L"\\CLSID", L"", c.clsid}});
  }
  rows.push_back({L"TypeLib\\" + kLibId + L"\\4.1\\409\\" + (sizeof(void*) == 8 ? L"win64" : L"win32"), L"", dll});
  for (const wchar_t* iid : kInterfaces) rows.push_back({std::wstring(L"Interface\\") + iid + L"\\TypeLib", L"", kLibId});
  return rows;
}

// The keys of a registration that must go again with it: each row's first
// key (CLSID, Interface and TypeLib: its first two).
std::vector<std::wstring> TopKeys() {
  std::vector<std::wstring> keys;
  for (const Row& r : Expected(DllPath())) {
    size_t end = r.key.find(L'\\');
    if (r.key.starts_with(L"CLSID") || r.key.starts_with(L"Interface") || r.key.starts_with(L"TypeLib"))
      end = r.key.find(L'\\', end + 1);
    keys.push_back(r.key.substr(0, end));
  }
  return keys;
}

bool KeyExists(const std::wstring& key, HKEY root = HKEY_CLASSES_ROOT, REGSAM view = 0) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::wstring ValueOf(const std::wstring& key, const std::wstring& name) {
  wchar_t data[512] = {};
  DWORD size = sizeof(data);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name.empty() ? nullptr : name.c_str(), RRF_RT_REG_SZ, nullptr,
                   data, &size) != ERROR_SUCCESS)
    return L"(missing)";
  return data;
}

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

int Regsvr32(const wchar_t* options) {
  return RunProcess(std::wstring(L"regsvr32.exe ") + options + L" \"" + DllPath() + L"\"");
}

TEST(Registration, Regsvr32WritesEveryKeyAndRegsvr32UninstallRemovesThemAll) {
  ASSERT_EQ(Regsvr32(L"/s"), 0);
  for (const Row& r : Expected(DllPath())) EXPECT_EQ(ValueOf(r.key, r.name), r.data) << Narrow(r.key);
  if (sizeof(void*) == 4) {
    // A 32-bit registration lives in the 32-bit view of the classes.
    const std::wstring picker = L"CLSID\\{1E4E4BC1-0135-42CA-B099-D9F621F2F825}";
    EXPECT_TRUE(KeyExists(L"Software\\Classes\\WOW6432Node\\" + picker, HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(L"Software\\Classes\\" + picker, HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
  }
  for (const wchar_t* key : {L"CLSID\\{4BCBE909-5B08-4CFB-B28F-5BBCAFAAADD3}\\ProgID",
                             L"CLSID\\{1BCDC48A-FA10-4E2B-BAD2-F63A93A5C20C}\\Control"})
    EXPECT_FALSE(KeyExists(key)) << "the drawing classes are no controls and have no ProgID";

  ASSERT_EQ(Regsvr32(L"/u /s"), 0);
  for (const std::wstring& key : TopKeys()) EXPECT_FALSE(KeyExists(key)) << Narrow(key);
}

TEST_F(RegisteredTest, AProgIdAnotherServerTookOverSurvivesUnregistration) {
  const wchar_t other[] = L"{00000000-0000-0000-0000-00000000A1A1}";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, L"Almanix.MonthCalendar\\CLSID", nullptr, REG_SZ, other,
                            sizeof(other)),
            ERROR_SUCCESS);
  EXPECT_EQ(library.Unregister(), S_OK);
  EXPECT_EQ(ValueOf(L"Almanix.MonthCalendar\\CLSID", L""), other);
  EXPECT_FALSE(KeyExists(L"Almanix.DatePicker"));
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Almanix.MonthCalendar");
}

TEST_F(RegisteredTest, UnregisteringReportsTheKeysItCouldNotRemove) {
  const std::wstring key = L"CLSID\\{1E4E4BC1-0135-42CA-B099-D9F621F2F825}\\InprocServer32";
  auto setDacl = [&](const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    HKEY h = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, WRITE_DAC, &h), ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    RegCloseKey(h), LocalFree(sd);
  };
  setDacl(L"D:(D;;SD;;;WD)(A;;KA;;;WD)");  // everyone may do anything but delete it
  HKEY probe = nullptr;
  const bool enforced = RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, DELETE, &probe) != ERROR_SUCCESS;
  if (probe) RegCloseKey(probe);
  if (enforced) {
    EXPECT_EQ(library.Unregister(), SELFREG_E_CLASS) << "a key it could not delete";
    EXPECT_TRUE(KeyExists(key));
  }
  setDacl(L"D:(A;;KA;;;WD)");
  if (!enforced) GTEST_SKIP() << "this registry grants DELETE that the key's DACL denies";
}

// HKCR's ProgIDs are one key for the 32-bit and the 64-bit view: either
// bitness unregistering must leave them to the other's registered classes.
TEST_F(RegisteredTest, EitherBitnessUnregisteringLeavesTheProgIdsToTheOther) {
  const std::wstring other = WinePath(ALMANIX_OTHER_DLL_PATH);
  if (GetFileAttributesW(other.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "no Almanix.dll of the other bitness at " << ALMANIX_OTHER_DLL_PATH;
  const std::wstring program = sizeof(void*) == 8 ? L"C:\\windows\\syswow64\\regsvr32.exe"
                                                  : L"C:\\windows\\sysnative\\regsvr32.exe";
  if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "this Wine prefix has no regsvr32 of the other bitness (made without 32-bit Wine?)";
  const std::wstring regsvr32 = program + L" /s ", quoted = L"\"" + other + L"\"";
  auto expectProgIds = [] {
    for (const wchar_t* progId : {L"Almanix.DatePicker", L"Almanix.DatePicker.1", L"Almanix.MonthCalendar"}) {
      CLSID found{};
      EXPECT_EQ(CLSIDFromProgID(progId, &found), S_OK) << Narrow(progId);
    }
  };
  // Either view unregistering leaves them to the other's classes.
  ASSERT_EQ(RunProcess(regsvr32 + quoted), 0);
  ASSERT_EQ(library.Unregister(), S_OK);
  expectProgIds();
  ASSERT_EQ(library.Register(), S_OK);
  ASSERT_EQ(RunProcess(regsvr32 + L"/u " + quoted), 0);
  expectProgIds();
  ComPtr<IDispatch> picker;
  CLSID picked{};
  CLSIDFromProgID(L"Almanix.DatePicker", &picked);
  EXPECT_EQ(CoCreateInstance(picked, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&picker)), S_OK);
  picker.Reset();
  CoFreeUnusedLibraries();
  // Once no view holds them, they go.
  ASSERT_EQ(library.Unregister(), S_OK);
  EXPECT_FALSE(KeyExists(L"Almanix.DatePicker"));
}

// ---- the type library (its identity is what the registration finds under
// TypeLib): coclasses, interfaces and the types hosts offer pickers for

struct TypeLibrary : ::testing::Test {
  void SetUp() override {
    OleInitialize(nullptr);
    ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, &library), S_OK);
  }
  void TearDown() override { OleUninitialize(); }

  static TYPEATTR Attr(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    TYPEATTR copy = *attr;
    info->ReleaseTypeAttr(attr);
    return copy;
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
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfoOfGuid(c.clsid, &info), S_OK);
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
  ComPtr<ITypeInfo> picker;
  ASSERT_EQ(library->GetTypeInfoOfGuid(IID__DatePicker, &picker), S_OK);
  int typed = 0;
  for (UINT i = 0, n = Attr(picker.Get()).cFuncs; i < n; ++i) {
    FUNCDESC* f = nullptr;
    picker->GetFuncDesc(i, &f);
    const TYPEDESC& t = f->elemdescFunc.tdesc.vt == VT_PTR ? *f->elemdescFunc.tdesc.lptdesc : f->elemdescFunc.tdesc;
    ComPtr<ITypeInfo> ref;
    BSTR name = nullptr;
    if ((f->memid == DISPID_BACKCOLOR || f->memid == DISPID_FONT) && f->invkind == INVOKE_PROPERTYGET) {
      ++typed;
      ASSERT_TRUE(t.vt == VT_USERDEFINED && SUCCEEDED(picker->GetRefTypeInfo(t.hreftype, &ref))) << f->memid;
      ref->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
      EXPECT_STREQ(name, f->memid == DISPID_FONT ? L"IFontDisp" : L"OLE_COLOR");
      if (f->memid == DISPID_BACKCOLOR) {  // stdole's, which hosts know
        EXPECT_EQ(Attr(ref.Get()).guid, GUID({0x66504301, 0xBE0F, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}}));
      }
      SysFreeString(name);
    }
    picker->ReleaseFuncDesc(f);
  }
  EXPECT_EQ(typed, 2);
}

// ---- a script host

// scripts/controls.vbs (its own header says what it checks).
TEST_F(RegisteredTest, AScriptCreatesBothControlsByProgIdAndCatchesTheLibrarysErrors) {
  std::string output;
  ASSERT_EQ(RunProcess(L"cscript.exe //nologo \"" + WinePath(ALMANIX_SCRIPTS_DIR) + L"\\scripts\\controls.vbs\"",
                       &output),
            0)
      << output;
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "new picker holds a date=True",
                       "picker.Value=2026-3-4",
                       "default member=2026-3-4",
                       "empty text gives Null=True",
                       "DateValue of Null=0",
                       "calendar.SelectedMonth=5",
                       "picker.MinDate above MaxDate=1068|DatePicker|MinDate can't be larger than MaxDate",
                       "calendar.MaxDate below MinDate=1070|DatePicker|MaxDate can't be smaller than MinDate",
                       "picker.Value out of range=2050|DatePicker|The Date specified doesn't fall within the Min/Max Values",
                       "picker.Format 7=5|DatePicker|Invalid procedure call or argument",
                   }));
}

}  // namespace
}  // namespace almanix::testing
