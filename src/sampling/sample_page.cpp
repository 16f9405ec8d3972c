#include "sampling/sample_page.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_details.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/run_summary.h"
#include "runtime/search_list.h"
#include "sampling/sample_grid_model.h"
#include "sampling/sampler.h"
#include "sampling/zipped_text_set.h"
#include "ui_kit/copy_a_list_gui.h"
#include "ui_kit/folder_edit_widget.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/page_host_gui.h"
#include "ui_kit/text_viewer_window.h"

SamplePage::SamplePage(PageHost* host, QStringList* sample, const TermList* relevance_terms,
                       QWidget* parent)
    : QWidget(parent), host_(host), sample_(sample), relevance_terms_(relevance_terms) {
  setObjectName(QStringLiteral("SamplePage"));
  SetHelpContext(this, kSamplerHelpContext);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(BuildSettings());
  BuildGrid();
  outer->addWidget(grid_, 1);
  if (host_) {
    host_->RegisterStartControl(from_folder_button_);
    host_->RegisterStartControl(from_list_button_);
    host_->RegisterStartControl(zip_button_);
    host_->AddStopHandler([this] { corpus_walker_.Stop(); });
  }
  OpenSavedFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

SamplePage::~SamplePage() = default;

QWidget* SamplePage::BuildSettings() {
  // The settings and the buttons that act on them, on one panel above the
  // grid.
  auto* settings = new QWidget(this);
  settings->setObjectName(QStringLiteral("AdvOfficePageSampleSettings"));
  auto* layout = new QGridLayout(settings);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* form = new QFormLayout;
  sample_size_edit_ = new QSpinBox(settings);
  sample_size_edit_->setObjectName(QStringLiteral("AdvSpinEditSample"));
  sample_size_edit_->setRange(0, 999999999);
  sample_size_edit_->setGroupSeparatorShown(true);
  sample_size_edit_->setValue(100);
  sample_size_edit_->setToolTip(
      tr("How many texts to draw. When the chosen region holds fewer, all of them are taken."));
  form->addRow(tr("sample size"), sample_size_edit_);
  file_types_combo_ = new QComboBox(settings);
  file_types_combo_->setObjectName(QStringLiteral("myAdvFilterComboSample"));
  file_types_combo_->addItems(FileTypeCaptions());
  file_types_combo_->setCurrentIndex(0);
  form->addRow(tr("File-types"), file_types_combo_);
  source_folder_edit_ = new FolderEdit(QStringLiteral("MyOpenFolderDialogSampleSource"),
                                       tr("Source folder"), settings);
  source_folder_edit_->setPlaceholderText(tr("folder of texts to sample"));
  source_folder_edit_->setToolTip(
      tr("Every file under this folder, sub-folders included, except folders named FILTERS"));
  form->addRow(tr("Source folder"), source_folder_edit_);
  layout->addLayout(form, 0, 0);

  auto* group = new QGroupBox(tr("preference"), settings);
  group->setObjectName(QStringLiteral("AdvOfficeRadioGroupRandomSample"));
  group->setToolTip(
      tr("Where in the source, in name order (or in the list's order), the texts "
         "are drawn from. With none chosen, anywhere."));
  auto* radios = new QGridLayout(group);
  preference_group_ = new QButtonGroup(group);
  preference_group_->setExclusive(true);
  const QString items[] = {tr("top quarter"), tr("middle quarter"), tr("bottom quarter"),
                           tr("anywhere")};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(items[i], group);
    radio->setObjectName(QStringLiteral("RadioSamplePreference%1").arg(i));
    preference_group_->addButton(radio, i);
    radios->addWidget(radio, i / 2, i % 2);  // two columns
  }
  layout->addWidget(group, 0, 1);
  layout->setColumnStretch(0, 3);
  layout->setColumnStretch(1, 2);

  auto* buttons = new QHBoxLayout;
  auto button = [&](const char* name, const QString& caption, const QString& tip) {
    auto* b = new QPushButton(caption, settings);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    buttons->addWidget(b);
    return b;
  };
  from_folder_button_ =
      button("AdvGlowButtonRandomSampleFromFolder", tr("Random sample from &folder"),
             tr("Draw the sample from the files of the source folder (Alt+F)"));
  from_list_button_ =
      button("AdvGlowButtonRandomSampleFromList", tr("Random sample from a &list"),
             tr("Draw the sample from the lines of a list file of text paths (Alt+L)"));
  zip_button_ = button("AdvGlowButtonZippedListOfSample", tr("Save &zipped text set"),
                       tr("Pack the sample into one ZIP archive: a numbered list, the texts "
                          "joined into one, and the texts themselves (Alt+Z)"));
  buttons->addStretch(1);
  layout->addLayout(buttons, 1, 0, 1, 2);
  connect(from_folder_button_, &QPushButton::clicked, this, &SamplePage::SampleFromFolder);
  connect(from_list_button_, &QPushButton::clicked, this, &SamplePage::SampleFromList);
  connect(zip_button_, &QPushButton::clicked, this, &SamplePage::SaveZippedTextSetAs);
  return settings;
}

