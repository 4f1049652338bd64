#include <windows.h>

#include <gtest/gtest.h>

#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

TEST(WineDrives, MappedLettersHaveTheirTypeAndGoAway) {
  {
    harness::MappedDrive fixed(L'D', harness::DriveKind::Fixed);
    harness::MappedDrive removable(L'E', harness::DriveKind::Removable);
    EXPECT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeW(L"E:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    harness::WriteFile(removable / L"x.txt", "hello");
    EXPECT_EQ(harness::ReadFile(L"E:\\x.txt"), "hello");
  }
  EXPECT_EQ(GetDriveTypeW(L"E:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST(WineDrives, SmallTmpfsReallyFillsUp) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(drive, L'F');
  EXPECT_EQ(GetDriveTypeW(L"F:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
  ULARGE_INTEGER free{}, total{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"F:\\", &free, &total, nullptr));
  EXPECT_LE(total.QuadPart, 1024u * 1024u);
  EXPECT_THROW(harness::WriteFile(L"F:\\big.bin", std::string(2 * 1024 * 1024, 'x')),
               std::runtime_error);
}
