#pragma once
// Finds groups of texts with the same or nearly the same contents.
//
// The input list is sorted by size. Pairs are compared in stages, from cheap
// to dear: the sizes (within a percentage of their mean; the scan of partners
// ends at the first one too far off), optionally the same folder, optionally
// the date stamps, a 100-character passage from the middle (or one third in)
// of the first text found in the second, and finally the word lists of the two
// texts. A file that joined a group is done: it is neither a first file nor a
// partner again, so each file belongs to at most one group, and the head of a
// group is its file that came first in the size-sorted list.
//
// A text that is empty, ends at a NUL character (the rest of the file is not
// text) or holds no word is compared byte for byte instead: it only has
// exact copies.
//
// The passage test is turned around so that it costs one pass over each
// text, not one per pair: the passages of every first file enter an index,
// and each text is scanned once for the passages of the files whose size
// window reaches it. The size, folder, date and done rules then filter these
// few candidates in list order, so the groups are those of the pairwise
// definition. Texts are read and scanned in batches on all cores; word lists
// are built only for candidate pairs whose token counts can be similar, and
// kept within a memory bound (cache_limit_bytes) while they can still be
// needed. Results never depend on the bound.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/file_list.h"
#include "runtime/progress_count.h"

class DupContentsSeeker;

// The text with every run of white space made one blank and every byte-order
// mark (U+FEFF) dropped.
QString SpaceNormalisedText(QStringView text);

// One member of a group.
struct DupContentsMember {
  std::int32_t file_index = 0;   // position in the seeker's fnames
  std::int32_t token_count = 0;  // running words of the member's text
  std::int32_t token_diff = 0;   // token differences of the pair that brought it in
  std::int32_t type_diff = 0;    // type differences of that pair
};

// The members of a group; member 0 is the head.
class DupContentsMembers {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  void AddOne(const DupContentsMember& rec) { items_.push_back(rec); }
  const DupContentsMember& GetAValue(int i) const { return items_[static_cast<std::size_t>(i)]; }

 private:
  std::vector<DupContentsMember> items_;
};

// One near-duplicate pair, found during a search.
struct DupContentsPair {
  std::int32_t file1 = 0;  // input position of the first file (the head)
  std::int32_t file2 = 0;  // input position of the second file
  std::int32_t tokens1 = 0;
  std::int32_t tokens2 = 0;
  std::int32_t token_diff = 0;
  std::int32_t type_diff = 0;
};
using DupContentsPairs = std::vector<DupContentsPair>;

struct DupContentsGroup {
  DupContentsMembers* dup_contents_list = nullptr;  // owned by the holder
  std::int32_t which_to_keep = 0;                   // member index of the file to keep
};

class DupContentsGroupHolder {
 public:
  DupContentsGroupHolder();
  ~DupContentsGroupHolder();
  DupContentsGroupHolder(const DupContentsGroupHolder&) = delete;
  DupContentsGroupHolder& operator=(const DupContentsGroupHolder&) = delete;
  DupContentsGroup data;
};

enum DupContentsSort {
  dcs_head_file = 0,
  dcs_token_count,
  dcs_token_diff,
  dcs_type_diff,
  dcs_keep
};

// The groups, in their current order.
class DupContentsGroups {
 public:
  explicit DupContentsGroups(DupContentsSeeker* seeker) : owner(seeker) {}
  ~DupContentsGroups() { Clear(); }
  DupContentsGroups(const DupContentsGroups&) = delete;
  DupContentsGroups& operator=(const DupContentsGroups&) = delete;

  void Clear() { holders_.clear(); }
  int Count() const { return static_cast<int>(holders_.size()); }
  void Add(std::unique_ptr<DupContentsGroupHolder> holder) {
    holders_.push_back(std::move(holder));
  }

  // The group's record; an empty record (no member list) when g is out of range.
  DupContentsGroup Group(int g) const;
  int MemberCount(int g) const;
  std::int32_t WhichToKeep(int g) const;          // -1 when g is out of range
  void SetWhichToKeep(int g, std::int32_t keep);  // ignored when g is out of range
  // Member k of a member list (k must be valid).
  static const DupContentsMember& Member(const DupContentsMembers& list, int k) {
    return list.GetAValue(k);
  }

  DupContentsSeeker* owner;
  DupContentsSort sort_system = dcs_head_file;

 private:
  friend class DupContentsSeeker;
  std::vector<std::unique_ptr<DupContentsGroupHolder>> holders_;
};

// When two texts count as near duplicates, and how the search runs.
struct DupContentsCriteria {
  // Date stamps at most this many whole days apart (when check_dates).
  std::int32_t max_days_diff = 1;
  bool check_dates = true;
  // Only texts of the same folder are compared.
  bool same_folder = true;
  // Sizes within this percentage of their mean.
  float max_length_diff_percent = 0.5f;
  // Word lists that differ in at most this percentage.
  float max_words_diff_percent = 0.5f;
  // Markup tags longer than this are not taken for tags.
  std::int32_t tag_span = 200;
  // The first files of the size-sorted list up to this percentage are skipped.
  std::int32_t start_percent = 0;
  // Ignore line ends and spacing: sizes and passages are taken from the text
  // with every run of white space made one blank and byte-order marks
  // dropped, so that copies that differ only in line ends, line wrapping or a
  // mark are found. The list is then ordered by that size.
  bool normalize_space = false;
};

// Any of them may be empty.
struct DupContentsCallbacks {
  // The text of the time-remaining box.
  std::function<void(const QString&)> time_remaining;
  // The text of the found-count label.
  std::function<void(const QString&)> found_label;
  std::function<void(const QString&)> status;
  // The share of the list done; answers whether the shown value changed.
  std::function<bool(int)> percent;
  // The share of the current file's candidates done.
  std::function<void(int)> second_percent;
  // How many files of the list have been searched, out of how many; called
  // at most once per thousandth of the list and at its end.
  CountCallback count;
};

// What a caller chooses to keep in every group, besides a row picked by hand.
enum class DupContentsKeepRule { Head, Longest, Shortest, Newest, Oldest };

class DupContentsSeeker {
 public:
  DupContentsSeeker();
  ~DupContentsSeeker();
  DupContentsSeeker(const DupContentsSeeker&) = delete;
  DupContentsSeeker& operator=(const DupContentsSeeker&) = delete;

  void Clear();

  // Seeks the groups among files, which must be sorted by size. Returns the
  // number of near-duplicate pairs found; 0 means no groups. Empty files are
  // not compared; they are listed in empty_files. root_folder is cut from the
  // names in status texts.
  int SeekContentsDuplicatesIn(const FolderFileList& files, const QString& root_folder,
                               const DupContentsCriteria& criteria,
                               const DupContentsCallbacks& callbacks, QStringList* empty_files);

  void Sort(DupContentsSort order);
  // Sets the file to keep of every group by a rule (ties keep the earlier member).
  void SetKeepByRule(DupContentsKeepRule rule);
  QString FullFilename(int file_index) const;  // empty when out of range
  // How many files of the list the last search went through: all of them
  // unless it was stopped.
  int FilesSearched() const { return files_searched_; }
  const FolderFileList& Files() const { return fnames; }

  DupContentsGroups dup_contents_top_list;
  // Most bytes of word lists kept between their uses.
  std::size_t cache_limit_bytes = std::size_t{256} << 20;

 private:
  void MakeGroups(const FolderFileList& files, const DupContentsPairs& pairs);

  FolderFileList fnames;
  int files_searched_ = 0;
};
