// Whole uploads on the real main window: a removable E: (filled by a real
// backup or by the test), a fixed D: to upload onto, prompts answered by a
// script, the program folder on the prefix's C:.

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
  const std::string bytes = Exists(kUploadStatistics) ? harness::ReadFile(kUploadStatistics) : "";
  for (RecordReader r(bytes); !r.AtEnd();) {
    r.ReadDate();
    const int32_t count = r.ReadLong();
    r.ReadDouble(), r.ReadLong();
    lines.emplace_back(count, r.ReadString());
  }
  return lines;
}

class UploadTest : public BackupRunTest {
 protected:
  // The window ready to upload E: (whatever drive came last) onto `fixed`
  // into `profile`.
  Frmbackup& ReadyToUpload(const std::wstring& profile = L"", const wchar_t* fixed = L"D") {
    Frmbackup& w = Ready();
    SelectEntry(w.lstRemovable, L"E");
    SelectEntry(w.lstFixed, fixed);
    w.cmbUsers.SetText(profile);
    return w;
  }
  // Uploads with the clearing question, which ends every upload that was
  // not stopped, answered No.
  void Upload(Frmbackup& w) {
    Ui().AnswerMsgBox(MsgResult::No);
    w.CmdCopyToC.SetValue(true);
  }
  // Uploads what the test made; the one message, instead of the question
  // whether to clear the drive, names the day's list of what was kept back.
  // Returns the paths kept back, below E:\, in order.
  Strings UploadKeepingBack(const std::wstring& profile = L"", const wchar_t* fixed = L"D") {
    Frmbackup& w = ReadyToUpload(profile, fixed);
    ExpectMessages(1);
    w.CmdCopyToC.SetValue(true);
    const std::wstring list = kLogFolder + w.DateTag + L"_notuploaded.txt";
    EXPECT_TRUE(Messages().size() == 1 && Messages()[0].find(list) != std::wstring::npos);
    const std::string listed = Exists(list) ? harness::ReadFile(list) : "";
    Strings kept;
    for (const auto& entry : w.NotUploaded) {
      kept.push_back(entry.path.substr(3));
      EXPECT_NE(listed.find(common::Utf8FromWide(entry.path) + "\t"), std::string::npos) << listed;
    }
    std::sort(kept.begin(), kept.end());
    ExpectIdle(w);
    return kept;
  }

  // Makes `link` of the fixed drive a Unix link to `target` of E: (or of
  // `drive`). Wine names a path's drive from a picture of the drives that it
  // renews about once a second: waits until the link leads onto that drive
  // as this test mapped it.
  bool LinkOntoStick(const std::wstring& target, const std::wstring& link, const harness::MappedDrive* drive = nullptr) {
    drive = drive ? drive : &e_;
    const bool linked = UnixLink(drive->UnixFolder() + common::Utf8FromWide(target), link);
    for (int i = 0; linked && i < 30 && !FileSystem().FinalPath(link).value_or(L"").starts_with(drive->Root()); ++i)
      Sleep(100);
    return linked;
  }
  void RemoveLink(const std::wstring& link) {
    harness::RunUnix(L"/bin/rm -f \"" + harness::WideUnix(harness::UnixPath(link)) + L"\"", [&] { return !Exists(link); });
  }

  harness::MappedDrive d_{L'D', harness::DriveKind::Fixed};
};

