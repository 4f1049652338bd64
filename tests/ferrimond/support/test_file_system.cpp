#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>

#include "common/numbered_error.h"
#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_errors.h"
#include "ferrimond/support/file_system_internal.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

using namespace ferrimond;
using harness::DriveKind;
using harness::ErrorNumberOf;
using harness::Exists;
using harness::HoldUnshared;
using harness::Literal;
using harness::MappedDrive;
using Names_ = std::vector<std::wstring>;

namespace {

template <class T>
Names_ Names(const std::vector<T>& items) {
  Names_ out;
  for (const T& item : items) out.push_back(item.Name());
  std::sort(out.begin(), out.end());
  return out;
}

constexpr DWORD kNoFile = INVALID_FILE_ATTRIBUTES;
constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY, kHidden = FILE_ATTRIBUTE_HIDDEN,
                kSystem = FILE_ATTRIBUTE_SYSTEM;

// The read-only, hidden and system bits of a file, taken literally ("x." is
// not "x"); kNoFile when it is not there.
DWORD OwnAttributes(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(Literal(path).c_str());
  return attributes == kNoFile ? kNoFile : attributes & (kReadOnly | kHidden | kSystem);
}

// Makes `path` anew with the given content, write time and attributes;
// removes it for kNoFile.
void PutFile(const std::wstring& path, const std::string& bytes, const common::DateTime& written, DWORD attributes) {
  const std::wstring literal = Literal(path);
  SetFileAttributesW(literal.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(literal.c_str());
  if (attributes == kNoFile) return;
  harness::WriteFile(literal, bytes);
  ASSERT_TRUE(SetFileTimes(path, written, FileTimeWritten));
  ASSERT_TRUE(SetFileAttributesW(literal.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL));
}

// No handle is open on the file: it opens without sharing.
bool NotHeldOpen(const std::wstring& path) {
  HANDLE h = HoldUnshared(path);
  return h != INVALID_HANDLE_VALUE && CloseHandle(h);
}

// What `f` raised: nothing (number 0), or a failure of the source's side or
// of the target's, with its text.
struct Raised { int32_t number = 0; std::wstring description; bool sourceSide = false; };
template <class F>
Raised RaisedBy(F&& f) {
  try {
    f();
  } catch (const common::NumberedError& e) {
    return {e.Number(), e.Description(), dynamic_cast<const SourceFailure*>(&e) != nullptr};
  }
  return {};
}

// One removable drive E: to work on, with a folder E:\dir, and a folder of
// sources.
class OnDrive : public ::testing::Test {
 protected:
  OnDrive() { fs_.CreateFolder(L"E:\\dir"); }
  MappedDrive drive_{L'E', DriveKind::Removable};
  FileSystem fs_;
  harness::TempDir source_;
};

// ---- Trees that hold links, made by the Unix "ln". They come first: for a moment after a drive letter goes, Wine may still name a new
// folder after it.

// The reparse data of a link as the system lays it out, in 16-bit words:
// tag, length, the names' offsets and lengths (the print name stored before
// the substitute name), a symbolic link's flags, the names.
std::vector<unsigned char> ReparseData(ULONG tag, const std::wstring& substitute, ULONG flags = 0) {
  const USHORT shown = 10, size = static_cast<USHORT>(substitute.size() * 2);
  std::vector<USHORT> words = {LOWORD(tag), HIWORD(tag), 0, 0, shown, size, 0, shown};
  if (tag == static_cast<ULONG>(IO_REPARSE_TAG_SYMLINK)) words.insert(words.end(), {LOWORD(flags), HIWORD(flags)});
  for (wchar_t c : L"shown" + substitute) words.push_back(c);
  words[2] = static_cast<USHORT>(words.size() * 2 - 8);
  const auto* bytes = reinterpret_cast<const unsigned char*>(words.data());
  return {bytes, bytes + words.size() * 2};
}

class TreeWithLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!MakeTree(dir_.Path())) GTEST_SKIP() << "cannot make a Unix symlink here";
  }

  // In `root`: target\keep.txt, an empty folder, and tree\sub holding
  // plain.txt and dirlink, a link to target.
  static bool MakeTree(const std::wstring& root) {
    for (const wchar_t* folder : {L"\\target", L"\\empty", L"\\tree", L"\\tree\\sub"})
      if (!CreateDirectoryW((root + folder).c_str(), nullptr)) return false;
    harness::WriteFile(root + L"\\target\\keep.txt", "keep");
    harness::WriteFile(root + L"\\tree\\sub\\plain.txt", "plain");
    return harness::UnixLink(harness::UnixPath(root + L"\\target"), root + L"\\tree\\sub\\dirlink");
  }

  // The temporary folder's cleanup cannot remove links under Wine either;
  // rm removes them without following them.
  void TearDown() override {
    const std::wstring unix = harness::WideUnix(harness::UnixPath(dir_.Path()));
    if (!unix.empty()) harness::RunUnix(L"/bin/rm -rf " + unix, [&] { return !Exists(dir_.Path()); });
  }


  harness::TempDir dir_;
  FileSystem fs_;
};

}  // namespace

