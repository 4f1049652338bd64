// The control contract hosts rely on, driven through COM as a host drives
// it: the Value rules and rich errors, events with by-reference arguments,
// property notifications, persistence, the module's lifetime, ambient
// properties, in-place activation, keys, drawing and accessibility.
#include "tests/almanix/com_test.h"

#include <oleacc.h>

#include <atomic>
#include <cmath>
#include <span>
#include <thread>
#include <tuple>

namespace almanix::testing {
namespace {

// The named properties of `object` as text, to compare two controls.
std::wstring Texts(IDispatch* object, std::span<const wchar_t* const> names) {
  std::wstring out;
  for (const wchar_t* name : names) {
    VARIANT v = GetProperty(object, name);
    VariantChangeType(&v, &v, 0, VT_BSTR);
    out += std::wstring(name) + L"=" + (v.vt == VT_BSTR ? v.bstrVal : L"?") + L"; ";
    VariantClear(&v);
  }
  return out;
}

// A font object's members as text, to compare two fonts.
std::wstring FontText(IDispatch* font) {
  const wchar_t* const members[] = {L"Name", L"Size", L"Bold", L"Italic", L"Underline"};
  return Texts(font, members);
}

// What a control saves into a stream, and a stream holding given bytes.
std::string Saved(IUnknown* control) {
  ComPtr<IStream> stream;
  HGLOBAL memory = nullptr;
  ULARGE_INTEGER end{};
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  EXPECT_EQ(Query<IPersistStreamInit>(control)->Save(stream.Get(), TRUE), S_OK);
  stream->Seek({}, STREAM_SEEK_CUR, &end);
  GetHGlobalFromStream(stream.Get(), &memory);
  std::string bytes(static_cast<const char*>(GlobalLock(memory)), end.QuadPart);
  GlobalUnlock(memory);
  return bytes;
}

// A control drawn into `dc` as a host draws it.
HRESULT DrawInto(IUnknown* control, HDC dc, RECTL box) {
  return Query<IViewObject>(control)->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &box, nullptr, nullptr, 0);
}

// A fresh storage in memory.
ComPtr<IStorage> NewStorage(ComPtr<ILockBytes>& bytes) {
  ComPtr<IStorage> storage;
  EXPECT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
  EXPECT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage), S_OK);
  return storage;
}

ComPtr<IStream> StreamOf(const std::string& bytes) {
  ComPtr<IStream> s;
  CreateStreamOnHGlobal(nullptr, TRUE, &s);
  s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  s->Seek({}, STREAM_SEEK_SET, nullptr);
  return s;
}

class Contract : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    host_ = CreateHostWindow();
  }
  void TearDown() override {
    DestroyWindow(host_);
    Pump();
    OleUninitialize();
  }
  // After the host let go of a control inside a call out of it.
  void ExpectFreedOnlyOnceItsCodeReturned() {
    EXPECT_EQ(library_.CanUnloadNow(), S_FALSE) << "freed only once its code has returned";
    PumpFor(50);
    EXPECT_EQ(library_.CanUnloadNow(), S_OK);
  }
  // A control with every property away from its default (bounds before the
  // value, switches turned the other way, the picker's font a bold Tahoma);
  // `names` gets the properties set.
  ComPtr<IDispatch> AwayFromDefaults(const CLSID& clsid, std::vector<const wchar_t*>& names) {
    struct Away { const wchar_t* name; VARIANT value; };
    const bool picker = clsid == CLSID_DatePicker;
    std::vector<Away> aways = {
        {L"MaxDate", DateVariant(Date(2090, 12, 31))}, {L"MinDate", DateVariant(Date(1950, 1, 1))},
        {L"Value", DateVariant(Date(2004, 9, 7) + 0.5729)}, {L"FirstDayofWeek", IntVariant(4)},
        {L"BackColor", IntVariant(0x102030)}, {L"TodayButtonCaption", TextVariant(L"Heute")},
        {L"EmptyButtonCaption", TextVariant(L"Leer")}, {L"HoverIcon", {}}, {L"Enabled", {}}};
    const std::vector<Away> own = picker ? std::vector<Away>{
        {L"Format", IntVariant(3)}, {L"CustomFormat", TextVariant(L"dd.MMMM.yyyy HH:mm")},
        {L"ForeColor", IntVariant(0x80000012)}, {L"ButtonWidth", IntVariant(31)}, {L"ButtonStyle", IntVariant(1)},
        {L"FocusColor", IntVariant(0x708090)}, {L"BorderStyle", IntVariant(3)},
        {L"CalendarBackColor", IntVariant(0x111111)}, {L"CalendarHeaderColor", IntVariant(0x222222)},
        {L"CalendarHeaderForeColor", IntVariant(0x333333)}, {L"CalendarActiveMonthColor", IntVariant(0x444444)},
        {L"CalendarInactiveMonthColor", IntVariant(0x555555)}, {L"CalendarPresentDateColor", IntVariant(0x666666)},
        {L"FlatButton", {}}, {L"ShowFocusRect", {}}, {L"UseFocusColor", {}}, {L"AllowEmpty", {}}, {L"Locked", {}}}
        : std::vector<Away>{
        {L"PresentDateColor", IntVariant(0x111111)}, {L"HeaderForeColor", IntVariant(0x222222)},
        {L"HeaderColor", IntVariant(0x333333)}, {L"ActiveMonthColor", IntVariant(0x555555)},
        {L"InactiveMonthColor", IntVariant(0x666666)}, {L"EmptyButton", {}}};
    aways.insert(aways.end(), own.begin(), own.end());
    ComPtr<IDispatch> control = library_.Create<IDispatch>(clsid);
    names.clear();
    for (Away a : aways) {
      SCOPED_TRACE(std::string(a.name, a.name + wcslen(a.name)));
      names.push_back(a.name);
      VARIANT before = GetProperty(control.Get(), a.name);
      if (a.value.vt == VT_EMPTY) a.value = before, a.value.boolVal = before.boolVal ? VARIANT_FALSE : VARIANT_TRUE;
      EXPECT_EQ(PutProperty(control.Get(), a.name, a.value), S_OK);
      VARIANT after = GetProperty(control.Get(), a.name);
      EXPECT_NE(VarCmp(&before, &after, LOCALE_USER_DEFAULT, 0), VARCMP_EQ) << "away from the default";
      VariantClear(&before), VariantClear(&after), VariantClear(&a.value);
    }
    if (!picker) return control;
    VARIANT font{};
    font.vt = VT_DISPATCH, font.pdispVal = MakeFont(L"Tahoma", 105000, FW_BOLD, TRUE).Detach();
    EXPECT_EQ(PutProperty(control.Get(), L"Font", font), S_OK);
    VariantClear(&font);
    return control;
  }

  HWND host_ = nullptr;
  Library library_;
};

