#include "boilerplate/boilerplate_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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
#include "runtime/dialogs.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"
#include "runtime/settings.h"
#include "ui_kit/copy_a_list_gui.h"
#include "ui_kit/result_columns_gui.h"
#include "ui_kit/text_viewer_window.h"

namespace {

const QString kSettingsGroup = QStringLiteral("BoilerplatePage");

// Rows of a fixed height, 1.3 times the pixel height of the tree's font;
// file names elided in the middle, where the folders are, and chunk texts at
// their end.
class BoilerRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(static_cast<int>(std::lround(std::abs(QFontMetrics(option.font).height()) * 1.3)));
    return s;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = index.column() == 2 ? Qt::ElideMiddle : Qt::ElideRight;
  }
};

QSpinBox* MakeSpin(QWidget* parent, const char* name, int value, int minimum, int step,
                   const QString& tip) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(minimum, 1000000);
  spin->setSingleStep(step);  // Page Up/Down move ten steps
  spin->setValue(value);
  spin->setAccelerated(true);
  spin->setMaximumWidth(120);
  spin->setToolTip(tip);
  return spin;
}

}  // namespace

BoilerplatePage::BoilerplatePage(PageHost* host, RepeatedChunks* finder, QWidget* parent)
    : QWidget(parent), host_(host), finder_(finder) {
  setObjectName(QStringLiteral("BoilerplatePage"));
  setProperty("helpContext", kHelpContext);
  // The corpus walk's fixed choices: hidden files and folders are left out.
  walker_.SkipHidden = true;

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  pager_ = new QTabWidget(this);
  pager_->setObjectName(QStringLiteral("AdvOfficePagerBoiler"));
  pager_->setTabPosition(QTabWidget::South);
  layout->addWidget(pager_);
  BuildSettingsPage();
  BuildListPage();
  pager_->setCurrentWidget(settings_page_);

  host_->RegisterStartControl(start_button_);
  // Stop only sets flags: the run then sorts and shows what it has found.
  host_->AddStopHandler([this] {
    walker_.Stop();
    if (finder_) finder_->Stop();
  });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  help->setContext(Qt::WidgetWithChildrenShortcut);
  connect(help, &QShortcut::activated, this, [this] { host_->ShowHelpTopic(kHelpContext); });
}

BoilerplatePage::~BoilerplatePage() {
  // The owner waits for a run to end before it frees the finder; this only
  // makes the page's own file walk end at once. (The finder may be gone
  // already when the window is being destroyed, so it is not touched here.)
  if (running_) walker_.Stop();
}

void BoilerplatePage::BuildSettingsPage() {
  settings_page_ = new QWidget(pager_);
  settings_page_->setObjectName(QStringLiteral("AdvOfficePageBoilerSettings"));
  pager_->addTab(settings_page_, QStringLiteral("Settings"));
  auto* outer = new QVBoxLayout(settings_page_);
  auto* form = new QFormLayout();
  outer->addLayout(form);

  auto* folder_row = new QHBoxLayout();
  folder_edit_ = new QLineEdit(settings_page_);
  folder_edit_->setObjectName(QStringLiteral("ElFolderNameEditBoilerHeadFolder"));
  folder_edit_->setToolTip(
      QStringLiteral("A folder to search, or a file: then files of that name are searched"));
  browse_button_ = new QToolButton(settings_page_);
  browse_button_->setObjectName(QStringLiteral("ElFolderNameEditBoilerHeadFolderButton"));
  browse_button_->setText(QStringLiteral("..."));
  connect(browse_button_, &QToolButton::clicked, this, &BoilerplatePage::BrowseForFolder);
  folder_row->addWidget(folder_edit_, 1);
  folder_row->addWidget(browse_button_);
  auto* folder_label = new QLabel(QStringLiteral("&Folder to search"), settings_page_);
  folder_label->setBuddy(folder_edit_);
  form->addRow(folder_label, folder_row);

  file_types_combo_ = new QComboBox(settings_page_);
  file_types_combo_->setObjectName(QStringLiteral("myAdvFilterComboBoiler"));
  file_types_combo_->setEditable(true);
  file_types_combo_->addItems(FileTypeCaptions());
  file_types_combo_->setCurrentIndex(0);
  form->addRow(QStringLiteral("File-types"), file_types_combo_);

  subfolders_check_ = new QCheckBox(QStringLiteral("and sub-folders too"), settings_page_);
  subfolders_check_->setObjectName(QStringLiteral("AdvOfficeCheckBoxSubFoldersTooBoiler"));
  subfolders_check_->setChecked(true);
  form->addRow(QString(), subfolders_check_);

  unterminated_check_ =
      new QCheckBox(QStringLiteral("include unterminated sentences"), settings_page_);
  unterminated_check_->setObjectName(QStringLiteral("AdvOfficeCheckBoxBoilerUNfinishedSents"));
  unterminated_check_->setChecked(false);
  unterminated_check_->setToolTip(
      QStringLiteral("Also count lines that end without a full stop, question or exclamation "
                     "mark: headings, navigation lines, the last words of a text"));
  form->addRow(QString(), unterminated_check_);

  tag_span_spin_ =
      MakeSpin(settings_page_, "AdvSpinEditBoilerTagSpan", 200, 0, 10,
               QStringLiteral("The longest markup tag (<...>) that is skipped, in characters; "
                              "a longer one is read as text. 0 reads all markup as text."));
  form->addRow(QStringLiteral("Tag span"), tag_span_spin_);
  min_hits_spin_ =
      MakeSpin(settings_page_, "AdvSpinEditBoilerMinSentFreq", 2, 2, 1,
               QStringLiteral("How often a sentence must occur, over all texts, to be listed"));
  form->addRow(QStringLiteral("Min. hits"), min_hits_spin_);
  min_length_spin_ = MakeSpin(settings_page_, "AdvSpinEditBoilerMinChunkLength", 20, 1, 1,
                              QStringLiteral("Shorter sentences are not counted; in characters"));
  form->addRow(QStringLiteral("Min. length"), min_length_spin_);

  start_button_ = new QPushButton(QStringLiteral("&start"), settings_page_);
  start_button_->setObjectName(QStringLiteral("AdvGlowButtonBoilerSearch"));
  connect(start_button_, &QPushButton::clicked, this, &BoilerplatePage::Search);
  auto* start_row = new QHBoxLayout();
  start_row->addWidget(start_button_);
  start_row->addStretch(1);
  outer->addLayout(start_row);

  folder_label_ = new QLabel(settings_page_);
  folder_label_->setObjectName(QStringLiteral("LabelBoilerplateFolder"));
  folder_label_->setTextFormat(Qt::PlainText);
  outer->addWidget(folder_label_);
  outer->addStretch(1);
}

