#include "duplicates/dup_contents_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "duplicates/dup_contents_moving.h"
#include "duplicates/dup_contents_rows.h"
#include "duplicates/dup_contents_search.h"
#include "duplicates/dup_contents_table_model.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/run_summary.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"
#include "runtime/tree_lock.h"
#include "runtime/word_lists.h"
#include "ui_kit/copy_a_list_gui.h"
#include "ui_kit/folder_field_gui.h"
#include "ui_kit/page_host_gui.h"
#include "ui_kit/result_columns_gui.h"
#include "ui_kit/text_viewer_window.h"

namespace {

const QString kSettingsGroup = QStringLiteral("DuplicateContentsPage");

QDoubleSpinBox* PercentBox(QWidget* parent, const char* name, const QString& tip) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QLatin1String(name));
  box->setDecimals(2);
  box->setSingleStep(0.1);
  box->setRange(0.0, 100.0);
  box->setValue(0.5);
  box->setToolTip(tip);
  return box;
}

// A line that is markup only, such as "<p>" or "</head>".
bool IsAngleBracketed(const QString& line) {
  const QString t = line.trimmed();
  return t.size() >= 2 && t.startsWith(QLatin1Char('<')) && t.endsWith(QLatin1Char('>'));
}

int SpareCopies(const DupContentsSeeker& seeker) {
  int n = 0;
  for (int g = 0; g < seeker.dup_contents_top_list.Count(); ++g)
    n += seeker.dup_contents_top_list.MemberCount(g) - 1;
  return n;
}

}  // namespace

DuplicateContentsPage::DuplicateContentsPage(PageHost* host, DupContentsSeeker* seeker,
                                             QWidget* parent)
    : QWidget(parent), host_(host), seeker_(seeker), model_(new DupContentsTableModel(this)) {
  setObjectName(QStringLiteral("DuplicateContentsPage"));
  BuildControls();
  BuildResultTable();
  control_key_down = [] {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
  };
  ask_start_percent = [this](int* start_percent) {
    QInputDialog dlg(this);
    dlg.setWindowTitle(QStringLiteral("Input"));
    dlg.setLabelText(LX("LXPercentageToProcessFromQ"));
    dlg.setTextValue(QStringLiteral("0"));
    dlg.setWhatsThis(QString::number(kHelpContext));
    if (dlg.exec() != QDialog::Accepted) return false;
    bool ok = false;
    const int v = dlg.textValue().trimmed().toInt(&ok);
    *start_percent = ok ? v : -1;
    return true;
  };
  if (host_) {
    host_->RegisterStartControl(search_button_);
    host_->RegisterStartControl(restore_button_);
    host_->AddStopHandler([this] {
      global_panic_state.store(2);
      walker_.Stop();
    });
  }
  SetCopyTextProvider(
      results_, [this] { return busy_ || !seeker_ ? QString() : DupContentsAsText(*seeker_); },
      kHelpContext);
}

DuplicateContentsPage::~DuplicateContentsPage() { FreeShowForms(); }

