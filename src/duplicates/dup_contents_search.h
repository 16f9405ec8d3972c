#pragma once
// One near-duplicate search from start to end, as the page and the command
// line both run it: find the files under a folder (sub-folders included, the
// moved-files folders left out), sort them by size and seek the groups.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "duplicates/file_duplicate_contents_seeking.h"
#include "runtime/error.h"
#include "runtime/file_walker.h"

struct DupContentsSearch {
  QString folder;
  QString file_mask = QStringLiteral("*.*");
  DupContentsCriteria criteria;
};

struct DupContentsSearchResult {
  int files = 0;  // files found and compared
  int pairs = 0;  // near-duplicate pairs; 0 means no groups
  int groups = 0;
  // Stopped before the end: only the first files_searched files were searched.
  bool stopped = false;
  int files_searched = 0;
  QStringList empty_files;
  // Folders that could not be entered and files that could not be listed.
  std::vector<FileProblem> problems;
};

// The line that ends a search: "Checked 1,200 files: 7 near duplicates in 3
// groups", "Checked 12 files: no duplicates", or "Stopped after 300 of 1,200
// files: ...".
QString DupContentsSummary(const DupContentsSearchResult& result);

// Walks the folder with walker (which the caller may stop) and leaves the
// groups in seeker. walked, when given, is called between the walk and the
// search with the number of files found.
DupContentsSearchResult RunDupContentsSearch(DupContentsSeeker& seeker, FileWalker& walker,
                                             const DupContentsSearch& search,
                                             const DupContentsCallbacks& callbacks,
                                             const std::function<void(int files)>& walked = {});