void SamplePage::BuildGrid() {
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("LXSimpleVirtualGridSample"));
  model_ = new SampleGridModel(sample_, grid_);
  grid_->setModel(model_);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->setShowGrid(true);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setWordWrap(false);
  grid_->setTextElideMode(Qt::ElideMiddle);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QWidget::customContextMenuRequested, this, &SamplePage::ShowGridMenu);
  connect(grid_, &QAbstractItemView::doubleClicked, this, [this] { ShowSelectedText(); });

  grid_menu_ = new QMenu(this);
  grid_menu_->setObjectName(QStringLiteral("AdvPopupMenuSampleOrRelevance"));
  QAction* show = grid_menu_->addAction(tr("Show this text"));
  show->setObjectName(QStringLiteral("Showthistext1"));
  connect(show, &QAction::triggered, this, &SamplePage::ShowSelectedText);
  QAction* copy = grid_menu_->addAction(tr("Copy"));
  copy->setObjectName(QStringLiteral("RelevanceCopy2"));
  connect(copy, &QAction::triggered, this, &SamplePage::CopySample);
  FitColumns();
  // The window's focus-driven Copy gives the same text as this menu's Copy.
  SetCopyTextProvider(
      grid_, [this] { return AllText(); }, kSamplerHelpContext);
}

void SamplePage::ShowGridMenu(const QPoint& pos) {
  grid_menu_->popup(grid_->viewport()->mapToGlobal(pos));
}

void SamplePage::FitColumns() {
  // Width shares: 8 % for the row number, the rest for the file name.
  const int w = grid_->viewport()->width();
  grid_->setColumnWidth(
      0, qMax(grid_->fontMetrics().horizontalAdvance(QStringLiteral("000,000")) + 8, w * 8 / 100));
}

void SamplePage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitColumns();
}

SampleSpread SamplePage::SamplePreference() const {
  return SamplePreferenceFromIndex(preference_group_->checkedId());
}

