#include "runtime/search_list.h"

#include <QChar>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <array>
#include <deque>
#include <memory>

#include "runtime/error.h"
#include "runtime/text_reader.h"

namespace {

// Per-unit facts used on every character of every text, looked up in tables
// built once.
struct UnitTables {
  std::array<std::uint8_t, 65536> word{};
  std::array<std::uint8_t, 65536> space{};
  UnitTables() {
    for (int u = 0; u < 65536; ++u) {
      const auto c = static_cast<char16_t>(u);
      const QChar q(c);
      word[static_cast<std::size_t>(u)] = (IsLetterUnit(c) || q.isDigit() || q.isMark()) ? 1 : 0;
      space[static_cast<std::size_t>(u)] = q.isSpace() ? 1 : 0;
    }
  }
};

const UnitTables& Units() {
  static const UnitTables tables;
  return tables;
}

bool IsJoiner(char16_t c) { return c == u'\'' || c == u'\u2019' || c == u'-'; }

// A field holding a whole number of 0 or more; an empty field is 0.
bool ParseCount(const QString& field, int* value) {
  const QString f = field.trimmed();
  if (f.isEmpty()) {
    *value = 0;
    return true;
  }
  bool ok = false;
  const int v = f.toInt(&ok);
  if (!ok || v < 0) return false;
  *value = v;
  return true;
}

// Strips wildcard stars from the ends of typed and sets their option bits.
void SetTermFromTyped(SearchTerm* rec) {
  QString t = rec->typed_in;
  if (!(rec->options & kSoExactText)) {
    if (t.size() > 1 && t.endsWith(QLatin1Char('*'))) {
      rec->options |= kSoWordGoesOn;
      t.chop(1);
    }
    if (t.size() > 1 && t.startsWith(QLatin1Char('*'))) {
      rec->options |= kSoWordBeganBefore;
      t.remove(0, 1);
    }
  }
  rec->term = t;
}

}  // namespace

bool IsWordUnit(char16_t c) { return Units().word[c] != 0; }

std::int64_t BasicWordCount(QStringView text) {
  const auto& word = Units().word;
  const char16_t* p = reinterpret_cast<const char16_t*>(text.data());
  const qsizetype n = text.size();
  std::int64_t count = 0;
  // A word starts at a word unit that follows no word; an apostrophe or a
  // hyphen between two word units keeps the word going. Worked without
  // branches, as this runs over every unit of every text.
  std::uint32_t in_word = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = p[i];
    const std::uint32_t w = word[c];
    count += w & (in_word ^ 1u);
    const std::uint32_t joins = IsJoiner(c) && i + 1 < n && word[p[i + 1]] ? 1u : 0u;
    in_word = w | (in_word & joins);
  }
  return count;
}

SearchTerm PlainSearchTerm(const QString& typed) {
  SearchTerm rec;
  rec.typed_in = typed.trimmed();
  SetTermFromTyped(&rec);
  return rec;
}

bool ParseSearchLine(const QString& line, SearchTerm* rec, QString* error) {
  const QStringList fields = line.split(QLatin1Char('\t'));
  if (fields.size() > 4) {
    *error = QStringLiteral(
                 "it has %1 tab-separated fields; at most 4 are read "
                 "(term, weight, group threshold, options)")
                 .arg(fields.size());
    return false;
  }
  SearchTerm r;
  r.typed_in = fields[0].trimmed();
  if (r.typed_in.isEmpty()) {
    *error = QStringLiteral("the term (first field) is empty");
    return false;
  }
  if (fields.size() > 1 && !ParseCount(fields[1], &r.weight)) {
    *error = QStringLiteral("the weight \"%1\" is not a whole number of 0 or more")
                 .arg(fields[1].trimmed());
    return false;
  }
  if (fields.size() > 2 && !ParseCount(fields[2], &r.other_sws_needed)) {
    *error = QStringLiteral("the group threshold \"%1\" is not a whole number of 0 or more")
                 .arg(fields[2].trimmed());
    return false;
  }
  if (fields.size() > 3) {
    for (const QChar ch : fields[3]) {
      switch (ch.toLower().unicode()) {
        case u'c':
          r.options |= kSoCaseKept;
          break;
        case u'n':
        case u'-':
          r.options |= kSoNegative;
          break;
        case u'a':
          r.options |= kSoAnywhere;
          break;
        case u'w':
        case u' ':
        case u',':
          break;
        default:
          *error = QStringLiteral(
                       "the options \"%1\" hold \"%2\"; use c (keep case), n (negative), "
                       "a (anywhere in words), w (whole words)")
                       .arg(fields[3].trimmed(), QString(ch));
          return false;
      }
    }
  }
  SetTermFromTyped(&r);
  if (r.term.isEmpty() || r.term == QLatin1String("*")) {
    *error = QStringLiteral("the term \"%1\" holds nothing but wildcards").arg(r.typed_in);
    return false;
  }
  if (r.term.contains(QLatin1Char('*'))) {
    *error = QStringLiteral("the term \"%1\" has a * inside; a * may only begin or end a term")
                 .arg(r.typed_in);
    return false;
  }
  *rec = r;
  return true;
}

