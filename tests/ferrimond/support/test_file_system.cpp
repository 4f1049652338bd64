#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "common/numbered_error.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"
#include "tests/ferrimond/support/raised_number.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

using namespace ferrimond;
using harness::DriveKind;
using harness::MappedDrive;

namespace {

std::vector<std::wstring> Names(const std::vector<File>& files) {
  std::vector<std::wstring> out;
  for (const File& f : files) out.push_back(f.Name());
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::wstring> Names(const std::vector<Folder>& folders) {
  std::vector<std::wstring> out;
  for (const Folder& f : folders) out.push_back(f.Name());
  std::sort(out.begin(), out.end());
  return out;
}

// Writes a file under exactly the name given, ending dot or blank included
// (harness::WriteFile would drop such an ending).
void WriteExactly(const std::wstring& path, const std::string& bytes) {
  harness::WriteFile(L"\\\\?\\" + path, bytes);
}

bool ExistsExactly(const std::wstring& path) {
  return GetFileAttributesW((L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeReadOnly(const std::wstring& path) {
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
}

// One removable drive E: to work on.
class OnDrive : public ::testing::Test {
 protected:
  MappedDrive drive_{L'E', DriveKind::Removable};
  FileSystem fs_;
};

}  // namespace

TEST(FileSystemErrors, SystemCodesMapToTheNumbersHandlersTest) {
  EXPECT_EQ(FileSystemErrorNumber(ERROR_FILE_NOT_FOUND), 53);
  EXPECT_EQ(FileSystemErrorNumber(ERROR_PATH_NOT_FOUND), 76);
  EXPECT_EQ(FileSystemErrorNumber(ERROR_INVALID_DRIVE), 76);
  for (DWORD code : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_WRITE_PROTECT})
    EXPECT_EQ(FileSystemErrorNumber(code), 70) << code;
  EXPECT_EQ(FileSystemErrorNumber(ERROR_NOT_READY), 71);
  EXPECT_EQ(FileSystemErrorNumber(ERROR_DISK_FULL), common::ErrDiskFull);
  EXPECT_EQ(FileSystemErrorNumber(ERROR_HANDLE_DISK_FULL), common::ErrDiskFull);
  EXPECT_EQ(FileSystemErrorNumber(ERROR_ALREADY_EXISTS), 58);
  // Anything else keeps its code, the way the scripting runtime reports it.
  EXPECT_EQ(static_cast<uint32_t>(FileSystemErrorNumber(ERROR_DIR_NOT_EMPTY)), 0x80070091u);
}

TEST(FileSystemErrors, OtherCodesCarryTheSystemText) {
  try {
    RaiseFileSystemError(ERROR_DIR_NOT_EMPTY);
  } catch (const common::NumberedError& e) {
    EXPECT_NE(e.Description(), common::RuntimeDescription(e.Number()));
    EXPECT_FALSE(e.Description().empty());
  }
  try {
    RaiseFileSystemError(ERROR_FILE_NOT_FOUND);
  } catch (const common::NumberedError& e) {
    EXPECT_EQ(e.Description(), L"File not found");
  }
}

TEST(FileSystemPaths, NormaliseRootsAndTrailingBackslashes) {
  EXPECT_EQ(FullPath(L"e:"), L"E:\\");
  EXPECT_EQ(FullPath(L"e:\\"), L"E:\\");
  EXPECT_EQ(FullPath(L"E:\\a\\b\\"), L"E:\\a\\b");
  EXPECT_EQ(FullPath(L"E:/a/./c/../b"), L"E:\\a\\b");
  EXPECT_EQ(ParentPath(L"E:\\a\\b"), L"E:\\a");
  EXPECT_EQ(ParentPath(L"E:\\a"), L"E:\\");
  EXPECT_EQ(LastComponent(L"E:\\a\\b"), L"b");
  EXPECT_TRUE(IsRootPath(L"E:\\"));
  EXPECT_TRUE(IsRootPath(L"\\\\server\\share\\"));
  EXPECT_FALSE(IsRootPath(L"E:\\a"));
  EXPECT_EQ(JoinPath(L"E:\\", L"x"), L"E:\\x");
  const std::wstring deep = L"E:\\" + std::wstring(300, L'd');
  EXPECT_EQ(SystemPath(deep), L"\\\\?\\" + deep);
  EXPECT_EQ(SystemPath(L"\\\\srv\\sh\\" + std::wstring(300, L'd')), L"\\\\?\\UNC\\srv\\sh\\" + std::wstring(300, L'd'));
  EXPECT_EQ(SystemPath(L"E:\\short"), L"E:\\short");
}

TEST(FileSystemPaths, NamesEndingInADotOrABlankKeepTheirEndings) {
  EXPECT_EQ(FullPath(L"e:\\dir\\readme."), L"E:\\dir\\readme.");
  EXPECT_EQ(FullPath(L"E:/dir/notes "), L"E:\\dir\\notes ");
  EXPECT_EQ(FullPath(L"E:\\dir\\a. ."), L"E:\\dir\\a. .");
  // On the way to another name, with steps and a trailing backslash.
  EXPECT_EQ(FullPath(L"E:\\old.\\x\\..\\inner.txt"), L"E:\\old.\\inner.txt");
  EXPECT_EQ(FullPath(L"E:\\old.\\"), L"E:\\old.");
  EXPECT_EQ(FullPath(L"E:\\old.\\.."), L"E:\\");
  EXPECT_EQ(FullPath(L"E:\\a\\.\\b\\..\\."), L"E:\\a");
  EXPECT_EQ(FullPath(L"readme."), JoinPath(FullPath(L"."), L"readme."));
  EXPECT_EQ(FullPath(L"\\\\srv\\share\\notes "), L"\\\\srv\\share\\notes ");

  // The system takes only the prefixed form literally.
  EXPECT_EQ(SystemPath(L"E:\\dir\\readme."), L"\\\\?\\E:\\dir\\readme.");
  EXPECT_EQ(SystemPath(L"E:\\old.\\inner.txt"), L"\\\\?\\E:\\old.\\inner.txt");
  EXPECT_EQ(SystemPath(L"E:\\notes \\"), L"\\\\?\\E:\\notes \\");
  EXPECT_EQ(SystemPath(L"\\\\srv\\share\\notes "), L"\\\\?\\UNC\\srv\\share\\notes ");
  EXPECT_EQ(SystemPath(L"E:\\dir\\readme.txt"), L"E:\\dir\\readme.txt");
  EXPECT_EQ(SystemPath(L"E:\\"), L"E:\\");
  EXPECT_EQ(SystemPath(L"\\\\srv.\\share \\x"), L"\\\\srv.\\share \\x");
}

TEST(FileSystemDrives, MappedDrivesAppearInLetterOrderWithTheirTypes) {
  MappedDrive removable(L'E', DriveKind::Removable);
  MappedDrive fixed(L'D', DriveKind::Fixed);
  FileSystem fs;
  std::wstring letters;
  int32_t typeD = -1, typeE = -1;
  for (const Drive& d : fs.Drives()) {
    letters += d.DriveLetter();
    if (d.DriveLetter() == L"D") typeD = d.DriveType();
    if (d.DriveLetter() == L"E") typeE = d.DriveType();
  }
  EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end()));
  EXPECT_NE(letters.find(L"DE"), std::wstring::npos) << std::string(letters.begin(), letters.end());
  EXPECT_EQ(typeD, DriveFixed);
  EXPECT_EQ(typeE, DriveRemovable);

  for (const wchar_t* name : {L"e", L"E:", L"e:\\"}) EXPECT_TRUE(fs.DriveExists(name)) << name;
  EXPECT_EQ(fs.GetDrive(L"e:").DriveLetter(), L"E");
  EXPECT_EQ(fs.GetDrive(L"E:\\").RootPath(), L"E:\\");
  EXPECT_GT(fs.GetDrive(L"E").FreeSpace(), 0u);
  harness::UnmapDrive(L'Q');
  EXPECT_FALSE(fs.DriveExists(L"Q"));
  EXPECT_EQ(RaisedNumber([&] { fs.GetDrive(L"Q"); }), 68);
  EXPECT_EQ(RaisedNumber([&] { fs.GetDrive(L"EE"); }), 5);
}

TEST(FileSystemDrives, CopyTooBigForTheDriveFailsAsDiskFullAndLeavesNoPartialFile) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(small, L'F');
  harness::TempDir source;
  harness::WriteFile(source / L"big.bin", std::string(1024 * 1024, 'x'));
  FileSystem fs;
  EXPECT_LT(fs.GetDrive(L"F").FreeSpace(), 1024u * 1024u);
  EXPECT_EQ(RaisedNumber([&] { fs.CopyFile(source / L"big.bin", L"F:\\"); }), common::ErrDiskFull);
  EXPECT_FALSE(fs.FileExists(L"F:\\big.bin"));
  // The space of the failed copy is free again: a small file still fits.
  harness::WriteFile(source / L"small.bin", std::string(1000, 's'));
  fs.CopyFile(source / L"small.bin", L"F:\\");
  EXPECT_EQ(fs.GetFile(L"F:\\small.bin").Size(), 1000u);
}

