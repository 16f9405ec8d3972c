#include "relevance/relevance_page.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
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
#include "runtime/run_summary.h"
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
  BuildControls();
  BuildGrid();
  LayOut();
  Connect();
  UpdateCoverageLabel();
}

RelevancePage::~RelevancePage() = default;

namespace {

template <typename W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QSpinBox* MakeSpin(QWidget* parent, const char* name, int minimum, int maximum, int value,
                   const QString& tip) {
  auto* spin = Named(new QSpinBox(parent), name);
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  spin->setToolTip(tip);
  return spin;
}

}  // namespace

void RelevancePage::BuildControls() {
  filter_file_edit =
      Named(new PathEdit(PathEdit::Kind::ExistingFile, this), "ElFileNameEditFilterStrings");
  filter_file_edit->setNameFilter(QStringLiteral("Text files (*.txt);;All files (*)"));
  filter_file_edit->setToolTip(
      tr("One term per line; after a tab: weight, group threshold, options (c n a w). See Help."));
  edit_button = Named(new QPushButton(QStringLiteral("&Edit"), this), "AdvGlowButtonRelevanceEdit");
  edit_button->setToolTip(QStringLiteral("Open the filter file in your text editor"));
  check_button =
      Named(new QPushButton(QStringLiteral("&Check"), this), "AdvGlowButtonRelevanceCheck");

  min_words_spin =
      MakeSpin(this, "AdvSpinEditRelevanceMinWords", 0, std::numeric_limits<int>::max(), 200,
               QStringLiteral("Texts with fewer words are not listed"));
  min_words_spin->setSingleStep(10);
  segments_spin = MakeSpin(
      this, "AdvSpinEditSEgmentType", 1, 10, 1,
      QStringLiteral("Each text is cut into this many equal parts, to see how evenly the terms "
                     "are spread over it"));
  coverage_spin =
      MakeSpin(this, "AdvSpinEditRelevanceMinSegments", 0, 10, 0,
               QStringLiteral("How many of the parts must hold a term for the text to score at all "
                              "(0: any)"));
  coverage_label = Named(new QLabel(this), "LabelRelevanceMinSegments");
  coverage_label->setBuddy(coverage_spin);
  min_score_spin = MakeSpin(
      this, "AdvSpinEditRelevanceFilterCopyMin", -1000000, 1000000, 0,
      QStringLiteral("The least score of a listed text, and of a text that Filter relevant texts "
                     "copies: weighted term hits per 100 words"));
  filter_button = Named(new QPushButton(QStringLiteral("&Filter relevant texts"), this),
                        "AdvGlowButtonRelevanceFilter");
  filter_button->setVisible(false);
  rtf_button =
      Named(new QPushButton(QStringLiteral("RTF Sa&mple"), this), "AdvGlowButtonRelevanceCOPYRTF");
  rtf_button->setVisible(false);
}

void RelevancePage::BuildGrid() {
  model_ = new RelevanceGridModel(scores_, this);
  grid = Named(new QTableView(this), "LXSimpleVirtualGridRelevance");
  grid->setModel(model_);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->verticalHeader()->setVisible(false);
  grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->setSortingEnabled(true);
  grid->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
  grid->setWordWrap(false);
  grid->setTextElideMode(Qt::ElideMiddle);
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  grid->viewport()->installEventFilter(this);

  grid_menu = Named(new QMenu(this), "AdvPopupMenuSampleOrRelevance");
  show_text_action = grid_menu->addAction(QStringLiteral("Show this text"));
  show_text_action->setObjectName(QStringLiteral("Showthistext1"));
  copy_action = grid_menu->addAction(QStringLiteral("Copy"));
  copy_action->setObjectName(QStringLiteral("RelevanceCopy2"));
  info_action = grid_menu->addAction(QStringLiteral("Info on text file"));
  info_action->setObjectName(QStringLiteral("Infoontextfile1"));
  info_action->setEnabled(false);
}

