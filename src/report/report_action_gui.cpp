#include "report/report_action_gui.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

#include "report/corpus_report.h"
#include "report/report_writers.h"
#include "runtime/dialogs.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"
#include "runtime/settings.h"
#include "ui_kit/folder_edit_widget.h"
#include "ui_kit/page_host_gui.h"

namespace {

// Where a new report is proposed: the suite's results folder, else home.
QString ResultsFolder() {
  const QString results = CurrentSuiteSettings().default_results_folder;
  return !results.isEmpty() && QFileInfo(results).isDir() ? results : QDir::homePath();
}

}  // namespace

CorpusReportDialog::CorpusReportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CorpusReportDialog"));
  setWindowTitle(QStringLiteral("Corpus health report"));
  folder_ = new FolderEdit(QStringLiteral("EditReportFolder"),
                           QStringLiteral("Corpus folder to report on"), this);
  good_folder_ = new FolderEdit(QStringLiteral("EditReportGoodFolder"),
                                QStringLiteral("Folder of known-good texts"), this);
  good_folder_->setPlaceholderText(QStringLiteral("none: the corpus is its own reference"));
  output_ = new QLineEdit(this);
  output_->setObjectName(QStringLiteral("EditReportOutput"));
  auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
  browse->setObjectName(QStringLiteral("ButtonReportOutputBrowse"));
  auto* output_row = new QHBoxLayout;
  output_row->addWidget(output_, 1);
  output_row->addWidget(browse);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Corpus folder:"), folder_);
  form->addRow(QStringLiteral("&Known-good texts:"), good_folder_);
  auto* output_label = new QLabel(QStringLiteral("&Save the page as:"), this);
  output_label->setBuddy(output_);
  form->addRow(output_label, output_row);
  auto* note = new QLabel(
      QStringLiteral("Known-good texts make the digraph test stricter: without them the texts that "
                     "differ most from the rest of the corpus are flagged."),
      this);
  note->setWordWrap(true);
  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("LabelReportProblem"));
  problem_->setStyleSheet(QStringLiteral("color: #c62828"));
  problem_->setWordWrap(true);
  problem_->hide();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  start_ = buttons->button(QDialogButtonBox::Ok);
  start_->setText(QStringLiteral("Make the report"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(problem_);
  layout->addWidget(buttons);
  resize(620, sizeHint().height());

  connect(buttons, &QDialogButtonBox::accepted, this, &CorpusReportDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse, &QPushButton::clicked, this, &CorpusReportDialog::BrowseOutput);
  connect(folder_, &QLineEdit::textChanged, this, &CorpusReportDialog::FolderChanged);
  connect(output_, &QLineEdit::textEdited, this, [this] { output_typed_ = true; });
}

CorpusReportChoice CorpusReportDialog::Choice() const {
  CorpusReportChoice c;
  c.folder = folder_->text().trimmed();
  c.good_folder = good_folder_->text().trimmed();
  c.output = output_->text().trimmed();
  if (!c.output.isEmpty() && QFileInfo(c.output).suffix().isEmpty() && !IsExistingFolder(c.output))
    c.output += QStringLiteral(".html");
  return c;
}

void CorpusReportDialog::SetChoice(const CorpusReportChoice& choice) {
  folder_->setText(choice.folder);
  good_folder_->setText(choice.good_folder);
  if (!choice.output.isEmpty()) {
    output_->setText(choice.output);
    output_typed_ = true;
  }
}

QString CorpusReportDialog::Problem() const {
  const CorpusReportChoice c = Choice();
  if (c.folder.isEmpty()) return QStringLiteral("Choose the corpus folder.");
  if (!IsExistingFolder(c.folder))
    return QStringLiteral("The corpus folder %1 does not exist.").arg(DisplayName(c.folder));
  if (!c.good_folder.isEmpty()) {
    if (!IsExistingFolder(c.good_folder))
      return QStringLiteral("The folder of known-good texts %1 does not exist.")
          .arg(DisplayName(c.good_folder));
    if (KnownGoodTexts(c.good_folder).isEmpty())
      return QStringLiteral("The folder of known-good texts %1 holds no files.")
          .arg(DisplayName(c.good_folder));
  }
  if (c.output.isEmpty()) return QStringLiteral("Choose where to save the page.");
  if (IsExistingFolder(c.output))
    return QStringLiteral("%1 is a folder: name the page to write.").arg(DisplayName(c.output));
  if (!IsExistingFolder(QFileInfo(c.output).absolutePath()))
    return QStringLiteral("The folder of the page, %1, does not exist.")
        .arg(DisplayName(QFileInfo(c.output).absolutePath()));
  return QString();
}

void CorpusReportDialog::accept() {
  const QString problem = Problem();
  problem_->setText(problem);
  problem_->setVisible(!problem.isEmpty());
  if (problem.isEmpty()) QDialog::accept();
}

// Proposes a page named after the corpus folder until the user names one.
void CorpusReportDialog::FolderChanged() {
  if (output_typed_) return;
  const QString name = QFileInfo(QDir::cleanPath(folder_->text().trimmed())).fileName();
  output_->setText(name.isEmpty()
                       ? QString()
                       : QDir(ResultsFolder()).filePath(name + QStringLiteral("-report.html")));
}

void CorpusReportDialog::BrowseOutput() {
  const QString start = output_->text().trimmed().isEmpty() ? ResultsFolder() : output_->text();
  const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Save the report as"),
                                                      start, QStringLiteral("Web pages (*.html)"));
  if (chosen.isEmpty()) return;
  output_->setText(chosen);
  output_typed_ = true;
}

