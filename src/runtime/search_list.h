#pragma once
// Search terms and finding them in texts: the list of terms a user gives
// (a filter-strings file, a viewer's keyword list), the word-aware search of
// one term, and a matcher that finds every term of a list in one pass.
//
// Filter-strings file: one term per line, optionally followed by up to three
// tab-separated fields:
//
//   term <TAB> weight <TAB> group threshold <TAB> options
//
// - term: a word or a phrase. Matching is whole-word and ignores case unless
//   the options say otherwise. A "*" at the end lets the word go on
//   ("econom*" finds "economy", "economics"); a "*" at the start lets it begin
//   earlier ("*ism" finds "realism"). A run of spaces in a phrase matches any
//   run of white space in the text, line breaks included.
// - weight: a whole number of 0 or more; empty or 0 counts as 1.
// - group threshold: how many other search words a text needs (per 1,000
//   words) before this term counts; empty or 0 for an ordinary term.
// - options: letters in any order, upper or lower case, spaces and commas
//   ignored: "c" keeps case, "n" (or "-") makes the term negative, "a" finds
//   the term anywhere, also inside words, "w" asks for whole words (the
//   default, accepted for clarity).
//
// Blank lines and lines starting with "#" are ignored. Every line of a file
// must have the same number of tabs, so that a field always means the same.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <atomic>
#include <cstdint>
#include <vector>

// Values of SearchTerm::options (a set of bits).
enum SearchOptionBit : int {
  kSoWordGoesOn = 1,       // typed with a trailing "*"
  kSoWordBeganBefore = 2,  // typed with a leading "*"
  kSoCaseKept = 4,         // matched against the text as it is
  kSoNegative = 8,         // a distractor term that lowers a score
  kSoAnywhere = 16,        // no word boundaries: found inside words too
  kSoExactText = 32,       // the text is literal: case kept, "*" is an ordinary character
};

struct SearchSettings {
  int mode = 0;        // first member: 0 for plain keyword searching
  int tag_span = 250;  // markup longer than this many characters is text
};

struct SearchTerm {
  QString typed_in;          // the term as the user typed it ("econom*")
  QString term;              // what is searched for: typed_in without its wildcard stars
  QString second_term;       // passed along to the search unchanged
  int options = 0;           // SearchOptionBit values
  int weight = 0;            // multiplier of hits; 0 is read as 1
  int options2 = 0;          // second option set, passed along unchanged
  int search_param = 0;      // integer search parameter, passed along unchanged
  int other_sws_needed = 0;  // group threshold; above 0 makes a grouped term

  bool CaseKept() const { return (options & (kSoCaseKept | kSoExactText)) != 0; }
  bool Negative() const { return (options & kSoNegative) != 0; }
  bool Grouped() const { return other_sws_needed > 0; }
  int EffectiveWeight() const { return weight == 0 ? 1 : weight; }
};

// A term made from text without fields: stars at either end are wildcards,
// a star inside is an ordinary character.
SearchTerm PlainSearchTerm(const QString& typed);

// Parses one line of a filter-strings file. Returns false with a message
// (without a line number) when a field is malformed.
bool ParseSearchLine(const QString& line, SearchTerm* rec, QString* error);

class TermList {
 public:
  explicit TermList(const SearchSettings& settings = SearchSettings());
  virtual ~TermList() = default;

  const SearchSettings& Settings() const { return settings_; }
  void SetSettings(const SearchSettings& s) { settings_ = s; }

  int Count() const { return static_cast<int>(terms_.size()); }
  const SearchTerm& GetASearchRec(int i) const { return terms_[static_cast<std::size_t>(i)]; }
  const SearchTerm& operator[](int i) const { return GetASearchRec(i); }
  QString GetATypedInSW(int i) const { return GetASearchRec(i).typed_in; }
  const std::vector<SearchTerm>& Terms() const { return terms_; }

  // Clears the terms and the messages of the last load.
  virtual void Clear();
  int AddOne(const SearchTerm& rec);
  int Add(const QString& typed) { return AddOne(PlainSearchTerm(typed)); }

