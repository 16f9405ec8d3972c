#include "duplicates/file_duplicate_contents_seeking.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "runtime/format.h"
#include "runtime/markup.h"
#include "runtime/messages.h"
#include "runtime/panic.h"
#include "runtime/word_lists.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kMemberPrefix = QString(4, QChar(0x00B7)) + QLatin1Char(' ');
constexpr int kPassageLength = 100;

QString WholeNumber(std::int32_t n) { return Format(QStringLiteral("%0.n"), {static_cast<double>(n)}); }

// Occurrence of a needle in a text with a Horspool skip table keyed on the
// low byte of each code unit. Units that share a low byte share a skip, which
// can only make a skip shorter, never wrong. With the 100-unit passages
// searched here a mismatch usually moves the window by dozens of units.
bool Occurs(QStringView needle, QStringView hay) {
  const qsizetype m = needle.size();
  const qsizetype n = hay.size();
  if (m == 0 || m > n) return false;
  const char16_t* p = reinterpret_cast<const char16_t*>(needle.utf16());
  const char16_t* t = reinterpret_cast<const char16_t*>(hay.utf16());
  if (m < 4) return hay.indexOf(needle) >= 0;
  qsizetype skip[256];
  for (auto& s : skip) s = m;
  for (qsizetype k = 0; k < m - 1; ++k) skip[p[k] & 0xFF] = m - 1 - k;
  const char16_t last = p[m - 1];
  qsizetype pos = 0;
  while (pos <= n - m) {
    const char16_t c = t[pos + m - 1];
    if (c == last && std::equal(p, p + m - 1, t + pos)) return true;
    pos += skip[c & 0xFF];
  }
  return false;
}

// The passage of a text that begins at the 1-based character position
// `start` (a position below 1 counts as 1) and is up to 100 characters long.
QStringView PassageAt(const QString& text, qsizetype start) {
  if (text.isEmpty()) return {};
  const qsizetype from = std::max<qsizetype>(start, 1) - 1;
  return QStringView(text).mid(from, kPassageLength);
}

// Decoded texts and word lists of the files that a search may still need.
// Entries below the current first file are never needed again and are
// dropped as the search moves on.
class TextCache {
 public:
  TextCache(const TFolderEfficientFileStringlist& files, int tag_span, std::size_t limit)
      : files_(files), tag_span_(tag_span), limit_(limit) {}

  struct Entry {
    QString text;
    bool has_words = false;
    TSimpleWordList words;
    std::size_t bytes = 0;
  };

  // The entry for file i: the cached one, or a fresh one (kept in `spare`
  // when it does not fit under the bound).
  Entry& Get(int i, Entry& spare) {
    auto it = entries_.find(i);
    if (it != entries_.end()) return it->second;
    Entry e;
    e.text = MarkupFreeTextFromAFile(files_.GetFullFilename(i), tag_span_);
    e.bytes = static_cast<std::size_t>(e.text.capacity()) * sizeof(QChar) + 64;
    if (used_ + e.bytes <= limit_) {
      used_ += e.bytes;
      return entries_.emplace(i, std::move(e)).first->second;
    }
    spare = std::move(e);
    return spare;
  }

  const TSimpleWordList& Words(int i, Entry& e) {
    if (!e.has_words) {
      e.words = SimpleWordListOfTxt(e.text, 1, false);
      e.has_words = true;
      if (entries_.count(i)) {
        const std::size_t more = e.words.MemoryBytes();
        used_ += more;
        e.bytes += more;
      }
    }
    return e.words;
  }

  void DropBelow(int i) {
    if (entries_.empty() || i <= lowest_kept_) return;
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->first < i) {
        used_ -= it->second.bytes;
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
    lowest_kept_ = i;
  }