void RelevancePage::LayOut() {
  // The file and its buttons, the numbers and the result buttons, then the
  // grid filling the rest.
  auto* top = new QGridLayout;
  auto* filter_label = new QLabel(QStringLiteral("Filter &strings"), this);
  filter_label->setBuddy(filter_file_edit);
  top->addWidget(filter_label, 0, 0);
  top->addWidget(filter_file_edit, 0, 1, 1, 7);
  top->addWidget(edit_button, 0, 8);
  top->addWidget(check_button, 0, 9);
  auto* words_label = new QLabel(QStringLiteral("Min. &word count"), this);
  words_label->setBuddy(min_words_spin);
  top->addWidget(words_label, 1, 0);
  top->addWidget(min_words_spin, 1, 1);
  auto* segments_label = new QLabel(QStringLiteral("segments"), this);
  segments_label->setBuddy(segments_spin);
  segments_label->setToolTip(segments_spin->toolTip());
  top->addWidget(segments_label, 1, 2, Qt::AlignRight);
  top->addWidget(segments_spin, 1, 3);
  top->addWidget(coverage_label, 1, 4, Qt::AlignRight);
  top->addWidget(coverage_spin, 1, 5);
  // The score threshold and the two actions on the results get a row of
  // their own, so that the page fits the window's default width.
  auto* score_label = new QLabel(QStringLiteral("Min. sc&ore"), this);
  score_label->setBuddy(min_score_spin);
  top->addWidget(score_label, 2, 0);
  top->addWidget(min_score_spin, 2, 1);
  top->addWidget(filter_button, 2, 8);
  top->addWidget(rtf_button, 2, 9);
  top->setColumnStretch(1, 1);
  top->setColumnStretch(7, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(grid, 1);
}

void RelevancePage::Connect() {
  connect(check_button, &QPushButton::clicked, this, &RelevancePage::Check);
  // Return in the filter-strings field checks, as the button does (the texts
  // are chosen next).
  connect(filter_file_edit->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    if (check_button->isEnabled()) Check();
  });
  connect(edit_button, &QPushButton::clicked, this, &RelevancePage::EditFilterFile);
  connect(filter_button, &QPushButton::clicked, this, &RelevancePage::CopyRelevantTexts);
  connect(rtf_button, &QPushButton::clicked, this, &RelevancePage::SaveRtfSample);
  connect(segments_spin, &QSpinBox::valueChanged, this, &RelevancePage::UpdateCoverageLabel);
  connect(show_text_action, &QAction::triggered, this, &RelevancePage::ShowCurrentText);
  connect(copy_action, &QAction::triggered, this, &RelevancePage::CopyList);
  connect(grid, &QTableView::customContextMenuRequested, this, &RelevancePage::ShowGridMenu);
  connect(grid, &QTableView::doubleClicked, this, [this] { ShowCurrentText(); });
  if (host_) {
    for (QWidget* start : {check_button, edit_button, filter_button, rtf_button})
      host_->RegisterStartControl(start);
    host_->AddStopHandler([this] { stop_.Request(); });
  }
}

FolderOrListChooserDialog* RelevancePage::FolderOrListChooser() {
  if (!folder_or_list_) folder_or_list_ = new FolderOrListChooserDialog(this);
  return folder_or_list_;
}

FolderChooserDialog* RelevancePage::FolderChooser() {
  if (!folder_chooser_) folder_chooser_ = new FolderChooserDialog(this);
  return folder_chooser_;
}

SampleRtfDialog* RelevancePage::SampleRtfWindow() {
  if (!sample_rtf_) sample_rtf_ = new SampleRtfDialog(this);
  return sample_rtf_;
}

void RelevancePage::SetButtonsEnabled(bool enabled) {
  for (QPushButton* b : {edit_button, check_button, filter_button, rtf_button})
    b->setEnabled(enabled);
}

void RelevancePage::Check() {
  if (host_ && host_->ToolRunning()) return;
  stop_.Reset();
  global_panic_state = 0;
  const QString filter_file = filter_file_edit->text().trimmed();
  if (filter_file.isEmpty() || !IsExistingFile(filter_file)) {
    filters_->Clear();
    FormNotFilled(LX("LXFilename"), kHelp);
    return;
  }
  // The grid lets go of the old results before they are cleared.
  model_->SetRowCount(0);
  scores_->Clear();
  RelevanceCheckParams params;
  params.segments = segments_spin->value();
  params.coverage = std::clamp(coverage_spin->value(), 0, params.segments);
  params.min_words = min_words_spin->value();
  params.min_score = min_score_spin->value();
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
    cb.count = [this](long long done, long long total) {
      if (host_) host_->ShowCountOutOf(done, total);
    };
    cb.status = [this](const QString& s) {
      if (host_) host_->ShowStatusText(s);
    };
    read_problems_.clear();
    cb.problem = [this](const FileProblem& p) { read_problems_.push_back(p); };
    folder_missing_ = params.input.file_or_folder == FileOrFolder::t_folder_contents &&
                      !IsExistingFolder(params.input.head_folder);
    const QStringList texts = GatherRelevanceTexts(params.input, &stop_, &read_problems_);
    texts_found_ = static_cast<int>(texts.size());
    ScoreRelevanceTexts(texts, *filters_, params, overall_, scores_, cb);
  };
  auto done = [this](bool) { CheckFinishedOnWindow(); };
  if (!host_ || !host_->RunTool(QStringLiteral("relevance"), work, done)) {
    SetButtonsEnabled(true);
    early_stop();
  }
}