void DuplicateContentsPage::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  outer->addLayout(grid);

  auto* folder_label = new QLabel(QStringLiteral("&Folder to search"), this);
  grid->addWidget(folder_label, 0, 0);
  auto* folder_row = new QHBoxLayout;
  folder_edit_ = new QLineEdit(this);
  folder_edit_->setObjectName(QStringLiteral("MyOpenFolderDialogDuplicateContents"));
  folder_label->setBuddy(folder_edit_);
  auto* browse = new QToolButton(this);
  browse->setText(QStringLiteral("..."));
  browse->setToolTip(QStringLiteral("Choose the folder to search"));
  browse->setObjectName(QStringLiteral("MyOpenFolderDialogDuplicateContentsBrowse"));
  connect(browse, &QToolButton::clicked, this, [this] {
    const QString dir = ChooseFolder(this, FolderText());
    if (!dir.isEmpty()) folder_edit_->setText(dir);
  });
  folder_row->addWidget(folder_edit_, 1);
  folder_row->addWidget(browse);
  grid->addLayout(folder_row, 0, 1, 1, 5);

  check_dates_ = new QCheckBox(QStringLiteral("Check &dates"), this);
  check_dates_->setObjectName(QStringLiteral("AdvOfficeCheckBoxDupContentsUseDates"));
  check_dates_->setChecked(true);
  connect(check_dates_, &QCheckBox::toggled, this, [this](bool on) { max_days_->setEnabled(on); });
  grid->addWidget(check_dates_, 1, 0);
  grid->addWidget(new QLabel(QStringLiteral("max diff in days"), this), 1, 1);
  max_days_ = new QSpinBox(this);
  max_days_->setObjectName(QStringLiteral("AdvSpinEditDupContentsDateDiff"));
  max_days_->setRange(0, 365000);
  max_days_->setValue(1);
  max_days_->setToolTip(
      QStringLiteral("Texts whose date stamps lie more whole days apart are not compared."));
  grid->addWidget(max_days_, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("File-types"), this), 1, 3);
  file_types_ = new QComboBox(this);
  file_types_->setObjectName(QStringLiteral("myAdvFilterComboDupContents"));
  file_types_->addItems(FileTypeCaptions());
  file_types_->setCurrentIndex(0);
  grid->addWidget(file_types_, 1, 4, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("max length diff %"), this), 2, 0);
  max_length_diff_ = PercentBox(
      this, "AdvSpinEditDupContentsLengthDiff",
      QStringLiteral("Only texts whose sizes differ by at most this percentage of their mean size "
                     "are compared."));
  grid->addWidget(max_length_diff_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("max words diff %"), this), 2, 2);
  max_words_diff_ = PercentBox(
      this, "AdvSpinEditDupContentsTTDiff",
      QStringLiteral("Two texts are near duplicates when their word lists differ by at most this "
                     "percentage: the words (types) and the running words (tokens) that one text "
                     "has and the other lacks, counted against the texts' lengths. 0 means the "
                     "same words the same number of times."));
  grid->addWidget(max_words_diff_, 2, 3);
  same_folder_ = new QCheckBox(QStringLiteral("same f&older"), this);
  same_folder_->setObjectName(QStringLiteral("AdvOfficeCheckBoxDupContentsSameFolder"));
  same_folder_->setToolTip(QStringLiteral("Compare only texts that lie in the same folder."));
  same_folder_->setChecked(true);
  grid->addWidget(same_folder_, 2, 4);
  ignore_spacing_ = new QCheckBox(QStringLiteral("ignore line ends and spacing"), this);
  ignore_spacing_->setObjectName(QStringLiteral("CheckBoxDupContentsIgnoreSpacing"));
  ignore_spacing_->setToolTip(QStringLiteral(
      "Compare sizes and passages as if every run of white space were one blank and there were no "
      "byte-order mark: finds copies with other line ends or line wrapping."));
  grid->addWidget(ignore_spacing_, 2, 5);

  auto* buttons = new QHBoxLayout;
  search_button_ = new QPushButton(QStringLiteral("&Search"), this);
  search_button_->setObjectName(QStringLiteral("AdvGlowButtonDuplicateContentsSearch"));
  search_button_->setToolTip(QStringLiteral(
      "Search the folder and its sub-folders. Hold Ctrl to start part of the way down the list."));
  move_button_ = new QPushButton(QStringLiteral("&Move"), this);
  move_button_->setObjectName(QStringLiteral("AdvGlowButtonDupContentsRemove"));
  move_button_->setToolTip(
      QStringLiteral("Move every file marked for deletion into a \"%1\" folder beside it")
          .arg(MovedFilesWord()));
  move_button_->setEnabled(false);
  restore_button_ = new QPushButton(QStringLiteral("&Restore any moved"), this);
  restore_button_->setObjectName(QStringLiteral("AdvGlowButtonDupContentsUNRemove"));
  restore_button_->setToolTip(
      QStringLiteral("Move the files of every \"%1\" folder under the folder back, as .txt files")
          .arg(MovedFilesWord()));
  found_label_ = new QLabel(this);
  found_label_->setObjectName(QStringLiteral("LabelDuplicatesFound"));
  time_remaining_ = new QLineEdit(this);
  time_remaining_->setObjectName(QStringLiteral("AdvEditTimeRemaining"));
  time_remaining_->setReadOnly(true);
  time_remaining_->setMaximumWidth(90);
  time_remaining_->setToolTip(QStringLiteral("Time remaining"));
  time_remaining_->hide();
  buttons->addWidget(search_button_);
  buttons->addWidget(move_button_);
  buttons->addWidget(restore_button_);
  buttons->addSpacing(12);
  buttons->addWidget(found_label_, 1);
  buttons->addWidget(time_remaining_);
  outer->addLayout(buttons);
  connect(search_button_, &QPushButton::clicked, this, &DuplicateContentsPage::Search);
  connect(move_button_, &QPushButton::clicked, this, &DuplicateContentsPage::MoveSpareCopies);
  connect(restore_button_, &QPushButton::clicked, this, &DuplicateContentsPage::RestoreMoved);
}