 private:
  const TFolderEfficientFileStringlist& files_;
  int tag_span_;
  std::size_t limit_;
  std::size_t used_ = 0;
  int lowest_kept_ = 0;
  std::unordered_map<int, Entry> entries_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Groups

TDupContentsListAndIntHolder::TDupContentsListAndIntHolder() { data.dup_contents_list = new TDupContentsDataList; }

TDupContentsListAndIntHolder::~TDupContentsListAndIntHolder() { delete data.dup_contents_list; }

TDupContentListAndInt TDuplicateContentsListWithKeepInt::Group(int g) const {
  if (g < 0 || g >= Count()) return {};
  return holders_[static_cast<std::size_t>(g)]->data;
}

int TDuplicateContentsListWithKeepInt::MemberCount(int g) const {
  const TDupContentListAndInt d = Group(g);
  return d.dup_contents_list ? d.dup_contents_list->Count() : 0;
}

std::int32_t TDuplicateContentsListWithKeepInt::WhichToKeep(int g) const {
  if (g < 0 || g >= Count()) return -1;
  return holders_[static_cast<std::size_t>(g)]->data.which_to_keep;
}

void TDuplicateContentsListWithKeepInt::SetWhichToKeep(int g, std::int32_t keep) {
  if (g < 0 || g >= Count()) return;
  holders_[static_cast<std::size_t>(g)]->data.which_to_keep = keep;
}

const TDupContentsDataRec* TDuplicateContentsListWithKeepInt::MemberRec(int g, int m) const {
  const TDupContentListAndInt d = Group(g);
  if (!d.dup_contents_list || m < 0 || m >= d.dup_contents_list->Count()) return nullptr;
  return &d.dup_contents_list->GetAValue(m);
}

QString TDuplicateContentsListWithKeepInt::DupContentsFilename(int g, int m) const {
  const TDupContentsDataRec* r = MemberRec(g, m);
  if (!r) return QString();
  const QString name = pai ? pai->FullFilename(r->file_index) : QString();
  return m > 0 ? kMemberPrefix + name : name;
}

QString TDuplicateContentsListWithKeepInt::DupContentsTokenCountAsText(int g, int m) const {
  const TDupContentsDataRec* r = MemberRec(g, m);
  return r ? WholeNumber(r->token_count) : QString();
}

QString TDuplicateContentsListWithKeepInt::DupContentsTokensAsText(int g, int m) const {
  const TDupContentsDataRec* r = MemberRec(g, m);
  return r ? WholeNumber(r->token_diff) : QString();
}

QString TDuplicateContentsListWithKeepInt::DupContentsTypesAsText(int g, int m) const {
  const TDupContentsDataRec* r = MemberRec(g, m);
  return r ? WholeNumber(r->type_diff) : QString();
}

QString TDuplicateContentsListWithKeepInt::ALineAsText(int g) const {
  QString out;
  const int n = MemberCount(g);
  for (int m = 0; m < n; ++m) {
    if (m > 0) out += kCrLf;
    out += DupContentsFilename(g, m) + QLatin1Char('\t') + DupContentsTokenCountAsText(g, m) +
           QLatin1Char('\t') + DupContentsTokensAsText(g, m) + QLatin1Char('\t') +
           DupContentsTypesAsText(g, m);
  }
  return out;
}

// ---------------------------------------------------------------------------
// Seeker

TFileDuplicateContentsSeeker::TFileDuplicateContentsSeeker() : dup_contents_top_list(this) {}

TFileDuplicateContentsSeeker::~TFileDuplicateContentsSeeker() { Clear(); }

void TFileDuplicateContentsSeeker::Clear() {
  row_to_toplist_numbers.clear();
  dup_contents_top_list.Clear();
  fnames.Clear();
}

QString TFileDuplicateContentsSeeker::FullFilename(int file_index) const {
  if (file_index < 0 || file_index >= fnames.Count()) return QString();
  return fnames.GetFullFilename(file_index);
}

int TFileDuplicateContentsSeeker::GroupOfRow(int row) const {
  if (row < 0 || row >= RowCount()) return -1;
  return row_to_toplist_numbers[static_cast<std::size_t>(row)];
}

int TFileDuplicateContentsSeeker::FirstRowOfGroup(int g) const {
  auto it = std::find(row_to_toplist_numbers.begin(), row_to_toplist_numbers.end(), g);
  return it == row_to_toplist_numbers.end() ? -1 : static_cast<int>(it - row_to_toplist_numbers.begin());
}

int TFileDuplicateContentsSeeker::SeekContentsDuplicatesIn(
    std::int32_t max_days_diff, std::int32_t tag_span, std::int32_t start_percent,
    const TFolderEfficientFileStringlist& files, const QString& root_folder, QStringList& empty_files,
    const std::function<void(const QString&)>& time_remaining,
    const std::function<void(const QString&)>& found_label,
    const std::function<void(const QString&)>& on_status, const std::function<bool(int)>& on_percent,
    const std::function<void(int)>& on_percent2, bool check_dates, bool same_folder,
    float max_length_diff_percent, float max_words_diff_percent) {
  const int n = files.Count();
  std::vector<char> done(static_cast<std::size_t>(n), 0);
  TDupContentsFilesList pairs;
  std::vector<std::int32_t> in_pair;  // sorted input positions already in a pair
  std::int64_t processed = 0, skipped = 0;
  auto in_pair_set = [&](std::int32_t v) { return std::binary_search(in_pair.begin(), in_pair.end(), v); };
  auto add_to_pair_set = [&](std::int32_t v) { in_pair.insert(std::lower_bound(in_pair.begin(), in_pair.end(), v), v); };

  if (on_status) on_status(Format(LX("LXNmanyTexts"), {n}));
  TextCache cache(files, tag_span, cache_limit_bytes);
  std::vector<int> pre;         // partners that pass the size, folder and date tests
  std::vector<int> candidates;  // partners whose text holds the passage

  for (int i = 0; i < n; ++i) {
    MyYieldProcess();
    if (StopRequested()) break;
    const int percent = static_cast<int>(static_cast<std::int64_t>(i) * 100 / n);
    if (on_percent && on_percent(percent)) TryToDoElapsedTime(time_remaining, processed, n, skipped);
    if (percent < start_percent) {
      ++skipped;
      continue;
    }
    const TMySimpleSearchRec& ri = files.GetASimpleSearchRec(i);
    if (done[static_cast<std::size_t>(i)]) continue;
    if (ri.Size == 0) {
      empty_files << files.GetFullFilename(i);
      continue;
    }
    ++processed;
    cache.DropBelow(i);

    // Size, folder and date tests first: they need no text, and a first file
    // without a partner that passes them needs no reading at all.
    pre.clear();
    for (int j = i + 1; j < n; ++j) {
      if (done[static_cast<std::size_t>(j)]) continue;
      const TMySimpleSearchRec& rj = files.GetASimpleSearchRec(j);
      if (same_folder && rj.FolderNumber != ri.FolderNumber) continue;
      const double si = static_cast<double>(ri.Size), sj = static_cast<double>(rj.Size);
      const float d = static_cast<float>(std::fabs(si - sj) / ((si + sj) / 2.0) * 100.0);
      if (d > max_length_diff_percent) break;
      if (check_dates && std::trunc(std::fabs(ri.Time - rj.Time)) > max_days_diff) continue;
      pre.push_back(j);
    }
    if (pre.empty()) continue;

    TextCache::Entry spare_i;
    TextCache::Entry& ei = cache.Get(i, spare_i);
    const QString& text_i = ei.text;
    const QStringView middle = PassageAt(text_i, text_i.size() / 2);
    const QStringView third = PassageAt(text_i, text_i.size() / 3);
    candidates.clear();
    for (int j : pre) {
      MyYieldProcess();
      TextCache::Entry spare_j;
      const QString& text_j = cache.Get(j, spare_j).text;
      if (Occurs(middle, text_j) || Occurs(third, text_j)) candidates.push_back(j);
    }
    if (candidates.empty()) continue;

    bool first_entered = false;
    const TSimpleWordList& words_i = cache.Words(i, ei);
    const std::int32_t tokens_i = words_i.TokenCount();
    if (on_status) {
      const QString name = files.GetFullFilename(i);
      const int from = std::max<int>(static_cast<int>(root_folder.size()), 1) - 1;
      on_status(Format(LX("LXNManyOutOfN"), {i + 1, n}) + QLatin1Char(' ') + name.mid(from));
    }
    const int nc = static_cast<int>(candidates.size());
    for (int k = 0; k < nc; ++k) {
      if (on_percent2) on_percent2(static_cast<int>(static_cast<std::int64_t>(k) * 100 / nc));
      MyYieldProcess();
      const int j = candidates[static_cast<std::size_t>(k)];
      TextCache::Entry spare_j;
      TextCache::Entry& ej = cache.Get(j, spare_j);
      const TSimpleWordList& words_j = cache.Words(j, ej);
      std::int32_t type_diff = 0, token_diff = 0;
      const bool similar = TypeAndTokenDifferences2SimpleWordLists(
          words_i, words_j, max_length_diff_percent, max_words_diff_percent, &type_diff, &token_diff);
      if (!similar) continue;
      done[static_cast<std::size_t>(j)] = 1;
      TryToDoElapsedTime(time_remaining, processed, n, skipped);
      if (!first_entered && !in_pair_set(i)) {
        first_entered = true;
        add_to_pair_set(i);
      }
      if (!in_pair_set(j)) {
        add_to_pair_set(j);
        pairs.push_back({i, j, tokens_i, words_j.TokenCount(), token_diff, type_diff});
        if (found_label)
          found_label(Format(LX("LXFunctionNFound"),
                             {LX("LXNearDuplicates"), static_cast<int>(pairs.size())}));
      }
    }
  }

  // Consecutive pairs with the same first file form one group.
  auto add_file = [&](std::int32_t input_pos) {
    const TMySimpleSearchRec& r = files.GetASimpleSearchRec(input_pos);
    const int folder = fnames.AddFolder(files.GetFolder(r.FolderNumber));
    return static_cast<std::int32_t>(fnames.AddOne(folder, r.Name, r.Size, r.Time));
  };
  std::size_t p = 0;
  while (p < pairs.size()) {
    MyYieldProcess();
    const TDupContentsPairRec& first = pairs[p];
    auto holder = std::make_unique<TDupContentsListAndIntHolder>();
    TDupContentsDataList& members = *holder->data.dup_contents_list;
    members.AddOne({add_file(first.file1), first.tokens1, first.token_diff, first.type_diff});
    members.AddOne({add_file(first.file2), first.tokens2, first.token_diff, first.type_diff});
    while (p + 1 < pairs.size() && pairs[p + 1].file1 == first.file1) {
      ++p;
      const TDupContentsPairRec& more = pairs[p];
      members.AddOne({add_file(more.file2), more.tokens2, more.token_diff, more.type_diff});
    }
    dup_contents_top_list.Add(std::move(holder));
    ++p;
  }
  Sort(dcs_token_diff);
  return static_cast<int>(pairs.size());
}

void TFileDuplicateContentsSeeker::RebuildRows() {
  row_to_toplist_numbers.clear();
  for (int g = 0; g < dup_contents_top_list.Count(); ++g)
    row_to_toplist_numbers.insert(row_to_toplist_numbers.end(),
                                  static_cast<std::size_t>(dup_contents_top_list.MemberCount(g)), g);
}

void TFileDuplicateContentsSeeker::Sort(TDupContentsSort order) {
  dup_contents_top_list.sort_system = order;
  auto head = [](const TDupContentsListAndIntHolder& h) -> const TDupContentsDataRec& {
    return h.data.dup_contents_list->GetAValue(0);
  };
  auto compare = [&](const std::unique_ptr<TDupContentsListAndIntHolder>& a,
                     const std::unique_ptr<TDupContentsListAndIntHolder>& b) {
    if (a->data.dup_contents_list->Count() == 0 || b->data.dup_contents_list->Count() == 0) return 0;
    const TDupContentsDataRec& ha = head(*a);
    const TDupContentsDataRec& hb = head(*b);
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
  RebuildRows();
}

void TFileDuplicateContentsSeeker::SetKeepNumber(int row) {
  const int g = GroupOfRow(row);
  if (g < 0) return;
  dup_contents_top_list.SetWhichToKeep(g, row - FirstRowOfGroup(g));
}

void TFileDuplicateContentsSeeker::SetKeepByRule(TDupContentsKeepRule rule) {
  for (int g = 0; g < dup_contents_top_list.Count(); ++g) {
    const TDupContentsDataList& members = *dup_contents_top_list.Group(g).dup_contents_list;
    int best = 0;
    for (int m = 1; m < members.Count(); ++m) {
      const TDupContentsDataRec& a = members.GetAValue(m);
      const TDupContentsDataRec& b = members.GetAValue(best);
      const double ta = fnames.GetASimpleSearchRec(a.file_index).Time;
      const double tb = fnames.GetASimpleSearchRec(b.file_index).Time;
      bool better = false;
      switch (rule) {
        case TDupContentsKeepRule::Head:
          break;
        case TDupContentsKeepRule::Longest:
          better = a.token_count > b.token_count;
          break;
        case TDupContentsKeepRule::Shortest:
          better = a.token_count < b.token_count;
          break;
        case TDupContentsKeepRule::Newest:
          better = ta > tb;
          break;
        case TDupContentsKeepRule::Oldest:
          better = ta < tb;
          break;
      }
      if (better) best = m;
    }
    dup_contents_top_list.SetWhichToKeep(g, best);
  }
}

QString TFileDuplicateContentsSeeker::AsText() const {
  QString out;
  for (int g = 0; g < dup_contents_top_list.Count(); ++g) {
    if (g > 0) out += kCrLf;
    out += dup_contents_top_list.ALineAsText(g);
  }
  return out;
}
