#include "duplicates/file_duplicate_contents_seeking.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numeric>
#include <thread>
#include <unordered_map>

#include "duplicates/passage_index.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/markup.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/panic.h"
#include "runtime/progress_count.h"
#include "runtime/text_reader.h"
#include "runtime/word_lists.h"

namespace {

constexpr int kPassageLength = 100;

// The passage of a text that begins at the 1-based character position
// `start` (a position below 1 counts as 1) and is up to 100 characters long.
QStringView PassageAt(const QString& text, qsizetype start) {
  if (text.isEmpty()) return {};
  const qsizetype from = std::max<qsizetype>(start, 1) - 1;
  return QStringView(text).mid(from, kPassageLength);
}

// Runs fn(0) .. fn(n-1) on all cores; returns when every call has returned.
void ParallelFor(int n, const std::function<void(int)>& fn) {
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  if (n < 2 || threads < 2) {
    for (int k = 0; k < n; ++k) fn(k);
    return;
  }
  std::atomic<int> next{0};
  auto work = [&] {
    for (int k = next.fetch_add(1); k < n; k = next.fetch_add(1)) fn(k);
  };
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < std::min<unsigned>(threads, static_cast<unsigned>(n)); ++t)
    helpers.emplace_back(work);
  work();
  for (std::thread& t : helpers) t.join();
}

// The text of a file as the search compares it: markup removed and, when
// asked, every run of white space made one blank and byte-order marks dropped.
struct ComparedText {
  QString text;
  bool cut_at_nul = false;
};

ComparedText ReadComparedText(const QString& path, int tag_span, bool normalize_space) {
  ComparedText out;
  try {
    TextFileInfo info;
    out.text =
        WithoutMarkup(ReadTextOfFile(path, &info), QLatin1Char('<'), QLatin1Char('>'), tag_span);
    out.cut_at_nul = info.cut_at_nul;
  } catch (const SorvelError&) {
    out.text.clear();  // an unreadable file has no text, as for every tool
  }
  if (normalize_space) out.text = SpaceNormalisedText(out.text);
  return out;
}

// A 64-bit fingerprint of a file's bytes; false when it cannot be read.
bool FileBytesFingerprint(const QString& path, std::uint64_t* fingerprint) {
  QFile f;
  if (!OpenNativeFile(f, path, QIODevice::ReadOnly)) return false;
  std::uint64_t h = 1469598103934665603ULL;
  std::vector<char> buf(1 << 16);
  for (;;) {
    const qint64 got = f.read(buf.data(), static_cast<qint64>(buf.size()));
    if (got < 0) return false;
    if (got == 0) break;
    for (qint64 k = 0; k < got; ++k) {
      h ^= static_cast<unsigned char>(buf[static_cast<std::size_t>(k)]);
      h *= 1099511628211ULL;
    }
  }
  *fingerprint = h;
  return true;
}

bool SameFileBytes(const QString& a, const QString& b) {
  QFile fa, fb;
  if (!OpenNativeFile(fa, a, QIODevice::ReadOnly) || !OpenNativeFile(fb, b, QIODevice::ReadOnly) ||
      fa.size() != fb.size())
    return false;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  for (;;) {
    const qint64 ga = fa.read(ba.data(), static_cast<qint64>(ba.size()));
    const qint64 gb = fb.read(bb.data(), static_cast<qint64>(bb.size()));
    if (ga != gb || ga < 0) return false;
    if (ga == 0) return true;
    if (std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(ga)) != 0) return false;
  }
}

}  // namespace

