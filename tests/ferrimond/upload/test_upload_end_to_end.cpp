// Whole uploads on the real main window: a removable E: (filled by a real
// backup or by the test), a fixed D: to upload onto, prompts answered by a
// script, the program folder on the prefix's C:.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "common/date_text.h"
#include "common/text_codec.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "tests/ferrimond/backup/backup_run_fixture.h"
#include "tests/harness/expect.h"

namespace ferrimond {
namespace {

using namespace brtest;

const std::wstring kUploadStatistics = kLogFolder + L"uploadsta.sta";
const std::wstring kSaved = L"C:\\Program Files\\Ferrimond\\SavedFileVersion\\";
const std::wstring kClearQuestion = L"Do you really want to delete everything on the removable drive E:\\ ?";

// The lines of the upload statistics: the count and the drive of each.
struct UploadLine {
  int32_t count;
  std::wstring drive;
};
std::vector<UploadLine> ReadUploadStatistics() {
  std::vector<UploadLine> lines;
  if (!Exists(kUploadStatistics)) return lines;
  for (RecordReader r(harness::ReadFile(kUploadStatistics)); !r.AtEnd();) {
    r.ReadDate();
    const int32_t count = r.ReadLong();
    r.ReadDouble(), r.ReadLong();
    lines.push_back({count, r.ReadString()});
  }
  return lines;
}

class UploadTest : public BackupRunTest {
 protected:
  // The window ready to upload E: onto D: into `profile`.
  Frmbackup& ReadyToUpload(const std::wstring& profile) {
    Frmbackup& w = Ready();
    SelectEntry(w.lstFixed, L"D");
    w.cmbUsers.SetText(profile);
    return w;
  }
  // The clearing question that ends every upload that was not stopped.
  void DeclineClearing() { Ui().AnswerMsgBox(MsgResult::No); }
  void Upload(Frmbackup& w) { w.CmdCopyToC.SetValue(true); }

