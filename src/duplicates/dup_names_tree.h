#pragma once
// The result lines of a duplicate-names search, as the page's tree and the
// command line show them: one top-level line per name key ("name (n)") with
// the first reported file, and one child line for each further file placed
// under it. The placement follows the reporting order of the seeker: a file
// goes under the first top-level line, from last_dup_names_treeview_search
// on, whose key equals its own; otherwise it starts a new top-level line.

#include <QDate>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <vector>

#include "duplicates/file_duplicate_names_seeking.h"

struct DupNamesTreeFile {
  QString dir;      // the file's folder as the seeker reports it, with its trailing delimiter
  double time = 0;  // the file's date-time stamp (day number)
  // The folder without its trailing path delimiter (the root keeps its own).
  QStringView Folder() const;
};

struct DupNamesTreeGroup {
  QString key;
  std::vector<DupNamesTreeFile> files;  // files[0] is on the top-level line
};

// "name (n)"
QString DupNamesKey(const DupNamesRec& rec, int n_duplicates);
// "folder (short date in the user's locale)"
QString DupNamesFolderText(const DupNamesTreeFile& file);
// The file's date as the short date of the locale; the text stays valid until
// the locale changes.
const QString& DupNamesDateText(double time, const QLocale& locale);
// The local calendar day of a date-time stamp.
QDate DupNamesDate(double time);
// The date alone, as yyyy-MM-dd, for machine-readable output.
QString DupNamesIsoDate(double time);

class DupNamesTreeLines {
 public:
  // The seeker's file handler: places one reported file. Always true.
  bool AddFile(std::int32_t show_order, std::int32_t n_duplicates, const DupNamesRec& rec);
  // Removes every line; last_dup_names_treeview_search is kept, as the next
  // search's first file resets it.
  void Clear() { groups_.clear(); }
  const std::vector<DupNamesTreeGroup>& Groups() const { return groups_; }

  // The top-level line from which the next key lookup starts.
  std::int32_t last_dup_names_treeview_search = 0;

 private:
  // Whether a top-level line's key is "name (n)" for this name and count.
  bool KeyIs(const QString& key, const QString& name, std::int32_t n_duplicates);

  std::vector<DupNamesTreeGroup> groups_;
  // " (n)" for the last count asked about: files come in groups of one count.
  std::int32_t suffix_count_ = -1;
  QString suffix_;
};

// The line that ends a search: "Checked 120 files: 7 files share 3 names",
// "Checked 120 files: no duplicates", or "Stopped after 40 of 120 files: ...".
QString DupNamesSummary(const DupNamesSeeker& seeker, const DupNamesTreeLines& lines);
