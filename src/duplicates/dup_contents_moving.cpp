#include "duplicates/dup_contents_moving.h"

#include <QDir>
#include <QFileInfo>

#include "runtime/file_walker.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/safe_move.h"
#include "runtime/tree_lock.h"

namespace {

// The name with its extension (from the last dot) replaced by ext, which
// starts with a dot; a name without extension gets ext added.
QString WithExtension(const QString& name, const QString& ext) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return (dot > 0 ? name.left(dot) : name) + ext;
}

bool IsFile(const QString& path) { return IsExistingFile(path); }

// The reason text of a failed move: what kind of failure, and the system's
// own words for it.
QString MoveFailureReason(SafeFileResult result, const QString& to, const QString& error) {
  const QString why = error.isEmpty() ? QStringLiteral("unknown error") : error;
  switch (result) {
    case SafeFileResult::TargetExists:
      return QStringLiteral("not moved: \"%1\" exists (%2)").arg(to, why);
    case SafeFileResult::SourceMissing:
      return QStringLiteral("not moved: the file is gone (%1)").arg(why);
    default:
      return QStringLiteral("not moved to \"%1\": %2").arg(to, why);
  }
}

}  // namespace

QString MovedFilesWord() { return LX("LXMoved"); }

QString MoveThroughLinkRefusal(const QString& path, const QString& tree) {
  const QFileInfo file(path);
  if (file.isSymLink()) return QStringLiteral("not moved: the name is a symbolic link");
  const QString root = QDir::cleanPath(QDir(tree).absolutePath());
  const QString folder = QDir::cleanPath(file.absolutePath());
  if (folder != root && !folder.startsWith(root + QLatin1Char('/')))
    return QStringLiteral("not moved: outside the folder searched");
  // The folder reached without any link is the one whose real path is the
  // tree's real path followed by the same names.
  const QString real_root = CanonicalPath(root);
  const QString real_folder = CanonicalPath(folder);
  if (real_root.isEmpty() || real_folder.isEmpty())
    return QStringLiteral("not moved: the folder is gone");
  if (real_folder != real_root + folder.mid(root.size()))
    return QStringLiteral("not moved: reached through a symbolic link to a folder");
  return QString();
}

QString MovedFileTarget(const QString& full_name) {
  const QFileInfo fi(full_name);
  const QString folder = fi.absolutePath() + QLatin1Char('/') + MovedFilesWord();
  return folder + QLatin1Char('/') +
         WithExtension(fi.fileName(), QLatin1Char('.') + MovedFilesWord());
}

QString RestoreTarget(const QString& moved_full_name) {
  const QFileInfo fi(moved_full_name);
  const QDir moved_folder = fi.absoluteDir();
  if (moved_folder.dirName().compare(MovedFilesWord(), Qt::CaseInsensitive) != 0) return QString();
  QString above = QFileInfo(moved_folder.absolutePath()).absolutePath();
  if (!above.endsWith(QLatin1Char('/'))) above += QLatin1Char('/');
  return above + WithExtension(fi.fileName(), QStringLiteral(".txt"));
}

namespace {

// Why a member must not go into its moved-files folder (see the header), or
// empty when it may.
QString MoveRefusal(const QString& from, const QString& tree) {
  if (tree.isEmpty()) return QString();
  QString refusal = MoveThroughLinkRefusal(from, tree);
  if (refusal.isEmpty() && QFileInfo(QFileInfo(MovedFileTarget(from)).absolutePath()).isSymLink())
    refusal = QStringLiteral("not moved: the \"%1\" folder beside it is a symbolic link")
                  .arg(MovedFilesWord());
  return refusal;
}

}  // namespace

std::vector<PlannedFileMove> PlanMovesNotKept(const DupContentsSeeker& seeker, const QString& tree,
                                              std::vector<FileMoveProblem>* refused) {
  std::vector<PlannedFileMove> plan;
  const DupContentsGroups& groups = seeker.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    const DupContentsGroup group = groups.Group(g);
    for (int m = 0; m < group.dup_contents_list->Count(); ++m) {
      if (m == group.which_to_keep) continue;
      const QString from = seeker.FullFilename(group.dup_contents_list->GetAValue(m).file_index);
      if (!IsFile(from)) continue;
      const QString refusal = MoveRefusal(from, tree);
      if (!refusal.isEmpty()) {
        if (refused) refused->push_back({from, refusal});
        continue;
      }
      plan.push_back({from, MovedFileTarget(from)});
    }
  }
  return plan;
}