bool StartCorpusReport(PageHost* host, const CorpusReportChoice& choice,
                       std::function<void(bool written, const QString& message)> done) {
  // What the worker found, read by done on the window thread after the
  // worker has ended.
  struct Outcome {
    bool written = false;
    QString message;
    QString summary;
  };
  auto outcome = std::make_shared<Outcome>();
  auto work = [host, choice, outcome] {
    CorpusReportOptions options;
    options.folder = choice.folder;
    options.tag_span = GetIgnoreTagsSpan();
    if (!choice.good_folder.isEmpty()) {
      options.good_folder = choice.good_folder;
      options.good_files = KnownGoodTexts(choice.good_folder);
    }
    CorpusReportCallbacks callbacks;
    callbacks.percent = [host](int p) { host->SetOverallProgress(p); };
    callbacks.status = [host](const QString& s) { host->ShowStatusText(s); };
    callbacks.count = [host](long long done, long long total) {
      host->ShowCountOutOf(done, total);
    };
    CorpusReport report;
    try {
      report = MakeCorpusReport(options, callbacks);
    } catch (const SorvelError& e) {
      // The known-good texts could not be read: a fact about the input.
      outcome->message = QStringLiteral("The report could not be made: %1").arg(e.Message());
      return;
    }
    outcome->summary = ReportRunSummary(report);
    if (report.stopped) {
      outcome->message = QStringLiteral("The report was stopped; nothing was written.");
      return;
    }
    QString why;
    if (!WriteFileReplacing(choice.output, CorpusReportHtml(report, QLocale()), &why)) {
      outcome->message = QStringLiteral("The report could not be written to %1: %2")
                             .arg(DisplayName(choice.output), why);
      return;
    }
    outcome->written = true;
    outcome->message = QStringLiteral("Report of %1 written to %2")
                           .arg(CountOf(report.files), DisplayName(choice.output));
  };
  auto finished = [host, outcome, done](bool ok) {
    host->ResetProgress(true);
    if (!ok) outcome->message = QStringLiteral("The report could not be made.");
    // The run's closing line stays in the status bar; a message without one
    // (the run could not start its checks) stands there instead.
    if (outcome->summary.isEmpty())
      host->ShowStatusText(outcome->message);
    else
      host->ShowRunSummary(outcome->summary);
    done(ok && outcome->written, outcome->message);
  };
  host->ResetProgress(false);
  return host->RunTool(QStringLiteral("Corpus health report"), work, finished);
}

QAction* MakeCorpusReportAction(QWidget* window, PageHost* host) {
  auto* action = new QAction(QStringLiteral("Corpus health report..."), window);
  action->setObjectName(QStringLiteral("ActionCorpusReport"));
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
  // On the window itself too, so that the shortcut does not hang on the menu.
  window->addAction(action);
  action->setToolTip(
      QStringLiteral("Run every check over a folder and open one page with the findings"));
  // The last choice is offered again within a session.
  auto last = std::make_shared<CorpusReportChoice>();
  QObject::connect(action, &QAction::triggered, window, [window, host, action, last] {
    if (host->ToolRunning()) return;
    CorpusReportDialog dialog(window);
    dialog.SetChoice(*last);
    if (dialog.exec() != QDialog::Accepted) return;
    *last = dialog.Choice();
    const QString output = last->output;
    action->setEnabled(false);
    const bool started =
        StartCorpusReport(host, *last, [action, output](bool written, const QString& message) {
          action->setEnabled(true);
          if (written)
            QDesktopServices::openUrl(QUrl::fromLocalFile(output));
          else
            ReportedAFact(message);
        });
    if (!started) action->setEnabled(true);
  });
  return action;
}
