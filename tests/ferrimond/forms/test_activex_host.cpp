// The ActiveX host with a real control: Almanix's DatePicker, found beside
// this test program through the ProgID or, unregistered, through the DLL.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/numbered_error.h"
#include "ferrimond/forms/forms.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/expect.h"

namespace ferrimond::forms {
namespace {

const AxSource kPicker{L"Almanix.DatePicker", L"Almanix.dll"};
constexpr double k7Sep2004 = 38237;
constexpr DISPID kChange = 1, kKeyDown = 5, kKeyPress = 6;

class HostForm : public Form {
 public:
  explicit HostForm(UserInteraction& ui) : Form(ui, L"HostForm", L"Host", 5000, 2000) {}
  TextBox Before{*this, L"Before", {120, 120, 1000, 285}};
  ActiveXHost Box{*this, L"Box", {1440, 120, 1455, 255}};
};

void Pump() {
  for (int i = 0; i < 5; ++i) DoEvents(), Sleep(5);
}

class ActiveXHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeApplication();
    form = std::make_unique<HostForm>(ui);
    form->Show();
  }
  void Create(AxValues design = {}) {
    ASSERT_TRUE(form->Box.CreateControl(kPicker, design)) << form->Box.CreateError();
  }
  testing::ScriptedUserInteraction ui;
  std::unique_ptr<HostForm> form;
};

// (Hosting on the main window, design values, focus, Enabled and the
// user's changes against code's: the date panel's tests.)
TEST_F(ActiveXHostTest, UnregisteredControlComesFromTheProgramFolderSizedByTheHostAndFailuresSayWhy) {
  CLSID clsid;
  const bool registered = SUCCEEDED(CLSIDFromProgID(kPicker.progId.c_str(), &clsid));
  Create();
  EXPECT_EQ(form->Box.Origin(), registered ? AxOrigin::Registered : AxOrigin::ProgramFolder);
  form->Box.Move(240, 600, 2400, 300);
  RECT r;
  GetWindowRect(form->Box.ControlHwnd(), &r);
  EXPECT_EQ(r.right - r.left, TwipsToPixelsX(240 + 2400) - TwipsToPixelsX(240));
  // A control that cannot be made says why.
  const std::pair<AxSource, const wchar_t*> cases[] = {
      {{L"Almanix.NoSuchClass", L"Almanix.dll"}, L"does not describe it"},
      {{L"Nowhere.Control", L"Nowhere.dll"}, L"Nowhere.dll could not be loaded"},
      {{L"Nowhere.Control", L""}, L"Nowhere.Control is not registered"},
  };
  for (const auto& [source, says] : cases) {
    HostForm fresh(ui);
    EXPECT_FALSE(fresh.Box.CreateControl(source) || fresh.Box.HasControl());
    EXPECT_EQ(fresh.Box.Origin(), AxOrigin::None);
    EXPECT_NE(fresh.Box.CreateError().find(says), std::wstring::npos) << fresh.Box.CreateError();
    EXPECT_EQ(fresh.Box.Get(L"Value").vt, VT_EMPTY);
  }
}

// Arguments as other controls pass them; a reference to nothing, or a
// second reference to a variant, reads as no argument.
TEST(AxEventArgs, ReadThroughOneReference) {
  int16_t two = 2;
  VARIANT seven{}, throughSeven{}, nothing{};
  seven.vt = VT_I4, seven.lVal = 7;
  throughSeven.vt = VT_BYREF | VT_VARIANT, throughSeven.pvarVal = &seven;
  nothing.vt = VT_BYREF | VT_I2;
  auto arg = [](VARTYPE vt, void* to) {
    VARIANTARG v{};
    v.vt = vt, v.byref = to;
    return v;
  };
  const struct { const char* what; VARIANTARG arg; double number; } cases[] = {
      {"short by reference", arg(VT_BYREF | VT_I2, &two), 2},
      {"variant by reference", arg(VT_BYREF | VT_VARIANT, &seven), 7},
      {"reference to a reference to a variant", arg(VT_BYREF | VT_VARIANT, &throughSeven), 0},
      {"null variant reference", arg(VT_BYREF | VT_VARIANT, nullptr), 0},
      {"null short reference", arg(VT_BYREF | VT_I2, nullptr), 0},
      {"variant holding a null reference", arg(VT_BYREF | VT_VARIANT, &nothing), 0},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.what);
    DISPPARAMS params{&c.arg, nullptr, 1, 0};
    EXPECT_EQ(AxEventArgs(&params).Number(0), c.number);
  }
}

// An error in a handler is reported and never reaches the control; errors
// of code's own calls go to that code. A key posted to the control goes
// through the form's loop, and so through the control's
// TranslateAccelerator. (A press and a change: the date panel's picker
// test.) When the host goes, every reference is given back.
TEST_F(ActiveXHostTest, EventsReachTheirHandlersByDispatchIdAndTheHostGivesEveryReferenceBack) {
  Create({{L"Value", AxDate(k7Sep2004)}});
  form->Box.OnEvent(kChange, [](AxEventArgs&) { common::Raise(common::ErrInvalidArgument); });
  ui.AnswerMsgBox(MsgResult::Ok);
  SendMessageW(form->Box.ControlHwnd(), WM_KEYDOWN, VK_UP, 1);
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0].rfind(L"Error code 5 ", 0), 0u) << ui.Messages()[0];
  // The control went on: its value moved on all the same.
  EXPECT_GT(form->Box.Get(L"Value").date, k7Sep2004);
  ui.ClearRecord();
  EXPECT_EQ(harness::ErrorNumberOf([&] { (void)form->Box.Get(L"NoSuchProperty"); }), 438);
  EXPECT_TRUE(ui.Prompts().empty());

  form->Box.OnEvent(kChange, [](AxEventArgs&) {});
  std::vector<DISPID> heard;
  for (DISPID id : {kKeyDown, kKeyPress}) form->Box.OnEvent(id, [&heard, id](AxEventArgs&) { heard.push_back(id); });
  HWND inner = form->Box.ControlHwnd();
  ::SetFocus(inner);
  PostMessageW(inner, WM_KEYDOWN, '1', 1);
  Pump();
  for (DISPID id : {kKeyDown, kKeyPress}) EXPECT_NE(std::find(heard.begin(), heard.end(), id), heard.end()) << id;

  HMODULE module = GetModuleHandleW(L"Almanix.dll");
  ASSERT_NE(module, nullptr);
  auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE);
  form.reset();
  // The control may give back its last references from a timer.
  for (int i = 0; i < 100 && canUnload() != S_OK; ++i) Pump();
  EXPECT_EQ(canUnload(), S_OK);
}

}  // namespace
}  // namespace ferrimond::forms
