#include <windows.h>

#include <gtest/gtest.h>

#include "ferrimond/support/text_file.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"

using ferrimond::AppendTextFile;
using ferrimond::ReadTextFile;
using ferrimond::WriteTextFile;

TEST(TextFile, WriteReplacesAppendAddsAndCreates) {
  harness::TempDir dir;
  const std::wstring sta = dir / L"backupsta.sta";
  AppendTextFile(sta, "one\r\n");  // created when missing
  // Held by another writer for a moment: the append waits for it.
  HANDLE held = CreateFileW(sta.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE release = CreateThread(nullptr, 0, [](void* h) -> DWORD { return Sleep(300), CloseHandle(h), 0; }, held, 0, nullptr);
  AppendTextFile(sta, "two\r\n");
  WaitForSingleObject(release, INFINITE), CloseHandle(release);
  EXPECT_EQ(ReadTextFile(sta), "one\r\ntwo\r\n");
  WriteTextFile(sta, "three\r\n");
  EXPECT_EQ(ReadTextFile(sta), "three\r\n");
}

TEST(TextFile, FailuresCarryTheNumbersHandlersTest) {
  harness::TempDir dir;
  EXPECT_EQ(harness::ErrorNumberOf([&] { ReadTextFile(dir / L"missing.tim"); }), common::ErrFileNotFound);
  EXPECT_EQ(harness::ErrorNumberOf([&] { WriteTextFile(dir / L"no\\such\\x.tim", "x"); }), common::ErrPathNotFound);
  // A statistics file held open without sharing by another program.
  const std::wstring locked = dir / L"locked.sta";
  WriteTextFile(locked, "x");
  HANDLE h = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(harness::ErrorNumberOf([&] { AppendTextFile(locked, "y"); }), common::ErrPermissionDenied);
  CloseHandle(h);
}

TEST(TextFile, RecordFilesReadUnicodeAndLegacyBytes) {
  harness::TempDir dir;
  const std::wstring fnm = dir / L"12_5_2026.fnm";
  WriteTextFile(fnm, "\"C:\\\xCE\x94\\a.doc\"\r\n\"C:\\Caf\xE9\\b.doc\"\r\n");
  auto reader = ferrimond::ReadRecordFile(fnm);
  EXPECT_EQ(reader.ReadString(), L"C:\\\u0394\\a.doc");
  EXPECT_EQ(reader.ReadString(), L"C:\\Caf\u00e9\\b.doc");  // 0xE9 in the ANSI code page
  EXPECT_TRUE(reader.AtEnd());
}
