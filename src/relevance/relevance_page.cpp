#include "relevance/relevance_page.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QPalette>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <limits>

#include "relevance/relevance_rtf.h"
#include "runtime/dialogs.h"
#include "runtime/file_problems.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/settings.h"
#include "ui_kit/copy_a_list_gui.h"
#include "ui_kit/folder_choose_dialog.h"
#include "ui_kit/folder_or_list_dialog.h"
#include "ui_kit/sample_rtf_dialog.h"
#include "ui_kit/text_viewer_window.h"

namespace {
constexpr int kHelp = 6040;
constexpr int kFilterHelp = 6350;
}  // namespace

// --- grid model ---

RelevanceGridModel::RelevanceGridModel(RelevanceResults* scores, QObject* parent)
    : QAbstractTableModel(parent), scores_(scores) {}

int RelevanceGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}
int RelevanceGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 5;
}

int RelevanceGridModel::ColumnPercent(int column) {
  static const int percents[5] = {5, 65, 10, 10, 10};
  return column >= 0 && column < 5 ? percents[column] : 0;
}

QString RelevanceGridModel::CellText(int row, int column) const {
  if (row < 0 || row >= rows_ || row >= scores_->Count()) return QString();
  const ScoredTextRec& r = scores_->GetOne(row);
  switch (column) {
    case 0:
      return Format(QStringLiteral("%6.0n"), {IntToSingle(row + 1)}).trimmed();
    case 1:
      return scores_->String(row);
    case 2:
      return Format(QStringLiteral("%5.1n"), {static_cast<double>(r.score)}).trimmed();
    case 3:
      return Format(QStringLiteral("%.0n"), {IntToSingle(r.words)});
    case 4:
      return Format(QStringLiteral("%.0n"), {IntToSingle(r.positive_terms)});
    default:
      return QString();
  }
}

QVariant RelevanceGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  // The file column shows the display form of the path; CellText keeps it.
  if (role == Qt::DisplayRole)
    return index.column() == 1 ? DisplayName(CellText(index.row(), 1))
                               : CellText(index.row(), index.column());
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter |
                               (index.column() == 1 ? Qt::AlignLeft : Qt::AlignRight));
  if (role == Qt::ToolTipRole && index.column() == 1) return DisplayName(CellText(index.row(), 1));
  return {};
}

QVariant RelevanceGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) {
    static const char* keys[5] = {"LXN", "LXFilename", "LXScore", "LXWords", "LXHitTypes"};
    return section >= 0 && section < 5 ? LX(keys[section]) : QString();
  }
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter | (section == 1 ? Qt::AlignLeft : Qt::AlignRight));
  return {};
}

void RelevanceGridModel::sort(int column, Qt::SortOrder order) {
  if (column < 1 || column > 4 || rows_ == 0) return;
  const bool ascending = order == Qt::AscendingOrder;
  Q_EMIT layoutAboutToBeChanged();
  switch (column) {
    case 1:
      scores_->SortOnStrings(ascending);
      break;
    case 2:
      scores_->SortOnSingle_Sort2String(ascending);
      break;
    case 3:
      scores_->SortOn_Int(1, ascending);
      break;
    case 4:
      scores_->SortOn_Int(2, ascending);
      break;
  }
  Q_EMIT layoutChanged();
}

void RelevanceGridModel::SetRowCount(int rows) {
  beginResetModel();
  rows_ = rows;
  endResetModel();
}

// --- page ---