// Both layouts of profile on the drive, uploaded into a profile of each
// layout; a Documents folder outside a profile only changes drive. What an
// interrupted backup left half-written is reported, not uploaded; long
// paths and names in any script are uploaded like any other, the drive's
// own folders (the system's, never the user's) are not.
TEST_F(UploadTest, ABackupUploadedBackGoesIntoTheChosenProfilesDocumentsAndLeftoversStay) {
  const std::wstring oldStyle = d_ / L"Documents and Settings\\User1\\My Documents\\Letters\\old.doc";
  const std::wstring newStyle = d_ / L"Users\\bob\\Documents\\new.doc", plain = d_ / L"Work\\Documents\\plain.doc";
  MakeFile(oldStyle, 11, 0, 'o'), MakeFile(newStyle, 12, 0, 'n'), MakeFile(plain, 13, 0, 'p');
  Ready().LstDir.AddItem(d_.Root());
  w_->CmdCToE.SetValue(true);
  ASSERT_EQ(w_->lblDir.Caption(), kSuccess);
  for (const std::wstring& file : {oldStyle, newStyle, plain}) ASSERT_TRUE(DeleteFileW(file.c_str()));
  std::wstring longFile = L"deep";
  for (int i = 0; i < 5; ++i) longFile += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
  longFile += L"\\\u043e\u0442\u0447\u0451\u0442_\u65e5\u672c.doc";
  const std::wstring leftover = L"a\\" + PartialCopyName(L"half.doc");
  for (const std::wstring& file : {longFile, std::wstring(L"a\\half.doc"), leftover,
                                   std::wstring(L"System Volume Information\\IndexerVolumeGuid"),
                                   std::wstring(L"$RECYCLE.BIN\\S-1-5-21\\desktop.ini")})
    MakeFile(e_ / file, 4);
  for (const std::wstring documents : {L"Users\\alice\\Documents", L"Documents and Settings\\User2\\My Documents"}) {
    SCOPED_TRACE(common::Utf8FromWide(documents));
    MakeFile(d_ / documents.substr(0, documents.rfind(L'\\') + 1), 0);
    Frmbackup& w = ReadyToUpload(d_ / documents.substr(0, documents.rfind(L'\\')));
    ExpectMessages(1);  // the leftover is reported
    Upload(w);
    EXPECT_NE(Messages().at(0).find(leftover), std::wstring::npos);
    EXPECT_EQ(harness::ReadFile(d_ / documents + L"\\Letters\\old.doc") +
                  harness::ReadFile(d_ / documents + L"\\new.doc") + harness::ReadFile(plain),
              std::string(11, 'o') + std::string(12, 'n') + std::string(13, 'p'));
    EXPECT_EQ(ReadUploadStatistics().back(), std::make_pair(5, std::wstring(L"E")));
  }
  EXPECT_FALSE(Exists(oldStyle) || Exists(newStyle));  // redirected, not restored in place
  EXPECT_EQ(ReadUploadStatistics().size(), 2u);
  EXPECT_EQ(harness::ReadFile(harness::Literal(d_ / longFile)), "xxxx");
  EXPECT_FALSE(Exists(d_ / leftover) || Exists(d_ / L"System Volume Information") || Exists(d_ / L"$RECYCLE.BIN"));
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
    Strings saved;  // SavedFileVersion\Data\Reports afterwards
  } rounds[] = {{MsgResult::No, 'r', {L"x.doc=rrrrrrr"}},
                {MsgResult::Yes, 's', {L"x (2).doc=sssssss", L"x (3).doc=fffffffff", L"x.doc=rrrrrrr"}},
                {MsgResult::No, 's', {L"x (2).doc=sssssss", L"x (3).doc=fffffffff", L"x.doc=rrrrrrr"}},
                {MsgResult::No, 't', {L"x (2).doc=sssssss", L"x (3).doc=fffffffff", L"x (4).doc=ttttttt", L"x.doc=rrrrrrr"}}};
  for (const auto& round : rounds) {
    SCOPED_TRACE(round.version);
    MakeFile(onDrive, 7, 3, round.version);
    MakeFile(onFixed, 9, 0, 'f');
    const std::wstring question = L"Do you want to overwrite \r\n" + onFixed + L" " +
                                  common::DateText(GetFileDate(onFixed, FileTimeWritten)) + L"\r\nwith \r\n" +
                                  onDrive + L" " + common::DateText(GetFileDate(onDrive, FileTimeWritten));
    Frmbackup& w = ReadyToUpload();
    Ui().AnswerMsgBox(round.answer);
    Upload(w);
    EXPECT_EQ(Ui().Prompts().at(0).buttons, forms::MsgButtons::YesNo);
    EXPECT_EQ(Ui().Prompts()[0].text, question);
    EXPECT_EQ(Tree(kSaved + L"Data\\Reports"), round.saved);
    const bool replaced = round.answer == MsgResult::Yes;
    EXPECT_EQ(harness::ReadFile(onFixed), std::string(replaced ? 7 : 9, replaced ? round.version : 'f'));
  }
}

