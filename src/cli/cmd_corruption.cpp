// sorvel-cli corruption: the files of a folder that are not clean text.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <optional>

#include "cli/cli_common.h"
#include "corruption/corrupt_file_detector.h"
#include "corruption/corruption_check.h"
#include "runtime/error.h"
#include "runtime/file_walker.h"
#include "runtime/native_files.h"
#include "runtime/run_summary.h"
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

// What a check found, for PrintHuman or ToJson.
struct CorruptionRun {
  int status = kExitOk;
  QString error;  // an internal fault that ended the check early
  CorruptionCheckResult check;
  std::vector<FlaggedFile> flagged;
};

// The known-good files as one name per line, or nullopt after saying why one
// cannot be used.
std::optional<QString> KnownGoodFiles(const CorruptionOptions& o) {
  QStringList good;
  for (const auto& g : o.good) {
    const QString file = RequireFile(QStr(g), QStringLiteral("known-good file"));
    if (file.isEmpty()) return std::nullopt;
    good << file;
  }
  return good.join(QLatin1Char('\n'));
}

CorruptionRun RunCorruption(const CorruptionOptions& o, CorruptFileDetector& detector,
                            const QString& folder) {
  CorruptionRun run;
  CliProgress progress(o.common.quiet);
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
  callbacks.percent = progress.PercentCallback();
  progress.Status(QStringLiteral("finding files"));
  try {
    run.check = RunCorruptionCheck(detector, walker, check, callbacks);
  } catch (const SorvelError& e) {
    run.status = kExitInternal;
    run.error = e.Message();
    run.check.folder = folder;
    run.check.folder_found = true;
    run.check.files = walker.FilesFound().Count();
    run.check.tested = detector.files_taken;
    run.check.flagged = detector.flagged_files.Count();
    run.check.problems = walker.FileProblems();
    run.check.problems.insert(run.check.problems.end(), detector.unreadable_files.begin(),
                              detector.unreadable_files.end());
  }
  progress.Done();
  for (int i = 0; i < detector.flagged_files.Count(); ++i)
    run.flagged.push_back({detector.flagged_files.Path(i), detector.flagged_files.Note(i)});
  return run;
}

void PrintHuman(const CorruptionRun& run) {
  for (const FlaggedFile& f : run.flagged) PrintLine(FlaggedFileLine(f.path, f.note));
  if (!run.error.isEmpty()) PrintError(run.error);
}

QJsonObject ToJson(const CorruptionRun& run, const CliProblems& problems) {
  QJsonArray flagged;
  for (const FlaggedFile& f : run.flagged) {
    flagged.append(QJsonObject{{QStringLiteral("file"), FlaggedFileName(f.path)},
                               {QStringLiteral("note"), f.note}});
  }
  QJsonObject out{{QStringLiteral("files"), run.check.files},
                  {QStringLiteral("tested"), run.check.tested},
                  {QStringLiteral("flagged"), flagged}};
  if (run.status == kExitInternal)
    out.insert(QStringLiteral("error"), QStringLiteral("run ended early"));
  problems.AddTo(out);
  return out;
}

int RunCorruptionCommand(const CorruptionOptions& o) {
  CliDialogScope dialogs(o.common.yes);
  const QString folder = RequireToolFolder(o.common, QStr(o.folder));
  if (folder.isEmpty()) return kExitBadInput;
  if (o.threads < 0) {
    ReportBadNumber(QStringLiteral("--threads"),
                    QStringLiteral("must be 0 (one per core) or more"));
    return kExitBadInput;
  }
  if (o.digraph && o.good.empty()) {
    PrintError(QStringLiteral("--digraph needs at least one known-good text (--good FILE)"));
    return kExitBadInput;
  }

  CorruptFileDetector detector;
  detector.threads = o.threads;
  // Known-good files that are named must be there; only the digraph test
  // reads them.
  const std::optional<QString> good = KnownGoodFiles(o);
  if (!good) return kExitBadInput;
  if (o.digraph) {
    detector.SetReferenceFiles(*good);
    if (!detector.ReferenceUsable()) return kExitBadInput;  // the reason is already on stderr
  }
  detector.digraph_frequency_variation_per_mille = o.frequency_variation;
  detector.digraph_percent_fail_allowed = o.percent_fail;

  const CorruptionRun run = RunCorruption(o, detector, folder);
  CliProblems problems(o.common.json);
  problems.Add(run.check.problems);
  const QString summary = CorruptionSummary(run.check);
  if (run.check.files == 0 && run.status == kExitOk) {
    const int status = NoFilesToWorkOn(problems, folder);
    PrintSummary(o.common, summary);
    return status;
  }
  const int status = run.status == kExitOk ? problems.ExitCode() : run.status;
  if (o.common.json) {
    PrintJson(ToJson(run, problems));
  } else {
    PrintHuman(run);
  }
  PrintSummary(o.common, summary);
  return status;
}

}  // namespace

void RegisterCorruptionCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<CorruptionOptions>();
  CLI::App* sub =
      app.add_subcommand("corruption", "List the files of a folder that are not clean text");
  sub->add_option("--good", opts->good,
                  "A known-good text file for the digraph check (repeat for several)");
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
  sub->callback([run, opts] { *run = [opts] { return RunCorruptionCommand(*opts); }; });
}