RelevancePage::RelevancePage(PageHost* host, RelevanceFilterList* relevance_filters,
                             QWidget* parent, RelevanceResults* scores, RelevanceFilter* overall)
    : QWidget(parent), host_(host), filters_(relevance_filters) {
  setObjectName(QStringLiteral("RelevancePage"));
  if (!scores) {
    own_scores_ = std::make_unique<RelevanceResults>();
    scores = own_scores_.get();
  }
  if (!overall) {
    own_overall_ = std::make_unique<RelevanceFilter>();
    overall = own_overall_.get();
  }
  scores_ = scores;
  overall_ = overall;

  auto named = [](QWidget* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
  };
  ElFileNameEditFilterStrings = new PathEdit(PathEdit::Kind::ExistingFile, this);
  named(ElFileNameEditFilterStrings, "ElFileNameEditFilterStrings");
  ElFileNameEditFilterStrings->setNameFilter(QStringLiteral("Text files (*.txt);;All files (*)"));
  ElFileNameEditFilterStrings->setToolTip(
      tr("One term per line; after a tab: weight, group threshold, options (c n a w). See Help."));
  AdvGlowButtonRelevanceEdit = new QPushButton(QStringLiteral("Edit"), this);
  named(AdvGlowButtonRelevanceEdit, "AdvGlowButtonRelevanceEdit");
  AdvGlowButtonRelevanceCheck = new QPushButton(QStringLiteral("Check"), this);
  named(AdvGlowButtonRelevanceCheck, "AdvGlowButtonRelevanceCheck");

  AdvSpinEditRelevanceMinWords = new QSpinBox(this);
  named(AdvSpinEditRelevanceMinWords, "AdvSpinEditRelevanceMinWords");
  AdvSpinEditRelevanceMinWords->setRange(0, std::numeric_limits<int>::max());
  AdvSpinEditRelevanceMinWords->setSingleStep(10);
  AdvSpinEditRelevanceMinWords->setValue(200);
  AdvSpinEditSEgmentType = new QSpinBox(this);
  named(AdvSpinEditSEgmentType, "AdvSpinEditSEgmentType");
  AdvSpinEditSEgmentType->setRange(1, 10);
  AdvSpinEditSEgmentType->setValue(1);
  AdvSpinEditSEgmentType->setToolTip(QStringLiteral("text segments to consider "));
  AdvSpinEditRelevanceMinSegments = new QSpinBox(this);
  named(AdvSpinEditRelevanceMinSegments, "AdvSpinEditRelevanceMinSegments");
  AdvSpinEditRelevanceMinSegments->setRange(0, 10);
  AdvSpinEditRelevanceMinSegments->setValue(0);
  AdvSpinEditRelevanceMinSegments->setToolTip(QStringLiteral("coverage required"));
  LabelRelevanceMinSegments = new QLabel(QStringLiteral("coverage (%s)"), this);
  named(LabelRelevanceMinSegments, "LabelRelevanceMinSegments");
  LabelRelevanceMinSegments->setBuddy(AdvSpinEditRelevanceMinSegments);
  AdvSpinEditRelevanceFilterCopyMin = new QSpinBox(this);
  named(AdvSpinEditRelevanceFilterCopyMin, "AdvSpinEditRelevanceFilterCopyMin");
  AdvSpinEditRelevanceFilterCopyMin->setRange(-1000000, 1000000);
  AdvSpinEditRelevanceFilterCopyMin->setValue(0);
  AdvGlowButtonRelevanceFilter = new QPushButton(QStringLiteral("Filter relevant texts"), this);
  named(AdvGlowButtonRelevanceFilter, "AdvGlowButtonRelevanceFilter");
  AdvGlowButtonRelevanceFilter->setVisible(false);
  AdvGlowButtonRelevanceCOPYRTF = new QPushButton(QStringLiteral("RTF Sample"), this);
  named(AdvGlowButtonRelevanceCOPYRTF, "AdvGlowButtonRelevanceCOPYRTF");
  AdvGlowButtonRelevanceCOPYRTF->setVisible(false);

  model_ = new RelevanceGridModel(scores_, this);
  LXSimpleVirtualGridRelevance = new QTableView(this);
  named(LXSimpleVirtualGridRelevance, "LXSimpleVirtualGridRelevance");
  LXSimpleVirtualGridRelevance->setModel(model_);
  LXSimpleVirtualGridRelevance->setSelectionBehavior(QAbstractItemView::SelectRows);
  LXSimpleVirtualGridRelevance->setSelectionMode(QAbstractItemView::SingleSelection);
  LXSimpleVirtualGridRelevance->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LXSimpleVirtualGridRelevance->verticalHeader()->setVisible(false);
  LXSimpleVirtualGridRelevance->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  LXSimpleVirtualGridRelevance->horizontalHeader()->setHighlightSections(false);
  LXSimpleVirtualGridRelevance->setSortingEnabled(true);
  LXSimpleVirtualGridRelevance->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
  LXSimpleVirtualGridRelevance->setWordWrap(false);
  LXSimpleVirtualGridRelevance->setTextElideMode(Qt::ElideMiddle);
  LXSimpleVirtualGridRelevance->setContextMenuPolicy(Qt::CustomContextMenu);
  LXSimpleVirtualGridRelevance->viewport()->installEventFilter(this);

  AdvPopupMenuSampleOrRelevance = new QMenu(this);
  AdvPopupMenuSampleOrRelevance->setObjectName(QStringLiteral("AdvPopupMenuSampleOrRelevance"));
  Showthistext1 = AdvPopupMenuSampleOrRelevance->addAction(QStringLiteral("Show this text"));
  Showthistext1->setObjectName(QStringLiteral("Showthistext1"));
  RelevanceCopy2 = AdvPopupMenuSampleOrRelevance->addAction(QStringLiteral("Copy"));
  RelevanceCopy2->setObjectName(QStringLiteral("RelevanceCopy2"));
  Infoontextfile1 = AdvPopupMenuSampleOrRelevance->addAction(QStringLiteral("Info on text file"));
  Infoontextfile1->setObjectName(QStringLiteral("Infoontextfile1"));
  Infoontextfile1->setEnabled(false);

  // Layout: the file and its buttons, the numbers and the result buttons,
  // then the grid filling the rest.
  auto* top = new QGridLayout;
  top->addWidget(new QLabel(QStringLiteral("Filter strings"), this), 0, 0);
  top->addWidget(ElFileNameEditFilterStrings, 0, 1, 1, 7);
  top->addWidget(AdvGlowButtonRelevanceEdit, 0, 8);
  top->addWidget(AdvGlowButtonRelevanceCheck, 0, 9);
  top->addWidget(new QLabel(QStringLiteral("Min. word count"), this), 1, 0);
  top->addWidget(AdvSpinEditRelevanceMinWords, 1, 1);
  top->addWidget(new QLabel(QStringLiteral("segments"), this), 1, 2, Qt::AlignRight);
  top->addWidget(AdvSpinEditSEgmentType, 1, 3);
  top->addWidget(LabelRelevanceMinSegments, 1, 4, Qt::AlignRight);
  top->addWidget(AdvSpinEditRelevanceMinSegments, 1, 5);
  // The score threshold and the two actions on the results get a row of
  // their own, so that the page fits the window's default width.
  top->addWidget(new QLabel(QStringLiteral("Min. score"), this), 2, 0);
  top->addWidget(AdvSpinEditRelevanceFilterCopyMin, 2, 1);
  top->addWidget(AdvGlowButtonRelevanceFilter, 2, 8);
  top->addWidget(AdvGlowButtonRelevanceCOPYRTF, 2, 9);
  top->setColumnStretch(1, 1);
  top->setColumnStretch(7, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(LXSimpleVirtualGridRelevance, 1);

  connect(AdvGlowButtonRelevanceCheck, &QPushButton::clicked, this,
          &RelevancePage::AdvGlowButtonRelevanceCheckClick);
  connect(AdvGlowButtonRelevanceEdit, &QPushButton::clicked, this,
          &RelevancePage::AdvGlowButtonRelevanceEditClick);
  connect(AdvGlowButtonRelevanceFilter, &QPushButton::clicked, this,
          &RelevancePage::AdvGlowButtonRelevanceFilterClick);
  connect(AdvGlowButtonRelevanceCOPYRTF, &QPushButton::clicked, this,
          &RelevancePage::AdvGlowButtonRelevanceCOPYRTFClick);
  connect(AdvSpinEditSEgmentType, &QSpinBox::valueChanged, this,
          &RelevancePage::AdvSpinEditSEgmentTypeChange);
  connect(Showthistext1, &QAction::triggered, this, &RelevancePage::Showthistext1Click);
  connect(RelevanceCopy2, &QAction::triggered, this, &RelevancePage::RelevanceCopy2Click);
  connect(LXSimpleVirtualGridRelevance, &QTableView::customContextMenuRequested, this,
          &RelevancePage::ShowGridMenu);
  connect(LXSimpleVirtualGridRelevance, &QTableView::doubleClicked, this,
          [this] { Showthistext1Click(); });

  if (host_) {
    host_->RegisterStartControl(AdvGlowButtonRelevanceCheck);
    host_->RegisterStartControl(AdvGlowButtonRelevanceEdit);
    host_->RegisterStartControl(AdvGlowButtonRelevanceFilter);
    host_->RegisterStartControl(AdvGlowButtonRelevanceCOPYRTF);
    host_->AddStopHandler([this] { stop_.Request(); });
  }
}

RelevancePage::~RelevancePage() = default;

FolderOrListChooserDialog* RelevancePage::FolderOrListChooser() {
  if (!folder_or_list_) folder_or_list_ = new FolderOrListChooserDialog(this);
  return folder_or_list_;
}

FolderChooserDialog* RelevancePage::FolderChooser() {
  if (!folder_chooser_) folder_chooser_ = new FolderChooserDialog(this);
  return folder_chooser_;
}

SampleRtfDialog* RelevancePage::SampleRTFWindow() {
  if (!sample_rtf_) sample_rtf_ = new SampleRtfDialog(this);
  return sample_rtf_;
}

void RelevancePage::SetButtonsEnabled(bool enabled) {
  for (QPushButton* b : {AdvGlowButtonRelevanceEdit, AdvGlowButtonRelevanceCheck,
                         AdvGlowButtonRelevanceFilter, AdvGlowButtonRelevanceCOPYRTF})
    b->setEnabled(enabled);
}

void RelevancePage::AdvGlowButtonRelevanceCheckClick() {
  if (host_ && host_->ToolRunning()) return;
  stop_.Reset();
  global_panic_state = 0;
  const QString filter_file = ElFileNameEditFilterStrings->text().trimmed();
  if (filter_file.isEmpty() || !IsExistingFile(filter_file)) {
    filters_->Clear();
    FormNotFilled(LX("LXFilename"), kHelp);
    return;
  }
  // The grid lets go of the old results before they are cleared.
  model_->SetRowCount(0);
  scores_->Clear();
  RelevanceCheckParams params;
  params.segments = AdvSpinEditSEgmentType->value();
  params.coverage = std::clamp(AdvSpinEditRelevanceMinSegments->value(), 0, params.segments);
  params.min_words = AdvSpinEditRelevanceMinWords->value();
  params.min_score = AdvSpinEditRelevanceFilterCopyMin->value();
  if (host_) host_->ResetProgress(false);
  auto early_stop = [this] {
    if (host_) host_->ResetProgress(true);
  };
  filters_->SetSettings(SearchSettings{0, GetIgnoreTagsSpan()});
  if (LoadFiltersForCheck(filters_, filter_file) != FilterLoadOutcome::Ok) return early_stop();
  FolderOrListChooserDialog* chooser = FolderOrListChooser();
  if (chooser->exec() != QDialog::Accepted) return early_stop();
  params.input = chooser->InputChoices;
  last_input_ = params.input;

  SetButtonsEnabled(false);
  auto work = [this, params] {
    RelevanceCheckCallbacks cb;
    cb.stop = &stop_;
    cb.percent = [this](int p) {
      if (host_) host_->SetOverallProgress(p);
    };
    cb.status = [this](const QString& s) {
      if (host_) host_->ShowStatusText(s);
    };
    // Filled here on the worker and read by `done` on the window's thread
    // once the worker has finished.
    read_problems_.clear();
    cb.problem = [this](const FileProblem& p) { read_problems_.push_back(p); };
    const QStringList texts = GatherRelevanceTexts(params.input, &stop_, &read_problems_);
    ScoreRelevanceTexts(texts, *filters_, params, overall_, scores_, cb);
  };
  auto done = [this](bool /*ok*/) {
    SetButtonsEnabled(true);
    FilesWithProblems(CountOfFiles(QStringLiteral("Could not read %1:"), read_problems_.size()),
                      read_problems_, kHelp);
    overall_->files_meeting_requirements = scores_->Count();
    const bool any = scores_->Count() > 0;
    AdvGlowButtonRelevanceFilter->setVisible(any);
    AdvGlowButtonRelevanceCOPYRTF->setVisible(AdvGlowButtonRelevanceFilter->isVisibleTo(this));
    scores_->SortOnSingle_Sort2String(false);
    LXSimpleVirtualGridRelevance->horizontalHeader()->blockSignals(true);
    LXSimpleVirtualGridRelevance->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
    LXSimpleVirtualGridRelevance->horizontalHeader()->blockSignals(false);
    model_->SetRowCount(scores_->Count());
    if (any) LXSimpleVirtualGridRelevance->selectRow(0);
    if (host_) {
      host_->SetOverallProgress(0);
      host_->ResetProgress(true);
    }
    QApplication::restoreOverrideCursor();
    Q_EMIT CheckFinished();
  };
  if (!host_ || !host_->RunTool(QStringLiteral("relevance"), work, done)) {
    SetButtonsEnabled(true);
    early_stop();
  }
}

void RelevancePage::AdvSpinEditSEgmentTypeChange() {
  LabelRelevanceMinSegments->setText(CoverageLabel(AdvSpinEditSEgmentType->value()));
}

void RelevancePage::AdvGlowButtonRelevanceEditClick() {
  const QString file = ElFileNameEditFilterStrings->text().trimmed();
  if (file.isEmpty() || !IsExistingFile(file)) return;
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
}

void RelevancePage::AdvGlowButtonRelevanceFilterClick() {
  QString base;
  if (last_input_.file_or_folder == FileOrFolder::t_textfile) {
    FolderChooserDialog* chooser = FolderChooser();
    if (chooser->exec() != QDialog::Accepted) return;
    base = chooser->Choice;
  } else {
    base = last_input_.head_folder;
  }
  if (base.trimmed().isEmpty()) {
    FailedToFind(base, kHelp);
    return;
  }
  base = QDir::cleanPath(QFileInfo(base).absoluteFilePath());
  if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
  const int m = AdvSpinEditRelevanceFilterCopyMin->value();
  const QString target = base + LX("LXFiltered");
  const QString question = Format(
      LX("LXFilterXtoYQ"),
      {Format(LX("LXAnyScoringAtLeastX"), {Format(QStringLiteral("%d"), {m})}).toLower(), target});
  if (OKToDoX(question, kFilterHelp) != mrOK) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::vector<FileProblem> problems;
  const int copied = CopyFilteredTexts(*scores_, base, m, &problems);
  QApplication::restoreOverrideCursor();
  FilesWithProblems(CountOfFiles(QStringLiteral("Could not copy %1:"), problems.size()), problems,
                    kHelp);
  NFilesCopiedOrMoved(copied, false, target, kHelp);
}

ViewerFileDetails RelevancePage::RowDetails(int result_index) const {
  ViewerFileDetails d;
  if (result_index < 0 || result_index >= model_->rowCount()) return d;
  d.full_path = model_->CellText(result_index, 1);
  d.info1 = model_->CellText(result_index, 3);
  d.info2 = model_->CellText(result_index, 4);
  return d;
}

ViewerFileDetails RelevancePage::CurrentRowDetails() const {
  const QModelIndex current = LXSimpleVirtualGridRelevance->currentIndex();
  if (!current.isValid()) return {};
  return RowDetails(current.row());
}

void RelevancePage::ShowGridMenu(const QPoint& pos) {
  const QModelIndex at = LXSimpleVirtualGridRelevance->indexAt(pos);
  if (at.isValid()) LXSimpleVirtualGridRelevance->setCurrentIndex(at);
  AdvPopupMenuSampleOrRelevance->popup(LXSimpleVirtualGridRelevance->viewport()->mapToGlobal(pos));
}

bool RelevancePage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LXSimpleVirtualGridRelevance->viewport() && event->type() == QEvent::Resize)
    FitColumns();
  return QWidget::eventFilter(watched, event);
}

