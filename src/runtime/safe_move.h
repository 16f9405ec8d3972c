#pragma once
// Moving and copying files so that no file is ever overwritten or lost.
//
// A move never replaces an existing target: within one file system it is an
// atomic rename that fails when the target exists (or, where the file system
// cannot do that, a hard link to the new name followed by removing the old
// one). Before a move is reported as done, the file's data and both folder
// entries have reached the disk. Across file systems the file is copied to a
// temporary name in the target's folder, synced, read back and compared with
// the source, then renamed to the target (again never replacing one), and
// only then is the source removed. If any step fails, the partial copy is
// removed and the source stays; a run killed while copying leaves the source
// and at worst the temporary file, which the next copy of that file removes.

#include <QString>

enum class SafeFileResult {
  Done,
  TargetExists,   // nothing was changed
  SourceMissing,  // nothing was changed
  Failed,         // nothing was changed; see the error text
};

// Moves a regular file from `from` to `to`. The target's folder must exist.
SafeFileResult SafeMoveFile(const QString& from, const QString& to, QString* error = nullptr);

// Copies a regular file to a new file `to` (failing when `to` exists), with
// the source's modification time, synced to disk and verified byte for byte.
SafeFileResult SafeCopyFile(const QString& from, const QString& to, QString* error = nullptr);

// The temporary name under which a copy to target is made: a hidden name in
// the target's folder, the same for every attempt, so that a copy left over
// from a killed run is found and removed by the next one.
QString PartialCopyName(const QString& target);

// Flushes a file's data, or a folder's entries, to the disk.
bool SyncPath(const QString& path);
