// Start Upload: everything on the removable drive back onto the fixed
// drive, documents redirected into the chosen profile, an older copy never
// put over a newer one without asking.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "common/text_codec.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/backup/run_wait.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/case_fold.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/text_file.h"
#include "ferrimond/upload/upload_paths.h"

namespace ferrimond {

namespace {

// Where `path` of the fixed drive really is when a link lies on its way:
// the final path of its nearest folder that is there, with the rest; empty
// when no link does (a drive of its own or a subst drive: its path).
std::wstring RealPlace(const FileSystem& fs, const std::wstring& path) {
  for (size_t cut = path.find(L'\\', 3);; cut = path.find(L'\\', cut + 1)) {
    const DWORD attributes = GetFileAttributesW(SystemPath(path.substr(0, cut)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) break;
    if (cut == std::wstring::npos) return {};
  }
  std::wstring known = path, rest;
  for (;;) {
    if (const std::optional<std::wstring> real = fs.FinalPath(known)) return rest.empty() ? *real : JoinPath(*real, rest);
    const size_t cut = known.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut + 1 >= known.size()) return path;
    rest = rest.empty() ? known.substr(cut + 1) : known.substr(cut + 1) + L"\\" + rest;
    known.resize(cut == 2 ? 3 : cut);
  }
}

const wchar_t kSavedFileVersion[] = L"C:\\Program Files\\Ferrimond\\SavedFileVersion";
const wchar_t kLastUploadStampToWrite[] = L"C:\\Program files\\Ferrimond\\LastUploadT.tim";
const wchar_t kLogFolder[] = L"c:\\program files\\Ferrimond\\log";
const wchar_t kUploadStatistics[] = L"c:\\program files\\Ferrimond\\log\\uploadsta.sta";
const wchar_t kLeftoverText[] =
    L"A copy cut short by an earlier backup, whose file is missing from the removable drive: it may be "
    L"the drive's only copy. Check it, and copy it yourself where it belongs if you need it.";
const wchar_t kTooDeepText[] =
    L"The folder lies more than 100 levels deep: nothing in it was uploaded.";
// As deep as the backup's mirror goes.
constexpr int kMaxLevels = 100;
// Copies whose last-write times lie this close together (FAT keeps them in
// 2-second steps) count as equally old: in 100-nanosecond units.
constexpr int64_t kSameTime = 2 * 10'000'000LL;
// FAT keeps local times, which Windows reads with today's daylight-saving
// offset: across a clock change a copy there looks an hour newer (or older)
// than it is.
constexpr int64_t kClockChange = 3600 * 10'000'000LL;
const wchar_t kBadNameText[] =
    L"The name holds a character that no file name on Windows may hold (the drive was written elsewhere): "
    L"rename it there, then upload it.";
const wchar_t kLinkOntoDriveText[] =
    L"This leads, through a link on the fixed drive, back onto the removable drive (or the link's target "
    L"cannot be found): nothing was written through it.";
const wchar_t kPathNotFoundText[] =
    L"Make sure you have a directory on removable disk!\r\n Make sure the file you are accessing is closed!";

// A file's place and time as the question shows it: folder, name as
// stored, last-write time.
std::wstring Described(const std::wstring& folder, const std::wstring& name, const FILETIME& written) {
  return folder + L"\\" + name + L" " + common::DateText(FileTimeToDate(written, true));
}

// The root of the folder path, without its trailing "\" ("E:\" gives "E:").
std::wstring WithoutTrailingSeparator(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

int64_t Ticks(const FILETIME& t) { return static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime); }

// The reason a file was not uploaded, as the list shows it.
std::wstring Reason(const common::NumberedError& e) {
  if (e.Number() == common::ErrDiskFull) return L"The fixed drive is full.";
  if (e.Number() == common::ErrAlreadyExists)
    return L"The fixed drive holds a folder of that name, or a file came there during the upload: it was kept.";
  if (e.Number() == common::ErrPermissionDenied)
    return e.Description() + L" (the file may be open in another program, or may not be written here)";
  // Error 9: its place on the fixed drive, or in SavedFileVersion, lies more
  // than 100 levels deep.
  if (e.Number() == 9) return L"Its place on the fixed drive lies more than 100 levels deep.";
  return e.Description();
}

}  // namespace

std::wstring Frmbackup::changeDirbasedOnUser(std::wstring s1) {
  return UploadFolder(s1, UploadFixed, UploadProfile);
}

void Frmbackup::CmdCopyToC_Click() {
  // One command at a time: a click while a backup, an upload or a clear
  // runs (inside one of its yields or prompts) starts nothing.
  if (RunActive) return;
  bool closeNow = false;
  {
    // Held to the end of the wipe question, so that nothing pressed inside
    // it starts a run whose files the wipe would take.
    RunActive = true;
    uploading_ = true;
    const AtExit idle([this] {
      uploading_ = false;
      nothingToPause_ = false;
      RunActive = false;
      // However the upload ended, the window is ready for the next command.
      fraUpload.SetBackColor(forms::kColorButtonFace);
      EndPause();
      ShowIdleControls();
    });
    ShowRunPhase(RunPhase::Running);
    const RunOutcome outcome = UploadRun();
    uploading_ = false;
    nothingToPause_ = true;
    CmdStop.SetEnabled(false);
    CmdPause.SetEnabled(false);
    CmdContinue.SetEnabled(false);
    ShowDefaultPointers();
    if (outcome == RunOutcome::Aborted) {
      // Files that were not uploaded are only on the removable drive: no
      // offer to wipe it.
      lblDir.SetCaption(L"The upload was interrupted. The removable drive was not cleared.");
      lblStatus.SetCaption(L"");
    } else if (outcome != RunOutcome::Failed && !closeAfterRun_) {
      // Files passed over have their only copy on the drive.
      if (NotUploaded.empty()) ClearRemovableDrive(UploadDrive, UploadMedium);
      closeNow = outcome == RunOutcome::Complete && mnuCloseAutomatically.Checked();
      if (outcome == RunOutcome::Complete && !closeNow) lblDir.SetCaption(L"All files have been uploaded !");
      lblStatus.SetCaption(L"");
    }
  }
  if (closeNow || closeAfterRun_) Shutdown();
}

std::wstring Frmbackup::UploadTargetRefusal() {
  const std::wstring nothing = L" Nothing has been uploaded.";
  if (UploadFixed.empty()) return L"Please choose the fixed drive to upload onto." + nothing;
  const std::wstring root = UploadFixed.substr(0, 1) + L":";
  if (towupper(UploadFixed[0]) == towupper(UploadDrive[0]))
    return L"The removable drive " + root + L" cannot be uploaded onto itself. Please choose a fixed drive." +
           nothing;
  // The drive's type alone: a letter with no drive is no fixed drive either.
  if (Drive(UploadFixed[0]).DriveType() != DriveFixed)
    return L"Drive " + root + L" is not a fixed drive. Please choose a fixed drive to upload onto." + nothing;
  // The User box takes any text: documents go only into a folder of the
  // fixed drive ("D:\..."), and never back onto the removable drive
  // through a link.
  if (UploadProfile.empty()) return {};
  const std::wstring& profile = UploadProfile;
  const bool onFixed = profile.size() >= 3 && towupper(profile[0]) == towupper(UploadFixed[0]) &&
                       profile[1] == L':' && profile[2] == L'\\';
  if (!onFixed || !FileSys().FolderExists(profile))
    return L"The user folder \"" + profile + L"\" is not a folder on the fixed drive " + root +
           L". Please choose a user folder on that drive, or none." + nothing;
  const std::optional<std::wstring> real = FileSys().FinalPath(profile);
  if (real && real->size() >= 2 && (*real)[1] == L':' && towupper((*real)[0]) == towupper(UploadDrive[0]))
    return L"The user folder \"" + profile + L"\" leads onto the removable drive " + UploadDrive.substr(0, 1) +
           L":. Please choose a user folder on the fixed drive." + nothing;
  return {};
}

Frmbackup::RunOutcome Frmbackup::UploadRun() {
  try {
    // What the upload reads, taken once: later changes of the lists do not
    // reach it.
    UploadDrive = lstRemovable.Text();
    UploadFixed = lstFixed.Text();
    UploadProfile = cmbUsers.Text();
    UploadStart = common::Now();
    // Less FAT's step: a save on the drive in the upload's first seconds may
    // be dated before its start.
    GetSystemTimeAsFileTime(&UploadStartUtc);
    const auto since = static_cast<uint64_t>(Ticks(UploadStartUtc) - kSameTime);
    UploadStartUtc = {static_cast<DWORD>(since), static_cast<DWORD>(since >> 32)};
    AbortFlag = false;
    EndPause();
    UploadCount = 0;
    UploadSize = 0;
    progressShownAt_ = 0;  // its first file is shown at once
    PartialCopiesSkipped.clear();
    LinksSkipped.clear();
    NotUploaded.clear();
    UploadTargets.clear();
    UploadMedium.reset();
    uploadMediumChanged_ = false;
    if (UploadDrive.empty()) common::Raise(common::ErrDiskNotReady);
    if (const std::wstring refusal = UploadTargetRefusal(); !refusal.empty()) {
      Ui().MsgBox(refusal, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
      lblDir.SetCaption(L"The upload did not start.");
      return RunOutcome::Failed;
    }

    lblDir.SetCaption(L"Copying to harddrive");
    fraUpload.SetBackColor(forms::kColorInactiveCaptionText);
    // Stop (and Esc or R) ends the upload at the next file; Pause (or P)
    // holds it until Continue or a second Pause.
    CmdStop.SetEnabled(true);
    CmdPause.SetEnabled(true);
    CmdContinue.SetEnabled(false);
    forms::DoEvents();

    FillStrArray();
    Watch().StartTimer();
    const Folder root = FileSys().GetFolder(UploadDrive.substr(0, 1) + L":\\");
    const Drive drive = FileSys().GetDrive(root.Path());
    UploadMedium = drive.Medium();
    UploadClearlyNewer = kSameTime + (drive.FileSystemName().starts_with(L"FAT") ? kClockChange : 0);
    toc(root);
    UploadSeconds = WholeSeconds(Watch().EndTimer());
    // A first upload before any backup has no log folder yet.
    if (!FileSys().FolderExists(kLogFolder)) BuildDir(kLogFolder);
    write_upload_sta();
    if (!FileSys().FolderExists(kProgramFolder)) BuildDir(kProgramFolder);
    // The start: whatever is saved on the fixed drive from then on is newer
    // than the stamp, and "Backup from last upload" takes it.
    WriteTextFile(kLastUploadStampToWrite, RecordWriter().Date(UploadStart).EndRecord().Bytes());

    // The medium is checked whenever the upload waited, and at its end: one
    // put into the drive meanwhile would have been read from then on.
    if (uploadMediumChanged_ || (!AbortFlag && !UploadMediumStays())) {
      lblDir.SetCaption(L"The upload stopped: the removable drive was taken out or changed.");
      std::wstring text = L"The removable drive " + UploadDrive +
                          L": was taken out or changed during the upload, so not all of its files were uploaded. "
                          L"Put back the drive you started with and upload again.";
      if (!NotUploaded.empty()) text += L"\r\nThe files that could not be uploaded are listed in " + WriteNotUploadedList() + L".";
      Ui().MsgBox(text, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
      return RunOutcome::Failed;
    }
    if (AbortFlag) return RunOutcome::Aborted;
    const size_t skipped = PartialCopiesSkipped.size() + LinksSkipped.size();
    if (!NotUploaded.empty()) {
      const std::wstring text = L"Upload finished, but " + std::to_wstring(NotUploaded.size()) +
                                L" file(s) could not be uploaded. They are still on the removable drive, "
                                L"which was therefore not cleared.";
      const std::wstring listFile = WriteNotUploadedList();
      lblDir.SetCaption(text);
      Ui().MsgBox(text + L"\r\nThe list of them, with the reasons, is in " + listFile + L".",
                  forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
    } else if (skipped > 0) {
      std::wstring text = L"Not uploaded from the removable drive:";
      if (!PartialCopiesSkipped.empty())
        text += L"\r\n" + std::to_wstring(PartialCopiesSkipped.size()) +
                L" unfinished copy (copies) left by an interrupted backup, for example " +
                PartialCopiesSkipped.front();
      if (!LinksSkipped.empty())
        text += L"\r\n" + std::to_wstring(LinksSkipped.size()) +
                L" folder link(s), which are never followed, for example " + LinksSkipped.front();
      Ui().MsgBox(text, forms::MsgButtons::Ok, forms::MsgIcon::Exclamation);
      lblDir.SetCaption(L"Upload finished, but " + std::to_wstring(skipped) +
                        L" item(s) on the removable drive were not uploaded.");
    }
    return skipped > 0 || !NotUploaded.empty() ? RunOutcome::Incomplete : RunOutcome::Complete;
  } catch (const common::NumberedError& e) {
    if (e.Number() == common::ErrPathNotFound) {
      Ui().MsgBox(kPathNotFoundText);
    } else {
      Ui().MsgBox(L"Error code" + std::to_wstring(e.Number()) + L" was generated");
    }
    lblStatus.SetCaption(L"");
    lblDir.SetCaption(L"The upload stopped because of an error.");
    return RunOutcome::Failed;
  }
}

void Frmbackup::UploadPauseHandler() {
  CmdContinue.SetEnabled(true);
  while (PauseFlag && !AbortFlag) {
    WaitBriefly();
    // A window that is closing cannot be resumed; end the pause with it.
    if (IsUnloaded()) PauseFlag = false;
  }
  CmdContinue.SetEnabled(false);
  UploadMediumStays();
}

bool Frmbackup::UploadMediumStays() {
  if (!uploadMediumChanged_ && FileSys().MediumIn(UploadDrive.substr(0, 1) + L":\\") == UploadMedium) return true;
  uploadMediumChanged_ = true;
  AbortFlag = true;
  return false;
}

void Frmbackup::toc(const Folder& fld, int depth, const UploadForms* parent) {
  forms::DoEventsPaced();
  if (PauseFlag) UploadPauseHandler();
  const std::wstring src = WithoutTrailingSeparator(fld.Path());
  const std::wstring dest = changeDirbasedOnUser(src);
  if (AbortFlag) return;
  if (depth > kMaxLevels) {
    NotUploaded.push_back({fld.Path(), kTooDeepText});
    return;
  }
  FolderListing listing;
  try {
    listing = fld.List();
  } catch (const common::NumberedError& e) {
    // A folder that cannot be read is one entry of the list, not the end.
    NotUploaded.push_back({fld.Path(), Reason(e)});
    return;
  }
  // Names from a listing add nothing FullPath would change: a folder's
  // forms are its parent's with its name, and so are those of its place,
  // unless a profile's documents are mapped elsewhere.
  const std::wstring name = parent ? fld.Name() : std::wstring();
  const PathForms srcForms = parent ? PathForms(parent->src, name) : PathForms(fld.Path());
  PathForms destForms = parent ? PathForms(parent->dest, name) : PathForms(FullPath(dest));
  const bool mappedElsewhere = parent && destForms.Full() != dest;
  if (mappedElsewhere) destForms = PathForms(FullPath(dest));
  const std::wstring& fullDest = destForms.Full();
  // The mapped folder is made once, before its first new file.
  const uint32_t destAttributes = GetFileAttributesW(destForms.System().c_str());
  bool destMade = destAttributes != INVALID_FILE_ATTRIBUTES && (destAttributes & FILE_ATTRIBUTE_DIRECTORY);
  // Two folders of the drive can lead to one place through a link of the
  // fixed drive ("Documents and Settings" to "Users"): files are told
  // apart by where they really go.
  std::wstring realDest;
  if (destAttributes != INVALID_FILE_ATTRIBUTES && (destAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // What is written through a link of the fixed drive must stay off the
    // removable drive, which the wipe clears.
    const std::optional<std::wstring> real = FileSys().FinalPath(fullDest);
    if (LeadsOntoRemovableDrive(real)) {
      NotUploaded.push_back({fld.Path(), kLinkOntoDriveText});
      return;
    }
    realDest = *real;
  } else if (mappedElsewhere) {
    // The chosen profile itself may be reached through a link.
    realDest = RealPlace(FileSys(), fullDest);
  } else if (parent && !parent->real.empty()) {
    realDest = JoinPath(parent->real, name);
  }
  // The leftover names the folder's files would have (upper case), made at
  // the first leftover: one whose file is missing may be the drive's only
  // copy of it.
  std::optional<std::unordered_set<std::wstring>> leftoverNames;
  for (const File& file : listing.files) {
    forms::DoEventsPaced();
    if (PauseFlag) UploadPauseHandler();
    if (AbortFlag) return;
    // What an interrupted backup left half-written is not a file.
    if (IsPartialCopyName(file.Name())) {
      if (!leftoverNames) {
        leftoverNames.emplace();
        for (const File& other : listing.files)
          if (!IsPartialCopyName(other.Name())) leftoverNames->insert(UpperText(PartialCopyName(other.Name())));
      }
      if (leftoverNames->contains(UpperText(file.Name()))) {
        PartialCopiesSkipped.push_back(file.Path());
      } else {
        NotUploaded.push_back({file.Path(), kLeftoverText});
      }
      continue;
    }
    if (file.IsReparsePoint()) {
      LinksSkipped.push_back(file.Path());
      continue;
    }
    if (!IsWindowsFileName(file.Name())) {
      NotUploaded.push_back({file.Path(), kBadNameText});
      continue;
    }
    ShowUploadProgress(file.Path());
    try {
      if (UploadFile(file, src, dest, srcForms, destForms, realDest, destMade, fld)) {
        ++UploadCount;
        UploadSize += static_cast<double>(file.Size());
      }
    } catch (const common::NumberedError& e) {
      // One file that cannot be written does not stop the others.
      NotUploaded.push_back({file.Path(), Reason(e)});
    }
  }
  const bool root = fld.IsRootFolder();
  for (const Folder& sub : listing.subFolders) {
    if (AbortFlag) return;
    // Nothing on the removable drive leads off it: links are not followed.
    if (sub.IsReparsePoint()) {
      LinksSkipped.push_back(sub.Path());
      continue;
    }
    // The system's own folders of the drive hold nothing of the user's.
    if (root && IsDriveSystemFolder(sub.Name())) continue;
    if (!IsWindowsFileName(sub.Name())) {
      NotUploaded.push_back({sub.Path(), kBadNameText});
      continue;
    }
    const UploadForms forms{srcForms, destForms, realDest};
    toc(sub, depth + 1, &forms);
  }
}

bool Frmbackup::UploadFile(const File& file, const std::wstring& src, const std::wstring& dest,
                           const PathForms& srcForms, const PathForms& destForms, const std::wstring& realDest,
                           bool& destMade, const Folder& fld) {
  FileSystem& fs = FileSys();
  const PathForms targetForms(destForms, file.Name());
  const std::wstring& target = targetForms.Full();
  // Two files of the drive can lead to one file of the fixed drive (two
  // profiles' documents into the chosen one, or through a link): the first
  // stays.
  const std::wstring realTarget = realDest.empty() ? std::wstring() : JoinPath(realDest, file.Name());
  const std::wstring& key = realDest.empty() ? target : realTarget;
  if (const auto first = UploadTargets.find(key); first != UploadTargets.end()) {
    if (fs.SameBytes(file.Path(), target)) return true;
    SaveVersion(file.Path(), file.Name(), src);
    NotUploaded.push_back({file.Path(), L"It goes to the same place (" + target + L") as " + first->second +
                                            L", which came first: it was not written over it. A copy is in " +
                                            JoinPath(kSavedFileVersion, BelowRoot(src)) + L"."});
    return false;
  }
  WIN32_FILE_ATTRIBUTE_DATA existing;
  const bool targetExists =
      GetFileAttributesExW(targetForms.System().c_str(), GetFileExInfoStandard, &existing) != FALSE &&
      (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  if (targetExists) {
    // A file link of the fixed drive is written through only where it
    // stays off the removable drive.
    if ((existing.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && LeadsOntoRemovableDrive(fs.FinalPath(target))) {
      NotUploaded.push_back({file.Path(), kLinkOntoDriveText});
      return false;
    }
    // The user's own read-only file is not replaced behind their back.
    if (existing.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      NotUploaded.push_back({file.Path(), L"The file on the fixed drive (" + target + L") is read-only."});
      return false;
    }
    // The same contents are left as they are, whatever the times say (FAT's
    // are 2-second steps); only a file of the same size can hold them.
    const uint64_t existingSize = (uint64_t{existing.nFileSizeHigh} << 32) | existing.nFileSizeLow;
    // A link's own size says nothing of its target's.
    const bool sameSize =
        existingSize == file.Size() || (existing.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    // Other contents replace the fixed drive's without a question only when
    // clearly newer.
    if (Ticks(file.LastWriteTime()) - Ticks(existing.ftLastWriteTime) <= UploadClearlyNewer) {
      if (sameSize && fs.SameBytes(file.Path(), target)) {
        UploadTargets.emplace(key, file.Path());
        return true;
      }
      // A link there to this very file is no copy of it.
      if (fs.SameFile(file.Path(), target)) {
        NotUploaded.push_back({file.Path(), kLinkOntoDriveText});
        return false;
      }
      // The place is this file's from the question on, whatever the answer:
      // another file for it is kept back, not put over the one kept here.
      UploadTargets.emplace(key, file.Path());
      const std::wstring fixedName = fs.GetFile(target).Name();
      const std::wstring question = L"Do you want to overwrite \r\n" +
                                    Described(dest, fixedName, existing.ftLastWriteTime) +
                                    L"\r\nwith \r\n" + Described(src, file.Name(), file.LastWriteTime());
      const forms::MsgResult answer =
          Ui().MsgBox(question, forms::MsgButtons::YesNo, forms::MsgIcon::None, L"Ferrimond");
      if (!UploadMediumStays()) return false;
      // The removable drive's copy is kept whatever the answer, and the
      // fixed drive's before it is replaced.
      SaveVersion(file.Path(), file.Name(), src);
      if (answer != forms::MsgResult::Yes) return false;
      SaveVersion(target, fixedName, dest);
    } else if (sameSize) {
      // The copy compares first, reading the source through the handle it
      // copies from.
      fs.CopyFileUnlessSame(PathForms(srcForms, file.Name()), targetForms);
      UploadTargets.emplace(key, file.Path());
      return true;
    }
  } else if (!destMade) {
    CheckAndBuild1(fld, false);
    destMade = true;
  }
  // A file that came to the fixed drive since it was looked at is not
  // replaced.
  fs.CopyFile(PathForms(srcForms, file.Name()), targetForms, targetExists);
  UploadTargets.emplace(key, file.Path());
  return true;
}

bool Frmbackup::LeadsOntoRemovableDrive(const std::optional<std::wstring>& real) {
  return !real || real->size() < 2 || (*real)[1] != L':' || towupper((*real)[0]) == towupper(UploadDrive[0]);
}

void Frmbackup::SaveVersion(const std::wstring& path, const std::wstring& name, const std::wstring& folder) {
  // Under its own folder path, so that same-named files of other folders
  // stay; a version saved before is never replaced: a later one gets the
  // next free "name (n)", unless it is the same as one saved already.
  FileSystem& fs = FileSys();
  const std::wstring saved = JoinPath(kSavedFileVersion, BelowRoot(folder));
  if (!fs.FolderExists(saved)) BuildDir(saved);
  for (int n = 1;; ++n) {
    const std::wstring copy = saved + L"\\" + (n == 1 ? name : SavedVersionName(name, n));
    if (!fs.FileExists(copy)) {
      fs.CopyFile(path, copy, false);
      return;
    }
    if (fs.SameBytes(path, copy)) return;
  }
}

std::wstring Frmbackup::WriteNotUploadedList() {
  // Beside the backup's list of what it missed: a heading per upload, then
  // one line per path with the reason after a tab.
  std::wstring text = L"Upload started " + common::DateText(common::Now()) + L" from " + UploadDrive +
                      L": " + std::to_wstring(NotUploaded.size()) + L" file(s) not uploaded\r\n";
  for (const NotBackedUp& entry : NotUploaded) text += entry.path + L"\t" + entry.reason + L"\r\n";
  const std::wstring path = std::wstring(kLogFolder) + L"\\" + DateTag + L"_notuploaded.txt";
  AppendTextFile(path, common::Utf8FromWide(text));
  return path;
}

void Frmbackup::ShowUploadProgress(const std::wstring& path) {
  // Every file would cost three redraws under Wine; the box shows the file
  // of the moment a few times a second, which is all the eye takes in.
  const ULONGLONG now = GetTickCount64();
  if (now - progressShownAt_ < 100) return;
  progressShownAt_ = now;
  txtPrgBar.SetText(path);
}

void Frmbackup::write_upload_sta() {
  RecordWriter line;
  line.Date(common::Now()).Long(UploadCount).Double(UploadSize).Long(UploadSeconds).String(UploadDrive).EndRecord();
  AppendTextFile(kUploadStatistics, line.Bytes());
  FileSys().CopyFile(kUploadStatistics,
                     std::wstring(L"c:\\program files\\ferrimond\\log\\") + DateTag + L"_upload.sta", true);
}

}  // namespace ferrimond