// --- TermList ---

TermList::TermList(const SearchSettings& settings) : settings_(settings) {}

void TermList::Clear() {
  terms_.clear();
  problems_.clear();
}

int TermList::AddOne(const SearchTerm& rec) {
  terms_.push_back(rec);
  return Count() - 1;
}

int TermList::LoadFromAStringlist(const QStringList& lines, bool with_settings) {
  int added = 0;
  for (int i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    if (line.trimmed().isEmpty()) continue;
    if (!with_settings) {
      AddOne(PlainSearchTerm(line));
      ++added;
      continue;
    }
    SearchTerm rec;
    QString error;
    if (ParseSearchLine(line, &rec, &error)) {
      AddOne(rec);
      ++added;
    } else {
      problems_ << QStringLiteral("line %1: %2").arg(i + 1).arg(error);
    }
  }
  return added;
}

bool TermList::LoadFromFile(const QString& path, bool keep_existing) {
  if (!keep_existing) Clear();
  problems_.clear();
  QString text;
  try {
    text = ReadTextOfFile(path);
  } catch (const SorvelError& e) {
    problems_ << e.Message();
    return false;
  }
  QStringList lines = text.split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  // Line numbers of the file, looked up by text, since the parsing step may
  // reorder lines.
  QHash<QString, int> line_number;
  for (int i = 0; i < lines.size(); ++i) {
    QStringList one{lines[i]};
    PreParseTheList(one);
    if (!line_number.contains(one[0])) line_number.insert(one[0], i + 1);
  }
  ParseTheList(lines);
  for (const QString& line : lines) {
    if (line.trimmed().isEmpty()) continue;
    SearchTerm rec;
    QString error;
    if (ParseSearchLine(line, &rec, &error)) {
      AddOne(rec);
    } else {
      problems_ << QStringLiteral("line %1 (\"%2\"): %3")
                       .arg(line_number.value(line, 0))
                       .arg(QString(line).replace(QLatin1Char('\t'), QStringLiteral("\\t")), error);
    }
  }
  return problems_.isEmpty();
}

int TermList::IndexOf(const QString& typed) const {
  for (int i = 0; i < Count(); ++i)
    if (terms_[static_cast<std::size_t>(i)].typed_in == typed) return i;
  return -1;
}

void TermList::PreParseTheList(QStringList& lines) {
  for (QString& line : lines) {
    if (line.startsWith(QLatin1Char('#'))) {
      line.clear();
      continue;
    }
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == QLatin1Char(' ') || line[end - 1] == QLatin1Char('\r') ||
                       line[end - 1] == QLatin1Char('\n')))
      --end;
    line.truncate(end);
    if (line.trimmed().isEmpty()) line.clear();
  }
}

// --- MultiTermMatcher ---
//
// Each case mode has a deterministic automaton over "unit classes": every
// unit that occurs in a pattern has a class of its own (for the case-folding
// automaton a unit and its upper case share one), white space shares the
// class of the space, every other unit is class 0, which leads back to the
// start. A run of white space in the text is fed as one space, so phrases
// match across line breaks; a ring of the positions of the units fed gives
// each hit's start in the text.

