#include "boilerplate/boilerplate_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "boilerplate/boilerplate_search.h"
#include "boilerplate/boilerplate_tree_model.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "ui_kit/copy_a_list_gui.h"
#include "ui_kit/text_viewer_window.h"

namespace {

// Rows of a fixed height: 1.3 times the pixel height of the tree's font.
class FixedRowHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(static_cast<int>(std::lround(std::abs(QFontMetrics(option.font).height()) * 1.3)));
    return s;
  }
};

QSpinBox* MakeSpin(QWidget* parent, const char* name, int value, int minimum, int step) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(minimum, 1000000);
  spin->setSingleStep(step);  // Page Up/Down move ten steps
  spin->setValue(value);
  spin->setAccelerated(true);
  spin->setMaximumWidth(120);
  return spin;
}

}  // namespace

BoilerplatePage::BoilerplatePage(PageHost* host, RepeatedChunks* frepetition_seeker,
                                 QWidget* parent)
    : QWidget(parent), host_(host), frepetition_seeker_(frepetition_seeker) {
  setObjectName(QStringLiteral("BoilerplatePage"));
  setProperty("helpContext", kHelpContext);
  // The corpus iterator's fixed choices: hidden files and folders are left out.
  FileAndDirIteratorCorpus.SkipHidden = true;

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  AdvOfficePagerBoiler = new QTabWidget(this);
  AdvOfficePagerBoiler->setObjectName(QStringLiteral("AdvOfficePagerBoiler"));
  AdvOfficePagerBoiler->setTabPosition(QTabWidget::South);
  layout->addWidget(AdvOfficePagerBoiler);
  BuildSettingsPage();
  BuildListPage();
  AdvOfficePagerBoiler->setCurrentWidget(AdvOfficePageBoilerSettings);

  host_->RegisterStartControl(AdvGlowButtonBoilerSearch);
  // Stop only sets flags: the run then sorts and shows what it has found.
  host_->AddStopHandler([this] {
    FileAndDirIteratorCorpus.Stop();
    if (frepetition_seeker_) frepetition_seeker_->Stop();
  });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  help->setContext(Qt::WidgetWithChildrenShortcut);
  connect(help, &QShortcut::activated, this, [this] { host_->ShowHelpTopic(kHelpContext); });
}

BoilerplatePage::~BoilerplatePage() {
  // The owner waits for a run to end before it frees the finder; this only
  // makes the page's own file walk end at once. (The finder may be gone
  // already when the window is being destroyed, so it is not touched here.)
  if (running_) FileAndDirIteratorCorpus.Stop();
}

