// Where the upload puts the folders of the removable drive.
#include <gtest/gtest.h>

#include "ferrimond/upload/upload_paths.h"

namespace ferrimond {
namespace {

TEST(UploadFolder, RedirectsDocumentsIntoTheChosenProfileAndKeepsOtherPaths) {
  const wchar_t* const kOldProfile = L"C:\\Documents and Settings\\User2";
  const wchar_t* const kNewProfile = L"C:\\Users\\alice";
  const struct {
    const wchar_t* path;
    const wchar_t* profile;
    const wchar_t* expected;
  } cases[] = {
      // The older layout onto an older profile: the folder as stored.
      {L"E:\\Documents and Settings\\User1\\My Documents\\Letters", kOldProfile,
       L"C:\\Documents and Settings\\User2\\My Documents\\Letters"},
      {L"E:\\anything\\at all\\MY DOCUMENTS", kOldProfile, L"C:\\Documents and Settings\\User2\\MY DOCUMENTS"},
      // Across layouts, into the profile's own documents folder.
      {L"E:\\Documents and Settings\\User1\\My Documents\\Letters", kNewProfile,
       L"C:\\Users\\alice\\Documents\\Letters"},
      {L"E:\\Users\\bob\\Documents\\Letters\\2026", kOldProfile,
       L"C:\\Documents and Settings\\User2\\My Documents\\Letters\\2026"},
      {L"E:\\users\\bob\\documents", kNewProfile, L"C:\\Users\\alice\\Documents"},
      {L"E:\\Users\\bob\\Documents\\x", L"D:\\users\\carol\\", L"D:\\users\\carol\\Documents\\x"},
      // Not a profile's documents folder: only the drive changes.
      {L"E:\\Work\\Team\\Documents\\x", kNewProfile, L"D:\\Work\\Team\\Documents\\x"},
      {L"E:\\Users\\bob\\Desktop\\Documents", kNewProfile, L"D:\\Users\\bob\\Desktop\\Documents"},
      {L"E:\\Documents and Settings\\User1\\Desktop", kOldProfile, L"D:\\Documents and Settings\\User1\\Desktop"},
      {L"E:\\Work\\Plans", kOldProfile, L"D:\\Work\\Plans"},
      {L"E:", kOldProfile, L"D:"},
      // The shared profiles' documents belong to nobody: they keep their paths.
      {L"E:\\Users\\Public\\Documents\\x", kNewProfile, L"D:\\Users\\Public\\Documents\\x"},
      {L"E:\\Users\\default\\Documents", kOldProfile, L"D:\\Users\\default\\Documents"},
      {L"E:\\Documents and Settings\\All Users\\My Documents", kOldProfile,
       L"D:\\Documents and Settings\\All Users\\My Documents"},
      {L"E:\\Documents and Settings\\Default User\\My Documents\\x", kNewProfile,
       L"D:\\Documents and Settings\\Default User\\My Documents\\x"},
      // Without a profile nothing is redirected.
      {L"E:\\Users\\bob\\Documents\\x", L"", L"D:\\Users\\bob\\Documents\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(UploadFolder(c.path, L"D", c.profile), c.expected) << c.path;
}

TEST(UploadFolder, KnowsEachLayoutsDocumentsFolder) {
  EXPECT_EQ(DocumentsFolderOf(L"C:\\Documents and Settings\\u"), L"My Documents");
  EXPECT_EQ(DocumentsFolderOf(L"c:\\documents and settings\\u\\"), L"My Documents");
  EXPECT_EQ(DocumentsFolderOf(L"C:\\Users\\u"), L"Documents");
  EXPECT_EQ(DocumentsFolderOf(L"D:\\Profiles\\u"), L"Documents");
  EXPECT_EQ(BelowRoot(L"E:\\a\\b.doc"), L"a\\b.doc");
  EXPECT_EQ(BelowRoot(L"E:"), L"");
}

TEST(UploadNames, SharedProfilesDriveFoldersAndLaterSavedVersions) {
  for (const wchar_t* name : {L"Public", L"DEFAULT", L"Default User", L"all users"}) EXPECT_TRUE(IsSharedProfile(name)) << name;
  for (const wchar_t* name : {L"Publico", L"alice", L""}) EXPECT_FALSE(IsSharedProfile(name)) << name;
  for (const wchar_t* name : {L"System Volume Information", L"$Recycle.Bin", L"RECYCLER"})
    EXPECT_TRUE(IsDriveSystemFolder(name)) << name;
  EXPECT_FALSE(IsDriveSystemFolder(L"System"));
  const struct {
    const wchar_t* name;
    int number;
    const wchar_t* expected;
  } versions[] = {{L"x.doc", 2, L"x (2).doc"}, {L"a.b.txt", 3, L"a.b (3).txt"}, {L"README", 2, L"README (2)"},
                  {L".profile", 2, L".profile (2)"}};
  for (const auto& v : versions) EXPECT_EQ(SavedVersionName(v.name, v.number), v.expected) << v.name;
}

}  // namespace
}  // namespace ferrimond
