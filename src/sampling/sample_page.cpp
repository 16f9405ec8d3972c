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
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
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
#include "sampling/sample_grid_model.h"
#include "sampling/sampler.h"
#include "sampling/zipped_text_set.h"
#include "ui_kit/copy_a_list_gui.h"
#include "ui_kit/folder_edit_widget.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/page_host_gui.h"
#include "ui_kit/text_viewer_window.h"

namespace {}

SamplePage::SamplePage(PageHost* host, QStringList* SampleFileslist, QWidget* parent)
    : QWidget(parent), host_(host), SampleFileslist_(SampleFileslist) {
  setObjectName(QStringLiteral("SamplePage"));
  BuildControls();
  if (host_) {
    host_->RegisterStartControl(AdvGlowButtonRandomSampleFromFolder_);
    host_->RegisterStartControl(AdvGlowButtonRandomSampleFromList_);
    host_->RegisterStartControl(AdvGlowButtonZippedListOfSample_);
    host_->AddStopHandler([this] { FileAndDirIteratorCorpus_.Stop(); });
  }
  OpenSavedFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

SamplePage::~SamplePage() = default;

void SamplePage::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  pager_ = new QTabWidget(this);
  pager_->setObjectName(QStringLiteral("AdvOfficePagerSample"));
  pager_->setDocumentMode(true);

  // Inner page "Sample settings".
  auto* settings = new QWidget(pager_);
  settings->setObjectName(QStringLiteral("AdvOfficePageSampleSettings"));
  auto* sg = new QGridLayout(settings);
  auto* form = new QFormLayout;
  AdvSpinEditSample_ = new QSpinBox(settings);
  AdvSpinEditSample_->setObjectName(QStringLiteral("AdvSpinEditSample"));
  AdvSpinEditSample_->setRange(0, 999999999);
  AdvSpinEditSample_->setGroupSeparatorShown(true);
  AdvSpinEditSample_->setValue(100);
  form->addRow(tr("sample size"), AdvSpinEditSample_);
  myAdvFilterComboSample_ = new QComboBox(settings);
  myAdvFilterComboSample_->setObjectName(QStringLiteral("myAdvFilterComboSample"));
  myAdvFilterComboSample_->addItems(FileTypeCaptions());
  myAdvFilterComboSample_->setCurrentIndex(0);
  form->addRow(tr("File-types"), myAdvFilterComboSample_);
  MyOpenFolderDialogSampleSource_ = new FolderEdit(QStringLiteral("MyOpenFolderDialogSampleSource"),
                                                   tr("Source folder"), settings);
  MyOpenFolderDialogSampleSource_->setPlaceholderText(tr("folder of texts to sample"));
  form->addRow(tr("Source folder"), MyOpenFolderDialogSampleSource_);
  sg->addLayout(form, 0, 0);

  auto* group = new QGroupBox(tr("preference"), settings);
  group->setObjectName(QStringLiteral("AdvOfficeRadioGroupRandomSample"));
  auto* gl = new QGridLayout(group);
  AdvOfficeRadioGroupRandomSample_ = new QButtonGroup(group);
  AdvOfficeRadioGroupRandomSample_->setExclusive(true);
  const QString items[] = {tr("top quarter"), tr("middle quarter"), tr("bottom quarter"),
                           tr("anywhere")};
  for (int i = 0; i < 4; ++i) {
    auto* rb = new QRadioButton(items[i], group);
    rb->setObjectName(QStringLiteral("RadioSamplePreference%1").arg(i));
    AdvOfficeRadioGroupRandomSample_->addButton(rb, i);
    gl->addWidget(rb, i / 2, i % 2);  // two columns
  }
  sg->addWidget(group, 0, 1);
  sg->setColumnStretch(0, 3);
  sg->setColumnStretch(1, 2);
  SetHelpContext(settings, kSamplerHelpContext);
  pager_->addTab(settings, tr("Sample settings"));

  // Inner page "Actions".
  auto* actions = new QWidget(pager_);
  actions->setObjectName(QStringLiteral("AdvOfficePageSampleActions"));
  auto* al = new QHBoxLayout(actions);
  auto button = [&](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, actions);
    b->setObjectName(QString::fromLatin1(name));
    al->addWidget(b);
    return b;
  };
  AdvGlowButtonRandomSampleFromFolder_ =
      button("AdvGlowButtonRandomSampleFromFolder", tr("Random sample from folder"));
  AdvGlowButtonRandomSampleFromList_ =
      button("AdvGlowButtonRandomSampleFromList", tr("Random sample from a list"));
  AdvGlowButtonZippedListOfSample_ =
      button("AdvGlowButtonZippedListOfSample", tr("Save zipped text set"));
  al->addStretch(1);
  SetHelpContext(actions, kSamplerHelpContext);
  pager_->addTab(actions, tr("Actions"));
  pager_->setCurrentIndex(0);
  pager_->setMaximumHeight(pager_->sizeHint().height());
  outer->addWidget(pager_);

  connect(AdvGlowButtonRandomSampleFromFolder_, &QPushButton::clicked, this,
          &SamplePage::AdvGlowButtonRandomSampleFromFolderClick);
  connect(AdvGlowButtonRandomSampleFromList_, &QPushButton::clicked, this,
          &SamplePage::AdvGlowButtonRandomSampleFromListClick);
  connect(AdvGlowButtonZippedListOfSample_, &QPushButton::clicked, this,
          &SamplePage::AdvGlowButtonZippedListOfSampleClick);

  // The sample grid.
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("LXSimpleVirtualGridSample"));
  model_ = new SampleGridModel(SampleFileslist_, grid_);
  grid_->setModel(model_);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->setShowGrid(true);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setWordWrap(false);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QWidget::customContextMenuRequested, this, &SamplePage::ShowGridMenu);
  connect(grid_, &QAbstractItemView::doubleClicked, this, [this] { Showthistext1Click(); });
  outer->addWidget(grid_, 1);

  AdvPopupMenuSampleOrRelevance_ = new QMenu(this);
  AdvPopupMenuSampleOrRelevance_->setObjectName(QStringLiteral("AdvPopupMenuSampleOrRelevance"));
  QAction* show = AdvPopupMenuSampleOrRelevance_->addAction(tr("Show this text"));
  show->setObjectName(QStringLiteral("Showthistext1"));
  connect(show, &QAction::triggered, this, &SamplePage::Showthistext1Click);
  QAction* copy = AdvPopupMenuSampleOrRelevance_->addAction(tr("Copy"));
  copy->setObjectName(QStringLiteral("RelevanceCopy2"));
  connect(copy, &QAction::triggered, this, &SamplePage::SampleCopyClick);
  FitColumns();
  // The window's focus-driven Copy gives the same text as this menu's Copy.
  SetCopyTextProvider(
      grid_, [this] { return AllText(); }, kSamplerHelpContext);
}