void DuplicateContentsPage::BuildResultTable() {
  results_ = new QTableView(this);
  results_->setObjectName(QStringLiteral("AdvListViewDupContents"));
  results_->setModel(model_);
  results_->setSelectionBehavior(QAbstractItemView::SelectRows);
  results_->setSelectionMode(QAbstractItemView::SingleSelection);
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->setShowGrid(true);
  // A path has no place to wrap: without this the view wraps it and cuts
  // the end off instead of eliding the middle.
  results_->setWordWrap(false);
  results_->setTextElideMode(Qt::ElideMiddle);
  results_->verticalHeader()->hide();
  results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  results_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView* header = results_->horizontalHeader();
  header->setTextElideMode(Qt::ElideRight);
  const int ppi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  QList<int> widths{3 * ppi};
  for (int c = 1; c < kDupContentsColumns; ++c) {
    // At least as wide as the heading, so that no heading is cut.
    const QString heading = DupContentsHeading(static_cast<DupContentsColumn>(c));
    widths << std::max(ppi * 3 / 4, header->fontMetrics().horizontalAdvance(heading) + 24);
  }
  // The keep column is the last: it stretches to the edge from its own width,
  // and the name column takes the room the number columns leave, so that
  // names are cut as little as the window allows.
  header->resizeSection(kDupContentsColumns - 1, widths.back());
  header->setStretchLastSection(true);
  new FittedFirstColumn(results_, header, kSettingsGroup, widths, widths.back());
  results_->setContextMenuPolicy(Qt::CustomContextMenu);
  layout()->addWidget(results_);
  static_cast<QVBoxLayout*>(layout())->setStretchFactor(results_, 1);

  popup_menu_ = new QMenu(this);
  popup_menu_->setObjectName(QStringLiteral("AdvPopupMenuDuplicContents"));
  popup_menu_->addAction(QStringLiteral("&Copy"), this, &DuplicateContentsPage::CopyList);
  popup_menu_->addAction(QStringLiteral("&Remove"), this, &DuplicateContentsPage::MoveSpareCopies);
  popup_menu_->addAction(QStringLiteral("&Show"), this, &DuplicateContentsPage::ShowSelectedGroup);
  popup_menu_->addAction(QStringLiteral("&Keep"), this, &DuplicateContentsPage::KeepSelected);
  connect(results_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    results_->setFocus();
    popup_menu_->popup(results_->viewport()->mapToGlobal(pos));
  });
  connect(results_, &QTableView::doubleClicked, this, &DuplicateContentsPage::ShowSelectedGroup);
}

QString DuplicateContentsPage::FolderText() const { return folder_edit_->text().trimmed(); }

QString DuplicateContentsPage::UsableFolder() {
  const QString folder = FolderText();
  if (folder.isEmpty()) {
    FormNotFilled(LX("LXFolder"), kHelpContext);
    return QString();
  }
  if (!IsExistingFolder(folder)) {
    ShowSummary(FolderNotFoundSummary(folder));
    return QString();
  }
  return folder;
}

