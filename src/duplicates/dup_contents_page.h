#pragma once
// The Duplicate Contents page: searches a folder tree for texts with the same
// or nearly the same contents, lists the groups, opens a group side by side
// in text viewers, lets the user choose the file to keep, moves the others
// into a moved-files folder beside them and restores them later.
//
// Searching, moving and restoring run on a worker thread through the page
// host; the page touches the seeker only while none of its runs is going on.

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "duplicates/file_duplicate_contents_seeking.h"
#include "runtime/file_walker.h"

class PageHost;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TextViewerWindow;

class DuplicateContentsPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 6020;

  DuplicateContentsPage(PageHost* host, DupContentsSeeker* seeker, QWidget* parent = nullptr);
  ~DuplicateContentsPage() override;

  // Handlers, by the event that runs them.
  void AdvGlowButtonDuplicateContentsSearchClick();
  void AdvGlowButtonDupContentsMoveClick();
  void AdvGlowButtonDupContentsUNRemoveClick();
  void DuplicateContentsKeepClick();
  void ShowDupContents1Click();
  void AdvListViewDupContentsDblClick();
  void AdvOfficeCheckBoxDupContentsUseDatesClick();
  void CopyAListClick();

  // One row per group member, groups in the seeker's order.
  void FillRows();

  // Whether Ctrl is held as Search is pressed, and the question for the start
  // percentage (false when cancelled). Replaceable, for tests.
  std::function<bool()> control_key_down;
  std::function<bool(int* start_percent)> ask_start_percent;

  // The viewers of the group last shown, and the head's lines they compare with.
  const std::vector<QPointer<TextViewerWindow>>& ShowForms() const { return show_forms; }
  const QStringList& ComparisonStrings() const { return comparison_strings; }

 Q_SIGNALS:
  void SearchFinished(int pairs);
  void MoveFinished(int moved);
  void RestoreFinished(int found);

 private:
  void BuildControls();
  QString FolderText() const;
  void SetBusy(bool busy);
  // Runs work on the host's worker thread, the page busy until done has run.
  void RunPageTool(const std::function<void()>& work, const std::function<void(bool)>& done);
  void FreeShowForms();

  PageHost* host_;
  DupContentsSeeker* seeker_;
  FileWalker FileAndDirIteratorDuplicateContents;
  QString searched_folder_;  // the tree of the last search, which Move works on
  bool busy_ = false;
  bool busy_with_duplicate = false;
  std::vector<QPointer<TextViewerWindow>> show_forms;
  QStringList comparison_strings;

  QLineEdit* MyOpenFolderDialogDuplicateContents = nullptr;
  QCheckBox* AdvOfficeCheckBoxDupContentsUseDates = nullptr;
  QSpinBox* AdvSpinEditDupContentsDateDiff = nullptr;
  QComboBox* myAdvFilterComboDupContents = nullptr;
  QDoubleSpinBox* AdvSpinEditDupContentsLengthDiff = nullptr;
  QDoubleSpinBox* AdvSpinEditDupContentsTTDiff = nullptr;
  QCheckBox* AdvOfficeCheckBoxDupContentsSameFolder = nullptr;
  QCheckBox* CheckBoxDupContentsIgnoreSpacing = nullptr;  // off by default
  QPushButton* AdvGlowButtonDuplicateContentsSearch = nullptr;
  QPushButton* AdvGlowButtonDupContentsRemove = nullptr;
  QPushButton* AdvGlowButtonDupContentsUNRemove = nullptr;
  QLabel* LabelDuplicatesFound = nullptr;
  QLineEdit* AdvEditTimeRemaining = nullptr;
  QTableWidget* AdvListViewDupContents = nullptr;
  QMenu* AdvPopupMenuDuplicContents = nullptr;
};
