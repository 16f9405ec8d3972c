#pragma once
// The rows of a near-duplicate result as people read them: one row per group
// member, groups in the seeker's current order, members in member order. The
// desktop table, the copied text and the command line's human output all take
// their texts from here, so they read alike.
//
// Columns: the file name (members after the head prefixed with "···· ", so
// that they stand indented under it), the member's tokens, its token
// differences, its type differences, and whether it is kept.

#include <QString>
#include <QStringList>
#include <vector>

#include "duplicates/file_duplicate_contents_seeking.h"

enum class DupContentsColumn { Name = 0, Tokens, TokenDiff, TypeDiff, Keep };
constexpr int kDupContentsColumns = 5;

// The prefix of every member name after the head.
QString DupContentsMemberPrefix();

// The texts of member m of group g; empty when g or m is out of range. The
// name is the full path (prefixed after the head); numbers carry the locale's
// thousands separators; the keep column says LXOK or LXDelete.
QString DupContentsCellText(const DupContentsSeeker& seeker, int g, int m,
                            DupContentsColumn column);
// The column headings.
QString DupContentsHeading(DupContentsColumn column);

// One group, a line per member: name TAB tokens TAB token differences TAB
// type differences, lines joined with CR LF. The keep column is left out.
QString DupContentsGroupText(const DupContentsSeeker& seeker, int g);
// Every group in order, joined with CR LF: what Copy puts on the clipboard.
QString DupContentsAsText(const DupContentsSeeker& seeker);
// Every group, a line per member with all five columns TAB-separated and
// names in their display form, and an empty line after each group.
QStringList DupContentsHumanLines(const DupContentsSeeker& seeker);

struct DupContentsRow {
  int group = -1;
  int member = -1;
};

// Which group and member each row shows. Rebuild after a search and after
// each sort.
class DupContentsRows {
 public:
  void Rebuild(const DupContentsSeeker& seeker);
  void Clear() { rows_.clear(); }
  int Count() const { return static_cast<int>(rows_.size()); }
  // {-1, -1} when row is out of range.
  DupContentsRow At(int row) const;
  int GroupOfRow(int row) const { return At(row).group; }
  // The row of a group's head; -1 when there is no such group.
  int FirstRowOfGroup(int g) const;
  // Makes the member shown in row the file to keep of its group; false (and
  // nothing changes) when row is not a row.
  bool KeepRow(DupContentsSeeker& seeker, int row) const;

 private:
  std::vector<DupContentsRow> rows_;
  std::vector<int> first_row_;  // per group
};
