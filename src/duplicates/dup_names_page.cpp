#include "duplicates/dup_names_page.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/run_summary.h"
#include "ui_kit/folder_field_gui.h"
#include "ui_kit/result_columns_gui.h"

// ---------------------------------------------------------------------------
// DupNamesFolderEdit

DupNamesFolderEdit::DupNamesFolderEdit(const QString& object_name, QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)) {
  setObjectName(object_name);
  edit_->setObjectName(object_name + QStringLiteral("Edit"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit_, 1);
  auto* browse = new QToolButton(this);
  browse->setObjectName(object_name + QStringLiteral("Browse"));
  browse->setText(QStringLiteral("..."));
  browse->setToolTip(tr("Choose a folder"));
  row->addWidget(browse);
  connect(browse, &QToolButton::clicked, this, &DupNamesFolderEdit::Browse);
}

void DupNamesFolderEdit::Browse() {
  const QString folder = ChooseFolder(this, Folder());
  if (!folder.isEmpty()) SetChosenFolder(folder);
}

void DupNamesFolderEdit::SetChosenFolder(const QString& folder) {
  edit_->setText(folder);
  Q_EMIT FolderChosen(folder);
}

// ---------------------------------------------------------------------------
// DuplicateNamesPage

namespace {

const QString kSettingsGroup = QStringLiteral("DuplicateNamesPage");

}  // namespace

DuplicateNamesPage::DuplicateNamesPage(PageHost* host, DupNamesSeeker* seeker, QWidget* parent)
    : QWidget(parent), host_(host), seeker_(seeker), model_(new DupNamesTreeModel(this)) {
  setObjectName(QStringLiteral("DuplicateNamesPage"));

  folder1_box = new QGroupBox(QStringLiteral("Folder &1"), this);
  folder1_box->setObjectName(QStringLiteral("GroupBoxDupFolder1"));
  folder1_edit = new DupNamesFolderEdit(QStringLiteral("ElFolderNameEditDuplicates1"), folder1_box);
  folder1_subfolders = new QCheckBox(QStringLiteral("and sub-folders too"), folder1_box);
  folder1_subfolders->setObjectName(QStringLiteral("CheckBoxFolder1Subdirs"));
  folder1_subfolders->setChecked(true);
  dates_must_match = new QCheckBox(QStringLiteral("check &date too"), folder1_box);
  dates_must_match->setObjectName(QStringLiteral("CheckBoxDatesMustMatch"));
  dates_must_match->setToolTip(tr("Files of the same name count only when their dates match too"));
  sizes_must_match = new QCheckBox(QStringLiteral("check si&ze too"), folder1_box);
  sizes_must_match->setObjectName(QStringLiteral("CheckBoxSizeMustMatch"));
  sizes_must_match->setToolTip(tr("Files of the same name count only when their sizes match too"));
  {
    auto* box = new QVBoxLayout(folder1_box);
    box->addWidget(folder1_edit);
    auto* checks = new QHBoxLayout;
    checks->addWidget(folder1_subfolders);
    checks->addWidget(dates_must_match);
    checks->addWidget(sizes_must_match);
    checks->addStretch(1);
    box->addLayout(checks);
  }

  folder2_box = new QGroupBox(QStringLiteral("Folder &2 (optional)"), this);
  folder2_box->setObjectName(QStringLiteral("GroupBoxDupFolder2"));
  folder2_box->setToolTip(
      tr("With a second folder, the files of folder 2 whose names also occur in folder 1 are "
         "listed"));
  folder2_edit = new DupNamesFolderEdit(QStringLiteral("ElFolderNameEditDuplicates2"), folder2_box);
  folder2_subfolders = new QCheckBox(QStringLiteral("and sub-folders too"), folder2_box);
  folder2_subfolders->setObjectName(QStringLiteral("CheckBoxFolder2SubDirs"));
  folder2_subfolders->setChecked(true);
  {
    auto* box = new QVBoxLayout(folder2_box);
    box->addWidget(folder2_edit);
    box->addWidget(folder2_subfolders);
  }

  excluded_box = new QGroupBox(QStringLiteral("sub-folders to exclude"), this);
  excluded_box->setObjectName(QStringLiteral("ElGroupBoxFoldersExclude"));
  excluded_folders = new QPlainTextEdit(excluded_box);
  excluded_folders->setObjectName(QStringLiteral("ElMemoDuplicatesIgnore"));
  excluded_folders->setToolTip(tr("Folder names to leave out, one per line"));
  (new QVBoxLayout(excluded_box))->addWidget(excluded_folders);

  search_button = new QPushButton(QStringLiteral("&Search"), this);
  search_button->setObjectName(QStringLiteral("AdvGlowButtonDuplicateNamesFind"));
  expand_button = new QPushButton(LX("LXExpand"), this);
  expand_button->setObjectName(QStringLiteral("AdvGlowButtonDupnamesExpand"));
  expand_button->setToolTip(tr("Expand or collapse every name (Alt+E)"));
  expand_button->setEnabled(false);

  results = new QTreeView(this);
  results->setObjectName(QStringLiteral("TreeViewDupNames"));
  results->setModel(model_);
  results->setUniformRowHeights(true);
  results->setWordWrap(false);
  results->setTextElideMode(Qt::ElideMiddle);
  results->setSelectionMode(QAbstractItemView::ExtendedSelection);
  SetUpTreeColumns();

  // Settings on the left, the exclusions and buttons on the right, the
  // results below.
  auto* top = new QHBoxLayout;
  auto* folders = new QVBoxLayout;
  folders->addWidget(folder1_box);
  folders->addWidget(folder2_box);
  top->addLayout(folders, 3);
  auto* right = new QVBoxLayout;
  right->addWidget(excluded_box, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(search_button);
  buttons->addWidget(expand_button);
  right->addLayout(buttons);
  top->addLayout(right, 2);
  auto* page = new QVBoxLayout(this);
  page->addLayout(top);
  page->addWidget(results, 1);

  connect(folder1_edit, &DupNamesFolderEdit::FolderChosen, this,
          &DuplicateNamesPage::CopyFolder1ToFolder2);
  connect(search_button, &QPushButton::clicked, this, &DuplicateNamesPage::Search);
  connect(expand_button, &QPushButton::clicked, this, &DuplicateNamesPage::ToggleExpanded);
  // The caption changes between Expand and Collapse, so the key is its own.
  auto* expand_key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_E), this);
  connect(expand_key, &QShortcut::activated, expand_button, &QPushButton::animateClick);
  connect(results, &QTreeView::expanded, this, [this] { UpdateExpandCaption(); });
  connect(results, &QTreeView::collapsed, this, [this] { UpdateExpandCaption(); });

  seeker_->OnDuplicatesHandle = [this](std::int32_t order, std::int32_t n, const DupNamesRec& rec) {
    return AddReportedFile(order, n, rec);
  };
  seeker_->OnProgressShow = [this](std::int32_t percent) { ProgressFromSearch(percent); };
  seeker_->OnCountShow = [this](long long done, long long total) {
    if (host_) host_->ShowCountOutOf(done, total);
  };
  seeker_->OnDuplicatesStatus = [this](const QString& s) { StatusFromSearch(s); };
  status_timer_.start();
  if (host_) {
    host_->RegisterStartControl(search_button);
    // The Stop panel stops every engine; this one only sets flags.
    host_->AddStopHandler([seeker = seeker_] { seeker->Stop(); });
  }
}

