#pragma once
// The result lines of a duplicate-names search, as the page's tree and the
// command line show them: one top-level line per name key ("name (n)") with
// the first reported file, and one child line for each further file placed
// under it. The placement follows the reporting order of the seeker: a file
// goes under the first top-level line, from last_dup_names_treeview_search
// on, whose key equals its own; otherwise it starts a new top-level line.

#include <QString>
#include <cstdint>
#include <vector>

#include "duplicates/file_duplicate_names_seeking.h"

struct TDupNamesTreeFile {
  QString folder;  // without its trailing path delimiter
  double time = 0;  // the file's date-time stamp (day number)
};

struct TDupNamesTreeGroup {
  QString key;
  std::vector<TDupNamesTreeFile> files;  // files[0] is on the top-level line
};

// "name (n)"
QString DupNamesKey(const TDupNamesRec& rec, int n_duplicates);
// The folder without its trailing path delimiter (the root keeps its own).
QString DupNamesFolder(const QString& dir);
// "folder (short date in the user's locale)"
QString DupNamesFolderText(const TDupNamesTreeFile& file);
// The date alone, as yyyy-MM-dd, for machine-readable output.
QString DupNamesIsoDate(double time);

class TDupNamesTreeLines {
 public:
  // The seeker's file handler: places one reported file. Always true.
  bool AddFile(std::int32_t show_order, std::int32_t n_duplicates, const TDupNamesRec& rec);
  // Removes every line; last_dup_names_treeview_search is kept, as the next
  // search's first file resets it.
  void Clear() { groups_.clear(); }
  const std::vector<TDupNamesTreeGroup>& Groups() const { return groups_; }

  // The top-level line from which the next key lookup starts.
  std::int32_t last_dup_names_treeview_search = 0;

 private:
  std::vector<TDupNamesTreeGroup> groups_;
};
