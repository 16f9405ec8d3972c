#include "duplicates/dup_contents_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
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
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "duplicates/dup_contents_moving.h"
#include "duplicates/dup_contents_search.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"
#include "runtime/tree_lock.h"
#include "runtime/word_lists.h"
#include "ui_kit/copy_a_list_gui.h"
#include "ui_kit/page_host_gui.h"
#include "ui_kit/text_viewer_window.h"

namespace {

QDoubleSpinBox* PercentBox(QWidget* parent, const char* name) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QLatin1String(name));
  box->setDecimals(2);
  box->setSingleStep(0.1);
  box->setRange(0.0, 100.0);
  box->setValue(0.5);
  return box;
}

}  // namespace

DuplicateContentsPage::DuplicateContentsPage(PageHost* host, DupContentsSeeker* seeker,
                                             QWidget* parent)
    : QWidget(parent), host_(host), seeker_(seeker) {
  setObjectName(QStringLiteral("DuplicateContentsPage"));
  BuildControls();
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
    host_->RegisterStartControl(AdvGlowButtonDuplicateContentsSearch);
    host_->RegisterStartControl(AdvGlowButtonDupContentsUNRemove);
    host_->AddStopHandler([this] {
      global_panic_state.store(2);
      FileAndDirIteratorDuplicateContents.Stop();
    });
  }
  SetCopyTextProvider(
      AdvListViewDupContents, [this] { return busy_ || !seeker_ ? QString() : seeker_->AsText(); },
      kHelpContext);
}

DuplicateContentsPage::~DuplicateContentsPage() { FreeShowForms(); }