DuplicateNamesPage::~DuplicateNamesPage() { SaveColumnWidths(results->header(), kSettingsGroup); }

void DuplicateNamesPage::SetUpTreeColumns() {
  // The name column starts two inches wide at the screen's resolution (or
  // as the user last left it); the folder column takes the rest and
  // stretches with the window.
  const int ppi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  results->header()->setStretchLastSection(true);
  RestoreColumnWidths(results->header(), kSettingsGroup, {2 * ppi});
  // The last column follows the view's width; only the others are the user's.
  connect(results->header(), &QHeaderView::sectionResized, this, [this](int column) {
    if (column + 1 < results->header()->count()) columns_sized_by_user_ = true;
  });
}

void DuplicateNamesPage::CopyFolder1ToFolder2() {
  folder2_edit->SetFolder(folder1_edit->Edit()->text());
}

void DuplicateNamesPage::Search() {
  if (searching_ || (host_ && host_->ToolRunning())) return;
  const QString folder1 = folder1_edit->Folder();
  const QString folder2 = folder2_edit->Folder();
  if (folder1.isEmpty()) {
    BoxRequest box;
    box.name = QStringLiteral("ChooseADriveAndFolder");
    box.caption = LX("LXErrorCaption");
    box.text = LX("LXChooseADriveAndFolder");
    box.buttons = BoxButtons::OK;
    box.icon = BoxIcon::Error;
    box.help_context = kHelpContext;
    Dialogs().Show(box);
    return;
  }
  for (const QString& folder : {folder1, folder2}) {
    if (!folder.isEmpty() && !IsExistingFolder(folder)) {
      host_->ShowRunSummary(FolderNotFoundSummary(folder));
      return;
    }
  }
  const bool one_folder = folder2.isEmpty() || folder2 == folder1;
  if (one_folder) {
    const QString question =
        Format(LX("LXSearchWithin"), {folder1}) + QLatin1Char('\r') +
        (folder1_subfolders->isChecked() ? LX("LXAndAllSubFoldersExcludingAnyListedBelow")
                                         : LX("LXOnly"));
    if (OKToDoX(question, kHelpContext) != mrOK) return;
  }

  host_->ResetProgress(false);
  search_button->setEnabled(false);
  expand_button->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);

  seeker_->OnDuplicatesStatus = [this](const QString& s) { StatusFromSearch(s); };
  model_->Detach();
  lines_.Clear();
  {
    std::lock_guard<std::mutex> lock(status_mutex_);
    last_status_.clear();
    last_percent_ = -1;
  }

  DupNamesSearch search;
  search.folder1 = folder1;
  search.folder2 = folder2;
  search.folder1_subfolders = folder1_subfolders->isChecked();
  search.folder2_subfolders = folder2_subfolders->isChecked();
  search.only_folder1 = one_folder;
  search.must_be_same_date = dates_must_match->isChecked();
  search.must_be_same_size = sizes_must_match->isChecked();
  search.excluded_folders = excluded_folders->toPlainText();
  searching_ = true;
  auto work = [search, this] {
    global_panic_state.store(0);
    seeker_->SeekNamesDuplicatesIn(search);
  };
  if (!host_->RunTool(QStringLiteral("Duplicate Names"), work, [this](bool) { SearchDone(); }))
    SearchDone();
}