TEST_F(OnDrive, RootFolderKeepsItsBackslashAndHasNoParent) {
  const Folder root = fs_.GetFolder(L"e:");
  EXPECT_EQ(root.Path(), L"E:\\");
  EXPECT_TRUE(root.IsRootFolder());
  EXPECT_FALSE(root.ParentFolder().has_value());
  const Folder sub = fs_.CreateFolder(L"E:\\Sub\\");
  EXPECT_EQ(sub.Path(), L"E:\\Sub");
  EXPECT_EQ(sub.Name(), L"Sub");
  EXPECT_FALSE(sub.IsRootFolder());
  EXPECT_EQ(sub.ParentFolder()->Path(), L"E:\\");
}

TEST_F(OnDrive, ListingsCarryNamesSizesAndLocalDates) {
  fs_.CreateFolder(L"E:\\Docs");
  fs_.CreateFolder(L"E:\\Docs\\Inner");
  harness::WriteFile(L"E:\\Docs\\MixedCase.TXT", std::string(1234, 'm'));
  harness::WriteFile(L"E:\\Docs\\empty.dat", "");
  common::DateTime stamp;
  ASSERT_TRUE(common::DateTime::FromParts({2025, 3, 30, 14, 15, 16}, stamp));
  ASSERT_TRUE(SetFileTimes(L"E:\\Docs\\MixedCase.TXT", stamp, FileTimeWritten));

  const Folder docs = fs_.GetFolder(L"e:\\docs");
  EXPECT_EQ(Names(docs.Files()), (std::vector<std::wstring>{L"MixedCase.TXT", L"empty.dat"}));
  EXPECT_EQ(Names(docs.SubFolders()), (std::vector<std::wstring>{L"Inner"}));
  // One listing for both gives the same.
  const FolderListing both = docs.List();
  EXPECT_EQ(Names(both.files), Names(docs.Files()));
  EXPECT_EQ(Names(both.subFolders), (std::vector<std::wstring>{L"Inner"}));
  EXPECT_EQ(both.subFolders[0].Path(), docs.Path() + L"\\Inner");
  // The index alone is the index of the whole identity.
  EXPECT_EQ(docs.FileIndex(), docs.Identity().fileIndex);
  EXPECT_NE(docs.FileIndex(), both.subFolders[0].FileIndex());
  for (const File& listed : both.files) {
    EXPECT_EQ(listed.Path(), docs.Path() + L"\\" + listed.Name());
    EXPECT_EQ(listed.Size(), listed.Name() == L"empty.dat" ? 0u : 1234u);
  }

  // Asked for in another letter case, the name comes back as stored.
  const File file = fs_.GetFile(L"E:\\Docs\\mixedcase.txt");
  EXPECT_EQ(file.Name(), L"MixedCase.TXT");
  EXPECT_EQ(file.Size(), 1234u);
  EXPECT_EQ(file.DateLastModified(), stamp);
  EXPECT_EQ(file.ParentFolder().Path(), L"E:\\Docs");
  for (const File& listed : docs.Files()) {
    if (listed.Name() == L"MixedCase.TXT") {
      EXPECT_EQ(listed.DateLastModified(), stamp);
      EXPECT_EQ(listed.Size(), 1234u);
    }
  }
}

