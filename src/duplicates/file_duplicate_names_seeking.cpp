#include "duplicates/file_duplicate_names_seeking.h"

#include <QRegularExpression>
#include <algorithm>

#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/panic.h"

namespace {

std::int16_t Sign(int c) { return static_cast<std::int16_t>(c < 0 ? -1 : (c > 0 ? 1 : 0)); }

}  // namespace

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
// TDupNamesRecList

TDupNamesRecList::TDupNamesRecList(TFileDuplicateNamesSeeker* owner, bool same_date, bool same_size,
                                   TDuplicatesNamesCompareFunct on_compare,
                                   TDuplicatesNamesCompareSizesFunct on_compare_size,
                                   TDuplicateNamesCompareDatesFunct on_compare_date)
    : FonCompare(std::move(on_compare)),
      FonCompareSize(std::move(on_compare_size)),
      FonCompareDate(std::move(on_compare_date)),
      must_be_same_date(same_date),
      must_be_same_size(same_size),
      pai(owner) {}

void TDupNamesRecList::Clear() { items_.clear(); }

void TDupNamesRecList::Add(const TDupNamesRec& rec) {
  items_.push_back(std::make_unique<TDupNamesSearchRecHolder>(rec));
}

TDupNamesRec TDupNamesRecList::Record(int k) const {
  if (k < 0 || k >= Count()) return TDupNamesRec{};
  return At(k);
}

void TDupNamesRecList::SortByName() {
  // Stable, and same names ordered by folder, so that a group always lists
  // its files in the same order whatever order the folders were read in.
  std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
    const int c = Compare2Strings(a->data.sr.Name, b->data.sr.Name);
    if (c != 0) return c < 0;
    return a->data.dir < b->data.dir;
  });
}

void TDupNamesRecList::SortByDate() {
  std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
    const int c = CompareDates(a->data.sr.Time, b->data.sr.Time);
    if (c != 0) return c < 0;
    const int n = Compare2Strings(a->data.sr.Name, b->data.sr.Name);
    if (n != 0) return n < 0;
    return a->data.dir < b->data.dir;
  });
}

int TDupNamesRecList::FoundExactSameName(const QString& name) const {
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = Compare2Strings(At(mid).sr.Name, name);
    if (c == 0) return mid;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -1;
}

std::vector<std::int32_t> TDupNamesRecList::ListOfAllSameShortFName(int idx) {
  std::vector<std::int32_t> result;
  if (idx < 0 || idx >= Count()) return result;
  pai->SetBaseCompare(At(idx));
  int lo = idx;
  while (lo > 0 && FonCompare(At(lo - 1)) == 0) {
    --lo;
    MyYieldProcess();
  }
  int hi = idx;
  while (hi < Count() - 1 && FonCompare(At(hi + 1)) == 0) {
    ++hi;
    MyYieldProcess();
  }
  for (int k = lo; k <= hi; ++k) {
    const TDupNamesRec& r = At(k);
    if (must_be_same_date && FonCompareDate(r.sr.Time) != 0) continue;
    if (must_be_same_size && FonCompareSize(r.sr.Size) != 0) continue;
    result.push_back(k);
  }
  return result;
}

std::vector<std::int32_t> TDupNamesRecList::ListOfAllSameDate(int idx) {
  std::vector<std::int32_t> result;
  if (idx < 0 || idx >= Count()) return result;
  result.push_back(idx);
  while (result.back() + 1 < Count() && At(result.back() + 1).sr.Time == At(result.back()).sr.Time) {
    result.push_back(result.back() + 1);
    MyYieldProcess();
  }
  return result;
}

// ---------------------------------------------------------------------------
// TFileDuplicateNamesSeeker