// ... and a No holds for that place against every other file of the drive
// that goes there: another profile's copy is kept back and saved, neither
// put over it nor asked about again.
TEST_F(UploadTest, ANoHoldsForThePlaceAgainstAnotherFileThatGoesThere) {
  const std::wstring mine = d_ / L"Users\\carol\\Documents\\r.doc";
  MakeFile(mine, 9, 0, 'c');
  for (const std::wstring user : {L"alice", L"bob"}) MakeFile(e_ / L"Users\\" + user + L"\\Documents\\r.doc", 5, 1, user[0]);
  Frmbackup& w = ReadyToUpload(d_ / L"Users\\carol");
  Ui().AnswerMsgBox(MsgResult::No);
  ExpectMessages(1);  // what was kept back, instead of the offer to wipe
  w.CmdCopyToC.SetValue(true);
  EXPECT_EQ(harness::ReadFile(mine), std::string(9, 'c'));
  ASSERT_EQ(w.NotUploaded.size(), 1u);
  EXPECT_EQ(harness::ReadFile(kSaved + w.NotUploaded[0].path.substr(3)), harness::ReadFile(w.NotUploaded[0].path));
  ExpectIdle(w);
}

// While the upload asks, nothing pressed in the question (the about box in
// front) starts a run; the stamp is the upload's start, to the second, so
// that whatever is saved on the fixed drive meanwhile is newer. The wipe
// offered at the end takes only the medium that was uploaded: one put into
// the drive meanwhile is refused, even after a Yes; one put in while the
// upload runs ends it.
TEST_F(UploadTest, TheUploadIsRecordedAndOffersToWipeOnlyTheMediumItUploaded) {
  harness::MappedDrive other(L'G', harness::DriveKind::Removable);
  MakeFile(e_ / L"a.doc", 5);
  MakeFile(other / L"keep.doc", 6);
  Frmbackup& w = ReadyToUpload();
  w.mnuHelpAbout.Click();
  Ui().AnswerMsgBox(MsgResult::No, [&w](const Prompt&) {
    EXPECT_TRUE(w.RunActive);
    w.CmdCToE.SetValue(true);
    w.CmdCopyToC.SetValue(true);
    w.mnuClear.Click();
  });
  const common::DateTime before = common::Now();
  AtNextYield([] { Sleep(2500); });  // an upload that takes a while
  w.CmdCopyToC.SetValue(true);
  EXPECT_EQ(Messages(), Strings{kClearQuestion});
  EXPECT_EQ(w.lblDir.Caption(), L"All files have been uploaded !");
  EXPECT_EQ(ReadUploadStatistics(), (std::vector<std::pair<int32_t, std::wstring>>{{1, L"E"}}));
  EXPECT_EQ(harness::ReadFile(kLogFolder + w.DateTag + L"_upload.sta"), harness::ReadFile(kUploadStatistics));
  const common::DateTime stamp = RecordReader(harness::ReadFile(kLastUploadStamp)).ReadDate();
  EXPECT_NEAR((stamp.Value() - before.Value()) * 86400, 0, 1.05);
  EXPECT_FALSE(w.IsUnloaded());
  const auto mapE = [](const std::string& folder) {
    harness::UnmapDrive(L'E');
    ASSERT_TRUE(harness::DefineUnixDrive(L'E', harness::DriveKind::Removable, folder));
  };
  // A medium put in while the upload asked is not read: the upload ends
  // there, with no success and no wipe offered.
  MakeFile(d_ / L"a.doc", 5, 0, 'd'), MakeFile(e_ / L"sub\\", 0), MakeFile(other / L"sub\\c.doc", 5);  // asked for a.doc
  Ui().ClearRecord(), Ui().AnswerMsgBox(MsgResult::No, [&](const Prompt&) { mapE(other.UnixFolder()); });
  ExpectMessages(1);
  w.CmdCopyToC.SetValue(true);
  EXPECT_EQ(w.lblDir.Caption(), L"The upload stopped: the removable drive was taken out or changed.");
  EXPECT_FALSE(Exists(d_ / L"sub"));
  mapE(e_.UnixFolder()), MakeFile(d_ / L"a.doc", 5);
  // With "Close program automatically" ticked the upload ends the program.
  w.mnuCloseAutomatically.Click();
  Ui().AnswerMsgBox(MsgResult::Yes, [&](const Prompt&) { mapE(other.UnixFolder()); });
  Ui().ClearRecord(), ExpectMessages(1);
  w.CmdCopyToC.SetValue(true);
  EXPECT_NE(Messages().at(1).find(L"Nothing has been deleted"), std::wstring::npos);
  EXPECT_TRUE(w.IsUnloaded() && w.ClosingSplash());
  EXPECT_TRUE(ReadStatistics().empty());  // no backup ran inside the question
  EXPECT_EQ(harness::ReadFile(other / L"keep.doc").size() + harness::ReadFile(d_ / L"a.doc").size(), 11u);
  mapE(e_.UnixFolder());
  EXPECT_TRUE(Exists(e_ / L"a.doc"));
}

