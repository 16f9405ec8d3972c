#include "report/report_action_gui.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>
#include <memory>

#include "report/corpus_report.h"
#include "report/report_writers.h"
#include "runtime/dialogs.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/settings.h"
#include "ui_kit/page_host_gui.h"

bool StartCorpusReport(PageHost* host, const QString& folder, const QString& output,
                       std::function<void(bool written, const QString& message)> done) {
  // What the worker found, read by done on the window thread after the
  // worker has ended.
  auto outcome = std::make_shared<std::pair<bool, QString>>(false, QString());
  auto work = [host, folder, output, outcome] {
    CorpusReportOptions options;
    options.folder = folder;
    options.tag_span = GetIgnoreTagsSpan();
    CorpusReportCallbacks callbacks;
    callbacks.percent = [host](int p) { host->SetOverallProgress(p); };
    callbacks.status = [host](const QString& s) { host->ShowStatusText(s); };
    const CorpusReport report = MakeCorpusReport(options, callbacks);
    if (report.stopped) {
      outcome->second = QStringLiteral("The report was stopped; nothing was written.");
      return;
    }
    QString why;
    if (!WriteFileReplacing(output, CorpusReportHtml(report, QLocale()), &why)) {
      outcome->second =
          QStringLiteral("The report could not be written to %1: %2").arg(DisplayName(output), why);
      return;
    }
    outcome->first = true;
    outcome->second = QStringLiteral("Report of %1 files written to %2")
                          .arg(QLocale().toString(report.files), DisplayName(output));
  };
  auto finished = [host, outcome, done](bool ok) {
    host->ResetProgress(true);
    if (!ok) outcome->second = QStringLiteral("The report could not be made.");
    host->ShowStatusText(outcome->second);
    done(ok && outcome->first, outcome->second);
  };
  host->ResetProgress(false);
  return host->RunTool(QStringLiteral("Corpus health report"), work, finished);
}

QAction* MakeCorpusReportAction(QWidget* window, PageHost* host) {
  auto* action = new QAction(QStringLiteral("Corpus health report..."), window);
  action->setObjectName(QStringLiteral("ActionCorpusReport"));
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
  action->setToolTip(
      QStringLiteral("Run every check over a folder and open one page with the findings"));
  QObject::connect(action, &QAction::triggered, window, [window, host, action] {
    if (host->ToolRunning()) return;
    const QString folder =
        QFileDialog::getExistingDirectory(window, QStringLiteral("Corpus folder to report on"));
    if (folder.isEmpty()) return;
    QString results = CurrentSuiteSettings().default_results_folder;
    if (results.isEmpty() || !QFileInfo(results).isDir()) results = QDir::homePath();
    const QString proposed =
        QDir(results).filePath(QFileInfo(folder).fileName() + QStringLiteral("-report.html"));
    QString output = QFileDialog::getSaveFileName(window, QStringLiteral("Save the report as"),
                                                  proposed, QStringLiteral("Web pages (*.html)"));
    if (output.isEmpty()) return;
    if (QFileInfo(output).suffix().isEmpty()) output += QStringLiteral(".html");
    action->setEnabled(false);
    const bool started = StartCorpusReport(
        host, folder, output, [action, output](bool written, const QString& message) {
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
