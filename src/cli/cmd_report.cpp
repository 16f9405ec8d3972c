// sorvel-cli report: every check over one folder tree, written as one HTML
// page (and, with --json, printed as one JSON object).

#include <QDir>
#include <QJsonObject>
#include <QLocale>

#include "cli/cli_common.h"
#include "report/corpus_report.h"
#include "report/report_writers.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/settings.h"

namespace {

struct ReportOptions {
  CliCommonOptions common;
  std::string folder;
  std::string output;
  std::string good;
  int list_limit = 500;
};

// Writes the page under a temporary name and renames it into place, so that
// a report that cannot be finished never leaves half a page where an earlier
// one was.
bool WritePage(const QString& path, const QByteArray& page, QString* why) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash > 0 && !MakeFolders(path.left(slash), why)) return false;
  return WriteFileReplacing(path, page, why);
}

int RunReport(const ReportOptions& o) {
  const QString folder = RequireFolder(QStr(o.folder));
  if (folder.isEmpty()) return kExitBadInput;
  QString output;
  if (!o.output.empty()) {
    const QString given = QStr(o.output);
    if (IsExistingFolder(given)) {
      PrintError(QStringLiteral("output file \"%1\": is a folder").arg(DisplayName(given)));
      return kExitBadInput;
    }
    // Taken apart as text, so that a name of any bytes stays as it is.
    const QString absolute =
        given.startsWith(QLatin1Char('/')) ? given : QDir::currentPath() + QLatin1Char('/') + given;
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    const QString parent = RequireOutputFolder(
        slash > 0 ? absolute.left(slash) : QStringLiteral("/"), QStringLiteral("output folder"));
    if (parent.isEmpty()) return kExitBadInput;
    output = parent + (parent.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
             absolute.mid(slash + 1);
  } else if (!o.common.json) {
    PrintError(
        QStringLiteral("no output: give -o FILE for the page, or --json for the object on stdout"));
    return kExitBadInput;
  }

  CorpusReportOptions options;
  options.folder = folder;
  options.tag_span = GetIgnoreTagsSpan();
  options.list_limit = o.list_limit;
  if (!o.good.empty()) {
    options.good_folder = RequireFolder(QStr(o.good), QStringLiteral("known-good folder"));
    if (options.good_folder.isEmpty()) return kExitBadInput;
    options.good_files = KnownGoodTexts(options.good_folder);
    if (options.good_files.isEmpty()) {
      PrintError(QStringLiteral("known-good folder \"%1\": no files found")
                     .arg(DisplayName(options.good_folder)));
      return kExitBadInput;
    }
  }

  CliProgress progress(o.common.quiet);
  CorpusReportCallbacks callbacks;
  callbacks.percent = progress.PercentCallback();
  callbacks.status = progress.StatusCallback();
  CorpusReport report;
  try {
    report = MakeCorpusReport(options, callbacks);
  } catch (const FileReadError& e) {
    progress.Done();
    PrintError(QStringLiteral("known-good text %1").arg(e.Message()));
    return kExitBadInput;
  } catch (const SorvelError& e) {
    progress.Done();
    PrintError(e.Message());
    return kExitBadInput;
  }
  progress.Done();

  CliProblems problems(o.common.json);
  problems.Add(report.problems);
  if (report.files == 0) return NoFilesToWorkOn(problems, folder);

  if (!output.isEmpty()) {
    QString why;
    if (!WritePage(output, CorpusReportHtml(report, QLocale::system()), &why)) {
      problems.PrintAll();
      PrintError(QStringLiteral("output file \"%1\": cannot be written: %2")
                     .arg(DisplayName(output), why));
      return kExitBadInput;
    }
  }

  if (o.common.json) {
    QJsonObject out = CorpusReportJson(report);
    out.remove(QStringLiteral("problems"));
    if (!output.isEmpty()) out.insert(QStringLiteral("output"), DisplayName(output));
    problems.AddTo(out);
    PrintJson(out);
  } else {
    PrintLine(QStringLiteral("%1 files, %2 folders, %3 bytes under %4")
                  .arg(LocaleNumber(static_cast<long long>(report.files)),
                       LocaleNumber(static_cast<long long>(report.folders)),
                       LocaleNumber(static_cast<long long>(report.bytes)), DisplayName(folder)));
    for (const ReportVerdict& v : ReportVerdicts(report, QLocale::system()))
      PrintLine((v.ok ? QStringLiteral("  ok    ") : QStringLiteral("  check ")) + v.text);
    PrintLine(QStringLiteral("Report written to %1 (%2 seconds)")
                  .arg(DisplayName(output), LocaleNumber(report.seconds, 1)));
  }
  return problems.ExitCode();
}

}  // namespace

void RegisterReportCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<ReportOptions>();
  CLI::App* sub = app.add_subcommand(
      "report",
      "Run every check over a folder and write one corpus health report page with pictures");
  sub->add_option("-o,--output", opts->output, "The HTML file to write (replaced when it exists)")
      ->type_name("FILE");
  sub->add_option("--good", opts->good,
                  "Folder of known-good texts for the digraph test (default: the corpus is its own "
                  "reference)")
      ->type_name("DIR");
  sub->add_option("--list-limit", opts->list_limit, "Most entries of each list in the report")
      ->check(CLI::Range(1, 1000000))
      ->capture_default_str();
  sub->add_option("FOLDER", opts->folder, "Folder of the corpus, sub-folders included")
      ->required()
      ->type_name("DIR");
  AddCodePageOption(sub);
  AddCommonFlags(sub, opts->common);
  sub->callback([opts, run] { *run = [opts] { return RunReport(*opts); }; });
}