void DuplicateContentsPage::SetBusy(bool busy) {
  busy_ = busy;
  search_button_->setEnabled(!busy);
  restore_button_->setEnabled(!busy);
  move_button_->setEnabled(!busy && seeker_ && seeker_->dup_contents_top_list.Count() > 0);
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void DuplicateContentsPage::ShowSummary(const QString& line) {
  if (host_) host_->ShowRunSummary(line);
}

void DuplicateContentsPage::RunPageTool(const std::function<void()>& work,
                                        const std::function<void(bool)>& done) {
  SetBusy(true);
  if (host_ && host_->RunTool(QStringLiteral("Duplicate Contents"), work, done)) return;
  SetBusy(false);
  if (!host_) {  // no window to run it for us: run it here
    work();
    done(true);
  }
}

void DuplicateContentsPage::Search() {
  if (busy_ || !seeker_ || (host_ && host_->ToolRunning())) return;
  int start_percent = 0;
  if (control_key_down && control_key_down() && ask_start_percent) {
    int asked = 0;
    if (ask_start_percent(&asked)) start_percent = asked;
  }
  const QString folder = UsableFolder();
  if (folder.isEmpty()) return;
  ElapsedTime(true);
  found_label_->clear();
  time_remaining_->clear();
  // The table shows the seeker's groups, which are being rebuilt.
  model_->Detach();
  seeker_->Clear();
  searched_folder_ = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  move_button_->setEnabled(false);

  DupContentsSearch search;
  search.folder = folder;
  search.file_mask = FileTypeMaskAt(file_types_->currentIndex());
  search.criteria.tag_span = GetIgnoreTagsSpan();
  search.criteria.max_length_diff_percent = static_cast<float>(max_length_diff_->value());
  search.criteria.max_days_diff = max_days_->value();
  search.criteria.max_words_diff_percent = static_cast<float>(max_words_diff_->value());
  search.criteria.check_dates = check_dates_->isChecked();
  search.criteria.same_folder = same_folder_->isChecked();
  search.criteria.normalize_space = ignore_spacing_->isChecked();
  search.criteria.start_percent = start_percent;

  auto result = std::make_shared<DupContentsSearchResult>();
  QPointer<DuplicateContentsPage> self(this);
  auto on_page = [self](std::function<void(DuplicateContentsPage*)> f) {
    QMetaObject::invokeMethod(
        self.data(),
        [self, f] {
          if (self) f(self.data());
        },
        Qt::QueuedConnection);
  };
  PageHost* host = host_;
  DupContentsCallbacks callbacks;
  callbacks.time_remaining = [on_page](const QString& t) {
    on_page([t](DuplicateContentsPage* p) {
      p->time_remaining_->setText(t);
      p->time_remaining_->show();
    });
  };
  callbacks.found_label = [on_page](const QString& t) {
    on_page([t](DuplicateContentsPage* p) { p->found_label_->setText(t); });
  };
  callbacks.status = [host](const QString& s) {
    if (host) host->ShowStatusText(s);
  };
  callbacks.percent = [host](int p) { return host ? host->SetOverallProgress(p) : false; };
  callbacks.second_percent = [host](int p) {
    if (host) host->SetSecondProgress(p);
  };
  callbacks.count = [host](long long done, long long total) {
    if (host) host->ShowCountOutOf(done, total);
  };
  DupContentsSeeker* seeker = seeker_;
  FileWalker* walker = &walker_;
  auto work = [=] {
    global_panic_state.store(0);
    *result = RunDupContentsSearch(*seeker, *walker, search, callbacks);
  };
  auto done = [=, this](bool) {
    if (!self) return;
    FillRows();
    results_->scrollToTop();
    if (host) {
      host->ShowStatusText(QString());
      host->ResetProgress(true);
    }
    time_remaining_->hide();
    SetBusy(false);
    walker_.Clear();
    move_button_->setEnabled(result->pairs > 0);
    ShowSummary(DupContentsSummary(*result));
    if (!result->empty_files.isEmpty())
      ReportedAFact(Format(LX("LXEmptyFile"), {result->empty_files.join(QStringLiteral("\r\n"))}),
                    kHelpContext);
    Q_EMIT SearchFinished(result->pairs);
  };
  if (host) host->ResetProgress(false);
  RunPageTool(work, done);
}

void DuplicateContentsPage::FillRows() { model_->Fill(seeker_); }

void DuplicateContentsPage::KeepSelected() {
  if (busy_ || !seeker_) return;
  // Without a selected row there is nothing to keep.
  model_->KeepRow(results_->currentIndex().row());
}

void DuplicateContentsPage::MoveSpareCopies() {
  if (busy_ || !seeker_ || (host_ && host_->ToolRunning())) return;
  const int spare = SpareCopies(*seeker_);
  if (spare == 0) return;
  const QString question =
      QStringLiteral(
          "move %1, all but the kept file of each group, into a \"%2\" folder beside each")
          .arg(CountOf(spare), MovedFilesWord());
  if (OKToDoX(question, kHelpContext) != mrOK) return;
  auto moved = std::make_shared<int>(0);
  auto plan = std::make_shared<std::vector<PlannedFileMove>>();
  auto problems = std::make_shared<std::vector<FileMoveProblem>>();
  auto refusal = std::make_shared<QString>();
  QPointer<DuplicateContentsPage> self(this);
  DupContentsSeeker* seeker = seeker_;
  PageHost* host = host_;
  const QString tree = searched_folder_;
  auto work = [=] {
    global_panic_state.store(0);
    const TreeMoveLock lock(tree);
    if (!lock.Held()) {
      *refusal = lock.Refusal();
      return;
    }
    *plan = PlanMovesNotKept(*seeker, tree);
    *moved = MoveFilesNotKept(
        *seeker, tree,
        [host](int g, int n) {
          if (host) host->SetOverallProgress(n > 0 ? g * 100 / n : 0);
        },
        problems.get());
  };
  auto done = [=, this](bool) {
    if (!self) return;
    if (host) host->ResetProgress(true);
    SetBusy(false);
    if (!refusal->isEmpty()) {
      ShowSummary(QStringLiteral("Nothing moved: ") + *refusal);
      ReportedAFact(*refusal, kHelpContext);
      return;
    }
    for (const PlannedFileMove& p : *plan)
      if (IsExistingFile(p.to) && !IsExistingFile(p.from)) moved_from_.insert(p.to, p.from);
    NFilesCopiedOrMoved(*moved, true,
                        (MovedFilesWord() + QLatin1Char(' ') + LX("LXFolders")).toLower(),
                        kHelpContext);
    QString summary = QStringLiteral("Moved ") + CountOf(*moved) + QStringLiteral(" of ") +
                      CountOf(spare, QStringLiteral("spare copy"), QStringLiteral("spare copies"));
    if (!problems->empty()) {
      summary += QStringLiteral(", ") +
                 QLocale().toString(static_cast<qlonglong>(problems->size())) +
                 QStringLiteral(" could not be moved");
      QStringList lines;
      for (const FileMoveProblem& p : *problems)
        lines << DisplayName(p.file) + QStringLiteral(": ") + p.reason;
      ReportedAFact(lines.join(QStringLiteral("\r\n")), kHelpContext);
    }
    ShowSummary(summary);
    Q_EMIT MoveFinished(*moved);
  };
  if (host) host->ResetProgress(false);
  RunPageTool(work, done);
}

QStringList DuplicateContentsPage::RenamedByRestore(const QString& folder) const {
  // The files this page moved whose names end otherwise than .txt: a web
  // page would come back as a text file.
  QStringList renamed;
  const QString root = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) + QLatin1Char('/');
  for (auto it = moved_from_.constBegin(); it != moved_from_.constEnd(); ++it) {
    const QString target = RestoreTarget(it.key());
    if (!it.key().startsWith(root) || !IsExistingFile(it.key()) || target == it.value()) continue;
    renamed << QStringLiteral("  %1 comes back as %2")
                   .arg(DisplayName(it.value()), QFileInfo(target).fileName());
  }
  renamed.sort();
  return renamed;
}