TEST_F(OnDrive, ExistenceTestsTellFilesFromFolders) {
  fs_.CreateFolder(L"E:\\dir");
  harness::WriteFile(L"E:\\dir\\f.txt", "f");
  EXPECT_TRUE(fs_.FolderExists(L"E:\\dir"));
  EXPECT_FALSE(fs_.FolderExists(L"E:\\dir\\f.txt"));
  EXPECT_TRUE(fs_.FileExists(L"e:\\DIR\\F.TXT"));
  EXPECT_FALSE(fs_.FileExists(L"E:\\dir"));
  EXPECT_FALSE(fs_.FileExists(L"E:\\nowhere\\f.txt"));
  EXPECT_FALSE(fs_.FileExists(L""));
}

TEST_F(OnDrive, MissingThingsRaiseFileOrPathNotFound) {
  fs_.CreateFolder(L"E:\\dir");
  EXPECT_EQ(RaisedNumber([&] { fs_.GetFolder(L"E:\\missing"); }), 76);
  EXPECT_EQ(RaisedNumber([&] { fs_.GetFolder(L"E:\\missing\\deeper"); }), 76);
  EXPECT_EQ(RaisedNumber([&] { fs_.GetFile(L"E:\\dir\\missing.txt"); }), 53);
  EXPECT_EQ(RaisedNumber([&] { fs_.GetFile(L"E:\\dir"); }), 53);
  EXPECT_EQ(RaisedNumber([&] { fs_.DeleteFile(L"E:\\dir\\missing.txt"); }), 53);
  EXPECT_EQ(RaisedNumber([&] { fs_.DeleteFile(L"E:\\missing\\x.txt"); }), 76);
  EXPECT_EQ(RaisedNumber([&] { fs_.DeleteFolder(L"E:\\missing"); }), 76);
  EXPECT_EQ(RaisedNumber([&] { fs_.CopyFile(L"E:\\dir\\missing.txt", L"E:\\"); }), 53);
  EXPECT_EQ(RaisedNumber([&] { fs_.CreateFolder(L"E:\\missing\\child"); }), 76);
  EXPECT_EQ(RaisedNumber([&] { fs_.CreateFolder(L"E:\\dir"); }), 58);
  EXPECT_EQ(RaisedNumber([&] { Folder f = fs_.GetFolder(L"E:\\dir"); fs_.DeleteFolder(L"E:\\dir"); f.Files(); }), 76);
}