// The system reaches the target through the link. Wine reads no Unix symlink
// as a reparse point, so only the test's own answer gives it a target. A
// link named like a temporary is no temporary of this program: neither it
// nor what it leads to is removed, also where a file of its name is there.
TEST_F(TreeWithLinks, AFolderLinkLeadsToItsTargetAndALinkIsNoTemporary) {
  const std::wstring link = dir_ / L"tree\\sub\\dirlink", target = dir_ / L"target";
  const std::vector<Folder> sub = fs_.GetFolder(dir_ / L"tree\\sub").SubFolders();
  ASSERT_EQ(sub.size(), 1u);
  EXPECT_TRUE(sub[0].Name() == L"dirlink" && sub[0].IsReparsePoint() && !fs_.GetFolder(target).IsReparsePoint());
  EXPECT_EQ(sub[0].Identity(), fs_.GetFolder(target).Identity());
  EXPECT_EQ(fs_.FinalPath(link + L"\\"), target);
  EXPECT_EQ(fs_.FinalPath(dir_ / L"TREE\\Sub"), dir_ / L"tree\\sub");
  EXPECT_TRUE(!fs_.FinalPath(dir_ / L"missing") && !fs_.LinkTarget(link));
  // Links named like temporaries.
  ASSERT_TRUE(harness::UnixLink(harness::UnixPath(dir_ / L"target\\keep.txt"), dir_ / L"tree\\file.ferrimond-part"));
  ASSERT_TRUE(harness::UnixLink(harness::UnixPath(target), dir_ / L"tree\\folder.ferrimond-part"));
  for (const wchar_t* file : {L"tree\\file", L"tree\\folder"}) harness::WriteFile(dir_ / file, "copied");
  fs_.RemovePartialCopies(dir_ / L"tree");
  EXPECT_TRUE(Exists(dir_ / L"tree\\file.ferrimond-part") && Exists(dir_ / L"tree\\folder.ferrimond-part"));
  EXPECT_EQ(harness::ReadFile(dir_ / L"target\\keep.txt"), "keep");
  SetLinkTargetQueryForTests([&](const std::wstring& asked) {
    return asked == link ? std::optional<std::wstring>(target) : std::nullopt;
  });
  AtExit restore([] { SetLinkTargetQueryForTests({}); });
  EXPECT_TRUE(fs_.LinkTarget(dir_ / L"tree/sub/./dirlink") == target && !fs_.LinkTarget(target));
}

// Deletes never reach through a link: not to an empty folder it points to
// (removing "the link" through a resolved handle would remove that), not to
// a file, not up the tree in a loop, and not to "twin" for a link "twin."
// (Wine reports "twin." opened through a link to "twin" by the name "twin").
// The tree's link to a folder outside it is there in every delete; each
// case has a tree of its own.
TEST_F(TreeWithLinks, DeletesNeverRemoveWhatALinkLeadsTo) {
  const struct { const wchar_t *target, *link; bool file; } cases[] = {
      {L"empty", L"tree\\emptylink", false}, {L"target\\keep.txt", L"tree\\filelink.txt", true},
      {L"tree", L"tree\\sub\\loop", false}, {L"tree\\twin", L"tree\\twin.", true}};
  // Either the link went as a link (Windows) or the delete stopped at it
  // with 70 (Wine, which cannot remove a link without touching its target).
  auto goneOrRefused = [](int32_t number) { return number == 0 || number == 70; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    const std::wstring root = dir_ / std::to_wstring(&c - cases);
    auto in = [&](const std::wstring& name) { return root + L"\\" + name; };
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr) && MakeTree(root));
    harness::WriteFile(in(L"tree\\twin"), "twin");
    ASSERT_TRUE(harness::UnixLink(harness::UnixPath(in(c.target)), in(c.link)));
    if (c.file) {
      EXPECT_PRED1(goneOrRefused, ErrorNumberOf([&] { fs_.DeleteFile(in(c.link)); }));
    }
    EXPECT_EQ(harness::ReadFile(in(L"tree\\twin")), "twin");
    EXPECT_PRED1(goneOrRefused, ErrorNumberOf([&] { fs_.DeleteFolder(in(L"tree")); }));
    EXPECT_TRUE(harness::ReadFile(in(L"target\\keep.txt")) == "keep" && Exists(in(L"empty")));
  }
}

// ---- The file-system service on a mapped drive

