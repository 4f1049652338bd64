// Whole uploads on the real main window: a removable E: (filled by a real
// backup or by the test), a fixed D: to upload onto, prompts answered by a
// script, the program folder on the prefix's C:.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "common/date_text.h"
#include "common/text_codec.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "tests/ferrimond/mainwindow/mainwindow_fixture.h"

namespace ferrimond {
namespace {

using namespace mwtest;

const std::wstring kUploadStatistics = kLogFolder + L"uploadsta.sta";
const std::wstring kSaved = L"C:\\Program Files\\Ferrimond\\SavedFileVersion\\";
const std::wstring kClearQuestion = L"Do you really want to delete everything on the removable drive E:\\ ?";

// The counts of the upload statistics' lines, each with its drive.
std::vector<std::pair<int32_t, std::wstring>> ReadUploadStatistics() {
  std::vector<std::pair<int32_t, std::wstring>> lines;
  if (!Exists(kUploadStatistics)) return lines;
  for (RecordReader r(harness::ReadFile(kUploadStatistics)); !r.AtEnd();) {
    r.ReadDate();
    const int32_t count = r.ReadLong();
    r.ReadDouble(), r.ReadLong();
    lines.emplace_back(count, r.ReadString());
  }
  return lines;
}

// "path=c" (a file of five c's) split into the path and its contents.
std::pair<std::wstring, std::string> Entry(const std::wstring& entry) {
  const size_t eq = entry.rfind(L'=');
  return {entry.substr(0, eq), std::string(5, static_cast<char>(entry[eq + 1]))};
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

  harness::MappedDrive d_{L'D', harness::DriveKind::Fixed};
};

// Both layouts of profile on the drive, uploaded into a profile of each
// layout; a Documents folder outside a profile only changes drive.
TEST_F(UploadTest, ABackupUploadedBackGoesIntoTheChosenProfilesDocuments) {
  const std::wstring oldStyle = d_ / L"Documents and Settings\\User1\\My Documents\\Letters\\old.doc";
  const std::wstring newStyle = d_ / L"Users\\bob\\Documents\\new.doc", plain = d_ / L"Work\\Documents\\plain.doc";
  MakeFile(oldStyle, 11, 0, 'o');
  MakeFile(newStyle, 12, 0, 'n');
  MakeFile(plain, 13, 0, 'p');
  Ready().LstDir.AddItem(d_.Root());
  w_->CmdCToE.SetValue(true);
  ASSERT_EQ(w_->lblDir.Caption(), kSuccess);
  for (const std::wstring& file : {oldStyle, newStyle, plain}) ASSERT_TRUE(DeleteFileW(file.c_str()));
  CreateDirectoryW((d_ / L"Users\\alice").c_str(), nullptr);
  CreateDirectoryW((d_ / L"Documents and Settings\\User2").c_str(), nullptr);

  for (const std::wstring documents : {L"Users\\alice\\Documents", L"Documents and Settings\\User2\\My Documents"}) {
    SCOPED_TRACE(common::Utf8FromWide(documents));
    Frmbackup& w = ReadyToUpload(d_ / documents.substr(0, documents.rfind(L'\\')));
    DeclineClearing();
    w.CmdCopyToC.SetValue(true);
    ExpectIdle(w);
    EXPECT_EQ(w.lblDir.Caption(), L"All files have been uploaded !");
    EXPECT_EQ(Messages(), Strings{kClearQuestion});
    EXPECT_EQ(harness::ReadFile(d_ / documents + L"\\Letters\\old.doc"), std::string(11, 'o'));
    EXPECT_EQ(harness::ReadFile(d_ / documents + L"\\new.doc"), std::string(12, 'n'));
    EXPECT_EQ(harness::ReadFile(plain), std::string(13, 'p'));
    EXPECT_EQ(ReadUploadStatistics().back().second, L"E");
    EXPECT_GE(ReadUploadStatistics().back().first, 3);
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
    const std::wstring question = L"Do you want to overwrite \r\n" + onFixed + L" " +
                                  common::DateText(GetFileDate(onFixed, FileTimeWritten)) + L"\r\nwith \r\n" +
                                  onDrive + L" " + common::DateText(GetFileDate(onDrive, FileTimeWritten));
    Frmbackup& w = ReadyToUpload(L"");
    Ui().AnswerMsgBox(round.answer);
    DeclineClearing();
    w.CmdCopyToC.SetValue(true);
    ASSERT_EQ(Ui().Prompts().size(), 2u);
    EXPECT_EQ(Ui().Prompts()[0].buttons, forms::MsgButtons::YesNo);
    EXPECT_EQ(Ui().Prompts()[0].text, question);
    Strings saved;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((kSaved + L"Data\\Reports\\*.doc").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found))
      saved.push_back(found.cFileName + (L":" + common::WideFromBytes(harness::ReadFile(
                                                    kSaved + L"Data\\Reports\\" + found.cFileName).substr(0, 1))));
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(saved, round.saved);
    const bool replaced = round.answer == MsgResult::Yes;
    EXPECT_EQ(harness::ReadFile(onFixed), std::string(replaced ? 7 : 9, replaced ? round.version : 'f'));
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
  w.CmdCopyToC.SetValue(true);
  EXPECT_EQ(Messages(), Strings{kClearQuestion});
  EXPECT_EQ(ReadUploadStatistics(), (std::vector<std::pair<int32_t, std::wstring>>{{0, L"E"}}));
  EXPECT_EQ(harness::ReadFile(kLogFolder + w.DateTag + L"_upload.sta"), harness::ReadFile(kUploadStatistics));
  // The stamp is the moment the upload started (to the second), so that
  // whatever is saved on the fixed drive during the upload is newer.
  const common::DateTime stamp = RecordReader(harness::ReadFile(kLastUploadStamp)).ReadDate();
  EXPECT_NEAR((stamp.Value() - before.Value()) * 86400, 0, 1.05);
  EXPECT_FALSE(w.IsUnloaded());

  // With "Close program automatically" ticked the upload ends the program.
  w.mnuCloseAutomatically.Click();
  DeclineClearing();
  w.CmdCopyToC.SetValue(true);
  EXPECT_TRUE(w.IsUnloaded() && w.ClosingSplash());
  EXPECT_TRUE(ReadStatistics().empty());  // no backup ran inside the question
}

// What the upload keeps back is passed over and listed with its reason; the
// others are uploaded, and the drive, holding the only copy of what was kept
// back, is not offered for wiping.
TEST_F(UploadTest, WhatIsKeptBackIsListedAndTheDriveIsNotOfferedForClearing) {
  std::wstring deep = L"l";
  for (int i = 1; i < 101; ++i) deep += L"\\l";  // 101 levels
  const std::wstring level100 = deep.substr(0, deep.size() - 2);
  const struct {
    const char* what;
    Strings drive;         // on E:, "path=letter" (the file's contents)
    Strings fixed;         // on D:, "path=letter", a day newer; "!" at the end: read-only
    std::wstring profile;  // below D:
    Strings listed;        // the paths on E: the list names
    Strings notListed;     // nor these
    Strings expected;      // on D:, "path=letter"
    int32_t count;
  } cases[] = {
      {"a read-only file on the fixed drive", {L"a.doc=n", L"b.doc=b"}, {L"a.doc=o!"}, L"", {L"a.doc"}, {},
       {L"a.doc=o", L"b.doc=b"}, 1},
      // Which of a pair comes first is up to the listing: the other is
      // listed and saved (checked below).
      {"two profiles' documents onto one file",
       {L"Users\\alice\\Documents\\Resume.doc=a", L"Users\\bob\\Documents\\Resume.doc=b",
        L"Documents and Settings\\old\\My Documents\\Letter.doc=l",
        L"Documents and Settings\\older\\My Documents\\letter.DOC=m"},
       {L"Users\\carol\\x=c"}, L"Users\\carol", {}, {}, {}, 2},
      {"a leftover whose file is missing",
       {L"a\\lone.doc.ferrimond-part=p", L"a\\half.doc=h", L"a\\half.doc.ferrimond-part=q"}, {}, L"",
       {L"a\\lone.doc.ferrimond-part"}, {L"a\\half.doc.ferrimond-part"}, {L"a\\half.doc=h"}, 1},
      {"a folder more than 100 levels deep", {level100 + L"\\z.doc=z", deep + L"\\x.doc=x", deep + L"\\l\\y.doc=y"},
       {}, L"", {deep}, {deep + L"\\x.doc", deep + L"\\l"}, {level100 + L"\\z.doc=z"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::wstring& f : c.drive) MakeFile(e_ / Entry(f).first, 5, 0, Entry(f).second[0]);
    for (std::wstring f : c.fixed) {
      const bool readOnly = f.back() == L'!';
      if (readOnly) f.pop_back();
      MakeFile(d_ / Entry(f).first, 5, -1, Entry(f).second[0]);
      ASSERT_TRUE(!readOnly || SetFileAttributesW((d_ / Entry(f).first).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    Frmbackup& w = ReadyToUpload(c.profile.empty() ? L"" : d_ / c.profile);
    ExpectMessages(1);  // no question whether to clear the drive
    w.CmdCopyToC.SetValue(true);
    const std::wstring list = kLogFolder + w.DateTag + L"_notuploaded.txt";
    const std::string listed = Exists(list) ? harness::ReadFile(list) : std::string();
    auto inList = [&](const std::wstring& path) {
      return listed.find(common::Utf8FromWide(e_ / path) + "\t") != std::string::npos;
    };
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(list), std::wstring::npos);
    for (const std::wstring& path : c.listed) EXPECT_TRUE(inList(path)) << listed;
    for (const std::wstring& path : c.notListed) EXPECT_FALSE(inList(path)) << listed;
    for (const std::wstring& f : c.expected) EXPECT_EQ(harness::ReadFile(d_ / Entry(f).first), Entry(f).second);
    // Per pair of one target: one is uploaded, the other listed and saved under its own path.
    for (size_t first = 0; c.profile == L"Users\\carol" && first < c.drive.size(); first += 2) {
      const auto [one, oneBytes] = Entry(c.drive[first]);
      const std::wstring other = Entry(c.drive[first + 1]).first;
      const std::wstring target =
          d_ / (L"Users\\carol\\Documents\\" + std::wstring(first ? L"Letter.doc" : L"Resume.doc"));
      const bool firstWon = harness::ReadFile(target) == oneBytes;
      const std::wstring& lost = firstWon ? other : one;
      EXPECT_TRUE(inList(lost) && !inList(firstWon ? one : other)) << listed;
      EXPECT_TRUE(Exists(kSaved + lost) && harness::ReadFile(kSaved + lost) == harness::ReadFile(e_ / lost));
    }
    EXPECT_EQ(w.UploadCount, c.count);
    for (const std::wstring& f : c.drive) EXPECT_TRUE(Exists(e_ / Entry(f).first));
    ExpectIdle(w);
    Close();
    for (const std::wstring& f : c.fixed) SetFileAttributesW((d_ / Entry(f).first).c_str(), FILE_ATTRIBUTE_NORMAL);
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
    char drive;
    double seconds;  // the drive's copy this much newer than the fixed drive's
    bool asked;
  } cases[] = {{'f', -1, false}, {'f', -86400, false}, {'f', 86400, false},
               {'n', 1, true},   {'n', -2, true},      {'n', 86400, false}};
  const std::wstring onDrive = e_ / L"Data\\x.doc", onFixed = d_ / L"Data\\x.doc";
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.drive) + " " + std::to_string(c.seconds));
    MakeFile(onFixed, 9, 1, 'f');
    MakeFile(onDrive, 9, 0, c.drive);
    const common::DateTime fixedTime = GetFileDate(onFixed, FileTimeWritten);
    ASSERT_TRUE(SetFileTimes(onFixed, fixedTime, FileTimeWritten));
    ASSERT_TRUE(SetFileTimes(onDrive, fixedTime.AddDays(c.seconds / 86400), FileTimeWritten));
    Frmbackup& w = ReadyToUpload(L"");
    if (c.asked) Ui().AnswerMsgBox(MsgResult::No);
    DeclineClearing();
    w.CmdCopyToC.SetValue(true);
    EXPECT_EQ(Messages().size(), c.asked ? 2u : 1u);
    EXPECT_EQ(Messages().back(), kClearQuestion);
    EXPECT_EQ(harness::ReadFile(onFixed), std::string(9, c.asked ? 'f' : c.drive));
    EXPECT_EQ(w.UploadCount, c.asked ? 0 : 1);
  }
}

// An upload needs a fixed drive other than the removable one, and a user
// folder (or none) on that drive that does not lead back onto the removable
// drive: anything else is refused before a file is touched.
TEST_F(UploadTest, ATargetThatIsNotAnotherFixedDriveOrAFolderOnItIsRefused) {
  harness::MappedDrive f(L'F', harness::DriveKind::Removable);
  MakeFile(e_ / L"Users\\bob\\Documents\\a.doc", 5);
  CreateDirectoryW((d_ / L"Users").c_str(), nullptr);
  const bool linked = UnixLink(e_.UnixFolder(), d_ / L"stick");
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
    ExpectMessages(1);
    w.CmdCopyToC.SetValue(true);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(c.says), std::wstring::npos) << common::Utf8FromWide(Messages()[0]);
    EXPECT_FALSE(Exists(d_ / L"Users\\bob") || Exists(f / L"Users"));
    EXPECT_EQ(harness::ReadFile(e_ / L"Users\\bob\\Documents\\a.doc").size(), 5u);
    EXPECT_TRUE(ReadUploadStatistics().empty());
    ExpectIdle(w);
  }
  if (linked) harness::RunUnix(L"/bin/rm -f " + harness::WideUnix(d_.UnixFolder() + "/stick"),
                               [&] { return !Exists(d_ / L"stick"); });
}

