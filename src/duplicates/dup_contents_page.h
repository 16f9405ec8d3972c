#pragma once
// The Duplicate Contents page: searches a folder tree for texts with the same
// or nearly the same contents, lists the groups, opens a group side by side
// in text viewers, lets the user choose the file to keep, moves the others
// into a moved-files folder beside them and restores them later.
//
// Searching, moving and restoring run on a worker thread through the page
// host; the page touches the seeker only while none of its runs is going on,
// and the table is detached from the seeker while a search rebuilds it.

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "duplicates/file_duplicate_contents_seeking.h"
#include "runtime/file_walker.h"

class DupContentsTableModel;
class PageHost;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableView;
class TextViewerWindow;

class DuplicateContentsPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 6020;

  DuplicateContentsPage(PageHost* host, DupContentsSeeker* seeker, QWidget* parent = nullptr);
  ~DuplicateContentsPage() override;

  void Search();
  // Moves every member but the kept one of each group into a moved-files
  // folder beside it, after asking.
  void MoveSpareCopies();
  // Moves the moved files under the folder back, after asking.
  void RestoreMoved();
  // Makes the selected row's file the one its group keeps.
  void KeepSelected();
  // Opens the selected row's group in text viewers side by side.
  void ShowSelectedGroup();
  void CopyList();

  // One row per group member, groups in the seeker's order.
  void FillRows();
  const DupContentsTableModel& Model() const { return *model_; }

  // Whether Ctrl is held as Search is pressed, and the question for the start
  // percentage (false when cancelled). Replaceable, for tests.
  std::function<bool()> control_key_down;
  std::function<bool(int* start_percent)> ask_start_percent;

  // The viewers of the group last shown, and the head's lines they compare with.
  const std::vector<QPointer<TextViewerWindow>>& ShowForms() const { return show_forms_; }
  const QStringList& ComparisonStrings() const { return comparison_strings_; }

 Q_SIGNALS:
  void SearchFinished(int pairs);
  void MoveFinished(int moved);
  void RestoreFinished(int restored);

 private:
  void BuildControls();
  void BuildResultTable();
  QString FolderText() const;
  // The folder to work on; empty, after saying why, when there is none.
  QString UsableFolder();
  void SetBusy(bool busy);
  void ShowSummary(const QString& line);
  // Runs work on the host's worker thread, the page busy until done has run.
  void RunPageTool(const std::function<void()>& work, const std::function<void(bool)>& done);
  void FreeShowForms();
  // The files moved from this page under folder that a restore would bring
  // back under another extension, one line each.
  QStringList RenamedByRestore(const QString& folder) const;

  PageHost* host_;
  DupContentsSeeker* seeker_;
  DupContentsTableModel* model_;
  FileWalker walker_;
  QString searched_folder_;  // the tree of the last search, which Move works on
  bool busy_ = false;
  bool showing_group_ = false;
  std::vector<QPointer<TextViewerWindow>> show_forms_;
  QStringList comparison_strings_;
  // The original names of the files moved from this page, by moved name:
  // a restore brings every file back as .txt, so the others are named first.
  QHash<QString, QString> moved_from_;

  QLineEdit* folder_edit_ = nullptr;
  QCheckBox* check_dates_ = nullptr;
  QSpinBox* max_days_ = nullptr;
  QComboBox* file_types_ = nullptr;
  QDoubleSpinBox* max_length_diff_ = nullptr;
  QDoubleSpinBox* max_words_diff_ = nullptr;
  QCheckBox* same_folder_ = nullptr;
  QCheckBox* ignore_spacing_ = nullptr;  // off by default
  QPushButton* search_button_ = nullptr;
  QPushButton* move_button_ = nullptr;
  QPushButton* restore_button_ = nullptr;
  QLabel* found_label_ = nullptr;
  QLineEdit* time_remaining_ = nullptr;
  QTableView* results_ = nullptr;
  QMenu* popup_menu_ = nullptr;
};