bool DuplicateNamesPage::AddReportedFile(std::int32_t show_order, std::int32_t n_duplicates,
                                         const DupNamesRec& rec) {
  YieldToEvents();
  return lines_.AddFile(show_order, n_duplicates, rec);
}

void DuplicateNamesPage::StatusFromSearch(const QString& text) {
  std::lock_guard<std::mutex> lock(status_mutex_);
  if (text == last_status_) return;
  last_status_ = text;
  if (status_timer_.elapsed() < 100) return;
  status_timer_.restart();
  if (host_) host_->ShowStatusText(text);
}

void DuplicateNamesPage::ProgressFromSearch(int percent) {
  std::lock_guard<std::mutex> lock(status_mutex_);
  if (percent == last_percent_) return;
  last_percent_ = percent;
  if (host_) host_->SetOverallProgress(percent);
}

QString DuplicateNamesPage::Summary() const { return DupNamesSummary(*seeker_, lines_); }

void DuplicateNamesPage::SearchDone() {
  model_->Fill(&lines_);
  results->scrollToTop();
  searching_ = false;
  search_button->setEnabled(true);
  expand_button->setEnabled(model_->rowCount() > 0);
  UpdateExpandCaption();
  QString final_status;
  {
    std::lock_guard<std::mutex> lock(status_mutex_);
    final_status = last_status_;
  }
  host_->ShowStatusText(final_status);
  host_->ResetProgress(true);
  host_->SetOverallProgress(0);
  host_->ShowRunSummary(Summary());
  QApplication::restoreOverrideCursor();
  Q_EMIT SearchFinished();
}

bool DuplicateNamesPage::AllExpanded() const {
  bool any = false;
  for (int row = 0; row < model_->rowCount(); ++row) {
    const QModelIndex index = model_->index(row, 0);
    if (model_->rowCount(index) == 0) continue;
    if (!results->isExpanded(index)) return false;
    any = true;
  }
  return any;
}

void DuplicateNamesPage::UpdateExpandCaption() {
  expand_button->setText(AllExpanded() ? LX("LXCollapse") : LX("LXExpand"));
}

void DuplicateNamesPage::ToggleExpanded() {
  if (AllExpanded())
    results->collapseAll();
  else
    results->expandAll();
  UpdateExpandCaption();
  results->viewport()->update();
}
