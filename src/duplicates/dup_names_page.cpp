#include "duplicates/dup_names_page.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QToolButton>
#include <QVBoxLayout>

#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"

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
  const QString folder =
      QFileDialog::getExistingDirectory(this, QString(), Folder(), QFileDialog::ShowDirsOnly);
  if (!folder.isEmpty()) SetChosenFolder(folder);
}

void DupNamesFolderEdit::SetChosenFolder(const QString& folder) {
  edit_->setText(folder);
  Q_EMIT FolderChosen(folder);
}

// ---------------------------------------------------------------------------
// DuplicateNamesPage

DuplicateNamesPage::DuplicateNamesPage(PageHost* host, DupNamesSeeker* seeker, QWidget* parent)
    : QWidget(parent), host_(host), seeker_(seeker) {
  setObjectName(QStringLiteral("DuplicateNamesPage"));

  GroupBoxDupFolder1 = new QGroupBox(QStringLiteral("Folder 1"), this);
  GroupBoxDupFolder1->setObjectName(QStringLiteral("GroupBoxDupFolder1"));
  ElFolderNameEditDuplicates1 =
      new DupNamesFolderEdit(QStringLiteral("ElFolderNameEditDuplicates1"), GroupBoxDupFolder1);
  CheckBoxFolder1Subdirs = new QCheckBox(QStringLiteral("and sub-folders too"), GroupBoxDupFolder1);
  CheckBoxFolder1Subdirs->setObjectName(QStringLiteral("CheckBoxFolder1Subdirs"));
  CheckBoxFolder1Subdirs->setChecked(true);
  CheckBoxDatesMustMatch = new QCheckBox(QStringLiteral("check date too"), GroupBoxDupFolder1);
  CheckBoxDatesMustMatch->setObjectName(QStringLiteral("CheckBoxDatesMustMatch"));
  CheckBoxSizeMustMatch = new QCheckBox(QStringLiteral("check size too"), GroupBoxDupFolder1);
  CheckBoxSizeMustMatch->setObjectName(QStringLiteral("CheckBoxSizeMustMatch"));
  {
    auto* box = new QVBoxLayout(GroupBoxDupFolder1);
    box->addWidget(ElFolderNameEditDuplicates1);
    auto* checks = new QHBoxLayout;
    checks->addWidget(CheckBoxFolder1Subdirs);
    checks->addWidget(CheckBoxDatesMustMatch);
    checks->addWidget(CheckBoxSizeMustMatch);
    checks->addStretch(1);
    box->addLayout(checks);
  }

  GroupBoxDupFolder2 = new QGroupBox(QStringLiteral("Folder 2 (optional)"), this);
  GroupBoxDupFolder2->setObjectName(QStringLiteral("GroupBoxDupFolder2"));
  ElFolderNameEditDuplicates2 =
      new DupNamesFolderEdit(QStringLiteral("ElFolderNameEditDuplicates2"), GroupBoxDupFolder2);
  CheckBoxFolder2SubDirs = new QCheckBox(QStringLiteral("and sub-folders too"), GroupBoxDupFolder2);
  CheckBoxFolder2SubDirs->setObjectName(QStringLiteral("CheckBoxFolder2SubDirs"));
  CheckBoxFolder2SubDirs->setChecked(true);
  {
    auto* box = new QVBoxLayout(GroupBoxDupFolder2);
    box->addWidget(ElFolderNameEditDuplicates2);
    box->addWidget(CheckBoxFolder2SubDirs);
  }

  ElGroupBoxFoldersExclude = new QGroupBox(QStringLiteral("sub-folders to exclude"), this);
  ElGroupBoxFoldersExclude->setObjectName(QStringLiteral("ElGroupBoxFoldersExclude"));
  ElMemoDuplicatesIgnore = new QPlainTextEdit(ElGroupBoxFoldersExclude);
  ElMemoDuplicatesIgnore->setObjectName(QStringLiteral("ElMemoDuplicatesIgnore"));
  ElMemoDuplicatesIgnore->setToolTip(tr("Folder names to leave out, one per line"));
  (new QVBoxLayout(ElGroupBoxFoldersExclude))->addWidget(ElMemoDuplicatesIgnore);

  AdvGlowButtonDuplicateNamesFind = new QPushButton(QStringLiteral("Search"), this);
  AdvGlowButtonDuplicateNamesFind->setObjectName(QStringLiteral("AdvGlowButtonDuplicateNamesFind"));
  AdvGlowButtonDupnamesExpand = new QPushButton(QStringLiteral("Expand"), this);
  AdvGlowButtonDupnamesExpand->setObjectName(QStringLiteral("AdvGlowButtonDupnamesExpand"));
  AdvGlowButtonDupnamesExpand->setEnabled(false);

  TreeViewDupNames = new QTreeWidget(this);
  TreeViewDupNames->setObjectName(QStringLiteral("TreeViewDupNames"));
  TreeViewDupNames->setUniformRowHeights(true);
  TreeViewDupNames->setSelectionMode(QAbstractItemView::ExtendedSelection);
  SetUpTreeColumns();

  // Settings on the left, the exclusions and buttons on the right, the
  // results below.
  auto* top = new QHBoxLayout;
  auto* folders = new QVBoxLayout;
  folders->addWidget(GroupBoxDupFolder1);
  folders->addWidget(GroupBoxDupFolder2);
  top->addLayout(folders, 3);
  auto* right = new QVBoxLayout;
  right->addWidget(ElGroupBoxFoldersExclude, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(AdvGlowButtonDuplicateNamesFind);
  buttons->addWidget(AdvGlowButtonDupnamesExpand);
  right->addLayout(buttons);
  top->addLayout(right, 2);
  auto* page = new QVBoxLayout(this);
  page->addLayout(top);
  page->addWidget(TreeViewDupNames, 1);

  connect(ElFolderNameEditDuplicates1, &DupNamesFolderEdit::FolderChosen, this,
          &DuplicateNamesPage::ElFolderNameEditDuplicates1FolderChosen);
  connect(AdvGlowButtonDuplicateNamesFind, &QPushButton::clicked, this,
          &DuplicateNamesPage::AdvGlowButtonDuplicateNamesFindClick);
  connect(AdvGlowButtonDupnamesExpand, &QPushButton::clicked, this,
          &DuplicateNamesPage::AdvGlowButtonDupnamesExpandClick);

  seeker_->OnDuplicatesHandle = [this](std::int32_t order, std::int32_t n, const DupNamesRec& rec) {
    return DupNamesFileHandler(order, n, rec);
  };
  seeker_->OnProgressShow = [this](std::int32_t percent) { ProgressFromSearch(percent); };
  seeker_->OnDuplicatesStatus = [this](const QString& s) { StatusFromSearch(s); };
  status_timer_.start();
  if (host_) {
    host_->RegisterStartControl(AdvGlowButtonDuplicateNamesFind);
    // The Stop panel stops every engine; this one only sets flags.
    host_->AddStopHandler([seeker = seeker_] { seeker->Stop(); });
  }
}

void DuplicateNamesPage::SetUpTreeColumns() {
  TreeViewDupNames->setColumnCount(2);
  TreeViewDupNames->setHeaderLabels({LX("LXFilename"), LX("LXFolder")});
  // Two inches each at the screen's resolution; the columns keep their widths
  // rather than stretching to fill the tree.
  const int ppi = logicalDpiX();
  TreeViewDupNames->header()->setStretchLastSection(false);
  TreeViewDupNames->setColumnWidth(0, 2 * ppi);
  TreeViewDupNames->setColumnWidth(1, 2 * ppi);
}

void DuplicateNamesPage::ElFolderNameEditDuplicates1FolderChosen() {
  ElFolderNameEditDuplicates2->SetFolder(ElFolderNameEditDuplicates1->Edit()->text());
}

void DuplicateNamesPage::AdvGlowButtonDuplicateNamesFindClick() {
  if (searching_ || (host_ && host_->ToolRunning())) return;
  const QString folder1 = ElFolderNameEditDuplicates1->Folder();
  const QString folder2 = ElFolderNameEditDuplicates2->Folder();
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
  const bool one_folder = folder2.isEmpty() || folder2 == folder1;
  if (one_folder) {
    const QString question =
        Format(LX("LXSearchWithin"), {folder1}) + QLatin1Char('\r') +
        (CheckBoxFolder1Subdirs->isChecked() ? LX("LXAndAllSubFoldersExcludingAnyListedBelow")
                                             : LX("LXOnly"));
    if (OKToDoX(question, kHelpContext) != mrOK) return;
  }

  host_->ResetProgress(false);
  AdvGlowButtonDuplicateNamesFind->setEnabled(false);
  AdvGlowButtonDupnamesExpand->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);

  seeker_->OnDuplicatesStatus = [this](const QString& s) { StatusFromSearch(s); };
  TreeViewDupNames->clear();
  lines_.Clear();
  {
    std::lock_guard<std::mutex> lock(status_mutex_);
    last_status_.clear();
    last_percent_ = -1;
  }

  DupNamesSearch search;
  search.folder1 = folder1;
  search.folder2 = folder2;
  search.folder1_subfolders = CheckBoxFolder1Subdirs->isChecked();
  search.folder2_subfolders = CheckBoxFolder2SubDirs->isChecked();
  search.only_folder1 = one_folder;
  search.must_be_same_date = CheckBoxDatesMustMatch->isChecked();
  search.must_be_same_size = CheckBoxSizeMustMatch->isChecked();
  search.excluded_folders = ElMemoDuplicatesIgnore->toPlainText();
  searching_ = true;
  auto work = [search, this] { seeker_->SeekNamesDuplicatesIn(search); };
  if (!host_->RunTool(QStringLiteral("Duplicate Names"), work, [this](bool) { SearchDone(); }))
    SearchDone();
}