namespace {

struct Automaton {
  bool fold_case = false;
  std::vector<std::uint16_t> cls;  // 65536 entries: unit -> class
  int nclasses = 1;
  std::uint16_t space_class = 0;  // 0 when no pattern holds a space
  // state * nclasses + class -> the next state's row (next * nclasses),
  // shifted left by one, with the low bit set when the next state ends a
  // pattern: one look-up per unit of text, and none more unless a term ends.
  std::vector<std::uint32_t> step;
  std::vector<std::int32_t> out_begin;  // per state, into out_terms (size states + 1)
  std::vector<std::int32_t> out_terms;
  int max_len = 0;
  bool empty = true;
};

struct TermInfo {
  int options = 0;
  int length = 0;  // pattern length in units fed to the automaton
  bool word_at_start = false;
  bool word_at_end = false;
  bool usable = false;
};

// The pattern a term is searched as: case folded when asked, white-space
// runs as one space, trimmed.
std::u16string PatternOf(const SearchTerm& rec, bool fold) {
  const auto& space = Units().space;
  std::u16string p;
  bool prev_space = true;  // drops leading white space
  for (const QChar ch : rec.term) {
    char16_t c = ch.unicode();
    if (space[c]) {
      if (!prev_space) p.push_back(u' ');
      prev_space = true;
      continue;
    }
    prev_space = false;
    p.push_back(fold ? UpperCaseUnit(c) : c);
  }
  while (!p.empty() && p.back() == u' ') p.pop_back();
  return p;
}

void BuildAutomaton(Automaton& a, const std::vector<std::u16string>& patterns,
                    const std::vector<int>& term_ids) {
  a.empty = patterns.empty();
  if (a.empty) return;
  const auto& space = Units().space;
  // Classes of the units the patterns use.
  std::vector<std::uint16_t> unit_class(65536, 0);
  int next = 1;
  for (const auto& p : patterns)
    for (char16_t c : p)
      if (unit_class[c] == 0) unit_class[c] = static_cast<std::uint16_t>(next++);
  a.nclasses = next;
  a.space_class = unit_class[u' '];
  a.cls.assign(65536, 0);
  for (int u = 0; u < 65536; ++u) {
    const auto c = static_cast<char16_t>(u);
    if (space[c]) {
      a.cls[static_cast<std::size_t>(u)] = a.space_class;
    } else {
      a.cls[static_cast<std::size_t>(u)] = unit_class[a.fold_case ? UpperCaseUnit(c) : c];
    }
  }
  // Trie.
  const int nc = a.nclasses;
  std::vector<std::int32_t> go(static_cast<std::size_t>(nc), -1);
  std::vector<std::vector<int>> own_out(1);
  int states = 1;
  for (std::size_t k = 0; k < patterns.size(); ++k) {
    int s = 0;
    for (char16_t c : patterns[k]) {
      const std::size_t idx = static_cast<std::size_t>(s) * nc + unit_class[c];
      if (go[idx] < 0) {
        go[idx] = states++;
        go.resize(static_cast<std::size_t>(states) * nc, -1);
        own_out.emplace_back();
      }
      s = go[static_cast<std::size_t>(s) * nc + unit_class[c]];
    }
    own_out[static_cast<std::size_t>(s)].push_back(term_ids[k]);
    a.max_len = std::max(a.max_len, static_cast<int>(patterns[k].size()));
  }
  // Failure links breadth first, completing the transitions into a DFA and
  // merging each state's outputs with those of its failure state.
  std::vector<std::int32_t> fail(static_cast<std::size_t>(states), 0);
  std::vector<std::vector<int>> out(static_cast<std::size_t>(states));
  std::deque<int> queue;
  for (int c = 0; c < nc; ++c) {
    std::int32_t& t = go[static_cast<std::size_t>(c)];
    if (t < 0) {
      t = 0;
    } else {
      fail[static_cast<std::size_t>(t)] = 0;
      queue.push_back(t);
    }
  }
  out[0] = own_out[0];
  while (!queue.empty()) {
    const int s = queue.front();
    queue.pop_front();
    auto& o = out[static_cast<std::size_t>(s)];
    o = own_out[static_cast<std::size_t>(s)];
    const auto& fo = out[static_cast<std::size_t>(fail[static_cast<std::size_t>(s)])];
    o.insert(o.end(), fo.begin(), fo.end());
    for (int c = 0; c < nc; ++c) {
      const std::size_t idx = static_cast<std::size_t>(s) * nc + c;
      const std::int32_t f_next =
          go[static_cast<std::size_t>(fail[static_cast<std::size_t>(s)]) * nc + c];
      if (go[idx] < 0) {
        go[idx] = f_next;
      } else {
        fail[static_cast<std::size_t>(go[idx])] = f_next;
        queue.push_back(go[idx]);
      }
    }
  }
  a.out_begin.assign(static_cast<std::size_t>(states) + 1, 0);
  for (int s = 0; s < states; ++s) {
    a.out_begin[static_cast<std::size_t>(s) + 1] =
        a.out_begin[static_cast<std::size_t>(s)] +
        static_cast<std::int32_t>(out[static_cast<std::size_t>(s)].size());
    a.out_terms.insert(a.out_terms.end(), out[static_cast<std::size_t>(s)].begin(),
                       out[static_cast<std::size_t>(s)].end());
  }
  if (static_cast<std::uint64_t>(states) * static_cast<std::uint64_t>(nc) >=
      (std::uint64_t(1) << 31))
    throw SorvelError(QStringLiteral("too many search terms to search at once"));
  a.step.resize(go.size());
  for (std::size_t k = 0; k < go.size(); ++k) {
    const auto t = static_cast<std::size_t>(go[k]);
    const bool ends = a.out_begin[t + 1] != a.out_begin[t];
    a.step[k] =
        (static_cast<std::uint32_t>(t * static_cast<std::size_t>(nc)) << 1) | (ends ? 1u : 0u);
  }
}

}  // namespace

