// The date criterion panel on the real main window: the six options, the
// days box, the user-set-time dialogue, and DatePicker1 (an Almanix
// DatePicker hosted in the window) heard through its real event sink.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/date_text.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/file_times.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"
#include "tests/harness/temp_dir.h"

namespace ferrimond {
namespace {

using mwtest::MainWindowTest;
using mwtest::StartedWindowTest;
using common::DateTime;

constexpr wchar_t kNotRecorded[] = L"Last backup time was not recorded!";
constexpr wchar_t kNotKept[] = L"Last update time was not kept correctly!";
constexpr wchar_t kFormat[] = L"You did not follow the requested format, please try again";
constexpr wchar_t kPrompt[] =
    L"Please input date and time you want to backup from\nThe format is  mm/dd/yy hh:mm:ss AM/PM";

DateTime Today0001() { return DateTime(common::Now().DatePart().Value() + DateTime::TimeSerial(0, 0, 1)); }
DateTime Day0001(int y, int m, int d) { return DateTime(DateTime::Serial(y, m, d).Value() + DateTime::TimeSerial(0, 0, 1)); }

// The option that is selected, or "" when none is.
std::wstring Selected(Frmbackup& w) {
  for (forms::OptionButton* o : {&w.OptLastUpload, &w.OptLastBackup, &w.OptDateToday, &w.OptAnyTime,
                                 &w.optDateText, &w.optDatePicker}) {
    if (o->Value()) return o->Name();
  }
  return L"";
}

struct PanelCase {
  const char* name;
  std::function<void(Frmbackup&)> arrange;  // before the action (stamps, days text, ...)
  std::function<void(Frmbackup&)> act;
  // Answers to the input boxes and messages, in order (none: OK to each message).
  std::function<void(forms::testing::ScriptedUserInteraction&)> script;
  const wchar_t* selected;
  std::function<std::wstring()> label;  // lblBackup afterwards
  std::vector<std::wstring> messages;
  std::optional<DateTime> threshold = std::nullopt;
};

class DatePanelTest : public StartedWindowTest {};

TEST_F(DatePanelTest, EachHandlerSelectsSetsTheTimeAndSaysWhatThePanelSays) {
  auto text = [](DateTime d) { return [d] { return common::DateText(d); }; };
  auto none = [](Frmbackup&) {};
  auto days = [](const wchar_t* t) { return [t](Frmbackup& w) { w.txtdays.SetText(t); }; };
  auto lastBackup = [](const std::string& bytes) {
    return [bytes](Frmbackup&) { WriteStamp(bytes, kLastBackupStamp); };
  };
  const DateTime stored = DateTime::Serial(2026, 3, 1).AddDays(10.0 / 24);
  const DateTime today = Today0001();
  const auto blank = [] { return std::wstring(); };
  const auto backup = [](Frmbackup& w) { w.OptLastBackup_MouseDown(); };
  const auto upload = [](Frmbackup& w) { w.OptLastUpload_MouseDown(); };
  const auto since = [](Frmbackup& w) { w.optDatePicker_MouseDown(); };
  const auto lastDays = [](Frmbackup& w) { w.optDateText_MouseDown(); };
  const auto anyTime = [](Frmbackup& w) { w.OptAnyTime_MouseDown(); };
  const PanelCase cases[] = {
      {"today", none, [](Frmbackup& w) { w.OptDateToday_MouseDown(); }, nullptr, L"OptDateToday", text(today), {}, today},
      {"no last backup", none, backup, nullptr, L"", blank, {}},
      {"last backup", lastBackup("#2026-03-01 10:00:00#\r\n"), backup, nullptr, L"OptLastBackup", text(stored), {}, stored},
      {"null last backup", lastBackup("#1899-12-30 00:00:00#\r\n"), backup, nullptr, L"", text(DateTime()), {kNotRecorded}},
      {"unreadable last backup", lastBackup("no date here\r\n"), backup, nullptr, L"", text(DateTime()), {kNotRecorded}},
      {"empty last backup", lastBackup(""), backup, nullptr, L"", text(DateTime()), {kNotRecorded}},
      {"no last upload", none, upload, nullptr, L"", blank, {}},
      {"null last upload", [](Frmbackup&) { WriteStamp("#1899-12-30 00:00:00#\r\n", kLastUploadStamp); }, upload,
       nullptr, L"", text(DateTime()), {kNotKept}},
      {"since, nothing picked", none, since, nullptr, L"optDatePicker", text(today), {}, today},
      {"since a picked date", [](Frmbackup& w) { w.PickedDate = Day0001(2004, 9, 7); }, since, nullptr,
       L"optDatePicker", text(Day0001(2004, 9, 7)), {}, Day0001(2004, 9, 7)},
      {"last 2 days", none, lastDays, nullptr, L"optDateText", text(today.AddDays(-2)), {}, today.AddDays(-2)},
      {"last abc days", days(L"abc"), lastDays, nullptr, L"optDateText", text(today), {}, today},
      {"last half day", days(L" 0.5"), lastDays, nullptr, L"optDateText", text(today.AddDays(-0.5)), {},
       today.AddDays(-0.5)},
      {"typing 7 over today", [](Frmbackup& w) { w.OptDateToday_MouseDown(); }, days(L"7"), nullptr, L"optDateText",
       text(today.AddDays(-7)), {}, today.AddDays(-7)},
      {"typing -1", none, days(L"-1 days"), nullptr, L"optDateText", text(today.AddDays(1)), {}, today.AddDays(1)},
      {"user time", none, anyTime, [](auto& ui) { ui.AnswerInputBox(L"03/04/2026 10:30:00 PM"); }, L"OptAnyTime",
       text(DateTime::Serial(2026, 3, 4).AddDays(22.5 / 24)), {}},
      {"user time asked again, then cancelled", none, anyTime,
       [](auto& ui) { ui.AnswerInputBox(L"yesterday"), ui.AnswerMsgBox(forms::MsgResult::Ok), ui.AnswerInputBox(L""); },
       L"", blank, {kFormat}},
  };
  for (const PanelCase& c : cases) {
    SCOPED_TRACE(c.name);
    Frmbackup& w = Start();
    ASSERT_TRUE(Prompts().empty());
    c.arrange(w);
    const DateTime before = DateTime(-1);
    w.Threshold = before;
    if (c.script) {
      c.script(Ui());
    } else {
      ExpectMessages(c.messages.size());
    }
    Ui().ClearRecord();
    c.act(w);
    EXPECT_EQ(Selected(w), c.selected);
    EXPECT_EQ(w.lblBackup.Caption(), c.label());
    EXPECT_EQ(Ui().Messages(), c.messages);
    for (const auto& input : Ui().PromptsOf(forms::testing::PromptKind::InputBox)) {
      EXPECT_EQ(input.text, kPrompt);
      EXPECT_EQ(input.defaultText, L"");
    }
    if (c.threshold) {
      EXPECT_EQ(w.Threshold, *c.threshold);
    }
    EXPECT_EQ(w.lblDir.Caption(), L"");
    DeleteFileW(kLastBackupStamp);
    DeleteFileW(kLastUploadStamp);
  }
}

TEST_F(DatePanelTest, AStampThatIsReadMarksTheMarkerAndTheDaysBoxTurnsWhiteWhenItsOptionIsChosen) {
  WriteStamp("#2026-03-01 10:00:00#\r\n", kLastBackupStamp);
  harness::WriteFile(kThresholdMarker, "");
  w_->OptLastBackup_MouseDown();
  EXPECT_EQ(GetFileDate(kThresholdMarker, FileTimeWritten), DateTime::Serial(2026, 3, 1).AddDays(10.0 / 24));

  EXPECT_NE(w_->txtdays.BackColor(), 0xFFFFFFu);
  w_->optDateText.SetValue(true);  // by code, as default.log does
  EXPECT_EQ(w_->txtdays.BackColor(), 0xFFFFFFu);
}

// ---- DatePicker1 ----

TEST_F(DatePanelTest, DatePickerIsHostedInTheFrameWithItsDesignValues) {
  forms::ActiveXHost& p = w_->DatePicker1;
  ASSERT_TRUE(p.HasControl()) << p.CreateError();
  EXPECT_NE(p.Origin(), forms::AxOrigin::None);
  EXPECT_EQ(GetParent(p.Hwnd()), w_->fraBackup.Hwnd());
  EXPECT_EQ(GetParent(p.ControlHwnd()), p.Hwnd());
  // At 4080, or further right where the option's caption needed the room.
  EXPECT_GE(p.GetBounds().left, std::max(4080, w_->optDatePicker.Left() + w_->optDatePicker.Width()));
  // Tab order: right after "Backup files since".
  const auto& order = w_->fraBackup.Children();
  auto at = std::find(order.begin(), order.end(), &p);
  ASSERT_NE(at, order.begin());
  EXPECT_EQ(*(at - 1), &w_->optDatePicker);
  // The design's date, and no empty state to pick.
  VARIANT value = p.Get(L"Value"), allowEmpty = p.Get(L"AllowEmpty");
  EXPECT_EQ(value.vt, VT_DATE);
  EXPECT_EQ(value.date, DateTime::Serial(2004, 9, 7).Value());
  EXPECT_EQ(allowEmpty.vt, VT_BOOL);
  EXPECT_EQ(allowEmpty.boolVal, VARIANT_FALSE);
  // Nothing has been picked yet.
  EXPECT_TRUE(w_->PickedDate.IsNull());
}

// A screen reader reads the picker by the name the form gives it.
TEST_F(DatePanelTest, AScreenReaderReadsThePickerWithItsNameAndDate) {
  IAccessible* reader = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(w_->DatePicker1.ControlHwnd(), OBJID_CLIENT, IID_PPV_ARGS(&reader)), S_OK);
  VARIANT self{}, role{};
  self.vt = VT_I4;
  BSTR name = nullptr, value = nullptr;
  reader->get_accRole(self, &role), reader->get_accName(self, &name), reader->get_accValue(self, &value);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_DROPLIST);
  EXPECT_STREQ(name, L"DatePicker1");
  EXPECT_STREQ(value, L"9/7/2004");
  SysFreeString(name), SysFreeString(value);
  reader->Release();
}