int MoveFilesNotKept(const DupContentsSeeker& seeker, const QString& tree,
                     const std::function<void(int, int)>& on_group,
                     std::vector<FileMoveProblem>* problems) {
  auto problem = [problems](const QString& file, const QString& reason) {
    if (problems) problems->push_back({file, reason});
  };
  int moved = 0;
  const DupContentsGroups& groups = seeker.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    YieldToEvents();
    if (StopRequested()) break;
    if (on_group) on_group(g, groups.Count());
    const DupContentsGroup group = groups.Group(g);
    for (int m = 0; m < group.dup_contents_list->Count(); ++m) {
      if (m == group.which_to_keep) continue;
      const QString from = seeker.FullFilename(group.dup_contents_list->GetAValue(m).file_index);
      if (!IsFile(from)) continue;
      const QString refusal = MoveRefusal(from, tree);
      if (!refusal.isEmpty()) {
        problem(from, refusal);
        continue;
      }
      const QString to = MovedFileTarget(from);
      const QString moved_folder = QFileInfo(to).absolutePath();
      QString folder_error;
      if (!MakeFolders(moved_folder, &folder_error)) {
        problem(from, QStringLiteral("not moved: cannot create the folder \"%1\": %2")
                          .arg(DisplayName(moved_folder), folder_error));
        continue;
      }
      QString error;
      const SafeFileResult result = SafeMoveFile(from, to, &error);
      if (result == SafeFileResult::Done) {
        ++moved;
      } else {
        problem(from, MoveFailureReason(result, to, error));
      }
    }
  }
  return moved;
}

std::vector<PlannedFileMove> PlanRestore(const QString& folder) {
  std::vector<PlannedFileMove> plan;
  FileWalker it;
  it.HeadDir = folder;
  it.IncludeSubFolders = true;
  it.FileMask = QStringLiteral("*.") + MovedFilesWord();
  it.IterateFindingFiles();
  it.BuildDetailedList(FileSortOrder::ByName);
  const FolderFileList& found = it.FilesFound();
  for (int i = 0; i < found.Count(); ++i) {
    const QString from = found.GetFullFilename(i);
    const QString to = RestoreTarget(from);
    if (!to.isEmpty()) plan.push_back({from, to});
  }
  return plan;
}

bool RestoreOneMovedFile(const QString& full_name, RestoreFailure* failure, const QString& tree) {
  YieldToEvents();
  const QString to = RestoreTarget(full_name);
  if (to.isEmpty()) return false;
  QString reason = tree.isEmpty() ? QString() : MoveThroughLinkRefusal(full_name, tree);
  if (reason.isEmpty()) {
    QString error;
    const SafeFileResult result = SafeMoveFile(full_name, to, &error);
    if (result == SafeFileResult::Done) return true;
    reason = error.isEmpty() ? QStringLiteral("unknown error") : error;
  }
  if (failure) *failure = {full_name, to, reason};
  return false;
}

RestoreOutcome RestoreMovedFiles(const QString& folder,
                                 const std::function<void(int, int)>& on_file) {
  RestoreOutcome outcome;
  const TreeMoveLock lock(folder);
  if (!lock.Held()) {
    outcome.refusal = lock.Refusal();
    return outcome;
  }
  const std::vector<PlannedFileMove> plan = PlanRestore(folder);
  outcome.found = static_cast<int>(plan.size());
  for (std::size_t k = 0; k < plan.size(); ++k) {
    if (StopRequested()) break;
    if (on_file) on_file(static_cast<int>(k), outcome.found);
    RestoreFailure failure;
    if (RestoreOneMovedFile(plan[k].from, &failure, folder)) {
      ++outcome.restored;
    } else {
      outcome.failures.push_back(failure);
    }
  }
  return outcome;
}
