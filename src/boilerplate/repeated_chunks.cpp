#include "boilerplate/repeated_chunks.h"

#include <QChar>
#include <QFileInfo>
#include <QHashFunctions>
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "runtime/error.h"
#include "runtime/panic.h"
#include "runtime/text_reader.h"

namespace {

inline bool IsSpace(char16_t c) {
  if (c > u' ' && c < 0x80) return false;
  switch (c) {
    case u' ':
    case u'\t':
    case u'\r':
    case u'\n':
    case u'\f':
    case u'\v':
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
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
    case u'"':
    case u'\'':
    case u')':
    case u']':
    case u'}':
    case 0xBB:
    case 0x2019:
    case 0x201D:
    case 0x203A:
    case 0x300D:
    case 0x300F:
    case 0x3009:
    case 0x300B:
    case 0x3011:
    case 0xFF09:
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
      "mr",   "mrs",  "ms",  "dr",  "prof", "st",     "sr",  "jr",   "vs",   "cf",   "fig", "figs",
      "no",   "nos",  "nr",  "vol", "pp",   "approx", "ca",  "dept", "gen",  "col",  "lt",  "sgt",
      "capt", "rev",  "hon", "mt",  "ft",   "jan",    "feb", "mar",  "apr",  "jun",  "jul", "aug",
      "sep",  "sept", "oct", "nov", "dec",  "bzw",    "ggf", "vgl",  "evtl", "inkl", "mme", "mlle",
      "sra",  "srta", "ed",  "eds", "ch",   "art",    "abs", "op",   "cit",  "ibid", "resp"};
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
  while (i < n && i - start < 12 &&
         ((s[i] >= u'a' && s[i] <= u'z') || (s[i] >= u'A' && s[i] <= u'Z') ||
          (s[i] >= u'0' && s[i] <= u'9')))
    ++i;
  const qsizetype len = i - start;
  if (len == 0) return false;
  static const char* const kInline[] = {
      "a",     "abbr", "acronym", "b",  "bdi",  "bdo",   "big",  "cite",   "code",
      "data",  "del",  "dfn",     "em", "font", "i",     "img",  "ins",    "kbd",
      "label", "mark", "nobr",    "q",  "samp", "small", "span", "strike", "strong",
      "sub",   "sup",  "time",    "tt", "u",    "var",   "wbr"};
  for (const char* k : kInline) {
    if (EqualsLowerAscii(s + start, len, k)) return true;
  }
  return false;
}

// A "<" opens a tag only when a name, "/", "!" or "?" follows at once, so
// that "a < b" in prose is never taken for markup.
inline bool StartsATag(char16_t c) {
  return c == u'/' || c == u'!' || c == u'?' || (c >= u'a' && c <= u'z') ||
         (c >= u'A' && c <= u'Z') || (c > 0x7F && QChar::isLetter(c));
}

// Character classes, looked up once per code unit.
enum : std::uint8_t { kPlain = 0, kSpace = 1, kLineBreak = 2, kSpecial = 4 };

struct ClassTable {
  std::uint8_t of[0x10000];
  ClassTable() {
    for (int c = 0; c < 0x10000; ++c) {
      const auto u = static_cast<char16_t>(c);
      std::uint8_t k = kPlain;
      if (IsSpace(u)) k |= kSpace;
      if (u == u'\n' || u == u'\r' || u == 0x85 || u == 0x2028 || u == 0x2029) k |= kLineBreak;
      if (u == u'<' || IsSpacedTerminator(u) || IsImmediateTerminator(u) || IsCloser(u))
        k |= kSpecial;
      of[c] = k;
    }
  }
};

const ClassTable& Classes() {
  static const ClassTable table;
  return table;
}

inline std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
  const unsigned __int128 r = static_cast<unsigned __int128>(a) * b;
  return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
}

inline std::uint64_t Load64(const char16_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

}  // namespace