TEST_F(Contract, ValueFollowsTheVariantRulesAndErrorsComeWithTheErrorObject) {
  ComPtr<IDispatch> picker = library_.Create<IDispatch>(CLSID_DatePicker);
  const double start = Date(2026, 3, 4);
  double byRefDate = Date(2027, 1, 2);
  VARIANT byRef{};
  byRef.vt = VT_DATE | VT_BYREF, byRef.pdate = &byRefDate;
  struct Case { const char* what; VARIANT value; VARTYPE type; double date; };
  const Case cases[] = {
      {"Null", NullVariant(), VT_NULL, 0},
      {"Empty", VARIANT{}, VT_NULL, 0},
      {"date text", TextVariant(L"12/5/2026"), VT_DATE, Date(2026, 12, 5)},
      {"date by reference", byRef, VT_DATE, byRefDate},
      {"text that is no date", TextVariant(L"soon"), VT_DATE, start},
      {"a number", IntVariant(45000), VT_DATE, start},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(PutProperty(picker.Get(), L"Value", DateVariant(start)), S_OK);
    EXPECT_EQ(PutProperty(picker.Get(), L"Value", c.value), S_OK);
    VARIANT v = GetProperty(picker.Get(), L"Value");
    EXPECT_EQ(v.vt, c.type);
    if (c.type == VT_DATE) {
      EXPECT_EQ(v.date, c.date);
    }
    VariantClear(&c.value);
  }
  // Through the vtable (the script test reads the error object through
  // IDispatch, with its source and text).
  ComPtr<_DatePicker> dual = Query<_DatePicker>(picker.Get());
  ASSERT_EQ(dual->put_MaxDate(Date(2030, 12, 31)), S_OK);
  EXPECT_EQ(dual->put_MinDate(Date(2031, 1, 1)), static_cast<HRESULT>(0x800A042C));
  EXPECT_EQ(Query<ISupportErrorInfo>(picker.Get())->InterfaceSupportsErrorInfo(IID__DatePicker), S_OK);
}

