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

struct TPlannedFileMove {
  QString from;
  QString to;
};

// Every existing member of every group except the one to keep, in group order.
std::vector<TPlannedFileMove> PlanMovesNotKept(const TFileDuplicateContentsSeeker& seeker);

// Moves the members not kept. Returns the number moved; a file that is gone,
// or whose target exists, is not moved and not counted (failures lists them
// when given). on_group is called before each group with its index.
int MoveFilesNotKept(const TFileDuplicateContentsSeeker& seeker,
                     const std::function<void(int group, int groups)>& on_group = {},
                     QStringList* failures = nullptr);

// The moved files under folder (sub-folders included) and where each goes.
std::vector<TPlannedFileMove> PlanRestore(const QString& folder);

struct TRestoreOutcome {
  int found = 0;     // moved files found
  int restored = 0;  // moved back
};

// Moves one moved file back; on a clash or failure calls on_failure(from, to)
// and leaves the file where it is. Returns whether it was moved.
bool RestoreOneMovedFile(const QString& full_name,
                         const std::function<void(const QString& from, const QString& to)>& on_failure);

// Restores every moved file under folder. on_file (when given) is called
// before each file with its number and the total.
TRestoreOutcome RestoreMovedFiles(const QString& folder,
                                  const std::function<void(const QString& from, const QString& to)>& on_failure,
                                  const std::function<void(int done, int total)>& on_file = {});