void DuplicateContentsPage::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  outer->addLayout(grid);

  grid->addWidget(new QLabel(QStringLiteral("Folder to search"), this), 0, 0);
  auto* folder_row = new QHBoxLayout;
  MyOpenFolderDialogDuplicateContents = new QLineEdit(this);
  MyOpenFolderDialogDuplicateContents->setObjectName(
      QStringLiteral("MyOpenFolderDialogDuplicateContents"));
  auto* browse = new QToolButton(this);
  browse->setText(QStringLiteral("..."));
  browse->setObjectName(QStringLiteral("MyOpenFolderDialogDuplicateContentsBrowse"));
  connect(browse, &QToolButton::clicked, this, [this] {
    const QString dir =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Folder to search"), FolderText());
    if (!dir.isEmpty()) MyOpenFolderDialogDuplicateContents->setText(dir);
  });
  folder_row->addWidget(MyOpenFolderDialogDuplicateContents, 1);
  folder_row->addWidget(browse);
  grid->addLayout(folder_row, 0, 1, 1, 5);

  AdvOfficeCheckBoxDupContentsUseDates = new QCheckBox(QStringLiteral("Check dates"), this);
  AdvOfficeCheckBoxDupContentsUseDates->setObjectName(
      QStringLiteral("AdvOfficeCheckBoxDupContentsUseDates"));
  AdvOfficeCheckBoxDupContentsUseDates->setChecked(true);
  connect(AdvOfficeCheckBoxDupContentsUseDates, &QCheckBox::clicked, this,
          &DuplicateContentsPage::AdvOfficeCheckBoxDupContentsUseDatesClick);
  grid->addWidget(AdvOfficeCheckBoxDupContentsUseDates, 1, 0);
  grid->addWidget(new QLabel(QStringLiteral("max diff in days"), this), 1, 1);
  AdvSpinEditDupContentsDateDiff = new QSpinBox(this);
  AdvSpinEditDupContentsDateDiff->setObjectName(QStringLiteral("AdvSpinEditDupContentsDateDiff"));
  AdvSpinEditDupContentsDateDiff->setRange(0, 365000);
  AdvSpinEditDupContentsDateDiff->setValue(1);
  grid->addWidget(AdvSpinEditDupContentsDateDiff, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("File-types"), this), 1, 3);
  myAdvFilterComboDupContents = new QComboBox(this);
  myAdvFilterComboDupContents->setObjectName(QStringLiteral("myAdvFilterComboDupContents"));
  myAdvFilterComboDupContents->addItems(FileTypeCaptions());
  myAdvFilterComboDupContents->setCurrentIndex(0);
  grid->addWidget(myAdvFilterComboDupContents, 1, 4, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("max length diff %"), this), 2, 0);
  AdvSpinEditDupContentsLengthDiff = PercentBox(this, "AdvSpinEditDupContentsLengthDiff");
  grid->addWidget(AdvSpinEditDupContentsLengthDiff, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("max words diff %"), this), 2, 2);
  AdvSpinEditDupContentsTTDiff = PercentBox(this, "AdvSpinEditDupContentsTTDiff");
  grid->addWidget(AdvSpinEditDupContentsTTDiff, 2, 3);
  AdvOfficeCheckBoxDupContentsSameFolder = new QCheckBox(QStringLiteral("same folder"), this);
  AdvOfficeCheckBoxDupContentsSameFolder->setObjectName(
      QStringLiteral("AdvOfficeCheckBoxDupContentsSameFolder"));
  AdvOfficeCheckBoxDupContentsSameFolder->setChecked(true);
  grid->addWidget(AdvOfficeCheckBoxDupContentsSameFolder, 2, 4);
  CheckBoxDupContentsIgnoreSpacing =
      new QCheckBox(QStringLiteral("ignore line ends and spacing"), this);
  CheckBoxDupContentsIgnoreSpacing->setObjectName(
      QStringLiteral("CheckBoxDupContentsIgnoreSpacing"));
  CheckBoxDupContentsIgnoreSpacing->setToolTip(QStringLiteral(
      "Compare sizes and passages as if every run of white space were one blank and there were no "
      "byte-order mark: finds copies with other line ends or line wrapping."));
  grid->addWidget(CheckBoxDupContentsIgnoreSpacing, 2, 5);

  auto* buttons = new QHBoxLayout;
  AdvGlowButtonDuplicateContentsSearch = new QPushButton(QStringLiteral("Search"), this);
  AdvGlowButtonDuplicateContentsSearch->setObjectName(
      QStringLiteral("AdvGlowButtonDuplicateContentsSearch"));
  AdvGlowButtonDuplicateContentsSearch->setToolTip(QStringLiteral(
      "Search the folder and its sub-folders. Hold Ctrl to start part of the way down the list."));
  AdvGlowButtonDupContentsRemove = new QPushButton(QStringLiteral("Move"), this);
  AdvGlowButtonDupContentsRemove->setObjectName(QStringLiteral("AdvGlowButtonDupContentsRemove"));
  AdvGlowButtonDupContentsRemove->setEnabled(false);
  AdvGlowButtonDupContentsUNRemove = new QPushButton(QStringLiteral("Restore any moved"), this);
  AdvGlowButtonDupContentsUNRemove->setObjectName(
      QStringLiteral("AdvGlowButtonDupContentsUNRemove"));
  LabelDuplicatesFound = new QLabel(this);
  LabelDuplicatesFound->setObjectName(QStringLiteral("LabelDuplicatesFound"));
  AdvEditTimeRemaining = new QLineEdit(this);
  AdvEditTimeRemaining->setObjectName(QStringLiteral("AdvEditTimeRemaining"));
  AdvEditTimeRemaining->setReadOnly(true);
  AdvEditTimeRemaining->setMaximumWidth(90);
  AdvEditTimeRemaining->hide();
  buttons->addWidget(AdvGlowButtonDuplicateContentsSearch);
  buttons->addWidget(AdvGlowButtonDupContentsRemove);
  buttons->addWidget(AdvGlowButtonDupContentsUNRemove);
  buttons->addSpacing(12);
  buttons->addWidget(LabelDuplicatesFound, 1);
  buttons->addWidget(AdvEditTimeRemaining);
  outer->addLayout(buttons);
  connect(AdvGlowButtonDuplicateContentsSearch, &QPushButton::clicked, this,
          &DuplicateContentsPage::AdvGlowButtonDuplicateContentsSearchClick);
  connect(AdvGlowButtonDupContentsRemove, &QPushButton::clicked, this,
          &DuplicateContentsPage::AdvGlowButtonDupContentsMoveClick);
  connect(AdvGlowButtonDupContentsUNRemove, &QPushButton::clicked, this,
          &DuplicateContentsPage::AdvGlowButtonDupContentsUNRemoveClick);

  AdvListViewDupContents = new QTableWidget(0, 5, this);
  AdvListViewDupContents->setObjectName(QStringLiteral("AdvListViewDupContents"));
  AdvListViewDupContents->setHorizontalHeaderLabels({LX("LXFilenames"), LX("LXTokens"),
                                                     LX("LXTokenDifferences"),
                                                     LX("LXTypeDifferences"), LX("LXKeep")});
  AdvListViewDupContents->setSelectionBehavior(QAbstractItemView::SelectRows);
  AdvListViewDupContents->setSelectionMode(QAbstractItemView::SingleSelection);
  AdvListViewDupContents->setEditTriggers(QAbstractItemView::NoEditTriggers);
  AdvListViewDupContents->setShowGrid(true);
  AdvListViewDupContents->verticalHeader()->hide();
  AdvListViewDupContents->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  const int ppi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  AdvListViewDupContents->setColumnWidth(0, 3 * ppi);
  AdvListViewDupContents->setTextElideMode(Qt::ElideMiddle);  // the file name matters most
  for (int c = 1; c < 5; ++c) {
    // At least as wide as the heading, so that no heading is cut.
    AdvListViewDupContents->setColumnWidth(
        c,
        std::max(ppi, AdvListViewDupContents->horizontalHeader()->fontMetrics().horizontalAdvance(
                          AdvListViewDupContents->horizontalHeaderItem(c)->text()) +
                          16));
    AdvListViewDupContents->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignRight |
                                                                      Qt::AlignVCenter);
  }
  AdvListViewDupContents->setContextMenuPolicy(Qt::CustomContextMenu);
  outer->addWidget(AdvListViewDupContents, 1);

  AdvPopupMenuDuplicContents = new QMenu(this);
  AdvPopupMenuDuplicContents->setObjectName(QStringLiteral("AdvPopupMenuDuplicContents"));
  AdvPopupMenuDuplicContents->addAction(QStringLiteral("Copy"), this,
                                        &DuplicateContentsPage::CopyAListClick);
  AdvPopupMenuDuplicContents->addAction(QStringLiteral("Remove"), this,
                                        &DuplicateContentsPage::AdvGlowButtonDupContentsMoveClick);
  AdvPopupMenuDuplicContents->addAction(QStringLiteral("Show"), this,
                                        &DuplicateContentsPage::ShowDupContents1Click);
  AdvPopupMenuDuplicContents->addAction(QStringLiteral("Keep"), this,
                                        &DuplicateContentsPage::DuplicateContentsKeepClick);
  connect(AdvListViewDupContents, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) {
            AdvListViewDupContents->setFocus();
            AdvPopupMenuDuplicContents->popup(AdvListViewDupContents->viewport()->mapToGlobal(pos));
          });
  connect(AdvListViewDupContents, &QTableWidget::cellDoubleClicked, this,
          [this](int, int) { AdvListViewDupContentsDblClick(); });
}