// The wipe after an upload leaves what was written on the drive since the
// upload began, in a folder uploaded already or at the root: it was never
// uploaded.
TEST_F(UploadTest, TheWipeAfterAnUploadKeepsWhatWasWrittenMeanwhile) {
  MakeFile(e_ / L"a.doc", 5, 1), MakeFile(e_ / L"sub\\b.doc", 5, 1), MakeFile(e_ / L"old\\c.doc", 5, 1);
  Frmbackup& w = ReadyToUpload();
  FILETIME stepped;
  Ui().AnswerMsgBox(MsgResult::Yes, [&](const Prompt&) {
    MakeFile(e_ / L"late.doc", 3), MakeFile(e_ / L"sub\\late.doc", 3), MakeFile(e_ / L"old\\stepped.doc", 3);
    const HANDLE h = CreateFileW((e_ / L"old\\stepped.doc").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(SetFileTime(h, &stepped, nullptr, &stepped) && CloseHandle(h));
  });
  ExpectMessages(1);
  // A save at the upload's start, dated on FAT 2-second steps before it.
  GetSystemTimeAsFileTime(&stepped);
  ULARGE_INTEGER t{{stepped.dwLowDateTime, stepped.dwHighDateTime}};
  t.QuadPart -= 5'000'000;
  stepped = {t.LowPart, t.HighPart};
  w.CmdCopyToC.SetValue(true);
  EXPECT_NE(Messages().at(1).find(L"3 file(s) written on the removable drive during the upload"), std::wstring::npos)
      << Messages().at(1);
  EXPECT_TRUE(Exists(e_ / L"late.doc") && Exists(e_ / L"sub\\late.doc") && Exists(e_ / L"old\\stepped.doc"));
  EXPECT_FALSE(Exists(e_ / L"a.doc") || Exists(e_ / L"sub\\b.doc") || Exists(e_ / L"old\\c.doc"));
  ExpectIdle(w);
}

// What the upload keeps back is passed over and listed with its reason; the
// others are uploaded, and the drive, holding the only copy of what was kept
// back, is not offered for wiping: a read-only file of the fixed drive, a
// leftover of a cut-short copy whose file is missing (the drive's only copy;
// one beside its file is passed over), a folder more than 100 levels deep,
// not entered, and the second of two profiles' files for one file of the
// chosen profile (letter case does not count), saved under its own path;
// which of the two comes first is up to the listing; a folder whose place
// on the fixed drive is a link back onto the removable drive, and a name
// written outside Windows that no Windows file can have, and a file whose
// place is a link to it ...
TEST_F(UploadTest, WhatCannotBeUploadedSafelyIsKeptBack) {
  std::wstring deep = L"l";
  for (int i = 1; i < 101; ++i) deep += L"\\l";  // 101 levels
  const std::wstring shallower = deep.substr(0, deep.size() - 2) + L"\\z.doc";
  MakeFile(e_ / L"ro.doc", 5, 0, 'n');
  MakeFile(d_ / L"ro.doc", 5, -1, 'o');
  ASSERT_TRUE(SetFileAttributesW((d_ / L"ro.doc").c_str(), FILE_ATTRIBUTE_READONLY));
  for (const wchar_t* name : {L"a\\lone.doc.ferrimond-part", L"a\\half.doc", L"a\\half.doc.ferrimond-part"})
    MakeFile(e_ / name, 5, 0, 'h');
  MakeFile(e_ / shallower, 5, 0, 'z');
  MakeFile(e_ / deep + L"\\l\\y.doc", 5);
  const Strings pair = {L"Users\\alice\\Documents\\Letter.doc", L"Documents and Settings\\old\\My Documents\\letter.DOC"};
  MakeFile(e_ / pair[0], 5, 0, 'a'), MakeFile(e_ / pair[1], 5, 0, 'b');
  MakeFile(d_ / L"Users\\carol\\", 0);
  MakeFile(e_ / L"Data\\only.doc", 5, 0, 'd');
  // Made and removed on the Unix side: Windows calls refuse the name, and a
  // leftover would keep its temporary folder (and that drive) for later tests.
  const std::wstring oddName = L"odd\x01" L"name.doc", oddUnix = harness::WideUnix(e_.UnixFolder()) + L"/" + oddName;
  const auto oddListed = [&] {
    WIN32_FIND_DATAW data;
    const HANDLE h = FindFirstFileW((e_ / L"odd*").c_str(), &data);
    return h != INVALID_HANDLE_VALUE && FindClose(h);
  };
  harness::RunUnix(L"/usr/bin/touch " + oddUnix, oddListed);
  MakeFile(e_ / L"Files\\one.doc", 5, 0, 'f'), MakeFile(d_ / L"Files\\", 0);
  const bool linked = LinkOntoStick(L"/Data", d_ / L"Data") && LinkOntoStick(L"/Files/one.doc", d_ / L"Files\\one.doc");
  const Strings kept = UploadKeepingBack(d_ / L"Users\\carol");
  if (linked) RemoveLink(d_ / L"Data"), RemoveLink(d_ / L"Files\\one.doc");
  harness::RunUnix(L"/bin/rm -f " + oddUnix, [&] { return !oddListed(); });
  const std::wstring& lost = harness::ReadFile(d_ / L"Users\\carol\\Documents\\Letter.doc") == "aaaaa" ? pair[1] : pair[0];
  EXPECT_EQ(kept, (Strings{L"Data", L"Files\\one.doc", lost, L"a\\lone.doc.ferrimond-part", deep, oddName, L"ro.doc"}));
  EXPECT_EQ(harness::ReadFile(e_ / L"Data\\only.doc"), "ddddd");
  EXPECT_EQ(harness::ReadFile(kSaved + lost), harness::ReadFile(e_ / lost));
  EXPECT_FALSE(Exists(d_ / L"Users\\alice") || Exists(d_ / L"Documents and Settings"));  // no profiles of theirs
  EXPECT_EQ(w_->UploadCount, 3);
  SetFileAttributesW((d_ / L"ro.doc").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(harness::ReadFile(d_ / L"ro.doc") + harness::ReadFile(d_ / L"a\\half.doc") + harness::ReadFile(d_ / shallower),
            "ooooohhhhhzzzzz");
  EXPECT_FALSE(Exists(d_ / L"a\\half.doc.ferrimond-part") || Exists(d_ / L"a\\lone.doc.ferrimond-part") || Exists(d_ / deep));
}

// ... and the second of two files that reach one file of the fixed drive
// through a link there, whether their folders keep their paths or one is a
// profile's documents, redirected into the chosen profile beyond the link ...
TEST_F(UploadTest, TwoPathsThroughALinkOfTheFixedDriveAreOnePlace) {
  const std::vector<Strings> pairs = {{L"Documents and Settings\\bob\\a.doc", L"Users\\bob\\a.doc"},
                                      {L"Documents and Settings\\carol\\My Documents\\b.doc", L"Users\\dave\\Documents\\b.doc"}};
  const Strings landed = {L"Users\\bob\\a.doc", L"Users\\carol\\My Documents\\b.doc"};
  for (const Strings& pair : pairs) MakeFile(e_ / pair[0], 5, 1, 'o'), MakeFile(e_ / pair[1], 5, 0, 'n');
  MakeFile(d_ / L"Users\\carol\\", 0);
  if (!LinkOntoStick(L"/Users", d_ / L"Documents and Settings", &d_)) GTEST_SKIP() << "cannot make a Unix symlink here";
  const Strings kept = UploadKeepingBack(d_ / L"Documents and Settings\\carol");
  RemoveLink(d_ / L"Documents and Settings");
  Strings lost;
  for (size_t i = 0; i < pairs.size(); ++i) {
    lost.push_back(pairs[i][harness::ReadFile(d_ / landed[i]) == "ooooo" ? 1 : 0]);
    EXPECT_EQ(harness::ReadFile(kSaved + lost.back()), harness::ReadFile(e_ / lost.back()));
  }
  std::sort(lost.begin(), lost.end());
  EXPECT_EQ(kept, lost);
}

// ... and a file the full fixed drive refused, which leaves no truncated file.
TEST_F(UploadTest, AFullFixedDriveLeavesNoTruncatedFile) {
  FERRIMOND_SMALL_DRIVE_OR_SKIP(small, L'F');
  small.reset();
  harness::MappedDrive f(L'F', harness::DriveKind::Fixed, getenv("FERRIMOND_TEST_TMPFS"));
  MakeFile(e_ / L"big.doc", 400000, 0, 'b');
  EXPECT_EQ(UploadKeepingBack(L"", L"F"), Strings{L"big.doc"});
  EXPECT_FALSE(Exists(L"F:\\big.doc") || Exists(L"F:\\" + PartialCopyName(L"big.doc")));
  EXPECT_EQ(harness::ReadFile(e_ / L"big.doc").size(), 400000u);
}

// A copy whose contents are those of the fixed drive's is passed over,
// whatever the times say (FAT keeps them in 2-second steps). Different
// contents are asked for unless the drive's copy is clearly newer: on FAT,
// whose local times shift by the hour of a clock change, more than an hour.
TEST_F(UploadTest, OnlyDifferentContentsAreAskedForUnlessClearlyNewer) {
  const struct {
    char drive;
    double seconds;  // the drive's copy this much newer than the fixed drive's
    bool asked;
    const wchar_t* fileSystem = L"NTFS";
  } cases[] = {{'f', -1, false}, {'f', -86400, false}, {'f', 86400, false},
               {'n', 1, true},   {'n', -2, true},      {'n', 86400, false},
               {'n', 3000, false}, {'n', 3000, true, L"FAT32"}, {'n', 3700, false, L"FAT"}};
  const std::wstring onDrive = e_ / L"Data\\x.doc", onFixed = d_ / L"Data\\x.doc";
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.drive) + " " + std::to_string(c.seconds));
    SetFileSystemNameQueryForTests([&c](const std::wstring&) { return std::wstring(c.fileSystem); });
    MakeFile(onFixed, 9, 1, 'f');
    MakeFile(onDrive, 9, 0, c.drive);
    const common::DateTime fixedTime = GetFileDate(onFixed, FileTimeWritten);
    ASSERT_TRUE(SetFileTimes(onFixed, fixedTime, FileTimeWritten) &&
                SetFileTimes(onDrive, fixedTime.AddDays(c.seconds / 86400), FileTimeWritten));
    Frmbackup& w = ReadyToUpload();
    if (c.asked) Ui().AnswerMsgBox(MsgResult::No);
    Upload(w);  // an unanswered or unused question fails
    EXPECT_EQ(harness::ReadFile(onFixed), std::string(9, c.asked ? 'f' : c.drive));
    EXPECT_EQ(w.UploadCount, c.asked ? 0 : 1);
    // The same contents are left as they are, not copied again.
    EXPECT_TRUE(c.drive != 'f' || GetFileDate(onFixed, FileTimeWritten) == fixedTime);
  }
  SetFileSystemNameQueryForTests({});
}

