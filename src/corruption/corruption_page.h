#pragma once
// The "Corruption" page: choose known-good text files and a folder of data,
// run the corrupt-file detector over the folder on a worker, and list the
// flagged files as they are found. A click shows a file's note in the status
// bar, a double click shows its text in the text box below the list.

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "corruption/corrupt_file_detector.h"
#include "corruption/corruption_check.h"
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

class CorruptionResultsModel;
class QListView;

class CorruptionPage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 5140;

  CorruptionPage(PageHost* host, CorruptFileDetector* detector, QWidget* parent = nullptr);

  // --- controls ---
  FileNamesEdit* good_files_edit;
  FolderNameEdit* folder_edit;
  QCheckBox* subfolders_check;
  QCheckBox* digraph_check;
  QSpinBox* frequency_variation_spin;
  QSpinBox* percent_fail_spin;
  QPushButton* start_button;
  QListView* results_view;
  QPlainTextEdit* text_view;

  CorruptionResultsModel* Results() const { return results_; }

  // Start: checks the folder with the settings as they are now.
  void Start();
  // A click on a flagged file: its note in the status bar.
  void ShowSelectedNote();
  // A double click: its text in the text box.
  void ShowSelectedText();

  // Called on the run's thread by the per-file progress: posts the detector's
  // results not yet posted to the list.
  void PostNewFlaggedFiles();

 private:
  QWidget* BuildSettings();
  void AppendRemainingResults();
  void RunFinished(bool ok);

  PageHost* host_;
  CorruptFileDetector* detector_;
  CorruptionResultsModel* results_;
  FileWalker walker_;
  int posted_ = 0;  // results posted so far by the run's thread
  // Written by the run's thread, read by the window thread once it has ended.
  CorruptionCheckResult last_result_;
};
