#include "corruption/corruption_check.h"

CorruptionCheckResult RunCorruptionCheck(CorruptFileDetector& detector, FileWalker& walker,
                                         const CorruptionCheck& check,
                                         const CorruptionCallbacks& callbacks) {
  CorruptionCheckResult result;
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
  if (callbacks.walked) callbacks.walked(result.files);
  detector.CheckForCrap(walker.FilesFound(), check.thorough, callbacks.percent,
                        callbacks.file_percent);
  result.problems.insert(result.problems.end(), detector.unreadable_files.begin(),
                         detector.unreadable_files.end());
  return result;
}