void BoilerplatePage::BuildListPage() {
  list_page_ = new QWidget(pager_);
  list_page_->setObjectName(QStringLiteral("AdvOfficePageBoilerList"));
  pager_->addTab(list_page_, QStringLiteral("List"));
  auto* layout = new QVBoxLayout(list_page_);
  layout->setContentsMargins(0, 0, 0, 0);

  tree_ = new QTreeView(list_page_);
  tree_->setObjectName(QStringLiteral("AdvTreeViewBoiler"));
  model_ = new BoilerplateTreeModel(this);
  tree_->setModel(model_);
  tree_->setFont(QApplication::font());
  tree_->header()->setFont(QApplication::font());
  tree_->setItemDelegate(new BoilerRowDelegate(tree_));
  tree_->setUniformRowHeights(true);
  tree_->setAlternatingRowColors(true);
  tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(tree_);

  // The chunk column takes the room the hits column and a three-inch file
  // column leave, until the user sizes a column; then the user's widths are
  // kept (across sessions too) and the stretching file column follows the
  // window.
  QHeaderView* header = tree_->header();
  header->setStretchLastSection(true);
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
  const int hits_width =
      fontMetrics().horizontalAdvance(model_->headerData(1, Qt::Horizontal).toString()) + 24;
  new FittedFirstColumn(tree_, header, kSettingsGroup, {3 * Inch(), hits_width}, 3 * Inch());
  connect(header, &QHeaderView::sectionClicked, this, &BoilerplatePage::SortByColumn);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) { ShowSelection(current); });
  connect(tree_, &QTreeView::customContextMenuRequested, this, &BoilerplatePage::ShowTreeMenu);

  tree_menu_ = new QMenu(this);
  tree_menu_->setObjectName(QStringLiteral("AdvPopupMenuBoilerList"));
  open_action_ = tree_menu_->addAction(QStringLiteral("Open && show"));
  open_action_->setObjectName(QStringLiteral("Openshow1"));
  connect(open_action_, &QAction::triggered, this, &BoilerplatePage::OpenSelectedFile);
  copy_action_ = tree_menu_->addAction(QStringLiteral("Copy"));
  copy_action_->setObjectName(QStringLiteral("BoilerListCopy2"));
  connect(copy_action_, &QAction::triggered, this, &BoilerplatePage::CopyList);
}

int BoilerplatePage::Inch() const { return logicalDpiX() > 0 ? logicalDpiX() : 96; }

void BoilerplatePage::BrowseForFolder() {
  // The folder dialog's wording; unlike the plain folder dialog it lists files.
  QFileDialog dialog(this, QStringLiteral("Choose a folder"));
  // Files are listed too: picking one searches the files of that name.
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, false);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  const QString start = folder_edit_->text();
  dialog.setDirectory(QFileInfo(start).isDir()
                          ? start
                          : QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  folder_edit_->setText(QDir::toNativeSeparators(dialog.selectedFiles().first()));
  TakeFileNameAsMask();
}

void BoilerplatePage::TakeFileNameAsMask() {
  const QFileInfo fi(folder_edit_->text());
  if (!fi.isDir() && !fi.fileName().isEmpty()) file_types_combo_->setEditText(fi.fileName());
}

