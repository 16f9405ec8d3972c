#include "duplicates/file_duplicate_names_seeking.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <set>
#include <thread>

#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"
#include "runtime/packed_key.h"
#include "runtime/panic.h"
#include "runtime/text_case.h"

namespace {

std::int16_t Sign(int c) { return static_cast<std::int16_t>(c < 0 ? -1 : (c > 0 ? 1 : 0)); }

}  // namespace

// Compare2Strings, with a quick path for the plain-ASCII start of two names:
// sorting a large list compares millions of names, and most names are ASCII.
// Case-insensitive comparison goes character by character, so once a
// non-ASCII character turns up the rest is left to Compare2Strings with the
// same result as comparing the whole names.
int DupNamesCompareNames(QStringView a, QStringView b) {
  const char16_t* pa = a.utf16();
  const char16_t* pb = b.utf16();
  const qsizetype n = std::min(a.size(), b.size());
  qsizetype i = 0;
  // Four characters at a time while both names agree in plain ASCII.
  constexpr std::uint64_t kNonAscii = 0xFF80FF80FF80FF80ULL;
  for (; i + 4 <= n; i += 4) {
    std::uint64_t x, y;
    std::memcpy(&x, pa + i, sizeof x);
    std::memcpy(&y, pb + i, sizeof y);
    if (x != y || (x & kNonAscii) != 0) break;
  }
  for (; i < n; ++i) {
    char16_t ca = pa[i];
    char16_t cb = pb[i];
    if (ca >= 0x80 || cb >= 0x80) {
      return QStringView(pa + i, a.size() - i)
          .compare(QStringView(pb + i, b.size() - i), Qt::CaseInsensitive);
    }
    ca = AsciiLower(ca);
    cb = AsciiLower(cb);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

QStringList DupNamesExcludedFolderNames(const QString& text) {
  static const QRegularExpression line_break(QStringLiteral("[\r\n]+"));
  QStringList names;
  for (const QString& line : text.split(line_break, Qt::SkipEmptyParts)) {
    const QString t = line.trimmed();
    if (!t.isEmpty()) names << t;
  }
  return names;
}

// ---------------------------------------------------------------------------
// DupNamesRecList

DupNamesRecList::DupNamesRecList(DupNamesSeeker* owner, bool same_date, bool same_size,
                                 DupNamesCompare on_compare, DupNamesCompareSizes on_compare_size,
                                 DupNamesCompareDates on_compare_date)
    : compare_names(std::move(on_compare)),
      compare_sizes(std::move(on_compare_size)),
      compare_dates(std::move(on_compare_date)),
      must_be_same_date(same_date),
      must_be_same_size(same_size),
      owner(owner) {}

void DupNamesRecList::Clear() {
  items_.clear();
  blocks_.clear();
}

void DupNamesRecList::Add(DupNamesRec rec) {
  constexpr std::size_t kBlock = 4096;
  if (blocks_.empty() || blocks_.back().size() == kBlock) {
    blocks_.emplace_back();
    blocks_.back().reserve(kBlock);
  }
  blocks_.back().emplace_back(std::move(rec));
  items_.push_back(&blocks_.back().back());
}

DupNamesRec DupNamesRecList::Record(int k) const {
  if (k < 0 || k >= Count()) return DupNamesRec{};
  return At(k);
}

namespace {

// What a sort needs of one entry: the name's packed start (so that most
// comparisons never read the name), its folder's rank and its place.
struct SortEntry {
  double time;
  PackedKey<2> key;
  std::uint32_t folder_rank;
  std::uint32_t index;
};

// Orders two names as DupNamesCompareNames does; the names themselves are
// read only when the packed starts cannot tell.
int CompareSortNames(const SortEntry& a, const SortEntry& b, const QString& name_a,
                     const QString& name_b) {
  const int c = ComparePackedKeys(a.key, b.key);
  return c != 2 ? c : DupNamesCompareNames(name_a, name_b);
}

}  // namespace

void DupNamesRecList::SortEntries(bool by_date) {
  // Same names are ordered by folder, so that a group always lists its files
  // in the same order whatever order the folders were read in; and then by
  // their place in the list, so that the order is fully defined. Files of a
  // folder share one folder text, so each folder is ranked once.
  std::vector<std::pair<const DupNamesRec*, std::uint32_t>>
      folders;  // a record of each folder text, its rank
  std::vector<std::uint32_t> rank_of(items_.size());
  {
    const QChar* last = nullptr;
    bool any = false;
    for (std::size_t k = 0; k < items_.size(); ++k) {
      const QChar* d = items_[k]->data.dir.constData();
      if (!any || d != last) {
        folders.emplace_back(&items_[k]->data, 0);
        last = d;
        any = true;
      }
      rank_of[k] = static_cast<std::uint32_t>(folders.size() - 1);
    }
    std::vector<std::uint32_t> order(folders.size());
    for (std::uint32_t f = 0; f < order.size(); ++f) order[f] = f;
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
      return folders[x].first->dir < folders[y].first->dir;
    });
    std::uint32_t rank = 0;
    for (std::size_t r = 0; r < order.size(); ++r) {
      if (r > 0 && folders[order[r]].first->dir != folders[order[r - 1]].first->dir) ++rank;
      folders[order[r]].second = rank;
    }
    for (std::uint32_t& r : rank_of) r = folders[r].second;
  }

  // The order is total (ties end on the list position), so a large list is
  // prepared and sorted in two halves on two threads and merged, with the
  // same result.
  constexpr std::size_t kSplitFrom = 65536;
  const bool split = items_.size() >= kSplitFrom && std::thread::hardware_concurrency() > 1;
  std::vector<SortEntry> entries(items_.size());
  auto prepare = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k)
      entries[k] = SortEntry{items_[k]->data.sr.Time, PackKey<2>(items_[k]->data.sr.Name),
                             rank_of[k], static_cast<std::uint32_t>(k)};
  };
  auto before = [this, by_date](const SortEntry& a, const SortEntry& b) {
    if (by_date) {
      const int d = CompareDates(a.time, b.time);
      if (d != 0) return d < 0;
    }
    const int c =
        CompareSortNames(a, b, items_[a.index]->data.sr.Name, items_[b.index]->data.sr.Name);
    if (c != 0) return c < 0;
    if (a.folder_rank != b.folder_rank) return a.folder_rank < b.folder_rank;
    return a.index < b.index;
  };
  if (split) {
    const std::size_t half = entries.size() / 2;
    const auto middle = entries.begin() + static_cast<std::ptrdiff_t>(half);
    std::thread first_half([&] {
      prepare(0, half);
      std::sort(entries.begin(), middle, before);
    });
    prepare(half, entries.size());
    std::sort(middle, entries.end(), before);
    first_half.join();
    std::inplace_merge(entries.begin(), middle, entries.end(), before);
  } else {
    prepare(0, entries.size());
    std::sort(entries.begin(), entries.end(), before);
  }

  // The records themselves are put in sorted order, in place (holder k
  // stays slot k of the blocks), so that the scan that follows reads them
  // one after the other instead of all over memory.
  std::vector<std::uint32_t> source(entries.size());
  for (std::size_t p = 0; p < entries.size(); ++p) source[p] = entries[p].index;
  entries = std::vector<SortEntry>();
  std::vector<bool> placed(source.size(), false);
  for (std::uint32_t start = 0; start < source.size(); ++start) {
    if (placed[start] || source[start] == start) continue;
    DupNamesRec first = std::move(items_[start]->data);
    std::uint32_t at = start;
    for (;;) {
      placed[at] = true;
      const std::uint32_t from = source[at];
      if (from == start) {
        items_[at]->data = std::move(first);
        break;
      }
      items_[at]->data = std::move(items_[from]->data);
      at = from;
    }
  }
}