std::uint64_t ChunkHash(const char16_t* s, std::size_t n) {
  constexpr std::uint64_t k1 = 0xa0761d6478bd642fULL, k2 = 0xe7037ed1a0b428dbULL,
                          k3 = 0x8ebc6af09c88c6e3ULL, k4 = 0x589965cc75374cc3ULL;
  std::uint64_t h = k4 ^ (n * k1);
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) h = Mix(Load64(s + i) ^ k1, Load64(s + i + 4) ^ h ^ k2);
  if (i < n) {
    char16_t tail[8] = {};
    std::memcpy(tail, s + i, (n - i) * 2);
    h = Mix(Load64(tail) ^ k3, Load64(tail + 4) ^ h ^ k2);
  }
  h = Mix(h ^ k1, n ^ k3);
  return h == 0 ? 1 : h;
}

ChunkCutter::ChunkCutter(const ChunkRules& rules, bool keep_unterminated, int min_length)
    : tag_span_(rules.tag_span),
      keep_unterminated_(keep_unterminated),
      min_length_(static_cast<std::size_t>(std::max(1, min_length))) {
  Classes();
  text_.reserve(1 << 12);
}

void ChunkCutter::TakeChunks(CutChunkBatch* out) {
  out->chunks.clear();
  out->chunks.swap(chunks_);
  out->text.clear();
  if (start_ == text_.size()) {
    out->text.swap(text_);
    run_at_ = 0;
  } else {
    out->text.assign(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(start_));
    text_.erase(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(start_));
    run_at_ = run_at_ >= start_ ? run_at_ - start_ : 0;
  }
  start_ = 0;
}

void ChunkCutter::Emit(bool terminated) {
  const std::size_t n = ChunkLength();
  if (n > 0 && (terminated || keep_unterminated_) && n >= min_length_) {
    chunks_.push_back(CutChunk{ChunkHash(text_.data() + start_, n), start_,
                               static_cast<std::uint32_t>(n), terminated});
    start_ = text_.size();
  } else {
    text_.resize(start_);
  }
  run_ = Run::None;
  end_pending_ = false;
  space_pending_ = false;
}

// Cut at the last space, so that the next chunk starts with a whole word.
void ChunkCutter::CutOverlong() {
  std::size_t space = text_.size();
  while (space > start_ && text_[space - 1] != u' ') --space;
  const Run run = run_;
  const bool pending = end_pending_;
  if (space > start_ + 1) {
    // [start_, space - 1) is the piece; [space, end) goes on.
    std::vector<char16_t> rest(text_.begin() + static_cast<std::ptrdiff_t>(space), text_.end());
    text_.resize(space - 1);
    Emit(false);
    text_.insert(text_.end(), rest.begin(), rest.end());
    if (run_at_ >= space) {
      run_at_ = run_at_ - space + start_;
    } else {
      run_at_ = start_;
    }
  } else {
    Emit(false);
    run_at_ = start_;
  }
  run_ = run;
  end_pending_ = pending;
}

void ChunkCutter::Put(char16_t c) {
  if (space_pending_) {
    space_pending_ = false;
    if (ChunkLength() > 0) {
      text_.push_back(u' ');
      if (ChunkLength() >= static_cast<std::size_t>(kMaxChunkLength)) CutOverlong();
    }
  }
  text_.push_back(c);
  if (ChunkLength() >= static_cast<std::size_t>(kMaxChunkLength)) CutOverlong();
}

bool ChunkCutter::RunEndsSentence() const {
  if (!lone_dot_ || run_at_ <= start_) return true;
  std::size_t w = run_at_;
  while (w > start_ && QChar::isLetter(text_[w - 1])) --w;
  const qsizetype len = static_cast<qsizetype>(run_at_ - w);
  return !(len > 0 && IsAbbreviation(text_.data() + w, len));
}