bool DuplicateNamesPage::DupNamesFileHandler(std::int32_t show_order, std::int32_t n_duplicates,
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

void DuplicateNamesPage::FillTree() {
  TreeViewDupNames->setUpdatesEnabled(false);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(lines_.Groups().size()));
  for (const DupNamesTreeGroup& g : lines_.Groups()) {
    auto* top =
        new QTreeWidgetItem(QStringList{DisplayName(g.key), DupNamesFolderText(g.files.front())});
    for (std::size_t k = 1; k < g.files.size(); ++k)
      top->addChild(new QTreeWidgetItem(QStringList{QString(), DupNamesFolderText(g.files[k])}));
    items.push_back(top);
  }
  TreeViewDupNames->addTopLevelItems(items);
  TreeViewDupNames->setUpdatesEnabled(true);
}

void DuplicateNamesPage::SearchDone() {
  FillTree();
  searching_ = false;
  AdvGlowButtonDuplicateNamesFind->setEnabled(true);
  AdvGlowButtonDupnamesExpand->setEnabled(TreeViewDupNames->topLevelItemCount() > 0);
  QString final_status;
  {
    std::lock_guard<std::mutex> lock(status_mutex_);
    final_status = last_status_;
  }
  host_->ShowStatusText(final_status);
  host_->ResetProgress(true);
  host_->SetOverallProgress(0);
  QApplication::restoreOverrideCursor();
  Q_EMIT SearchFinished();
}

void DuplicateNamesPage::AdvGlowButtonDupnamesExpandClick() {
  dup_names_expanded = !dup_names_expanded;
  if (dup_names_expanded) {
    TreeViewDupNames->expandAll();
    AdvGlowButtonDupnamesExpand->setText(LX("LXCollapse"));
  } else {
    AdvGlowButtonDupnamesExpand->setText(LX("LXExpand"));
    TreeViewDupNames->collapseAll();
  }
  TreeViewDupNames->viewport()->update();
}
