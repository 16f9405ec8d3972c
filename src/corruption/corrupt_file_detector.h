#pragma once
// The corrupt-file detector: walks a list of files and reports those that do
// not look like clean text, each with a one-line note.
//
// Two tests: the size test compares the length of the text a reader obtains
// with the file's size (reading stops at the first NUL, so binary or damaged
// files give far less text than their size); the optional digraph test
// compares the file's digraph profile with a reference profile built from
// known-good texts.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "corruption/digraph_tree.h"
#include "runtime/error.h"
#include "runtime/file_list.h"
#include "runtime/text_reader.h"

// Flagged files: the full name of each, with its one-line note.
class CorruptFileList {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  const QString& Path(int i) const { return entries_[static_cast<std::size_t>(i)].first; }
  const QString& Note(int i) const { return entries_[static_cast<std::size_t>(i)].second; }
  void Add(const QString& file, const QString& note) { entries_.emplace_back(file, note); }
  void Clear() { entries_.clear(); }

 private:
  std::vector<std::pair<QString, QString>> entries_;
};

using PercentReport = std::function<void(int)>;
using CountReport = std::function<void(long long done, long long total)>;

class CorruptFileDetector {
 public:
  CorruptFileDetector();
  ~CorruptFileDetector();

  // Sets the known-good files, one full file name per line.
  // Rebuilds the reference profile at once; when that fails the user is told
  // (ReferenceTextTooShort, after FailedToFind for a missing file).
  void SetReferenceFiles(const QString& one_full_name_per_line);
  bool ReferenceUsable() const { return reference_setup; }

  // Tests every file of the list in order; results are left in flagged_files.
  // The size test needs nothing more; with thorough (the digraph test too) a
  // usable reference is needed, and without one nothing is tested.
  // A file that exists but cannot be read is listed in unreadable_files with
  // the reason, and the run goes on. Callbacks run on the calling thread.
  // Throws SorvelError for a lopsided digraph tree; the files flagged before
  // stay in flagged_files.
  // on_count hears how many files of the list have been taken after each one.
  void CheckFiles(const FolderFileList& files, bool thorough, PercentReport on_percent,
                  PercentReport on_file_percent, CountReport on_count = nullptr);

  DigraphProfile ref;
  bool reference_setup = false;
  PercentReport on_percent;
  PercentReport on_file_percent;
  CountReport on_count;
  QString too_many_str;
  QString too_few_str;
  QStringList reference_files;
  // The run goes on while this is set; clearing it (from any thread) skips
  // the files not yet begun.
  std::atomic<bool> processing{false};
  std::int32_t min_digraphs = 10;
  std::int32_t digraph_frequency_variation_per_mille = 15;
  std::int32_t digraph_percent_fail_allowed = 20;
  CorruptFileList flagged_files;
  // Files of the last run that could not be read, in list order.
  std::vector<FileProblem> unreadable_files;
  // Files of the last run taken in turn: all of them unless it was stopped.
  int files_taken = 0;
  // The help topic of the boxes that tell about the reference files.
  int help_context = 0;
  // Files are read and tested on this many threads (0: one per core). The
  // results, their notes and their order are those of a one-thread run.
  int threads = 0;

 private:
  bool BuildReference();
};

// The verdict on one text, for the detector and its tests.
struct FileVerdict {
  bool flagged = false;
  QString note;
  QString too_many;
  QString too_few;
};

// The size test on a text already read: the note of a file whose text is
// shorter than its size allows ("File-size S but text-length L"), or an empty
// string when the file passes. text_length is the length in UTF-16 code units
// that ReadNormalisedText returned, size the file's size in bytes.
QString SizeTestNote(const TextFileInfo& info, std::int64_t text_length, std::int64_t size);

// The digraph comparison: the failure ratio as a 32-bit float, with the
// flagged digraphs written into too_many / too_few (shares formatted in
// locale's decimal notation).
float CompareDigraphProfiles(const DigraphProfile& sample, const DigraphProfile& reference,
                             std::int32_t frequency_variation_per_mille, QString& too_many,
                             QString& too_few, const QLocale& locale);
