#pragma once
// The spans that the text viewer draws: keyword hits, lines shared with a
// reference text, and markup tags. Plain functions over the shown text, so
// that they can be tested and reused without a window.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <atomic>
#include <functional>
#include <vector>

#include "runtime/search_list.h"

// [start, start + length) in UTF-16 code units of the shown text; term is the
// index of the search term that produced it (-1 for markup).
struct TermSpan {
  int start = 0;
  int length = 0;
  int term = -1;
};

// Hits of a set of terms in one text.
struct TermHits {
  QStringList terms;            // the terms as typed, in search order
  std::vector<TermSpan> spans;  // every hit, sorted by start
  std::vector<int> counts;      // hits per term (terms.size() entries)
  bool stopped = false;         // the search was stopped before the end

  int TotalCount() const { return static_cast<int>(spans.size()); }
  // Position of the first hit, -1 when there is none.
  int FirstPosition() const { return spans.empty() ? -1 : spans.front().start; }
  // Sorts the spans by start (then term) and recounts the hits per term.
  void Finish();
};

// The start of every line of text (lines end in CR LF, LF or CR). An empty
// text has no lines; a text that does not end in a break has a last line
// without one.
std::vector<int> LineStarts(QStringView text);

// The lines of text without their line breaks.
QStringList LinesOf(QStringView text);

// Markup tags under the suite's rule: from an opening character to the next
// closing character when that comes within tag_span characters; an opening
// character without such a partner is text. tag_span <= 0: no markup.
std::vector<TermSpan> MarkupSpans(QStringView text, QChar open, QChar close, int tag_span);

// Hits of terms in text from position from on (earlier text, such as a
// header, is not searched), leaving out those that overlap one of tags
// (sorted, not overlapping one another). Each span carries the term's index
// in terms. stop, when given, ends the search early when set.
TermHits FindTermHits(QStringView text, const std::vector<SearchTerm>& terms, int from,
                      const std::vector<TermSpan>& tags, const std::atomic<bool>* stop = nullptr);

// Lines shared with a reference text. The terms are the distinct non-empty
// reference lines that occur as a whole line of text, in reference order; the
// hits are every line of text equal to one of them. An empty line is never a
// term. keep_going is asked every few thousand lines; false stops the search.
TermHits SharedLineHits(QStringView text, const QStringList& reference_lines,
                        const std::function<bool(int percent)>& keep_going = {});

// What "Trim the text" leaves of a text: markup tags removed (when
// remove_markup, under the rule above), spaces and tabs cut from both ends of
// every line, runs of empty lines reduced to one, and no empty lines at the
// start or the end. Lines end in CR LF, as the reader joins them.
QString TrimmedText(QStringView text, bool remove_markup, QChar open, QChar close, int tag_span);
