// Deleting trees that hold links. Windows programs cannot make a Unix
// symlink, and Wine's CreateSymbolicLinkW reports success without making
// anything, so the links are made by starting the Unix "ln" (Wine starts
// Unix programs; the start is not waitable, so the test polls for the link).
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/file_system.h"
#include "ferrimond/support/file_system_internal.h"
#include "tests/harness/expect.h"
#include "tests/harness/temp_dir.h"
#include "tests/harness/wine_drives.h"

using namespace ferrimond;

using harness::RunUnix;
using harness::WideUnix;

namespace {

// Literally: "x." is not "x" here.
bool Exists(const std::wstring& path) {
  return GetFileAttributesW((L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

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
    for (const wchar_t* folder : {L"target", L"empty", L"tree", L"tree\\sub"})
      ASSERT_TRUE(CreateDirectoryW((dir_ / folder).c_str(), nullptr));
    harness::WriteFile(dir_ / L"target\\keep.txt", "keep");
    harness::WriteFile(dir_ / L"tree\\sub\\plain.txt", "plain");
    if (!MakeUnixLink(dir_ / L"target", dir_ / L"tree\\sub\\dirlink"))
      GTEST_SKIP() << "cannot make a Unix symlink here";
  }

  // The temporary folder's cleanup cannot remove links under Wine either.
  // (Their targets are all still there, so a link is visible until it goes.)
  void TearDown() override {
    for (const auto& [windowsPath, unixPath] : links_)
      RunUnix(L"/bin/rm -f " + WideUnix(unixPath), [&] { return !Exists(windowsPath); });
  }

  // Makes `link` a Unix symlink to `target` (Windows paths).
  bool MakeUnixLink(const std::wstring& target, const std::wstring& link) {
    // (The link's folder is asked for, as a name ending in a dot would lose
    // it on the way.)
    const size_t cut = link.find_last_of(L'\\');
    const std::string unixFolder = harness::UnixPath(link.substr(0, cut)), unixTarget = harness::UnixPath(target);
    if (unixTarget.empty() || unixFolder.empty()) return false;
    const std::string unixLink = unixFolder + "/" + std::string(link.begin() + cut + 1, link.end());
    if (!RunUnix(L"/bin/ln -s " + WideUnix(unixTarget) + L" " + WideUnix(unixLink), [&] { return Exists(link); }))
      return false;
    links_.emplace_back(link, unixLink);
    return true;
  }

  // Either the link went as a link (Windows) or the delete stopped at it
  // with 70 (Wine, which cannot remove a link without touching its target).
  template <class F>
  static void ExpectGoneOrRefused(F&& remove) {
    const int32_t number = harness::ErrorNumberOf(remove);
    EXPECT_TRUE(number == 0 || number == 70) << number;
  }

  harness::TempDir dir_;
  FileSystem fs_;
  std::vector<std::pair<std::wstring, std::string>> links_;
};

}  // namespace

// The system reaches the target through the link. Wine reads no Unix symlink
// as a reparse point, so only the test's own answer gives it a target.
TEST_F(TreeWithLinks, AFolderLinkShowsAsReparsePointAndLeadsToItsTarget) {
  const std::wstring link = dir_ / L"tree\\sub\\dirlink", target = dir_ / L"target";
  const std::vector<Folder> sub = fs_.GetFolder(dir_ / L"tree\\sub").SubFolders();
  ASSERT_EQ(sub.size(), 1u);
  EXPECT_TRUE(sub[0].Name() == L"dirlink" && sub[0].IsReparsePoint());
  EXPECT_EQ(sub[0].Identity(), fs_.GetFolder(target).Identity());
  EXPECT_FALSE(fs_.GetFolder(target).IsReparsePoint());
  EXPECT_EQ(fs_.FinalPath(link + L"\\"), target);
  EXPECT_EQ(fs_.FinalPath(dir_ / L"TREE\\Sub"), dir_ / L"tree\\sub");
  EXPECT_EQ(fs_.FinalPath(dir_ / L"missing"), std::nullopt);
  EXPECT_EQ(fs_.LinkTarget(link), std::nullopt);
  SetLinkTargetQueryForTests([&](const std::wstring& asked) {
    return asked == link ? std::optional<std::wstring>(target) : std::nullopt;
  });
  AtExit restore([] { SetLinkTargetQueryForTests({}); });
  EXPECT_EQ(fs_.LinkTarget(dir_ / L"tree/sub/./dirlink"), target);
  EXPECT_EQ(fs_.LinkTarget(target), std::nullopt);
}

// Deletes never reach through a link: not to an empty folder it points to
// (removing "the link" through a resolved handle would remove that), not to
// a file, not up the tree in a loop, and not to "twin" for a link "twin."
// (Wine reports "twin." opened through a link to "twin" by the name "twin").
// The tree's link to a folder outside it is there in every delete.
struct LinkCase {
  const wchar_t *target, *link;
  bool file;
};

class LinkDeletes : public TreeWithLinks, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkDeletes, NeverRemoveWhatTheLinkLeadsTo) {
  harness::WriteFile(dir_ / L"tree\\twin", "twin");
  ASSERT_TRUE(MakeUnixLink(dir_ / GetParam().target, dir_ / GetParam().link));
  if (GetParam().file) ExpectGoneOrRefused([&] { fs_.DeleteFile(dir_ / GetParam().link); });
  EXPECT_EQ(harness::ReadFile(dir_ / L"tree\\twin"), "twin");
  ExpectGoneOrRefused([&] { fs_.DeleteFolder(dir_ / L"tree"); });
  EXPECT_EQ(harness::ReadFile(dir_ / L"target\\keep.txt"), "keep");
  EXPECT_TRUE(Exists(dir_ / L"empty"));
}

INSTANTIATE_TEST_SUITE_P(Links, LinkDeletes,
                         ::testing::Values(LinkCase{L"empty", L"tree\\emptylink", false},
                                           LinkCase{L"target\\keep.txt", L"tree\\filelink.txt", true},
                                           LinkCase{L"tree", L"tree\\sub\\loop", false},
                                           LinkCase{L"tree\\twin", L"tree\\twin.", true}));

// A link named like a temporary is no temporary of this program: neither it
// nor what it leads to is removed, also where a file of its name is there.
TEST_F(TreeWithLinks, RemovingPartialCopiesLeavesLinksAndTheirTargets) {
  ASSERT_TRUE(MakeUnixLink(dir_ / L"target\\keep.txt", dir_ / L"tree\\file.ferrimond-part"));
  ASSERT_TRUE(MakeUnixLink(dir_ / L"target", dir_ / L"tree\\folder.ferrimond-part"));
  for (const wchar_t* file : {L"tree\\file", L"tree\\folder"}) harness::WriteFile(dir_ / file, "copied");
  fs_.RemovePartialCopies(dir_ / L"tree");
  EXPECT_TRUE(Exists(dir_ / L"tree\\file.ferrimond-part") && Exists(dir_ / L"tree\\folder.ferrimond-part"));
  EXPECT_EQ(harness::ReadFile(dir_ / L"target\\keep.txt"), "keep");
}

// Junctions and absolute links name an NT path; relative links lead from
// the link's folder, or from its drive's root.
TEST(LinkTargets, ReparseDataOfJunctionsAndSymbolicLinksGivesFullPaths) {
  const std::wstring link = L"E:\\a\\b\\link";
  const struct {
    const char* what;
    std::vector<unsigned char> data;
    std::optional<std::wstring> target;
  } cases[] = {
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