// The runtime's numbers carry its text, the service's own numbers theirs,
// any other code keeps its code and the system's text.
TEST(FileSystemErrors, SystemCodesMapToTheNumbersHandlersTest) {
  const struct { DWORD code; int32_t number; const wchar_t* text = nullptr; } cases[] = {
      {ERROR_FILE_NOT_FOUND, 53, L"File not found"}, {ERROR_BAD_NETPATH, 76}, {ERROR_SHARING_VIOLATION, 70},
      {ERROR_WRITE_PROTECT, ErrWriteProtected, L"The drive is write-protected."}, {ERROR_NOT_READY, 71},
      {ERROR_HANDLE_DISK_FULL, common::ErrDiskFull}, {ERROR_DIR_NOT_EMPTY, static_cast<int32_t>(0x80070091u)}};
  for (const auto& c : cases) {
    const FileSystemFailure failure = FileSystemFailureFor(c.code);
    EXPECT_TRUE(failure.Number() == c.number && !failure.Description().empty()) << c.code;
    EXPECT_EQ(failure.Description(), c.text ? c.text : failure.Description()) << c.code;
  }
  EXPECT_NE(FileSystemFailureFor(ERROR_DIR_NOT_EMPTY).Description(),
            common::RuntimeDescription(FileSystemErrorNumber(ERROR_DIR_NOT_EMPTY)));
}

using PathCase = std::pair<std::wstring, std::wstring>;

// Names ending in a dot or a blank keep their endings, and names of devices
// are file names here, also on the way to another name. The system takes
// only the prefixed form literally: long paths, names ending in a dot or a
// blank and names of devices (whatever follows the first dot, in any letter
// case, with the superscript digits) need it. Links' reparse data give full
// paths.
TEST(FileSystemPaths, FullPathsKeepEndingsAndDeviceNamesSystemPathsPrefixOnlyWhatNeedsItAndLinksGiveFullPaths) {
  const PathCase full[] = {
      {L"e:", L"E:\\"}, {L"E:/a/./c/../b", L"E:\\a\\b"}, {L"e:\\dir\\readme.", L"E:\\dir\\readme."},
      {L"E:\\old.\\x\\..\\inner.txt", L"E:\\old.\\inner.txt"}, {L"E:\\old.\\..", L"E:\\"},
      {L"\\\\srv\\share\\notes ", L"\\\\srv\\share\\notes "}, {L"E:/con/./lpt9.txt.bak", L"E:\\con\\lpt9.txt.bak"},
      {L"E:\\a\x01" L"b", L"E:\\a\x01" L"b"}};  // a name no file can have stays one
  for (const auto& [in, out] : full) EXPECT_EQ(FullPath(in), out);
  EXPECT_TRUE(ParentPath(L"E:\\a\\b") == L"E:\\a" && ParentPath(L"E:\\a") == L"E:\\" && LastComponent(L"E:\\a\\b") == L"b");
  EXPECT_TRUE(IsRootPath(L"E:\\") && IsRootPath(L"\\\\server\\share\\") && !IsRootPath(L"E:\\a"));
  const std::wstring deep(300, L'd');
  const PathCase system[] = {
      {L"E:\\" + deep, L"\\\\?\\E:\\" + deep}, {L"\\\\srv\\sh\\" + deep, L"\\\\?\\UNC\\srv\\sh\\" + deep},
      {L"E:\\old.\\inner.txt", L"\\\\?\\E:\\old.\\inner.txt"}, {L"E:\\notes \\", L"\\\\?\\E:\\notes \\"},
      {L"E:\\short", L"E:\\short"}, {L"\\\\srv.\\share \\x", L"\\\\srv.\\share \\x"},
      {L"E:\\x\\com\u00b9.log", L"\\\\?\\E:\\x\\com\u00b9.log"}, {L"E:\\x\\nul .a.b", L"\\\\?\\E:\\x\\nul .a.b"},
      {L"\\\\srv\\sh\\LPT9", L"\\\\?\\UNC\\srv\\sh\\LPT9"}, {L"E:\\x\\com0.txt", L"E:\\x\\com0.txt"},
      {L"E:\\x\\auxiliary.doc", L"E:\\x\\auxiliary.doc"}, {L"E:\\x\\my.aux", L"E:\\x\\my.aux"}};
  for (const auto& [in, out] : system) {
    EXPECT_EQ(SystemPath(in), out);
    // Worked out from the folder's forms and the name alone, or beside another name, the same.
    const PathForms folder(ParentPath(in)), joined(folder, LastComponent(in));
    EXPECT_TRUE(joined.Full() == in && joined.System() == out && PathForms(in).System() == out) << in;
    EXPECT_EQ(PathForms(folder, L"x").Beside(LastComponent(in)).System(), out) << in;
  }
  const PathCase nt[] = {{L"E:\\a\\b.", L"\\??\\E:\\a\\b."}, {L"\\\\?\\E:\\a", L"\\??\\E:\\a"},
                         {L"\\\\srv\\sh\\a", L"\\??\\UNC\\srv\\sh\\a"}, {L"\\\\?\\UNC\\srv\\sh\\a", L"\\??\\UNC\\srv\\sh\\a"}};
  for (const auto& [in, out] : nt) EXPECT_EQ(NtPath(in), out);
  // Junctions and absolute links name an NT path; relative links lead from
  // the link's folder, or from its drive's root.
  const std::wstring link = L"E:\\a\\b\\link";
  const struct { const char* what; std::vector<unsigned char> data; std::optional<std::wstring> target; } cases[] = {
      {"junction", ReparseData(IO_REPARSE_TAG_MOUNT_POINT, L"\\??\\D:\\data\\"), L"D:\\data"},
      {"volume", ReparseData(IO_REPARSE_TAG_MOUNT_POINT, L"\\??\\Volume{0a1b}\\"), L"\\\\?\\Volume{0a1b}\\"},
      {"share", ReparseData(IO_REPARSE_TAG_SYMLINK, L"\\??\\UNC\\srv\\share\\docs"), L"\\\\srv\\share\\docs"},
      {"relative", ReparseData(IO_REPARSE_TAG_SYMLINK, L"..\\other\\.\\x", SYMLINK_FLAG_RELATIVE), L"E:\\a\\other\\x"},
      {"from the root", ReparseData(IO_REPARSE_TAG_SYMLINK, L"\\top", SYMLINK_FLAG_RELATIVE), L"E:\\top"},
      {"no link", ReparseData(0x80000013u, L"\\??\\D:\\data"), std::nullopt}};
  for (const auto& c : cases) {
    EXPECT_EQ(fs_internal::LinkTargetFromReparseData(c.data.data(), c.data.size(), link), c.target) << c.what;
    EXPECT_EQ(fs_internal::LinkTargetFromReparseData(c.data.data(), c.data.size() - 2, link), std::nullopt) << c.what;
  }
}

