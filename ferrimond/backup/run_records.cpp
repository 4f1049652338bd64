// What a backup run leaves besides the copies: the day's list of paths, the
// last-backup stamp, the sizes of the selection and the statistics line.
#include <windows.h>

#include <string>
#include <utility>

#include "common/date_text.h"
#include "common/numbered_error.h"
#include "common/text_codec.h"
#include "ferrimond/mainwindow/date_tag.h"
#include "ferrimond/mainwindow/frmbackup.h"
#include "ferrimond/support/record_line.h"
#include "ferrimond/support/stop_watch.h"
#include "ferrimond/support/text_file.h"

namespace ferrimond {

namespace {

const wchar_t kLogFolder[] = L"c:\\program files\\Ferrimond\\Log";
const wchar_t kLastBackupStampToWrite[] = L"C:\\Program files\\Ferrimond\\LastBackupT.tim";
const wchar_t kStatisticsFile[] = L"c:\\program files\\ferrimond\\log\\backupsta.sta";
const wchar_t kFnmHeader[] =
    L"look in backupsta.sta, time,File checked,file selected,totalsize of files, search time, "
    L"write time, total time, Drive";

// A file of the log folder named after the day's tag.
std::wstring DayLogFile(const std::wstring& dateTag, const wchar_t* ending) {
  return std::wstring(L"c:\\program files\\Ferrimond\\log\\") + dateTag + ending;
}

}  // namespace

void Frmbackup::SaveFileName(const std::shared_ptr<ListItem>& first) {
  // BuildDir makes the program folder too.
  if (!FileSys().FolderExists(kLogFolder)) BuildDir(kLogFolder);
  const common::DateTime today = common::Now();
  DateTag = MakeDateTag(common::ShortDateText(today), today);

  RecordWriter lines;
  for (const ListItem* item = first.get(); item; item = item->NextItem.get()) {
    forms::DoEventsPaced();
    lines.String(item->Value).EndRecord();
  }
  lines.String(L"start backup at: " + common::DateText(RunStart)).EndRecord();
  lines.String(kFnmHeader).EndRecord();
  AppendTextFile(DayLogFile(DateTag, L".fnm"), lines.Bytes());

  // Only a run that backed up everything since the stamp it found moves the
  // last-backup time on: a later "from last backup" must still find what
  // this run left behind, and what changed before a later threshold.
  constexpr double kHalfSecond = 0.5 / 86400;
  if (RunComplete() && (!StampFound || Threshold.Value() <= StampFound->Value() + kHalfSecond))
    WriteTextFile(kLastBackupStampToWrite, RecordWriter().Date(RunStart).EndRecord().Bytes());
}

std::wstring Frmbackup::WriteNotBackedUpList(const std::wstring& heading,
                                             const std::vector<NotBackedUp>& files) {
  if (!FileSys().FolderExists(kLogFolder)) BuildDir(kLogFolder);
  // One block per run: when it started and what it says, then one line per
  // path with the reason after a tab.
  std::wstring text = L"Backup started " + common::DateText(RunStart) + L": " + heading + L"\r\n";
  for (const std::vector<NotBackedUp>* group : {&std::as_const(FoldersNotRead), &files}) {
    for (const NotBackedUp& entry : *group) text += entry.path + L"\t" + entry.reason + L"\r\n";
  }
  const std::wstring path = DayLogFile(DateTag, L"_notcopied.txt");
  AppendTextFile(path, common::Utf8FromWide(text));
  return path;
}

void Frmbackup::Size_file(List& list) {
  FileSizes.assign(static_cast<size_t>(FilesSelected < 0 ? 0 : FilesSelected) + 1, 0.0);
  FileSystem& fs = FileSys();
  size_t i = 0;
  // Every entry is sized, however long the list; a file that cannot be
  // sized (gone since the walk) counts 0 and the rest are still summed.
  for (const ListItem* item = list.Head().get(); item; item = item->NextItem.get(), ++i) {
    // Sizing 2,000 files kept the window from its messages for 40 ms.
    forms::DoEventsPaced();
    if (item->Value.empty()) continue;
    try {
      // The walk's date test read the files it selected.
      auto sized = SizedFiles.find(item->Value);
      if (sized == SizedFiles.end()) {
        const File file = fs.GetListedFile(item->Value);
        sized = SizedFiles.emplace(item->Value, SizedEntry{file.Size(), file.IsReparsePoint()}).first;
      }
      const double size = static_cast<double>(sized->second.size);
      if (i >= FileSizes.size()) FileSizes.resize(i + 1, 0.0);
      FileSizes[i] = size;
      TotalSize += size;
    } catch (const common::NumberedError& e) {
      if (e.Number() == common::ErrInvalidArgument) Ui().MsgBox(L"Error 5 still here!");
    }
  }
}

void Frmbackup::Write_Statistics() {
  RecordWriter line;
  line.Date(common::Now())
      .Long(FilesChecked)
      .Long(FilesSelected)
      .Double(TotalSize)
      .Long(SearchSeconds)
      .Long(WriteSeconds)
      .Long(TotalSeconds)
      .String(DriveText)
      .EndRecord();
  AppendTextFile(kStatisticsFile, line.Bytes());
  FileSys().CopyFile(kStatisticsFile, DayLogFile(DateTag, L"_backup.sta"), true);
}

}  // namespace ferrimond