QString DuplicateContentsPage::FolderText() const {
  return MyOpenFolderDialogDuplicateContents->text().trimmed();
}

void DuplicateContentsPage::SetBusy(bool busy) {
  busy_ = busy;
  AdvGlowButtonDuplicateContentsSearch->setEnabled(!busy);
  AdvGlowButtonDupContentsUNRemove->setEnabled(!busy);
  AdvGlowButtonDupContentsRemove->setEnabled(!busy && seeker_ &&
                                             seeker_->dup_contents_top_list.Count() > 0);
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
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

void DuplicateContentsPage::AdvOfficeCheckBoxDupContentsUseDatesClick() {
  AdvSpinEditDupContentsDateDiff->setEnabled(AdvOfficeCheckBoxDupContentsUseDates->isChecked());
}

void DuplicateContentsPage::AdvGlowButtonDuplicateContentsSearchClick() {
  if (busy_ || !seeker_ || (host_ && host_->ToolRunning())) return;
  int start_percent = 0;
  if (control_key_down && control_key_down() && ask_start_percent) {
    int asked = 0;
    if (ask_start_percent(&asked)) start_percent = asked;
  }
  ElapsedTime(true);
  LabelDuplicatesFound->clear();
  AdvEditTimeRemaining->clear();
  seeker_->Clear();
  const QString folder = FolderText();
  if (folder.isEmpty() || !IsExistingFolder(folder)) {
    FormNotFilled(LX("LXFolder"), kHelpContext);
    return;
  }
  searched_folder_ = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  // The list shows the seeker's groups, which are being rebuilt.
  AdvListViewDupContents->setRowCount(0);
  AdvGlowButtonDupContentsRemove->setEnabled(false);

  DupContentsSearch search;
  search.folder = folder;
  search.file_mask = FileTypeMaskAt(myAdvFilterComboDupContents->currentIndex());
  search.criteria.tag_span = GetIgnoreTagsSpan();
  search.criteria.max_length_diff_percent =
      static_cast<float>(AdvSpinEditDupContentsLengthDiff->value());
  search.criteria.max_days_diff = AdvSpinEditDupContentsDateDiff->value();
  search.criteria.max_words_diff_percent =
      static_cast<float>(AdvSpinEditDupContentsTTDiff->value());
  search.criteria.check_dates = AdvOfficeCheckBoxDupContentsUseDates->isChecked();
  search.criteria.same_folder = AdvOfficeCheckBoxDupContentsSameFolder->isChecked();
  search.criteria.normalize_space = CheckBoxDupContentsIgnoreSpacing->isChecked();
  search.criteria.start_percent = start_percent;

  auto pairs = std::make_shared<int>(0);
  auto empty_files = std::make_shared<QStringList>();
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
      p->AdvEditTimeRemaining->setText(t);
      p->AdvEditTimeRemaining->show();
    });
  };
  callbacks.found_label = [on_page](const QString& t) {
    on_page([t](DuplicateContentsPage* p) { p->LabelDuplicatesFound->setText(t); });
  };
  callbacks.status = [host](const QString& s) {
    if (host) host->ShowStatusText(s);
  };
  callbacks.percent = [host](int p) { return host ? host->SetOverallProgress(p) : false; };
  callbacks.second_percent = [host](int p) {
    if (host) host->SetSecondProgress(p);
  };
  DupContentsSeeker* seeker = seeker_;
  FileWalker* walker = &FileAndDirIteratorDuplicateContents;
  auto work = [=] {
    global_panic_state.store(0);
    DupContentsSearchResult result = RunDupContentsSearch(*seeker, *walker, search, callbacks);
    *pairs = result.pairs;
    *empty_files = std::move(result.empty_files);
  };
  auto done = [=, this](bool) {
    if (!self) return;
    if (*pairs > 0) FillRows();
    if (host) {
      host->ShowStatusText(QString());
      host->ResetProgress(true);
    }
    AdvEditTimeRemaining->hide();
    SetBusy(false);
    FileAndDirIteratorDuplicateContents.Clear();
    AdvGlowButtonDupContentsRemove->setEnabled(*pairs > 0);
    if (!empty_files->isEmpty())
      ReportedAFact(Format(LX("LXEmptyFile"), {empty_files->join(QStringLiteral("\r\n"))}),
                    kHelpContext);
    Q_EMIT SearchFinished(*pairs);
  };
  if (host) host->ResetProgress(false);
  RunPageTool(work, done);
}

