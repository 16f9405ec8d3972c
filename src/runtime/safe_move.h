#pragma once
// Moving and copying files so that no file is ever overwritten or lost.
//
// A move never replaces an existing target: within one file system it is an
// atomic rename that fails when the target exists (or, where the file system
// cannot do that, a hard link to the new name followed by removing the old
// one). Before a move is reported as done, the file's data and both folder
// entries have reached the disk. Across file systems the file is copied to a
// target created new (never opened over an existing file), synced, read back
// and compared with the source, and only then is the source removed; if any
// step fails, the partial copy is removed and the source stays.

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

// Flushes a file's data, or a folder's entries, to the disk.
bool SyncPath(const QString& path);