void BoilerplatePage::BuildSettingsPage() {
  AdvOfficePageBoilerSettings = new QWidget(AdvOfficePagerBoiler);
  AdvOfficePageBoilerSettings->setObjectName(QStringLiteral("AdvOfficePageBoilerSettings"));
  AdvOfficePagerBoiler->addTab(AdvOfficePageBoilerSettings, QStringLiteral("Settings"));
  auto* outer = new QVBoxLayout(AdvOfficePageBoilerSettings);
  auto* form = new QFormLayout();
  outer->addLayout(form);

  auto* folder_row = new QHBoxLayout();
  ElFolderNameEditBoilerHeadFolder = new QLineEdit(AdvOfficePageBoilerSettings);
  ElFolderNameEditBoilerHeadFolder->setObjectName(
      QStringLiteral("ElFolderNameEditBoilerHeadFolder"));
  ElFolderNameEditBoilerHeadFolder->setToolTip(
      QStringLiteral("A folder to search, or a file: then files of that name are searched"));
  browse_button_ = new QToolButton(AdvOfficePageBoilerSettings);
  browse_button_->setObjectName(QStringLiteral("ElFolderNameEditBoilerHeadFolderButton"));
  browse_button_->setText(QStringLiteral("..."));
  connect(browse_button_, &QToolButton::clicked, this, &BoilerplatePage::BrowseForFolder);
  folder_row->addWidget(ElFolderNameEditBoilerHeadFolder, 1);
  folder_row->addWidget(browse_button_);
  form->addRow(QStringLiteral("Folder to search"), folder_row);

  myAdvFilterComboBoiler = new QComboBox(AdvOfficePageBoilerSettings);
  myAdvFilterComboBoiler->setObjectName(QStringLiteral("myAdvFilterComboBoiler"));
  myAdvFilterComboBoiler->setEditable(true);
  myAdvFilterComboBoiler->addItems(FileTypeCaptions());
  myAdvFilterComboBoiler->setCurrentIndex(0);
  form->addRow(QStringLiteral("File-types"), myAdvFilterComboBoiler);

  AdvOfficeCheckBoxSubFoldersTooBoiler =
      new QCheckBox(QStringLiteral("and sub-folders too"), AdvOfficePageBoilerSettings);
  AdvOfficeCheckBoxSubFoldersTooBoiler->setObjectName(
      QStringLiteral("AdvOfficeCheckBoxSubFoldersTooBoiler"));
  AdvOfficeCheckBoxSubFoldersTooBoiler->setChecked(true);
  form->addRow(QString(), AdvOfficeCheckBoxSubFoldersTooBoiler);

  AdvOfficeCheckBoxBoilerUNfinishedSents =
      new QCheckBox(QStringLiteral("include unterminated sentences"), AdvOfficePageBoilerSettings);
  AdvOfficeCheckBoxBoilerUNfinishedSents->setObjectName(
      QStringLiteral("AdvOfficeCheckBoxBoilerUNfinishedSents"));
  AdvOfficeCheckBoxBoilerUNfinishedSents->setChecked(false);
  form->addRow(QString(), AdvOfficeCheckBoxBoilerUNfinishedSents);

  AdvSpinEditBoilerTagSpan =
      MakeSpin(AdvOfficePageBoilerSettings, "AdvSpinEditBoilerTagSpan", 200, 0, 10);
  form->addRow(QStringLiteral("Tag span"), AdvSpinEditBoilerTagSpan);
  AdvSpinEditBoilerMinSentFreq =
      MakeSpin(AdvOfficePageBoilerSettings, "AdvSpinEditBoilerMinSentFreq", 2, 2, 1);
  form->addRow(QStringLiteral("Min. hits"), AdvSpinEditBoilerMinSentFreq);
  AdvSpinEditBoilerMinChunkLength =
      MakeSpin(AdvOfficePageBoilerSettings, "AdvSpinEditBoilerMinChunkLength", 20, 1, 1);
  AdvSpinEditBoilerMinChunkLength->setToolTip(QStringLiteral("In characters"));
  form->addRow(QStringLiteral("Min. length"), AdvSpinEditBoilerMinChunkLength);

  AdvGlowButtonBoilerSearch = new QPushButton(QStringLiteral("start"), AdvOfficePageBoilerSettings);
  AdvGlowButtonBoilerSearch->setObjectName(QStringLiteral("AdvGlowButtonBoilerSearch"));
  connect(AdvGlowButtonBoilerSearch, &QPushButton::clicked, this,
          &BoilerplatePage::AdvGlowButtonBoilerSearchClick);
  auto* start_row = new QHBoxLayout();
  start_row->addWidget(AdvGlowButtonBoilerSearch);
  start_row->addStretch(1);
  outer->addLayout(start_row);

  LabelBoilerplateFolder = new QLabel(AdvOfficePageBoilerSettings);
  LabelBoilerplateFolder->setObjectName(QStringLiteral("LabelBoilerplateFolder"));
  LabelBoilerplateFolder->setTextFormat(Qt::PlainText);
  outer->addWidget(LabelBoilerplateFolder);
  outer->addStretch(1);
}

