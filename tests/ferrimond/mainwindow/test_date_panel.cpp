// The date criterion panel on the real main window: the six options, the
// days box, the user-set-time dialogue, and DatePicker1 (an Almanix
// DatePicker hosted in the window) heard through its real event sink.
#include <oleacc.h>

#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;
using common::DateTime;
using Handler = std::function<void(Frmbackup&)>;

std::vector<forms::OptionButton*> Options(Frmbackup& w) {
  return {&w.OptLastUpload, &w.OptLastBackup, &w.OptDateToday, &w.OptAnyTime, &w.optDateText, &w.optDatePicker};
}
// The option that is selected, or "" when none is.
std::wstring Selected(Frmbackup& w) {
  for (forms::OptionButton* o : Options(w))
    if (o->Value()) return o->Name();
  return L"";
}

// Each handler of the panel (pressed as the user presses it) selects its
// option, sets the time to back up from and says it, or says why not.
TEST_F(StartedWindowTest, EachHandlerSelectsSetsTheTimeAndSaysWhatThePanelSays) {
  const auto text = [](DateTime d) { return common::DateText(d); };
  const auto stamp = [](const std::string& bytes, const wchar_t* path, Handler press) {
    return [=](Frmbackup& w) { WriteStamp(bytes, path), press(w); };
  };
  const auto days = [](const wchar_t* t, Handler before) {
    return [=](Frmbackup& w) { before(w), w.txtdays.SetText(t); };
  };
  const DateTime stored = DateTime::Serial(2026, 3, 1).AddDays(10.0 / 24), today = TodayOneSecond();
  const Handler backup = [](Frmbackup& w) { w.OptLastBackup_MouseDown(); };
  const Handler upload = [](Frmbackup& w) { w.OptLastUpload_MouseDown(); };
  const Handler since = [](Frmbackup& w) { w.optDatePicker_MouseDown(); };
  const Handler anyTime = [](Frmbackup& w) { w.OptAnyTime_MouseDown(); };
  const Handler todayOption = [](Frmbackup& w) { w.OptDateToday_MouseDown(); };
  const std::wstring notRecorded = L"Last backup time was not recorded!";
  const struct {
    Handler act;
    const wchar_t* selected;  // "": none
    std::wstring label;       // lblBackup afterwards
    Strings messages;
    std::optional<DateTime> threshold = std::nullopt;
    // Answers to the input boxes, each wrong one followed by a message.
    Strings inputs = {};
  } cases[] = {
      {backup, L"", L"", {}},  // no last backup
      {stamp("#2026-03-01 10:00:00#\r\n", kLastBackupStamp, backup), L"OptLastBackup", text(stored), {}, stored},
      {stamp("no date here\r\n", kLastBackupStamp, backup), L"", text({}), {notRecorded}},
      {stamp("", kLastBackupStamp, backup), L"", text({}), {notRecorded}},
      {upload, L"", L"", {}},  // no last upload
      {stamp("#1899-12-30 00:00:00#\r\n", kLastUploadStamp, upload), L"", text({}), {L"Last update time was not kept correctly!"}},
      {since, L"optDatePicker", text(today), {}, today},  // nothing picked
      {days(L" 0.5", [](Frmbackup& w) { w.optDateText_MouseDown(); }), L"optDateText", text(today.AddDays(-0.5)), {},
       today.AddDays(-0.5)},
      // Typing a number selects "for last" too.
      {days(L"7", todayOption), L"optDateText", text(today.AddDays(-7)), {}, today.AddDays(-7)},
      {anyTime, L"OptAnyTime", text(DateTime::Serial(2026, 3, 4).AddDays(22.5 / 24)), {}, {},
       {L"03/04/2026 10:30:00 PM"}},
      // Asked again, then cancelled.
      {anyTime, L"", L"", {L"You did not follow the requested format, please try again"}, {}, {L"yesterday", L""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Frmbackup& w = Start();
    w.Threshold = DateTime(-1);
    for (size_t i = 0; i < c.inputs.size(); ++i) {
      Ui().AnswerInputBox(c.inputs[i]);
      ExpectMessages(i + 1 < c.inputs.size());
    }
    if (c.inputs.empty()) ExpectMessages(c.messages.size());
    c.act(w);
    EXPECT_EQ(Selected(w), c.selected);
    EXPECT_EQ(w.lblBackup.Caption(), c.label);
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(w.Threshold, c.threshold.value_or(w.Threshold));
    DeleteFileW(kLastBackupStamp);
    DeleteFileW(kLastUploadStamp);
  }
}

// ---- DatePicker1 ----

// A screen reader reads the picker by the name the form gives it, with the
// design's date. (The host's own tests leave hosting on the main window and
// the design values to these.)
TEST_F(StartedWindowTest, AScreenReaderReadsThePickerWhichSelectsSinceAndLeavesTheThresholdToItsOption) {
  ASSERT_TRUE(w_->DatePicker1.HasControl()) << w_->DatePicker1.CreateError();
  IAccessible* reader = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(w_->DatePicker1.ControlHwnd(), OBJID_CLIENT, IID_PPV_ARGS(&reader)), S_OK);
  VARIANT self{};
  self.vt = VT_I4;
  BSTR name = nullptr, value = nullptr;
  reader->get_accName(self, &name), reader->get_accValue(self, &value);
  EXPECT_TRUE(name && value && std::wstring(name) == L"DatePicker1" && std::wstring(value) == L"9/7/2004");
  SysFreeString(name), SysFreeString(value);
  reader->Release();
  // Hosted in its frame, with no empty state to pick.
  EXPECT_EQ(GetParent(w_->DatePicker1.Hwnd()), w_->fraBackup.Hwnd());
  EXPECT_EQ(w_->DatePicker1.Get(L"AllowEmpty").boolVal, VARIANT_FALSE);

  // A press on the picker selects "since" and nothing else. A picked day
  // (the user's change, not code's) selects it too and reaches PickedDate
  // and the label, not the threshold: the press on "Backup files since"
  // takes it over. A run freezes the picker and InitializeAgain thaws it.
  w_->OptDateToday_MouseDown();
  const DateTime threshold = w_->Threshold;
  const std::wstring label = w_->lblBackup.Caption();
  const HWND picker = w_->DatePicker1.ControlHwnd();
  SendMessageW(picker, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageW(picker, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Selected(*w_), L"optDatePicker");
  EXPECT_TRUE(w_->lblBackup.Caption() == label && w_->Threshold == threshold && w_->PickedDate.IsNull());
  w_->OptDateToday_MouseDown();
  w_->DatePicker1.Put(L"Value", forms::AxDate(DateTime::Serial(2026, 1, 15).Value()));
  EXPECT_EQ(Selected(*w_), L"OptDateToday");
  for (WPARAM key : {VK_UP, VK_DOWN}) SendMessageW(picker, WM_KEYDOWN, key, 1);
  EXPECT_EQ(Selected(*w_), L"optDatePicker");
  EXPECT_EQ(w_->lblBackup.Caption(), common::ShortDateText(DateTime::Serial(2026, 1, 15)) + L" 12:00:01 AM");
  EXPECT_TRUE(w_->PickedDate == DayOneSecond(2026, 1, 15) && w_->Threshold == threshold);
  w_->optDatePicker_MouseDown();
  EXPECT_EQ(w_->Threshold, DayOneSecond(2026, 1, 15));
  auto enabled = [&] { return w_->DatePicker1.Get(L"Enabled").boolVal != VARIANT_FALSE; };
  w_->SetDateOptionsEnabled(false);
  EXPECT_FALSE(enabled() || IsWindowEnabled(w_->DatePicker1.Hwnd()));
  w_->InitializeAgain();
  EXPECT_TRUE(enabled() && w_->optDatePicker.Enabled());
  EXPECT_TRUE(Prompts().empty());
}

// The choice a scheduled run is given is the one the panel shows; applied
// to a window that shows another, it selects the same again. What cannot
// be said is refused with its reason.
TEST_F(StartedWindowTest, TheChoiceAScheduledRunGetsIsTheOneShownAndAppliesBack) {
  const struct {
    Handler arrange;
    const wchar_t* argument;  // empty: refused
    const wchar_t* refusal = L"";
  } rows[] = {
      {[](Frmbackup& w) { w.OptLastBackup.SetValue(true); }, L"/from:lastbackup"},
      {[](Frmbackup& w) { w.OptLastUpload.SetValue(true); }, L"/from:lastupload"},
      {[](Frmbackup& w) { w.OptDateToday.SetValue(true); }, L"/from:today"},
      {[](Frmbackup& w) { w.txtdays.SetText(L"12"); }, L"/days:12"},
      {[](Frmbackup& w) { w.PickedDate = DayOneSecond(2025, 11, 3), w.optDatePicker.SetValue(true); },
       L"/since:2025-11-03"},
      // "Since" with the picker untouched is today.
      {[](Frmbackup& w) { w.PickedDate = DateTime(), w.optDatePicker.SetValue(true); }, L"/from:today"},
      {[](Frmbackup& w) { w.UserSetTime = harness::At(2025, 1, 2, 13, 4, 5), w.OptAnyTime.SetValue(true); },
       L"/since:2025-01-02T13:04:05"},
      {[](Frmbackup& w) { w.UserSetTime = DateTime(), w.OptAnyTime.SetValue(true); }, L"",
       L"The time to back up from (from user set time)"},
      {[](Frmbackup& w) { w.txtdays.SetText(L"99999"); }, L"", L"The number of days"},
      {[](Frmbackup&) {}, L"", L"Choose the time to back up from"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.argument);
    for (forms::OptionButton* o : Options(*w_)) o->SetValue(false);
    row.arrange(*w_);
    std::wstring why;
    const std::optional<DateChoice> choice = w_->CurrentDateChoice(why);
    EXPECT_EQ(choice ? DateChoiceArgument(*choice) : L"", row.argument);
    EXPECT_EQ(why.rfind(row.refusal, 0), 0u) << std::string(why.begin(), why.end());
    if (!choice) continue;
    // Another choice shown, then the scheduled one applied.
    w_->txtdays.SetText(L"3");
    w_->UserSetTime = w_->PickedDate = DateTime();
    w_->ApplyDateChoice(*choice);
    const std::optional<DateChoice> again = w_->CurrentDateChoice(why);
    EXPECT_EQ(again ? DateChoiceArgument(*again) : L"", row.argument);
  }
}

}  // namespace
}  // namespace ferrimond
