#pragma once
// The "Duplicate Names" page: files of the same name within one folder tree,
// or the files of a second tree whose names also occur in a first one, shown
// as a two-column tree with one top-level line per name key. The search runs
// on a worker through the page host; the tree is filled when it ends.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QWidget>
#include <mutex>

#include "duplicates/dup_names_tree.h"
#include "duplicates/dup_names_tree_model.h"
#include "duplicates/file_duplicate_names_seeking.h"
#include "ui_kit/page_host_gui.h"

// A folder-name edit with a browse button that chooses folders only. A folder
// picked through the button is announced by FolderChosen; typing is not.
class DupNamesFolderEdit : public QWidget {
  Q_OBJECT
 public:
  explicit DupNamesFolderEdit(const QString& object_name, QWidget* parent = nullptr);
  QString Folder() const { return edit_->text().trimmed(); }
  void SetFolder(const QString& folder) { edit_->setText(folder); }
  QLineEdit* Edit() const { return edit_; }
  // Opens the folder dialog at the current text.
  void Browse();
  // What the dialog does when a folder is picked: sets it and announces it.
  void SetChosenFolder(const QString& folder);

 Q_SIGNALS:
  void FolderChosen(const QString& folder);

 private:
  QLineEdit* edit_;
};

class DuplicateNamesPage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 4170;

  // Binds the seeker's file handler, status and progress events to this page
  // and its host.
  DuplicateNamesPage(PageHost* host, DupNamesSeeker* seeker, QWidget* parent = nullptr);
  ~DuplicateNamesPage() override;

  // --- controls ---
  QGroupBox* folder1_box;
  DupNamesFolderEdit* folder1_edit;
  QCheckBox* folder1_subfolders;
  QCheckBox* dates_must_match;
  QCheckBox* sizes_must_match;
  QGroupBox* folder2_box;
  DupNamesFolderEdit* folder2_edit;
  QCheckBox* folder2_subfolders;
  QGroupBox* excluded_box;
  QPlainTextEdit* excluded_folders;
  QPushButton* search_button;
  QPushButton* expand_button;
  QTreeView* results;

  // The top-level line from which the next name lookup starts.
  std::int32_t last_dup_names_treeview_search() const {
    return lines_.last_dup_names_treeview_search;
  }

  void Search();
  // Folder 1 chosen through its browse button: folder 2 gets it too.
  void CopyFolder1ToFolder2();
  // Expands every line when some are collapsed, else collapses them all.
  void ToggleExpanded();
  // The seeker's file handler; runs on the search's thread.
  bool AddReportedFile(std::int32_t show_order, std::int32_t n_duplicates, const DupNamesRec& rec);

  bool Searching() const { return searching_; }

 Q_SIGNALS:
  // The search has ended (normally or stopped) and the tree is filled.
  void SearchFinished();

 private:
  void SetUpTreeColumns();
  void SearchDone();
  // The Expand button's caption follows the tree: Collapse while every line
  // with files below it is expanded, else Expand.
  void UpdateExpandCaption();
  bool AllExpanded() const;
  void StatusFromSearch(const QString& text);
  void ProgressFromSearch(int percent);
  QString Summary() const;

  PageHost* host_;
  DupNamesSeeker* seeker_;
  DupNamesTreeLines lines_;  // written by the search's thread, read after it
  DupNamesTreeModel* model_;
  bool searching_ = false;
  bool columns_sized_by_user_ = false;  // only then are the widths kept

  // Status texts come once per file; the status bar gets at most a few a
  // second, and always the last one when the search ends.
  std::mutex status_mutex_;
  QString last_status_;
  QElapsedTimer status_timer_;
  int last_percent_ = -1;
};