void SamplePage::ShowGridMenu(const QPoint& pos) {
  AdvPopupMenuSampleOrRelevance_->popup(grid_->viewport()->mapToGlobal(pos));
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
  return SamplePreferenceFromIndex(AdvOfficeRadioGroupRandomSample_->checkedId());
}

int SamplePage::ActiveHelpContext() const { return kSamplerHelpContext; }

void SamplePage::SetBusy(bool busy) {
  grid_->setEnabled(!busy);
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void SamplePage::RunFinished(const QStringList& result, bool report_too_few) {
  *SampleFileslist_ = result;
  model_->SetRowCountAndLineHeight();
  if (host_) {
    host_->ResetProgress(true);
    host_->ShowStatusText(QString());
  }
  Q_EMIT SampleReplaced();
  if (report_too_few && SampleFileslist_->isEmpty())
    ReportedAFact(Format(LX("LXXTextFiles"), {LX("LXTooFew")}), kSamplerHelpContext);
}

void SamplePage::AdvGlowButtonRandomSampleFromFolderClick() {
  const QString folder = MyOpenFolderDialogSampleSource_->text().trimmed();
  if (folder.isEmpty()) {
    pager_->setCurrentIndex(0);
    FormNotFilled(Format(QStringLiteral("%s?"), {LX("LXFolder")}), kSamplerHelpContext);
    return;
  }
  const QString mask = FileTypeMaskAt(myAdvFilterComboSample_->currentIndex());
  const std::int64_t size = AdvSpinEditSample_->value();
  const SampleSpread pref = SamplePreference();
  const auto run_seed = seed;
  auto result = std::make_shared<QStringList>();
  PageHost* host = host_;
  SetBusy(true);
  const bool started = host_->RunTool(
      tr("Corpus Sampler"),
      [this, host, folder, mask, size, pref, run_seed, result] {
        SampleProgress progress;
        progress.percent = [host](int p) { host->SetOverallProgress(p); };
        progress.status = [host](const QString& s) { host->ShowStatusText(s); };
        *result =
            RandomSampleFromFolder(FileAndDirIteratorCorpus_, QDir::fromNativeSeparators(folder),
                                   mask, size, pref, run_seed, progress);
      },
      [this, result](bool ok) {
        SetBusy(false);
        if (ok) RunFinished(*result, true);
      });
  if (!started) SetBusy(false);
}

void SamplePage::AdvGlowButtonRandomSampleFromListClick() {
  const QString path = QFileDialog::getOpenFileName(
      this, tr("Random sample from a list"), QString(), tr("Text files (*.txt);;All files (*.*)"));
  if (path.isEmpty()) return;
  RandomSampleFromListFile(path);
}

void SamplePage::RandomSampleFromListFile(const QString& path) {
  if (path.isEmpty()) return;
  const std::int64_t size = AdvSpinEditSample_->value();
  const SampleSpread pref = SamplePreference();
  const auto run_seed = seed;
  auto result = std::make_shared<QStringList>();
  auto failure = std::make_shared<QString>();
  SetBusy(true);
  const bool started = host_->RunTool(
      tr("Corpus Sampler"),
      [path, size, pref, run_seed, result, failure] {
        QStringList lines;
        try {
          lines = ReadListFileLines(path);
        } catch (const FileReadError& e) {
          *failure = e.Message();
          return;
        }
        // The reduce question is asked from here and shown by the window.
        *result = RandomSampleFromList(lines, size, pref, run_seed, kSamplerHelpContext);
      },
      [this, path, result, failure](bool ok) {
        SetBusy(false);
        if (!ok) return;
        if (!failure->isEmpty()) {
          if (host_) host_->ResetProgress(true);
          FailedToRead(path, kSamplerHelpContext);
          return;
        }
        RunFinished(*result, false);
      });
  if (!started) SetBusy(false);
}

void SamplePage::AdvGlowButtonZippedListOfSampleClick() {
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
  if (zip_path.isEmpty()) return;
  const QString refusal =
      ArchiveOverSampledFolderRefusal(zip_path, MyOpenFolderDialogSampleSource_->text().trimmed());
  if (!refusal.isEmpty()) {
    ReportedAFact(refusal, kSamplerHelpContext);
    return;
  }
  const QFileInfo target(zip_path);
  const bool replace = target.exists() || target.isSymLink();
  if (replace &&
      OKToDoX(tr("%1 exists already. Replace it?").arg(zip_path), kSamplerHelpContext) != mrOK)
    return;
  const QStringList sample = *SampleFileslist_;
  auto failure = std::make_shared<QString>();
  SetBusy(true);
  const bool started = host_->RunTool(
      tr("Save zipped text set"),
      [sample, zip_path, failure, replace] {
        try {
          WriteZippedTextSet(sample, zip_path, {}, replace);
        } catch (const SorvelError& e) {
          *failure = e.Message();
        }
      },
      [this, zip_path, failure](bool ok) {
        SetBusy(false);
        if (host_) host_->ResetProgress(true);
        if (!ok) return;
        if (!failure->isEmpty()) {
          ReportedAFact(*failure, kSamplerHelpContext);
          return;
        }
        if (SavedOKOpenNow(zip_path, kSamplerHelpContext) == mrYes && OpenSavedFile)
          OpenSavedFile(zip_path);
      });
  if (!started) SetBusy(false);
}

QString SamplePage::SelectedSampleFile() const {
  const QModelIndex cur = grid_->currentIndex();
  if (!cur.isValid()) return {};
  return model_->EntryAt(cur.row());
}

void SamplePage::Showthistext1Click() {
  const QString name = SelectedSampleFile();
  if (name.isEmpty() || !IsExistingFile(name)) return;
  ShowTextInViewer(name);
}

void SamplePage::ShowTextInViewer(const QString& path) {
  const QStringList terms = RelevanceSearchTerms ? RelevanceSearchTerms() : QStringList();
  if (ShowText) {
    ShowText(path, terms);
    return;
  }
  TextViewerWindow* viewer = host_ ? host_->SharedViewer() : nullptr;
  if (!viewer) return;
  // The file name is the only detail: the two information texts stay empty.
  ViewerFileDetails details;
  details.full_path = path;
  viewer->AddStringsToLeftListbox(terms);
  if (viewer->OpenAndShowAText(details) && !terms.isEmpty()) viewer->HighlightAnyKWS();
}

QString SamplePage::AllText() const {
  QString out = model_->headerData(0, Qt::Horizontal).toString() + QLatin1Char('\t') +
                model_->headerData(1, Qt::Horizontal).toString() + QStringLiteral("\r\n");
  for (int r = 0; r < model_->rowCount(); ++r)
    out += model_->index(r, 0).data().toString().trimmed() + QLatin1Char('\t') +
           model_->EntryAt(r) + QStringLiteral("\r\n");
  return out;
}

void SamplePage::SampleCopyClick() {
  const QString text = AllText();
  if (CopyAList) {
    CopyAList(text, kSamplerHelpContext);
    return;
  }
  CopyTextAsAList(text, kSamplerHelpContext);
}