  harness::MappedDrive d_{L'D', harness::DriveKind::Fixed};
};

// Both layouts of profile on the drive, uploaded into a profile of each
// layout; a Documents folder outside a profile only changes drive.
TEST_F(UploadTest, ABackupUploadedBackGoesIntoTheChosenProfilesDocuments) {
  const std::wstring oldStyle = d_ / L"Documents and Settings\\User1\\My Documents\\Letters\\old.doc";
  const std::wstring newStyle = d_ / L"Users\\bob\\Documents\\new.doc";
  const std::wstring plain = d_ / L"Work\\Documents\\plain.doc";
  MakeFile(oldStyle, 11, 0, 'o');
  MakeFile(newStyle, 12, 0, 'n');
  MakeFile(plain, 13, 0, 'p');
  Ready().LstDir.AddItem(d_.Root());
  w_->CmdCToE.SetValue(true);
  ASSERT_EQ(w_->lblDir.Caption(), kSuccess);
  Close();
  for (const std::wstring& file : {oldStyle, newStyle, plain}) ASSERT_TRUE(DeleteFileW(file.c_str()));
  CreateDirectoryW((d_ / L"Users\\alice").c_str(), nullptr);
  CreateDirectoryW((d_ / L"Documents and Settings\\User2").c_str(), nullptr);

  const struct {
    const wchar_t* profile;
    const wchar_t* documents;
  } profiles[] = {{L"Users\\alice", L"Documents"}, {L"Documents and Settings\\User2", L"My Documents"}};
  for (const auto& profile : profiles) {
    SCOPED_TRACE(profile.profile);
    Frmbackup& w = ReadyToUpload(d_ / profile.profile);
    DeclineClearing();
    Upload(w);
    ExpectIdle(w);
    EXPECT_EQ(w.lblDir.Caption(), L"All files have been uploaded !");
    EXPECT_EQ(Messages(), Strings{kClearQuestion});
    const std::wstring documents = d_ / (std::wstring(profile.profile) + L"\\" + profile.documents);
    EXPECT_EQ(harness::ReadFile(documents + L"\\Letters\\old.doc"), std::string(11, 'o'));
    EXPECT_EQ(harness::ReadFile(documents + L"\\new.doc"), std::string(12, 'n'));
    EXPECT_EQ(harness::ReadFile(plain), std::string(13, 'p'));
    const UploadLine line = ReadUploadStatistics().back();
    EXPECT_EQ(line.drive, L"E");
    EXPECT_GE(line.count, 3);
    Close();
  }
  EXPECT_FALSE(Exists(oldStyle) || Exists(newStyle));  // redirected, not restored in place
  EXPECT_EQ(ReadUploadStatistics().size(), 2u);
}

// An older copy on the drive is never put over a newer one without asking;
// either way the drive's copy is kept under its own folder path, and a later
// version never replaces one saved before (an identical one is not saved twice).
// A Yes keeps the fixed drive's copy there as well before replacing it.
TEST_F(UploadTest, AnOlderFileIsAskedForAndEveryVersionIsKeptInSavedFileVersion) {
  const std::wstring onDrive = e_ / L"Data\\Reports\\x.doc", onFixed = d_ / L"Data\\Reports\\x.doc";
  const struct {
    MsgResult answer;
    char version;
    Strings saved;  // SavedFileVersion\Data\Reports afterwards, with their contents' letters
  } rounds[] = {{MsgResult::No, 'r', {L"x.doc:r"}},
                {MsgResult::Yes, 's', {L"x (2).doc:s", L"x (3).doc:f", L"x.doc:r"}},
                {MsgResult::No, 's', {L"x (2).doc:s", L"x (3).doc:f", L"x.doc:r"}},
                {MsgResult::No, 't', {L"x (2).doc:s", L"x (3).doc:f", L"x (4).doc:t", L"x.doc:r"}}};
  for (const auto& round : rounds) {
    SCOPED_TRACE(round.version);
    MakeFile(onDrive, 7, 3, round.version);
    MakeFile(onFixed, 9, 0, 'f');
    const std::wstring expected = L"Do you want to overwrite \r\n" + onFixed + L" " +
                                  common::DateText(GetFileDate(onFixed, FileTimeWritten)) + L"\r\nwith \r\n" +
                                  onDrive + L" " + common::DateText(GetFileDate(onDrive, FileTimeWritten));
    Frmbackup& w = ReadyToUpload(L"");
    Ui().AnswerMsgBox(round.answer);
    DeclineClearing();
    Upload(w);
    ASSERT_EQ(Ui().Prompts().size(), 2u);
    EXPECT_EQ(Ui().Prompts()[0].buttons, forms::MsgButtons::YesNo);
    EXPECT_EQ(Ui().Prompts()[0].text, expected);
    Strings saved;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((kSaved + L"Data\\Reports\\*").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::string content = harness::ReadFile(kSaved + L"Data\\Reports\\" + found.cFileName);
      saved.push_back(std::wstring(found.cFileName) + L":" + (content.empty() ? L'?' : wchar_t(content[0])));
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(saved, round.saved);
    const bool replaced = round.answer == MsgResult::Yes;
    EXPECT_EQ(harness::ReadFile(onFixed), std::string(replaced ? 7 : 9, replaced ? round.version : 'f'));
    Close();
  }
}

TEST_F(UploadTest, AnEmptyDriveStillRecordsTheUploadAndOffersClearing) {
  Frmbackup& w = ReadyToUpload(L"");
  // The upload still holds the window while it asks: nothing pressed in the
  // question (the about box in front) starts a run.
  w.mnuHelpAbout.Click();
  Ui().AnswerMsgBox(MsgResult::No, [&w](const Prompt&) {
    EXPECT_TRUE(w.RunActive);
    w.CmdCToE.SetValue(true);
    w.CmdCopyToC.SetValue(true);
    w.mnuClear.Click();
  });
  const common::DateTime before = common::Now();
  // An upload that takes a while: the stamp is its start, not its end.
  AtNextYield([] { Sleep(2500); });
  Upload(w);
  EXPECT_EQ(Messages(), Strings{kClearQuestion});
  ASSERT_EQ(ReadUploadStatistics().size(), 1u);
  EXPECT_EQ(ReadUploadStatistics()[0].count, 0);
  EXPECT_EQ(harness::ReadFile(kLogFolder + w.DateTag + L"_upload.sta"), harness::ReadFile(kUploadStatistics));
  // The stamp is the moment the upload started (to the second), so that
  // whatever is saved on the fixed drive during the upload is newer.
  const double after = (RecordReader(harness::ReadFile(L"c:\\program files\\Ferrimond\\LastUploadT.tim"))
                            .ReadDate()
                            .Value() - before.Value()) * 86400;
  EXPECT_NEAR(after, 0, 1.05);
  EXPECT_FALSE(w.IsUnloaded());

  // With "Close program automatically" ticked the upload ends the program.
  w.mnuCloseAutomatically.Click();
  DeclineClearing();
  Upload(w);
  EXPECT_TRUE(w.IsUnloaded());
  EXPECT_NE(w.ClosingSplash(), nullptr);
  EXPECT_TRUE(ReadStatistics().empty());  // no backup ran inside the question
}

// The folder `levels` levels below the root, "l\l\...\l".
std::wstring Levels(int levels) {
  std::wstring path;
  for (int i = 0; i < levels; ++i) path += i ? L"\\l" : L"l";
  return path;
}

// What the upload keeps back is passed over and listed with its reason; the
// others are uploaded, and the drive, holding the only copy of what was kept
// back, is not offered for wiping.
TEST_F(UploadTest, WhatIsKeptBackIsListedAndTheDriveIsNotOfferedForClearing) {
  const std::wstring deep = Levels(101);
  const struct {
    const char* what;
    Strings drive;        // on E:, "path=letter" (the file's contents)
    Strings fixed;        // on D:, "path=letter", a day newer; "!" at the end: read-only
    std::wstring profile;  // below D:
    Strings listed;       // the paths on E: the list names
    Strings notListed;    // nor these
    Strings expected;     // on D:, "path=letter"
    int32_t count;
  } cases[] = {
      {"a read-only file on the fixed drive", {L"a.doc=n", L"b.doc=b"}, {L"a.doc=o!"}, L"",
       {L"a.doc"}, {}, {L"a.doc=o", L"b.doc=b"}, 1},
      // Which of the two comes first is up to the listing: the other is
      // listed and saved.
      {"two profiles' documents onto one file",
       {L"Users\\alice\\Documents\\Resume.doc=a", L"Users\\bob\\Documents\\Resume.doc=b",
        L"Documents and Settings\\old\\My Documents\\Letter.doc=l",
        L"Documents and Settings\\older\\My Documents\\letter.DOC=m"},
       {L"Users\\carol\\x=c"}, L"Users\\carol", {}, {}, {}, 2},
      {"a leftover whose file is missing", {L"a\\lone.doc.ferrimond-part=p", L"a\\half.doc=h",
       L"a\\half.doc.ferrimond-part=q"}, {}, L"", {L"a\\lone.doc.ferrimond-part"},
       {L"a\\half.doc.ferrimond-part"}, {L"a\\half.doc=h"}, 1},
      {"a folder more than 100 levels deep",
       {Levels(100) + L"\\z.doc=z", deep + L"\\x.doc=x", deep + L"\\l\\y.doc=y"}, {}, L"", {deep},
       {deep + L"\\x.doc", deep + L"\\l"}, {Levels(100) + L"\\z.doc=z"}, 1},
  };
  auto split = [](const std::wstring& entry) {
    const size_t eq = entry.rfind(L'=');
    return std::make_pair(entry.substr(0, eq), entry.substr(eq + 1));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::wstring& f : c.drive) MakeFile(e_ / split(f).first, 5, 0, char(split(f).second[0]));
    for (std::wstring f : c.fixed) {
      const bool readOnly = f.back() == L'!';
      if (readOnly) f.pop_back();
      MakeFile(d_ / split(f).first, 5, -1, char(split(f).second[0]));
      if (readOnly) {
        ASSERT_TRUE(SetFileAttributesW((d_ / split(f).first).c_str(), FILE_ATTRIBUTE_READONLY));
      }
    }
    Frmbackup& w = ReadyToUpload(c.profile.empty() ? L"" : d_ / c.profile);
    Ui().AnswerMsgBox(MsgResult::Ok);
    Upload(w);
    const std::wstring list = kLogFolder + w.DateTag + L"_notuploaded.txt";
    const std::string listed = Exists(list) ? harness::ReadFile(list) : std::string();
    auto inList = [&](const std::wstring& path) {
      return listed.find(common::Utf8FromWide(e_ / path) + "\t") != std::string::npos;
    };
    EXPECT_EQ(Messages().size(), 1u);  // no question whether to clear the drive
    EXPECT_NE(Messages().front().find(list), std::wstring::npos);
    for (const std::wstring& path : c.listed) EXPECT_TRUE(inList(path)) << listed;
    for (const std::wstring& path : c.notListed) EXPECT_FALSE(inList(path)) << listed;
    for (const std::wstring& f : c.expected) {
      EXPECT_EQ(harness::ReadFile(d_ / split(f).first), std::string(5, char(split(f).second[0])))
          << common::Utf8FromWide(f);
    }
    if (c.profile == L"Users\\carol") {
      // Per pair: one is uploaded, the other listed and saved under its own path.
      for (int pair = 0; pair < 2; ++pair) {
        const std::wstring first = split(c.drive[2 * pair]).first, second = split(c.drive[2 * pair + 1]).first;
        const std::wstring target = d_ / (pair ? L"Users\\carol\\Documents\\Letter.doc"
                                               : L"Users\\carol\\Documents\\Resume.doc");
        const bool firstWon = harness::ReadFile(target) == std::string(5, char(split(c.drive[2 * pair]).second[0]));
        const std::wstring& lost = firstWon ? second : first;
        EXPECT_TRUE(inList(lost) && !inList(firstWon ? first : second)) << listed;
        EXPECT_TRUE(Exists(kSaved + lost) && harness::ReadFile(kSaved + lost) == harness::ReadFile(e_ / lost));
      }
    }
    EXPECT_EQ(w.UploadCount, c.count);
    for (const std::wstring& f : c.drive) EXPECT_TRUE(Exists(e_ / split(f).first));
    ExpectIdle(w);
    Close();
    for (const std::wstring& f : c.fixed) SetFileAttributesW((d_ / split(f).first).c_str(), FILE_ATTRIBUTE_NORMAL);
    harness::EmptyFolder(e_.Root());
    harness::EmptyFolder(d_.Root());
    harness::RemoveTree(kSaved.substr(0, kSaved.size() - 1));
    DeleteFileW(list.c_str());
  }
}

// A copy whose contents are those of the fixed drive's is passed over,
// whatever the times say (FAT keeps them in 2-second steps). Different
// contents are asked for unless the drive's copy is clearly newer.
TEST_F(UploadTest, OnlyDifferentContentsAreAskedForUnlessClearlyNewer) {
  const struct {
    const char* what;
    char drive;
    double seconds;  // the drive's copy this much newer than the fixed drive's
    bool asked;
  } cases[] = {
      {"same, a second older", 'f', -1, false},  {"same, a day older", 'f', -86400, false},
      {"same, a day newer", 'f', 86400, false},  {"different, a second newer", 'n', 1, true},
      {"different, two seconds older", 'n', -2, true}, {"different, a day newer", 'n', 86400, false},
  };
  const std::wstring onDrive = e_ / L"Data\\x.doc", onFixed = d_ / L"Data\\x.doc";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MakeFile(onFixed, 9, 1, 'f');
    MakeFile(onDrive, 9, 0, c.drive);
    const common::DateTime fixedTime = GetFileDate(onFixed, FileTimeWritten);
    ASSERT_TRUE(SetFileTimes(onFixed, fixedTime, FileTimeWritten));
    ASSERT_TRUE(SetFileTimes(onDrive, fixedTime.AddDays(c.seconds / 86400), FileTimeWritten));
    Frmbackup& w = ReadyToUpload(L"");
    if (c.asked) Ui().AnswerMsgBox(MsgResult::No);
    DeclineClearing();
    Upload(w);
    EXPECT_EQ(Messages().size(), c.asked ? 2u : 1u);
    EXPECT_EQ(Messages().back(), kClearQuestion);
    EXPECT_EQ(harness::ReadFile(onFixed), std::string(9, c.asked ? 'f' : c.drive));
    EXPECT_EQ(w.UploadCount, c.asked ? 0 : 1);
    Close();
  }
}

// An upload needs a fixed drive other than the removable one, and a user
// folder (or none) on that drive that does not lead back onto the removable
// drive: anything else is refused before a file is touched.
TEST_F(UploadTest, ATargetThatIsNotAnotherFixedDriveOrAFolderOnItIsRefused) {
  harness::MappedDrive f(L'F', harness::DriveKind::Removable);
  MakeFile(e_ / L"Users\\bob\\Documents\\a.doc", 5);
  CreateDirectoryW((d_ / L"Users").c_str(), nullptr);
  const bool linked = harness::RunUnix(L"/bin/ln -s " + harness::WideUnix(e_.UnixFolder()) + L" " +
                                           harness::WideUnix(d_.UnixFolder() + "/stick"),
                                       [&] { return Exists(d_ / L"stick"); });
  const struct {
    const wchar_t* target;
    std::wstring profile;
    const wchar_t* says;
  } cases[] = {
      {L"", L"", L"fixed drive"},
      {L"E", L"", L"fixed drive"},
      {L"F", L"", L"fixed drive"},
      {L"D", L"Users", L"user folder"},
      {L"D", L"C:\\users", L"user folder"},
      {L"D", L"D:Users", L"user folder"},
      {L"D", L"\\Users", L"user folder"},
      {L"D", d_ / L"Users\\nobody", L"user folder"},
      {L"D", d_ / L"stick\\Users\\bob", L"removable drive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(common::Utf8FromWide(c.profile));
    if (c.profile.find(L"stick") != std::wstring::npos && !linked) continue;  // no Unix link here
    Frmbackup& w = ReadyToUpload(c.profile);
    SelectEntry(w.lstRemovable, L"E");
    if (*c.target) {
      if (*c.target != L'D') w.lstFixed.AddItem(c.target);
      SelectEntry(w.lstFixed, c.target);
    } else {
      w.lstFixed.SetListIndex(-1);
    }
    Ui().AnswerMsgBox(MsgResult::Ok);
    Upload(w);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(c.says), std::wstring::npos) << common::Utf8FromWide(Messages()[0]);
    EXPECT_FALSE(Exists(d_ / L"Users\\bob") || Exists(f / L"Users"));
    EXPECT_EQ(harness::ReadFile(e_ / L"Users\\bob\\Documents\\a.doc").size(), 5u);
    EXPECT_TRUE(ReadUploadStatistics().empty());
    ExpectIdle(w);
    Close();
  }
  if (linked) harness::RunUnix(L"/bin/rm -f " + harness::WideUnix(d_.UnixFolder() + "/stick"),
                               [&] { return !Exists(d_ / L"stick"); });
}

// Pause (or P) holds the upload, and a second Pause lets the upload, and
// nothing else, go on. Stopped, the upload records itself but neither
// claims success nor offers to wipe files that are not uploaded yet.
TEST_F(UploadTest, PauseHoldsTheUploadAndStopEndsItWithoutOfferingToClearTheDrive) {
  for (int i = 0; i < 150; ++i) MakeFile(e_ / (L"many\\f" + std::to_wstring(i) + L".doc"), 2000);
  Frmbackup& w = ReadyToUpload(L"");
  auto heldAt = std::make_shared<int32_t>(-1);
  WhenReady([&w] { return w.UploadCount > 0; }, [&w, heldAt] {
    w.OnKeyDown('P', 0);
    AtNextYield([&w, heldAt] {
      *heldAt = w.UploadCount;
      EXPECT_TRUE(w.CmdContinue.Enabled());
      AtNextYield([&w, heldAt] {
        EXPECT_EQ(w.UploadCount, *heldAt) << "the upload went on while paused";
        w.OnKeyDown('P', 0);
        EXPECT_FALSE(w.CmdCToE.Enabled());
        EXPECT_TRUE(w.CmdPause.Enabled() && w.CmdStop.Enabled());
        WhenReady([&w, heldAt] { return w.UploadCount > *heldAt; }, [&w] { w.OnKeyDown(VK_ESCAPE, 0); });
      });
    });
  });
  Upload(w);
  EXPECT_GE(*heldAt, 1);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(w.lblDir.Caption(), L"The upload was interrupted. The removable drive was not cleared.");
  ExpectIdle(w);
  ASSERT_EQ(ReadUploadStatistics().size(), 1u);
  EXPECT_LT(ReadUploadStatistics()[0].count, 150);
  EXPECT_TRUE(Exists(L"c:\\program files\\Ferrimond\\LastUploadT.tim"));
  EXPECT_TRUE(ReadStatistics().empty());  // no backup copy ran meanwhile
}

TEST_F(UploadTest, AFullFixedDriveLeavesNoTruncatedFile) {
  std::string why;
  const char* tmpfs = getenv("FERRIMOND_TEST_TMPFS");
  auto small = harness::MapSmallTmpfs(L'F', &why);
  if (!small || !tmpfs) GTEST_SKIP() << "small tmpfs drive unavailable: " << why;
  small.reset();
  harness::MappedDrive f(L'F', harness::DriveKind::Fixed, tmpfs);
  MakeFile(e_ / L"big.doc", 400000, 0, 'b');
  Frmbackup& w = ReadyToUpload(L"");
  SelectEntry(w.lstFixed, L"F");
  Ui().AnswerMsgBox(MsgResult::Ok);
  Upload(w);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find(L"1 file(s)"), std::wstring::npos) << Messages()[0];
  EXPECT_FALSE(Exists(L"F:\\big.doc"));
  EXPECT_FALSE(Exists(L"F:\\" + PartialCopyName(L"big.doc")));
  EXPECT_EQ(harness::ReadFile(e_ / L"big.doc").size(), 400000u);
  ExpectIdle(w);
}