TEST_F(Contract, EventsCarryByReferenceArgumentsCancelFreezeAndOutliveTheHostsReference) {
  ComPtr<_DatePicker> dual = library_.Create<_DatePicker>(CLSID_DatePicker);
  TestSite site(host_);
  HWND hwnd = Activate(dual.Get(), site, host_);
  // A host finds the event interface through the class information.
  IID events{};
  EXPECT_EQ(Query<IProvideClassInfo2>(dual.Get())->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_EQ(events, DIID___DatePicker);
  // Hosts' sinks answer for IDispatch or for the event interface only.
  HostSink sink, narrow;
  sink.answers = HostSink::Dispatch, narrow.answers = HostSink::Events;
  sink.Connect(dual.Get(), events), narrow.Connect(dual.Get(), events);
  sink.cancel = narrow.cancel = true;
  SendMessageW(hwnd, WM_KEYDOWN, VK_F4, 0);
  EXPECT_EQ(sink.heard, (std::vector<DISPID>{5, 9})) << "KeyDown, then BeforeCalendarDropDown";
  EXPECT_EQ(sink.lastTypes, (std::vector<VARTYPE>{VT_BOOL | VT_BYREF}));
  EXPECT_FALSE(Dropped(dual.Get())) << "cancelled";
  EXPECT_EQ(narrow.heard, sink.heard);
  narrow.Disconnect();
  ComPtr<_MonthCalendar> calendar = library_.Create<_MonthCalendar>(CLSID_MonthCalendar);
  narrow.Connect(calendar.Get(), DIID___MonthCalendar);
  calendar->put_Value(Date(2004, 9, 7));
  EXPECT_EQ(narrow.Count(1), 1) << "Change";
  narrow.Disconnect();
  calendar.Reset();

  sink.cancel = false;
  sink.heard.clear();
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(sink.heard, (std::vector<DISPID>{2}));
  EXPECT_EQ(sink.lastTypes, (std::vector<VARTYPE>{VT_I2 | VT_BYREF, VT_I2 | VT_BYREF, VT_R4 | VT_BYREF,
                                                  VT_R4 | VT_BYREF}));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageW(hwnd, WM_KEYDOWN, VK_F4, 0);
  EXPECT_TRUE(Dropped(dual.Get()));
  EXPECT_EQ(sink.Count(10), 1) << "AfterCalendarDropDown";
  dual->CloseUpCalendar();

  ComPtr<IOleControl> control = Query<IOleControl>(dual.Get());
  sink.heard.clear();
  control->FreezeEvents(TRUE);
  SendMessageW(hwnd, WM_KEYDOWN, VK_UP, 0);
  EXPECT_TRUE(sink.heard.empty()) << "frozen";
  control->FreezeEvents(FALSE);

  // A host letting go during an event leaves the control to finish it.
  control.Reset();
  sink.DropPoint();
  sink.letGo = dual.Detach();  // the host's last reference
  SendMessageW(hwnd, WM_KEYDOWN, VK_UP, 0);  // KeyDown lets go; the step and Change still follow
  EXPECT_EQ(sink.heard, (std::vector<DISPID>{5, 1}));
  // Another UI thread's host letting go meanwhile: each control is freed by
  // its own thread's message loop, though the threads' timers share ids.
  std::thread([&] {
    OleInitialize(nullptr);
    HWND otherHost = CreateHostWindow();
    {
      TestSite otherSite(otherHost);
      ComPtr<_DatePicker> other = library_.Create<_DatePicker>(CLSID_DatePicker);
      HWND otherWindow = Activate(other.Get(), otherSite, otherHost);
      HostSink otherSink;
      otherSink.Connect(other.Get(), DIID___DatePicker);
      otherSink.DropPoint();
      otherSink.letGo = other.Detach();
      SendMessageW(otherWindow, WM_KEYDOWN, VK_UP, 0);
      PumpFor(50);
      EXPECT_FALSE(IsWindow(otherWindow)) << "freed on its own thread";
    }
    DestroyWindow(otherHost);
    OleUninitialize();
  }).join();
  ExpectFreedOnlyOnceItsCodeReturned();
  EXPECT_FALSE(IsWindow(hwnd));
}

// Also for edits through the font object (picker.Font.Bold = True), which
// the next save keeps.
TEST_F(Contract, PropertyNotificationsARefusedEditOfTheBoundValueAndFontEdits) {
  ComPtr<IDispatch> picker = library_.Create<IDispatch>(CLSID_DatePicker);
  HostSink notify;
  notify.Connect(picker.Get(), IID_IPropertyNotifySink);
  ComPtr<IPersistStreamInit> persist = Query<IPersistStreamInit>(picker.Get());
  ASSERT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  ASSERT_EQ(PutProperty(picker.Get(), L"Value", DateVariant(Date(2026, 5, 5))), S_OK);
  ASSERT_EQ(PutProperty(picker.Get(), L"CustomFormat", TextVariant(L"yyyy")), S_OK);
  EXPECT_EQ(notify.requested, (std::vector<DISPID>{DISPID_VALUE}));
  EXPECT_EQ(notify.changed, (std::vector<DISPID>{DISPID_VALUE, 7}));
  EXPECT_EQ(persist->IsDirty(), S_OK);

  notify.refuse = true;
  EXCEPINFO error{};
  EXPECT_EQ(PutProperty(picker.Get(), L"Value", DateVariant(Date(2026, 6, 6)), &error), DISP_E_EXCEPTION);
  EXPECT_EQ(error.scode, static_cast<SCODE>(0x800A0183));
  EXPECT_EQ(GetProperty(picker.Get(), L"Value").date, Date(2026, 5, 5));

  notify.changed.clear();
  VARIANT font = GetProperty(picker.Get(), L"Font"), bold{};
  bold.vt = VT_BOOL, bold.boolVal = VARIANT_TRUE;
  ASSERT_EQ(font.vt, VT_DISPATCH);
  ASSERT_EQ(PutProperty(font.pdispVal, L"Bold", bold), S_OK);
  EXPECT_EQ(notify.changed, (std::vector<DISPID>{DISPID_FONT}));
  TestBag bag;
  Query<IPersistPropertyBag>(picker.Get())->Save(&bag, TRUE, FALSE);
  ASSERT_EQ(bag.values[L"Font"].vt, VT_DISPATCH) << "kept as a font object";
  EXPECT_EQ(FontText(bag.values[L"Font"].pdispVal), FontText(font.pdispVal));
  VariantClear(&font);

  // A host letting go inside OnChanged leaves the control to finish.
  persist.Reset();
  notify.DropPoint();
  IDispatch* raw = picker.Detach();
  notify.letGo = raw;
  EXPECT_EQ(PutProperty(raw, L"CustomFormat", TextVariant(L"MM")), S_OK);
  ExpectFreedOnlyOnceItsCodeReturned();
}

TEST_F(Contract, EveryPropertySurvivesBagStreamAndStorage) {
  const struct {
    const char* name;
    std::function<void(IUnknown*, IUnknown*)> roundTrip;
  } media[] = {
      {"storage",
       [](IUnknown* from, IUnknown* to) {
         ComPtr<ILockBytes> bytes;
         ComPtr<IStorage> storage = NewStorage(bytes);
         ComPtr<IPersistStorage> save = Query<IPersistStorage>(from);
         ASSERT_EQ(save->Save(storage.Get(), FALSE), S_OK);
         EXPECT_EQ(save->SaveCompleted(nullptr), S_OK);
         EXPECT_EQ(save->IsDirty(), S_OK) << "Save Copy As leaves the control changed";
         save->Save(storage.Get(), FALSE), save->SaveCompleted(storage.Get());
         EXPECT_EQ(save->IsDirty(), S_FALSE) << "Save As: saved in its new storage";
         ASSERT_EQ(Query<IPersistStorage>(to)->Load(storage.Get()), S_OK);
       }},
      {"property bag",
       [](IUnknown* from, IUnknown* to) {
         TestBag bag;
         ASSERT_EQ(Query<IPersistPropertyBag>(from)->Save(&bag, TRUE, FALSE), S_OK);
         EXPECT_EQ(bag.values[L"MinDate"].vt, VT_DATE);
         ASSERT_EQ(Query<IPersistPropertyBag>(to)->Load(&bag, nullptr), S_OK);
       }},
      {"stream",
       [](IUnknown* from, IUnknown* to) {
         const std::string bytes = Saved(from);
         ULARGE_INTEGER max{};
         Query<IPersistStreamInit>(from)->GetSizeMax(&max);
         EXPECT_EQ(max.QuadPart, bytes.size());
         ASSERT_EQ(Query<IPersistStreamInit>(to)->Load(StreamOf(bytes).Get()), S_OK);
       }},
  };
  for (const CLSID* clsid : {&CLSID_DatePicker, &CLSID_MonthCalendar}) {
    std::vector<const wchar_t*> names;
    ComPtr<IDispatch> saved = AwayFromDefaults(*clsid, names);
    for (const auto& m : media) {
      SCOPED_TRACE(m.name);
      ComPtr<IDispatch> loaded = library_.Create<IDispatch>(*clsid);
      m.roundTrip(saved.Get(), loaded.Get());
      EXPECT_EQ(Texts(loaded.Get(), names), Texts(saved.Get(), names));
      if (*clsid != CLSID_DatePicker) continue;
      VARIANT before = GetProperty(saved.Get(), L"Font"), after = GetProperty(loaded.Get(), L"Font");
      EXPECT_EQ(FontText(after.pdispVal), FontText(before.pdispVal)) << "the font given";
      VariantClear(&before), VariantClear(&after);
    }
  }
  ComPtr<IPersistStreamInit> picker = library_.Create<IPersistStreamInit>(CLSID_DatePicker);
  EXPECT_TRUE(FAILED(picker->Load(StreamOf(std::string("ALMX\x01\0\0\0\xff\xff\xff\x7f", 12)).Get())))
      << "a stream that is not one of ours";
}

// Streams from documents nobody here wrote: 20,000 seeded mutations of
// saved controls, with every property away from its default, are each
// loaded or refused, never crash or hang; what loads draws and saves.
TEST_F(Contract, MutatedStreamsAreLoadedOrRefused) {
  std::vector<const wchar_t*> names;
  const std::string seeds[] = {Saved(AwayFromDefaults(CLSID_DatePicker, names).Get()),
                               Saved(AwayFromDefaults(CLSID_MonthCalendar, names).Get())};
  Canvas canvas(260, 240);
  ComPtr<IPersistStreamInit> targets[] = {library_.Create<IPersistStreamInit>(CLSID_DatePicker),
                                          library_.Create<IPersistStreamInit>(CLSID_MonthCalendar)};
  uint32_t state = 19;
  auto next = [&](uint32_t n) { state = state * 1664525u + 1013904223u; return (state >> 8) % n; };
  int loaded = 0;
  for (int i = 0; i < 20000; ++i) {
    const int which = i % 2;
    std::string bytes = seeds[which];
    for (uint32_t edits = 1 + next(4); edits-- > 0 && !bytes.empty();) {
      const size_t at = next(static_cast<uint32_t>(bytes.size()));
      switch (next(4)) {
        case 0: bytes[at] = static_cast<char>(next(256)); break;
        case 1: bytes[at] = static_cast<char>(next(2) ? 0xFF : 0x7F); break;
        case 2: bytes.resize(at); break;
        default: bytes.insert(at, bytes.substr(next(static_cast<uint32_t>(bytes.size())), next(16))); break;
      }
    }
    if (targets[which]->Load(StreamOf(bytes).Get()) != S_OK) continue;
    ++loaded;
    ComPtr<IDispatch> control = Query<IDispatch>(targets[which].Get());
    VARIANT v = GetProperty(control.Get(), L"Value");
    ASSERT_TRUE(v.vt == VT_NULL || (v.vt == VT_DATE && v.date >= -657434.0 && v.date < 2958466.0)) << i;
    ASSERT_EQ(DrawInto(control.Get(), canvas.dc(), {0, 0, 250, 230}), S_OK) << i;
    ASSERT_FALSE(Saved(control.Get()).empty()) << i;
  }
  EXPECT_GT(loaded, 0);
}

TEST(Module, StaysLoadedWhileAnythingOfItLivesAndUnregistersItsWindowClassesWhenUnloaded) {
  OleInitialize(nullptr);
  HMODULE module = nullptr;
  WNDCLASSEXW wc{sizeof(wc)};
  HWND host = CreateHostWindow();
  {
    Library library;
    module = library.Module();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory, none;
    ASSERT_EQ(library.ClassObject(CLSID_DatePicker, &factory), S_OK);
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a class factory";
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a lock";
    library.ClassObject(CLSID_DatePicker, &factory);
    factory->LockServer(FALSE);
    ComPtr<_DatePicker> picker;
    factory->CreateInstance(nullptr, IID_PPV_ARGS(&picker));
    factory.Reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE) << "a control";
    TestSite site(host);
    Activate(picker.Get(), site, host);
    picker->DropDownCalendar();
    EXPECT_TRUE(GetClassInfoExW(module, L"AlmanixDatePicker", &wc));
    Close(picker.Get());
    picker.Reset();
    EXPECT_EQ(library.CanUnloadNow(), S_OK) << "window, hook and the thread's state went with the control";
    // The drawing classes are in the type library but not creatable.
    for (const CLSID& clsid : {CLSID_CFrame, CLSID_cMDC, CLSID_NULL})
      EXPECT_EQ(library.ClassObject(clsid, &none), CLASS_E_CLASSNOTAVAILABLE);
  }
  DestroyWindow(host);
  EXPECT_EQ(GetModuleHandleW(DllPath().c_str()), nullptr) << "unloaded";
  EXPECT_FALSE(GetClassInfoExW(module, L"AlmanixDatePicker", &wc));
  OleUninitialize();
}