void BoilerplatePage::BuildListPage() {
  AdvOfficePageBoilerList = new QWidget(AdvOfficePagerBoiler);
  AdvOfficePageBoilerList->setObjectName(QStringLiteral("AdvOfficePageBoilerList"));
  AdvOfficePagerBoiler->addTab(AdvOfficePageBoilerList, QStringLiteral("List"));
  auto* layout = new QVBoxLayout(AdvOfficePageBoilerList);
  layout->setContentsMargins(0, 0, 0, 0);

  AdvTreeViewBoiler = new QTreeView(AdvOfficePageBoilerList);
  AdvTreeViewBoiler->setObjectName(QStringLiteral("AdvTreeViewBoiler"));
  model_ = new BoilerplateTreeModel(this);
  AdvTreeViewBoiler->setModel(model_);
  AdvTreeViewBoiler->setFont(QApplication::font());
  AdvTreeViewBoiler->header()->setFont(QApplication::font());
  AdvTreeViewBoiler->setItemDelegate(new FixedRowHeightDelegate(AdvTreeViewBoiler));
  AdvTreeViewBoiler->setUniformRowHeights(true);
  AdvTreeViewBoiler->setAlternatingRowColors(true);
  AdvTreeViewBoiler->setSelectionBehavior(QAbstractItemView::SelectRows);
  AdvTreeViewBoiler->setSelectionMode(QAbstractItemView::SingleSelection);
  AdvTreeViewBoiler->setEditTriggers(QAbstractItemView::NoEditTriggers);
  AdvTreeViewBoiler->setTextElideMode(Qt::ElideRight);
  AdvTreeViewBoiler->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(AdvTreeViewBoiler);

  QHeaderView* header = AdvTreeViewBoiler->header();
  header->setStretchLastSection(false);
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(false);
  header->resizeSection(0, static_cast<int>(std::lround(3.0 * AdvTreeViewBoiler->logicalDpiX())));
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(header, &QHeaderView::sectionClicked, this, &BoilerplatePage::AdvTreeViewBoilerClick);
  connect(header, &QHeaderView::sectionResized, this,
          [this](int column, int, int) { ColumnResized(column); });
  connect(AdvTreeViewBoiler->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            AdvTreeViewBoilerAfterSelectNode(current);
          });
  connect(AdvTreeViewBoiler, &QTreeView::customContextMenuRequested, this,
          &BoilerplatePage::ShowTreeMenu);
  AdvTreeViewBoiler->viewport()->installEventFilter(this);

  AdvPopupMenuBoilerList = new QMenu(this);
  AdvPopupMenuBoilerList->setObjectName(QStringLiteral("AdvPopupMenuBoilerList"));
  Openshow1 = AdvPopupMenuBoilerList->addAction(QStringLiteral("Open && show"));
  Openshow1->setObjectName(QStringLiteral("Openshow1"));
  connect(Openshow1, &QAction::triggered, this, &BoilerplatePage::OpenshowBoilerSourceClick);
  BoilerListCopy2 = AdvPopupMenuBoilerList->addAction(QStringLiteral("Copy"));
  BoilerListCopy2->setObjectName(QStringLiteral("BoilerListCopy2"));
  connect(BoilerListCopy2, &QAction::triggered, this, &BoilerplatePage::BoilerListCopy2Click);
}

void BoilerplatePage::BrowseForFolder() {
  QFileDialog dialog(this, QStringLiteral("Folder to search"));
  // Files are listed too: picking one searches the files of that name.
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, false);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  const QString start = ElFolderNameEditBoilerHeadFolder->text();
  dialog.setDirectory(QFileInfo(start).isDir()
                          ? start
                          : QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  ElFolderNameEditBoilerHeadFolder->setText(
      QDir::toNativeSeparators(dialog.selectedFiles().first()));
  ElFolderNameEditBoilerHeadFolderDialogExecute();
}

void BoilerplatePage::ElFolderNameEditBoilerHeadFolderDialogExecute() {
  const QFileInfo fi(ElFolderNameEditBoilerHeadFolder->text());
  if (!fi.isDir() && !fi.fileName().isEmpty()) myAdvFilterComboBoiler->setEditText(fi.fileName());
}

void BoilerplatePage::AdvGlowButtonBoilerSearchClick() {
  if (running_ || !frepetition_seeker_) return;
  const QString text = ElFolderNameEditBoilerHeadFolder->text().trimmed();
  if (text.isEmpty()) return;
  LabelBoilerplateFolder->clear();
  QString head, file_name;
  if (!ResolveFolderOrFile(text, &head, &file_name)) return;
  if (!file_name.isEmpty()) myAdvFilterComboBoiler->setEditText(file_name);

  BoilerplateSearch search;
  search.head_folder = head;
  search.file_mask = FileTypeMaskOfCaption(myAdvFilterComboBoiler->currentText());
  search.include_subfolders = AdvOfficeCheckBoxSubFoldersTooBoiler->isChecked();
  search.include_unterminated = AdvOfficeCheckBoxBoilerUNfinishedSents->isChecked();
  search.tag_span = AdvSpinEditBoilerTagSpan->value();
  search.min_hits = AdvSpinEditBoilerMinSentFreq->value();
  search.min_length = AdvSpinEditBoilerMinChunkLength->value();

  host_->ResetProgress(false);
  // The finder is about to change on the worker: the tree lets go of it first.
  model_->Detach();
  running_ = true;
  PageHost* host = host_;
  RepeatedChunks* engine = frepetition_seeker_;
  auto work = [this, host, engine, search] {
    BoilerplateCallbacks cb;
    cb.progress_in_file = [host](int p) { return host->SetSecondProgress(p); };
    cb.progress_overall = [host](int p) { return host->SetOverallProgress(p); };
    cb.count_reporter = [host](int n) {
      host->ShowStatusText(Format(LX("LXNManyX"), {IntToSingle(n), LX("LXRepeatedChunks")}));
    };
    cb.on_folder = [this](const QString& folder, int number, int count) {
      const QString line =
          Format(QStringLiteral("%s (%d/%d)"), {DisplayName(folder), number, count});
      QMetaObject::invokeMethod(
          this,
          [this, line] {
            if (running_) LabelBoilerplateFolder->setText(line);
          },
          Qt::QueuedConnection);
    };
    RunBoilerplateSearch(*engine, FileAndDirIteratorCorpus, search, cb);
  };
  auto done = [this](bool) {
    running_ = false;
    FillTree();
    QApplication::restoreOverrideCursor();
    host_->ResetProgress(true);
    Q_EMIT SearchFinished(frepetition_seeker_->Chunks().Count());
  };
  boiler_head_folder = head;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (!host_->RunTool(QStringLiteral("Boilerplate text"), work, done)) {
    // Another tool is running: nothing was started.
    running_ = false;
    QApplication::restoreOverrideCursor();
    model_->Fill(frepetition_seeker_);
  }
}