void ChunkCutter::Space(char16_t c) {
  if (run_ == Run::Immediate) {
    Emit(true);
  } else if (run_ != Run::None) {
    run_ = Run::None;
    end_pending_ = RunEndsSentence();
  }
  if (Classes().of[c] & kLineBreak) {
    // A sentence end at the end of a line is one, whatever the next line starts with.
    if (end_pending_) Emit(true);
    if (c == u'\n' && ++line_feeds_ >= 2) Emit(false);  // a blank line
  }
  space_pending_ = true;
}

void ChunkCutter::Boundary() {
  bool terminated = end_pending_;
  if (run_ == Run::Immediate) terminated = true;
  if (run_ == Run::Spaced || run_ == Run::Closers) terminated = RunEndsSentence();
  Emit(terminated);
  line_feeds_ = 0;
}

void ChunkCutter::Visible(char16_t c) {
  line_feeds_ = 0;
  switch (run_) {
    case Run::Spaced:
      if (IsSpacedTerminator(c)) {
        lone_dot_ = false;
        Put(c);
        return;
      }
      [[fallthrough]];
    case Run::Closers:
      if (IsCloser(c)) {
        run_ = Run::Closers;
        Put(c);
        return;
      }
      run_ = Run::None;  // "3.14", "e.g.,": no white space after the stop, no end
      break;
    case Run::Immediate:
      if (IsImmediateTerminator(c) || IsCloser(c)) {
        Put(c);
        return;
      }
      Emit(true);
      break;
    case Run::None:
      break;
  }
  if (end_pending_) {
    if (QChar::isLower(c)) {
      end_pending_ = false;
    } else {
      Emit(true);
    }
  }
  if (IsImmediateTerminator(c)) {
    Put(c);
    run_ = Run::Immediate;
  } else if (IsSpacedTerminator(c)) {
    Put(c);
    run_ = Run::Spaced;
    lone_dot_ = c == u'.';
    run_at_ = text_.size() - 1;
  } else {
    Put(c);
  }
}

qsizetype ChunkCutter::Process(const char16_t* s, qsizetype n, bool final) {
  const std::uint8_t* cls = Classes().of;
  qsizetype i = 0;
  while (i < n) {
    const char16_t c = s[i];
    const std::uint8_t k = cls[c];
    if (k == kPlain) {
      if (run_ == Run::None && !end_pending_ && !space_pending_) {
        // The common case: a stretch of ordinary characters inside a chunk.
        const qsizetype room = kMaxChunkLength - static_cast<qsizetype>(ChunkLength());
        qsizetype j = i + 1;
        const qsizetype stop = std::min(n, i + room);
        // A single blank between two ordinary characters is already normalised.
        while (j < stop &&
               (cls[s[j]] == kPlain || (s[j] == u' ' && j + 1 < stop && cls[s[j + 1]] == kPlain)))
          ++j;
        text_.insert(text_.end(), s + i, s + j);
        line_feeds_ = 0;
        i = j;
        if (ChunkLength() >= static_cast<std::size_t>(kMaxChunkLength)) CutOverlong();
        continue;
      }
      Visible(c);
      ++i;
      continue;
    }
    if (k & kSpace) {
      Space(c);
      ++i;
      continue;
    }
    if (c == u'<' && tag_span_ > 0) {
      if (i + 1 >= n) {
        if (!final) return i;
      } else if (StartsATag(s[i + 1])) {
        const qsizetype limit = i + 1 + static_cast<qsizetype>(tag_span_);
        const qsizetype end = std::min(n, limit);
        qsizetype gt = -1;
        for (qsizetype j = i + 1; j < end; ++j) {
          if (s[j] == u'>') {
            gt = j;
            break;
          }
        }
        if (gt >= 0) {
          if (!IsInlineTag(s + i + 1, gt - i - 1)) Boundary();
          i = gt + 1;
          continue;
        }
        if (limit > n && !final) return i;  // the ">" may still come
      }
    }
    Visible(c);
    ++i;
  }
  return n;
}

