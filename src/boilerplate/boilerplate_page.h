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

#include "boilerplate/boilerplate_search.h"
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

  BoilerplatePage(PageHost* host, RepeatedChunks* finder, QWidget* parent = nullptr);
  ~BoilerplatePage() override;

  // Starts a search with the current settings (the "start" button).
  void Search();
  // Header click on a column: 1 sorts by hits, 2 by file order, 0 nothing.
  void SortByColumn(int column);
  void ShowSelection(const QModelIndex& index);
  // "Open && show": the selected file in the shared viewer with its repeated
  // chunks listed beside it. Nothing happens for a total row or a file that
  // no longer exists.
  void OpenSelectedFile();
  void CopyList();
  // After the browse dialog: a file picked instead of a folder makes its
  // name the file-types text (the mask of the search).
  void TakeFileNameAsMask();

  QString HeadFolder() const { return head_folder_; }
  const ViewerFileDetails& FileToOpen() const { return file_to_open_; }
  QString ChunkToShow() const { return chunk_to_show_; }
  BoilerplateTreeModel* TreeModel() const { return model_; }
  QTreeView* Tree() const { return tree_; }
  bool Running() const { return running_; }

 Q_SIGNALS:
  // A search has ended (also after Stop) and the tree shows its results.
  void SearchFinished(int chunks);

 private:
  void BuildSettingsPage();
  void BuildListPage();
  void FillTree();
  void BrowseForFolder();
  void ShowTreeMenu(const QPoint& pos);
  int Inch() const;

  PageHost* host_;
  RepeatedChunks* finder_;
  FileWalker walker_;

  QTabWidget* pager_ = nullptr;
  QWidget* settings_page_ = nullptr;
  QWidget* list_page_ = nullptr;
  QLineEdit* folder_edit_ = nullptr;
  QToolButton* browse_button_ = nullptr;
  QComboBox* file_types_combo_ = nullptr;
  QCheckBox* subfolders_check_ = nullptr;
  QCheckBox* unterminated_check_ = nullptr;
  QSpinBox* tag_span_spin_ = nullptr;
  QSpinBox* min_hits_spin_ = nullptr;
  QSpinBox* min_length_spin_ = nullptr;
  QPushButton* start_button_ = nullptr;
  QLabel* folder_label_ = nullptr;
  QTreeView* tree_ = nullptr;
  BoilerplateTreeModel* model_ = nullptr;
  QMenu* tree_menu_ = nullptr;
  QAction* open_action_ = nullptr;
  QAction* copy_action_ = nullptr;

  QString head_folder_;
  QString chunk_to_show_;
  ViewerFileDetails file_to_open_;
  bool running_ = false;
  // Written by the run's thread, read by the window thread once it has ended.
  BoilerplateSearch last_search_;
  BoilerplateOutcome last_outcome_;
};