void DupNamesRecList::SortByName() { SortEntries(false); }

void DupNamesRecList::SortByDate() { SortEntries(true); }

int DupNamesRecList::FoundExactSameName(const QString& name) const {
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = DupNamesCompareNames(At(mid).sr.Name, name);
    if (c == 0) return mid;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -1;
}

std::vector<std::int32_t> DupNamesRecList::ListOfAllSameShortFName(int idx) {
  std::vector<std::int32_t> result;
  if (idx < 0 || idx >= Count()) return result;
  owner->SetBaseCompare(At(idx));
  int lo = idx;
  while (lo > 0 && compare_names(At(lo - 1)) == 0) {
    --lo;
    YieldToEvents();
  }
  int hi = idx;
  while (hi < Count() - 1 && compare_names(At(hi + 1)) == 0) {
    ++hi;
    YieldToEvents();
  }
  for (int k = lo; k <= hi; ++k) {
    const DupNamesRec& r = At(k);
    if (must_be_same_date && compare_dates(r.sr.Time) != 0) continue;
    if (must_be_same_size && compare_sizes(r.sr.Size) != 0) continue;
    result.push_back(k);
  }
  return result;
}

std::vector<std::int32_t> DupNamesRecList::ListOfAllSameDate(int idx) {
  std::vector<std::int32_t> result;
  if (idx < 0 || idx >= Count()) return result;
  result.push_back(idx);
  while (result.back() + 1 < Count() &&
         At(result.back() + 1).sr.Time == At(result.back()).sr.Time) {
    result.push_back(result.back() + 1);
    YieldToEvents();
  }
  return result;
}