void ChunkCutter::Feed(const char16_t* s, qsizetype n) {
  if (carry_.empty()) {
    const qsizetype used = Process(s, n, false);
    carry_.assign(s + used, s + n);
    return;
  }
  carry_.insert(carry_.end(), s, s + n);
  const qsizetype used = Process(carry_.data(), static_cast<qsizetype>(carry_.size()), false);
  carry_.erase(carry_.begin(), carry_.begin() + used);
}

void ChunkCutter::Finish() {
  if (!carry_.empty()) {
    Process(carry_.data(), static_cast<qsizetype>(carry_.size()), true);
    carry_.clear();
  }
  Boundary();
  space_pending_ = false;
  line_feeds_ = 0;
}

void CutTextIntoChunks(QStringView text, const ChunkRules& rules,
                       const std::function<void(QStringView, bool)>& found) {
  ChunkCutter cutter(rules, true, 1);
  cutter.Feed(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
  cutter.Finish();
  CutChunkBatch batch;
  cutter.TakeChunks(&batch);
  for (const CutChunk& c : batch.chunks) found(batch.TextOf(c), c.terminated);
}

void RepeatedChunks::Clear() {
  chunks_.Clear();
  files_.Clear();
  read_problems_.clear();
  row_order_.Clear();
  slots_.clear();
  slots_.shrink_to_fit();
  used_ = 0;
  records_.clear();
  records_.shrink_to_fit();
  distinct_ = 0;
  reached_ = 0;
  reported_ = -1;
  last_overall_ = -1;
  dirty_ = false;
  loaded_ = CutChunkBatch{};
  loaded_number_ = -1;
  files_counted_ = 0;
  stop_.store(false, std::memory_order_relaxed);
}

void RepeatedChunks::SetSettings(bool include_unterminated, int tag_span, int min_hits,
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

ChunkCutter RepeatedChunks::MakeCutter() const {
  return ChunkCutter(rules_, include_unterminated_, min_length_);
}

bool RepeatedChunks::StopAsked() const {
  return Stopped() || global_panic_state.load(std::memory_order_relaxed) >= 2;
}

int RepeatedChunks::LoadATextFile(const QString& file_name) {
  loaded_ = CutChunkBatch{};
  loaded_number_ = -1;
  if (StopAsked()) return -1;
  ChunkCutter cutter = MakeCutter();
  TextFileInfo info;
  try {
    ReadNormalisedText(
        file_name,
        [&](QStringView piece) {
          cutter.Feed(reinterpret_cast<const char16_t*>(piece.utf16()), piece.size());
        },
        &info);
  } catch (const FileReadError& e) {
    read_problems_.push_back({file_name, e.Reason()});
    return -1;
  } catch (const SorvelError& e) {
    read_problems_.push_back({file_name, e.Message()});
    return -1;
  }
  cutter.Finish();
  cutter.TakeChunks(&loaded_);
  loaded_number_ = files_.AddOne(file_name, info.size, 0);
  return loaded_number_;
}

void RepeatedChunks::AddToRepeatedSentencesInTxt(int text_number, int file_count) {
  if (text_number < 0 || text_number != loaded_number_) return;
  loaded_number_ = -1;
  const CutChunkBatch batch = std::move(loaded_);
  loaded_ = CutChunkBatch{};
  if (StopAsked()) return;
  CountChunks(batch, text_number);
  AfterFile(file_count);
  if (text_number + 1 >= file_count) Finish();
}

int RepeatedChunks::AddCutText(const QString& file_name, std::int64_t size,
                               const CutChunkBatch& chunks) {
  const int number = files_.AddOne(file_name, size, 0);
  CountChunks(chunks, number);
  AfterFile(0);
  return number;
}

std::size_t RepeatedChunks::FindSlot(std::uint64_t key) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = static_cast<std::size_t>(key) & mask;
  while (slots_[i].key != 0 && slots_[i].key != key) i = (i + 1) & mask;
  return i;
}

void RepeatedChunks::Grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  const std::size_t size = old.empty() ? std::size_t(1) << 16 : old.size() * 2;
  slots_.assign(size, Slot{0, 0});
  for (const Slot& s : old) {
    if (s.key != 0) slots_[FindSlot(s.key)] = s;
  }
}

