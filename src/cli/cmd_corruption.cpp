// sorvel-cli corruption: the files of a folder that are not clean text.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include "cli/cli_common.h"
#include "corruption/file_crap_detector.h"
#include "runtime/error.h"
#include "runtime/file_iterator.h"
#include "runtime/text_reader.h"

namespace {

struct CorruptionOptions {
  CliCommonOptions common;
  std::vector<std::string> good;
  bool subfolders = false;
  bool digraph = false;
  int frequency_variation = 15;
  int percent_fail = 10;
  std::string codepage;
  int threads = 0;
  std::string folder;
};

int RunCorruption(const CorruptionOptions& o) {
  CliDialogScope dialogs(o.common.yes);
  if (!o.codepage.empty() && !SetAnsiCodePage(QStr(o.codepage))) {
    PrintError(QStringLiteral("unknown code page \"%1\"").arg(QStr(o.codepage)));
    return kExitBadInput;
  }
  const QString folder = RequireFolder(QStr(o.folder));
  if (folder.isEmpty()) return kExitBadInput;
  if (o.threads < 0) {
    ReportBadNumber(QStringLiteral("--threads"), QStringLiteral("must be 0 (one per core) or more"));
    return kExitBadInput;
  }

  TFileCrapDetector detector;
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
  TFileAndDirIterator it;
  it.HeadDir = folder;
  it.FileMask = QStringLiteral("*.*");
  it.IncludeSubFolders = o.subfolders;
  progress.Status(QStringLiteral("finding files"));
  it.IterateFindingFiles();
  it.BuildDetailedList(TFileSortOrder::ByName);
  const TFolderEfficientFileStringlist& files = it.FilesFound();
  progress.Done();
  CliProblems problems(o.common.json);
  problems.AddWalkProblems(it);
  if (files.Count() == 0) {
    return NoFilesToWorkOn(problems, folder);
  }

  int printed = 0;
  auto printNew = [&] {
    if (o.common.json) return;
    for (; printed < detector.weird_files.Count(); ++printed) {
      PrintLine(detector.weird_files.Strings(printed) + QLatin1Char('\t') +
                detector.weird_files.Objects(printed)->data);
    }
  };
  progress.Status(QStringLiteral("testing %1 files").arg(LocaleNumber(static_cast<long long>(files.Count()))));
  bool ended_early = false;
  bool internal_error = false;
  try {
    detector.CheckForCrap(
        files, o.digraph,
        [&](int p) {
          progress.Percent(p);
          if (progress.Enabled()) return;  // lines are printed at the end when a bar is drawn
          printNew();
        },
        nullptr);
  } catch (const FileReadError& e) {
    // A file that cannot be read ends the engine's run; the files tested
    // until then are still listed.
    progress.Done();
    printNew();
    problems.Add(e.Path(), e.Reason());
    ended_early = true;
  } catch (const SorvelError& e) {
    progress.Done();
    printNew();
    PrintError(e.Message());
    internal_error = true;
  }
  progress.Done();
  if (o.common.json) {
    QJsonArray flagged;
    for (int i = 0; i < detector.weird_files.Count(); ++i) {
      flagged.append(QJsonObject{{QStringLiteral("file"), detector.weird_files.Strings(i)},
                                 {QStringLiteral("note"), detector.weird_files.Objects(i)->data}});
    }
    QJsonObject out{{QStringLiteral("files"), files.Count()}, {QStringLiteral("flagged"), flagged}};
    if (ended_early || internal_error) out.insert(QStringLiteral("error"), QStringLiteral("run ended early"));
    problems.AddTo(out);
    PrintJson(out);
    return internal_error ? kExitInternal : problems.ExitCode();
  }
  printNew();
  if (ended_early) {
    PrintError(QStringLiteral("the check ended early at a file that could not be read"));
  } else if (!internal_error && detector.weird_files.Count() == 0) {
    PrintError(QStringLiteral("no corrupt files found among %1 files").arg(LocaleNumber(static_cast<long long>(files.Count()))));
  }
  return internal_error ? kExitInternal : problems.ExitCode();
}

}  // namespace

void RegisterCorruptionCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<CorruptionOptions>();
  CLI::App* sub = app.add_subcommand("corruption", "List the files of a folder that are not clean text");
  sub->add_option("--good", opts->good, "A known-good text file (repeat for several)")->required();
  sub->add_flag("--subfolders", opts->subfolders, "Include sub-folders");
  sub->add_flag("--digraph", opts->digraph, "Also compare digraph statistics with the known-good texts");
  sub->add_option("--frequency-variation", opts->frequency_variation, "Largest allowed difference of a digraph's relative frequency, per 1000")
      ->capture_default_str()->check(CLI::NonNegativeNumber);
  sub->add_option("--percent-fail", opts->percent_fail, "Largest allowed share of differing digraphs, in percent")
      ->capture_default_str()->check(CLI::NonNegativeNumber);
  sub->add_option("--codepage", opts->codepage, "Code page of files without a byte-order mark (default windows-1252)");
  sub->add_option("--threads", opts->threads, "Threads that read and test files (0: one per core)")->capture_default_str();
  sub->add_option("FOLDER", opts->folder, "The folder to check")->required();
  AddCommonFlags(sub, opts->common);
  sub->callback([run, opts] { *run = [opts] { return RunCorruption(*opts); }; });
}