void DuplicateContentsPage::FillRows() {
  AdvListViewDupContents->setUpdatesEnabled(false);
  AdvListViewDupContents->clearContents();
  AdvListViewDupContents->setRowCount(seeker_ ? seeker_->RowCount() : 0);
  if (seeker_) {
    const DupContentsGroups& groups = seeker_->dup_contents_top_list;
    int row = 0;
    for (int g = 0; g < groups.Count(); ++g) {
      const int keep = groups.WhichToKeep(g);
      for (int m = 0; m < groups.MemberCount(g); ++m, ++row) {
        const QString texts[5] = {
            DisplayName(groups.DupContentsFilename(g, m)), groups.DupContentsTokenCountAsText(g, m),
            groups.DupContentsTokensAsText(g, m), groups.DupContentsTypesAsText(g, m),
            m == keep ? LX("LXOK") : LX("LXDelete")};
        for (int c = 0; c < 5; ++c) {
          auto* item = new QTableWidgetItem(texts[c]);
          if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
          AdvListViewDupContents->setItem(row, c, item);
        }
      }
    }
  }
  AdvListViewDupContents->setUpdatesEnabled(true);
}

void DuplicateContentsPage::DuplicateContentsKeepClick() {
  if (busy_ || !seeker_) return;
  const int row = AdvListViewDupContents->currentRow();
  // Without a selected row there is nothing to keep.
  if (row < 0 || row >= seeker_->RowCount()) return;
  seeker_->SetKeepNumber(row);
  FillRows();
  AdvListViewDupContents->selectRow(row);
}