// Pause (or P) holds the upload, and a second Pause lets the upload, and
// nothing else, go on. Stopped, the upload records itself but neither
// claims success nor offers to wipe files that are not uploaded yet.
TEST_F(UploadTest, PauseHoldsTheUploadAndStopEndsItWithoutOfferingToClearTheDrive) {
  MakeFiles(e_ / L"many", 150, 2000);
  Frmbackup& w = ReadyToUpload(L"");
  int32_t heldAt = -1;
  WhenReady([&] { return w.UploadCount > 0; }, [&] {
    w.OnKeyDown('P', 0);
    AtNextYield([&] {
      heldAt = w.UploadCount;
      EXPECT_TRUE(w.CmdContinue.Enabled());
      AtNextYield([&] {
        EXPECT_EQ(w.UploadCount, heldAt) << "the upload went on while paused";
        w.OnKeyDown('P', 0);
        EXPECT_FALSE(w.CmdCToE.Enabled());
        EXPECT_TRUE(w.CmdPause.Enabled() && w.CmdStop.Enabled());
        WhenReady([&] { return w.UploadCount > heldAt; }, [&] { w.OnKeyDown(VK_ESCAPE, 0); });
      });
    });
  });
  w.CmdCopyToC.SetValue(true);
  EXPECT_GE(heldAt, 1);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(w.lblDir.Caption(), L"The upload was interrupted. The removable drive was not cleared.");
  ExpectIdle(w);
  ASSERT_EQ(ReadUploadStatistics().size(), 1u);
  EXPECT_LT(ReadUploadStatistics()[0].first, 150);
  EXPECT_TRUE(Exists(kLastUploadStamp));
  EXPECT_TRUE(ReadStatistics().empty());  // no backup copy ran meanwhile
}