// A listed file is looked up by its attributes alone, with the name as
// given; failures raise what GetFile raises.
TEST_F(OnDrive, ListedFilesCarrySizeAndTimeAndFailLikeGetFile) {
  fs_.CreateFolder(L"E:\\dir");
  harness::WriteFile(L"E:\\dir\\Report.doc", std::string(1234, 'r'));
  const File listed = fs_.GetListedFile(L"E:\\dir\\Report.doc");
  const File looked = fs_.GetFile(L"E:\\dir\\Report.doc");
  EXPECT_EQ(listed.Name(), L"Report.doc");
  EXPECT_EQ(listed.Path(), L"E:\\dir\\Report.doc");
  EXPECT_EQ(listed.Size(), 1234u);
  EXPECT_EQ(CompareFileTime(&listed.LastWriteTime(), &looked.LastWriteTime()), 0);
  EXPECT_EQ(RaisedNumber([&] { fs_.GetListedFile(L"E:\\dir\\missing.txt"); }), 53);
  EXPECT_EQ(RaisedNumber([&] { fs_.GetListedFile(L"E:\\missing\\x.txt"); }), 53);
  EXPECT_EQ(RaisedNumber([&] { fs_.GetListedFile(L"E:\\dir"); }), 53);
  EXPECT_EQ(RaisedNumber([&] { fs_.GetListedFile(L"E:\\dir\\*.doc"); }), 53);
}