// The site's keys, focus and ambient properties: its user mode (no drop-down
// at design time), its font while none is set and its locale for date texts.
TEST_F(Contract, InPlaceActivationKeysThroughTranslateAcceleratorAndAmbientProperties) {
  HWND next = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 60, 100, 20, host_, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ComPtr<_DatePicker> picker = library_.Create<_DatePicker>(CLSID_DatePicker);
  TestSite site(host_);
  site.locale = 0x407;  // German: day.month.year
  site.font = MakeFont(L"Courier New", 120000, FW_NORMAL, TRUE);
  site.userMode = false;
  HWND hwnd = Activate(picker.Get(), site, host_);
  ComPtr<IOleControl> control = Query<IOleControl>(picker.Get());
  picker->DropDownCalendar();
  EXPECT_FALSE(Dropped(picker.Get())) << "design time is read at activation";
  site.userMode = true;
  control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
  picker->put_Format(::dtpCustom);
  picker->put_CustomFormat(TextVariant(L"dd/MM/yyyy").bstrVal);
  picker->put_Value(DateVariant(Date(2026, 3, 10)));
  SetFocus(hwnd);
  EXPECT_EQ(site.uiActivations, 1) << "focus UI-activates the control";

  HostSink sink;
  sink.Connect(picker.Get(), DIID___DatePicker);
  ComPtr<IOleInPlaceActiveObject> active = Query<IOleInPlaceActiveObject>(picker.Get());
  auto key = [&](UINT message, WPARAM vk) {
    MSG msg{hwnd, message, vk, message == WM_SYSKEYDOWN ? (1 << 29) : 0};
    return active->TranslateAccelerator(&msg);
  };
  EXPECT_EQ(key(WM_KEYDOWN, VK_UP), S_OK);
  EXPECT_EQ(GetProperty(picker.Get(), L"Value").date, Date(2026, 3, 11)) << "Up stepped the day";
  EXPECT_EQ(key(WM_SYSKEYDOWN, VK_F4), S_FALSE) << "Alt+F4 is the host's";
  EXPECT_FALSE(Dropped(picker.Get()));
  EXPECT_EQ(key(WM_KEYDOWN, VK_F4), S_OK);
  EXPECT_TRUE(Dropped(picker.Get()));
  EXPECT_EQ(key(WM_KEYDOWN, VK_ESCAPE), S_OK);
  EXPECT_FALSE(Dropped(picker.Get()));
  EXPECT_EQ(key(WM_KEYDOWN, VK_RETURN), S_FALSE) << "Enter is the host's default button";
  sink.heard.clear();
  EXPECT_EQ(key(WM_KEYDOWN, VK_TAB), S_OK);
  EXPECT_EQ(sink.heard, (std::vector<DISPID>{5})) << "the picker hears Tab";
  EXPECT_EQ(GetFocus(), next) << "and the focus moves on";
  EXPECT_EQ(site.focusEvents, (std::vector<bool>{true, false})) << "the site told of both";
  sink.Disconnect();

  for (bool userMode : {false, true}) {
    site.userMode = userMode;
    control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
    picker->DropDownCalendar();
    EXPECT_EQ(Dropped(picker.Get()), userMode) << "no drop-down at design time";
  }
  picker->CloseUpCalendar();
  ComPtr<IFontDisp> font;
  picker->get_Font(&font);
  EXPECT_EQ(FontText(font.Get()), FontText(site.font.Get())) << "the container's font while none is set";
  ASSERT_EQ(PutProperty(picker.Get(), L"Value", TextVariant(L"4.3.2026")), S_OK);
  EXPECT_EQ(GetProperty(picker.Get(), L"Value").date, Date(2026, 3, 4)) << "date texts are read in the container's locale";

  Close(picker.Get());
  EXPECT_FALSE(IsWindow(hwnd)) << "deactivation destroys the window";
  EXPECT_EQ(site.inPlaceDeactivations, 1);
}

