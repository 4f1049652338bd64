// The scheduled backup: the task's XML, the schedule window's Save and
// Remove against a Task Scheduler of the test's own (also one that
// refuses), and the system's Task Scheduler where Wine provides it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ferrimond/schedule/frm_schedule.h"
#include "ferrimond/schedule/task_definition.h"
#include "ferrimond/schedule/task_scheduler.h"
#include "tests/ferrimond/forms/scripted_user_interaction.h"
#include "tests/harness/temp_dir.h"

namespace ferrimond {
namespace {

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

ScheduleDefinition Sample() {
  return {.hour = 7, .minute = 5, .days = kMonday | kSunday, .program = L"C:\\Program Files\\Ferrimond\\Ferrimond.exe",
          .log = L"C:\\Program Files\\Ferrimond\\scheduled.log", .drive = L'E', .volume = 0x00C0FFEE,
          .dateArgument = L"/since:2026-01-31"};
}

// Days in the week's order from Sunday; the log's path quoted; the task runs
// as administrator; text escaped.
TEST(TaskDefinition, TheXmlCarriesTriggerActionArgumentsAndPrincipalOrARefusal) {
  ScheduleDefinition escaped = Sample();
  escaped.program = L"C:\\R&D <new>\\Ferrimond.exe";
  const std::wstring xml = TaskXml(escaped, L"2026-03-04");
  for (const wchar_t* part : {L"<StartBoundary>2026-03-04T07:05:00</StartBoundary>",
                              L"<DaysOfWeek><Sunday /><Monday /></DaysOfWeek>",
                              L"<Command>C:\\R&amp;D &lt;new&gt;\\Ferrimond.exe</Command>",
                              L"<Arguments>/backup /log:&quot;C:\\Program Files\\Ferrimond\\scheduled.log&quot; /drive:E "
                              L"/volume:00C0FFEE /since:2026-01-31</Arguments>",
                              L"<RunLevel>HighestAvailable</RunLevel>", L"<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"})
    EXPECT_NE(xml.find(part), std::wstring::npos) << Narrow(part);
  // What cannot run is refused.
  const std::pair<void (*)(ScheduleDefinition&), const wchar_t*> rows[] = {
      {[](ScheduleDefinition&) {}, L""},
      {[](ScheduleDefinition& d) { d.days = 0; }, L"Choose at least one day"},
      {[](ScheduleDefinition& d) { d.drive = 0; }, L"Choose the removable drive"},
      {[](ScheduleDefinition& d) { d.hour = 24; }, L"Choose a time"},
      {[](ScheduleDefinition& d) { d.log = L"C:\\a\"b.log"; }, L"The log's path cannot"},
      {[](ScheduleDefinition& d) { d.dateArgument.clear(); }, L"Choose the time to back up from"},
  };
  for (const auto& [change, refusal] : rows) {
    ScheduleDefinition d = Sample();
    change(d);
    EXPECT_EQ(ScheduleRefusal(d).rfind(refusal, 0), 0u) << Narrow(refusal);
  }
}

// A Task Scheduler that keeps one task in memory, or refuses everything.
struct FakeScheduler : ScheduleService {
  std::wstring refusal;
  std::vector<std::wstring> registered;  // every XML registered, in order
  bool exists = false;
  std::wstring Register(const std::wstring& xml) override {
    if (refusal.empty()) registered.push_back(xml), exists = true;
    return refusal;
  }
  std::wstring Delete() override {
    if (refusal.empty()) exists = false;
    return refusal;
  }
  std::wstring Query(TaskState& state) override {
    state = {.registered = exists};
    if (exists) state.nextRun = common::DateTime::Serial(2030, 1, 2), state.lastResult = 2;
    return {};
  }
};

class ScheduleWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Open(L"C:\\Program Files\\Ferrimond\\Ferrimond.exe");
    if (!window->DtpTime.HasControl()) GTEST_SKIP() << "no Almanix date picker here";
  }
  void Open(const std::wstring& program) {
    ScheduleInputs in{.drives = {L"E", L"F"}, .drive = L"F", .program = program, .log = folder / L"scheduled.log"};
    in.saveSelections = [this](const std::wstring& path) { harness::WriteFile(path, "#FALSE#\r\n"), ++saves; };
    in.checkSelections = [this](std::wstring& argument) {
      if (selectionsRefusal.empty()) argument = L"/days:7";
      return selectionsRefusal;
    };
    in.volumeSerial = [](wchar_t letter) { return letter == L'F' ? std::optional<uint32_t>(0xF00D1234u) : std::nullopt; };
    window = std::make_unique<FrmSchedule>(ui, service, in);
  }
  std::wstring selectionsRefusal;
  harness::TempDir folder;
  forms::testing::ScriptedUserInteraction ui;
  FakeScheduler service;
  int saves = 0;
  std::unique_ptr<FrmSchedule> window;
};

