#pragma once
// Relevance checking: the filter-term list with its file check, the per-text
// scorer, the result list, and the check run over a folder or a list of
// files. No window is needed for any of it.
//
// Scoring in short: a text of W words (markup removed) is cut into S equal
// segments by character position. Each positive term adds hits x weight to
// the positive sum and marks the segments its hits fall in; each negative term
// adds hits x weight to the negative sum. A grouped term (group threshold
// above 0) counts only when the text's density of distinct terms found,
// (P + Q) x 1000 / W, rounds to at least its threshold. With C covered
// segments (at least M of them required) the score is
// (positive sum - negative sum) x C x 100 / W, in single precision.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/error.h"
#include "runtime/input_choices.h"
#include "runtime/markup.h"
#include "runtime/panic.h"
#include "runtime/search_list.h"

// Per-text result.
struct ScoredTextRec {
  std::int64_t words = 0;
  std::int32_t positive_terms = 0;  // distinct positive terms found (hit types)
  float score = 0;
};

// Run state of a check. The word totals cover every text scored since the
// list was made; they are 64-bit because a corpus of millions of texts
// passes two thousand million words.
struct RelevanceFilter {
  std::int32_t positive_terms_this_file = 0;
  std::int32_t negative_terms_this_file = 0;
  std::int32_t min_wordcount = 0;
  std::int32_t files_examined = 0;
  std::int32_t files_meeting_requirements = 0;
  std::int64_t filtered_wordcount_overall = 0;
  std::int64_t unfiltered_wordcount_overall = 0;
  float min_score = 0;
};

// A grouped term kept aside while a text is scored.
struct GroupedTermCount {
  std::int64_t pos_tokens = 0;
  std::int64_t neg_tokens = 0;
  std::int32_t filter_num = 0;
  std::int32_t other_Sws_Needed = 0;
};
using GroupedTermCounts = std::vector<GroupedTermCount>;

// Result list: a file's full path with its result.
class RelevanceResults {
 public:
  void Clear() { entries_.clear(); }
  void AddOne(const QString& s, const ScoredTextRec& rec) { entries_.push_back({s, rec}); }
  int Count() const { return static_cast<int>(entries_.size()); }
  const QString& String(int i) const { return entries_[static_cast<std::size_t>(i)].s; }
  const ScoredTextRec& GetOne(int i) const { return entries_[static_cast<std::size_t>(i)].rec; }
  void GetOneStrIntsSingle(int i, QString* s, ScoredTextRec* rec) const {
    *s = String(i);
    *rec = GetOne(i);
  }
  // Each sort is stable; ascending false reverses the main key. Ties of the
  // score sort go by file name, ascending either way, so equal scores read in
  // name order.
  void SortOnStrings(bool ascending);
  void SortOnSingle_Sort2String(bool ascending);
  // which: 1 words, 2 positive terms.
  void SortOn_Int(int which, bool ascending);

 private:
  struct Entry {
    QString s;
    ScoredTextRec rec;
  };
  std::vector<Entry> entries_;
};

// The file check of the filter list, on sorted lines: sets *unequal when the
// lines have different numbers of tabs (and stops there); otherwise blanks
// the earlier of two identical lines and lists, in *repeated, both lines
// (tabs shown as commas) of each pair that share their first field but differ
// in the rest. Only lines with tabs are compared.
void CheckFilterLines(QStringList& lines, bool* unequal, QString* repeated);

class RelevanceFilterList : public TermList {
 public:
  explicit RelevanceFilterList(const SearchSettings& settings = SearchSettings())
      : TermList(settings) {}

  bool unequal_strings = false;
  QString repeated_search_terms;

  void Clear() override;

 protected:
  // Pre-parses, drops blank lines, sorts and checks (see CheckFilterLines).
  void ParseTheList(QStringList& lines) override;
};

// Scores texts against one filter list; the terms are compiled once, so make
// one scorer per run (after the list is loaded).
class RelevanceScorer {
 public:
  explicit RelevanceScorer(const RelevanceFilterList& filters);