TEST_F(OnDrive, CopyIntoAFolderKeepsNameAndWriteTimeAndOverwrites) {
  harness::TempDir source;
  const std::wstring from = source / L"Report.doc";
  harness::WriteFile(from, "version 1");
  common::DateTime stamp;
  ASSERT_TRUE(common::DateTime::FromParts({2024, 11, 2, 9, 30, 0}, stamp));
  ASSERT_TRUE(SetFileTimes(from, stamp, FileTimeWritten));
  fs_.CreateFolder(L"E:\\dir");

  fs_.CopyFile(from, L"E:\\dir\\");
  EXPECT_EQ(harness::ReadFile(L"E:\\dir\\Report.doc"), "version 1");
  EXPECT_EQ(CompareFileTimes(from, L"E:\\dir\\Report.doc", FileTimeWritten), 0);

  harness::WriteFile(from, "version 2");
  fs_.CopyFile(from, L"E:\\dir\\renamed.doc");
  fs_.CopyFile(from, L"E:\\dir\\");
  EXPECT_EQ(harness::ReadFile(L"E:\\dir\\renamed.doc"), "version 2");
  EXPECT_EQ(harness::ReadFile(L"E:\\dir\\Report.doc"), "version 2");

  EXPECT_EQ(RaisedNumber([&] { fs_.CopyFile(from, L"E:\\dir\\Report.doc", false); }), 58);
  EXPECT_EQ(RaisedNumber([&] { fs_.CopyFile(from, L"E:\\nodir\\"); }), 76);
}

TEST_F(OnDrive, ReadOnlyFilesNeedForce) {
  harness::WriteFile(L"E:\\ro.txt", "r");
  MakeReadOnly(L"E:\\ro.txt");
  EXPECT_EQ(RaisedNumber([&] { fs_.DeleteFile(L"E:\\ro.txt"); }), 70);
  EXPECT_TRUE(fs_.FileExists(L"E:\\ro.txt"));
  EXPECT_EQ(RaisedNumber([&] { fs_.GetFile(L"E:\\ro.txt").Delete(); }), 70);
  fs_.DeleteFile(L"E:\\ro.txt", true);
  EXPECT_FALSE(fs_.FileExists(L"E:\\ro.txt"));
}