void DupNamesRecList::TakeDetailsFrom(FileWalker& iterator, const std::vector<char>& wanted) {
  std::vector<int> indexes;
  for (std::size_t k = 0; k < items_.size(); ++k)
    if (wanted[k]) indexes.push_back(items_[k]->data.found_index);
  const std::vector<int> vanished = iterator.ReadDetailsOf(indexes);
  const FolderFileList& found = iterator.FilesFound();
  for (std::size_t k = 0; k < items_.size(); ++k) {
    if (!wanted[k]) continue;
    FileRecord& sr = items_[k]->data.sr;
    const FileRecord& from = found.GetASimpleSearchRec(items_[k]->data.found_index);
    sr.Size = from.Size;
    sr.Time = from.Time;
  }
  if (vanished.empty()) return;
  const std::set<int> gone(vanished.begin(), vanished.end());
  std::erase_if(items_, [&gone](const DupNamesSearchRecHolder* h) {
    return gone.count(h->data.found_index) > 0;
  });
}

// ---------------------------------------------------------------------------
// DupNamesSeeker

DupNamesSeeker::DupNamesSeeker(DupNamesGroupHandler on_handle, DupNamesStatusHandler on_status,
                               ProgressShowEvent on_progress, DupNamesCompare compare_names,
                               DupNamesCompareSizes compare_sizes,
                               DupNamesCompareDates compare_dates,
                               DupNamesRecHandler on_base_compare_set)
    : OnBaseCompareSet(std::move(on_base_compare_set)),
      OnDuplicatesStatus(std::move(on_status)),
      OnDuplicatesHandle(std::move(on_handle)),
      OnProgressShow(std::move(on_progress)),
      first_list(this, false, false, nullptr, nullptr, nullptr),
      second_list(this, false, false, nullptr, nullptr, nullptr) {
  own_name_compare_ = !compare_names;
  if (!compare_names)
    compare_names = [this](const DupNamesRec& r) { return DefaultCompareNames(r); };
  if (!compare_sizes) compare_sizes = [this](std::int64_t s) { return DefaultCompareSizes(s); };
  if (!compare_dates) compare_dates = [this](double d) { return DefaultCompareDates(d); };
  for (DupNamesRecList* list : {&first_list, &second_list}) {
    list->compare_names = compare_names;
    list->compare_sizes = compare_sizes;
    list->compare_dates = compare_dates;
  }
  // The iterators name each folder as its files are collected, so the status
  // text follows the collection.
  for (FileWalker* it : {&first_walker, &second_walker}) {
    it->OnProcessingAFolder = [this](const QString& folder) {
      if (OnDuplicatesStatus) OnDuplicatesStatus(DisplayName(folder));
    };
  }
}

void DupNamesSeeker::SetBaseCompare(const DupNamesRec& value) {
  base_compare_ = value;
  if (OnBaseCompareSet) OnBaseCompareSet(value);
}

std::int16_t DupNamesSeeker::DefaultCompareNames(const DupNamesRec& rec) const {
  return Sign(DupNamesCompareNames(rec.sr.Name, base_compare_.sr.Name));
}

std::int16_t DupNamesSeeker::DefaultCompareSizes(std::int64_t size) const {
  return Sign(CompareInt64s(size, base_compare_.sr.Size));
}

std::int16_t DupNamesSeeker::DefaultCompareDates(double date) const {
  return Sign(CompareDates(date, base_compare_.sr.Time));
}

void DupNamesSeeker::Stop() {
  first_walker.Stop();
  second_walker.Stop();
  searching.store(false);
}

void DupNamesSeeker::Collect(FileWalker& iterator, DupNamesRecList& list, bool keep_walk_list) {
  // Every file of one folder shares one lower-cased folder string.
  const FolderFileList& found = iterator.FilesFound();
  int last_folder = -1;
  std::int32_t index = 0;
  QString dir;
  list.Reserve(static_cast<std::size_t>(found.Count()));
  iterator.OnProcessingAFile = [&](const QString&, const FileRecord& rec) {
    if (rec.FolderNumber != last_folder) {
      last_folder = rec.FolderNumber;
      dir = LowerCasedName(found.GetFolder(rec.FolderNumber));
    }
    DupNamesRec r;
    r.sr.Time = rec.Time;
    r.sr.Size = rec.Size;
    r.sr.FolderNumber = rec.FolderNumber;
    r.sr.Name = LowerCasedName(rec.Name);
    r.dir = dir;
    r.found_index = index++;
    list.Add(std::move(r));
  };
  iterator.ProcessAllFilesFound();
  iterator.OnProcessingAFile = nullptr;
  // The records are the list's now: the iterator's copy goes, so that the
  // memory serves the sort and the results instead of growing further.
  if (!keep_walk_list) iterator.ReleaseFilesFound();
}

