#pragma once
// The "Corpus Sampler" page: draws a random sample of texts from a folder or
// a list file into the main window's sample list, shows it in a numbered
// grid, opens a text of it in the viewer with the relevance terms
// highlighted, and saves it as a zipped text set.

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "runtime/file_walker.h"
#include "sampling/random_sample.h"

class PageHost;
class QButtonGroup;
class QComboBox;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableView;
class SampleGridModel;
class FolderEdit;
class TermList;

class SamplePage : public QWidget {
  Q_OBJECT
 public:
  // sample is the main window's sample list; relevance_terms, when given,
  // are the relevance page's filter terms, which "Show this text" highlights.
  SamplePage(PageHost* host, QStringList* sample, const TermList* relevance_terms = nullptr,
             QWidget* parent = nullptr);
  ~SamplePage() override;

  // The "Random sample from folder" button.
  void SampleFromFolder();
  // The "Random sample from a list" button: asks for the list file, then
  // samples it.
  void SampleFromList();
  void SampleFromListFile(const QString& path);
  // The "Save zipped text set" button: asks for the archive's name, then
  // saves.
  void SaveZippedTextSetAs();
  void SaveZippedTextSet(const QString& zip_path);
  // "Show this text": the selected entry in the shared viewer, with the
  // relevance terms highlighted. Nothing happens when it names no file.
  void ShowSelectedText();
  // "Copy": the grid's text through the shared copy action.
  void CopySample();

  SampleSpread SamplePreference() const;
  // The entry of the grid's current row, or empty.
  QString SelectedSampleFile() const;
  // The grid's whole text: the headings, then one line per row, cells
  // separated by tabs.
  QString AllText() const;

  // A fixed seed makes draws repeatable; without one each draw is fresh.
  std::optional<std::uint64_t> seed;
  // Replaces the shared copy action (text, help context), for tests.
  std::function<void(const QString& text, int help_context)> CopyAList;
  // Opens a saved archive when the user says so (replaceable in tests).
  std::function<void(const QString& path)> OpenSavedFile;

  QTableView* Grid() const { return grid_; }
  SampleGridModel* GridModel() const { return model_; }

 Q_SIGNALS:
  // A run has ended and the sample list holds its result.
  void SampleReplaced();

 private:
  QWidget* BuildSettings();
  void BuildGrid();
  void RunFinished(const QStringList& result, bool report_too_few);
  void SetBusy(bool busy);
  void FitColumns();
  void ShowGridMenu(const QPoint& pos);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  PageHost* host_;
  QStringList* sample_;
  const TermList* relevance_terms_;
  FileWalker corpus_walker_;

  QSpinBox* sample_size_edit_ = nullptr;
  QButtonGroup* preference_group_ = nullptr;
  QComboBox* file_types_combo_ = nullptr;
  FolderEdit* source_folder_edit_ = nullptr;
  QPushButton* from_folder_button_ = nullptr;
  QPushButton* from_list_button_ = nullptr;
  QPushButton* zip_button_ = nullptr;
  QTableView* grid_ = nullptr;
  SampleGridModel* model_ = nullptr;
  QMenu* grid_menu_ = nullptr;
};
