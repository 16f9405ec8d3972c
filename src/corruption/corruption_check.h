#pragma once
// One corruption check from start to end, as the page and the command line
// both run it: find the files under a folder, in name order, and test each
// with the detector, whose reference files and thresholds the caller has set.
// Also the words both of them use for its results: a flagged file's line and
// the one line that ends the run.

#include <QString>
#include <functional>
#include <vector>

#include "corruption/corrupt_file_detector.h"
#include "runtime/error.h"
#include "runtime/file_walker.h"

struct CorruptionCheck {
  QString folder;
  bool include_subfolders = false;
  // Also compare each text's digraphs with the reference profile; only this
  // test needs known-good texts.
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
  // Files tested so far, of all found.
  CountReport count;
};

struct CorruptionCheckResult {
  QString folder;
  bool folder_found = false;
  bool include_subfolders = false;
  // The digraph check was asked for but no usable reference profile exists:
  // nothing was tested.
  bool reference_missing = false;
  // No file was found and sub-folders were left out although there are some.
  bool files_only_in_subfolders = false;
  int files = 0;   // files found to test
  int tested = 0;  // files taken in turn (fewer than files after Stop)
  int flagged = 0;
  // Folders that could not be entered and files that could not be listed,
  // then files that could not be read, in the order met.
  std::vector<FileProblem> problems;

  bool Stopped() const { return tested < files && !reference_missing; }
};

// Walks the folder with walker (which the caller may stop) and tests every
// file found; the flagged files are left in the detector's flagged_files. A
// folder that does not exist gives folder_found false and tests nothing.
// Throws what CheckFiles throws.
CorruptionCheckResult RunCorruptionCheck(CorruptFileDetector& detector, FileWalker& walker,
                                         const CorruptionCheck& check,
                                         const CorruptionCallbacks& callbacks);

// A flagged file, as the list and the command line show it.
struct FlaggedFile {
  QString path;
  QString note;
};

// The shown name of a flagged file, in the list and on the command line.
QString FlaggedFileName(const QString& path);
// A flagged file as one line of the command line's output: its shown name, a
// tab and its note.
QString FlaggedFileLine(const QString& path, const QString& note);
// The size test's notes (as opposed to the digraph test's), which the list
// draws in warning colours.
bool IsSizeTestNote(const QString& note);

// The line that ends a check: "Checked 1,200 files: 3 flagged", "Stopped
// after 90 of 1,200 files: 1 flagged", "Folder not found: …", or, when
// nothing could be tested, "Checked 0 files: " and why.
QString CorruptionSummary(const CorruptionCheckResult& result);