void DupNamesSeeker::ReadDetailsOfRepeatedNames() {
  DupNamesRecList& l1 = first_list;
  DupNamesRecList& l2 = second_list;
  std::vector<char> want1(static_cast<std::size_t>(l1.Count()), 0);
  std::vector<char> want2(static_cast<std::size_t>(l2.Count()), 0);
  auto same = [](const DupNamesRec& a, const DupNamesRec& b) {
    return DupNamesCompareNames(a.sr.Name, b.sr.Name);
  };
  if (using_folder1_only) {
    // Every member of a run of two or more equal names.
    for (int k = 0; k + 1 < l1.Count(); ++k) {
      if (same(l1.At(k), l1.At(k + 1)) == 0)
        want1[static_cast<std::size_t>(k)] = want1[static_cast<std::size_t>(k) + 1] = 1;
    }
    l1.TakeDetailsFrom(first_walker, want1);
    // The scan also makes some single files the base it announces. Which
    // ones follows from the groups alone, whose details are known now: when
    // someone listens, the scan's steps are replayed without announcing
    // anything, and those files are read too.
    if (OnBaseCompareSet) {
      std::vector<char> bases(static_cast<std::size_t>(l1.Count()), 0);
      DupNamesRecHandler announce = std::move(OnBaseCompareSet);
      OnBaseCompareSet = nullptr;
      for (int i = 0; i < l1.Count();) {
        const int n = static_cast<int>(l1.ListOfAllSameShortFName(i).size());
        const bool single = (i == 0 || same(l1.At(i - 1), l1.At(i)) != 0) &&
                            (i + 1 == l1.Count() || same(l1.At(i), l1.At(i + 1)) != 0);
        if (single) bases[static_cast<std::size_t>(i)] = 1;
        i += n >= 2 ? n : 2;
      }
      OnBaseCompareSet = std::move(announce);
      l1.TakeDetailsFrom(first_walker, bases);
    }
    first_walker.ReleaseFilesFound();
    return;
  }
  // Every file of either folder whose name the other folder has too: the
  // folder-1 file is the base its folder-2 namesakes are compared with.
  int i = 0, j = 0;
  while (i < l1.Count() && j < l2.Count()) {
    const int c = same(l1.At(i), l2.At(j));
    if (c < 0) {
      ++i;
    } else if (c > 0) {
      ++j;
    } else {
      const DupNamesRec& name = l1.At(i);
      for (; i < l1.Count() && same(l1.At(i), name) == 0; ++i)
        want1[static_cast<std::size_t>(i)] = 1;
      for (; j < l2.Count() && same(l2.At(j), name) == 0; ++j)
        want2[static_cast<std::size_t>(j)] = 1;
    }
  }
  l1.TakeDetailsFrom(first_walker, want1);
  first_walker.ReleaseFilesFound();
  l2.TakeDetailsFrom(second_walker, want2);
  second_walker.ReleaseFilesFound();
}

QString DupNamesSeeker::FoundText() const {
  return FoundText(LX("LXFunctionNFound"), LX("LXPerfectDuplicates"), QLocale());
}

QString DupNamesSeeker::FoundText(const QString& pattern, const QString& what,
                                  const QLocale& locale) const {
  return Format(pattern, {what, static_cast<double>(RedundantDuplicatesFound)}, locale);
}

