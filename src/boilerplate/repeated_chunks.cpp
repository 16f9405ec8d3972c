#include "boilerplate/repeated_chunks.h"

#include <QChar>
#include <QHashFunctions>
#include <algorithm>
#include <string>

#include "runtime/error.h"
#include "runtime/panic.h"
#include "runtime/text_reader.h"

namespace {

inline bool IsSpace(char16_t c) {
  if (c > u' ' && c < 0x80) return false;
  switch (c) {
    case u' ': case u'\t': case u'\r': case u'\n': case u'\f': case u'\v':
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

// Terminators that end a sentence only when white space follows.
inline bool IsSpacedTerminator(char16_t c) {
  return c == u'.' || c == u'!' || c == u'?' || c == 0x2026 /* … */ || c == 0x037E /* Greek ; */ ||
         c == 0x061F /* Arabic ? */ || c == 0x203C || c == 0x2047 || c == 0x2048 || c == 0x2049;
}

// Terminators of scripts written without spaces between words and sentences.
inline bool IsImmediateTerminator(char16_t c) {
  return c == 0x3002 /* 。 */ || c == 0xFF01 /* ！ */ || c == 0xFF1F /* ？ */ ||
         c == 0xFF61 /* ｡ */ || c == 0xFF0E /* ． */ || c == 0x0964 || c == 0x0965 /* dandas */;
}

// Closing quotes and brackets that stay with the sentence they end.
inline bool IsCloser(char16_t c) {
  switch (c) {
    case u'"': case u'\'': case u')': case u']': case u'}':
    case 0xBB: case 0x2019: case 0x201D: case 0x203A:
    case 0x300D: case 0x300F: case 0x3009: case 0x300B: case 0xFF09: case 0x300F + 2:
      return true;
    default:
      return false;
  }
}

inline char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool EqualsLowerAscii(const char16_t* s, qsizetype n, const char* word) {
  qsizetype i = 0;
  for (; i < n && word[i]; ++i) {
    if (LowerAscii(s[i]) != char16_t(static_cast<unsigned char>(word[i]))) return false;
  }
  return i == n && word[i] == 0;
}

// Words that are usually followed by a "." that does not end the sentence.
bool IsAbbreviation(const char16_t* w, qsizetype n) {
  static const char* const kWords[] = {
      "mr", "mrs", "ms", "dr", "prof", "st", "sr", "jr", "vs", "cf", "fig", "figs", "no",
      "nos", "nr", "vol", "pp", "approx", "ca", "dept", "gen", "col", "lt", "sgt", "capt",
      "rev", "hon", "mt", "ft", "jan", "feb", "mar", "apr", "jun", "jul", "aug", "sep",
      "sept", "oct", "nov", "dec", "bzw", "ggf", "vgl", "evtl", "inkl", "mme", "mlle", "sra",
      "srta", "ed", "eds", "ch", "art", "abs", "op", "cit", "ibid", "resp"};
  if (n == 1) return true;  // an initial
  if (n > 6) return false;
  for (const char* k : kWords) {
    if (EqualsLowerAscii(w, n, k)) return true;
  }
  return false;
}

// Inline markup disappears; every other tag separates chunks.
bool IsInlineTag(const char16_t* s, qsizetype n) {
  qsizetype i = 0;
  if (i < n && s[i] == u'/') ++i;
  if (i < n && (s[i] == u'!' || s[i] == u'?')) return true;  // comments, declarations
  qsizetype start = i;
  while (i < n && i - start < 12 && ((s[i] >= u'a' && s[i] <= u'z') || (s[i] >= u'A' && s[i] <= u'Z') ||
                                     (s[i] >= u'0' && s[i] <= u'9')))
    ++i;
  const qsizetype len = i - start;
  if (len == 0) return false;
  static const char* const kInline[] = {
      "a", "abbr", "acronym", "b", "bdi", "bdo", "big", "cite", "code", "data", "del", "dfn",
      "em", "font", "i", "img", "ins", "kbd", "label", "mark", "nobr", "q", "samp", "small",
      "span", "strike", "strong", "sub", "sup", "time", "tt", "u", "var", "wbr"};
  for (const char* k : kInline) {
    if (EqualsLowerAscii(s + start, len, k)) return true;
  }
  return false;
}

// A "<" opens a tag only when a name, "/", "!" or "?" follows at once, so
// that "a < b" in prose is never taken for markup.
inline bool StartsATag(char16_t c) {
  return c == u'/' || c == u'!' || c == u'?' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
         (c > 0x7F && QChar::isLetter(c));
}

// Whether the terminator run that ends at position j of the text ends the
// sentence. dot_at is the position in the chunk of a lone "." (no run, no
// closer), or -1.
bool EndsSentence(const char16_t* s, qsizetype n, qsizetype j, const std::u16string& chunk,
                  qsizetype dot_at) {
  if (j >= n) return true;
  if (!IsSpace(s[j]) && s[j] != u'<') return false;  // "3.14", "www.example.org", "e.g.,"
  qsizetype k = j;
  while (k < n && IsSpace(s[k])) ++k;
  if (k >= n) return true;
  if (QChar::isLower(s[k])) return false;
  if (dot_at > 0) {
    qsizetype w = dot_at;
    while (w > 0 && QChar::isLetter(chunk[static_cast<std::size_t>(w - 1)])) --w;
    const qsizetype len = dot_at - w;
    if (len > 0 && IsAbbreviation(chunk.data() + w, len)) return false;
  }
  return true;
}

}  // namespace

void CutTextIntoChunks(QStringView text, const TChunkRules& rules,
                       const std::function<void(QStringView, bool, qsizetype)>& found) {
  const char16_t* s = text.utf16();
  const qsizetype n = text.size();
  std::u16string chunk;
  chunk.reserve(512);
  bool space_pending = false;
  int line_feeds = 0;  // line feeds in the white space since the last visible character
  qsizetype i = 0;

  auto emit = [&](bool terminated) {
    if (!chunk.empty()) found(QStringView(chunk.data(), static_cast<qsizetype>(chunk.size())), terminated, i);
    chunk.clear();
    space_pending = false;
  };
  auto put = [&](char16_t c) {
    if (space_pending) {
      if (!chunk.empty()) chunk.push_back(u' ');
      space_pending = false;
    }
    chunk.push_back(c);
    line_feeds = 0;
    if (chunk.size() >= static_cast<std::size_t>(kMaxChunkLength)) emit(false);
  };

  while (i < n) {
    const char16_t c = s[i];
    if (IsSpace(c)) {
      if (c == u'\n' && ++line_feeds >= 2) emit(false);  // a blank line
      space_pending = true;
      ++i;
      continue;
    }
    if (c == u'<' && rules.tag_span > 0 && i + 1 < n && StartsATag(s[i + 1])) {
      const qsizetype limit = std::min<qsizetype>(n, i + 1 + rules.tag_span);
      qsizetype gt = -1;
      for (qsizetype k = i + 1; k < limit; ++k) {
        if (s[k] == u'>') {
          gt = k;
          break;
        }
      }
      if (gt >= 0) {
        if (!IsInlineTag(s + i + 1, gt - i - 1)) {
          emit(false);
          line_feeds = 0;
        }
        i = gt + 1;
        continue;
      }
      // No ">" within the span: an ordinary "<".
    }
    if (IsImmediateTerminator(c)) {
      put(c);
      ++i;
      while (i < n && (IsImmediateTerminator(s[i]) || IsCloser(s[i]))) put(s[i++]);
      emit(true);
      continue;
    }
    if (IsSpacedTerminator(c)) {
      put(c);
      const qsizetype dot_pos = static_cast<qsizetype>(chunk.size()) - 1;
      qsizetype j = i + 1;
      while (j < n && IsSpacedTerminator(s[j])) put(s[j++]);
      while (j < n && IsCloser(s[j])) put(s[j++]);
      const bool lone_dot = c == u'.' && j == i + 1;
      i = j;
      if (!chunk.empty() && EndsSentence(s, n, j, chunk, lone_dot ? dot_pos : -1)) emit(true);
      continue;
    }
    put(c);
    ++i;
  }
  emit(false);
}

void TRepeatedChunks::Clear() {
  chunks_.Clear();
  files_.Clear();
  row_order_.Clear();
  table_.clear();
  table_.shrink_to_fit();
  used_ = 0;
  records_.clear();
  records_.shrink_to_fit();
  distinct_ = 0;
  reached_ = 0;
  reported_ = -1;
  last_overall_ = -1;
  dirty_ = false;
  loaded_.clear();
  loaded_number_ = -1;
  stop_.store(false, std::memory_order_relaxed);
}

void TRepeatedChunks::SetSettings(bool include_unterminated, int tag_span, int min_hits,
                                  int min_length, ProgressFunc progress_in_file,
                                  ProgressFunc progress_overall, CountFunc count_reporter) {
  include_unterminated_ = include_unterminated;
  rules_.tag_span = tag_span;
  min_hits_ = std::max(2, min_hits);
  min_length_ = std::max(1, min_length);
  progress_in_file_ = std::move(progress_in_file);
  progress_overall_ = std::move(progress_overall);
  count_reporter_ = std::move(count_reporter);
}

int TRepeatedChunks::LoadATextFile(const QString& file_name) {
  if (Stopped()) return -1;
  TextFileInfo info;
  try {
    loaded_ = ReadTextOfFile(file_name, &info);
  } catch (const SorvelError&) {
    loaded_.clear();
    loaded_number_ = -1;
    return -1;
  }
  loaded_number_ = files_.AddOne(file_name, info.size, 0);
  return loaded_number_;
}

TRepeatedChunks::Slot& TRepeatedChunks::FindSlot(std::uint64_t key) {
  const std::size_t mask = table_.size() - 1;
  std::size_t i = static_cast<std::size_t>(key) & mask;
  while (table_[i].key != 0 && table_[i].key != key) i = (i + 1) & mask;
  return table_[i];
}

void TRepeatedChunks::Grow() {
  std::vector<Slot> old;
  old.swap(table_);
  table_.assign(old.empty() ? 1u << 16 : old.size() * 2, Slot{});
  for (const Slot& s : old) {
    if (s.key != 0) FindSlot(s.key) = s;
  }
}

void TRepeatedChunks::CountChunk(QStringView chunk, std::int32_t file) {
  if ((used_ + 1) * 2 > table_.size()) Grow();
  std::uint64_t key = static_cast<std::uint64_t>(qHashBits(chunk.utf16(), static_cast<std::size_t>(chunk.size()) * 2, 0x5eed));
  if (key == 0) key = 1;
  Slot& slot = FindSlot(key);
  if (slot.key == 0) {
    slot.key = key;
    slot.file = file;
    slot.rec = -1;
    ++used_;
    ++distinct_;
    return;
  }
  if (slot.rec < 0) {
    // Second hit: from now on the text is worth keeping.
    Record r;
    r.text = chunk.toString();
    if (slot.file == file) {
      r.occurrences.AddOne(file, 2);
    } else {
      r.occurrences.AddOne(slot.file, 1);
      r.occurrences.AddOne(file, 1);
    }
    r.total = 2;
    slot.rec = static_cast<std::int32_t>(records_.size());
    records_.push_back(std::move(r));
    if (min_hits_ <= 2) ++reached_;
    return;
  }
  Record& r = records_[static_cast<std::size_t>(slot.rec)];
  // Two different texts with the same 64-bit hash are astronomically rare;
  // if it happens, the later one is not counted rather than miscounted.
  if (QStringView(r.text) != chunk) return;
  boiler::T2LongintRec& last = r.occurrences.Last();
  if (last.value1 == file) {
    ++last.value2;
  } else {
    r.occurrences.AddOne(file, 1);
  }
  ++r.total;
  if (r.total == min_hits_) ++reached_;
}

void TRepeatedChunks::AddToRepeatedSentencesInTxt(int text_number, int file_count) {
  if (text_number < 0 || text_number != loaded_number_) return;
  const QString text = std::move(loaded_);
  loaded_ = QString();
  loaded_number_ = -1;
  if (Stopped() || global_panic_state.load(std::memory_order_relaxed) >= 2) return;
  dirty_ = true;

  // Progress within the text only for long texts, where it is worth seeing.
  const qsizetype n = text.size();
  const bool show_in_file = progress_in_file_ && n > (1 << 20);
  int last_in_file = -1;
  int chunks_seen = 0;
  bool stopped = false;
  const std::int32_t file = text_number;
  CutTextIntoChunks(text, rules_, [&](QStringView chunk, bool terminated, qsizetype at) {
    if (stopped) return;
    if ((++chunks_seen & 1023) == 0) {
      if (Stopped() || global_panic_state.load(std::memory_order_relaxed) >= 2) {
        stopped = true;
        return;
      }
      if (show_in_file) {
        const int p = static_cast<int>(std::int64_t(at) * 100 / n);
        if (p != last_in_file) {
          last_in_file = p;
          progress_in_file_(p);
        }
      }
    }
    if (!terminated && !include_unterminated_) return;
    if (chunk.size() < min_length_) return;
    CountChunk(chunk, file);
  });
  if (show_in_file && last_in_file != 100) progress_in_file_(100);

  if (progress_overall_ && file_count > 0) {
    const int p = static_cast<int>(std::min<std::int64_t>(100, (std::int64_t(text_number) + 1) * 100 / file_count));
    if (p != last_overall_) {
      last_overall_ = p;
      progress_overall_(p);
    }
  }
  if (count_reporter_ && reached_ != reported_) {
    reported_ = reached_;
    count_reporter_(reached_);
  }
  if (text_number + 1 >= file_count) Finish();
}

void TRepeatedChunks::Finish() {
  chunks_.Clear();
  row_order_.Clear();
  for (const Record& r : records_) {
    if (r.total < min_hits_) continue;
    chunks_.Add(boiler::TStringlistWithListOfOccurrences::Entry{r.text, r.occurrences, r.total});
  }
  dirty_ = false;
}

void TRepeatedChunks::SortDescendingFreq() {
  if (dirty_) Finish();
  auto& e = chunks_.Entries();
  std::sort(e.begin(), e.end(), [](const auto& a, const auto& b) {
    if (a.total != b.total) return a.total > b.total;
    const int fa = a.occurrences.GetAValue(0).value1, fb = b.occurrences.GetAValue(0).value1;
    if (fa != fb) return fa < fb;
    return a.text < b.text;
  });
  row_order_.Clear();
}

void TRepeatedChunks::SortAScendingFilenumbers() {
  if (dirty_) Finish();
  auto& e = chunks_.Entries();
  std::sort(e.begin(), e.end(), [](const auto& a, const auto& b) {
    const int na = a.occurrences.Count(), nb = b.occurrences.Count();
    for (int j = 0; j < na && j < nb; ++j) {
      const int fa = a.occurrences.GetAValue(j).value1, fb = b.occurrences.GetAValue(j).value1;
      if (fa != fb) return fa < fb;
    }
    if (na != nb) return na < nb;
    if (a.total != b.total) return a.total > b.total;
    return a.text < b.text;
  });
  row_order_.Clear();
}