void DuplicateContentsPage::RestoreMoved() {
  if (busy_ || (host_ && host_->ToolRunning())) return;
  const QString folder = UsableFolder();
  if (folder.isEmpty()) return;
  const QString what = QStringLiteral(
                           "move the files of every \"%1\" folder under %2 back to the folder "
                           "above it, each with the extension .txt")
                           .arg(MovedFilesWord(), DisplayName(folder));
  const QStringList renamed = RenamedByRestore(folder);
  const int answer =
      renamed.isEmpty()
          ? OKToDoX(what, kHelpContext)
          : WarnAboutAndASKOK(QStringLiteral("A restore would %1.\r\nThese were not .txt files "
                                             "when they were moved:\r\n%2")
                                  .arg(what, renamed.join(QStringLiteral("\r\n"))),
                              kHelpContext);
  if (answer != mrOK) return;
  auto outcome = std::make_shared<RestoreOutcome>();
  QPointer<DuplicateContentsPage> self(this);
  PageHost* host = host_;
  auto work = [=] {
    global_panic_state.store(0);
    *outcome = RestoreMovedFiles(folder, [host](int done, int total) {
      if (host) host->SetOverallProgress(total > 0 ? done * 100 / total : 0);
    });
  };
  auto done = [=, this](bool) {
    if (!self) return;
    if (host) host->ResetProgress(true);
    SetBusy(false);
    if (!outcome->refusal.isEmpty()) {
      ShowSummary(QStringLiteral("Nothing restored: ") + outcome->refusal);
      ReportedAFact(outcome->refusal, kHelpContext);
      return;
    }
    const QString restored = CountOf(outcome->restored) + QStringLiteral(" restored");
    ShowSummary(CheckedSummary(outcome->found, restored, QStringLiteral("moved file"),
                               QStringLiteral("moved files")));
    // One box for the whole run: how many came back, and each file that
    // stayed where it is with the reason.
    QStringList lines{
        restored + QStringLiteral(" of ") +
        CountOf(outcome->found, QStringLiteral("moved file"), QStringLiteral("moved files")) +
        QStringLiteral(" found")};
    for (const RestoreFailure& f : outcome->failures) {
      QString line =
          QStringLiteral("Not restored: %1 as %2").arg(DisplayName(f.from), DisplayName(f.to));
      if (!f.reason.isEmpty()) line += QStringLiteral(": ") + f.reason;
      lines << line;
    }
    for (auto it = moved_from_.begin(); it != moved_from_.end();)
      it = IsExistingFile(it.key()) ? std::next(it) : moved_from_.erase(it);
    ReportedAFact(lines.join(QStringLiteral("\r\n")), kHelpContext);
    Q_EMIT RestoreFinished(outcome->restored);
  };
  if (host) host->ResetProgress(false);
  RunPageTool(work, done);
}

