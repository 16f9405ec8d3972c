#pragma once
// File access by a path's own bytes. Paths reach the program as QStrings
// made by NameFromNative (runtime/native_names.h), which may hold escaped
// bytes of names that are not valid UTF-8; Qt's file classes would encode
// those lossily and miss the file. Everything that opens, stats, creates,
// renames, copies or removes a file or folder goes through these functions,
// which hand the system the exact bytes.

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdint>

struct NativeFileStatus {
  bool exists = false;
  bool is_file = false;    // a regular file (after following links)
  bool is_folder = false;  // a folder (after following links)
  std::int64_t size = 0;
  QDateTime modified;  // local time
};

// What the system says about a path, following links.
NativeFileStatus StatPath(const QString& path);
bool IsExistingFile(const QString& path);
bool IsExistingFolder(const QString& path);
// Whether anything is there (a dangling link counts: its name is taken).
bool PathExists(const QString& path);

// Opens a file by its bytes into a QFile (which then owns the descriptor).
// ReadOnly opens an existing file; WriteOnly creates it or cuts it to
// nothing (or appends, with Append; or fails when it exists, with NewOnly).
// On failure, *error (when given) is the system's reason.
bool OpenNativeFile(QFile& file, const QString& path, QIODevice::OpenMode mode,
                    QString* error = nullptr);
// The whole contents of a file, or false with the reason.
bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error = nullptr);

// Writes a whole file under a temporary name beside it, flushes it to the
// disk and renames it into place, so that the file is either the old one or
// the complete new one. Replaces an existing file of that name.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Creates a folder and any missing folders above it. True when it exists
// as a folder afterwards.
bool MakeFolders(const QString& path, QString* error = nullptr);
bool RemoveFile(const QString& path, QString* error = nullptr);
// Renames within one file system, never replacing an existing target.
bool RenameNoReplace(const QString& from, const QString& to, QString* error = nullptr);
// The absolute path with links and "."/".." resolved, or empty when the
// path does not exist.
QString CanonicalPath(const QString& path);
// The names of the regular files (links to them included) of a folder, in
// no particular order; hidden files too.
QStringList FileNamesInFolder(const QString& folder);

// The system's text for an errno value.
QString SystemErrorText(int error_number);
