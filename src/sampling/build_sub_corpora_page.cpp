#include "sampling/build_sub_corpora_page.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "sampling/sampler.h"
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
  MyOpenFolderDialogSubCorporaSource_ = new FolderEdit(
      QStringLiteral("MyOpenFolderDialogSubCorporaSource"), tr("Source folder"), this);
  MyOpenFolderDialogSubCorporaSource_->setPlaceholderText(
      tr("corpus folder, or head;sub-folder;sub-folder"));
  form->addRow(tr("Source folder"), MyOpenFolderDialogSubCorporaSource_);
  MyOpenFolderDialogSubCorporaResults_ = new FolderEdit(
      QStringLiteral("MyOpenFolderDialogSubCorporaResults"), tr("Results folder"), this);
  form->addRow(tr("Results folder"), MyOpenFolderDialogSubCorporaResults_);
  myAdvFilterComboSubCorpus_ = new QComboBox(this);
  myAdvFilterComboSubCorpus_->setObjectName(QStringLiteral("myAdvFilterComboSubCorpus"));
  myAdvFilterComboSubCorpus_->addItems(FileTypeCaptions());
  form->addRow(tr("File-types"), myAdvFilterComboSubCorpus_);
  AdvComboBoxDelicacy_ = new QComboBox(this);
  AdvComboBoxDelicacy_->setObjectName(QStringLiteral("AdvComboBoxDelicacy"));
  AdvComboBoxDelicacy_->setEditable(false);
  form->addRow(tr("Delicacy "), AdvComboBoxDelicacy_);
  outer->addLayout(form);

  auto* row = new QHBoxLayout;
  AdvGlowButtonBuildSubCorpus_ = new QPushButton(tr("Build"), this);
  AdvGlowButtonBuildSubCorpus_->setObjectName(QStringLiteral("AdvGlowButtonBuildSubCorpus"));
  row->addWidget(AdvGlowButtonBuildSubCorpus_);
  row->addStretch(1);
  outer->addLayout(row);
  outer->addStretch(1);
  connect(AdvGlowButtonBuildSubCorpus_, &QPushButton::clicked, this,
          &BuildSubCorporaPage::AdvGlowButtonBuildSubCorpusClick);

  if (host_) {
    host_->RegisterStartControl(AdvGlowButtonBuildSubCorpus_);
    host_->AddStopHandler([this] {
      stop_.Request();
      FileAndDirIteratorCorpus_.Stop();
    });
  }
  // Filled here too, so that the page is usable before the window's show.
  FillDelicacyList();
}

void BuildSubCorporaPage::FillDelicacyList() {
  AdvComboBoxDelicacy_->clear();
  for (int ordinal : DelicacyOrdinals())
    AdvComboBoxDelicacy_->addItem(TimeLinePlotbaseStr(ordinal), ordinal);
  AdvComboBoxDelicacy_->setCurrentIndex(DelicacyPositionForBase(GetTimeLinePlotBase()));
}

int BuildSubCorporaPage::DelicacyValue() const {
  return DelicacyOrdinalAt(AdvComboBoxDelicacy_->currentIndex());
}

void BuildSubCorporaPage::AdvGlowButtonBuildSubCorpusClick() {
  const QString source = MyOpenFolderDialogSubCorporaSource_->text().trimmed();
  const QString results = MyOpenFolderDialogSubCorporaResults_->text().trimmed();
  const int delicacy = DelicacyValue();
  if (source.isEmpty() || results.isEmpty() || delicacy < 0) {
    FormNotFilled(Format(QStringLiteral("%s? %s?"), {LX("LXFolders"), LX("LXDate")}),
                  kSubCorporaHelpContext);
    return;
  }
  BuildSubCorpora_Delicacy = delicacy;
  Q_EMIT DelicacyChosen(delicacy);
  if (IsCustomTimeLineBase(delicacy)) {
    NotImplemented(LX("LXCustom"), kSubCorporaHelpContext);
    return;
  }

  SubCorpusRequest rq;
  rq.source_text = QDir::fromNativeSeparators(source);
  rq.results_folder = QDir::fromNativeSeparators(results);
  rq.file_mask = FileTypeMaskAt(myAdvFilterComboSubCorpus_->currentIndex());
  rq.time_line_base = delicacy;
  auto saved = std::make_shared<int>(0);
  auto failure = std::make_shared<QString>();
  auto outcome = std::make_shared<SubCorpusOutcome>();
  PageHost* host = host_;
  host_->ResetProgress(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool started = host_->RunTool(
      tr("Build Sub-corpora"),
      [this, host, rq, saved, failure, outcome] {
        SubCorpusProgress progress;
        progress.percent = [host](int p) { host->SetOverallProgress(p); };
        progress.status = [host](const QString& s) { host->ShowStatusText(s); };
        try {
          *saved = BuildSubCorpora(FileAndDirIteratorCorpus_, rq, progress, &stop_, outcome.get());
        } catch (const SorvelError& e) {
          *failure = e.Message();
        }
      },
      [this, saved, failure, outcome](bool ok) {
        QApplication::restoreOverrideCursor();
        if (host_) host_->ResetProgress(true);
        if (!ok) return;
        last_saved_ = *saved;
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
        // The closing count stays in the status text.
        if (host_)
          host_->ShowStatusText(Format(LX("LXNFilesSaved"), {static_cast<double>(*saved)}));
        Q_EMIT BuildFinished(*saved);
      });
  if (!started) QApplication::restoreOverrideCursor();
}