TEST_F(UploadTest, AFullFixedDriveLeavesNoTruncatedFile) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(small, L'F');
  small.reset();
  harness::MappedDrive f(L'F', harness::DriveKind::Fixed, getenv("FERRIMOND_TEST_TMPFS"));
  MakeFile(e_ / L"big.doc", 400000, 0, 'b');
  Frmbackup& w = ReadyToUpload(L"");
  SelectEntry(w.lstFixed, L"F");
  ExpectMessages(1);
  w.CmdCopyToC.SetValue(true);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find(L"1 file(s)"), std::wstring::npos) << Messages()[0];
  EXPECT_FALSE(Exists(L"F:\\big.doc") || Exists(L"F:\\" + PartialCopyName(L"big.doc")));
  EXPECT_EQ(harness::ReadFile(e_ / L"big.doc").size(), 400000u);
  ExpectIdle(w);
}

// What an interrupted backup left half-written is reported, not uploaded;
// long paths and names in any script are uploaded like any other.
TEST_F(UploadTest, LeftoversAreReportedAndLongAndUnicodeNamesUploaded) {
  std::wstring longFile = L"deep";
  for (int i = 0; i < 5; ++i) longFile += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
  longFile += L"\\\u043e\u0442\u0447\u0451\u0442_\u65e5\u672c.doc";
  for (size_t cut = longFile.find(L'\\'); cut != std::wstring::npos; cut = longFile.find(L'\\', cut + 1))
    CreateDirectoryW((L"\\\\?\\E:\\" + longFile.substr(0, cut)).c_str(), nullptr);
  harness::WriteFile(L"\\\\?\\E:\\" + longFile, "unicode");
  MakeFile(e_ / L"a\\half.doc", 5);
  MakeFile(e_ / (L"a\\" + PartialCopyName(L"half.doc")), 4);
  // The drive's own folders are the system's, never the user's.
  MakeFile(e_ / L"System Volume Information\\IndexerVolumeGuid", 4);
  MakeFile(e_ / L"$RECYCLE.BIN\\S-1-5-21\\desktop.ini", 4);
  Frmbackup& w = ReadyToUpload(L"");
  ExpectMessages(1);  // the leftover is reported
  DeclineClearing();
  w.CmdCopyToC.SetValue(true);
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
  ExpectMessages(1);
  w.CmdCopyToC.SetValue(true);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0], kClearQuestion);
  EXPECT_NE(Messages()[1].find(L"Nothing has been deleted"), std::wstring::npos);
  EXPECT_EQ(harness::ReadFile(other / L"keep.doc").size(), 6u);
  EXPECT_EQ(harness::ReadFile(d_ / L"a.doc").size(), 5u);
  ExpectIdle(w);
  harness::UnmapDrive(L'E');
  ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, e_.UnixFolder()));
  EXPECT_TRUE(Exists(e_ / L"a.doc"));
}

}  // namespace
}  // namespace ferrimond