struct MultiTermMatcher::Impl {
  std::vector<TermInfo> terms;
  Automaton folded;  // terms that ignore case
  Automaton exact;   // terms that keep case

  // Calls hit(term, start, end) for every hit of the automaton's terms, end
  // being the position of the hit's last unit. last_end holds, per term, the
  // position after its last hit, which keeps one term's hits apart.
  template <class OnHit>
  void Scan(const Automaton& a, QStringView text, std::vector<qsizetype>& last_end,
            const std::atomic<bool>* stop, OnHit&& hit) const;
};

MultiTermMatcher::MultiTermMatcher() : impl_(new Impl) {}
MultiTermMatcher::MultiTermMatcher(const std::vector<SearchTerm>& terms) : impl_(new Impl) {
  Build(terms);
}
MultiTermMatcher::~MultiTermMatcher() { delete impl_; }
MultiTermMatcher::MultiTermMatcher(MultiTermMatcher&& o) noexcept : impl_(o.impl_) {
  o.impl_ = new Impl;
}
MultiTermMatcher& MultiTermMatcher::operator=(MultiTermMatcher&& o) noexcept {
  std::swap(impl_, o.impl_);
  return *this;
}

int MultiTermMatcher::TermCount() const { return static_cast<int>(impl_->terms.size()); }

void MultiTermMatcher::Build(const std::vector<SearchTerm>& recs) {
  auto fresh = std::make_unique<Impl>();
  fresh->folded.fold_case = true;
  fresh->exact.fold_case = false;
  std::vector<std::u16string> pat_folded, pat_exact;
  std::vector<int> ids_folded, ids_exact;
  fresh->terms.resize(recs.size());
  for (std::size_t i = 0; i < recs.size(); ++i) {
    const SearchTerm& rec = recs[i];
    const bool fold = !rec.CaseKept();
    std::u16string p = PatternOf(rec, fold);
    TermInfo& info = fresh->terms[i];
    info.options = rec.options;
    if (p.empty()) continue;  // never found
    info.usable = true;
    info.length = static_cast<int>(p.size());
    info.word_at_start = IsWordUnit(p.front());
    info.word_at_end = IsWordUnit(p.back());
    if (fold) {
      pat_folded.push_back(std::move(p));
      ids_folded.push_back(static_cast<int>(i));
    } else {
      pat_exact.push_back(std::move(p));
      ids_exact.push_back(static_cast<int>(i));
    }
  }
  BuildAutomaton(fresh->folded, pat_folded, ids_folded);
  BuildAutomaton(fresh->exact, pat_exact, ids_exact);
  delete impl_;
  impl_ = fresh.release();
}

