#pragma once
// Moving the spare copies of near-duplicate groups into a side folder, and
// bringing them back.
//
// The moved-files word (a single word, LXMoved) names the sub-folder beside
// each moved file and becomes the moved file's extension: dir/a.txt goes to
// dir/moved/a.moved. There is no other record of a move. A restore finds every
// file with that extension inside a moved-files folder and moves it to the
// folder above, always with the extension ".txt". Nothing is ever overwritten:
// a target that exists makes that one file fail and stay where it is.
//
// Links: a move takes only files that lie inside the searched tree and are
// reached without going through a symbolic link. A member named by a link,
// or lying in a folder reached through a link (which may be a folder outside
// the tree), or one whose moved-files folder is a link, is not moved and is
// listed with the reason. Restores go by the same rule.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "duplicates/file_duplicate_contents_seeking.h"

QString MovedFilesWord();

// Where a file of a group goes when it is moved.
QString MovedFileTarget(const QString& full_name);
// Where a moved file goes back to; empty when the file does not lie in a
// moved-files folder (it was not moved there by us, so it is left alone).
QString RestoreTarget(const QString& moved_full_name);

struct PlannedFileMove {
  QString from;
  QString to;
};

// A file that was not moved or restored, and why.
struct FileMoveProblem {
  QString file;
  QString reason;
};

// Why the file at path must not be moved out of, or back into, the tree
// (a link, reached through a link, outside the tree); empty when it may.
QString MoveThroughLinkRefusal(const QString& path, const QString& tree);

// Every existing member of every group except the one to keep, in group
// order. With tree given, members that must not be moved (see above) are
// left out and listed in refused.
std::vector<PlannedFileMove> PlanMovesNotKept(const DupContentsSeeker& seeker,
                                              const QString& tree = {},
                                              std::vector<FileMoveProblem>* refused = nullptr);

// Moves the members not kept out of the tree that was searched. Returns the
// number moved; a file that is gone is passed over, and a file that must
// not be moved or could not be (its target exists, the move failed) stays
// where it is, listed in problems with the reason. on_group is called before
// each group with its index.
int MoveFilesNotKept(const DupContentsSeeker& seeker, const QString& tree,
                     const std::function<void(int group, int groups)>& on_group = {},
                     std::vector<FileMoveProblem>* problems = nullptr);

// The moved files under folder (sub-folders included) and where each goes.
std::vector<PlannedFileMove> PlanRestore(const QString& folder);

// A moved file that stayed where it is, where it would have gone, and why.
struct RestoreFailure {
  QString from;
  QString to;
  QString reason;
};

struct RestoreOutcome {
  int found = 0;     // moved files found (files of the extension inside a moved-files folder)
  int restored = 0;  // moved back
  std::vector<RestoreFailure> failures;
  // Why nothing was done: another run is moving files in the same tree.
  QString refusal;
};

// Moves one moved file back; on a clash or failure the file stays where it
// is and *failure (when given) tells why. Returns whether it was moved. With
// tree given, a file reached through a link is not moved back.
bool RestoreOneMovedFile(const QString& full_name, RestoreFailure* failure = nullptr,
                         const QString& tree = {});

// Restores every moved file under folder, holding the tree's move lock (see
// runtime/tree_lock.h) while it does. on_file (when given) is called before
// each file with its number and the total. The page and the command line
// both restore with this.
RestoreOutcome RestoreMovedFiles(const QString& folder,
                                 const std::function<void(int done, int total)>& on_file = {});