// What an interrupted backup left half-written is reported, not uploaded;
// long paths and names in any script are uploaded like any other.
TEST_F(UploadTest, LeftoversAreReportedAndLongAndUnicodeNamesUploaded) {
  std::wstring deep = L"deep";
  for (int i = 0; i < 5; ++i) deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
  const std::wstring name = L"\u043e\u0442\u0447\u0451\u0442_\u65e5\u672c.doc";
  const std::wstring longFile = deep + L"\\" + name;
  for (size_t cut = deep.find(L'\\'); ; cut = deep.find(L'\\', cut + 1)) {
    CreateDirectoryW((L"\\\\?\\E:\\" + deep.substr(0, cut)).c_str(), nullptr);
    if (cut == std::wstring::npos) break;
  }
  harness::WriteFile(L"\\\\?\\E:\\" + longFile, "unicode");
  CreateDirectoryW((e_ / L"a").c_str(), nullptr);
  harness::WriteFile(e_ / L"a\\half.doc", "whole");
  harness::WriteFile(e_ / (L"a\\" + PartialCopyName(L"half.doc")), "half");
  // The drive's own folders are the system's, never the user's.
  MakeFile(e_ / L"System Volume Information\\IndexerVolumeGuid", 4);
  MakeFile(e_ / L"$RECYCLE.BIN\\S-1-5-21\\desktop.ini", 4);
  Frmbackup& w = ReadyToUpload(L"");
  Ui().AnswerMsgBox(MsgResult::Ok);  // the leftover is reported
  DeclineClearing();
  Upload(w);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[0].find(PartialCopyName(L"half.doc")), std::wstring::npos);
  EXPECT_EQ(harness::ReadFile(L"\\\\?\\D:\\" + longFile), "unicode");
  EXPECT_FALSE(Exists(d_ / (L"a\\" + PartialCopyName(L"half.doc"))));
  EXPECT_FALSE(Exists(d_ / L"System Volume Information") || Exists(d_ / L"$RECYCLE.BIN"));
  EXPECT_EQ(w.UploadCount, 2);
  ExpectIdle(w);
}