TEST_F(Contract, BothControlsDrawIntoAHostDeviceContext) {
  ComPtr<IViewObject2> picker = library_.Create<IViewObject2>(CLSID_DatePicker);
  ComPtr<IViewObject2> calendar = library_.Create<IViewObject2>(CLSID_MonthCalendar);
  const COLORREF magenta = RGB(255, 0, 255);
  Canvas canvas(300, 260, magenta);
  ASSERT_EQ(PutProperty(Query<IDispatch>(calendar.Get()).Get(), L"HeaderColor", IntVariant(RGB(10, 200, 30))), S_OK);
  ASSERT_EQ(DrawInto(picker.Get(), canvas.dc(), {0, 0, 150, 24}), S_OK);
  ASSERT_EQ(DrawInto(calendar.Get(), canvas.dc(), {0, 30, 250, 250}), S_OK);
  EXPECT_EQ(canvas.CountColor(0, 0, 150, 24, magenta), 0) << "the picker covers its box";
  EXPECT_GT(canvas.CountColor(2, 2, 134, 22, RGB(0, 0, 0)), 10) << "a date is shown";
  EXPECT_EQ(canvas.At(160, 10), magenta) << "and nothing outside it";
  EXPECT_EQ(canvas.CountColor(0, 30, 250, 250, magenta), 0) << "the calendar with the container's colour around it";
  EXPECT_GT(canvas.CountColor(0, 30, 250, 250, RGB(10, 200, 30)), 204 * 20) << "its header band in HeaderColor";
  EXPECT_GT(canvas.CountColor(0, 90, 250, 250, RGB(0, 0, 0)), 100) << "its days";
  SIZEL extent{};
  calendar->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent);
  extent.cx *= 2;
  EXPECT_EQ(Query<IOleObject>(calendar.Get())->SetExtent(DVASPECT_CONTENT, &extent), E_FAIL) << "the calendar keeps its size";
}