// An upload needs a fixed drive other than the removable one, and a user
// folder (or none) on that drive that does not lead back onto the removable
// drive: anything else is refused before a file is touched.
TEST_F(UploadTest, ATargetThatIsNotAnotherFixedDriveOrAFolderOnItIsRefused) {
  harness::MappedDrive f(L'F', harness::DriveKind::Removable);
  MakeFile(e_ / L"Users\\bob\\Documents\\a.doc", 5);
  MakeFile(d_ / L"Users\\", 0);
  const bool linked = LinkOntoStick(L"", d_ / L"stick");
  const struct {
    const wchar_t* target;
    std::wstring profile;
    const wchar_t* says;
  } cases[] = {
      {L"", L"", L"fixed drive"},  {L"E", L"", L"fixed drive"}, {L"F", L"", L"fixed drive"},
      {L"D", L"C:\\users", L"user folder"}, {L"D", L"D:Users", L"user folder"}, {L"D", L"\\Users", L"user folder"},
      {L"D", d_ / L"Users\\nobody", L"user folder"},
      {L"D", d_ / L"stick\\Users\\bob", L"removable drive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(common::Utf8FromWide(c.profile));
    if (c.profile.find(L"stick") != std::wstring::npos && !linked) continue;  // no Unix link here
    Frmbackup& w = ReadyToUpload(c.profile);
    if (*c.target && *c.target != L'D') w.lstFixed.AddItem(c.target);
    *c.target ? SelectEntry(w.lstFixed, c.target) : w.lstFixed.SetListIndex(-1);
    ExpectMessages(1);
    w.CmdCopyToC.SetValue(true);
    EXPECT_NE(Messages().at(0).find(c.says), std::wstring::npos) << common::Utf8FromWide(Messages()[0]);
    EXPECT_FALSE(Exists(d_ / L"Users\\bob") || Exists(f / L"Users") || Exists(kUploadStatistics));
    EXPECT_EQ(harness::ReadFile(e_ / L"Users\\bob\\Documents\\a.doc").size(), 5u);
    ExpectIdle(w);
  }
  if (linked) RemoveLink(d_ / L"stick");
}

// Pause (or P) holds the upload, and a second Pause lets the upload, and
// nothing else, go on. Stopped, the upload records itself but neither
// claims success nor offers to wipe files that are not uploaded yet.
TEST_F(UploadTest, PauseHoldsTheUploadAndStopEndsItWithoutOfferingToClearTheDrive) {
  MakeFiles(e_ / L"many", 150, 2000);
  Frmbackup& w = ReadyToUpload();
  int32_t heldAt = -1;
  WhenReady([&] { return w.UploadCount > 0; }, [&] {
    w.OnKeyDown('P', 0);
    AtNextYield([&] {
      heldAt = w.UploadCount;
      EXPECT_TRUE(w.CmdContinue.Enabled());
      AtNextYield([&] {
        EXPECT_EQ(w.UploadCount, heldAt) << "the upload went on while paused";
        w.OnKeyDown('P', 0);
        // The second Pause resumes the upload alone: no backup's copy pass.
        EXPECT_TRUE(!w.CmdCToE.Enabled() && w.CmdPause.Enabled() && w.CmdStop.Enabled());
        WhenReady([&] { return w.UploadCount > heldAt; }, [&] { w.OnKeyDown(VK_ESCAPE, 0); });
      });
    });
  });
  w.CmdCopyToC.SetValue(true);
  EXPECT_GE(heldAt, 1);
  EXPECT_EQ(w.lblDir.Caption(), L"The upload was interrupted. The removable drive was not cleared.");
  ExpectIdle(w);
  EXPECT_LT(ReadUploadStatistics().at(0).first, 150);
  EXPECT_TRUE(Exists(kLastUploadStamp));
  EXPECT_TRUE(ReadStatistics().empty());  // no backup copy ran meanwhile
}

}  // namespace
}  // namespace ferrimond