TEST_F(ScheduleWindow, SaveAndRemoveTheTaskUnlessTheTaskSchedulerRefuses) {
  // Without saved selections nothing is registered.
  ui.AnswerMsgBox(forms::MsgResult::Ok);
  window->CmdSave_Click();
  EXPECT_TRUE(service.registered.empty());
  EXPECT_NE(ui.Messages().back().find(L"Use the current selections"), std::wstring::npos);

  window->CmdSelections_Click();
  EXPECT_EQ(saves, 1);
  window->SetPickedTime(6, 30);
  window->CmdSave_Click();
  ASSERT_EQ(service.registered.size(), 1u);
  for (const wchar_t* part : {L"T06:30:00</StartBoundary>", L"/drive:F /volume:F00D1234 /days:7</Arguments>"})
    EXPECT_NE(service.registered[0].find(part), std::wstring::npos) << Narrow(part);
  EXPECT_EQ(window->lblLast.Caption(), L"Last result: exit code 2: stopped before the end");
  window->CmdRemove_Click();
  EXPECT_FALSE(service.exists);
  EXPECT_EQ(window->lblNext.Caption(), L"No backup is scheduled.");
  EXPECT_EQ(ui.Messages().size(), 1u);
  // A refusing Task Scheduler changes nothing and says so.
  window->CmdSave_Click();
  service.refusal = L"The Task Scheduler refused the task (code 0x80070005).";
  for (void (FrmSchedule::*command)() : {&FrmSchedule::CmdSave_Click, &FrmSchedule::CmdRemove_Click}) {
    ui.AnswerMsgBox(forms::MsgResult::Ok);
    (window.get()->*command)();
    EXPECT_NE(ui.Messages().back().find(L"Nothing was changed.\r\n" + service.refusal), std::wstring::npos);
    EXPECT_TRUE(service.exists && service.registered.size() == 2u);
  }
}

// What the scheduled run could not do as the user expects is refused at
// Save, in words, and nothing is registered.
TEST_F(ScheduleWindow, RefusesWhatTheScheduledRunCouldNotDoAsShown) {
  struct Row {
    const wchar_t* program;
    const wchar_t* selectionsRefusal;
    int drive;                // list index
    const wchar_t* message;   // empty: registered
  } rows[] = {
      {L"c:\\PROGRAM FILES\\ferrimond\\FERRIMOND.EXE", L"", 1, L""},
      {L"C:\\Program Files\\Other\\..\\Ferrimond\\Ferrimond.exe", L"", 1, L""},
      {L"C:\\Users\\me\\Downloads\\Ferrimond.exe", L"", 1, L"Only the Ferrimond installed in C:\\Program Files\\Ferrimond"},
      {L"C:\\Program Files\\Ferrimond\\old\\Ferrimond.exe", L"", 1, L"Only the Ferrimond installed"},
      {L"C:\\Program Files\\Ferrimond.new\\Ferrimond.exe", L"", 1, L"Only the Ferrimond installed"},
      {L"C:\\Program Files\\Ferrimond\\Ferrimond.exe", L"The selections name no folder", 1,
       L"The selections name no folder"},
      // Drive E's medium cannot be read: no serial to hold the run to.
      {L"C:\\Program Files\\Ferrimond\\Ferrimond.exe", L"", 0, L"Drive E: cannot be read"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Narrow(row.program));
    Open(row.program);
    selectionsRefusal = row.selectionsRefusal;
    window->CmdSelections_Click();
    window->lstDrive.SetListIndex(row.drive);
    service.registered.clear(), ui.ClearRecord();
    if (*row.message) ui.AnswerMsgBox(forms::MsgResult::Ok);
    window->CmdSave_Click();
    EXPECT_EQ(service.registered.size(), *row.message ? 0u : 1u);
    const std::wstring said = ui.Messages().empty() ? L"" : ui.Messages().back();
    EXPECT_EQ(said.rfind(row.message, 0), 0u) << Narrow(said);
  }
}

// The system's Task Scheduler with the XML the window makes. Wine's is
// partial: where it refuses, the test says why and skips.
TEST(SystemTaskScheduler, RegistersReadsAndDeletesTheTask) {
  WindowsTaskScheduler scheduler;
  const std::wstring why = scheduler.Register(TaskXml(Sample(), L"2026-03-04"));
  if (!why.empty()) GTEST_SKIP() << "the Task Scheduler refused here: " << Narrow(why);
  TaskState state;
  for (bool registered : {true, false}) {
    ASSERT_EQ(scheduler.Query(state), L"");
    EXPECT_EQ(state.registered, registered);
    EXPECT_TRUE(!registered || scheduler.Delete().empty());
  }
}

}  // namespace
}  // namespace ferrimond