TFileDuplicateNamesSeeker::TFileDuplicateNamesSeeker(TDuplicatesHandleEvent on_handle,
                                                     TDuplicatesStatusEvent on_status,
                                                     TProgressShowEvent on_progress,
                                                     TDuplicatesNamesCompareFunct compare_names,
                                                     TDuplicatesNamesCompareSizesFunct compare_sizes,
                                                     TDuplicateNamesCompareDatesFunct compare_dates,
                                                     TBaseCompareSetEvent on_base_compare_set)
    : OnBaseCompareSet(std::move(on_base_compare_set)),
      OnDuplicatesStatus(std::move(on_status)),
      OnDuplicatesHandle(std::move(on_handle)),
      OnProgressShow(std::move(on_progress)),
      DupRecNamesList1(this, false, false, nullptr, nullptr, nullptr),
      DupRecNamesList2(this, false, false, nullptr, nullptr, nullptr) {
  if (!compare_names) compare_names = [this](const TDupNamesRec& r) { return DefaultCompareNames(r); };
  if (!compare_sizes) compare_sizes = [this](std::int64_t s) { return DefaultCompareSizes(s); };
  if (!compare_dates) compare_dates = [this](double d) { return DefaultCompareDates(d); };
  for (TDupNamesRecList* list : {&DupRecNamesList1, &DupRecNamesList2}) {
    list->FonCompare = compare_names;
    list->FonCompareSize = compare_sizes;
    list->FonCompareDate = compare_dates;
  }
  // The iterators name each folder as its files are collected, so the status
  // text follows the collection.
  for (TFileAndDirIterator* it : {&Iterator1, &Iterator2}) {
    it->OnProcessingAFolder = [this](const QString& folder) {
      if (OnDuplicatesStatus) OnDuplicatesStatus(folder);
    };
  }
}

void TFileDuplicateNamesSeeker::SetBaseCompare(const TDupNamesRec& value) {
  fbase_compare = value;
  if (OnBaseCompareSet) OnBaseCompareSet(value);
}

std::int16_t TFileDuplicateNamesSeeker::DefaultCompareNames(const TDupNamesRec& rec) const {
  return Sign(Compare2Strings(rec.sr.Name, fbase_compare.sr.Name));
}

std::int16_t TFileDuplicateNamesSeeker::DefaultCompareSizes(std::int64_t size) const {
  return Sign(CompareInt64s(size, fbase_compare.sr.Size));
}

std::int16_t TFileDuplicateNamesSeeker::DefaultCompareDates(double date) const {
  return Sign(CompareDates(date, fbase_compare.sr.Time));
}

void TFileDuplicateNamesSeeker::Stop() {
  Iterator1.Stop();
  Iterator2.Stop();
  Processing_files.store(false);
}

void TFileDuplicateNamesSeeker::Collect(TFileAndDirIterator& iterator, TDupNamesRecList& list) {
  // Every file of one folder shares one lower-cased folder string.
  const TFolderEfficientFileStringlist& found = iterator.FilesFound();
  int last_folder = -1;
  QString dir;
  list.Reserve(static_cast<std::size_t>(found.Count()));
  iterator.OnProcessingAFile = [&](const QString&, const TMySimpleSearchRec& rec) {
    if (rec.FolderNumber != last_folder) {
      last_folder = rec.FolderNumber;
      dir = found.GetFolder(rec.FolderNumber).toLower();
    }
    TDupNamesRec r{rec, dir};
    r.sr.Name = rec.Name.toLower();
    list.Add(r);
  };
  iterator.ProcessAllFilesFound();
  iterator.OnProcessingAFile = nullptr;
}

QString TFileDuplicateNamesSeeker::FoundText() const {
  return Format(LX("LXFunctionNFound"), {LX("LXPerfectDuplicates"), static_cast<double>(RedundantDuplicatesFound)});
}