void DuplicateContentsPage::CopyList() { CopyAList(QApplication::focusWidget()); }

void DuplicateContentsPage::FreeShowForms() {
  for (QPointer<TextViewerWindow>& form : show_forms_) delete form.data();
  show_forms_.clear();
}

void DuplicateContentsPage::ShowSelectedGroup() {
  if (busy_ || showing_group_ || !seeker_) return;
  showing_group_ = true;
  const int g = model_->Rows().GroupOfRow(results_->currentIndex().row());
  if (g < 0) {
    showing_group_ = false;
    return;
  }
  FreeShowForms();
  const DupContentsGroup group = seeker_->dup_contents_top_list.Group(g);
  const int members = group.dup_contents_list->Count();
  show_forms_.resize(static_cast<std::size_t>(members));
  comparison_strings_.clear();

  // The viewers stand side by side across the screen, one per member.
  QWidget* main_window = window();
  QWidget* status = main_window->findChild<QWidget*>(QStringLiteral("AdvOfficeStatusBar1"));
  if (!status) status = main_window->findChild<QStatusBar*>();
  const QScreen* screen =
      main_window->screen() ? main_window->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const int width = std::max(240, area.width() / std::max(members, 1));

  for (int m = 0; m < members; ++m) {
    const QString name = seeker_->FullFilename(group.dup_contents_list->GetAValue(m).file_index);
    if (!IsExistingFile(name)) continue;
    if (m == 0) {
      QString text;
      try {
        text = ReadTextOfFile(name);
      } catch (const SorvelError&) {
        text.clear();
      }
      comparison_strings_ = text.split(QStringLiteral("\r\n"));
      if (!comparison_strings_.isEmpty() && comparison_strings_.last().isEmpty())
        comparison_strings_.removeLast();
      comparison_strings_.removeIf(IsAngleBracketed);
    }
    auto* form = new TextViewerWindow(main_window);
    form->setWindowFlag(Qt::Window, true);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    show_forms_[static_cast<std::size_t>(m)] = form;
    if (m > 0) form->SetComparisonWholeLines(&comparison_strings_);
    form->setGeometry(area.left() + m * width, area.top() + 40, width,
                      std::min(area.height() - 80, 600));
    ViewerFileDetails details;
    details.full_path = name;
    details.info1 = Format(QStringLiteral("(%d)"), {m + 1});
    form->OpenAndShowAText(details, status);
    form->show();
    // The lines this member shares with the head, at once.
    if (m > 0 && form->isVisible()) form->HighlightSimilarities();
  }
  showing_group_ = false;
}