QString SpaceNormalisedText(QStringView text) {
  QString out;
  out.reserve(text.size());
  bool in_space = false;
  for (const QChar c : text) {
    if (c.unicode() == 0xFEFF) continue;
    if (c.isSpace()) {
      if (!in_space) out += QLatin1Char(' ');
      in_space = true;
    } else {
      out += c;
      in_space = false;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// Groups

DupContentsGroupHolder::DupContentsGroupHolder() {
  data.dup_contents_list = new DupContentsMembers;
}

DupContentsGroupHolder::~DupContentsGroupHolder() { delete data.dup_contents_list; }

DupContentsGroup DupContentsGroups::Group(int g) const {
  if (g < 0 || g >= Count()) return {};
  return holders_[static_cast<std::size_t>(g)]->data;
}

int DupContentsGroups::MemberCount(int g) const {
  const DupContentsGroup d = Group(g);
  return d.dup_contents_list ? d.dup_contents_list->Count() : 0;
}

std::int32_t DupContentsGroups::WhichToKeep(int g) const {
  if (g < 0 || g >= Count()) return -1;
  return holders_[static_cast<std::size_t>(g)]->data.which_to_keep;
}

void DupContentsGroups::SetWhichToKeep(int g, std::int32_t keep) {
  if (g < 0 || g >= Count()) return;
  holders_[static_cast<std::size_t>(g)]->data.which_to_keep = keep;
}

// ---------------------------------------------------------------------------
// Seeker

DupContentsSeeker::DupContentsSeeker() : dup_contents_top_list(this) {}

DupContentsSeeker::~DupContentsSeeker() { Clear(); }

void DupContentsSeeker::Clear() {
  dup_contents_top_list.Clear();
  fnames.Clear();
}

QString DupContentsSeeker::FullFilename(int file_index) const {
  if (file_index < 0 || file_index >= fnames.Count()) return QString();
  return fnames.GetFullFilename(file_index);
}

// ---------------------------------------------------------------------------
// One search

namespace {

constexpr int kBatchFiles = 256;
constexpr std::int64_t kBatchBytes = std::int64_t{32} << 20;

// What the scan learns of each text: its token count, and whether it is
// compared byte for byte (a text that is empty, ends at a NUL or has no
// word: its word list says nothing about it) with the fingerprint of its bytes.
struct TextFacts {
  std::int32_t tokens = 0;
  bool read = false;
  bool by_bytes = false;
  bool bytes_readable = false;
  std::uint64_t bytes_fingerprint = 0;
};

// The working state of one search, discarded at its end. The search walks
// list positions. A position is a file of the input list; the list is sorted
// by size, and with normalize_space it is ordered again by the length of the
// normalised text (ties keep their order), which is then the size that the
// size test uses.
class ContentsSearch {
 public:
  ContentsSearch(const FolderFileList& files, const QString& root_folder,
                 const DupContentsCriteria& criteria, const DupContentsCallbacks& callbacks,
                 QStringList& empty_files, std::size_t cache_limit_bytes)
      : files_(files),
        root_folder_(root_folder),
        criteria_(criteria),
        callbacks_(callbacks),
        empty_files_(empty_files),
        cache_limit_bytes_(cache_limit_bytes),
        n_(files.Count()) {}

  // The near-duplicate pairs, in the order found, as input positions.
  DupContentsPairs Run();
  // How many files of the list the search went through.
  int FilesSearched() const { return files_searched_; }

 private:
  void OrderBySize();
  void FindSizeWindows();

  const FileRecord& Rec(int p) const { return files_.GetASimpleSearchRec(InputPos(p)); }
  QString Path(int p) const { return files_.GetFullFilename(InputPos(p)); }
  std::int32_t InputPos(int p) const { return order_[static_cast<std::size_t>(p)]; }
  // Partners of p lie in (p, EndOf(p)).
  int EndOf(int p) const { return window_end_[static_cast<std::size_t>(p)]; }
  bool IsDone(int p) const { return done_[static_cast<std::size_t>(p)] != 0; }
  std::int32_t TokensOf(int p) const { return facts_[static_cast<std::size_t>(p)].tokens; }
  bool NeedsReading(int p) const;
  bool PassesFolderAndDate(int i, int j) const;

  WordList WordListOf(int p) const;
  const WordList* KeepWordList(int p, WordList list);
  const WordList* KeptOrBuilt(int p, WordList& spare) const;
  void DropWordListsBelow(int p);
  void PrepareWordLists(int from, int to);

  bool SearchFirstFiles(int from, int to);
  bool SearchFirstFile(int i);
  void FindCandidates(int i);
  void CompareWithCandidates(int i);
  void AddPair(int i, int j, std::int32_t token_diff, std::int32_t type_diff);

  void ScanNextBatch();
  void ReadBatch(int b0, int b1);
  void IndexPassages(int b0, int b1);
  void FindPassagesIn(int b0, int b1);

  const FolderFileList& files_;
  const QString& root_folder_;
  const DupContentsCriteria& criteria_;
  const DupContentsCallbacks& callbacks_;
  QStringList& empty_files_;
  const std::size_t cache_limit_bytes_;
  const int n_;

  std::vector<std::int32_t> order_;  // position -> input position
  std::vector<double> sizes_;        // by position
  std::vector<std::int32_t> window_end_;
  int start_pos_ = 0;  // positions below are skipped (start_percent)

  std::vector<TextFacts> facts_;
  // passage_hits_[i]: the positions j > i in i's size window whose text holds
  // one of i's passages, ascending; filled while the texts are scanned.
  std::vector<std::vector<std::int32_t>> passage_hits_;
  // Texts compared byte for byte: fingerprint -> positions.
  std::unordered_map<std::uint64_t, std::vector<std::int32_t>> by_bytes_;
  PassageIndex passages_;
  int scanned_ = 0;             // positions below have been scanned
  int lowest_needed_ = 0;       // lowest first file whose window reaches the next batch
  std::vector<QString> texts_;  // the batch being scanned
  std::vector<std::vector<std::int32_t>> owners_found_;

  // Word lists of texts that are compared, kept while they may be needed again.
  std::unordered_map<int, WordList> word_lists_;
  std::size_t word_list_bytes_ = 0;

  std::vector<char> done_;
  std::vector<int> candidates_;
  DupContentsPairs pairs_;
  std::vector<std::int32_t> in_pair_;  // sorted positions already in a pair
  std::int64_t processed_ = 0, skipped_ = 0;
  int files_searched_ = 0;
  ProgressCount count_{callbacks_.count};
};

DupContentsPairs ContentsSearch::Run() {
  if (callbacks_.status) callbacks_.status(Format(LX("LXNmanyTexts"), {n_}));
  OrderBySize();
  FindSizeWindows();
  facts_.resize(static_cast<std::size_t>(n_));
  passage_hits_.resize(static_cast<std::size_t>(n_));
  done_.assign(static_cast<std::size_t>(n_), 0);
  scanned_ = start_pos_;
  // Texts are read in batches along the list, on all cores. Each text's
  // passages enter the index; each text is searched once for the passages of
  // the texts before it whose size window reaches it. First files whose whole
  // window has been scanned are then searched, in list order.
  int next_first = 0;
  for (;;) {
    int ready = next_first;
    while (ready < n_ && (ready < start_pos_ || scanned_ == n_ || EndOf(ready) <= scanned_))
      ++ready;
    if (!SearchFirstFiles(next_first, ready)) break;
    next_first = ready;
    if (next_first >= n_) break;
    YieldToEvents();
    if (StopRequested()) break;
    ScanNextBatch();
  }
  return std::move(pairs_);
}

void ContentsSearch::OrderBySize() {
  order_.resize(static_cast<std::size_t>(n_));
  std::iota(order_.begin(), order_.end(), 0);
  sizes_.resize(static_cast<std::size_t>(n_));
  if (!criteria_.normalize_space) {
    for (int p = 0; p < n_; ++p)
      sizes_[static_cast<std::size_t>(p)] = static_cast<double>(files_.GetASimpleSearchRec(p).Size);
    return;
  }
  std::vector<double> lengths(static_cast<std::size_t>(n_), 0.0);
  ParallelFor(n_, [&](int f) {
    if (files_.GetASimpleSearchRec(f).Size == 0 || StopRequested()) return;
    lengths[static_cast<std::size_t>(f)] = static_cast<double>(
        ReadComparedText(files_.GetFullFilename(f), criteria_.tag_span, true).text.size());
  });
  std::stable_sort(order_.begin(), order_.end(), [&](std::int32_t a, std::int32_t b) {
    return lengths[static_cast<std::size_t>(a)] < lengths[static_cast<std::size_t>(b)];
  });
  for (int p = 0; p < n_; ++p)
    sizes_[static_cast<std::size_t>(p)] = lengths[static_cast<std::size_t>(InputPos(p))];
}

// Sizes are monotonic along the list, so the end of a size window never moves
// back as its first position moves on.
void ContentsSearch::FindSizeWindows() {
  auto too_far_apart = [this](int p, int q) {
    const double si = sizes_[static_cast<std::size_t>(p)], sj = sizes_[static_cast<std::size_t>(q)];
    const float d = static_cast<float>(std::fabs(si - sj) / ((si + sj) / 2.0) * 100.0);
    return d > criteria_.max_length_diff_percent;
  };
  window_end_.resize(static_cast<std::size_t>(n_));
  for (int p = 0, q = 0; p < n_; ++p) {
    q = std::max(q, p + 1);
    while (q < n_ && !too_far_apart(p, q)) ++q;
    window_end_[static_cast<std::size_t>(p)] = q;
  }
  while (start_pos_ < n_ &&
         static_cast<std::int64_t>(start_pos_) * 100 / n_ < criteria_.start_percent)
    ++start_pos_;
}

// Only files that are a first file or a partner of one are ever read.
bool ContentsSearch::NeedsReading(int p) const {
  if (p < start_pos_ || Rec(p).Size == 0) return false;
  return EndOf(p) > p + 1 || (p > start_pos_ && EndOf(p - 1) > p);
}

bool ContentsSearch::PassesFolderAndDate(int i, int j) const {
  const FileRecord& ri = Rec(i);
  const FileRecord& rj = Rec(j);
  if (criteria_.same_folder && rj.FolderNumber != ri.FolderNumber) return false;
  return !(criteria_.check_dates &&
           std::trunc(std::fabs(ri.Time - rj.Time)) > criteria_.max_days_diff);
}

// ---- word lists

WordList ContentsSearch::WordListOf(int p) const {
  return SimpleWordListOfTxt(
      ReadComparedText(Path(p), criteria_.tag_span, criteria_.normalize_space).text, 1, false);
}

// Keeps p's list while the bound allows; null when it does not.
const WordList* ContentsSearch::KeepWordList(int p, WordList list) {
  const std::size_t bytes = list.MemoryBytes() + 64;
  if (word_list_bytes_ + bytes > cache_limit_bytes_) return nullptr;
  word_list_bytes_ += bytes;
  return &word_lists_.emplace(p, std::move(list)).first->second;
}

// The kept word list of p, or one built into spare.
const WordList* ContentsSearch::KeptOrBuilt(int p, WordList& spare) const {
  auto it = word_lists_.find(p);
  if (it != word_lists_.end()) return &it->second;
  spare = WordListOf(p);
  return &spare;
}

void ContentsSearch::DropWordListsBelow(int p) {
  for (auto it = word_lists_.begin(); it != word_lists_.end();) {
    if (it->first < p) {
      word_list_bytes_ -= it->second.MemoryBytes() + 64;
      it = word_lists_.erase(it);
    } else {
      ++it;
    }
  }
}

// Builds, on all cores, the word lists that the first files of [from, to)
// will probably compare, so that the comparisons themselves find them ready.
void ContentsSearch::PrepareWordLists(int from, int to) {
  std::vector<int> wanted;
  for (int i = std::max(from, start_pos_); i < to; ++i) {
    const TextFacts& fi = facts_[static_cast<std::size_t>(i)];
    if (IsDone(i) || !fi.read || fi.by_bytes) continue;
    bool any = false;
    for (std::int32_t j : passage_hits_[static_cast<std::size_t>(i)]) {
      if (IsDone(j) ||
          !TokenCountsCloseEnough(fi.tokens, TokensOf(j), criteria_.max_length_diff_percent))
        continue;
      wanted.push_back(j);
      any = true;
    }
    if (any) wanted.push_back(i);
  }
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  std::erase_if(wanted, [this](int p) { return word_lists_.count(p) > 0; });
  // In slices, so that lists that do not fit under the bound are not all
  // built at once.
  constexpr std::size_t kSlice = 256;
  for (std::size_t s = 0; s < wanted.size(); s += kSlice) {
    const std::size_t e = std::min(wanted.size(), s + kSlice);
    std::vector<WordList> built(e - s);
    ParallelFor(static_cast<int>(e - s), [&](int k) {
      built[static_cast<std::size_t>(k)] = WordListOf(wanted[s + static_cast<std::size_t>(k)]);
    });
    bool full = false;
    for (std::size_t k = 0; k < built.size(); ++k)
      if (!KeepWordList(wanted[s + k], std::move(built[k]))) full = true;
    if (full) break;
  }
}

// ---- first files

// Searches the first files of [from, to) in list order, in batches whose
// word lists are built ahead. Answers false when a stop was asked for.
bool ContentsSearch::SearchFirstFiles(int from, int to) {
  for (int batch = from; batch < to; batch += kBatchFiles) {
    const int end = std::min(to, batch + kBatchFiles);
    PrepareWordLists(batch, end);
    for (int i = batch; i < end; ++i)
      if (!SearchFirstFile(i)) return false;
  }
  return true;
}

// One first file: its candidates are the partners that are not done, pass the
// folder and date tests and share a passage (or, for texts compared byte for
// byte, all their bytes); each similar one becomes done and joins i's group.
// Answers false when a stop was asked for.
bool ContentsSearch::SearchFirstFile(int i) {
  YieldToEvents();
  if (StopRequested()) return false;
  files_searched_ = i + 1;
  count_.Report(files_searched_, n_);
  const int percent = static_cast<int>(static_cast<std::int64_t>(i) * 100 / n_);
  if (callbacks_.percent && callbacks_.percent(percent))
    TryToDoElapsedTime(callbacks_.time_remaining, processed_, n_, skipped_);
  if (percent < criteria_.start_percent) {
    ++skipped_;
    return true;
  }
  if (IsDone(i)) return true;
  if (Rec(i).Size == 0) {
    empty_files_ << Path(i);
    return true;
  }
  ++processed_;
  FindCandidates(i);
  if (!candidates_.empty()) CompareWithCandidates(i);
  return true;
}

void ContentsSearch::FindCandidates(int i) {
  const TextFacts& fi = facts_[static_cast<std::size_t>(i)];
  candidates_.clear();
  if (fi.read && fi.by_bytes) {
    if (fi.bytes_readable) {
      for (std::int32_t j : by_bytes_.find(fi.bytes_fingerprint)->second) {
        if (j <= i || j >= EndOf(i) || IsDone(j) || !PassesFolderAndDate(i, j)) continue;
        if (SameFileBytes(Path(i), Path(j))) candidates_.push_back(j);
      }
    }
  } else {
    for (std::int32_t j : passage_hits_[static_cast<std::size_t>(i)])
      if (!IsDone(j)) candidates_.push_back(j);
  }
  std::vector<std::int32_t>().swap(passage_hits_[static_cast<std::size_t>(i)]);
}

void ContentsSearch::CompareWithCandidates(int i) {
  DropWordListsBelow(i);
  const TextFacts& fi = facts_[static_cast<std::size_t>(i)];
  WordList spare_i;
  const WordList* words_i = nullptr;
  if (callbacks_.status) {
    const QString name = Path(i);
    const int from = std::max<int>(static_cast<int>(root_folder_.size()), 1) - 1;
    callbacks_.status(Format(LX("LXNManyOutOfN"), {i + 1, n_}) + QLatin1Char(' ') + name.mid(from));
  }
  const int nc = static_cast<int>(candidates_.size());
  for (int k = 0; k < nc; ++k) {
    if (callbacks_.second_percent)
      callbacks_.second_percent(static_cast<int>(static_cast<std::int64_t>(k) * 100 / nc));
    YieldToEvents();
    const int j = candidates_[static_cast<std::size_t>(k)];
    std::int32_t type_diff = 0, token_diff = 0;
    bool similar = false;
    if (fi.by_bytes) {
      similar = true;  // the same bytes: the same words
    } else if (TokenCountsCloseEnough(fi.tokens, TokensOf(j), criteria_.max_length_diff_percent)) {
      if (!words_i) words_i = KeptOrBuilt(i, spare_i);
      WordList spare_j;
      const WordList* words_j = KeptOrBuilt(j, spare_j);
      similar = TypeAndTokenDifferences2SimpleWordLists(
          *words_i, *words_j, criteria_.max_length_diff_percent, criteria_.max_words_diff_percent,
          &type_diff, &token_diff);
    }
    if (similar) AddPair(i, j, token_diff, type_diff);
  }
}

// j joins i's group: it is done, and the pair is recorded unless j is in a
// pair already.
void ContentsSearch::AddPair(int i, int j, std::int32_t token_diff, std::int32_t type_diff) {
  done_[static_cast<std::size_t>(j)] = 1;
  TryToDoElapsedTime(callbacks_.time_remaining, processed_, n_, skipped_);
  auto in_pair = [this](std::int32_t v) {
    return std::binary_search(in_pair_.begin(), in_pair_.end(), v);
  };
  auto enter = [this](std::int32_t v) {
    in_pair_.insert(std::lower_bound(in_pair_.begin(), in_pair_.end(), v), v);
  };
  if (!in_pair(i)) enter(i);
  if (in_pair(j)) return;
  enter(j);
  pairs_.push_back({InputPos(i), InputPos(j), TokensOf(i), TokensOf(j), token_diff, type_diff});
  if (callbacks_.found_label)
    callbacks_.found_label(
        Format(LX("LXFunctionNFound"), {LX("LXNearDuplicates"), static_cast<int>(pairs_.size())}));
}

// ---- the scan

void ContentsSearch::ScanNextBatch() {
  const int b0 = scanned_;
  int b1 = b0;
  std::int64_t bytes = 0;
  while (b1 < n_ && b1 - b0 < kBatchFiles && (b1 == b0 || bytes < kBatchBytes)) {
    if (NeedsReading(b1)) bytes += Rec(b1).Size;
    ++b1;
  }
  ReadBatch(b0, b1);
  IndexPassages(b0, b1);
  FindPassagesIn(b0, b1);
  scanned_ = b1;
  if (callbacks_.second_percent)
    callbacks_.second_percent(static_cast<int>(static_cast<std::int64_t>(scanned_) * 100 / n_));
}

// Reads the texts of [b0, b1) that are needed, on all cores, and learns
// their facts.
void ContentsSearch::ReadBatch(int b0, int b1) {
  texts_.assign(static_cast<std::size_t>(b1 - b0), QString());
  ParallelFor(b1 - b0, [&](int k) {
    const int p = b0 + k;
    if (!NeedsReading(p)) return;
    ComparedText ct = ReadComparedText(Path(p), criteria_.tag_span, criteria_.normalize_space);
    TextFacts& f = facts_[static_cast<std::size_t>(p)];
    f.read = true;
    f.tokens = TokenCountOfTxt(ct.text);
    f.by_bytes = ct.text.isEmpty() || ct.cut_at_nul || f.tokens == 0;
    if (f.by_bytes)
      f.bytes_readable = FileBytesFingerprint(Path(p), &f.bytes_fingerprint);
    else
      texts_[static_cast<std::size_t>(k)] = std::move(ct.text);
  });
}

// Enters the passages of the batch's texts (or their fingerprints) and drops
// those of first files that the batch is past.
void ContentsSearch::IndexPassages(int b0, int b1) {
  for (int p = b0; p < b1; ++p) {
    const TextFacts& f = facts_[static_cast<std::size_t>(p)];
    if (!f.read) continue;
    if (f.by_bytes) {
      if (f.bytes_readable) by_bytes_[f.bytes_fingerprint].push_back(p);
      continue;
    }
    if (EndOf(p) <= p + 1) continue;  // no partner: never a first file with candidates
    const QString& t = texts_[static_cast<std::size_t>(p - b0)];
    const QStringView middle = PassageAt(t, t.size() / 2);
    const QStringView third = PassageAt(t, t.size() / 3);
    passages_.Add(p, middle);
    if (third != middle) passages_.Add(p, third);
  }
  // Texts from b0 on can no longer reach the windows of first files whose
  // window ends at or before b0.
  while (lowest_needed_ < b0 && EndOf(lowest_needed_) <= b0) ++lowest_needed_;
  passages_.RemoveOwnersBelow(lowest_needed_);
  passages_.Seal();
}

// Searches each text of the batch for the passages of the first files whose
// window reaches it, on all cores, and records the hits.
void ContentsSearch::FindPassagesIn(int b0, int b1) {
  owners_found_.assign(static_cast<std::size_t>(b1 - b0), {});
  if (!passages_.Empty()) {
    ParallelFor(b1 - b0, [&](int k) {
      const int j = b0 + k;
      const QString& t = texts_[static_cast<std::size_t>(k)];
      if (t.isEmpty()) return;
      std::vector<std::int32_t>& owners = owners_found_[static_cast<std::size_t>(k)];
      passages_.FindIn(t, owners);
      // The folder and date tests never change during a search, so they
      // can be applied here already; only the done flags must wait.
      std::erase_if(owners, [&](std::int32_t i) {
        return i >= j || EndOf(i) <= j || !PassesFolderAndDate(i, j);
      });
      std::sort(owners.begin(), owners.end());
      owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
    });
  }
  for (int k = 0; k < b1 - b0; ++k)
    for (std::int32_t i : owners_found_[static_cast<std::size_t>(k)])
      passage_hits_[static_cast<std::size_t>(i)].push_back(b0 + k);
}

}  // namespace

int DupContentsSeeker::SeekContentsDuplicatesIn(const FolderFileList& files,
                                                const QString& root_folder,
                                                const DupContentsCriteria& criteria,
                                                const DupContentsCallbacks& callbacks,
                                                QStringList* empty_files) {
  QStringList spare_empty_files;
  ContentsSearch search(files, root_folder, criteria, callbacks,
                        empty_files ? *empty_files : spare_empty_files, cache_limit_bytes);
  files_searched_ = 0;
  const DupContentsPairs pairs = search.Run();
  files_searched_ = search.FilesSearched();
  MakeGroups(files, pairs);
  Sort(dcs_token_diff);
  return static_cast<int>(pairs.size());
}

// Consecutive pairs with the same first file form one group.
void DupContentsSeeker::MakeGroups(const FolderFileList& files, const DupContentsPairs& pairs) {
  auto add_file = [&](std::int32_t input_pos) {
    const FileRecord& r = files.GetASimpleSearchRec(input_pos);
    const int folder = fnames.AddFolder(files.GetFolder(r.FolderNumber));
    return static_cast<std::int32_t>(fnames.AddOne(folder, r.Name, r.Size, r.Time));
  };
  std::size_t p = 0;
  while (p < pairs.size()) {
    YieldToEvents();
    const DupContentsPair& first = pairs[p];
    auto holder = std::make_unique<DupContentsGroupHolder>();
    DupContentsMembers& members = *holder->data.dup_contents_list;
    members.AddOne({add_file(first.file1), first.tokens1, first.token_diff, first.type_diff});
    members.AddOne({add_file(first.file2), first.tokens2, first.token_diff, first.type_diff});
    while (p + 1 < pairs.size() && pairs[p + 1].file1 == first.file1) {
      ++p;
      const DupContentsPair& more = pairs[p];
      members.AddOne({add_file(more.file2), more.tokens2, more.token_diff, more.type_diff});
    }
    dup_contents_top_list.Add(std::move(holder));
    ++p;
  }
}

void DupContentsSeeker::Sort(DupContentsSort order) {
  dup_contents_top_list.sort_system = order;
  auto head = [](const DupContentsGroupHolder& h) -> const DupContentsMember& {
    return h.data.dup_contents_list->GetAValue(0);
  };
  auto compare = [&](const std::unique_ptr<DupContentsGroupHolder>& a,
                     const std::unique_ptr<DupContentsGroupHolder>& b) {
    if (a->data.dup_contents_list->Count() == 0 || b->data.dup_contents_list->Count() == 0)
      return 0;
    const DupContentsMember& ha = head(*a);
    const DupContentsMember& hb = head(*b);
    int c = 0;
    switch (order) {
      case dcs_token_count:
        c = CompareLongints(hb.token_count, ha.token_count);
        break;
      case dcs_token_diff:
        c = CompareLongints(hb.token_diff, ha.token_diff);
        break;
      case dcs_type_diff:
        c = CompareLongints(hb.type_diff, ha.type_diff);
        break;
      case dcs_head_file:
      case dcs_keep:
        break;
    }
    if (c == 0) c = Compare2Strings(FullFilename(ha.file_index), FullFilename(hb.file_index));
    return c;
  };
  std::stable_sort(dup_contents_top_list.holders_.begin(), dup_contents_top_list.holders_.end(),
                   [&](const auto& a, const auto& b) { return compare(a, b) < 0; });
}

void DupContentsSeeker::SetKeepByRule(DupContentsKeepRule rule) {
  for (int g = 0; g < dup_contents_top_list.Count(); ++g) {
    const DupContentsMembers& members = *dup_contents_top_list.Group(g).dup_contents_list;
    int best = 0;
    for (int m = 1; m < members.Count(); ++m) {
      const DupContentsMember& a = members.GetAValue(m);
      const DupContentsMember& b = members.GetAValue(best);
      const double ta = fnames.GetASimpleSearchRec(a.file_index).Time;
      const double tb = fnames.GetASimpleSearchRec(b.file_index).Time;
      bool better = false;
      switch (rule) {
        case DupContentsKeepRule::Head:
          break;
        case DupContentsKeepRule::Longest:
          better = a.token_count > b.token_count;
          break;
        case DupContentsKeepRule::Shortest:
          better = a.token_count < b.token_count;
          break;
        case DupContentsKeepRule::Newest:
          better = ta > tb;
          break;
        case DupContentsKeepRule::Oldest:
          better = ta < tb;
          break;
      }
      if (better) best = m;
    }
    dup_contents_top_list.SetWhichToKeep(g, best);
  }
}
