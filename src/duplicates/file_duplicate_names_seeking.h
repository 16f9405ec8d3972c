#pragma once
// Finds files that share a file name, within one folder tree or between two,
// optionally requiring the same date stamp and size as well. File contents
// are never read. Every match goes out through OnDuplicatesHandle, one file at
// a time, so that the caller builds its own display.
//
// Names and folders are lower-cased as they are collected; two names are then
// compared with Compare2Strings.
//
// Threading: a search runs synchronously on the calling thread. Stop() may be
// called from any other thread while it runs; the search notices it at its
// next check (once per entry of the first list and once per reported file).

#include <QLocale>
#include <QString>
#include <QStringView>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/file_list.h"
#include "runtime/file_walker.h"
#include "runtime/progress_count.h"

// One collected file: its search record (the name lower-cased) and its folder
// (lower-cased, with the trailing path delimiter).
struct DupNamesRec {
  FileRecord sr;
  QString dir;
  std::int32_t found_index = -1;  // the file's place in its walk's list, while that list is kept
};

class DupNamesSearchRecHolder {
 public:
  explicit DupNamesSearchRecHolder(const DupNamesRec& rec) : data(rec) {}
  explicit DupNamesSearchRecHolder(DupNamesRec&& rec) : data(std::move(rec)) {}
  DupNamesRec data;
};

// 0 when the record's name (its size, its date) equals that of the base.
using DupNamesCompare = std::function<std::int16_t(const DupNamesRec&)>;
using DupNamesCompareSizes = std::function<std::int16_t(std::int64_t)>;
using DupNamesCompareDates = std::function<std::int16_t(double)>;

using DupNamesRecHandler = std::function<void(const DupNamesRec& Value)>;
using DupNamesStatusHandler = std::function<void(const QString& s)>;
// The answer is not used.
using DupNamesGroupHandler =
    std::function<bool(std::int32_t show_order, std::int32_t n_duplicates, const DupNamesRec& d1)>;
using ProgressShowEvent = std::function<void(std::int32_t percent)>;

class DupNamesSeeker;

// The files collected from one folder tree. Owns its holders.
class DupNamesRecList {
 public:
  DupNamesRecList(DupNamesSeeker* owner, bool same_date, bool same_size, DupNamesCompare on_compare,
                  DupNamesCompareSizes on_compare_size, DupNamesCompareDates on_compare_date);

  DupNamesCompare compare_names;
  DupNamesCompareSizes compare_sizes;
  DupNamesCompareDates compare_dates;
  bool must_be_same_date = false;
  bool must_be_same_size = false;
  DupNamesSeeker* owner = nullptr;  // not owned

  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  void Add(DupNamesRec rec);
  void Reserve(std::size_t n) { items_.reserve(n); }

  // A copy of entry k; a zeroed record when k is out of range.
  DupNamesRec Record(int k) const;
  const DupNamesRec& At(int k) const { return items_[static_cast<std::size_t>(k)]->data; }

  // Ascending by name (same names in folder order), or by date stamp (same
  // stamps by name, then folder).
  void SortByName();
  void SortByDate();

  // In a list sorted by name: the index of an entry with that name, or -1.
  int FoundExactSameName(const QString& name) const;
  // The run of same-name entries around idx that pass the date and size
  // filters against the base (entry idx, which this sets as the seeker's base).
  std::vector<std::int32_t> ListOfAllSameShortFName(int idx);
  // The run of entries from idx on whose date stamps equal exactly.
  std::vector<std::int32_t> ListOfAllSameDate(int idx);

  // Sizes and dates read after the walk: copies them from the walk's list
  // into the entries marked in wanted (one flag per entry), and drops the
  // entries whose files vanished meanwhile. The order stays.
  void TakeDetailsFrom(FileWalker& iterator, const std::vector<char>& wanted);

 private:
  // Ascending by date first when by_date, then by name, then by folder.
  void SortEntries(bool by_date);

  // The list's order: pointers to the holders, which live in blocks of a
  // fixed size that never move, so a file costs no allocation of its own.
  std::vector<DupNamesSearchRecHolder*> items_;
  std::vector<std::vector<DupNamesSearchRecHolder>> blocks_;
};

// What one duplicate-names search looks at.
struct DupNamesSearch {
  QString folder1;
  // The folder compared with folder1; the same folder when only_folder1.
  QString folder2;
  bool folder1_subfolders = true;
  bool folder2_subfolders = true;
  // Files of one name grouped only within folder1's tree.
  bool only_folder1 = false;
  bool sort_on_date = false;
  bool must_be_same_date = false;
  bool must_be_same_size = false;
  // A caller's own grouping of names; empty: the same name, case ignored.
  DupNamesCompare compare_names;
  QString file_mask = QStringLiteral("*.*");
  // Folder names left out of the walk, one per line.
  QString excluded_folders;
};

class DupNamesSeeker {
 public:
  // Missing compare functions are replaced by the seeker's own, which compare
  // against BaseCompare.
  DupNamesSeeker(DupNamesGroupHandler on_handle, DupNamesStatusHandler on_status,
                 ProgressShowEvent on_progress, DupNamesCompare compare_names = {},
                 DupNamesCompareSizes compare_sizes = {}, DupNamesCompareDates compare_dates = {},
                 DupNamesRecHandler on_base_compare_set = {});
  DupNamesSeeker(const DupNamesSeeker&) = delete;
  DupNamesSeeker& operator=(const DupNamesSeeker&) = delete;

  const DupNamesRec& BaseCompare() const { return base_compare_; }
  void SetBaseCompare(const DupNamesRec& value);

  DupNamesRecHandler OnBaseCompareSet;
  DupNamesStatusHandler OnDuplicatesStatus;
  DupNamesGroupHandler OnDuplicatesHandle;
  ProgressShowEvent OnProgressShow;
  // "n of N" entries of the first list gone through.
  CountCallback OnCountShow;

  bool sort_on_date = false;
  bool using_folder1_only = false;
  DupNamesRecList first_list;
  DupNamesRecList second_list;
  FileWalker first_walker;
  FileWalker second_walker;
  std::int32_t RedundantDuplicatesFound = 0;
  std::atomic<bool> searching{false};

  // Results go out through the events.
  void SeekNamesDuplicatesIn(const DupNamesSearch& search);

  // How many entries of the first list the last search went through: all of
  // them unless it was stopped.
  int ScannedEntries() const { return scanned_entries_; }

  // Ends a running search at its next check. Safe from any thread.
  void Stop();

  // The seeker's own compare functions, against BaseCompare.
  std::int16_t DefaultCompareNames(const DupNamesRec& rec) const;
  std::int16_t DefaultCompareSizes(std::int64_t size) const;
  std::int16_t DefaultCompareDates(double date) const;

 private:
  void Collect(FileWalker& iterator, DupNamesRecList& list, bool keep_walk_list);
  void ReadDetailsOfRepeatedNames();
  // Goes through the sorted lists and reports every group; status is the
  // walk's text that the running count is added to, n1 the files of folder 1.
  void ReportGroups(const QString& status, int n1);
  QString FoundText() const;
  QString FoundText(const QString& pattern, const QString& what, const QLocale& locale) const;

  DupNamesRec base_compare_;
  bool own_name_compare_ = true;  // groups are runs of equal names
  int scanned_entries_ = 0;
};

// Splits the excluded-folder text (one name per line) into folder names.
QStringList DupNamesExcludedFolderNames(const QString& text);

// Orders two names exactly as Compare2Strings does (sign only), faster for
// names that start with plain ASCII.
int DupNamesCompareNames(QStringView a, QStringView b);
