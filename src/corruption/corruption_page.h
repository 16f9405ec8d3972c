#pragma once
// The "Corruption" page: choose known-good text files and a folder of data,
// run the corrupt-file detector over the folder on a worker, and list the
// flagged files as they are found. A click shows a file's note in the status
// bar, a double click shows its text in the memo.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "corruption/corrupt_file_detector.h"
#include "runtime/file_walker.h"
#include "ui_kit/page_host_gui.h"

// A file-name edit with a chooser for one or more existing files. Several
// names are shown each in double quotes; a single name may be typed bare.
class FileNamesEdit : public QWidget {
  Q_OBJECT
 public:
  explicit FileNamesEdit(const QString& chooser_title, QWidget* parent = nullptr);
  QStringList FileNames() const;
  void SetFileNames(const QStringList& names);
  QLineEdit* Edit() const { return edit_; }

 private:
  QLineEdit* edit_;
  QString title_;
};

// A folder-name edit with a folder chooser.
class FolderNameEdit : public QWidget {
  Q_OBJECT
 public:
  explicit FolderNameEdit(QWidget* parent = nullptr);
  QString Folder() const { return edit_->text().trimmed(); }
  void SetFolder(const QString& folder) { edit_->setText(folder); }
  QLineEdit* Edit() const { return edit_; }

 private:
  QLineEdit* edit_;
};

class CorruptionPage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 5140;
  // Item data role of a list line's note.
  static constexpr int kNoteRole = Qt::UserRole + 1;
  // The flagged file's path; the item's text is its display form.
  static constexpr int kPathRole = Qt::UserRole + 2;

  CorruptionPage(PageHost* host, CorruptFileDetector* detector, QWidget* parent = nullptr);

  // --- controls ---
  FileNamesEdit* ElFileNameEditCorruptGoodFiles;
  FolderNameEdit* ElFolderNameEditCorrupt;
  QCheckBox* AdvOfficeCheckBoxCorruptIncludeSubfolders;
  QCheckBox* AdvOfficeCheckBoxCorruptThorough;
  QSpinBox* ElSpinEditCorruptFreqVar;
  QSpinBox* ElSpinEditCorruptPercentFail;
  QPushButton* ButtonCorruptStart;
  QListWidget* ListBoxCorrupt;
  QPlainTextEdit* AdvMemoCorrupt;
  FileWalker FileAndDirIteratorCorrupt;

  // --- handlers ---
  void ButtonCorruptStartClick();
  void FileAndDirIteratorCorruptFilesProgress(int percent);
  void ListBoxCorruptClick();
  void ListBoxCorruptDblClick();

  // Called on the run's thread by the per-file progress: posts the detector's
  // results not yet posted to the list.
  void PostNewFlaggedFiles();

 private:
  void AppendFlagged(const QString& file, const QString& note);
  void AppendRemainingResults();

  PageHost* host_;
  CorruptFileDetector* detector_;
  int posted_ = 0;  // results posted so far by the run's thread
};