void RepeatedChunks::CountChunks(const CutChunkBatch& batch, std::int32_t file) {
  dirty_ = true;
  const std::vector<CutChunk>& list = batch.chunks;
  const std::size_t n = list.size();
  for (std::size_t k = 0; k < n; ++k) {
    // The table is far larger than the caches: ask for a slot a few chunks ahead.
    if (k + 8 < n && !slots_.empty())
      __builtin_prefetch(&slots_[static_cast<std::size_t>(list[k + 8].key) & (slots_.size() - 1)]);
    CountChunk(list[k].key, batch.TextOf(list[k]), file);
  }
}

void RepeatedChunks::CountChunk(std::uint64_t key, QStringView chunk, std::int32_t file) {
  if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
  Slot& slot = slots_[FindSlot(key)];
  if (slot.key == 0) {
    slot.key = key;
    slot.value = file;
    ++used_;
    ++distinct_;
    return;
  }
  if (slot.value >= 0) {
    // Second hit: from now on the text is worth keeping.
    const std::int32_t first_file = slot.value;
    Record r;
    r.text = chunk.toString();
    if (first_file == file) {
      r.occurrences.AddOne(file, 2);
    } else {
      r.occurrences.AddOne(first_file, 1);
      r.occurrences.AddOne(file, 1);
    }
    r.total = 2;
    slot.value = -static_cast<std::int32_t>(records_.size()) - 1;
    records_.push_back(std::move(r));
    if (min_hits_ <= 2) ++reached_;
    return;
  }
  Record& r = records_[static_cast<std::size_t>(-slot.value - 1)];
  // Two different texts with the same 64-bit key are astronomically rare;
  // one of another length is not counted rather than miscounted. (Comparing
  // the whole text on every hit would cost a cache miss per hit.)
  if (r.text.size() != chunk.size()) return;
  boiler::OccurrenceRec& last = r.occurrences.Last();
  if (last.value1 == file) {
    ++last.value2;
  } else {
    r.occurrences.AddOne(file, 1);
  }
  ++r.total;
  if (r.total == min_hits_) ++reached_;
}

void RepeatedChunks::AfterFile(int file_count) {
  ++files_counted_;
  if (progress_overall_ && file_count > 0) {
    const int p = static_cast<int>(
        std::min<std::int64_t>(100, std::int64_t(files_counted_) * 100 / file_count));
    if (p != last_overall_) {
      last_overall_ = p;
      progress_overall_(p);
    }
  }
  if (count_reporter_ && reached_ != reported_) {
    reported_ = reached_;
    count_reporter_(reached_);
  }
}

namespace {

// Chunks of one file, or of a stretch of a long file, on their way from a
// reading thread to the counting one.
struct ChunkBatch {
  CutChunkBatch chunks;
  std::int64_t units_read = 0;  // of the file so far
};

// The files being read ahead of the one being counted, in a ring.
struct FileInFlight {
  int file = -1;  // which file of the list the slot holds now
  std::deque<ChunkBatch> batches;
  bool done = false;
  bool unreadable = false;
  QString unreadable_reason;
  std::exception_ptr error;
  std::int64_t size = 0;
};

struct AbortReading {};

}  // namespace