void BoilerplatePage::Search() {
  if (running_ || !finder_) return;
  const QString text = folder_edit_->text().trimmed();
  if (text.isEmpty()) {
    FormNotFilled(QStringLiteral("Folder to search"), kHelpContext);
    return;
  }
  folder_label_->clear();
  QString head, file_name;
  if (!ResolveFolderOrFile(text, &head, &file_name)) {
    host_->ShowRunSummary(FolderNotFoundSummary(text));
    return;
  }
  if (!file_name.isEmpty()) file_types_combo_->setEditText(file_name);

  BoilerplateSearch search;
  search.head_folder = head;
  search.file_mask = FileTypeMaskOfCaption(file_types_combo_->currentText());
  search.include_subfolders = subfolders_check_->isChecked();
  search.include_unterminated = unterminated_check_->isChecked();
  search.tag_span = tag_span_spin_->value();
  search.min_hits = min_hits_spin_->value();
  search.min_length = min_length_spin_->value();

  host_->ResetProgress(false);
  // The finder is about to change on the worker: the tree lets go of it first.
  model_->Detach();
  running_ = true;
  PageHost* host = host_;
  RepeatedChunks* engine = finder_;
  auto work = [this, host, engine, search] {
    BoilerplateCallbacks cb;
    cb.progress_in_file = [host](int p) { return host->SetSecondProgress(p); };
    cb.progress_overall = [host](int p) { return host->SetOverallProgress(p); };
    cb.count = [host](long long done, long long total) { host->ShowCountOutOf(done, total); };
    cb.count_reporter = [host](int n) {
      host->ShowStatusText(Format(LX("LXNManyX"), {IntToSingle(n), LX("LXRepeatedChunks")}));
    };
    cb.on_folder = [this](const QString& folder, int number, int count) {
      const QString line =
          Format(QStringLiteral("%s (%d/%d)"), {DisplayName(folder), number, count});
      QMetaObject::invokeMethod(
          this,
          [this, line] {
            if (running_) folder_label_->setText(line);
          },
          Qt::QueuedConnection);
    };
    last_search_ = search;
    last_outcome_ = RunBoilerplateSearch(*engine, walker_, search, cb);
  };
  auto done = [this](bool) {
    running_ = false;
    FillTree();
    QApplication::restoreOverrideCursor();
    host_->ResetProgress(true);
    const int chunks = finder_->Chunks().Count();
    host_->ShowRunSummary(BoilerplateSummary(last_search_, last_outcome_, chunks));
    Q_EMIT SearchFinished(chunks);
  };
  head_folder_ = head;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (!host_->RunTool(QStringLiteral("Boilerplate text"), work, done)) {
    // Another tool is running: nothing was started.
    running_ = false;
    QApplication::restoreOverrideCursor();
    model_->Fill(finder_);
  }
}

void BoilerplatePage::FillTree() {
  model_->Fill(finder_);
  folder_label_->clear();
  if (finder_ && finder_->Chunks().Count() >= 1) pager_->setCurrentWidget(list_page_);
}

void BoilerplatePage::SortByColumn(int column) {
  if (running_ || !finder_ || model_->Engine() == nullptr) return;
  if (column == 1) {
    finder_->SortDescendingFreq();
  } else if (column == 2) {
    finder_->SortAScendingFilenumbers();
  } else {
    return;
  }
  FillTree();
}

void BoilerplatePage::ShowSelection(const QModelIndex& index) {
  if (!index.isValid()) return;
  const BoilerplateSelection s = SummariseBoilerRow(*model_, index, head_folder_);
  chunk_to_show_ = s.chunk;
  file_to_open_ = s.to_open;
  host_->ShowStatusText(s.message);
}

void BoilerplatePage::ShowTreeMenu(const QPoint& pos) {
  const QModelIndex at = tree_->indexAt(pos);
  if (at.isValid()) tree_->setCurrentIndex(at);
  tree_menu_->popup(tree_->viewport()->mapToGlobal(pos));
}

void BoilerplatePage::OpenSelectedFile() {
  const QString path = file_to_open_.full_path;
  // A total row stands for the head folder; a file may have gone meanwhile.
  if (path.isEmpty() || path == head_folder_ || !IsExistingFile(path)) return;
  if (running_ || !finder_ || model_->Engine() == nullptr) return;
  TextViewerWindow* viewer = host_->SharedViewer();
  if (!viewer) return;
  QStringList chunks;
  CountChunksOfFile(*finder_, path, &chunks);
  viewer->ClearKeywordList();
  viewer->AddStringsToLeftListbox(chunks);
  auto* main_window = qobject_cast<QMainWindow*>(window());
  viewer->OpenAndShowAText(file_to_open_, main_window ? main_window->statusBar() : nullptr);
}

void BoilerplatePage::CopyList() { CopyAList(tree_); }
