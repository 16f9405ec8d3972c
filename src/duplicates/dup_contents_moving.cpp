#include "duplicates/dup_contents_moving.h"

#include <QDir>
#include <QFileInfo>

#include "runtime/file_iterator.h"
#include "runtime/messages.h"
#include "runtime/panic.h"
#include "runtime/safe_move.h"

namespace {

// The name with its extension (from the last dot) replaced by ext, which
// starts with a dot; a name without extension gets ext added.
QString WithExtension(const QString& name, const QString& ext) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return (dot > 0 ? name.left(dot) : name) + ext;
}

bool IsFile(const QString& path) {
  const QFileInfo fi(path);
  return fi.exists() && fi.isFile();
}

}  // namespace

QString MovedFilesWord() { return LX("LXMoved"); }

QString MovedFileTarget(const QString& full_name) {
  const QFileInfo fi(full_name);
  const QString folder = fi.absolutePath() + QLatin1Char('/') + MovedFilesWord();
  return folder + QLatin1Char('/') + WithExtension(fi.fileName(), QLatin1Char('.') + MovedFilesWord());
}

QString RestoreTarget(const QString& moved_full_name) {
  const QFileInfo fi(moved_full_name);
  const QDir moved_folder = fi.absoluteDir();
  if (moved_folder.dirName().compare(MovedFilesWord(), Qt::CaseInsensitive) != 0) return QString();
  QString above = QFileInfo(moved_folder.absolutePath()).absolutePath();
  if (!above.endsWith(QLatin1Char('/'))) above += QLatin1Char('/');
  return above + WithExtension(fi.fileName(), QStringLiteral(".txt"));
}

std::vector<TPlannedFileMove> PlanMovesNotKept(const TFileDuplicateContentsSeeker& seeker) {
  std::vector<TPlannedFileMove> plan;
  const TDuplicateContentsListWithKeepInt& groups = seeker.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    const TDupContentListAndInt group = groups.Group(g);
    for (int m = 0; m < group.dup_contents_list->Count(); ++m) {
      if (m == group.which_to_keep) continue;
      const QString from = seeker.FullFilename(group.dup_contents_list->GetAValue(m).file_index);
      if (IsFile(from)) plan.push_back({from, MovedFileTarget(from)});
    }
  }
  return plan;
}

int MoveFilesNotKept(const TFileDuplicateContentsSeeker& seeker,
                     const std::function<void(int, int)>& on_group, QStringList* failures) {
  int moved = 0;
  const TDuplicateContentsListWithKeepInt& groups = seeker.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    MyYieldProcess();
    if (StopRequested()) break;
    if (on_group) on_group(g, groups.Count());
    const TDupContentListAndInt group = groups.Group(g);
    for (int m = 0; m < group.dup_contents_list->Count(); ++m) {
      if (m == group.which_to_keep) continue;
      const QString from = seeker.FullFilename(group.dup_contents_list->GetAValue(m).file_index);
      if (!IsFile(from)) continue;
      const QString to = MovedFileTarget(from);
      QString error;
      if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        if (failures) *failures << from;
        continue;
      }
      if (SafeMoveFile(from, to, &error) == SafeFileResult::Done) {
        ++moved;
      } else if (failures) {
        *failures << from;
      }
    }
  }
  return moved;
}

std::vector<TPlannedFileMove> PlanRestore(const QString& folder) {
  std::vector<TPlannedFileMove> plan;
  TFileAndDirIterator it;
  it.HeadDir = folder;
  it.IncludeSubFolders = true;
  it.FileMask = QStringLiteral("*.") + MovedFilesWord();
  it.IterateFindingFiles();
  it.BuildDetailedList(TFileSortOrder::ByName);
  const TFolderEfficientFileStringlist& found = it.FilesFound();
  for (int i = 0; i < found.Count(); ++i) {
    const QString from = found.GetFullFilename(i);
    const QString to = RestoreTarget(from);
    if (!to.isEmpty()) plan.push_back({from, to});
  }
  return plan;
}

bool RestoreOneMovedFile(const QString& full_name,
                         const std::function<void(const QString&, const QString&)>& on_failure) {
  MyYieldProcess();
  const QString to = RestoreTarget(full_name);
  if (to.isEmpty()) return false;
  if (!QFileInfo::exists(to) && SafeMoveFile(full_name, to) == SafeFileResult::Done) return true;
  if (on_failure) on_failure(full_name, to);
  return false;
}

TRestoreOutcome RestoreMovedFiles(const QString& folder,
                                  const std::function<void(const QString&, const QString&)>& on_failure,
                                  const std::function<void(int, int)>& on_file) {
  TRestoreOutcome outcome;
  const std::vector<TPlannedFileMove> plan = PlanRestore(folder);
  outcome.found = static_cast<int>(plan.size());
  for (std::size_t k = 0; k < plan.size(); ++k) {
    if (StopRequested()) break;
    if (on_file) on_file(static_cast<int>(k), outcome.found);
    if (RestoreOneMovedFile(plan[k].from, on_failure)) ++outcome.restored;
  }
  return outcome;
}
