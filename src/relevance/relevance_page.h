#pragma once
// The Relevance page: scores the texts of a folder or a list against a file
// of filter strings, lists the relevant ones in a sortable grid, and from
// there copies them into a filtered tree, opens one in the viewer with its
// terms, or saves a run of them as RTF samples.

#include <QAbstractTableModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QWidget>
#include <memory>
#include <vector>

#include "relevance/file_filtering.h"
#include "runtime/file_details.h"
#include "ui_kit/page_host_gui.h"
#include "ui_kit/path_edit_widget.h"

class FolderOrListChooserDialog;
class FolderChooserDialog;
class SampleRtfDialog;

// The result grid's model over the result list. Its row count is fixed when
// a check ends (SetRowCount), so that the grid never reads the list while a
// check fills it.
class RelevanceGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit RelevanceGridModel(RelevanceResults* scores, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Header-click sorting; column 0 (the row number) does not sort.
  void sort(int column, Qt::SortOrder order) override;
  // The text of a cell as the grid shows it.
  QString CellText(int row, int column) const;
  void SetRowCount(int rows);
  // Column widths in per cent of the grid.
  static int ColumnPercent(int column);

 private:
  RelevanceResults* scores_;
  int rows_ = 0;
};

class RelevancePage : public QWidget {
  Q_OBJECT
 public:
  // scores and overall are the window's result list and run state; when not
  // given, the page keeps its own.
  RelevancePage(PageHost* host, RelevanceFilterList* relevance_filters, QWidget* parent,
                RelevanceResults* scores = nullptr, RelevanceFilter* overall = nullptr);
  ~RelevancePage() override;

  // --- controls ---
  PathEdit* filter_file_edit;
  QPushButton* edit_button;
  QPushButton* check_button;
  QSpinBox* min_words_spin;
  QSpinBox* segments_spin;
  QLabel* coverage_label;
  QSpinBox* coverage_spin;
  QSpinBox* min_score_spin;
  QPushButton* filter_button;
  QPushButton* rtf_button;
  QTableView* grid;
  QMenu* grid_menu;
  QAction* show_text_action;
  QAction* copy_action;
  QAction* info_action;

  // --- actions ---
  // "Check": scores the chosen texts against the filter file.
  void Check();
  void UpdateCoverageLabel();
  // "Edit": the filter file in the desktop's editor.
  void EditFilterFile();
  // "Filter relevant texts": copies the listed texts scoring at least the
  // minimum score into the filtered tree.
  void CopyRelevantTexts();
  // "RTF Sample": a run of listed texts as RTF files, their terms highlighted.
  void SaveRtfSample();
  // "Show this text": the current row's text in the viewer, with its terms.
  void ShowCurrentText();
  void CopyList();

  // The details of the grid's current row (file, words, hit types as the
  // grid shows them); empty when no data row is current.
  ViewerFileDetails CurrentRowDetails() const;
  ViewerFileDetails RowDetails(int result_index) const;

  // Opens a text in the main window's viewer; with_keywords loads the
  // positive filter terms into its search list and keyword list.
  void OpenInViewer(const ViewerFileDetails& details, bool with_keywords);

  RelevanceGridModel* GridModel() const { return model_; }
  const RelevanceResults& Scores() const { return *scores_; }
  const RelevanceFilter& Overall() const { return *overall_; }
  // The choosers, created on first use and kept.
  FolderOrListChooserDialog* FolderOrListChooser();
  FolderChooserDialog* FolderChooser();
  SampleRtfDialog* SampleRtfWindow();

 Q_SIGNALS:
  // Emitted on the window thread when a check has ended and the grid shows it.
  void CheckFinished();

 protected:
  // Keeps the grid's columns at their shares of its width.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildGrid();
  void LayOut();
  void Connect();
  void CheckFinishedOnWindow();
  void SetButtonsEnabled(bool enabled);
  void FitColumns();
  void ShowGridMenu(const QPoint& pos);

  PageHost* host_;
  RelevanceFilterList* filters_;
  std::unique_ptr<RelevanceResults> own_scores_;
  std::unique_ptr<RelevanceFilter> own_overall_;
  RelevanceResults* scores_;
  RelevanceFilter* overall_;
  RelevanceGridModel* model_;
  StopFlag stop_;
  // Written by the run's thread, read by the window thread once it has ended.
  std::vector<FileProblem> read_problems_;  // files the last check could not read
  int texts_found_ = 0;                     // texts the last check had to score
  bool folder_missing_ = false;             // the last check's folder was not there
  FileSourceChoice last_input_;
  FolderOrListChooserDialog* folder_or_list_ = nullptr;
  FolderChooserDialog* folder_chooser_ = nullptr;
  SampleRtfDialog* sample_rtf_ = nullptr;
};