// Reads the files of a list on worker threads, ahead of the one being
// counted, cutting each into chunk batches. Files read ahead and chunk text
// waiting to be counted are both bounded, which bounds the memory of the
// reading. The counter takes the batches of file i in order with NextBatch.
class RepeatedChunks::ReadAhead {
 public:
  ReadAhead(const QStringList& file_names, std::function<ChunkCutter()> make_cutter)
      : file_names_(file_names),
        n_(static_cast<int>(file_names.size())),
        make_cutter_(std::move(make_cutter)),
        ring_(kAhead) {
    const int reader_count =
        std::max(1, std::min<int>(n_, static_cast<int>(std::thread::hardware_concurrency())));
    for (int r = 0; r < reader_count; ++r) readers_.emplace_back([this] { ReadFiles(); });
  }
  ~ReadAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      abort_ = true;
    }
    readers_wake_.notify_all();
    for (std::thread& t : readers_) t.join();
  }

  // What NextBatch found for a file.
  struct Taken {
    ChunkBatch batch;
    bool has_batch = false;  // batch holds chunks of the file
    bool finished = false;   // nothing more of the file will come
    std::int64_t size = 0;   // the file's size, once finished
    bool unreadable = false;
    QString unreadable_reason;
    std::exception_ptr error;
  };
  // Waits for the next batch of file i, or for its end.
  Taken NextBatch(int i) {
    Taken taken;
    FileInFlight& slot = SlotOf(i);
    std::unique_lock<std::mutex> lock(mutex_);
    counter_wakes_.wait(lock,
                        [&] { return slot.file == i && (!slot.batches.empty() || slot.done); });
    if (!slot.batches.empty()) {
      taken.batch = std::move(slot.batches.front());
      taken.has_batch = true;
      slot.batches.pop_front();
      waiting_units_ -= taken.batch.chunks.text.size();
      taken.finished = slot.done && slot.batches.empty();
      readers_wake_.notify_all();
    } else {
      taken.finished = true;
      taken.error = slot.error;
      taken.unreadable = slot.unreadable;
      taken.unreadable_reason = slot.unreadable_reason;
    }
    if (taken.finished) taken.size = slot.size;
    return taken;
  }
  // File i is counted: its slot may take a file further on.
  void Counted(int i) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      counting_ = i + 1;
    }
    readers_wake_.notify_all();
  }

 private:
  static constexpr int kAhead = 64;
  static constexpr std::size_t kBatchUnits = std::size_t(1) << 20;
  static constexpr std::size_t kWaitingUnitsCap = std::size_t(16) << 20;

  FileInFlight& SlotOf(int i) { return ring_[static_cast<std::size_t>(i % kAhead)]; }

  // A reading thread: takes the next file while the ring has room.
  void ReadFiles() {
    for (;;) {
      int i;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        readers_wake_.wait(lock, [&] {
          return abort_ || next_to_read_ >= n_ || next_to_read_ < counting_ + kAhead;
        });
        if (abort_ || next_to_read_ >= n_) return;
        i = next_to_read_++;
        SlotOf(i) = FileInFlight{};
        SlotOf(i).file = i;
      }
      if (!ReadOne(i, SlotOf(i))) return;
    }
  }

  // Reads and cuts file i into its slot; false when the run is aborted.
  bool ReadOne(int i, FileInFlight& slot) {
    ChunkCutter cutter = make_cutter_();
    std::int64_t units_read = 0;
    try {
      TextFileInfo info;
      ReadNormalisedText(
          file_names_[i],
          [&](QStringView piece) {
            if (abort_) throw AbortReading{};
            cutter.Feed(reinterpret_cast<const char16_t*>(piece.utf16()), piece.size());
            units_read += piece.size();
            if (cutter.HeldUnits() >= kBatchUnits) HandOver(i, slot, cutter, units_read, false, 0);
          },
          &info);
      cutter.Finish();
      HandOver(i, slot, cutter, units_read, true, info.size);
    } catch (const AbortReading&) {
      return false;
    } catch (const SorvelError& e) {
      const auto* read_error = dynamic_cast<const FileReadError*>(&e);
      std::lock_guard<std::mutex> lock(mutex_);
      slot.unreadable = true;
      slot.unreadable_reason = read_error ? read_error->Reason() : e.Message();
      slot.done = true;
      counter_wakes_.notify_all();
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      slot.error = std::current_exception();
      slot.done = true;
      counter_wakes_.notify_all();
    }
    return true;
  }

  // Hands the chunks cut so far to the counter. A long file waits while the
  // counter is behind, unless it is the one being counted.
  void HandOver(int i, FileInFlight& slot, ChunkCutter& cutter, std::int64_t units_read, bool last,
                std::int64_t size) {
    ChunkBatch batch;
    cutter.TakeChunks(&batch.chunks);
    batch.units_read = units_read;
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_units_ += batch.chunks.text.size();
    slot.batches.push_back(std::move(batch));
    if (last) {
      slot.size = size;
      slot.done = true;
    }
    counter_wakes_.notify_all();
    readers_wake_.wait(
        lock, [&] { return abort_ || waiting_units_ < kWaitingUnitsCap || i == counting_; });
    if (abort_) throw AbortReading{};
  }

  const QStringList& file_names_;
  const int n_;
  std::function<ChunkCutter()> make_cutter_;
  std::mutex mutex_;
  std::condition_variable counter_wakes_, readers_wake_;
  std::vector<FileInFlight> ring_;
  int next_to_read_ = 0;
  int counting_ = 0;
  std::size_t waiting_units_ = 0;
  std::atomic<bool> abort_{false};
  std::vector<std::thread> readers_;
};

