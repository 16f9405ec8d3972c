#include "sampling/build_sub_corpora_page.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"
#include "runtime/settings.h"
#include "sampling/sub_corpus_builder.h"
#include "sampling/time_line_base.h"
#include "ui_kit/folder_edit_widget.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/page_host_gui.h"

BuildSubCorporaPage::BuildSubCorporaPage(PageHost* host, QWidget* parent)
    : QWidget(parent), host_(host) {
  setObjectName(QStringLiteral("BuildSubCorporaPage"));
  SetHelpContext(this, kSubCorporaHelpContext);
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  source_folder_edit_ = new FolderEdit(QStringLiteral("MyOpenFolderDialogSubCorporaSource"),
                                       tr("Source folder"), this);
  source_folder_edit_->setPlaceholderText(tr("corpus folder, or head;sub-folder;sub-folder"));
  form->addRow(tr("Source folder"), source_folder_edit_);
  results_folder_edit_ = new FolderEdit(QStringLiteral("MyOpenFolderDialogSubCorporaResults"),
                                        tr("Results folder"), this);
  results_folder_edit_->setToolTip(
      tr("The sub-corpus files go into a folder named after the delicacy (such as \"month\") "
         "inside this folder"));
  form->addRow(tr("Results folder"), results_folder_edit_);
  file_types_combo_ = new QComboBox(this);
  file_types_combo_->setObjectName(QStringLiteral("myAdvFilterComboSubCorpus"));
  file_types_combo_->addItems(FileTypeCaptions());
  form->addRow(tr("File-types"), file_types_combo_);
  delicacy_combo_ = new QComboBox(this);
  delicacy_combo_->setObjectName(QStringLiteral("AdvComboBoxDelicacy"));
  delicacy_combo_->setEditable(false);
  delicacy_combo_->setToolTip(
      tr("How finely the texts are grouped by their file date: one sub-corpus file per decade, "
         "year, month, week (seven-day blocks counted from 1 January), day or hour"));
  form->addRow(tr("Delicacy "), delicacy_combo_);
  outer->addLayout(form);

  auto* row = new QHBoxLayout;
  build_button_ = new QPushButton(tr("&Build"), this);
  build_button_->setObjectName(QStringLiteral("AdvGlowButtonBuildSubCorpus"));
  build_button_->setToolTip(tr("Regroup the texts of the source folder by date (Alt+B)"));
  row->addWidget(build_button_);
  row->addStretch(1);
  outer->addLayout(row);
  files_table_ = new QTableWidget(0, 2, this);
  files_table_->setObjectName(QStringLiteral("TableSubCorporaFiles"));
  files_table_->setHorizontalHeaderLabels({tr("Sub-corpus file"), tr("Texts")});
  files_table_->verticalHeader()->hide();
  files_table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  files_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  files_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  files_table_->setWordWrap(false);
  files_table_->setTextElideMode(Qt::ElideMiddle);
  files_table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  files_table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  files_table_->setToolTip(tr("The files the last build wrote, with the number of texts in each"));
  outer->addWidget(files_table_, 1);
  connect(build_button_, &QPushButton::clicked, this, &BuildSubCorporaPage::Build);

  if (host_) {
    host_->RegisterStartControl(build_button_);
    host_->AddStopHandler([this] {
      stop_.Request();
      corpus_walker_.Stop();
    });
  }
  OpenFolder = [](const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  };
  // Filled here too, so that the page is usable before the window's show.
  FillDelicacyList();
}

void BuildSubCorporaPage::FillDelicacyList() {
  delicacy_combo_->clear();
  for (int ordinal : DelicacyOrdinals())
    delicacy_combo_->addItem(TimeLinePlotbaseStr(ordinal), ordinal);
  delicacy_combo_->setCurrentIndex(DelicacyPositionForBase(GetTimeLinePlotBase()));
}

int BuildSubCorporaPage::DelicacyValue() const {
  return DelicacyOrdinalAt(delicacy_combo_->currentIndex());
}

