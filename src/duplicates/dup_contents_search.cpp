#include "duplicates/dup_contents_search.h"

#include "duplicates/dup_contents_moving.h"
#include "runtime/panic.h"
#include "runtime/run_summary.h"

QString DupContentsSummary(const DupContentsSearchResult& result) {
  const QString found = result.pairs == 0 ? QStringLiteral("no duplicates")
                                          : CountOf(result.pairs, QStringLiteral("near duplicate"),
                                                    QStringLiteral("near duplicates")) +
                                                QStringLiteral(" in ") +
                                                CountOf(result.groups, QStringLiteral("group"),
                                                        QStringLiteral("groups"));
  if (result.stopped)
    return StoppedSummary(result.files_searched, result.files) + QStringLiteral(": ") + found;
  return CheckedSummary(result.files, found);
}

DupContentsSearchResult RunDupContentsSearch(DupContentsSeeker& seeker, FileWalker& walker,
                                             const DupContentsSearch& search,
                                             const DupContentsCallbacks& callbacks,
                                             const std::function<void(int files)>& walked) {
  DupContentsSearchResult result;
  walker.Clear();
  walker.HeadDir = search.folder;
  walker.FileMask = search.file_mask;
  walker.IncludeSubFolders = true;
  walker.OneNamePerFile = true;
  // Files moved aside by an earlier run are not part of the corpus.
  walker.SetExcludedDirs({MovedFilesWord()});
  walker.IterateFindingFiles();
  walker.BuildDetailedList(FileSortOrder::BySize);
  result.problems = walker.FileProblems();
  result.files = walker.FilesFound().Count();
  if (walked) walked(result.files);
  result.pairs = seeker.SeekContentsDuplicatesIn(walker.FilesFound(), search.folder,
                                                 search.criteria, callbacks, &result.empty_files);
  result.groups = seeker.dup_contents_top_list.Count();
  result.files_searched = seeker.FilesSearched();
  result.stopped = StopRequested() || walker.Stopped();
  return result;
}