void DuplicateContentsPage::AdvGlowButtonDupContentsMoveClick() {
  if (busy_ || !seeker_ || (host_ && host_->ToolRunning())) return;
  if (OKToDoX(Format(LX("LXRemoveXQ").toLower(), {LX("LXNearDuplicates")}), kHelpContext) != mrOK)
    return;
  auto moved = std::make_shared<int>(0);
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
      ReportedAFact(*refusal, kHelpContext);
      return;
    }
    NFilesCopiedOrMoved(*moved, true,
                        (MovedFilesWord() + QLatin1Char(' ') + LX("LXFolders")).toLower(),
                        kHelpContext);
    if (!problems->empty()) {
      QStringList lines;
      for (const FileMoveProblem& p : *problems) lines << p.file + QStringLiteral(": ") + p.reason;
      ReportedAFact(lines.join(QStringLiteral("\r\n")), kHelpContext);
    }
    Q_EMIT MoveFinished(*moved);
  };
  if (host) host->ResetProgress(false);
  RunPageTool(work, done);
}

void DuplicateContentsPage::AdvGlowButtonDupContentsUNRemoveClick() {
  if (busy_ || (host_ && host_->ToolRunning())) return;
  if (OKToDoX(Format(LX("LXUNRemoveXQ").toLower(), {LX("LXNearDuplicates")}), kHelpContext) != mrOK)
    return;
  const QString folder = FolderText();
  if (folder.isEmpty() || !IsExistingFolder(folder)) return;
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
      ReportedAFact(outcome->refusal, kHelpContext);
      return;
    }
    // One box for the whole run: how many were found, and each file that
    // stayed where it is with the reason.
    QStringList lines{Format(LX("LXNmanyUNMoved"), {outcome->found})};
    for (const RestoreFailure& f : outcome->failures) {
      QString line =
          QStringLiteral("Failed to rename %1 as %2").arg(DisplayName(f.from), DisplayName(f.to));
      if (!f.reason.isEmpty()) line += QStringLiteral(": ") + f.reason;
      lines << line;
    }
    ReportedAFact(lines.join(QStringLiteral("\r\n")), kHelpContext);
    Q_EMIT RestoreFinished(outcome->found);
  };
  if (host) host->ResetProgress(false);
  RunPageTool(work, done);
}

void DuplicateContentsPage::CopyAListClick() { CopyAList(QApplication::focusWidget()); }

void DuplicateContentsPage::AdvListViewDupContentsDblClick() { ShowDupContents1Click(); }

void DuplicateContentsPage::FreeShowForms() {
  for (QPointer<TextViewerWindow>& form : show_forms) delete form.data();
  show_forms.clear();
}

namespace {

// A line that is markup only, such as "<p>" or "</head>".
bool IsAngleBracketed(const QString& line) {
  const QString t = line.trimmed();
  return t.size() >= 2 && t.startsWith(QLatin1Char('<')) && t.endsWith(QLatin1Char('>'));
}

}  // namespace

void DuplicateContentsPage::ShowDupContents1Click() {
  if (busy_ || busy_with_duplicate || !seeker_) return;
  busy_with_duplicate = true;
  const int g = seeker_->GroupOfRow(AdvListViewDupContents->currentRow());
  if (g < 0) {
    busy_with_duplicate = false;
    return;
  }
  FreeShowForms();
  const DupContentsGroup group = seeker_->dup_contents_top_list.Group(g);
  const int members = group.dup_contents_list->Count();
  show_forms.resize(static_cast<std::size_t>(members));
  comparison_strings.clear();

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
      comparison_strings = text.split(QStringLiteral("\r\n"));
      if (!comparison_strings.isEmpty() && comparison_strings.last().isEmpty())
        comparison_strings.removeLast();
      comparison_strings.removeIf(IsAngleBracketed);
    }
    auto* form = new TextViewerWindow(main_window);
    form->setWindowFlag(Qt::Window, true);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    show_forms[static_cast<std::size_t>(m)] = form;
    if (m > 0) form->SetComparisonWholeLines(&comparison_strings);
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
  busy_with_duplicate = false;
}