void BoilerplatePage::FillTree() {
  model_->Fill(frepetition_seeker_);
  LabelBoilerplateFolder->clear();
  if (frepetition_seeker_ && frepetition_seeker_->Chunks().Count() >= 1)
    AdvOfficePagerBoiler->setCurrentWidget(AdvOfficePageBoilerList);
  FitBoilerColumns();
}

void BoilerplatePage::AdvTreeViewBoilerClick(int column) {
  if (resizing_column) {
    FitBoilerColumns();
    return;
  }
  if (running_ || !frepetition_seeker_ || model_->Engine() == nullptr) return;
  if (column == 1) {
    frepetition_seeker_->SortDescendingFreq();
  } else if (column == 2) {
    frepetition_seeker_->SortAScendingFilenumbers();
  } else {
    return;
  }
  FillTree();
}

void BoilerplatePage::ColumnResized(int column) {
  if (fitting_ || column == 2) return;
  resizing_column = true;
  FitBoilerColumns();
}

void BoilerplatePage::FitBoilerColumns() {
  QHeaderView* header = AdvTreeViewBoiler->header();
  const int others = header->sectionSize(0) + header->sectionSize(1);
  const int width =
      std::max(header->minimumSectionSize(), AdvTreeViewBoiler->viewport()->width() - others);
  fitting_ = true;
  header->resizeSection(2, width);
  fitting_ = false;
  resizing_column = false;
}

bool BoilerplatePage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == AdvTreeViewBoiler->viewport() && event->type() == QEvent::Resize)
    FitBoilerColumns();
  return QWidget::eventFilter(watched, event);
}

void BoilerplatePage::AdvTreeViewBoilerAfterSelectNode(const QModelIndex& index) {
  if (!index.isValid()) return;
  const BoilerplateSelection s = SummariseBoilerRow(*model_, index, boiler_head_folder);
  boiler_chunk_to_show = s.chunk;
  boiler_fname_to_open = s.to_open;
  host_->ShowStatusText(s.message);
}

void BoilerplatePage::ShowTreeMenu(const QPoint& pos) {
  const QModelIndex at = AdvTreeViewBoiler->indexAt(pos);
  if (at.isValid()) AdvTreeViewBoiler->setCurrentIndex(at);
  AdvPopupMenuBoilerList->popup(AdvTreeViewBoiler->viewport()->mapToGlobal(pos));
}

void BoilerplatePage::OpenshowBoilerSourceClick() {
  const QString path = boiler_fname_to_open.full_path;
  // A total row stands for the head folder; a file may have gone meanwhile.
  if (path.isEmpty() || path == boiler_head_folder || !IsExistingFile(path)) return;
  if (running_ || !frepetition_seeker_ || model_->Engine() == nullptr) return;
  TextViewerWindow* viewer = host_->SharedViewer();
  if (!viewer) return;
  QStringList chunks;
  CountChunksOfFile(*frepetition_seeker_, path, &chunks);
  viewer->ClearKeywordList();
  viewer->AddStringsToLeftListbox(chunks);
  auto* main_window = qobject_cast<QMainWindow*>(window());
  viewer->OpenAndShowAText(boiler_fname_to_open, main_window ? main_window->statusBar() : nullptr);
}

void BoilerplatePage::BoilerListCopy2Click() { CopyAList(AdvTreeViewBoiler); }