void TFileDuplicateNamesSeeker::SeekNamesDuplicatesIn(const QString& folder1, const QString& folder2,
                                                      bool folder2_subfolders, bool folder1_subfolders,
                                                      bool sort_on_date_, bool must_be_same_date,
                                                      bool must_be_same_size, bool using_folder1_only_,
                                                      const TDuplicatesNamesCompareFunct& compare_names,
                                                      const QString& file_mask, const QString& excluded_folders) {
  RedundantDuplicatesFound = 0;
  Processing_files.store(true);
  sort_on_date = sort_on_date_;
  using_folder1_only = using_folder1_only_;

  for (TDupNamesRecList* list : {&DupRecNamesList1, &DupRecNamesList2}) {
    list->Clear();
    if (compare_names) list->FonCompare = compare_names;
    list->must_be_same_date = must_be_same_date;
    list->must_be_same_size = must_be_same_size;
  }

  const QStringList excluded = DupNamesExcludedFolderNames(excluded_folders);
  auto set_up = [&](TFileAndDirIterator& it, const QString& folder, bool subfolders) {
    it.Clear();
    it.FileMask = file_mask;
    it.IncludeSubFolders = subfolders;
    it.HeadDir = folder;
    it.SetExcludedDirs(excluded);
  };
  set_up(Iterator1, folder1, folder1_subfolders);
  set_up(Iterator2, folder2, folder2_subfolders);

  // A Stop that comes between two walks must not be undone by the next walk
  // starting afresh, so each step is taken only while the search still runs.
  if (Processing_files.load()) Iterator1.IterateFindingFiles();
  QString status = Format(LX("LXFolderNNmanyFiles"), {1, static_cast<double>(Iterator1.FilesFound().Count())});
  if (OnDuplicatesStatus) OnDuplicatesStatus(status);

  if (!using_folder1_only) {
    if (Processing_files.load()) Iterator2.IterateFindingFiles();
    status += QStringLiteral(" ; ") +
              Format(LX("LXFolderNNmanyFiles"), {2, static_cast<double>(Iterator2.FilesFound().Count())});
    if (OnDuplicatesStatus) OnDuplicatesStatus(status);
  }

  const int n1 = Iterator1.FilesFound().Count();
  auto fill = [&](TFileAndDirIterator& it, TDupNamesRecList& list) {
    Collect(it, list);
    if (sort_on_date)
      list.SortByDate();
    else
      list.SortByName();
  };
  fill(Iterator1, DupRecNamesList1);
  if (!using_folder1_only) fill(Iterator2, DupRecNamesList2);

  // The found-count text changes only when the count does; build it then.
  int text_count = -1;
  QString running_status;
  auto report_running = [&] {
    if (text_count != RedundantDuplicatesFound) {
      text_count = RedundantDuplicatesFound;
      running_status = status + QLatin1Char(' ') + FoundText();
    }
    if (OnDuplicatesStatus) OnDuplicatesStatus(running_status);
  };

  int i = 0;
  while (Processing_files.load() && i < DupRecNamesList1.Count()) {
    if (OnProgressShow) OnProgressShow(static_cast<std::int32_t>(static_cast<std::int64_t>(i) * 100 / n1));
    report_running();
    MyYieldProcess();
    if (using_folder1_only) {
      const std::vector<std::int32_t> group =
          sort_on_date ? DupRecNamesList1.ListOfAllSameDate(i) : DupRecNamesList1.ListOfAllSameShortFName(i);
      const int n = static_cast<int>(group.size());
      if (n >= 2) {
        for (int k = 0; k < n; ++k) {
          MyYieldProcess();
          if (k > 0) ++RedundantDuplicatesFound;
          if (OnDuplicatesHandle) OnDuplicatesHandle(k, n, DupRecNamesList1.Record(group[static_cast<std::size_t>(k)]));
        }
        i += n;
      } else {
        // The entry after a file without duplicates can be skipped: a group
        // is gathered backwards as well as forwards from any of its members.
        i += 2;
      }
    } else {
      const int j = DupRecNamesList2.FoundExactSameName(DupRecNamesList1.At(i).sr.Name);
      if (j >= 0) {
        const std::vector<std::int32_t> group = DupRecNamesList2.ListOfAllSameShortFName(j);
        const int n = static_cast<int>(group.size());
        if (n > 0) {
          SetBaseCompare(DupRecNamesList1.At(i));
          for (int k = 0; k < n; ++k) {
            MyYieldProcess();
            ++RedundantDuplicatesFound;
            if (OnDuplicatesHandle) OnDuplicatesHandle(k, n, DupRecNamesList2.Record(group[static_cast<std::size_t>(k)]));
          }
        }
      }
      ++i;
    }
  }

  if (OnDuplicatesStatus) {
    OnDuplicatesStatus(status + QLatin1Char(' ') + FoundText() + QStringLiteral(" (") +
                       Format(LX("LXBasedOnNmanyFiles"), {static_cast<double>(n1)}) + QLatin1Char(')'));
  }
}
