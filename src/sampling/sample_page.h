#pragma once
// The "Corpus Sampler" page: draws a random sample of texts from a folder or
// a list file into the main window's sample list, shows it in a numbered
// grid, opens a text of it in the viewer and saves it as a zipped text set.

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
class QTabWidget;
class QTableView;
class SampleGridModel;
class FolderEdit;

class SamplePage : public QWidget {
  Q_OBJECT
 public:
  SamplePage(PageHost* host, QStringList* SampleFileslist, QWidget* parent = nullptr);
  ~SamplePage() override;

  // --- handlers ---
  void AdvGlowButtonRandomSampleFromFolderClick();
  void AdvGlowButtonRandomSampleFromListClick();
  void AdvGlowButtonZippedListOfSampleClick();
  void Showthistext1Click();
  void SampleCopyClick();

  // The list variant once a list file is chosen, and the zipped text set
  // once a target is chosen (the click handlers ask for the names first).
  void RandomSampleFromListFile(const QString& path);
  void SaveZippedTextSet(const QString& zip_path);

  SampleSpread SamplePreference() const;
  // The entry of the grid's current row, or empty.
  QString SelectedSampleFile() const;
  // The grid's whole text: the headings, then one line per row, cells
  // separated by tabs.
  QString AllText() const;
  // The help context of the inner page in front.
  int ActiveHelpContext() const;

  // A fixed seed makes draws repeatable; without one each draw is fresh.
  std::optional<std::uint64_t> seed;
  // The relevance page's search terms, highlighted when a text is shown.
  std::function<QStringList()> RelevanceSearchTerms;
  // Replaces the shared copy action (text, help context), for tests.
  std::function<void(const QString& text, int help_context)> CopyAList;
  // Shows a text instead of the shared viewer (tests, embedding).
  std::function<void(const QString& path, const QStringList& terms)> ShowText;
  // Opens a saved archive when the user says so (replaceable in tests).
  std::function<void(const QString& path)> OpenSavedFile;

  QTableView* Grid() const { return grid_; }
  SampleGridModel* GridModel() const { return model_; }
  QTabWidget* InnerPager() const { return pager_; }

 Q_SIGNALS:
  // A run has ended and the sample list holds its result.
  void SampleReplaced();

 private:
  void BuildControls();
  void RunFinished(const QStringList& result, bool report_too_few);
  void SetBusy(bool busy);
  void FitColumns();
  void ShowGridMenu(const QPoint& pos);
  void ShowTextInViewer(const QString& path);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  PageHost* host_;
  QStringList* SampleFileslist_;
  FileWalker FileAndDirIteratorCorpus_;

  QTabWidget* pager_ = nullptr;
  QSpinBox* AdvSpinEditSample_ = nullptr;
  QButtonGroup* AdvOfficeRadioGroupRandomSample_ = nullptr;
  QComboBox* myAdvFilterComboSample_ = nullptr;
  FolderEdit* MyOpenFolderDialogSampleSource_ = nullptr;
  QPushButton* AdvGlowButtonRandomSampleFromFolder_ = nullptr;
  QPushButton* AdvGlowButtonRandomSampleFromList_ = nullptr;
  QPushButton* AdvGlowButtonZippedListOfSample_ = nullptr;
  QTableView* grid_ = nullptr;
  SampleGridModel* model_ = nullptr;
  QMenu* AdvPopupMenuSampleOrRelevance_ = nullptr;
};