// A file of 4 GiB or more does not fit on the FAT file systems, whatever
// their name's letter case. (The drive lists of the main window read the
// drives' kinds end to end; a 4 GiB file refused on a FAT32 drive: the
// backup's refusal tests; an unplugged drive's or share's link: the walk's.)
TEST(FileSystemDrives, DrivesAreNamedInAnyFormTellTheirFileSystemAndACopyTooBigFailsAsDiskFull) {
  MappedDrive removable(L'E', DriveKind::Removable), fixed(L'D', DriveKind::Fixed);
  harness::UnmapDrive(L'Q');
  FileSystem fs;
  for (const wchar_t* name : {L"e", L"e:\\"}) EXPECT_TRUE(fs.DriveExists(name) && fs.GetDrive(name).RootPath() == L"E:\\") << name;
  EXPECT_TRUE(fs.GetDrive(L"E").FreeSpace() > 0 && !fs.DriveExists(L"Q") && !fs.GetDrive(L"D").FileSystemName().empty());
  EXPECT_EQ(ErrorNumberOf([&] { fs.GetDrive(L"Q"); }), 68);
  EXPECT_EQ(ErrorNumberOf([&] { fs.GetDrive(L"EE"); }), 5);
  const uint64_t big = 4ull << 30;
  const struct { const wchar_t* name; uint64_t size; bool holds; } cases[] = {
      {L"fat", big, false}, {L"Fat16", big, false}, {L"FAT32", big - 1, true}, {L"exFAT", big, true}, {L"", big, true}};
  for (const auto& c : cases) EXPECT_EQ(FileSystemHoldsSize(c.name, c.size), c.holds) << c.name;
  // A letter given another folder at once tells the other medium, as it does
  // a second later (Wine renews its table of drive roots once a second; the
  // folder's identity has it read this second).
  const FileIdentity before = (fs.GetFolder(L"E:\\").Identity(), fs.GetDrive(L"E").Medium());
  harness::TempDir other;
  ASSERT_TRUE(harness::DefineUnixDrive(L'E', DriveKind::Removable, harness::UnixPath(other.Path())));
  const FileIdentity swapped = fs.GetDrive(L"E").Medium();
  Sleep(1100);
  EXPECT_TRUE(swapped != before && swapped == fs.GetDrive(L"E").Medium());

  // A copy too big for the drive fails as disk full and leaves the old copy.
  FERRIMOND_SMALL_DRIVE_OR_SKIP(small, L'F');
  harness::TempDir source;
  harness::WriteFile(source / L"big.bin", std::string(1024 * 1024, 'x'));
  const common::DateTime old = harness::At(2021, 2, 3, 4, 5, 6);
  PutFile(L"F:\\big.bin", "old", old, 0);
  EXPECT_EQ(ErrorNumberOf([&] { fs.CopyFile(source / L"big.bin", L"F:\\"); }), common::ErrDiskFull);
  EXPECT_TRUE(harness::ReadFile(L"F:\\big.bin") == "old" && GetFileDate(L"F:\\big.bin", FileTimeWritten) == old);
  EXPECT_EQ(Names(fs.GetFolder(L"F:\\").Files()), (Names_{L"big.bin"}));
  EXPECT_TRUE(NotHeldOpen(L"F:\\big.bin") && NotHeldOpen(source / L"big.bin"));
  // The space of the failed copy is free again: a small file still fits.
  harness::WriteFile(source / L"small.bin", std::string(1000, 's'));
  fs.CopyFile(source / L"small.bin", L"F:\\");
  EXPECT_EQ(fs.GetFile(L"F:\\small.bin").Size(), 1000u);
}

