#pragma once
// Finds the files under a head folder that match a mask, optionally with
// sub-folders, leaving out excluded folder names and hidden files and folders
// (names starting with "."). Only regular files are listed: FIFOs, sockets
// and devices never are. Symbolic links to files are listed; links to folders
// are followed once, and a folder already visited is never entered again, so
// a link loop cannot hang the walk. Folders that cannot be read are skipped
// with a note in Problems(), and the rest of the walk goes on.
//
// A walk runs on the calling thread, and every event fires there; the files'
// sizes and dates are read meanwhile on one helper thread of the walk's own,
// which ends with the walk.

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "runtime/error.h"
#include "runtime/file_list.h"

// A ";"-joined list of masks with "*" and "?", matched without regard to
// case. "*.*" and "*" match every name, with or without a dot.
class FileMaskMatcher {
 public:
  explicit FileMaskMatcher(const QString& masks = QStringLiteral("*.*"));
  bool Matches(const QString& name) const;

 private:
  struct Mask {
    QString pattern;  // lower-cased
    QString suffix;   // set when the mask is "*" + a literal suffix
    bool all = false;
  };
  std::vector<Mask> masks_;
};

class FileWalker {
 public:
  QString HeadDir;
  QString FileMask = QStringLiteral("*.*");
  bool IncludeSubFolders = false;
  bool SkipHidden = true;
  // Whether to read each file's size and date. Asking the system for them
  // costs more than the rest of the walk together; a caller that needs only
  // the names turns this off, and its records then hold 0 for both.
  bool ReadDetails = true;
  // Lists each file once, however many names reach it: a link and its
  // target, or two hard links, are one file (the same device and inode). The
  // name reached without going through any link is kept; folders reached
  // through a link are walked after every other folder, so that their files
  // keep their own names where the tree has them.
  bool OneNamePerFile = false;

  // Folder names (not paths) to leave out, without regard to case.
  void SetExcludedDirs(const QStringList& names);
  QStringList ExcludedDirs() const { return excluded_; }

  std::function<void(const QString& folder)> OnProcessingAFolder;
  std::function<void(const QString& full_name, const FileRecord& rec)> OnProcessingAFile;
  std::function<void(int percent)> OnFilesProgress;
  std::function<void(const QString& problem)> OnProblem;

  // Fills the found-file list (cleared first). Returns the number found. The
  // list is in walk order until BuildDetailedList sorts it.
  int IterateFindingFiles();
  void BuildDetailedList(FileSortOrder order = FileSortOrder::ByName);
  // Fires OnProcessingAFolder whenever the folder changes, then
  // OnProcessingAFile for each file, in list order, until stopped.
  void ProcessAllFilesFound();

  // Ends a walk or a processing loop at the next file. Safe from any thread.
  void Stop() { stopped_.store(true); }
  bool Stopped() const { return stopped_.load(); }
  void Clear();
  // Reads the size and date of the listed entries (indexes into the found
  // list, walk order before any sort) after a walk made without details, on
  // two threads. Returns the indexes of entries that vanished or stopped
  // being plain files meanwhile, which a walk with details would have left
  // out; their records keep 0 for both.
  std::vector<int> ReadDetailsOf(std::vector<int> indexes);
  // Lets go of the found-file list, keeping the problems met: for a caller
  // that has taken what it needs from the list.
  void ReleaseFilesFound() { found_ = FolderFileList(); }

  FolderFileList& FilesFound() { return found_; }
  const FolderFileList& FilesFound() const { return found_; }
  const QStringList& Problems() const { return problems_; }
  // The same problems with the folder (or file) and the reason apart.
  const std::vector<FileProblem>& FileProblems() const { return file_problems_; }
  bool HeadDirExists() const;

 private:
  class TreeWalk;
  void Problem(const QString& file, const QString& reason, const QString& text);
  QStringList excluded_;
  FolderFileList found_;
  QStringList problems_;
  std::vector<FileProblem> file_problems_;
  std::atomic<bool> stopped_{false};
};
