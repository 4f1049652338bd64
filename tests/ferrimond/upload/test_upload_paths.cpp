// Where the upload puts the folders of the removable drive.
#include <gtest/gtest.h>

#include "ferrimond/upload/upload_paths.h"

namespace ferrimond {
namespace {

TEST(UploadFolder, RedirectsDocumentsIntoTheChosenProfileAndKeepsOtherPaths) {
  const wchar_t* const kOld = L"C:\\Documents and Settings\\User2";
  const wchar_t* const kNew = L"C:\\Users\\alice";
  const struct {
    const wchar_t* path;
    const wchar_t* profile;
    const wchar_t* expected;
  } cases[] = {
      // The older layout onto an older profile: the folder as stored.
      {L"E:\\Documents and Settings\\User1\\My Documents\\Letters", kOld,
       L"C:\\Documents and Settings\\User2\\My Documents\\Letters"},
      {L"E:\\anything\\at all\\MY DOCUMENTS", kOld, L"C:\\Documents and Settings\\User2\\MY DOCUMENTS"},
      // Across layouts (both ways: the whole upload), into the profile's own
      // documents folder.
      {L"E:\\users\\bob\\documents", kNew, L"C:\\Users\\alice\\Documents"},
      {L"E:\\Users\\bob\\Documents\\x", L"D:\\users\\carol\\", L"D:\\users\\carol\\Documents\\x"},
      // Not a profile's documents folder: only the drive changes.
      {L"E:\\Users\\bob\\Desktop\\Documents", kNew, L"D:\\Users\\bob\\Desktop\\Documents"},
      {L"E:", kOld, L"D:"},
      // The shared profiles' documents belong to nobody: they keep their paths.
      {L"E:\\Users\\Public\\Documents\\x", kNew, L"D:\\Users\\Public\\Documents\\x"},
      {L"E:\\Documents and Settings\\All Users\\My Documents", kOld,
       L"D:\\Documents and Settings\\All Users\\My Documents"},
      // Without a profile nothing is redirected.
      {L"E:\\Users\\bob\\Documents\\x", L"", L"D:\\Users\\bob\\Documents\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(UploadFolder(c.path, L"D", c.profile), c.expected) << c.path;
}

TEST(UploadNames, SharedProfilesDriveFoldersAndLaterSavedVersions) {
  EXPECT_FALSE(IsSharedProfile(L"Publico"));
  EXPECT_TRUE(IsDriveSystemFolder(L"RECYCLER"));
  EXPECT_FALSE(IsDriveSystemFolder(L"System"));
  EXPECT_EQ(SavedVersionName(L"a.b.txt", 3), L"a.b (3).txt");
  EXPECT_EQ(SavedVersionName(L"README", 2), L"README (2)");
  EXPECT_EQ(SavedVersionName(L".profile", 2), L".profile (2)");
}

}  // namespace
}  // namespace ferrimond
