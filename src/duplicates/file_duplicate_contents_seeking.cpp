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

int DupContentsSeeker::SeekContentsDuplicatesIn(const FolderFileList& files,
                                                const QString& root_folder,
                                                const DupContentsCriteria& criteria,
                                                const DupContentsCallbacks& callbacks,
                                                QStringList* empty_files_out) {
  const std::int32_t max_days_diff = criteria.max_days_diff;
  const std::int32_t tag_span = criteria.tag_span;
  const std::int32_t start_percent = criteria.start_percent;
  const bool check_dates = criteria.check_dates;
  const bool same_folder = criteria.same_folder;
  const float max_length_diff_percent = criteria.max_length_diff_percent;
  const float max_words_diff_percent = criteria.max_words_diff_percent;
  const auto& time_remaining = callbacks.time_remaining;
  const auto& found_label = callbacks.found_label;
  const auto& on_status = callbacks.status;
  const auto& on_percent = callbacks.percent;
  const auto& on_percent2 = callbacks.second_percent;
  files_searched_ = 0;
  QStringList spare_empty_files;
  QStringList& empty_files = empty_files_out ? *empty_files_out : spare_empty_files;
  // The search walks list positions. A position is a file of `files`; the
  // list is sorted by size, and with normalize_space it is ordered again by
  // the length of the normalised text (ties keep their order), which is then
  // the size that the size test uses.
  const int n = files.Count();
  const bool normalize = criteria.normalize_space;
  if (on_status) on_status(Format(LX("LXNmanyTexts"), {n}));
  std::vector<std::int32_t> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::vector<double> sizes(static_cast<std::size_t>(n));
  if (normalize) {
    std::vector<double> lengths(static_cast<std::size_t>(n), 0.0);
    ParallelFor(n, [&](int f) {
      if (files.GetASimpleSearchRec(f).Size == 0 || StopRequested()) return;
      lengths[static_cast<std::size_t>(f)] = static_cast<double>(
          ReadComparedText(files.GetFullFilename(f), tag_span, true).text.size());
    });
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
      return lengths[static_cast<std::size_t>(a)] < lengths[static_cast<std::size_t>(b)];
    });
    for (int p = 0; p < n; ++p)
      sizes[static_cast<std::size_t>(p)] =
          lengths[static_cast<std::size_t>(order[static_cast<std::size_t>(p)])];
  } else {
    for (int p = 0; p < n; ++p)
      sizes[static_cast<std::size_t>(p)] = static_cast<double>(files.GetASimpleSearchRec(p).Size);
  }
  auto rec = [&](int p) -> const FileRecord& {
    return files.GetASimpleSearchRec(order[static_cast<std::size_t>(p)]);
  };
  auto path = [&](int p) { return files.GetFullFilename(order[static_cast<std::size_t>(p)]); };
  auto too_far_apart = [&](int p, int q) {
    const double si = sizes[static_cast<std::size_t>(p)], sj = sizes[static_cast<std::size_t>(q)];
    const float d = static_cast<float>(std::fabs(si - sj) / ((si + sj) / 2.0) * 100.0);
    return d > max_length_diff_percent;
  };
  // Partners of p lie in (p, window_end[p]): sizes are monotonic along the
  // list, so the end of the size window never moves back as p moves on.
  std::vector<std::int32_t> window_end(static_cast<std::size_t>(n));
  for (int p = 0, q = 0; p < n; ++p) {
    q = std::max(q, p + 1);
    while (q < n && !too_far_apart(p, q)) ++q;
    window_end[static_cast<std::size_t>(p)] = q;
  }
  auto end_of = [&](int p) { return window_end[static_cast<std::size_t>(p)]; };
  int start_pos = 0;
  while (start_pos < n && static_cast<std::int64_t>(start_pos) * 100 / n < start_percent)
    ++start_pos;
  // Only files that are a first file or a partner of one are ever read.
  auto needs_reading = [&](int p) {
    if (p < start_pos || rec(p).Size == 0) return false;
    return end_of(p) > p + 1 || (p > start_pos && end_of(p - 1) > p);
  };

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
  std::vector<TextFacts> facts(static_cast<std::size_t>(n));
  // passage_hits[i]: the positions j > i in i's size window whose text holds
  // one of i's passages, ascending; filled while the texts are scanned.
  std::vector<std::vector<std::int32_t>> passage_hits(static_cast<std::size_t>(n));
  std::unordered_map<std::uint64_t, std::vector<std::int32_t>>
      by_bytes;  // fingerprint -> positions
  PassageIndex passages;

  // Word lists of texts that are compared, kept while they may be needed again.
  std::unordered_map<int, WordList> word_lists;
  std::size_t word_list_bytes = 0;
  auto word_list_of = [&](int p) {
    return SimpleWordListOfTxt(ReadComparedText(path(p), tag_span, normalize).text, 1, false);
  };
  auto keep_word_list = [&](int p, WordList list) -> const WordList* {
    const std::size_t bytes = list.MemoryBytes() + 64;
    if (word_list_bytes + bytes > cache_limit_bytes) return nullptr;
    word_list_bytes += bytes;
    return &word_lists.emplace(p, std::move(list)).first->second;
  };
  // The kept word list of p, or one built into `spare`.
  auto kept_or_built = [&](int p, WordList& spare) -> const WordList* {
    auto it = word_lists.find(p);
    if (it != word_lists.end()) return &it->second;
    spare = word_list_of(p);
    return &spare;
  };
  auto drop_word_lists_below = [&](int p) {
    for (auto it = word_lists.begin(); it != word_lists.end();) {
      if (it->first < p) {
        word_list_bytes -= it->second.MemoryBytes() + 64;
        it = word_lists.erase(it);
      } else {
        ++it;
      }
    }
  };

  std::vector<char> done(static_cast<std::size_t>(n), 0);
  auto is_done = [&](int p) { return done[static_cast<std::size_t>(p)] != 0; };
  auto passes_folder_and_date = [&](int i, int j) {
    const FileRecord& ri = rec(i);
    const FileRecord& rj = rec(j);
    if (same_folder && rj.FolderNumber != ri.FolderNumber) return false;
    return !(check_dates && std::trunc(std::fabs(ri.Time - rj.Time)) > max_days_diff);
  };
  auto tokens_of = [&](int p) { return facts[static_cast<std::size_t>(p)].tokens; };

  DupContentsPairs pairs;
  std::vector<std::int32_t> in_pair;  // sorted positions already in a pair
  std::int64_t processed = 0, skipped = 0;
  auto in_pair_set = [&](std::int32_t v) {
    return std::binary_search(in_pair.begin(), in_pair.end(), v);
  };
  auto add_to_pair_set = [&](std::int32_t v) {
    in_pair.insert(std::lower_bound(in_pair.begin(), in_pair.end(), v), v);
  };
  std::vector<int> candidates;

  // One first file, in list order: its candidates are the partners that are
  // not done, pass the folder and date tests and share a passage (or, for
  // texts compared byte for byte, all their bytes); each similar one becomes
  // done and joins i's group. Answers false when a stop was asked for.
  auto search_first_file = [&](int i) {
    YieldToEvents();
    if (StopRequested()) return false;
    files_searched_ = i + 1;
    const int percent = static_cast<int>(static_cast<std::int64_t>(i) * 100 / n);
    if (on_percent && on_percent(percent))
      TryToDoElapsedTime(time_remaining, processed, n, skipped);
    if (percent < start_percent) {
      ++skipped;
      return true;
    }
    if (is_done(i)) return true;
    if (rec(i).Size == 0) {
      empty_files << path(i);
      return true;
    }
    ++processed;
    const TextFacts& fi = facts[static_cast<std::size_t>(i)];
    candidates.clear();
    if (fi.read && fi.by_bytes) {
      if (fi.bytes_readable) {
        for (std::int32_t j : by_bytes.find(fi.bytes_fingerprint)->second) {
          if (j <= i || j >= end_of(i) || is_done(j) || !passes_folder_and_date(i, j)) continue;
          if (SameFileBytes(path(i), path(j))) candidates.push_back(j);
        }
      }
    } else {
      for (std::int32_t j : passage_hits[static_cast<std::size_t>(i)])
        if (!is_done(j)) candidates.push_back(j);
    }
    std::vector<std::int32_t>().swap(passage_hits[static_cast<std::size_t>(i)]);
    if (candidates.empty()) return true;

    drop_word_lists_below(i);
    const std::int32_t tokens_i = tokens_of(i);
    WordList spare_i;
    const WordList* words_i = nullptr;
    bool first_entered = false;
    if (on_status) {
      const QString name = path(i);
      const int from = std::max<int>(static_cast<int>(root_folder.size()), 1) - 1;
      on_status(Format(LX("LXNManyOutOfN"), {i + 1, n}) + QLatin1Char(' ') + name.mid(from));
    }
    const int nc = static_cast<int>(candidates.size());
    for (int k = 0; k < nc; ++k) {
      if (on_percent2) on_percent2(static_cast<int>(static_cast<std::int64_t>(k) * 100 / nc));
      YieldToEvents();
      const int j = candidates[static_cast<std::size_t>(k)];
      std::int32_t type_diff = 0, token_diff = 0;
      bool similar = false;
      if (fi.by_bytes) {
        similar = true;  // the same bytes: the same words
      } else if (TokenCountsCloseEnough(tokens_i, tokens_of(j), max_length_diff_percent)) {
        if (!words_i) words_i = kept_or_built(i, spare_i);
        WordList spare_j;
        const WordList* words_j = kept_or_built(j, spare_j);
        similar = TypeAndTokenDifferences2SimpleWordLists(
            *words_i, *words_j, max_length_diff_percent, max_words_diff_percent, &type_diff,
            &token_diff);
      }
      if (!similar) continue;
      done[static_cast<std::size_t>(j)] = 1;
      TryToDoElapsedTime(time_remaining, processed, n, skipped);
      if (!first_entered && !in_pair_set(i)) {
        first_entered = true;
        add_to_pair_set(i);
      }
      if (!in_pair_set(j)) {
        add_to_pair_set(j);
        pairs.push_back({order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)],
                         tokens_i, tokens_of(j), token_diff, type_diff});
        if (found_label)
          found_label(Format(LX("LXFunctionNFound"),
                             {LX("LXNearDuplicates"), static_cast<int>(pairs.size())}));
      }
    }
    return true;
  };

  // Builds, on all cores, the word lists that the first files of [from, to)
  // will probably compare, so that the comparisons themselves find them ready.
  auto prepare_word_lists = [&](int from, int to) {
    std::vector<int> wanted;
    for (int i = std::max(from, start_pos); i < to; ++i) {
      const TextFacts& fi = facts[static_cast<std::size_t>(i)];
      if (is_done(i) || !fi.read || fi.by_bytes) continue;
      bool any = false;
      for (std::int32_t j : passage_hits[static_cast<std::size_t>(i)]) {
        if (is_done(j) || !TokenCountsCloseEnough(fi.tokens, tokens_of(j), max_length_diff_percent))
          continue;
        wanted.push_back(j);
        any = true;
      }
      if (any) wanted.push_back(i);
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    wanted.erase(std::remove_if(wanted.begin(), wanted.end(),
                                [&](int p) { return word_lists.count(p) > 0; }),
                 wanted.end());
    // In slices, so that lists that do not fit under the bound are not all
    // built at once.
    constexpr std::size_t kSlice = 256;
    for (std::size_t s = 0; s < wanted.size(); s += kSlice) {
      const std::size_t e = std::min(wanted.size(), s + kSlice);
      std::vector<WordList> built(e - s);
      ParallelFor(static_cast<int>(e - s), [&](int k) {
        built[static_cast<std::size_t>(k)] = word_list_of(wanted[s + static_cast<std::size_t>(k)]);
      });
      bool full = false;
      for (std::size_t k = 0; k < built.size(); ++k)
        if (!keep_word_list(wanted[s + k], std::move(built[k]))) full = true;
      if (full) break;
    }
  };

  // The scan: texts are read in batches along the list, on all cores. Each
  // text's passages enter the index; each text is searched once for the
  // passages of the texts before it whose size window reaches it. First files
  // whose whole window has been scanned are then searched, in list order.
  constexpr int kBatchFiles = 256;
  constexpr std::int64_t kBatchBytes = std::int64_t{32} << 20;
  int scanned = start_pos;  // positions below have been scanned
  int next_first = 0;
  std::vector<QString> texts;
  std::vector<std::vector<std::int32_t>> owners_found;
  int lowest_needed = 0;  // lowest first file whose window reaches the batch
  bool stopped = false;
  while (!stopped) {
    int ready = next_first;
    while (ready < n && (ready < start_pos || scanned == n || end_of(ready) <= scanned)) ++ready;
    for (int from = next_first; from < ready && !stopped; from += kBatchFiles) {
      const int to = std::min(ready, from + kBatchFiles);
      prepare_word_lists(from, to);
      for (int i = from; i < to; ++i) {
        if (!search_first_file(i)) {
          stopped = true;
          break;
        }
      }
    }
    next_first = ready;
    if (stopped || next_first >= n) break;
    YieldToEvents();
    if (StopRequested()) break;

    const int b0 = scanned;
    int b1 = b0;
    std::int64_t bytes = 0;
    while (b1 < n && b1 - b0 < kBatchFiles && (b1 == b0 || bytes < kBatchBytes)) {
      if (needs_reading(b1)) bytes += rec(b1).Size;
      ++b1;
    }
    texts.assign(static_cast<std::size_t>(b1 - b0), QString());
    ParallelFor(b1 - b0, [&](int k) {
      const int p = b0 + k;
      if (!needs_reading(p)) return;
      ComparedText ct = ReadComparedText(path(p), tag_span, normalize);
      TextFacts& f = facts[static_cast<std::size_t>(p)];
      f.read = true;
      f.tokens = TokenCountOfTxt(ct.text);
      f.by_bytes = ct.text.isEmpty() || ct.cut_at_nul || f.tokens == 0;
      if (f.by_bytes)
        f.bytes_readable = FileBytesFingerprint(path(p), &f.bytes_fingerprint);
      else
        texts[static_cast<std::size_t>(k)] = std::move(ct.text);
    });
    for (int p = b0; p < b1; ++p) {
      const TextFacts& f = facts[static_cast<std::size_t>(p)];
      if (!f.read) continue;
      if (f.by_bytes) {
        if (f.bytes_readable) by_bytes[f.bytes_fingerprint].push_back(p);
        continue;
      }
      if (end_of(p) <= p + 1) continue;  // no partner: never a first file with candidates
      const QString& t = texts[static_cast<std::size_t>(p - b0)];
      const QStringView middle = PassageAt(t, t.size() / 2);
      const QStringView third = PassageAt(t, t.size() / 3);
      passages.Add(p, middle);
      if (third != middle) passages.Add(p, third);
    }
    // Texts from b0 on can no longer reach the windows of first files whose
    // window ends at or before b0.
    while (lowest_needed < b0 && end_of(lowest_needed) <= b0) ++lowest_needed;
    passages.RemoveOwnersBelow(lowest_needed);
    passages.Seal();
    owners_found.assign(static_cast<std::size_t>(b1 - b0), {});
    if (!passages.Empty()) {
      ParallelFor(b1 - b0, [&](int k) {
        const int j = b0 + k;
        const QString& t = texts[static_cast<std::size_t>(k)];
        if (t.isEmpty()) return;
        std::vector<std::int32_t>& owners = owners_found[static_cast<std::size_t>(k)];
        passages.FindIn(t, owners);
        // The folder and date tests never change during a search, so they
        // can be applied here already; only the done flags must wait.
        owners.erase(std::remove_if(owners.begin(), owners.end(),
                                    [&](std::int32_t i) {
                                      return i >= j || end_of(i) <= j ||
                                             !passes_folder_and_date(i, j);
                                    }),
                     owners.end());
        std::sort(owners.begin(), owners.end());
        owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
      });
    }
    for (int k = 0; k < b1 - b0; ++k)
      for (std::int32_t i : owners_found[static_cast<std::size_t>(k)])
        passage_hits[static_cast<std::size_t>(i)].push_back(b0 + k);
    scanned = b1;
    if (on_percent2) on_percent2(static_cast<int>(static_cast<std::int64_t>(scanned) * 100 / n));
  }

  // Consecutive pairs with the same first file form one group.
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
  Sort(dcs_token_diff);
  return static_cast<int>(pairs.size());
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