  // Appends a term per non-blank line. With with_settings the tab-separated
  // fields are parsed (malformed lines are left out, with a message in
  // Problems()); without, each trimmed line is a plain term. Returns the
  // number of terms added.
  int LoadFromAStringlist(const QStringList& lines, bool with_settings);

  // Reads a filter-strings file: its lines go through ParseTheList, then the
  // remaining non-blank lines become terms with their fields. Clears the list
  // first unless keep_existing. Returns false when the file cannot be read or
  // a line is malformed; Problems() then says why, naming the line.
  bool LoadFromFile(const QString& path, bool keep_existing = false);

  // Messages of the last load ("line 3: ..."), empty when all went well.
  const QStringList& Problems() const { return problems_; }

  // Index of the first term typed as typed (exact text), or -1.
  int IndexOf(const QString& typed) const;

  // Drops comment lines, trims trailing spaces and line-end characters and
  // blanks empty lines, keeping the line count.
  static void PreParseTheList(QStringList& lines);

 protected:
  // The step between reading a file's lines and making terms of them. Lines
  // it blanks are treated as absent. The default only pre-parses.
  virtual void ParseTheList(QStringList& lines) { PreParseTheList(lines); }

 private:
  SearchSettings settings_;
  std::vector<SearchTerm> terms_;
  QStringList problems_;
};

// A unit that belongs to a word: a letter, a digit or a combining mark.
bool IsWordUnit(char16_t c);

// The number of words of a text: runs of word units, where an apostrophe or
// a hyphen between two word units keeps the word together ("don't", "well-known").
std::int64_t BasicWordCount(QStringView text);

struct TermMatches {
  std::vector<std::int64_t> positions;  // start of each hit, in UTF-16 units of the text
  std::vector<std::int64_t> lengths;    // its length, the same count
  void clear() {
    positions.clear();
    lengths.clear();
  }
};

// Finds all terms of a list in a text in one pass per case mode: terms that
// ignore case share one automaton over case-folded units, terms that keep case
// share another. Hits of one term never overlap; positions rise.
class MultiTermMatcher {
 public:
  MultiTermMatcher();
  explicit MultiTermMatcher(const std::vector<SearchTerm>& terms);
  ~MultiTermMatcher();
  MultiTermMatcher(MultiTermMatcher&&) noexcept;
  MultiTermMatcher& operator=(MultiTermMatcher&&) noexcept;

  void Build(const std::vector<SearchTerm>& terms);
  int TermCount() const;

  // hits gets TermCount() entries, hits[i] for term i. When stop becomes true
  // the search ends early and the hits found so far stay.
  void FindAll(QStringView text, std::vector<TermMatches>& hits,
               const std::atomic<bool>* stop = nullptr) const;

  // How often each term is found, and in which of `segments` equal parts of
  // the text (by position: a hit starting at p lies in part p x segments / L
  // for a text of L units). The same hits as FindAll, without keeping them.
  struct Tally {
    std::int64_t hits = 0;
    std::uint32_t segments = 0;  // bit s set: a hit lies in part s
  };
  void TallyAll(QStringView text, int segments, std::vector<Tally>& tally) const;

  // The part (0 to segments - 1) of a text of length units that position
  // lies in.
  static int SegmentOf(std::int64_t position, std::int64_t length, int segments);

 private:
  struct Impl;
  Impl* impl_;
};

// The character positions (in UTF-16 units of text) at which term is found.
// Without kSoCaseKept (or kSoExactText) in options the search ignores case,
// so text may be given as it is or already upper-cased. second_term, third,
// search_param and options2 are accepted for callers that carry them; they do
// not change the search. lengths, when given, receives each hit's length.
std::vector<std::int64_t> CharacterPositionsWordFoundIn(
    const QString& term, const QString& second_term, const QString& third, QStringView text,
    int search_param, int options, int options2, std::vector<std::int64_t>* lengths = nullptr);
