// sorvel-cli corruption: the files of a folder that are not clean text.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/cli_common.h"
#include "corruption/corrupt_file_detector.h"
#include "corruption/corruption_check.h"
#include "runtime/error.h"
#include "runtime/file_walker.h"
#include "runtime/native_files.h"
#include "runtime/text_reader.h"

namespace {

struct CorruptionOptions {
  CliCommonOptions common;
  std::vector<std::string> good;
  bool subfolders = false;
  bool digraph = false;
  int frequency_variation = 15;
  int percent_fail = 10;
  int threads = 0;
  std::string folder;
};

int RunCorruption(const CorruptionOptions& o) {
  CliDialogScope dialogs(o.common.yes);
  const QString folder = RequireFolder(QStr(o.folder));
  if (folder.isEmpty()) return kExitBadInput;
  if (o.threads < 0) {
    ReportBadNumber(QStringLiteral("--threads"),
                    QStringLiteral("must be 0 (one per core) or more"));
    return kExitBadInput;
  }

  CorruptFileDetector detector;
  detector.threads = o.threads;
  QStringList good;
  for (const auto& g : o.good) {
    const QString file = RequireFile(QStr(g), QStringLiteral("known-good file"));
    if (file.isEmpty()) return kExitBadInput;
    good << file;
  }
  detector.SetReferenceFiles(good.join(QLatin1Char('\n')));
  if (!detector.ReferenceUsable()) return kExitBadInput;  // the reason is already on stderr
  detector.digraph_frequency_variation_per_mille = o.frequency_variation;
  detector.digraph_percent_fail_allowed = o.percent_fail;

  CliProgress progress(o.common.quiet);
  CliProblems problems(o.common.json);
  int printed = 0;
  auto printNew = [&] {
    if (o.common.json) return;
    for (; printed < detector.weird_files.Count(); ++printed) {
      PrintLine(DisplayName(detector.weird_files.Strings(printed)) + QLatin1Char('\t') +
                detector.weird_files.Objects(printed)->data);
    }
  };
  FileWalker walker;
  CorruptionCheck check;
  check.folder = folder;
  check.include_subfolders = o.subfolders;
  check.thorough = o.digraph;
  CorruptionCallbacks callbacks;
  callbacks.walked = [&](int files) {
    progress.Done();
    if (files > 0)
      progress.Status(
          QStringLiteral("testing %1 files").arg(LocaleNumber(static_cast<long long>(files))));
  };
  callbacks.percent = [&](int p) {
    progress.Percent(p);
    if (progress.Enabled()) return;  // lines are printed at the end when a bar is drawn
    printNew();
  };
  progress.Status(QStringLiteral("finding files"));
  int status = kExitOk;
  CorruptionCheckResult result;
  try {
    result = RunCorruptionCheck(detector, walker, check, callbacks);
  } catch (const SorvelError& e) {
    progress.Done();
    printNew();
    PrintError(e.Message());
    status = kExitInternal;
    result.files = walker.FilesFound().Count();
    result.problems = walker.FileProblems();
    result.problems.insert(result.problems.end(), detector.unreadable_files.begin(),
                           detector.unreadable_files.end());
  }
  progress.Done();
  const int files = result.files;
  problems.Add(result.problems);
  if (files == 0 && status == kExitOk) return NoFilesToWorkOn(problems, folder);
  if (status == kExitOk) status = problems.ExitCode();
  if (o.common.json) {
    QJsonArray flagged;
    for (int i = 0; i < detector.weird_files.Count(); ++i) {
      flagged.append(
          QJsonObject{{QStringLiteral("file"), DisplayName(detector.weird_files.Strings(i))},
                      {QStringLiteral("note"), detector.weird_files.Objects(i)->data}});
    }
    QJsonObject out{{QStringLiteral("files"), files}, {QStringLiteral("flagged"), flagged}};
    if (status == kExitInternal)
      out.insert(QStringLiteral("error"), QStringLiteral("run ended early"));
    problems.AddTo(out);
    PrintJson(out);
    return status;
  }
  printNew();
  if (status == kExitOk && detector.weird_files.Count() == 0) {
    PrintError(QStringLiteral("no corrupt files found among %1 files")
                   .arg(LocaleNumber(static_cast<long long>(files))));
  }
  return status;
}

}  // namespace

void RegisterCorruptionCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<CorruptionOptions>();
  CLI::App* sub =
      app.add_subcommand("corruption", "List the files of a folder that are not clean text");
  sub->add_option("--good", opts->good, "A known-good text file (repeat for several)")->required();
  sub->add_flag("--subfolders", opts->subfolders, "Include sub-folders");
  sub->add_flag("--digraph", opts->digraph,
                "Also compare digraph statistics with the known-good texts");
  sub->add_option("--frequency-variation", opts->frequency_variation,
                  "Largest allowed difference of a digraph's relative frequency, per 1000")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  sub->add_option("--percent-fail", opts->percent_fail,
                  "Largest allowed share of differing digraphs, in percent")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  AddCodePageOption(sub);
  sub->add_option("--threads", opts->threads, "Threads that read and test files (0: one per core)")
      ->capture_default_str();
  sub->add_option("FOLDER", opts->folder, "The folder to check")->required();
  AddCommonFlags(sub, opts->common);
  sub->callback([run, opts] { *run = [opts] { return RunCorruption(*opts); }; });
}
