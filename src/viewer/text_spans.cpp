#include "viewer/text_spans.h"

#include <QHash>
#include <algorithm>

#include "runtime/markup.h"

void TermHits::Finish() {
  std::sort(spans.begin(), spans.end(), [](const TermSpan& a, const TermSpan& b) {
    return a.start != b.start ? a.start < b.start : a.term < b.term;
  });
  counts.assign(static_cast<size_t>(terms.size()), 0);
  for (const TermSpan& s : spans) {
    if (s.term >= 0 && s.term < static_cast<int>(counts.size()))
      ++counts[static_cast<size_t>(s.term)];
  }
}

namespace {

// Calls visit(start, length) for every line of text, without its break.
template <typename Visit>
void ForEachLine(QStringView text, Visit visit) {
  const qsizetype n = text.size();
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < n) {
    const char16_t c = text[i].unicode();
    if (c == u'\r' || c == u'\n') {
      if (!visit(start, i - start)) return;
      if (c == u'\r' && i + 1 < n && text[i + 1].unicode() == u'\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < n) visit(start, n - start);
}

}  // namespace

std::vector<int> LineStarts(QStringView text) {
  std::vector<int> starts;
  ForEachLine(text, [&](qsizetype start, qsizetype) {
    starts.push_back(static_cast<int>(start));
    return true;
  });
  return starts;
}

QStringList LinesOf(QStringView text) {
  QStringList lines;
  ForEachLine(text, [&](qsizetype start, qsizetype length) {
    lines.append(text.mid(start, length).toString());
    return true;
  });
  return lines;
}

std::vector<TermSpan> MarkupSpans(QStringView text, QChar open, QChar close, int tag_span) {
  std::vector<TermSpan> spans;
  if (tag_span <= 0) return spans;
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    const qsizetype lt = text.indexOf(open, i);
    if (lt < 0) break;
    const qsizetype gt = MarkupTagClose(text, lt, close, tag_span);
    if (gt < 0) {
      i = lt + 1;
    } else {
      spans.push_back({static_cast<int>(lt), static_cast<int>(gt - lt + 1), -1});
      i = gt + 1;
    }
  }
  return spans;
}

TermHits SharedLineHits(QStringView text, const QStringList& reference_lines,
                        const std::function<bool(int)>& keep_going) {
  TermHits hits;
  // Every line of the text, by content, with its spans.
  QHash<QStringView, std::vector<int>> line_starts;
  std::vector<std::pair<int, int>> lines;
  ForEachLine(text, [&](qsizetype start, qsizetype length) {
    if (length > 0) {
      line_starts[text.mid(start, length)].push_back(static_cast<int>(lines.size()));
      lines.emplace_back(static_cast<int>(start), static_cast<int>(length));
    }
    return true;
  });

  QHash<QStringView, int> term_of;
  const qsizetype total = reference_lines.size();
  for (qsizetype r = 0; r < total; ++r) {
    if (keep_going && (r % 4096) == 0 &&
        !keep_going(static_cast<int>(r * 100 / std::max<qsizetype>(1, total)))) {
      hits.stopped = true;
      break;
    }
    const QString& line = reference_lines[r];
    if (line.isEmpty()) continue;
    const QStringView key(line);
    if (term_of.contains(key)) continue;
    auto it = line_starts.constFind(key);
    if (it == line_starts.constEnd()) continue;
    const int term = static_cast<int>(hits.terms.size());
    term_of.insert(key, term);
    hits.terms.append(line);
    for (int index : it.value()) {
      hits.spans.push_back({lines[static_cast<size_t>(index)].first,
                            lines[static_cast<size_t>(index)].second, term});
    }
  }
  hits.Finish();
  return hits;
}

QString TrimmedText(QStringView text, bool remove_markup, QChar open, QChar close, int tag_span) {
  const QString source =
      remove_markup ? WithoutMarkup(text, open, close, tag_span) : text.toString();
  const QStringView view(source);
  QString out;
  out.reserve(source.size());
  bool pending_empty = false;  // an empty line waits until a non-empty one follows
  ForEachLine(view, [&](qsizetype start, qsizetype length) {
    const QStringView line = view.mid(start, length).trimmed();
    if (line.isEmpty()) {
      if (!out.isEmpty()) pending_empty = true;
      return true;
    }
    if (pending_empty) out.append(QStringLiteral("\r\n"));
    pending_empty = false;
    out.append(line);
    out.append(QStringLiteral("\r\n"));
    return true;
  });
  return out;
}

TermHits FindTermHits(QStringView text, const std::vector<SearchTerm>& terms, int from,
                      const std::vector<TermSpan>& tags, const std::atomic<bool>* stop) {
  TermHits hits;
  for (const SearchTerm& t : terms) hits.terms.append(t.typed_in);
  const MultiTermMatcher matcher(terms);
  std::vector<TermMatches> found;
  matcher.FindAll(text.mid(from), found, stop);
  for (size_t term = 0; term < found.size(); ++term) {
    const TermMatches& h = found[term];
    for (size_t k = 0; k < h.positions.size(); ++k) {
      const int start = from + h.positions[k];
      const int length = h.lengths[k];
      // The last tag that starts before the hit ends is the only one that
      // can overlap it (tags do not overlap one another).
      auto it = std::lower_bound(tags.begin(), tags.end(), start + length,
                                 [](const TermSpan& s, int pos) { return s.start < pos; });
      if (it != tags.begin() && (it - 1)->start + (it - 1)->length > start) continue;
      hits.spans.push_back({start, length, static_cast<int>(term)});
    }
  }
  hits.stopped = stop && stop->load();
  hits.Finish();
  return hits;
}