void DupNamesSeeker::SeekNamesDuplicatesIn(const DupNamesSearch& search) {
  RedundantDuplicatesFound = 0;
  scanned_entries_ = 0;
  searching.store(true);
  sort_on_date = search.sort_on_date;
  using_folder1_only = search.only_folder1;

  // A search by name needs sizes and dates only for the files whose name
  // comes up more than once, usually a small part of a tree: those are read
  // after the sort, and the walk reads names alone. A date sort, or groups
  // made by a caller's own comparison, need them for every file.
  if (search.compare_names) own_name_compare_ = false;  // the lists keep it for later searches
  const bool details_later = !sort_on_date && own_name_compare_;
  for (FileWalker* it : {&first_walker, &second_walker}) it->ReadDetails = !details_later;

  for (DupNamesRecList* list : {&first_list, &second_list}) {
    list->Clear();
    if (search.compare_names) list->compare_names = search.compare_names;
    list->must_be_same_date = search.must_be_same_date;
    list->must_be_same_size = search.must_be_same_size;
  }

  const QStringList excluded = DupNamesExcludedFolderNames(search.excluded_folders);
  auto set_up = [&](FileWalker& it, const QString& folder, bool subfolders) {
    it.Clear();
    it.FileMask = search.file_mask;
    it.IncludeSubFolders = subfolders;
    it.HeadDir = folder;
    it.SetExcludedDirs(excluded);
  };
  set_up(first_walker, search.folder1, search.folder1_subfolders);
  set_up(second_walker, search.folder2, search.folder2_subfolders);

  // A Stop that comes between two walks must not be undone by the next walk
  // starting afresh, so each step is taken only while the search still runs.
  if (searching.load()) first_walker.IterateFindingFiles();
  QString status = Format(LX("LXFolderNNmanyFiles"),
                          {1, static_cast<double>(first_walker.FilesFound().Count())});
  if (OnDuplicatesStatus) OnDuplicatesStatus(status);

  if (!using_folder1_only) {
    if (searching.load()) second_walker.IterateFindingFiles();
    status += QStringLiteral(" ; ") +
              Format(LX("LXFolderNNmanyFiles"),
                     {2, static_cast<double>(second_walker.FilesFound().Count())});
    if (OnDuplicatesStatus) OnDuplicatesStatus(status);
  }

  const int n1 = first_walker.FilesFound().Count();
  auto fill = [&](FileWalker& it, DupNamesRecList& list) {
    Collect(it, list, details_later);
    if (sort_on_date)
      list.SortByDate();
    else
      list.SortByName();
  };
  fill(first_walker, first_list);
  if (!using_folder1_only) fill(second_walker, second_list);
  if (details_later) ReadDetailsOfRepeatedNames();

  ReportGroups(status, n1);

  if (OnDuplicatesStatus) {
    OnDuplicatesStatus(status + QLatin1Char(' ') + FoundText() + QStringLiteral(" (") +
                       Format(LX("LXBasedOnNmanyFiles"), {static_cast<double>(n1)}) +
                       QLatin1Char(')'));
  }
}

void DupNamesSeeker::ReportGroups(const QString& status, int n1) {
  // The found-count text changes only when the count does; build it then,
  // from texts looked up once.
  int text_count = -1;
  QString running_status;
  const QString found_pattern = LX("LXFunctionNFound");
  const QString found_what = LX("LXPerfectDuplicates");
  const QLocale locale;
  auto report_running = [&] {
    if (text_count != RedundantDuplicatesFound) {
      text_count = RedundantDuplicatesFound;
      running_status = status + QLatin1Char(' ') + FoundText(found_pattern, found_what, locale);
    }
    if (OnDuplicatesStatus) OnDuplicatesStatus(running_status);
  };
  auto report_group = [&](const DupNamesRecList& list, const std::vector<std::int32_t>& group,
                          bool count_first) {
    const int n = static_cast<int>(group.size());
    for (int k = 0; k < n; ++k) {
      YieldToEvents();
      if (k > 0 || count_first) ++RedundantDuplicatesFound;
      if (OnDuplicatesHandle) OnDuplicatesHandle(k, n, list.At(group[static_cast<std::size_t>(k)]));
    }
  };

  ProgressCount count(OnCountShow);
  int i = 0;
  while (searching.load() && i < first_list.Count()) {
    scanned_entries_ = i;
    count.Report(i, first_list.Count());
    if (OnProgressShow)
      OnProgressShow(static_cast<std::int32_t>(static_cast<std::int64_t>(i) * 100 / n1));
    report_running();
    YieldToEvents();
    if (using_folder1_only) {
      const std::vector<std::int32_t> group =
          sort_on_date ? first_list.ListOfAllSameDate(i) : first_list.ListOfAllSameShortFName(i);
      if (group.size() >= 2) {
        report_group(first_list, group, false);
        i += static_cast<int>(group.size());
      } else {
        // The entry after a file without duplicates can be skipped: a group
        // is gathered backwards as well as forwards from any of its members.
        i += 2;
      }
    } else {
      const int j = second_list.FoundExactSameName(first_list.At(i).sr.Name);
      if (j >= 0) {
        const std::vector<std::int32_t> group = second_list.ListOfAllSameShortFName(j);
        if (!group.empty()) {
          SetBaseCompare(first_list.At(i));
          report_group(second_list, group, true);
        }
      }
      ++i;
    }
  }
  if (!searching.load()) return;
  scanned_entries_ = first_list.Count();
  count.Report(scanned_entries_, scanned_entries_);
}
