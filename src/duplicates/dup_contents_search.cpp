#include "duplicates/dup_contents_search.h"

#include "duplicates/dup_contents_moving.h"

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
  return result;
}
