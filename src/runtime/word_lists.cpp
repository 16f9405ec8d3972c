#include "runtime/word_lists.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "runtime/text_reader.h"

namespace {

// Most units of most texts are ASCII: those are decided here without the
// table lookup of IsLetterUnit and UpperCaseUnit.
inline bool IsWordUnit(char16_t c) {
  if (c < 128) return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z');
  return IsLetterUnit(c);
}

inline char16_t UpperUnit(char16_t c) {
  if (c < 128) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return UpperCaseUnit(c);
}

// FNV-1a over the code units, finished with a 64-bit mixer so that words
// differing only in their last unit land far apart.
std::uint64_t Fingerprint(const char16_t* p, qsizetype n, bool case_sensitive) {
  std::uint64_t h = 1469598103934665603ULL;
  for (qsizetype k = 0; k < n; ++k) {
    const char16_t c = case_sensitive ? p[k] : UpperUnit(p[k]);
    h ^= static_cast<std::uint64_t>(c);
    h *= 1099511628211ULL;
  }
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

WordList SimpleWordListOfTxt(QStringView text, int min_word_length, bool case_sensitive,
                             std::int32_t* token_count) {
  WordList list;
  std::vector<std::uint64_t> prints;
  prints.reserve(static_cast<std::size_t>(text.size() / 5 + 1));
  const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    while (i < n && !IsWordUnit(p[i])) ++i;
    const qsizetype start = i;
    while (i < n && IsWordUnit(p[i])) ++i;
    if (i > start && i - start >= min_word_length)
      prints.push_back(Fingerprint(p + start, i - start, case_sensitive));
  }
  std::sort(prints.begin(), prints.end());
  for (std::size_t k = 0; k < prints.size();) {
    std::size_t e = k + 1;
    while (e < prints.size() && prints[e] == prints[k]) ++e;
    list.entries_.push_back({prints[k], static_cast<std::int32_t>(e - k)});
    k = e;
  }
  list.entries_.shrink_to_fit();
  list.tokens_ = static_cast<std::int32_t>(prints.size());
  if (token_count) *token_count = list.tokens_;
  return list;
}

std::int32_t TokenCountOfTxt(QStringView text) {
  const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
  const qsizetype n = text.size();
  std::int32_t tokens = 0;
  bool in_word = false;
  for (qsizetype i = 0; i < n; ++i) {
    const bool w = IsWordUnit(p[i]);
    tokens += (w && !in_word) ? 1 : 0;
    in_word = w;
  }
  return tokens;
}

bool TokenCountsCloseEnough(std::int32_t tokens_a, std::int32_t tokens_b,
                            float max_length_diff_percent) {
  const double ta = tokens_a;
  const double tb = tokens_b;
  return std::fabs(ta - tb) <=
         static_cast<double>(max_length_diff_percent) / 100.0 * ((ta + tb) / 2.0);
}

std::int32_t WordList::CountOf(QStringView word) const {
  // Word lists built without case sensitivity hold upper-cased fingerprints;
  // lists built with it are looked up as given, then upper-cased.
  const auto* p = reinterpret_cast<const char16_t*>(word.utf16());
  for (bool cs : {true, false}) {
    const std::uint64_t f = Fingerprint(p, word.size(), cs);
    auto it =
        std::lower_bound(entries_.begin(), entries_.end(), f,
                         [](const WordEntry& e, std::uint64_t v) { return e.fingerprint < v; });
    if (it != entries_.end() && it->fingerprint == f) return it->count;
  }
  return 0;
}

bool TypeAndTokenDifferences2SimpleWordLists(const WordList& a, const WordList& b,
                                             float max_length_diff_percent,
                                             float max_words_diff_percent,
                                             std::int32_t* type_differences,
                                             std::int32_t* token_differences, QString* report) {
  const auto& ea = a.Entries();
  const auto& eb = b.Entries();
  std::int64_t token_diff = 0;
  std::int64_t type_diff = 0;
  std::size_t x = 0, y = 0;
  while (x < ea.size() || y < eb.size()) {
    if (y == eb.size() || (x < ea.size() && ea[x].fingerprint < eb[y].fingerprint)) {
      token_diff += ea[x].count;
      ++type_diff;
      ++x;
    } else if (x == ea.size() || eb[y].fingerprint < ea[x].fingerprint) {
      token_diff += eb[y].count;
      ++type_diff;
      ++y;
    } else {
      token_diff += std::abs(ea[x].count - eb[y].count);
      ++x;
      ++y;
    }
  }
  const double ta = a.TokenCount();
  const double tb = b.TokenCount();
  const double words_share = static_cast<double>(max_words_diff_percent) / 100.0;
  const bool similar =
      a.TokenCount() > 0 && b.TokenCount() > 0 &&
      TokenCountsCloseEnough(a.TokenCount(), b.TokenCount(), max_length_diff_percent) &&
      static_cast<double>(token_diff) <= words_share * (ta + tb) &&
      static_cast<double>(type_diff) <= words_share * (a.TypeCount() + b.TypeCount());
  if (type_differences) *type_differences = static_cast<std::int32_t>(type_diff);
  if (token_differences) *token_differences = static_cast<std::int32_t>(token_diff);
  if (report) {
    *report =
        QStringLiteral("tokens %1/%2, types %3/%4, token differences %5, type differences %6: %7")
            .arg(a.TokenCount())
            .arg(b.TokenCount())
            .arg(a.TypeCount())
            .arg(b.TypeCount())
            .arg(token_diff)
            .arg(type_diff)
            .arg(similar ? QStringLiteral("similar") : QStringLiteral("different"));
  }
  return similar;
}

namespace {
std::mutex g_clock_mutex;
QElapsedTimer g_clock;
qint64 g_last_shown_ms = -1;
}  // namespace

void ElapsedTime(bool restart) {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  if (restart || !g_clock.isValid()) {
    g_clock.start();
    g_last_shown_ms = -1;
  }
}

QString TimeRemainingText(double elapsed_seconds, std::int64_t processed, std::int64_t total,
                          std::int64_t skipped) {
  if (processed <= 0) return QString();
  const std::int64_t left = std::max<std::int64_t>(0, total - skipped - processed);
  const auto secs = static_cast<std::int64_t>(std::llround(elapsed_seconds / processed * left));
  return QStringLiteral("%1:%2:%3")
      .arg(secs / 3600)
      .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
      .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

bool TryToDoElapsedTime(const std::function<void(const QString&)>& show, std::int64_t processed,
                        std::int64_t total, std::int64_t skipped) {
  double elapsed = 0;
  {
    std::lock_guard<std::mutex> lock(g_clock_mutex);
    if (!g_clock.isValid()) g_clock.start();
    const qint64 now = g_clock.elapsed();
    if (processed <= 0 || now < 1000) return false;
    if (g_last_shown_ms >= 0 && now - g_last_shown_ms < 500) return false;
    g_last_shown_ms = now;
    elapsed = static_cast<double>(now) / 1000.0;
  }
  if (show) show(TimeRemainingText(elapsed, processed, total, skipped));
  return true;
}