void RelevancePage::FitColumns() {
  const int width = LXSimpleVirtualGridRelevance->viewport()->width();
  for (int c = 0; c < 5; ++c)
    LXSimpleVirtualGridRelevance->setColumnWidth(
        c, width * RelevanceGridModel::ColumnPercent(c) / 100);
}

void RelevancePage::OpenInViewer(const ViewerFileDetails& details, bool with_keywords) {
  TextViewerWindow* viewer = host_ ? host_->SharedViewer() : nullptr;
  if (!viewer) return;
  auto* main_window = qobject_cast<QMainWindow*>(window());
  viewer->OpenAndShowAText(details, main_window ? main_window->statusBar() : nullptr);
  if (!with_keywords) return;
  // The positive terms go to the viewer with all their settings; negative
  // terms are neither searched nor listed there.
  viewer->SearchList().Clear();
  viewer->ClearKeywordList();
  QStringList typed;
  for (int i = 0; i < filters_->Count(); ++i) {
    const SearchTerm& term = filters_->GetASearchRec(i);
    if (term.Negative()) continue;
    viewer->SearchList().AddOne(term);
    typed << filters_->GetATypedInSW(i);
  }
  viewer->AddStringsToLeftListbox(typed);
}

void RelevancePage::Showthistext1Click() {
  const ViewerFileDetails details = CurrentRowDetails();
  if (details.full_path.isEmpty() || !IsExistingFile(details.full_path)) return;
  OpenInViewer(details, true);
}

void RelevancePage::RelevanceCopy2Click() { CopyAList(LXSimpleVirtualGridRelevance); }

void RelevancePage::AdvGlowButtonRelevanceCOPYRTFClick() {
  if (scores_->Count() == 0 || model_->rowCount() == 0) return;
  SampleRtfDialog* window = SampleRTFWindow();
  window->SampleRTF_choices.start_num =
      std::max(0, LXSimpleVirtualGridRelevance->currentIndex().row());
  if (window->exec() != QDialog::Accepted) return;
  const RtfSampleChoice choice = window->SampleRTF_choices;
  // The same files as sorvel-cli relevance --rtf writes, byte for byte.
  std::vector<FileProblem> problems;
  const int saved = SaveRelevanceRtfSample(*scores_, *filters_, choice, &problems);
  if (!problems.empty()) {
    QStringList lines;
    for (const FileProblem& p : problems) lines << p.file + QStringLiteral(": ") + p.reason;
    FailedToRead(lines.join(QStringLiteral("\r\n")), kHelp);
  }
  if (host_) host_->ShowStatusText(Format(LX("LXNFilesSaved"), {IntToSingle(saved)}));
}