TEST_F(OnDrive, AFileInUseCannotBeDeleted) {
  harness::WriteFile(L"E:\\busy.txt", "b");
  HANDLE held = CreateFileW(L"E:\\busy.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RaisedNumber([&] { fs_.DeleteFile(L"E:\\busy.txt"); }), 70);
  CloseHandle(held);
  EXPECT_TRUE(fs_.FileExists(L"E:\\busy.txt"));
  fs_.DeleteFile(L"E:\\busy.txt");
  EXPECT_FALSE(fs_.FileExists(L"E:\\busy.txt"));
}

TEST_F(OnDrive, FolderDeleteRemovesTheWholeTreeButStopsAtAReadOnlyFile) {
  fs_.CreateFolder(L"E:\\t");
  fs_.CreateFolder(L"E:\\t\\a");
  fs_.CreateFolder(L"E:\\t\\a\\b");
  harness::WriteFile(L"E:\\t\\top.txt", "1");
  harness::WriteFile(L"E:\\t\\a\\b\\deep.txt", "2");
  MakeReadOnly(L"E:\\t\\a\\b\\deep.txt");

  EXPECT_EQ(RaisedNumber([&] { fs_.GetFolder(L"E:\\t").Delete(); }), 70);
  EXPECT_TRUE(fs_.FileExists(L"E:\\t\\a\\b\\deep.txt"));
  fs_.GetFolder(L"E:\\t").Delete(true);
  EXPECT_FALSE(fs_.FolderExists(L"E:\\t"));
  EXPECT_EQ(RaisedNumber([&] { fs_.DeleteFolder(L"E:\\"); }), 70);
}

TEST_F(OnDrive, PathsLongerThanTheClassicLimitWork) {
  std::wstring folder = L"E:\\";
  while (folder.size() < 300) folder = fs_.CreateFolder(JoinPath(folder, L"level_0123456789_abcdefghij")).Path();
  harness::TempDir source;
  harness::WriteFile(source / L"long.txt", "deep");
  fs_.CopyFile(source / L"long.txt", folder + L"\\");
  const std::wstring file = folder + L"\\long.txt";
  ASSERT_GT(file.size(), 300u);
  EXPECT_TRUE(fs_.FileExists(file));
  EXPECT_EQ(fs_.GetFile(file).Size(), 4u);
  EXPECT_EQ(Names(fs_.GetFolder(folder).Files()), (std::vector<std::wstring>{L"long.txt"}));
  EXPECT_EQ(fs_.GetFile(file).ParentFolder().Path(), folder);
  fs_.DeleteFolder(L"E:\\level_0123456789_abcdefghij");
  EXPECT_FALSE(fs_.FolderExists(L"E:\\level_0123456789_abcdefghij"));
}

TEST_F(OnDrive, NamesOutsideTheAnsiCodePageWork) {
  const std::wstring greek = L"E:\\\u0388\u03b3\u03b3\u03c1\u03b1\u03c6\u03b1";
  const std::wstring japanese = L"\u65e5\u672c\u8a9e\u306e\u6587\u66f8.txt";
  fs_.CreateFolder(greek);
  harness::TempDir source;
  harness::WriteFile(source / japanese, "kana");
  fs_.CopyFile(source / japanese, greek + L"\\");
  EXPECT_EQ(Names(fs_.GetFolder(greek).Files()), (std::vector<std::wstring>{japanese}));
  EXPECT_EQ(Names(fs_.GetFolder(L"E:\\").SubFolders()), (std::vector<std::wstring>{greek.substr(3)}));
  fs_.DeleteFile(JoinPath(greek, japanese));
  fs_.GetFolder(greek).Delete();
  EXPECT_FALSE(fs_.FolderExists(greek));
}

// NTFS holds names ending in dots or blanks, and the backup selects them; the
// short path forms would silently name "readme" for "readme.". Each such file
// here has a twin without the ending, so that reaching the twin instead shows.
class EndingsOnDrive : public OnDrive {
 protected:
  void SetUp() override {
    WriteExactly(source_ / L"readme.", "dotted");
    WriteExactly(source_ / L"notes ", "blank end");
    harness::WriteFile(source_ / L"readme", "twin");
    ASSERT_TRUE(common::DateTime::FromParts({2023, 6, 7, 8, 9, 10}, stamp_));
    ASSERT_TRUE(SetFileTimes(source_ / L"readme.", stamp_, FileTimeWritten));
    fs_.CreateFolder(L"E:\\dir");
    harness::WriteFile(L"E:\\dir\\readme", "twin");
    harness::WriteFile(L"E:\\dir\\notes", "twin");
  }

  harness::TempDir source_;
  common::DateTime stamp_;
};

TEST_F(EndingsOnDrive, FilesAreCopiedListedMeasuredAndDatedUnderTheirOwnNames) {
  EXPECT_TRUE(fs_.FileExists(source_ / L"readme."));
  EXPECT_FALSE(fs_.FileExists(source_ / L"notes"));
  fs_.CopyFile(source_ / L"readme.", L"E:\\dir\\");
  fs_.CopyFile(source_ / L"notes ", L"E:\\dir\\notes ");
  EXPECT_EQ(harness::ReadFile(L"\\\\?\\E:\\dir\\readme."), "dotted");
  EXPECT_EQ(harness::ReadFile(L"\\\\?\\E:\\dir\\notes "), "blank end");
  EXPECT_EQ(harness::ReadFile(L"E:\\dir\\readme"), "twin");
  EXPECT_EQ(harness::ReadFile(L"E:\\dir\\notes"), "twin");

  const Folder dir = fs_.GetFolder(L"E:\\dir");
  EXPECT_EQ(Names(dir.Files()), (std::vector<std::wstring>{L"notes", L"notes ", L"readme", L"readme."}));
  const File readme = fs_.GetFile(L"e:\\dir\\readme.");
  EXPECT_EQ(readme.Name(), L"readme.");
  EXPECT_EQ(readme.Path(), L"E:\\dir\\readme.");
  EXPECT_EQ(readme.Size(), 6u);
  EXPECT_EQ(readme.DateLastModified(), stamp_);
  EXPECT_EQ(fs_.GetFile(L"E:/dir/notes ").Size(), 9u);
  EXPECT_EQ(CompareFileTimes(source_ / L"readme.", L"E:\\dir\\readme.", FileTimeWritten), 0);
  EXPECT_EQ(GetFileDate(L"E:\\dir\\readme.", FileTimeWritten), stamp_);

  // A path taken from a listing leads back to the same file.
  for (const File& listed : dir.Files()) EXPECT_EQ(fs_.GetFile(listed.Path()).Size(), listed.Size()) << listed.Name();
}

TEST_F(EndingsOnDrive, DeletingRemovesTheNamedFileAndNotItsTwin) {
  fs_.CopyFile(source_ / L"readme.", L"E:\\dir\\");
  fs_.CopyFile(source_ / L"notes ", L"E:\\dir\\");
  fs_.DeleteFile(L"E:\\dir\\readme.");
  fs_.GetFile(L"E:\\dir\\notes ").Delete();
  EXPECT_FALSE(fs_.FileExists(L"E:\\dir\\readme."));
  EXPECT_FALSE(ExistsExactly(L"E:\\dir\\notes "));
  EXPECT_EQ(harness::ReadFile(L"E:\\dir\\readme"), "twin");
  EXPECT_EQ(harness::ReadFile(L"E:\\dir\\notes"), "twin");
  EXPECT_EQ(RaisedNumber([&] { fs_.DeleteFile(L"E:\\dir\\readme."); }), 53);
}

TEST_F(EndingsOnDrive, AFolderNamedWithADotHoldsFilesAndIsDeletedWhole) {
  const Folder old = fs_.CreateFolder(L"E:\\old.");
  EXPECT_EQ(old.Path(), L"E:\\old.");
  fs_.CreateFolder(L"E:\\old.\\inner ");
  fs_.CopyFile(source_ / L"readme.", L"E:\\old.\\");
  fs_.CopyFile(source_ / L"readme", L"E:\\old.\\inner \\kept.txt");
  fs_.CreateFolder(L"E:\\old");
  harness::WriteFile(L"E:\\old\\readme", "twin folder");

  EXPECT_TRUE(fs_.FolderExists(L"E:\\old.\\"));
  EXPECT_EQ(Names(fs_.GetFolder(L"E:\\").SubFolders()), (std::vector<std::wstring>{L"dir", L"old", L"old."}));
  EXPECT_EQ(Names(fs_.GetFolder(L"E:\\old.").Files()), (std::vector<std::wstring>{L"readme."}));
  EXPECT_EQ(Names(fs_.GetFolder(L"E:\\old.\\inner ").Files()), (std::vector<std::wstring>{L"kept.txt"}));
  const File kept = fs_.GetFile(L"E:\\old.\\inner \\kept.txt");
  EXPECT_EQ(kept.Size(), 4u);
  EXPECT_EQ(kept.ParentFolder().Path(), L"E:\\old.\\inner ");
  EXPECT_EQ(kept.ParentFolder().ParentFolder()->Path(), L"E:\\old.");

  fs_.DeleteFolder(L"E:\\old.");
  EXPECT_FALSE(ExistsExactly(L"E:\\old."));
  EXPECT_EQ(harness::ReadFile(L"E:\\old\\readme"), "twin folder");
}

TEST_F(EndingsOnDrive, LongPathsKeepTheEndingsToo) {
  std::wstring folder = L"E:\\";
  while (folder.size() < 300) folder = fs_.CreateFolder(JoinPath(folder, L"level_0123456789_abcdefghij.")).Path();
  ASSERT_EQ(folder.back(), L'.');
  fs_.CopyFile(source_ / L"readme.", folder + L"\\");
  fs_.CopyFile(source_ / L"readme", folder + L"\\");
  const std::wstring file = folder + L"\\readme.";
  EXPECT_EQ(fs_.GetFile(file).Size(), 6u);
  EXPECT_EQ(GetFileDate(file, FileTimeWritten), stamp_);
  EXPECT_EQ(Names(fs_.GetFolder(folder).Files()), (std::vector<std::wstring>{L"readme", L"readme."}));
  fs_.DeleteFile(file);
  EXPECT_EQ(Names(fs_.GetFolder(folder).Files()), (std::vector<std::wstring>{L"readme"}));
  fs_.DeleteFolder(L"E:\\level_0123456789_abcdefghij.");
  EXPECT_FALSE(ExistsExactly(L"E:\\level_0123456789_abcdefghij."));
}
