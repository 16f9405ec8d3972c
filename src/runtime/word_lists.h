#pragma once
// Word lists of texts and their comparison, as the duplicate-contents search
// uses them, and the time-remaining estimate of long searches.
//
// A word is a maximal run of letters and digits (IsLetterUnit or a decimal
// digit), compared without regard to case. A word list keeps one entry per
// type (distinct word) with its number of tokens (running words). The list
// stores a 64-bit fingerprint of each word rather than the word itself: that
// is all a comparison needs, and two different words of the same pair of
// texts share a fingerprint with a chance of about one in 10^12 even for
// texts of a million types.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <vector>

struct WordEntry {
  std::uint64_t fingerprint = 0;
  std::int32_t count = 0;
};

class WordList {
 public:
  // Entries sorted by fingerprint, one per type.
  const std::vector<WordEntry>& Entries() const { return entries_; }
  std::int32_t TypeCount() const { return static_cast<std::int32_t>(entries_.size()); }
  std::int32_t TokenCount() const { return tokens_; }
  // The tokens of one word (compared without regard to case); 0 when absent.
  std::int32_t CountOf(QStringView word) const;
  std::size_t MemoryBytes() const { return entries_.capacity() * sizeof(WordEntry); }

 private:
  friend WordList SimpleWordListOfTxt(QStringView text, int min_word_length, bool case_sensitive,
                                      std::int32_t* token_count);
  std::vector<WordEntry> entries_;
  std::int32_t tokens_ = 0;
};

// The word list of a text. Words shorter than min_word_length characters are
// left out; case_sensitive keeps "The" and "the" apart. *token_count (when
// given) receives the number of tokens counted.
WordList SimpleWordListOfTxt(QStringView text, int min_word_length, bool case_sensitive,
                             std::int32_t* token_count = nullptr);

// The number of tokens SimpleWordListOfTxt(text, 1, false) counts, without
// building the list.
std::int32_t TokenCountOfTxt(QStringView text);

// Condition 1 of the comparison below, on the token counts alone: a pair that
// fails it is not similar whatever its words are.
bool TokenCountsCloseEnough(std::int32_t tokens_a, std::int32_t tokens_b,
                            float max_length_diff_percent);

// Compares two word lists.
//   token differences: the running words of either text that the other text
//     does not match, i.e. the sum over all types of |count in A - count in B|;
//   type differences: the types that occur in only one of the two texts.
// The texts are similar when both of these hold:
//   1. their token counts differ by at most max_length_diff_percent of their
//      mean token count (texts of clearly different length are not copies);
//   2. the token differences are at most max_words_diff_percent of the two
//      texts' tokens together, and the type differences at most
//      max_words_diff_percent of their types together (most running words
//      and most distinct words are shared).
// Smaller thresholds are therefore stricter; 0 and 0 accept only texts with
// the same words the same number of times, in any order. A text without any
// word is similar to no text: two empty word lists say nothing about the
// texts. report (when given) receives a one-line summary.
bool TypeAndTokenDifferences2SimpleWordLists(const WordList& a, const WordList& b,
                                             float max_length_diff_percent,
                                             float max_words_diff_percent,
                                             std::int32_t* type_differences,
                                             std::int32_t* token_differences,
                                             QString* report = nullptr);

// The time-remaining estimate of a long run over a list. ElapsedTime(true)
// restarts the clock. TryToDoElapsedTime estimates, from the time used so
// far for `processed` items, how long the remaining ones take, where the
// remaining ones are total - skipped - processed; it shows the estimate as
// "h:mm:ss" through `show`, at most twice a second and only once at least
// one item was processed and a second has passed. Returns whether it showed.
void ElapsedTime(bool restart);
bool TryToDoElapsedTime(const std::function<void(const QString&)>& show, std::int64_t processed,
                        std::int64_t total, std::int64_t skipped);
// The estimate itself, for callers that keep their own clock.
QString TimeRemainingText(double elapsed_seconds, std::int64_t processed, std::int64_t total,
                          std::int64_t skipped);