// The wipe offered at the end takes only the medium that was uploaded: one
// put into the drive meanwhile is refused, even after a Yes.
TEST_F(UploadTest, AnotherMediumInTheDriveIsNotWiped) {
  harness::MappedDrive other(L'G', harness::DriveKind::Removable);
  MakeFile(e_ / L"a.doc", 5);
  MakeFile(other / L"keep.doc", 6);
  Frmbackup& w = ReadyToUpload(L"");
  SelectEntry(w.lstRemovable, L"E");
  Ui().AnswerMsgBox(MsgResult::Yes, [&](const Prompt&) {
    harness::UnmapDrive(L'E');
    ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, other.UnixFolder()));
  });
  Ui().AnswerMsgBox(MsgResult::Ok);
  Upload(w);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0], kClearQuestion);
  EXPECT_NE(Messages()[1].find(L"Nothing has been deleted"), std::wstring::npos)
      << common::Utf8FromWide(Messages()[1]);
  EXPECT_EQ(harness::ReadFile(other / L"keep.doc").size(), 6u);
  EXPECT_EQ(harness::ReadFile(d_ / L"a.doc").size(), 5u);
  ExpectIdle(w);
  harness::UnmapDrive(L'E');
  ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, e_.UnixFolder()));
  EXPECT_TRUE(Exists(e_ / L"a.doc"));
}


}  // namespace
}  // namespace ferrimond
