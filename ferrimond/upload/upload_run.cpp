// Start Upload: everything on the removable drive back onto the fixed
// drive, documents redirected into the chosen profile, an older copy never
// put over a newer one without asking.
#include <windows.h>

#include <string>
#include <vector>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "ferrimond/backup/run_text.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/at_exit.h"
#include "ferrimond/support/file_system_paths.h"
#include "ferrimond/support/file_times.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/text_file.h"
#include "ferrimond/upload/upload_paths.h"

namespace ferrimond {

namespace {

const wchar_t kSavedFileVersion[] = L"C:\\Program Files\\Ferrimond\\SavedFileVersion";
const wchar_t kLastUploadStampToWrite[] = L"C:\\Program files\\Ferrimond\\LastUploadT.tim";
const wchar_t kLogFolder[] = L"c:\\program files\\Ferrimond\\log";
const wchar_t kUploadStatistics[] = L"c:\\program files\\Ferrimond\\log\\uploadsta.sta";
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

}  // namespace

std::wstring Frmbackup::changeDirbasedOnUser(std::wstring s1) {
  return UploadFolder(s1, lstFixed.Text(), cmbUsers.Text());
}

void Frmbackup::CmdCopyToC_Click() {
  // One command at a time: a click while a backup, an upload or a clear
  // runs (inside one of its yields) starts nothing.
  if (RunActive) return;
  const RunOutcome outcome = UploadRun();
  // However the upload ended, the window is ready for the next command.
  fraUpload.SetBackColor(forms::kColorButtonFace);
  CmdCToE.SetEnabled(true);
  CmdStop.SetEnabled(false);
  forms::SetScreenMousePointer(forms::Pointer::Default);
  SetMousePointer(forms::Pointer::Default);
  if (outcome == RunOutcome::Aborted) {
    // Files that were not uploaded are only on the removable drive: no
    // offer to wipe it.
    lblDir.SetCaption(L"The upload was interrupted. The removable drive was not cleared.");
    lblStatus.SetCaption(L"");
  } else if (outcome != RunOutcome::Failed && !closeAfterRun_) {
    ClearRemovableDrive();
    if (outcome == RunOutcome::Complete && mnuCloseAutomatically.Checked()) {
      Shutdown();
      return;
    }
    if (outcome == RunOutcome::Complete) lblDir.SetCaption(L"All files have been uploaded !");
    lblStatus.SetCaption(L"");
  }
  if (closeAfterRun_) Shutdown();
}

Frmbackup::RunOutcome Frmbackup::UploadRun() {
  RunActive = true;
  const AtExit idle([this] { RunActive = false; });
  try {
    lblDir.SetCaption(L"Copying to harddrive");
    fraUpload.SetBackColor(forms::kColorInactiveCaptionText);
    CmdCToE.SetEnabled(false);
    // Stop (and Esc or R) ends the upload at the next file.
    CmdStop.SetEnabled(true);
    forms::DoEvents();

    AbortFlag = false;
    UploadCount = 0;
    UploadSize = 0;
    UploadDrive = lstRemovable.Text();
    PartialCopiesSkipped.clear();
    LinksSkipped.clear();
    FillStrArray();
    Watch().StartTimer();
    if (UploadDrive.empty()) common::Raise(common::ErrDiskNotReady);
    toc(FileSys().GetFolder(UploadDrive.substr(0, 1) + L":\\"));
    UploadSeconds = WholeSeconds(Watch().EndTimer());
    // A first upload before any backup has no log folder yet.
    if (!FileSys().FolderExists(kLogFolder)) BuildDir(kLogFolder);
    write_upload_sta();
    if (!FileSys().FolderExists(kProgramFolder)) BuildDir(kProgramFolder);
    WriteTextFile(kLastUploadStampToWrite,
                  RecordWriter().Date(common::DateTime(common::Now().Value() + 0.001)).EndRecord().Bytes());

    if (AbortFlag) return RunOutcome::Aborted;
    const size_t skipped = PartialCopiesSkipped.size() + LinksSkipped.size();
    if (skipped > 0) {
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
    return skipped > 0 ? RunOutcome::Incomplete : RunOutcome::Complete;
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

void Frmbackup::toc(const Folder& fld) {
  forms::DoEventsPaced();
  const std::wstring src = WithoutTrailingSeparator(fld.Path());
  const std::wstring dest = changeDirbasedOnUser(src);
  if (AbortFlag) return;
  FileSystem& fs = FileSys();
  const FolderListing listing = fld.List();
  // The mapped folder is made once, before its first new file.
  bool destMade = false;
  for (const File& file : listing.files) {
    forms::DoEventsPaced();
    if (AbortFlag) return;
    // What an interrupted backup left half-written is not a file.
    if (IsPartialCopyName(file.Name())) {
      PartialCopiesSkipped.push_back(file.Path());
      continue;
    }
    if (file.IsReparsePoint()) {
      LinksSkipped.push_back(file.Path());
      continue;
    }
    ShowUploadProgress(file.Path());
    const std::wstring& source = file.Path();
    const std::wstring target = dest + L"\\" + file.Name();
    WIN32_FILE_ATTRIBUTE_DATA existing;
    const bool targetExists =
        GetFileAttributesExW(SystemPath(FullPath(target)).c_str(), GetFileExInfoStandard, &existing) != FALSE &&
        (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (targetExists) {
      // The user's own read-only file is not replaced behind their back.
      if (existing.dwFileAttributes & FILE_ATTRIBUTE_READONLY) common::Raise(common::ErrPermissionDenied);
      if (CompareFileTime(&file.LastWriteTime(), &existing.ftLastWriteTime) == -1) {
        const std::wstring question = L"Do you want to overwrite \r\n" +
                                      Described(dest, fs.GetFile(target).Name(), existing.ftLastWriteTime) +
                                      L"\r\nwith \r\n" + Described(src, file.Name(), file.LastWriteTime());
        const forms::MsgResult answer =
            Ui().MsgBox(question, forms::MsgButtons::YesNo, forms::MsgIcon::None, L"Ferrimond");
        // The removable drive's copy is kept whatever the answer, under its
        // own folder path so that same-named files of other folders stay.
        const std::wstring saved = JoinPath(kSavedFileVersion, BelowRoot(src));
        if (!fs.FolderExists(saved)) BuildDir(saved);
        fs.CopyFile(source, saved + L"\\", true);
        if (answer != forms::MsgResult::Yes) continue;
      }
    } else if (!destMade) {
      CheckAndBuild1(fld, false);
      destMade = true;
    }
    fs.CopyFile(source, dest + L"\\", true);
    ++UploadCount;
    UploadSize += static_cast<double>(file.Size());
  }
  for (const Folder& sub : listing.subFolders) {
    if (AbortFlag) return;
    // Nothing on the removable drive leads off it: links are not followed.
    if (sub.IsReparsePoint()) {
      LinksSkipped.push_back(sub.Path());
      continue;
    }
    toc(sub);
  }
}

void Frmbackup::ShowUploadProgress(const std::wstring& path) {
  // Every file would cost three redraws under Wine; the box shows the file
  // of the moment a few times a second, which is all the eye takes in.
  const ULONGLONG now = GetTickCount64();
  if (now - progressShownAt_ < 100) return;
  progressShownAt_ = now;
  txtPrgBar.SetText(path);
}

void Frmbackup::UploadFolderChain(const std::wstring& folderPath) {
  const std::vector<std::wstring> levels = FolderLevels(FullPath(folderPath));
  FileSystem& fs = FileSys();
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
    const std::wstring mapped = changeDirbasedOnUser(*it);
    if (!fs.FolderExists(mapped)) fs.CreateFolder(mapped);
  }
}

void Frmbackup::write_upload_sta() {
  RecordWriter line;
  line.Date(common::Now()).Long(UploadCount).Double(UploadSize).Long(UploadSeconds).String(UploadDrive).EndRecord();
  AppendTextFile(kUploadStatistics, line.Bytes());
  FileSys().CopyFile(kUploadStatistics,
                     std::wstring(L"c:\\program files\\ferrimond\\log\\") + DateTag + L"_upload.sta", true);
}

}  // namespace ferrimond
