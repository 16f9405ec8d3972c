#pragma once
// One boilerplate search from start to end, as the page and the command line
// both run it: find the files under a head folder, feed them to the
// repeated-chunk finder in name order, and sort the result by hits.

#include <QString>
#include <QStringList>
#include <functional>

#include "boilerplate/repeated_chunks.h"
#include "runtime/file_walker.h"

struct BoilerplateSearch {
  QString head_folder;
  QString file_mask = QStringLiteral("*.*");
  bool include_subfolders = true;
  bool include_unterminated = false;
  int tag_span = 200;
  int min_hits = 2;
  int min_length = 20;
};

struct BoilerplateCallbacks {
  RepeatedChunks::ProgressFunc progress_in_file;
  RepeatedChunks::ProgressFunc progress_overall;
  RepeatedChunks::CountFunc count_reporter;
  // Texts taken in turn so far, of all found by the walk.
  std::function<void(long long done, long long total)> count;
  // A folder's files are about to be read: its path without a trailing
  // separator, its number (from 1) and the number of folders with files.
  std::function<void(const QString& folder, int number, int count)> on_folder;
};

// Folder resolution: for an existing folder, head_folder is that folder
// (without a trailing separator) and file_name is left empty; for an
// existing file, head_folder is its folder and file_name its name, which the
// caller uses as the mask. Returns false, setting nothing, otherwise.
bool ResolveFolderOrFile(const QString& text, QString* head_folder, QString* file_name);

// The folder path without a trailing separator (a root stays as it is).
QString WithoutTrailingSeparator(const QString& folder);

// How far a search got.
struct BoilerplateOutcome {
  int files = 0;  // files found by the walk
  int read = 0;   // files taken in turn (fewer than files after Stop)
  bool stopped = false;
};

// Runs the search: clears the engine, walks the head folder (leaving out
// every folder named like the relevance filter's copies), loads each file and
// sorts by hits. Stopping the iterator or the engine ends the walk early; the
// chunks found so far are still sorted.
BoilerplateOutcome RunBoilerplateSearch(RepeatedChunks& engine, FileWalker& iterator,
                                        const BoilerplateSearch& search,
                                        const BoilerplateCallbacks& callbacks);

// The line that ends a search: "Checked 1,200 files: 35 repeated chunks",
// "Stopped after 300 of 1,200 files: 12 repeated chunks", or "Checked 0
// files: " and why.
QString BoilerplateSummary(const BoilerplateSearch& search, const BoilerplateOutcome& outcome,
                           int chunks);