TEST_F(DatePanelTest, APickedDateReachesPickedDateThroughChangeAndLeavesTheThresholdAlone) {
  w_->OptDateToday_MouseDown();
  const DateTime threshold = w_->Threshold;
  // Code's value raises nothing; the user steps a field up and down again.
  w_->DatePicker1.Put(L"Value", forms::AxDate(DateTime::Serial(2026, 1, 15).Value()));
  EXPECT_EQ(Selected(*w_), L"OptDateToday");
  for (WPARAM key : {VK_UP, VK_DOWN}) SendMessageW(w_->DatePicker1.ControlHwnd(), WM_KEYDOWN, key, 1);
  EXPECT_EQ(Selected(*w_), L"optDatePicker");
  EXPECT_EQ(w_->lblBackup.Caption(), common::ShortDateText(DateTime::Serial(2026, 1, 15)) + L" 12:00:01 AM");
  EXPECT_EQ(w_->PickedDate, Day0001(2026, 1, 15));
  EXPECT_EQ(w_->Threshold, threshold);
  // The press on "Backup files since" takes it over.
  w_->optDatePicker_MouseDown();
  EXPECT_EQ(w_->Threshold, Day0001(2026, 1, 15));
  EXPECT_TRUE(Prompts().empty());
}

TEST_F(DatePanelTest, APressOnThePickerOrItsFocusSelectsSinceAndNothingElse) {
  struct Case {
    const char* name;
    std::function<void(Frmbackup&)> act;
  } cases[] = {
      {"mouse press", [](Frmbackup& w) {
         HWND inner = w.DatePicker1.ControlHwnd();
         SendMessageW(inner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
         SendMessageW(inner, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
       }},
      {"focus", [](Frmbackup& w) { w.DatePicker1.SetFocus(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    w_->OptDateToday_MouseDown();
    w_->txtdays.SetFocus();
    w_->lblBackup.SetCaption(L"kept");
    const DateTime threshold = w_->Threshold;
    c.act(*w_);
    EXPECT_EQ(Selected(*w_), L"optDatePicker");
    EXPECT_EQ(w_->lblBackup.Caption(), L"kept");
    EXPECT_EQ(w_->Threshold, threshold);
    EXPECT_TRUE(w_->PickedDate.IsNull());
  }
}

TEST_F(DatePanelTest, ARunFreezesThePickerAndInitializeAgainThawsIt) {
  auto enabled = [&] {
    VARIANT v = w_->DatePicker1.Get(L"Enabled");
    return v.vt == VT_BOOL && v.boolVal != VARIANT_FALSE;
  };
  w_->SetDateOptionsEnabled(false);
  EXPECT_FALSE(enabled());
  EXPECT_FALSE(IsWindowEnabled(w_->DatePicker1.Hwnd()));
  w_->InitializeAgain();
  EXPECT_TRUE(enabled());
  EXPECT_TRUE(w_->optDatePicker.Enabled());
}

TEST_F(MainWindowTest, WithoutAlmanixTheProgramStartsAndSinceCannotBeChosen) {
  DatePickerSource = {L"Almanix.NotThere", L"NotThere.dll"};
  ExpectMessages(1);
  Frmbackup& w = Start();
  const auto messages = Ui().Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(L"\"Backup files since\""), std::wstring::npos) << messages[0];
  EXPECT_NE(messages[0].find(L"NotThere.dll"), std::wstring::npos) << messages[0];
  EXPECT_FALSE(w.DatePicker1.HasControl());
  EXPECT_FALSE(w.optDatePicker.Enabled());
  // The end of a run does not enable it either; the other options work.
  w.InitializeAgain();
  EXPECT_FALSE(w.optDatePicker.Enabled());
  EXPECT_TRUE(w.OptDateToday.Enabled());
  w.OptDateToday_MouseDown();
  EXPECT_EQ(Selected(w), L"OptDateToday");
}

// The choice a scheduled run is given is the one the panel shows; applied
// to a window that shows another, it selects the same again. What cannot
// be said is refused with its reason.
TEST_F(DatePanelTest, TheChoiceAScheduledRunGetsIsTheOneShownAndAppliesBack) {
  struct Row {
    const char* name;
    std::function<void(Frmbackup&)> arrange;
    const wchar_t* argument;  // empty: refused
    const wchar_t* refusal = L"";
  } rows[] = {
      {"last backup", [](Frmbackup& w) { w.OptLastBackup.SetValue(true); }, L"/from:lastbackup"},
      {"last upload", [](Frmbackup& w) { w.OptLastUpload.SetValue(true); }, L"/from:lastupload"},
      {"today", [](Frmbackup& w) { w.OptDateToday.SetValue(true); }, L"/from:today"},
      {"for last", [](Frmbackup& w) { w.txtdays.SetText(L"12"); }, L"/days:12"},
      {"since a picked date",
       [](Frmbackup& w) {
         w.PickedDate = Day0001(2025, 11, 3);
         w.optDatePicker.SetValue(true);
       },
       L"/since:2025-11-03"},
      {"since, the picker untouched",
       [](Frmbackup& w) {
         w.PickedDate = DateTime();
         w.optDatePicker.SetValue(true);
       },
       L"/from:today"},
      {"user set time",
       [](Frmbackup& w) {
         w.UserSetTime = DateTime(DateTime::Serial(2025, 1, 2).Value() + DateTime::TimeSerial(13, 4, 5));
         w.OptAnyTime.SetValue(true);
       },
       L"/since:2025-01-02T13:04:05"},
      {"user set time not set",
       [](Frmbackup& w) {
         w.UserSetTime = DateTime();
         w.OptAnyTime.SetValue(true);
       },
       L"", L"The time to back up from (from user set time)"},
      {"days not a number", [](Frmbackup& w) { w.txtdays.SetText(L"99999"); }, L"", L"The number of days"},
      {"none", [](Frmbackup&) {}, L"", L"Choose the time to back up from"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (forms::OptionButton* o : {&w_->OptLastUpload, &w_->OptLastBackup, &w_->OptDateToday, &w_->OptAnyTime,
                                   &w_->optDateText, &w_->optDatePicker})
      o->SetValue(false);
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
    ASSERT_TRUE(again);
    EXPECT_EQ(DateChoiceArgument(*again), row.argument);
  }
}

// Nothing to back up is said before anything runs.
TEST_F(DatePanelTest, SelectionsThatBackUpNothingAreNamed) {
  struct Row {
    const char* name;
    std::function<void(Frmbackup&)> arrange;
    const wchar_t* reason;
  } rows[] = {
      {"no folder, no file", [](Frmbackup&) {}, L"The selections name no folder and no file"},
      {"a folder, no type", [](Frmbackup& w) { w.LstDir.AddItem(L"C:\\a"); }, L"The selections tick no file type"},
      {"a folder and *.*",
       [](Frmbackup& w) {
         w.LstDir.AddItem(L"C:\\a");
         w.Check2.SetValue(forms::kChecked);
       },
       L""},
      {"a folder and a type",
       [](Frmbackup& w) {
         w.LstDir.AddItem(L"C:\\a");
         w.Check1[3].SetValue(forms::kChecked);
       },
       L""},
      {"a file only", [](Frmbackup& w) { w.Lstfile.AddItem(L"C:\\a.txt"); }, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    w_->LstDir.Clear();
    w_->Lstfile.Clear();
    w_->Check2.SetValue(forms::kUnchecked);
    for (int i : w_->Check1.Indexes()) w_->Check1[i].SetValue(forms::kUnchecked);
    row.arrange(*w_);
    EXPECT_EQ(w_->NothingSelectedReason().rfind(row.reason, 0), 0u);
    if (!*row.reason) EXPECT_EQ(w_->NothingSelectedReason(), L"");
  }
}

}  // namespace
}  // namespace ferrimond
