#include <windows.h>

#include <gtest/gtest.h>

#include "common/numbered_error.h"
#include "ferrimond/support/system_info.h"

using ferrimond::SystemInfo;

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[512];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 512);
  return n > 0 && n < 512 ? std::wstring(buffer, n) : std::wstring();
}

// Not a valid EXTENDED_NAME_FORMAT.
constexpr int32_t kBadFormat = 99;

}  // namespace

// The plain name is the login name without its terminator; the extended
// NameSamCompatible form is "DOMAIN\user" with the plain name after the
// backslash.
TEST(SystemInfo, PlainAndExtendedUserNames) {
  const std::wstring plain = SystemInfo().UserName(), sam = SystemInfo().UserName(2);
  EXPECT_EQ(plain.find(L'\0'), std::wstring::npos);
  EXPECT_EQ(CompareStringOrdinal(plain.c_str(), -1, Environment(L"USERNAME").c_str(), -1, TRUE), CSTR_EQUAL);
  ASSERT_NE(sam.find(L'\\'), std::wstring::npos) << sam;
  EXPECT_EQ(CompareStringOrdinal(sam.substr(sam.find(L'\\') + 1).c_str(), -1, plain.c_str(), -1, TRUE), CSTR_EQUAL);
}

TEST(SystemInfo, FailedExtendedLookupRaisesOrIsEmptyByTheSwitch) {
  SystemInfo info;
  try {
    info.UserName(kBadFormat);
    ADD_FAILURE() << "no error raised";
  } catch (const common::NumberedError& e) {
    EXPECT_GT(e.Number(), 0);  // a system error code
    EXPECT_FALSE(e.Description().empty());
  }
  info.RaiseErrors = false;
  EXPECT_EQ(info.UserName(kBadFormat), L"");
}