void RelevancePage::CheckFinishedOnWindow() {
  SetButtonsEnabled(true);
  FilesWithProblems(CountOfFiles(QStringLiteral("Could not read %1:"), read_problems_.size()),
                    read_problems_, kHelp);
  overall_->files_meeting_requirements = scores_->Count();
  const bool any = scores_->Count() > 0;
  filter_button->setVisible(any);
  rtf_button->setVisible(filter_button->isVisibleTo(this));
  scores_->SortOnSingle_Sort2String(false);
  grid->horizontalHeader()->blockSignals(true);
  grid->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
  grid->horizontalHeader()->blockSignals(false);
  model_->SetRowCount(scores_->Count());
  if (any) grid->selectRow(0);
  if (host_) {
    host_->SetOverallProgress(0);
    host_->ResetProgress(true);
    host_->ShowRunSummary(folder_missing_
                              ? FolderNotFoundSummary(last_input_.head_folder)
                              : RelevanceSummary(*overall_, texts_found_, scores_->Count()));
  }
  QApplication::restoreOverrideCursor();
  Q_EMIT CheckFinished();
}

void RelevancePage::UpdateCoverageLabel() {
  coverage_label->setText(CoverageLabel(segments_spin->value()));
}

void RelevancePage::EditFilterFile() {
  const QString file = filter_file_edit->text().trimmed();
  if (file.isEmpty() || !IsExistingFile(file)) return;
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
}

void RelevancePage::CopyRelevantTexts() {
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
  const int m = min_score_spin->value();
  const QString target = base + LX("LXFiltered");
  // The question says how many texts would be copied, and where to.
  int to_copy = 0;
  for (int i = 0; i < scores_->Count(); ++i)
    if (scores_->GetOne(i).score >= m) ++to_copy;
  const QString question =
      QStringLiteral("copy %1 scoring at least %2 to %3")
          .arg(CountOf(to_copy, QStringLiteral("text"), QStringLiteral("texts")),
               QLocale().toString(m), DisplayName(target));
  if (OKToDoX(question, kFilterHelp) != mrOK) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::vector<FileProblem> problems;
  const int copied = CopyFilteredTexts(*scores_, base, m, &problems);
  QApplication::restoreOverrideCursor();
  FilesWithProblems(CountOfFiles(QStringLiteral("Could not copy %1:"), problems.size()), problems,
                    kHelp);
  NFilesCopiedOrMoved(copied, false, DisplayName(target), kHelp);
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
  const QModelIndex current = grid->currentIndex();
  if (!current.isValid()) return {};
  return RowDetails(current.row());
}

void RelevancePage::ShowGridMenu(const QPoint& pos) {
  const QModelIndex at = grid->indexAt(pos);
  if (at.isValid()) grid->setCurrentIndex(at);
  grid_menu->popup(grid->viewport()->mapToGlobal(pos));
}

bool RelevancePage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid->viewport() && event->type() == QEvent::Resize) FitColumns();
  return QWidget::eventFilter(watched, event);
}

void RelevancePage::FitColumns() {
  const int width = grid->viewport()->width();
  for (int c = 0; c < 5; ++c)
    grid->setColumnWidth(c, width * RelevanceGridModel::ColumnPercent(c) / 100);
}

void RelevancePage::OpenInViewer(const ViewerFileDetails& details, bool with_keywords) {
  TextViewerWindow* viewer = host_ ? host_->SharedViewer() : nullptr;
  if (!viewer) return;
  auto* main_window = qobject_cast<QMainWindow*>(window());
  viewer->OpenAndShowAText(details, main_window ? main_window->statusBar() : nullptr);
  if (!with_keywords) return;
  viewer->UseSearchTerms(*filters_);
}

void RelevancePage::ShowCurrentText() {
  const ViewerFileDetails details = CurrentRowDetails();
  if (details.full_path.isEmpty() || !IsExistingFile(details.full_path)) return;
  OpenInViewer(details, true);
}

void RelevancePage::CopyList() { CopyAList(grid); }

void RelevancePage::SaveRtfSample() {
  if (scores_->Count() == 0 || model_->rowCount() == 0) return;
  SampleRtfDialog* window = SampleRtfWindow();
  window->choices.start_num = std::max(0, grid->currentIndex().row());
  if (window->exec() != QDialog::Accepted) return;
  const RtfSampleChoice choice = window->choices;
  // The same files as sorvel-cli relevance --rtf writes, byte for byte.
  std::vector<FileProblem> problems;
  const int saved = SaveRelevanceRtfSample(*scores_, *filters_, choice, &problems);
  FilesWithProblems(CountOfFiles(QStringLiteral("Could not save %1:"), problems.size()), problems,
                    kHelp);
  if (host_)
    host_->ShowStatusText(CountOf(saved, QStringLiteral("RTF file"), QStringLiteral("RTF files")) +
                          QStringLiteral(" saved in ") + DisplayName(choice.folder));
}