// A log that is written to all the time never gives a consistent copy: after
// a second try the copy fails as the source's failure, and the target and
// its folder are as they were.
TEST(FileSystemCopy, OfAChangingSourceFailsAfterASecondTryAndLeavesTheTarget) {
  harness::TempDir source, target;
  const std::wstring from = source / L"growing.log";
  harness::WriteFile(from, std::string(32 << 20, 'g'));
  harness::WriteFile(target / L"growing.log", "old");
  HANDLE appender = CreateFileW(from.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(appender, INVALID_HANDLE_VALUE);
  std::atomic<bool> stop{false};
  std::atomic<int> appended{0};
  std::thread writer([&] {
    DWORD put = 0;
    while (!stop && ::WriteFile(appender, "line\n", 5, &put, nullptr)) ++appended;
  });
  while (appended == 0) std::this_thread::yield();
  const Raised raised = RaisedBy([&] { FileSystem().CopyFile(from, target.Path() + L"\\"); });
  stop = true;
  writer.join();
  CloseHandle(appender);
  EXPECT_TRUE(raised.number == ErrChangedWhileCopied && raised.sourceSide);
  EXPECT_EQ(raised.description, L"The file changed while it was being copied.");
  EXPECT_EQ(harness::ReadFile(target / L"growing.log"), "old");
  EXPECT_EQ(Names(FileSystem().GetFolder(target.Path()).Files()), Names_{L"growing.log"});
}

// Names come back as stored, asked for in any letter case; the root keeps
// its backslash and has no parent. Existence tells files from folders, and
// missing things raise not found. (Most not-found cases: the walk's and the
// backup's end-to-end tests.)
TEST_F(OnDrive, ListingsCarryNamesSizesAndLocalDatesAndMissingThingsRaiseNotFound) {
  const Folder root = fs_.GetFolder(L"e:");
  EXPECT_TRUE(root.Path() == L"E:\\" && root.IsRootFolder() && !root.ParentFolder().has_value());
  EXPECT_EQ(fs_.CreateFolder(L"E:\\Docs\\").Path(), L"E:\\Docs");
  fs_.CreateFolder(L"E:\\Docs\\Inner");
  const common::DateTime stamp = harness::At(2025, 3, 30, 14, 15, 16);
  PutFile(L"E:\\Docs\\MixedCase.TXT", std::string(1234, 'm'), stamp, 0);
  const Folder docs = fs_.GetFolder(L"e:\\docs");
  const FolderListing both = docs.List();
  ASSERT_TRUE(Names(both.files) == Names_{L"MixedCase.TXT"} && Names(both.subFolders) == Names_{L"Inner"});
  EXPECT_TRUE(Names(docs.Files()) == Names(both.files) && both.files[0].Path() == docs.Path() + L"\\MixedCase.TXT" &&
              both.files[0].Size() == 1234u);
  // The index alone is the low half of the identity; other folders differ.
  EXPECT_TRUE(docs.Identity().Known() && docs.FileIndex() == docs.Identity().low &&
              docs.Identity() != both.subFolders[0].Identity());
  const File file = fs_.GetFile(L"E:\\Docs\\mixedcase.txt");
  EXPECT_TRUE(file.Name() == L"MixedCase.TXT" && file.DateLastModified() == stamp && file.ParentFolder().Path() == L"E:\\Docs");
  EXPECT_EQ(fs_.GetListedFile(L"E:\\Docs\\MixedCase.TXT").DateLastModified(), stamp);

  harness::WriteFile(L"E:\\dir\\f.txt", "f");
  EXPECT_TRUE(fs_.FolderExists(L"E:\\dir") && !fs_.FolderExists(L"E:\\dir\\f.txt") && fs_.FileExists(L"e:\\DIR\\F.TXT"));
  EXPECT_TRUE(!fs_.FileExists(L"E:\\dir") && fs_.Attributes(L"E:\\nowhere\\f.txt") == kNoFile);
  const std::tuple<const char*, std::function<void()>, int32_t> cases[] = {
      {"missing folder", [&] { fs_.GetFolder(L"E:\\missing\\deeper"); }, 76},
      {"a folder as a file", [&] { fs_.GetFile(L"E:\\dir"); }, 53},
      {"create what is there", [&] { fs_.CreateFolder(L"E:\\dir"); }, 58},
      {"listed file in a missing folder", [&] { fs_.GetListedFile(L"E:\\missing\\x.txt"); }, 53},
      {"a wildcard as a listed file", [&] { fs_.GetListedFile(L"E:\\dir\\*.doc"); }, 53},
      {"a listing gone", [&] { Folder f = fs_.GetFolder(L"E:\\dir"); fs_.DeleteFolder(L"E:\\dir"); f.Files(); }, 76}};
  for (const auto& [what, call, number] : cases) EXPECT_EQ(ErrorNumberOf(call), number) << what;
}

// Over a file of any attributes (and past a temporary that a copy cut
// short left behind; a new name: the backup's end-to-end tests), the copy is the source's content,
// times and attributes, and no temporary stays. The rename into place takes
// the literal path forms: beyond the classic length limit, with a name
// outside the ANSI code page and so long that its temporary is shortened.
TEST_F(OnDrive, CopyReplacesAnyTargetWithTheSourceAsItIs) {
  std::wstring deep = L"E:\\dir";
  while (deep.size() < 300) deep = fs_.CreateFolder(JoinPath(deep, L"level_0123456789_abcdefghij")).Path();
  const std::wstring longName = L"\u65e5\u672c\u8a9e" + std::wstring(240, L'n') + L".txt";
  const common::DateTime stamp = harness::At(2024, 11, 2, 9, 30, 0), old = harness::At(2020, 1, 1);
  const struct { const char* what; DWORD target, source; size_t size = 11; DWORD leftover = kNoFile;
                 std::wstring folder = L"E:\\dir", name = L"Report.doc"; } cases[] = {{"several blocks, read-only over read-only hidden system", kReadOnly | kHidden | kSystem, kReadOnly, 2 * 1024 * 1024 + 3},
               {"leftover temporary", 0, 0, 11, kReadOnly | kHidden},
               {"long path and name", kReadOnly | kHidden, 0, 11, kNoFile, deep, longName}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring from = source_ / c.name, to = JoinPath(c.folder, c.name);
    PutFile(to, "old", old, c.target);
    PutFile(JoinPath(c.folder, PartialCopyName(c.name)), "cut short", old, c.leftover);
    PutFile(from, std::string(c.size, 'n'), stamp, c.source);
    fs_.CopyFile(from, JoinPath(c.folder, L""));
    EXPECT_EQ(harness::ReadFile(Literal(to)), std::string(c.size, 'n'));
    EXPECT_TRUE(CompareFileTimes(from, to, FileTimeWritten) == 0 && CompareFileTimes(from, to, FileTimeCreated) == 0);
    EXPECT_EQ(OwnAttributes(to), c.source);
    EXPECT_EQ(Names(fs_.GetFolder(c.folder).Files()), (Names_{c.name}));
  }
}

// Whatever stops a copy, the target stays as it was, no temporary is left
// (also none that took over a read-only source's attributes) and nothing
// holds either file open; the source's failures are told from the target's.
// (A full disk: FileSystemDrives above.)
TEST_F(OnDrive, AFailedCopyLeavesTheTargetAsItWas) {
  const std::wstring from = source_ / L"a.txt", to = L"E:\\dir\\a.txt";
  const common::DateTime old = harness::At(2020, 5, 6, 7, 8, 9);
  const struct { const char* what; const std::wstring* unshared; DWORD source, target; bool overwrite; int32_t number;
                 bool sourceSide; bool cameMeanwhile = false; } cases[] = {{"source in use", &from, 0, 0, true, 70, true}, {"no source", nullptr, kNoFile, 0, true, 53, true},
               {"read-only source, read-only hidden target in use", &to, kReadOnly, kReadOnly | kHidden, true, 70, false},
               {"no overwrite", nullptr, 0, kReadOnly, false, 58, false},
               {"no overwrite, the target came since it was looked at", nullptr, 0, 0, false, 58, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PutFile(from, "new", harness::At(2024, 1, 1), c.source);
    PutFile(to, "old", old, c.target);
    HANDLE held = c.unshared ? HoldUnshared(*c.unshared) : INVALID_HANDLE_VALUE;
    EXPECT_EQ(held != INVALID_HANDLE_VALUE, c.unshared != nullptr);
    const Raised raised = RaisedBy([&] {
      if (c.cameMeanwhile) return fs_.CopyFile(PathForms(from), PathForms(to), false);
      fs_.CopyFile(from, L"E:\\dir\\", c.overwrite);
    });
    EXPECT_TRUE(raised.number == c.number && raised.sourceSide == c.sourceSide) << raised.number;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_TRUE(harness::ReadFile(to) == "old" && GetFileDate(to, FileTimeWritten) == old);
    EXPECT_EQ(OwnAttributes(to), c.target);
    EXPECT_EQ(Names(fs_.GetFolder(L"E:\\dir").Files()), (Names_{L"a.txt"}));
    EXPECT_TRUE((c.source == kNoFile || NotHeldOpen(from)) && NotHeldOpen(to));
  }
}

// Where the file itself is missing, its unfinished copy may be all that is
// left of it (a power cut on FAT between the removal of the old file and the
// rename of the new one): a copy and RemovePartialCopies both keep it, until
// the file is there again. Otherwise only temporaries of files that are
// there go (a temporary's name may be cut short, and letter case may
// differ), and only directly in the folder.
TEST_F(OnDrive, AnUnfinishedCopyWhoseFileIsMissingIsKeptAndOnlyTemporariesOfFilesThatAreThereGo) {
  const common::DateTime old = harness::At(2020, 1, 1);
  const std::wstring longName = std::wstring(250, L'n') + L".txt";
  for (const std::wstring& name : {std::wstring(L"a.txt"), longName}) {
    SCOPED_TRACE(name.size());
    const std::wstring to = JoinPath(L"E:\\dir", name), temp = JoinPath(L"E:\\dir", PartialCopyName(name));
    PutFile(temp, "only copy", old, kReadOnly);
    PutFile(source_ / name, "new", harness::At(2024, 1, 1), 0);
    const Raised raised = RaisedBy([&] { fs_.CopyFile(source_ / name, L"E:\\dir\\"); });
    EXPECT_TRUE(raised.number == ErrPartialCopyKept && raised.description.find(temp) != std::wstring::npos);
    EXPECT_TRUE(harness::ReadFile(Literal(temp)) == "only copy" && GetFileDate(temp, FileTimeWritten) == old);
    EXPECT_TRUE(OwnAttributes(temp) == kReadOnly && OwnAttributes(to) == kNoFile);
    EXPECT_TRUE(fs_.RemovePartialCopies(L"E:\\dir\\") == Names_{temp} && Exists(temp));
    PutFile(to, "restored", old, 0);
    EXPECT_TRUE(fs_.RemovePartialCopies(L"E:\\dir").empty() && !Exists(temp));
    PutFile(to, "", old, kNoFile);
  }

  fs_.CreateFolder(L"E:\\dir\\sub.ferrimond-part");
  for (const std::wstring name : {L"a.txt", L"a.txt.ferrimond-part", L"b.doc", L"B.DOC.FERRIMOND-PART",
                                  L"x.ferrimond-partial", L".ferrimond-part", L"sub.ferrimond-part\\inner.ferrimond-part"})
    harness::WriteFile(JoinPath(L"E:\\dir", name), "x");
  for (const std::wstring& name : {longName, PartialCopyName(longName)}) harness::WriteFile(L"\\\\?\\E:\\dir\\" + name, "x");
  ASSERT_TRUE(SetFileAttributesW(L"E:\\dir\\B.DOC.FERRIMOND-PART", kReadOnly | kHidden));
  EXPECT_TRUE(fs_.RemovePartialCopies(L"E:\\dir").empty());
  const FolderListing left = fs_.GetFolder(L"E:\\dir").List();
  EXPECT_EQ(Names(left.files), (Names_{L".ferrimond-part", L"a.txt", L"b.doc", longName, L"x.ferrimond-partial"}));
  EXPECT_EQ(Names(left.subFolders), (Names_{L"sub.ferrimond-part"}));
  EXPECT_EQ(Names(left.subFolders[0].Files()), (Names_{L"inner.ferrimond-part"}));
  EXPECT_TRUE(fs_.RemovePartialCopies(L"E:\\missing").empty());
}

// Read-only files need force, files in use stay, and a tree's delete stops
// at a read-only file deep inside.
TEST_F(OnDrive, DeletesStopAtReadOnlyFilesWithoutForceAndAtFilesInUse) {
  for (const wchar_t* folder : {L"E:\\t", L"E:\\t\\a", L"E:\\t\\a\\b"}) fs_.CreateFolder(folder);
  harness::WriteFile(L"E:\\t\\top.txt", "1");
  for (const wchar_t* file : {L"E:\\ro.txt", L"E:\\t\\a\\b\\deep.txt"}) PutFile(file, "r", harness::At(2020, 1, 1), kReadOnly);
  EXPECT_EQ(ErrorNumberOf([&] { fs_.DeleteFile(L"E:\\ro.txt"); }), 70);
  EXPECT_EQ(ErrorNumberOf([&] { fs_.GetFile(L"E:\\ro.txt").Delete(); }), 70);
  EXPECT_EQ(ErrorNumberOf([&] { fs_.GetFolder(L"E:\\t").Delete(); }), 70);
  EXPECT_TRUE(fs_.FileExists(L"E:\\ro.txt") && fs_.FileExists(L"E:\\t\\a\\b\\deep.txt"));
  fs_.DeleteFile(L"E:\\ro.txt", true);
  fs_.GetFolder(L"E:\\t").Delete(true);
  EXPECT_FALSE(fs_.FileExists(L"E:\\ro.txt") || fs_.FolderExists(L"E:\\t"));
  EXPECT_EQ(ErrorNumberOf([&] { fs_.DeleteFolder(L"E:\\"); }), 70);

  harness::WriteFile(L"E:\\busy.txt", "b");
  HANDLE held = HoldUnshared(L"E:\\busy.txt");
  EXPECT_EQ(ErrorNumberOf([&] { fs_.DeleteFile(L"E:\\busy.txt"); }), 70);
  EXPECT_TRUE(CloseHandle(held) && fs_.FileExists(L"E:\\busy.txt"));
}

// NTFS holds names ending in dots or blanks, and the backup selects them;
// the short path forms would silently name "readme" for "readme.", and reach
// the device for "con.txt". Such names, also of folders, beyond the classic
// length limit and outside the ANSI code page, are ordinary names through
// every operation. Each folder here holds twins without the endings, and
// each tree a twin folder, so that reaching a twin instead shows.
TEST_F(OnDrive, NamesTheShortFormsWouldMistakeAreOrdinaryNames) {
  const Names_ names = {L"Lpt9 .txt", L"aux.doc", L"con.txt", L"notes ", L"readme.", L"\u65e5\u672c\u8a9e.txt"},
               twins = {L"notes", L"readme"},
               all = {L"Lpt9 .txt", L"aux.doc", L"con.txt", L"notes", L"notes ", L"readme", L"readme.", names.back()};
  const common::DateTime stamp = harness::At(2023, 6, 7, 8, 9, 10);
  for (const std::wstring& name : names) PutFile(source_ / name, "n", stamp, 0);
  // The last tree goes deeper than the classic length limit; a tree's twin
  // is its name less the last character.
  for (const std::wstring top : {L"E:\\con", L"E:\\\u0391\u03b2\u03b3 ", L"E:\\level_0123456789_abcdefghij."}) {
    std::wstring folder = fs_.CreateFolder(top).Path();
    while (top.back() == L'.' && folder.size() < 300) folder = fs_.CreateFolder(folder + top.substr(2)).Path();
    SCOPED_TRACE(folder.size());
    EXPECT_TRUE(folder.starts_with(top) && folder.back() == top.back());
    const std::wstring twinTree = top.substr(0, top.size() - 1);
    fs_.CreateFolder(twinTree);
    harness::WriteFile(Literal(twinTree + L"\\readme"), "twin folder");
    for (const std::wstring& twin : twins) harness::WriteFile(Literal(JoinPath(folder, twin)), "twin");
    for (const std::wstring& name : names) {
      fs_.CopyFile(source_ / name, folder + L"\\");
      const std::wstring copy = JoinPath(folder, name);
      EXPECT_TRUE(fs_.FileExists(copy) && fs_.GetFile(copy).Size() == 1u && fs_.GetListedFile(copy).Size() == 1u);
      EXPECT_TRUE(fs_.GetFile(copy).ParentFolder().Path() == folder && GetFileDate(copy, FileTimeWritten) == stamp &&
                  CompareFileTimes(source_ / name, copy, FileTimeWritten) == 0) << name;
    }
    // The leftover of a copy of a file that is there goes.
    harness::WriteFile(Literal(JoinPath(folder, PartialCopyName(L"aux.doc"))), "cut short");
    fs_.RemovePartialCopies(folder);
    EXPECT_EQ(Names(fs_.GetFolder(folder).List().files), all);
    fs_.CopyFile(JoinPath(folder, L"aux.doc"), L"E:\\back.");
    EXPECT_TRUE(harness::ReadFile(L"\\\\?\\E:\\back.") == "n" && !Exists(L"E:\\back"));
    for (const std::wstring& name : names) fs_.DeleteFile(JoinPath(folder, name));
    EXPECT_EQ(Names(fs_.GetFolder(folder).Files()), twins);
    EXPECT_EQ(ErrorNumberOf([&] { fs_.DeleteFile(JoinPath(folder, L"readme.")); }), 53);
    for (const std::wstring& twin : twins) EXPECT_EQ(harness::ReadFile(Literal(JoinPath(folder, twin))), "twin");
    // The tree goes whole; its twin stays.
    fs_.DeleteFolder(top);
    EXPECT_FALSE(Exists(top));
    EXPECT_EQ(harness::ReadFile(Literal(twinTree + L"\\readme")), "twin folder");
  }
}
