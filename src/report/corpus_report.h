#pragma once
// The corpus health report: every check of the program run over one folder
// tree, gathered into one plain result that the HTML and JSON writers turn
// into a page and an object.
//
// The folder is walked once. Each text is then read once for the checks that
// can share that reading: its encoding, its length against its size (the
// size test of the corrupt-file detector), its digraph profile, its size, its
// date and its sentences, which the repeated-chunk finder counts. The
// near-duplicate groups come from the duplicate-contents seeker, which reads
// the texts in its own way (by size, with markup removed) over the same file
// list. Duplicate names come from the walk's list alone.
//
// Memory stays bounded on large corpora: the digraph profiles kept between
// the reading and the comparison are held within profile_memory_bytes (texts
// beyond it are read a second time for the comparison), a text's sentences
// wait for the count only while they are short (a longer text is cut again
// by the finder on its own), and every list of the result is cut at
// list_limit entries, with the full counts kept beside.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/error.h"
#include "runtime/panic.h"

struct CorpusReportOptions {
  QString folder;
  // Known-good texts for the digraph test. Empty: the corpus is its own
  // reference, and the texts that differ most from it are flagged.
  QStringList good_files;
  QString good_folder;  // where good_files came from, for the options shown
  // Digraph test settings: those of the corruption tool.
  int min_digraphs = 10;
  int digraph_variation_per_mille = 15;
  int digraph_percent_fail_allowed = 10;
  // Near duplicates: those of the duplicate-contents tool's defaults, so that
  // the move command shown in the report finds the same groups.
  int max_days_diff = 1;
  bool check_dates = true;
  bool same_folder = true;
  float max_length_diff_percent = 0.5f;
  float max_words_diff_percent = 0.5f;
  // Boilerplate: those of the boilerplate tool's defaults.
  int boilerplate_min_hits = 2;
  int boilerplate_min_length = 20;
  int tag_span = 200;
  int top_chunks = 50;
  // Longest list of each kind in the result (files, groups, moves, folders).
  int list_limit = 500;
  std::size_t profile_memory_bytes = std::size_t{256} << 20;
  int threads = 0;  // texts are read on this many threads (0: one per core)
};

struct CorpusReportCallbacks {
  std::function<void(int percent)> percent;
  std::function<void(const QString& status)> status;
  // Texts read of all the files found, every hundred texts and at the end.
  std::function<void(long long done, long long total)> count;
};

struct ReportCount {
  QString name;
  std::int64_t count = 0;
};

struct ReportBrokenFile {
  QString path;
  QString test;  // "size" or "digraph"
  QString note;
  double distance = 0;  // digraph test: share of the text's digraphs off the reference
};

struct ReportNameGroup {
  QString name;  // lower-cased, as names are compared
  QStringList paths;
};

struct ReportNearDuplicate {
  QString path;
  std::int64_t size = 0;
  int tokens = 0;
  int token_diff = 0;  // word differences to the group's head
  int type_diff = 0;
  bool keep = false;
};

struct ReportMove {
  QString from;
  QString to;
};

struct ReportChunk {
  QString text;
  std::int64_t hits = 0;
  int files = 0;
};

struct ReportFolder {
  QString folder;
  std::int64_t files = 0;
  std::int64_t broken = 0;
  std::int64_t duplicates = 0;  // name duplicates and spare near-duplicate copies
};

struct CorpusReport {
  // What was run.
  QString folder;
  QString reference;    // "corpus" or the known-good folder
  QString decoding;     // how texts without a byte-order mark were read
  QStringList options;  // "name = value" lines of the settings used
  double seconds = 0;
  bool stopped = false;
  QString generated;  // local date and time of the run, ISO 8601

  // Summary.
  std::int64_t files = 0;
  std::int64_t texts_read = 0;  // files the run had read when it ended
  std::int64_t folders = 0;
  std::int64_t bytes = 0;
  std::int64_t empty_files = 0;
  std::int64_t unreadable_files = 0;
  std::int64_t text_characters = 0;
  std::vector<ReportCount> encodings;  // most texts first

  // Broken files: every size-test failure and digraph outlier.
  std::vector<ReportBrokenFile> broken;  // sorted by path, cut at the limit
  std::int64_t broken_total = 0;
  std::int64_t size_failures = 0;
  std::int64_t digraph_failures = 0;
  std::int64_t digraph_tested = 0;  // texts with enough digraphs to compare
  double digraph_threshold = 0;     // distance above which a text is flagged
  double digraph_floor = 0;         // the least threshold: the share a known-good reference allows
  double digraph_median = 0;
  double digraph_mad = 0;  // median absolute deviation of the distances
  bool digraph_reference_from_corpus = true;
  bool digraph_reference_usable = true;

  // Duplicate names.
  std::vector<ReportNameGroup> name_groups;  // cut at the limit
  std::int64_t name_groups_total = 0;
  std::int64_t name_duplicate_files = 0;  // files in those groups

  // Near duplicates.
  std::vector<std::vector<ReportNearDuplicate>> near_groups;  // cut at the limit
  std::int64_t near_groups_total = 0;
  std::int64_t near_duplicate_files = 0;  // members of all groups
  std::int64_t spare_copies = 0;          // members not kept
  std::int64_t spare_bytes = 0;
  std::vector<ReportMove> moves;  // what the move would do, cut at the limit
  std::int64_t moves_total = 0;
  std::int64_t moves_refused = 0;  // members a move would leave (links)
  QString move_command;

  // Boilerplate.
  std::vector<ReportChunk> chunks;  // the most repeated, highest first
  std::int64_t chunks_total = 0;
  std::int64_t chunk_characters = 0;  // characters of all repeated hits
  std::int64_t top_chunk_characters = 0;

  // Pictures.
  // Text sizes by power of two: bin 0 holds empty files, bin k files of
  // 2^(k-1) to 2^k - 1 bytes.
  std::vector<std::int64_t> size_bins;
  std::vector<ReportCount>
      months;  // "YYYY_MM" (the monthly sub-corpus names), in order, gaps filled
  std::vector<ReportFolder> by_folder;  // folders with findings, most first, cut at the limit
  std::int64_t folders_with_findings = 0;

  std::vector<FileProblem> problems;  // folders and files that could not be read
};

// The distance cut for a corpus that is its own digraph reference: texts
// further from the corpus profile than the median by more than three robust
// standard deviations (1.4826 times the median absolute deviation), and never
// below the share a known-good reference is allowed, percent_fail_allowed.
double CorpusDigraphThreshold(std::vector<double> distances, int percent_fail_allowed,
                              double* median, double* mad);

// The files under a folder of known-good texts, sub-folders included, in
// name order.
QStringList KnownGoodTexts(const QString& folder);

// Runs every check over the folder. Returns the report, also when stopped
// (stopped is then set and the checks not reached are empty). Throws
// SorvelError when the known-good texts cannot be read.
CorpusReport MakeCorpusReport(const CorpusReportOptions& options,
                              const CorpusReportCallbacks& callbacks = {},
                              StopFlag* stop = nullptr);
