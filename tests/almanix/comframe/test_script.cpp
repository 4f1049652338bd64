// A real script host: cscript creates both controls by ProgID, sets and
// reads their properties and catches the library's errors.
#include "tests/almanix/com_test.h"

#include <sstream>

namespace almanix::testing {
namespace {

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