void SamplePage::SetBusy(bool busy) {
  grid_->setEnabled(!busy);
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void SamplePage::RunFinished(const QStringList& result, bool report_too_few) {
  *sample_ = result;
  model_->Reload();
  Q_EMIT SampleReplaced();
  if (report_too_few && sample_->isEmpty())
    ReportedAFact(Format(LX("LXXTextFiles"), {LX("LXTooFew")}), kSamplerHelpContext);
}

void SamplePage::SampleFromFolder() {
  if (host_->ToolRunning()) return;
  const QString folder = QDir::fromNativeSeparators(source_folder_edit_->text().trimmed());
  if (folder.isEmpty()) {
    FormNotFilled(Format(QStringLiteral("%s?"), {LX("LXFolder")}), kSamplerHelpContext);
    return;
  }
  if (!IsExistingFolder(folder)) {
    host_->ShowRunSummary(FolderNotFoundSummary(folder));
    FailedToFind(DisplayName(folder), kSamplerHelpContext);
    return;
  }
  const QString mask = FileTypeMaskAt(file_types_combo_->currentIndex());
  const std::int64_t size = sample_size_edit_->value();
  const SampleSpread preference = SamplePreference();
  const auto run_seed = seed;
  auto result = std::make_shared<QStringList>();
  auto count = std::make_shared<SampleRunCount>();
  PageHost* host = host_;
  SetBusy(true);
  const bool started = host_->RunTool(
      tr("Corpus Sampler"),
      [this, host, folder, mask, size, preference, run_seed, result, count] {
        SampleProgress progress;
        progress.percent = [host](int p) { host->SetOverallProgress(p); };
        progress.status = [host](const QString& s) { host->ShowStatusText(s); };
        *result = RandomSampleFromFolder(corpus_walker_, folder, mask, size, preference, run_seed,
                                         progress);
        count->source = corpus_walker_.FilesFound().Count();
        count->drawn = result->size();
        count->stopped = corpus_walker_.Stopped() || global_panic_state.load() >= 2;
      },
      [this, result, count](bool ok) {
        SetBusy(false);
        host_->ResetProgress(true);
        if (!ok) return;
        host_->ShowRunSummary(SampleRunSummary(*count));
        // A stopped walk saw only part of the folder: a sample of that part
        // would not be a sample of the folder, so the old one stays.
        if (!count->stopped) RunFinished(*result, true);
      });
  if (!started) SetBusy(false);
}

void SamplePage::SampleFromList() {
  const QString path = QFileDialog::getOpenFileName(
      this, tr("Random sample from a list"), QString(), tr("Text files (*.txt);;All files (*.*)"));
  if (path.isEmpty()) return;
  SampleFromListFile(path);
}

void SamplePage::SampleFromListFile(const QString& path) {
  if (path.isEmpty() || host_->ToolRunning()) return;
  const std::int64_t size = sample_size_edit_->value();
  const SampleSpread preference = SamplePreference();
  const auto run_seed = seed;
  auto result = std::make_shared<QStringList>();
  auto count = std::make_shared<SampleRunCount>();
  count->from_list = true;
  auto failure = std::make_shared<QString>();
  SetBusy(true);
  const bool started = host_->RunTool(
      tr("Corpus Sampler"),
      [path, size, preference, run_seed, result, count, failure] {
        QStringList lines;
        try {
          lines = ReadListFileLines(path);
        } catch (const FileReadError& e) {
          *failure = e.Message();
          return;
        }
        // The reduce question is asked from here and shown by the window.
        *result = RandomSampleFromList(lines, size, preference, run_seed, kSamplerHelpContext);
        count->source = lines.size();
        count->drawn = result->size();
      },
      [this, path, result, count, failure](bool ok) {
        SetBusy(false);
        host_->ResetProgress(true);
        if (!ok) return;
        if (!failure->isEmpty()) {
          host_->ShowRunSummary(CheckedSummary(0, tr("the list file could not be read"),
                                               QStringLiteral("line"), QStringLiteral("lines")));
          FailedToRead(DisplayName(path), kSamplerHelpContext);
          return;
        }
        host_->ShowRunSummary(SampleRunSummary(*count));
        RunFinished(*result, false);
      });
  if (!started) SetBusy(false);
}

void SamplePage::SaveZippedTextSetAs() {
  QFileDialog dialog(this, tr("Save zipped text set"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("zip"));
  dialog.setNameFilters({tr("Zip files (*.zip)"), tr("All files (*.*)")});
  // Replacing an existing file is asked about once, by SaveZippedTextSet.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveZippedTextSet(dialog.selectedFiles().first());
}

void SamplePage::SaveZippedTextSet(const QString& zip_path) {
  if (zip_path.isEmpty() || host_->ToolRunning()) return;
  const QString refusal =
      ArchiveOverSampledFolderRefusal(zip_path, source_folder_edit_->text().trimmed());
  if (!refusal.isEmpty()) {
    ReportedAFact(refusal, kSamplerHelpContext);
    return;
  }
  const QFileInfo target(zip_path);
  const bool replace = target.exists() || target.isSymLink();
  if (replace && OKToDoX(tr("replace %1").arg(DisplayName(zip_path)), kSamplerHelpContext) != mrOK)
    return;
  const QStringList sample = *sample_;
  auto failure = std::make_shared<QString>();
  auto outcome = std::make_shared<ZippedTextSetOutcome>();
  SetBusy(true);
  const bool started = host_->RunTool(
      tr("Save zipped text set"),
      [host = host_, sample, zip_path, failure, outcome, replace] {
        try {
          *outcome = WriteZippedTextSet(
              sample, zip_path,
              [host](long long done, long long total) { host->ShowCountOutOf(done, total); },
              replace);
        } catch (const SorvelError& e) {
          *failure = e.Message();
        }
      },
      [this, sample, zip_path, failure, outcome](bool ok) {
        SetBusy(false);
        host_->ResetProgress(true);
        if (!ok) return;
        host_->ShowRunSummary(
            ZippedTextSetSummary(sample.size(), *outcome, zip_path, failure->isEmpty()));
        if (!failure->isEmpty()) {
          ReportedAFact(*failure, kSamplerHelpContext);
          return;
        }
        if (SavedOKOpenNow(DisplayName(zip_path), kSamplerHelpContext) == mrYes && OpenSavedFile)
          OpenSavedFile(zip_path);
      });
  if (!started) SetBusy(false);
}

QString SamplePage::SelectedSampleFile() const {
  const QModelIndex cur = grid_->currentIndex();
  if (!cur.isValid()) return {};
  return model_->EntryAt(cur.row());
}

void SamplePage::ShowSelectedText() {
  const QString path = SelectedSampleFile();
  if (path.isEmpty() || !IsExistingFile(path)) return;
  TextViewerWindow* viewer = host_ ? host_->SharedViewer() : nullptr;
  if (!viewer) return;
  // The file name is the only detail: the two information texts stay empty.
  ViewerFileDetails details;
  details.full_path = path;
  auto* main_window = qobject_cast<QMainWindow*>(window());
  if (!viewer->OpenAndShowAText(details, main_window ? main_window->statusBar() : nullptr)) return;
  // The relevance terms go to the viewer with all their settings, as the
  // relevance page hands them over, and are highlighted.
  if (viewer->UseSearchTerms(relevance_terms_ ? *relevance_terms_ : TermList()) > 0)
    viewer->HighlightAnyKWS();
}

QString SamplePage::AllText() const {
  QString out = model_->headerData(0, Qt::Horizontal).toString() + QLatin1Char('\t') +
                model_->headerData(1, Qt::Horizontal).toString() + QStringLiteral("\r\n");
  for (int r = 0; r < model_->rowCount(); ++r)
    out += model_->index(r, 0).data().toString().trimmed() + QLatin1Char('\t') +
           model_->EntryAt(r) + QStringLiteral("\r\n");
  return out;
}

void SamplePage::CopySample() {
  const QString text = AllText();
  if (CopyAList) {
    CopyAList(text, kSamplerHelpContext);
    return;
  }
  CopyTextAsAList(text, kSamplerHelpContext);
}
