#include "corruption/corruption_check.h"

#include <QDir>
#include <QLocale>

#include "runtime/native_names.h"
#include "runtime/run_summary.h"

namespace {

// Whether the folder has any sub-folder that a walk with sub-folders would
// enter (hidden ones are left out, as the walk leaves them out).
bool HasSubfolders(const QString& folder) {
  return !QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
}

}  // namespace

CorruptionCheckResult RunCorruptionCheck(CorruptFileDetector& detector, FileWalker& walker,
                                         const CorruptionCheck& check,
                                         const CorruptionCallbacks& callbacks) {
  CorruptionCheckResult result;
  result.folder = check.folder;
  result.include_subfolders = check.include_subfolders;
  walker.Clear();
  walker.HeadDir = check.folder;
  walker.FileMask = QStringLiteral("*.*");
  walker.IncludeSubFolders = check.include_subfolders;
  walker.OnFilesProgress = callbacks.walk_percent;
  result.folder_found = !check.folder.isEmpty() && walker.HeadDirExists();
  if (result.folder_found) {
    walker.IterateFindingFiles();
    walker.BuildDetailedList(FileSortOrder::ByName);
  }
  walker.OnFilesProgress = nullptr;
  result.problems = walker.FileProblems();
  result.files = walker.FilesFound().Count();
  if (result.folder_found && result.files == 0 && !check.include_subfolders)
    result.files_only_in_subfolders = HasSubfolders(check.folder);
  if (callbacks.walked) callbacks.walked(result.files);
  detector.CheckFiles(walker.FilesFound(), check.thorough, callbacks.percent,
                      callbacks.file_percent, callbacks.count);
  result.reference_missing = check.thorough && !detector.ReferenceUsable();
  result.tested = detector.files_taken;
  result.flagged = detector.flagged_files.Count();
  result.problems.insert(result.problems.end(), detector.unreadable_files.begin(),
                         detector.unreadable_files.end());
  return result;
}

QString FlaggedFileName(const QString& path) { return DisplayName(path); }

QString FlaggedFileLine(const QString& path, const QString& note) {
  return FlaggedFileName(path) + QLatin1Char('\t') + note;
}

bool IsSizeTestNote(const QString& note) { return note.startsWith(QStringLiteral("File-size")); }

QString CorruptionSummary(const CorruptionCheckResult& result) {
  if (!result.folder_found) return FolderNotFoundSummary(result.folder);
  if (result.reference_missing)
    return CheckedSummary(0, QStringLiteral("the digraph check needs a usable known-good text"));
  if (result.files == 0) {
    return CheckedSummary(
        0, result.files_only_in_subfolders
               ? QStringLiteral("the files are all in sub-folders, and sub-folders are left out")
               : QStringLiteral("the folder holds no files"));
  }
  QString found = result.flagged == 0
                      ? QStringLiteral("none flagged")
                      : QLocale().toString(result.flagged) + QStringLiteral(" flagged");
  if (!result.problems.empty())
    found += QStringLiteral(", ") +
             QLocale().toString(static_cast<qulonglong>(result.problems.size())) +
             QStringLiteral(" could not be read");
  if (result.Stopped())
    return StoppedSummary(result.tested, result.files) + QStringLiteral(": ") + found;
  return CheckedSummary(result.tested, found);
}
