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

TEST(SystemInfo, PlainUserNameIsTheLoginName) {
  const std::wstring name = SystemInfo().UserName();
  EXPECT_EQ(name.find(L'\0'), std::wstring::npos);  // the terminator is not part of it
  EXPECT_EQ(CompareStringOrdinal(name.c_str(), -1, Environment(L"USERNAME").c_str(), -1, TRUE), CSTR_EQUAL);
}

TEST(SystemInfo, ExtendedFormatAsksTheSystem) {
  // NameSamCompatible: "DOMAIN\user"; the part after the backslash is the
  // plain name.
  const std::wstring sam = SystemInfo().UserName(2);
  const std::wstring plain = SystemInfo().UserName();
  ASSERT_NE(sam.find(L'\\'), std::wstring::npos) << sam;
  EXPECT_EQ(CompareStringOrdinal(sam.substr(sam.find(L'\\') + 1).c_str(), -1, plain.c_str(), -1, TRUE),
            CSTR_EQUAL);
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