// As a screen reader finds them, through AccessibleObjectFromWindow: one
// named object per control, cut off when its window goes and counted while
// readers hold it.
TEST_F(Contract, ScreenReadersFindBothControlsAndOutliveThemSafely) {
  ComPtr<_DatePicker> picker = library_.Create<_DatePicker>(CLSID_DatePicker);
  ComPtr<_MonthCalendar> calendar = library_.Create<_MonthCalendar>(CLSID_MonthCalendar);
  TestSite pickerSite(host_), calendarSite(host_);
  pickerSite.displayName = L"Backup since";
  calendarSite.position = {10, 60, 214, 240};
  HWND pickerWindow = Activate(picker.Get(), pickerSite, host_);
  HWND calendarWindow = Activate(calendar.Get(), calendarSite, host_);
  ASSERT_EQ(picker->put_Value(DateVariant(Date(2004, 9, 7))), S_OK);
  ASSERT_EQ(calendar->put_Value(Date(2004, 9, 7)), S_OK);
  ComPtr<IAccessible> p, c, d, again;
  ASSERT_EQ(AccessibleObjectFromWindow(pickerWindow, OBJID_CLIENT, IID_PPV_ARGS(&p)), S_OK);
  ASSERT_EQ(AccessibleObjectFromWindow(calendarWindow, OBJID_CLIENT, IID_PPV_ARGS(&c)), S_OK);
  for (auto [object, name] : {std::pair{p.Get(), L"Backup since"}, std::pair{c.Get(), L"September 2004"}}) {
    BSTR text = nullptr;
    EXPECT_EQ(object->get_accName(IntVariant(CHILDID_SELF), &text), S_OK);
    EXPECT_STREQ(text, name) << "the host's label; the month shown";
    SysFreeString(text);
  }

  // The drop-down calendar, once closed, acts no more: a locked picker
  // keeps its value.
  picker->DropDownCalendar();
  HWND dropped = FindWindowExW(GetDesktopWindow(), nullptr, L"AlmanixMonthCalendar", nullptr);
  ASSERT_EQ(AccessibleObjectFromWindow(dropped, OBJID_CLIENT, IID_PPV_ARGS(&d)), S_OK);
  picker->CloseUpCalendar();
  picker->put_Locked(VARIANT_TRUE);
  EXPECT_TRUE(FAILED(d->accDoDefaultAction(IntVariant(12))));
  EXPECT_EQ(GetProperty(picker.Get(), L"Value").date, Date(2004, 9, 7)) << "unchanged";

  // One object per window, and the window answers no other thread (nor
  // process) asking for the control's address.
  ASSERT_EQ(AccessibleObjectFromWindow(pickerWindow, OBJID_CLIENT, IID_PPV_ARGS(&again)), S_OK);
  EXPECT_EQ(again.Get(), p.Get());
  std::atomic<LRESULT> answer{-1};
  std::thread asker([&] { answer = SendMessageW(pickerWindow, RegisterWindowMessageW(L"AlmanixAccessibleControl"), 0, 0); });
  EXPECT_TRUE(PumpUntil([&] { return answer != -1; }));
  asker.join();
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(p->get_accKeyboardShortcut(IntVariant(1), nullptr), E_POINTER);

  // A reader that holds on after the control went gets an error.
  Close(picker.Get());
  BSTR text = nullptr;
  EXPECT_TRUE(FAILED(p->get_accValue(IntVariant(CHILDID_SELF), &text)));
  Close(calendar.Get());
  picker.Reset(), calendar.Reset();
  EXPECT_EQ(library_.CanUnloadNow(), S_FALSE) << "a reader holds the objects";
  p.Reset(), c.Reset(), d.Reset(), again.Reset();
  EXPECT_EQ(library_.CanUnloadNow(), S_OK);
}

