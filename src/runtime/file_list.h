#pragma once
// The list of found files that every file-based engine walks. Folder paths
// are kept once each; an entry holds its folder number, its name, its size
// and its date-time stamp.

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Date-time stamps are the suite's day numbers: days since 1899-12-30 00:00,
// local time, with the time of day as the fraction.
double DateTimeToDayNumber(const QDateTime& dt);
QDateTime DayNumberToDateTime(double days);
double UnixSecondsToDayNumber(std::int64_t seconds, std::int64_t nanoseconds = 0);

struct FileRecord {
  double Time = 0;        // date-time stamp (day number, see above)
  std::int64_t Size = 0;  // bytes
  std::int32_t FolderNumber = 0;
  QString Name;  // file name without folder
};

enum class FileSortOrder { ByName, BySize, ByDate, None };

class FolderFileList {
 public:
  int Count() const { return static_cast<int>(recs_.size()); }
  QString GetFullFilename(int i) const;
  const FileRecord& GetASimpleSearchRec(int i) const { return recs_[static_cast<std::size_t>(i)]; }
  QString GetFolder(int folder_number) const { return folders_[folder_number]; }
  int FolderCount() const { return static_cast<int>(folders_.size()); }

  // Folder paths are stored with a trailing '/'. Returns the folder's number.
  int AddFolder(const QString& folder);
  // Adds a file of a folder already added; returns its index.
  int AddOne(int folder_number, QString name, std::int64_t size, double time);
  // Adds a file by full path, finding or adding its folder.
  int AddOne(const QString& full_name, std::int64_t size, double time);
  // Fills in the size and date of an entry added before they were known.
  void SetSizeAndTime(int i, std::int64_t size, double time) {
    recs_[static_cast<std::size_t>(i)].Size = size;
    recs_[static_cast<std::size_t>(i)].Time = time;
  }
  // Removes the entries at these indexes (any order); the rest keep theirs.
  void RemoveEntries(std::vector<int> indexes);
  void Clear();
  void Reserve(std::size_t n) { recs_.reserve(n); }
  // Sorts the entries. By name: full path without regard to case (ties by
  // exact text); by size or date: ascending, ties by name.
  void DoASort(FileSortOrder order = FileSortOrder::ByName);
  QStringList GetAsStringlist() const;

 private:
  QStringList folders_;
  QHash<QString, int> folder_index_;
  std::vector<FileRecord> recs_;
};

// The suite's comparers: negative, zero or positive.
int Compare2Strings(const QString& a, const QString& b);  // without regard to case
int CompareDates(double a, double b);
int CompareLongints(std::int32_t a, std::int32_t b);
int CompareInt64s(std::int64_t a, std::int64_t b);