  // Scores a markup-free text. Adds its words to the run state's totals and
  // sets the run state's per-text counts.
  ScoredTextRec ScoreText(QStringView text, int segments, int coverage,
                          RelevanceFilter* overall) const;
  // Reads the file, removes markup with the list's tag span and scores it. A
  // missing file gives the zero result; an unreadable one gives it too, with
  // the reason in *problem when one is given. The second form reads into
  // buffer, which a caller scoring many texts keeps between them.
  ScoredTextRec ScoreFile(const QString& filename, int segments, int coverage,
                          RelevanceFilter* overall, FileProblem* problem = nullptr) const;
  ScoredTextRec ScoreFile(const QString& filename, int segments, int coverage,
                          RelevanceFilter* overall, TextUnitBuffer& buffer,
                          FileProblem* problem = nullptr) const;

 private:
  const RelevanceFilterList& filters_;
  MultiTermMatcher matcher_;
};

// An anomaly worth a log line (a text without words, say); never a failure.
void Yikes(const QString& what);

// What came of loading the filter file for a check.
enum class FilterLoadOutcome { Ok, NotFilled, UnequalLines, BadLines, NoTerms, RepeatsRefused };

// Steps of a check before any text is read: clears and loads the list and
// reports through the current dialog interface (not filled, unequal lines,
// malformed lines, no terms, the repeated-terms question).
FilterLoadOutcome LoadFiltersForCheck(RelevanceFilterList* filters, const QString& filter_file);

struct RelevanceCheckParams {
  int min_words = 200;
  int segments = 1;  // S, 1 to 10
  int coverage = 0;  // M, brought into 0..S
  double min_score = 0;
  FileSourceChoice input;
  int threads = 0;  // texts read and scored at once (0: one per core)
};

struct RelevanceCheckCallbacks {
  std::function<void(int)> percent;
  // Texts scored so far, of all to score.
  std::function<void(long long done, long long total)> count;
  std::function<void(const QString&)> status;
  const StopFlag* stop = nullptr;  // besides the global stop state
  // A text that could not be read; it is counted as examined, with no words.
  std::function<void(const FileProblem&)> problem;
};

// The texts a check reads: the existing files named by the list file, or
// the files of the folder (sub-folders as asked, filtered copies left out),
// folder by folder in name order. problems gets the folders that could not
// be read, the list file when it cannot be read and the files it names that
// are missing.
QStringList GatherRelevanceTexts(const FileSourceChoice& input, const StopFlag* stop = nullptr,
                                 std::vector<FileProblem>* problems = nullptr);

// Scores every text (until stopped) and lists those with enough words and a
// high enough score; results is cleared first and ends sorted on score,
// highest first, ties by file name. Returns the status line summing up.
QString ScoreRelevanceTexts(const QStringList& texts, const RelevanceFilterList& filters,
                            const RelevanceCheckParams& params, RelevanceFilter* overall,
                            RelevanceResults* results, const RelevanceCheckCallbacks& callbacks);

// The line that ends a check of `total` texts: "Checked 1,200 files: 35
// relevant", or "Stopped after 300 of 1,200 files: 12 relevant".
QString RelevanceSummary(const RelevanceFilter& overall, int total, int listed);

// The question asked before the repeated-terms warning lets a check go on:
// names each term that the filter file gives different settings on
// different lines, then the lines themselves.
QString RepeatedTermsWarning(const QString& filter_file, const QString& repeated_lines);

// The coverage label's text for a number of segments.
QString CoverageLabel(int segments);

// Where "Filter relevant texts" puts a copy: the path of the file's folder
// relative to base when the file lies under base, else the file's folder
// path without its root, so that files from elsewhere keep apart.
QString NewSubFolderFrom(const QString& filename, const QString& base);

// The filtered tree under a base folder: base + "/" + the filtered-folder name.
QString FilteredFolderOf(const QString& base);

// Copies every listed text whose file exists and whose score is at least
// min_score into the filtered tree under base, overwriting only a file of
// the same name at the target. Returns the number of copies made; failures
// go to problems.
int CopyFilteredTexts(const RelevanceResults& results, const QString& base, double min_score,
                      std::vector<FileProblem>* problems = nullptr);

// The heading of an RTF sample text: "(4) Score: 3.00, Hit types: 2, (1,000 words)".
QString RtfSampleHeading(int index, const ScoredTextRec& rec);
