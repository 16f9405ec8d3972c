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
#include "runtime/run_summary.h"
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

// What one run made, for PrintHuman or ToJson.
struct ReportRun {
  explicit ReportRun(bool json) : problems(json) {}
  int exit_code = kExitOk;
  QString folder;
  QString output;  // empty: no page asked for
  CorpusReport report;
  CliProblems problems;
};

// The page's path: the named file in a folder that exists or can be made.
// Empty (after saying why) when it cannot be used.
QString OutputPath(const ReportOptions& o) {
  const QString given = QStr(o.output);
  if (IsExistingFolder(given)) {
    PrintError(QStringLiteral("output file \"%1\": is a folder").arg(DisplayName(given)));
    return QString();
  }
  // Taken apart as text, so that a name of any bytes stays as it is.
  const QString absolute =
      given.startsWith(QLatin1Char('/')) ? given : QDir::currentPath() + QLatin1Char('/') + given;
  const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
  const QString parent = RequireOutputFolder(slash > 0 ? absolute.left(slash) : QStringLiteral("/"),
                                             QStringLiteral("output folder"));
  if (parent.isEmpty()) return QString();
  return parent + (parent.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
         absolute.mid(slash + 1);
}

// The engine's options from the command line; false (after saying why)
// when the known-good folder cannot be used.
bool EngineOptions(const ReportOptions& o, const QString& folder, CorpusReportOptions* options) {
  options->folder = folder;
  options->tag_span = GetIgnoreTagsSpan();
  options->list_limit = o.list_limit;
  if (o.good.empty()) return true;
  options->good_folder = RequireFolder(QStr(o.good), QStringLiteral("known-good folder"));
  if (options->good_folder.isEmpty()) return false;
  options->good_files = KnownGoodTexts(options->good_folder);
  if (!options->good_files.isEmpty()) return true;
  PrintError(QStringLiteral("known-good folder \"%1\": no files found")
                 .arg(DisplayName(options->good_folder)));
  return false;
}

// Makes the report and writes its page. exit_code says how it went; the
// lines that explain a failure are printed here.
ReportRun RunReport(const ReportOptions& o) {
  ReportRun run(o.common.json);
  run.exit_code = kExitBadInput;
  run.folder = RequireToolFolder(o.common, QStr(o.folder));
  if (run.folder.isEmpty()) return run;
  if (!o.output.empty()) {
    run.output = OutputPath(o);
    if (run.output.isEmpty()) return run;
  } else if (!o.common.json) {
    PrintError(
        QStringLiteral("no output: give -o FILE for the page, or --json for the object on stdout"));
    return run;
  }
  CorpusReportOptions options;
  if (!EngineOptions(o, run.folder, &options)) return run;

  CliProgress progress(o.common.quiet);
  CorpusReportCallbacks callbacks;
  callbacks.percent = progress.PercentCallback();
  callbacks.status = progress.StatusCallback();
  try {
    run.report = MakeCorpusReport(options, callbacks);
  } catch (const FileReadError& e) {
    progress.Done();
    PrintError(QStringLiteral("known-good text %1").arg(e.Message()));
    return run;
  } catch (const SorvelError& e) {
    progress.Done();
    PrintError(e.Message());
    return run;
  }
  progress.Done();

  run.problems.Add(run.report.problems);
  if (run.report.files == 0) {
    run.exit_code = NoFilesToWorkOn(run.problems, run.folder);
    PrintSummary(o.common, ReportRunSummary(run.report));
    return run;
  }
  if (!run.output.isEmpty()) {
    QString why;
    if (!WritePage(run.output, CorpusReportHtml(run.report, QLocale::system()), &why)) {
      run.problems.PrintAll();
      PrintError(QStringLiteral("output file \"%1\": cannot be written: %2")
                     .arg(DisplayName(run.output), why));
      return run;
    }
  }
  run.exit_code = run.problems.ExitCode();
  return run;
}

void PrintHuman(const ReportRun& run) {
  const CorpusReport& report = run.report;
  PrintLine(QStringLiteral("%1, %2, %3 under %4")
                .arg(CountOf(report.files),
                     CountOf(report.folders, QStringLiteral("folder"), QStringLiteral("folders")),
                     CountOf(report.bytes, QStringLiteral("byte"), QStringLiteral("bytes")),
                     DisplayName(run.folder)));
  for (const ReportVerdict& v : ReportVerdicts(report, QLocale::system()))
    PrintLine((v.ok ? QStringLiteral("  ok    ") : QStringLiteral("  check ")) + v.text);
  PrintLine(QStringLiteral("Report written to %1 (%2 seconds)")
                .arg(DisplayName(run.output), LocaleNumber(report.seconds, 1)));
}

QJsonObject ToJson(const ReportRun& run) {
  QJsonObject out = CorpusReportJson(run.report);
  out.remove(QStringLiteral("problems"));
  if (!run.output.isEmpty()) out.insert(QStringLiteral("output"), DisplayName(run.output));
  run.problems.AddTo(out);
  return out;
}

int ReportCommand(const ReportOptions& o) {
  const ReportRun run = RunReport(o);
  if (run.exit_code == kExitBadInput) return run.exit_code;
  if (o.common.json)
    PrintJson(ToJson(run));
  else
    PrintHuman(run);
  PrintSummary(o.common, ReportRunSummary(run.report));
  return run.exit_code;
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
  sub->callback([opts, run] { *run = [opts] { return ReportCommand(*opts); }; });
}