QStringList BuildSubCorporaPage::ExistingSourceFolders(const QString& source_text) {
  const QStringList folders = FoldersFromSameHead(source_text);
  for (const QString& folder : folders) {
    if (IsExistingFolder(folder)) continue;
    if (host_) host_->ShowRunSummary(FolderNotFoundSummary(folder));
    FailedToFind(DisplayName(folder), kSubCorporaHelpContext);
    return {};
  }
  return folders;
}

void BuildSubCorporaPage::ShowWrittenFiles(const SubCorpusOutcome& outcome) {
  files_table_->setRowCount(static_cast<int>(outcome.written.size()));
  int row = 0;
  for (const SubCorpusOutcome::WrittenFile& file : outcome.written) {
    auto* name = new QTableWidgetItem(DisplayName(file.path));
    name->setToolTip(DisplayName(file.path));
    auto* texts = new QTableWidgetItem(QLocale().toString(file.texts));
    texts->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    files_table_->setItem(row, 0, name);
    files_table_->setItem(row, 1, texts);
    ++row;
  }
}

void BuildSubCorporaPage::Build() {
  if (host_ && host_->ToolRunning()) return;
  const QString source = source_folder_edit_->text().trimmed();
  const QString results = results_folder_edit_->text().trimmed();
  const int delicacy = DelicacyValue();
  if (source.isEmpty() || results.isEmpty() || delicacy < 0) {
    FormNotFilled(Format(QStringLiteral("%s? %s?"), {LX("LXFolders"), LX("LXDate")}),
                  kSubCorporaHelpContext);
    return;
  }
  if (ExistingSourceFolders(QDir::fromNativeSeparators(source)).isEmpty()) return;
  Q_EMIT DelicacyChosen(delicacy);

  SubCorpusRequest request;
  request.source_text = QDir::fromNativeSeparators(source);
  request.results_folder = QDir::fromNativeSeparators(results);
  request.file_mask = FileTypeMaskAt(file_types_combo_->currentIndex());
  request.time_line_base = delicacy;
  const QString output = SubCorpusOutputFolder(request.results_folder, delicacy);
  auto failure = std::make_shared<QString>();
  auto outcome = std::make_shared<SubCorpusOutcome>();
  PageHost* host = host_;
  files_table_->setRowCount(0);  // the files of an earlier build
  host_->ResetProgress(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool started = host_->RunTool(
      tr("Build Sub-corpora"),
      [this, host, request, failure, outcome] {
        SubCorpusProgress progress;
        progress.percent = [host](int p) { host->SetOverallProgress(p); };
        progress.status = [host](const QString& s) { host->ShowStatusText(s); };
        progress.count = [host](long long done, long long total) {
          host->ShowCountOutOf(done, total);
        };
        try {
          BuildSubCorpora(corpus_walker_, request, progress, &stop_, outcome.get());
        } catch (const SorvelError& e) {
          *failure = e.Message();
        }
      },
      [this, failure, outcome, output](bool ok) {
        QApplication::restoreOverrideCursor();
        host_->ResetProgress(true);
        if (!ok) return;
        last_saved_ = outcome->files_saved;
        host_->ShowRunSummary(SubCorpusRunSummary(*outcome, !failure->isEmpty()));
        // Folders that could not be read and names that were skipped come
        // first, so that the closing message says what the run did not see.
        if (!outcome->walk_problems.isEmpty())
          ReportedAFact(outcome->walk_problems.join(QStringLiteral("\r\n")),
                        kSubCorporaHelpContext);
        if (!failure->isEmpty()) {
          ReportedAFact(*failure, kSubCorporaHelpContext);
          return;
        }
        if (!outcome->finished) {
          ReportedAFact(outcome->unfinished, kSubCorporaHelpContext);
          return;
        }
        ShowWrittenFiles(*outcome);
        Q_EMIT BuildFinished(last_saved_);
        if (last_saved_ == 0) return;
        const QString saved = CountOf(last_saved_, QStringLiteral("sub-corpus file"),
                                      QStringLiteral("sub-corpus files")) +
                              QStringLiteral(" in ") + DisplayName(output);
        if (SavedOKOpenNow(saved, kSubCorporaHelpContext) == mrYes && OpenFolder)
          OpenFolder(output);
      });
  if (!started) QApplication::restoreOverrideCursor();
}