void RepeatedChunks::AddTextFiles(const QStringList& file_names,
                                  const std::function<void(int)>& before_file) {
  const int n = static_cast<int>(file_names.size());
  if (n == 0) return;
  std::exception_ptr error;
  {
    ReadAhead ahead(file_names, [this] { return MakeCutter(); });
    for (int i = 0; i < n && !error; ++i) {
      if (StopAsked()) break;
      if (before_file) before_file(i);
      if (StopAsked()) break;
      error = CountReadFile(ahead, file_names[i], i, n);
      ahead.Counted(i);
    }
  }  // the readers are stopped and joined here
  Finish();
  if (error) std::rethrow_exception(error);
}

std::exception_ptr RepeatedChunks::CountReadFile(ReadAhead& ahead, const QString& name, int i,
                                                 int n) {
  int number = -1;
  std::int64_t size_hint = -1;
  int last_in_file = -1;
  std::exception_ptr error;
  for (;;) {
    ReadAhead::Taken taken = ahead.NextBatch(i);
    if (!taken.has_batch) {
      error = taken.error;
      if (error) break;
      if (taken.unreadable && number < 0) {  // not taken, like a file that LoadATextFile refuses
        read_problems_.push_back({name, taken.unreadable_reason});
        break;
      }
    }
    if (number < 0) number = files_.AddOne(name, 0, 0);
    CountChunks(taken.batch.chunks, number);
    if (!taken.finished && progress_in_file_) {
      // A long text, read in stretches: show how far it has come.
      if (size_hint < 0) size_hint = std::max<std::int64_t>(1, QFileInfo(name).size());
      const int p =
          static_cast<int>(std::min<std::int64_t>(99, taken.batch.units_read * 100 / size_hint));
      if (p != last_in_file) progress_in_file_(last_in_file = p);
    }
    if (taken.finished) {
      files_.SetSizeAndTime(number, taken.size, 0);
      break;
    }
    if (StopAsked()) break;
  }
  if (last_in_file >= 0 && progress_in_file_) progress_in_file_(100);
  if (number >= 0) AfterFile(n);
  return error;
}

void RepeatedChunks::Finish() {
  chunks_.Clear();
  row_order_.Clear();
  for (const Record& r : records_) {
    if (r.total < min_hits_) continue;
    chunks_.Add(boiler::ChunkOccurrenceList::Entry{r.text, r.occurrences, r.total});
  }
  dirty_ = false;
}

void RepeatedChunks::SortDescendingFreq() {
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

void RepeatedChunks::SortAScendingFilenumbers() {
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