template <class OnHit>
void MultiTermMatcher::Impl::Scan(const Automaton& a, QStringView text,
                                  std::vector<qsizetype>& last_end, const std::atomic<bool>* stop,
                                  OnHit&& hit) const {
  if (a.empty) return;
  const auto& word = Units().word;
  const char16_t* p = reinterpret_cast<const char16_t*>(text.data());
  const qsizetype n = text.size();
  const std::uint16_t* cls = a.cls.data();
  const std::uint32_t* step = a.step.data();
  const std::int32_t* ob = a.out_begin.data();
  const std::uint32_t nc = static_cast<std::uint32_t>(a.nclasses);
  const std::uint16_t space_class = a.space_class;
  // Positions of the last fed units, for hit starts when white space was
  // collapsed; a power of two above the longest pattern.
  std::size_t ring_size = 1;
  while (ring_size <= static_cast<std::size_t>(a.max_len)) ring_size <<= 1;
  std::vector<qsizetype> ring(space_class ? ring_size : 0);
  const std::size_t mask = ring_size - 1;
  std::size_t fed = 0;
  bool prev_space = false;
  std::uint32_t row = 0;  // the current state's row in step

  auto record = [&](int t, qsizetype start, qsizetype end) {
    const TermInfo& info = terms[static_cast<std::size_t>(t)];
    const int opts = info.options;
    const bool anywhere = (opts & kSoAnywhere) != 0;
    if (!anywhere) {
      if (!(opts & kSoWordBeganBefore)) {
        if (info.word_at_start && start > 0 && word[p[start - 1]]) return;
      } else {
        while (start > 0 && word[p[start - 1]]) --start;
      }
      if (!(opts & kSoWordGoesOn)) {
        if (info.word_at_end && end + 1 < n && word[p[end + 1]]) return;
      } else {
        while (end + 1 < n && word[p[end + 1]]) ++end;
      }
    }
    qsizetype& le = last_end[static_cast<std::size_t>(t)];
    if (start < le) return;
    le = end + 1;
    hit(t, start, end);
  };

  for (qsizetype i = 0; i < n; ++i) {
    const std::uint16_t c = cls[p[i]];
    if (space_class) {
      if (c == space_class) {
        if (prev_space) continue;
        prev_space = true;
      } else {
        prev_space = false;
      }
      ring[fed & mask] = i;
    }
    ++fed;
    const std::uint32_t v = step[row + c];
    row = v >> 1;
    if (v & 1) {
      const std::uint32_t s = row / nc;
      for (std::int32_t k = ob[s], e = ob[s + 1]; k < e; ++k) {
        const int t = a.out_terms[static_cast<std::size_t>(k)];
        const int len = terms[static_cast<std::size_t>(t)].length;
        const qsizetype start =
            space_class ? ring[(fed - static_cast<std::size_t>(len)) & mask] : i - len + 1;
        record(t, start, i);
      }
    }
    if (stop && (i & 0xFFFF) == 0 && stop->load(std::memory_order_relaxed)) return;
  }
}

void MultiTermMatcher::FindAll(QStringView text, std::vector<TermMatches>& hits,
                               const std::atomic<bool>* stop) const {
  hits.resize(impl_->terms.size());
  for (auto& h : hits) h.clear();
  std::vector<qsizetype> last_end(impl_->terms.size(), 0);
  auto keep = [&hits](int t, qsizetype start, qsizetype end) {
    TermMatches& h = hits[static_cast<std::size_t>(t)];
    h.positions.push_back(start);
    h.lengths.push_back(end + 1 - start);
  };
  impl_->Scan(impl_->folded, text, last_end, stop, keep);
  impl_->Scan(impl_->exact, text, last_end, stop, keep);
}

int MultiTermMatcher::SegmentOf(std::int64_t position, std::int64_t length, int segments) {
  if (length <= 0) return segments - 1;
  // position < 2^62 and segments <= 32 keep the product inside 64 bits.
  const std::int64_t s = position * segments / length;
  return s >= segments ? segments - 1 : static_cast<int>(s);
}

void MultiTermMatcher::TallyAll(QStringView text, int segments, std::vector<Tally>& tally) const {
  segments = std::clamp(segments, 1, 32);
  tally.assign(impl_->terms.size(), Tally());
  std::vector<qsizetype> last_end(impl_->terms.size(), 0);
  const std::int64_t length = text.size();
  auto count = [&](int t, qsizetype start, qsizetype) {
    Tally& y = tally[static_cast<std::size_t>(t)];
    ++y.hits;
    y.segments |= 1u << SegmentOf(start, length, segments);
  };
  impl_->Scan(impl_->folded, text, last_end, nullptr, count);
  impl_->Scan(impl_->exact, text, last_end, nullptr, count);
}

std::vector<std::int64_t> CharacterPositionsWordFoundIn(
    const QString& term, const QString& /*second_term*/, const QString& /*third*/, QStringView text,
    int /*search_param*/, int options, int /*options2*/, std::vector<std::int64_t>* lengths) {
  SearchTerm rec;
  rec.typed_in = term;
  rec.term = term;
  rec.options = options;
  MultiTermMatcher matcher(std::vector<SearchTerm>{rec});
  std::vector<TermMatches> hits;
  matcher.FindAll(text, hits);
  if (lengths) *lengths = std::move(hits[0].lengths);
  return std::move(hits[0].positions);
}
