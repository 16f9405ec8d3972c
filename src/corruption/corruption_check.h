#pragma once
// One corruption check from start to end, as the page and the command line
// both run it: find the files under a folder, in name order, and test each
// with the detector, whose reference files and thresholds the caller has set.

#include <QString>
#include <functional>
#include <vector>

#include "corruption/corrupt_file_detector.h"
#include "runtime/error.h"
#include "runtime/file_walker.h"

struct CorruptionCheck {
  QString folder;
  bool include_subfolders = false;
  // Also compare each text's digraphs with the reference profile.
  bool thorough = false;
};

struct CorruptionCallbacks {
  // The walk has ended with this many files to test.
  std::function<void(int files)> walked;
  // The walk's progress over the folders.
  PercentReport walk_percent;
  // The test's progress over the files.
  PercentReport percent;
  // The test of the file under way (a large file takes a while).
  PercentReport file_percent;
};

struct CorruptionCheckResult {
  bool folder_found = false;
  int files = 0;  // files tested
  // Folders that could not be entered and files that could not be listed,
  // then files that could not be read, in the order met.
  std::vector<FileProblem> problems;
};

// Walks the folder with walker (which the caller may stop) and tests every
// file found; the flagged files are left in the detector's weird_files. A
// folder that does not exist gives folder_found false and tests nothing.
// Throws what CheckForCrap throws.
CorruptionCheckResult RunCorruptionCheck(CorruptFileDetector& detector, FileWalker& walker,
                                         const CorruptionCheck& check,
                                         const CorruptionCallbacks& callbacks);
