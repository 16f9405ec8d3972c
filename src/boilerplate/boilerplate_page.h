#pragma once
// The "Boilerplate text" page: finds the sentences that recur across the
// texts of a folder tree. Two sub-pages at the bottom: "Settings" (folder,
// file types, sub-folders and the four chunk settings) and "List" (the tree
// of repeated chunks, with a pop-up menu to open a file with its repeats
// listed beside it, or to copy the list).
//
// The search runs on a worker thread through the page host; the finder it
// fills belongs to the main window and is only read by the tree once the run
// is over.

#include <QModelIndex>
#include <QString>
#include <QWidget>

#include "boilerplate/repeated_chunks.h"
#include "runtime/file_details.h"
#include "runtime/file_walker.h"
#include "ui_kit/page_host_gui.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;
class QTreeView;
class BoilerplateTreeModel;

class BoilerplatePage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 6030;

  BoilerplatePage(PageHost* host, RepeatedChunks* frepetition_seeker, QWidget* parent = nullptr);
  ~BoilerplatePage() override;

  // Starts a search with the current settings (the "start" button).
  void AdvGlowButtonBoilerSearchClick();
  // Fits the last column of the tree to the width left by the others; the
  // main window calls it when it is resized while this page is showing.
  void FitBoilerColumns();
  // Header click on a column: 1 sorts by hits, 2 by file order, 0 nothing.
  void AdvTreeViewBoilerClick(int column);
  void AdvTreeViewBoilerAfterSelectNode(const QModelIndex& index);
  // "Open && show": the selected file in the shared viewer with its repeated
  // chunks listed beside it. Nothing happens for a total row or a file that
  // no longer exists.
  void OpenshowBoilerSourceClick();
  void BoilerListCopy2Click();
  // After the browse dialog: a file picked instead of a folder makes its
  // name the file-types text (the mask of the search).
  void ElFolderNameEditBoilerHeadFolderDialogExecute();

  QString HeadFolder() const { return boiler_head_folder; }
  const ViewerFileDetails& FileToOpen() const { return boiler_fname_to_open; }
  QString ChunkToShow() const { return boiler_chunk_to_show; }
  BoilerplateTreeModel* TreeModel() const { return model_; }
  bool Running() const { return running_; }

 Q_SIGNALS:
  // A search has ended (also after Stop) and the tree shows its results.
  void SearchFinished(int chunks);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildSettingsPage();
  void BuildListPage();
  void FillTree();
  void BrowseForFolder();
  void ShowTreeMenu(const QPoint& pos);
  void ColumnResized(int column);

  PageHost* host_;
  RepeatedChunks* frepetition_seeker_;
  FileWalker FileAndDirIteratorCorpus;

  QTabWidget* AdvOfficePagerBoiler = nullptr;
  QWidget* AdvOfficePageBoilerSettings = nullptr;
  QWidget* AdvOfficePageBoilerList = nullptr;
  QLineEdit* ElFolderNameEditBoilerHeadFolder = nullptr;
  QToolButton* browse_button_ = nullptr;
  QComboBox* myAdvFilterComboBoiler = nullptr;
  QCheckBox* AdvOfficeCheckBoxSubFoldersTooBoiler = nullptr;
  QCheckBox* AdvOfficeCheckBoxBoilerUNfinishedSents = nullptr;
  QSpinBox* AdvSpinEditBoilerTagSpan = nullptr;
  QSpinBox* AdvSpinEditBoilerMinSentFreq = nullptr;
  QSpinBox* AdvSpinEditBoilerMinChunkLength = nullptr;
  QPushButton* AdvGlowButtonBoilerSearch = nullptr;
  QLabel* LabelBoilerplateFolder = nullptr;
  QTreeView* AdvTreeViewBoiler = nullptr;
  BoilerplateTreeModel* model_ = nullptr;
  QMenu* AdvPopupMenuBoilerList = nullptr;
  QAction* Openshow1 = nullptr;
  QAction* BoilerListCopy2 = nullptr;

  QString boiler_head_folder;
  QString boiler_chunk_to_show;
  ViewerFileDetails boiler_fname_to_open;
  bool resizing_column = false;
  bool fitting_ = false;
  bool running_ = false;
};