TEST_F(Contract, AFailedSaveLeavesTheControlChangedSoThatClosingSavesIt) {
  // A medium that takes no writes: a storage, and a stream in it, opened
  // for reading only.
  ComPtr<ILockBytes> bytes;
  ComPtr<IStorage> storage = NewStorage(bytes);
  ComPtr<IStream> stream;
  ASSERT_EQ(storage->CreateStream(L"s", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream), S_OK);
  stream.Reset(), storage.Reset();
  ASSERT_EQ(StgOpenStorageOnILockBytes(bytes.Get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage),
            S_OK);
  ASSERT_EQ(storage->OpenStream(L"s", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream), S_OK);
  for (bool toStorage : {false, true}) {
    SCOPED_TRACE(toStorage ? "storage" : "stream");
    ComPtr<IDispatch> picker = library_.Create<IDispatch>(CLSID_DatePicker);
    ComPtr<IPersistStreamInit> persist = Query<IPersistStreamInit>(picker.Get());
    ComPtr<IPersistStorage> persistStorage = Query<IPersistStorage>(picker.Get());
    ASSERT_EQ(persist->InitNew(), S_OK);
    ASSERT_EQ(PutProperty(picker.Get(), L"Value", DateVariant(Date(2004, 9, 7))), S_OK);
    EXPECT_TRUE(FAILED(toStorage ? persistStorage->Save(storage.Get(), FALSE) : persist->Save(stream.Get(), TRUE)));
    if (toStorage) persistStorage->SaveCompleted(storage.Get());
    EXPECT_EQ(persist->IsDirty(), S_OK) << "still changed";

    TestSite site(host_);
    ComPtr<IOleObject> ole = Query<IOleObject>(picker.Get());
    ComPtr<IEnumSTATDATA> advises;
    STATDATA data{};
    ASSERT_EQ(ole->SetClientSite(&site), S_OK);
    ASSERT_EQ(ole->EnumAdvise(&advises), S_OK);
    ASSERT_NE(advises, nullptr) << "an empty enumerator, not none";
    EXPECT_EQ(advises->Next(1, &data, nullptr), S_FALSE);
    EXPECT_EQ(ole->Close(toStorage ? OLECLOSE_PROMPTSAVE : OLECLOSE_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(site.saves, 1) << "the site is asked to save";
    ole->SetClientSite(nullptr);
  }

  // A host letting go while the control closes leaves it to finish.
  ComPtr<IOleObject> ole = library_.Create<IOleObject>(CLSID_DatePicker);
  TestSite site(host_);
  Activate(ole.Get(), site, host_);
  HostSink closing;
  DWORD cookie = 0;
  ASSERT_EQ(ole->Advise(&closing, &cookie), S_OK);
  IOleObject* raw = ole.Detach();
  closing.letGo = raw;
  EXPECT_EQ(raw->Close(OLECLOSE_NOSAVE), S_OK);
  ExpectFreedOnlyOnceItsCodeReturned();
}

// A class that a crafted stream names; it must never be made.
class CountingFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ALMANIX_UNCOUNTED
  STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** out) override {
    ++created;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
  int created = 0;
};

// A saved stream of one entry: name, variant type, then an object's class.
std::string ObjectEntry(const wchar_t* name, VARTYPE vt, const CLSID& clsid) {
  const uint32_t head[] = {0x584D4C41, 1, 1, static_cast<uint32_t>(wcslen(name))};
  std::string s(reinterpret_cast<const char*>(head), sizeof(head));
  s.append(reinterpret_cast<const char*>(name), wcslen(name) * sizeof(wchar_t));
  s.append(reinterpret_cast<const char*>(&vt), sizeof(vt));
  s.append(reinterpret_cast<const char*>(&clsid), sizeof(clsid));
  return s + std::string("\1\0\0\0\0\0\0\0\0\0\0\0", 12);
}

TEST_F(Contract, StoredValuesAreCheckedCoercedAndNeverCreateAClass) {
  // A date: stored NaN, infinity or a year past 9999 gives a date the
  // control can show (or the picker's Null; the dates are read as the core
  // test reads them); text from a PARAM bag is read as the property's type.
  struct Case { const CLSID* clsid; const wchar_t* bagName; VARIANT stored; const wchar_t* property; const wchar_t* expected; };
  const wchar_t* const kShowable = L"a date of years 100-9999 or Null";
  const Case cases[] = {
      {&CLSID_DatePicker, L"Value", DateVariant(std::nan("")), L"Value", kShowable},
      {&CLSID_DatePicker, L"MaxDate", DateVariant(3e6), L"MaxDate", kShowable},
      {&CLSID_MonthCalendar, L"MaxDate", DateVariant(-HUGE_VAL), L"MaxDate", kShowable},
      {&CLSID_DatePicker, L"Format", TextVariant(L"3"), L"Format", L"3"},
      {&CLSID_DatePicker, L"AllowEmpty", TextVariant(L"0"), L"AllowEmpty", L"False"},
      {&CLSID_MonthCalendar, L"FirstDayOfWeek", TextVariant(L"3"), L"FirstDayofWeek", L"3"},
      {&CLSID_MonthCalendar, L"HeaderColor", TextVariant(L"255"), L"HeaderColor", L"255"},
  };
  for (Case c : cases) {
    SCOPED_TRACE(std::string(c.bagName, c.bagName + wcslen(c.bagName)));
    ComPtr<IDispatch> control = library_.Create<IDispatch>(*c.clsid);
    TestBag bag;
    bag.answerText = c.stored.vt == VT_BSTR;
    bag.values[c.bagName] = c.stored;
    EXPECT_EQ(Query<IPersistPropertyBag>(control.Get())->Load(&bag, nullptr), S_OK);
    VARIANT v = GetProperty(control.Get(), c.property);
    if (c.expected == kShowable) {
      EXPECT_TRUE(v.vt == VT_NULL || (v.vt == VT_DATE && v.date >= -657434.0 && v.date < 2958466.0)) << v.date;
    } else {
      VariantChangeTypeEx(&v, &v, LOCALE_INVARIANT, VARIANT_ALPHABOOL, VT_BSTR);
      EXPECT_STREQ(v.vt == VT_BSTR ? v.bstrVal : L"?", c.expected);
    }
    VariantClear(&v);
  }

  // Only "Font" may hold an object, and only a standard font.
  CountingFactory factory;
  const CLSID kNamed = {0x1a2b3c4d, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kNamed, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  for (auto [name, vt, clsid] : {std::tuple{L"Font", VT_DISPATCH, kNamed}, std::tuple{L"Value", VT_UNKNOWN, kNamed},
                                 std::tuple{L"Value", VT_UNKNOWN, CLSID_StdFont}}) {
    ComPtr<IPersistStreamInit> picker = library_.Create<IPersistStreamInit>(CLSID_DatePicker);
    EXPECT_TRUE(FAILED(picker->Load(StreamOf(ObjectEntry(name, vt, clsid)).Get())));
  }
  EXPECT_EQ(factory.created, 0);
  CoRevokeClassObject(cookie);
}

}  // namespace
}  // namespace almanix::testing
