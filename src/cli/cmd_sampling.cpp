// sorvel-cli sample: draw a random sample of texts from a folder or a list
// file, optionally packed as a zipped text set.
// sorvel-cli subcorpora: regroup a corpus by date into one file per period.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>

#include "cli/cli_common.h"
#include "runtime/error.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/interrupt_cleanup.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"
#include "sampling/sampler.h"
#include "sampling/sub_corpus_builder.h"
#include "sampling/zipped_text_set.h"

namespace {

// Questions (the reduce question of the list variant) are answered from the
// --no-reduce flag; every other box goes to stderr as usual.
class SampleDialogs : public ConsoleDialogs {
 public:
  explicit SampleDialogs(bool reduce) : ConsoleDialogs(reduce), reduce_(reduce) {}
  int Show(const BoxRequest& request) override {
    if (request.buttons == BoxButtons::YesNo) return reduce_ ? mrYes : mrNo;
    return ConsoleDialogs::Show(request);
  }

 private:
  bool reduce_;
};

class DialogInstall {
 public:
  explicit DialogInstall(DialogInterface* d) { SetDialogInterface(d); }
  ~DialogInstall() { SetDialogInterface(nullptr); }
};

struct SampleOptions {
  CliCommonOptions common;
  long long size = 0;
  std::string preference = "anywhere";
  std::optional<unsigned long long> seed;
  std::string folder;
  std::string types = "all";
  std::string list;
  bool no_reduce = false;
  std::string zip;
};

struct SubCorporaOptions {
  CliCommonOptions common;
  std::string delicacy;
  std::string types = "all";
  std::string source;
  std::string results;
};

SampleSpread PreferenceByName(const std::string& name) {
  if (name == "top") return spTopQuarter;
  if (name == "middle") return spMiddleQuarter;
  if (name == "bottom") return spBottomQuarter;
  return spAnywhere;
}

// What a sample run drew and saved. exit is kExitBadInput when the input
// could not be used; the reason has been printed then.
struct SampleRun {
  int exit = kExitOk;
  QStringList sample;
  SampleRunCount count;
  QString zip;  // the archive asked for, or empty
  std::optional<ZippedTextSetOutcome> zipped;
};

// The archive's target, checked before anything is drawn or read: an empty
// refusal when it may be written.
QString ZipTargetRefusal(const SampleOptions& o, const QString& zip) {
  QString refusal =
      ArchiveOverSampledFolderRefusal(zip, o.folder.empty() ? QString() : QStr(o.folder));
  if (refusal.isEmpty() && !o.list.empty() && PathExists(zip) &&
      CanonicalPath(zip) == CanonicalPath(QStr(o.list)))
    refusal = QStringLiteral("\"%1\" is the list file: the archive is never written over it")
                  .arg(DisplayName(zip));
  if (refusal.isEmpty() && IsExistingFolder(zip))
    refusal = QStringLiteral("\"%1\" is a folder").arg(DisplayName(zip));
  if (refusal.isEmpty() && PathExists(zip) && !o.common.yes)
    refusal =
        QStringLiteral("\"%1\" exists already: pass --yes to replace it").arg(DisplayName(zip));
  return refusal;
}

// Draws from the folder's files (run.exit says whether there were any).
void DrawFromFolder(const SampleOptions& o, SampleSpread pref, std::optional<std::uint64_t> seed,
                    CliProblems& problems, SampleRun& run) {
  const QString folder = RequireToolFolder(o.common, QStr(o.folder));
  if (folder.isEmpty()) {
    run.exit = kExitBadInput;
    return;
  }
  CliProgress progress(o.common.quiet);
  FileWalker iterator;
  const QString mask = FileTypeMaskOfCliName(QStr(o.types));
  run.sample = RandomSampleFromFolder(iterator, folder, mask, o.size, pref, seed,
                                      {progress.PercentCallback(), progress.StatusCallback()});
  progress.Done();
  run.count.source = iterator.FilesFound().Count();
  run.count.drawn = run.sample.size();
  problems.AddWalkProblems(iterator);
  if (run.sample.isEmpty()) {
    PrintSummary(o.common, SampleRunSummary(run.count));
    run.exit = NoFilesToWorkOn(problems, folder, mask);
  }
}

// Draws from the lines of the list file.
void DrawFromList(const SampleOptions& o, SampleSpread pref, std::optional<std::uint64_t> seed,
                  SampleRun& run) {
  run.exit = kExitBadInput;
  run.count.from_list = true;
  const QString list = RequireFile(QStr(o.list), QStringLiteral("list file"));
  if (list.isEmpty()) return;
  QStringList lines;
  try {
    lines = ReadListFileLines(list);
  } catch (const FileReadError& e) {
    PrintError(e.Message());
    return;
  }
  if (lines.isEmpty()) {
    PrintError(QStringLiteral("list file \"%1\": no lines").arg(list));
    return;
  }
  run.sample = RandomSampleFromList(lines, o.size, pref, seed);
  run.count.source = lines.size();
  run.count.drawn = run.sample.size();
  run.exit = kExitOk;
}

SampleRun RunSample(const SampleOptions& o, CliProblems& problems) {
  SampleRun run;
  run.exit = kExitBadInput;
  if (o.size <= 0) {
    ReportBadNumber(QStringLiteral("--size"), QStringLiteral("must be 1 or more"));
    return run;
  }
  if (!o.zip.empty() &&
      RequireOutputFolder(QFileInfo(QStr(o.zip)).absolutePath(), QStringLiteral("archive folder"))
          .isEmpty())
    return run;
  run.zip = QStr(o.zip);
  if (!run.zip.isEmpty()) {
    const QString refusal = ZipTargetRefusal(o, run.zip);
    if (!refusal.isEmpty()) {
      PrintError(refusal);
      return run;
    }
    InstallPartialOutputCleanup();
  }

  SampleDialogs dialogs(!o.no_reduce);
  DialogInstall install(&dialogs);
  const SampleSpread pref = PreferenceByName(o.preference);
  std::optional<std::uint64_t> seed;
  if (o.seed) seed = static_cast<std::uint64_t>(*o.seed);
  run.exit = kExitOk;
  if (!o.folder.empty())
    DrawFromFolder(o, pref, seed, problems, run);
  else
    DrawFromList(o, pref, seed, run);
  if (run.exit != kExitOk || run.zip.isEmpty()) return run;
  try {
    run.zipped = WriteZippedTextSet(run.sample, run.zip, {}, o.common.yes);
  } catch (const FileReadError& e) {
    problems.Add(e.Path(), e.Message() + QStringLiteral("; the archive was not written"));
  } catch (const SorvelError& e) {
    problems.Add(run.zip, e.Message());
  }
  return run;
}

// The closing line: what was drawn, and with --zip what was saved.
QString SampleSummary(const SampleRun& run) {
  QString line = SampleRunSummary(run.count);
  if (run.zip.isEmpty()) return line;
  if (!run.zipped) return line + QStringLiteral(", and the archive was not written");
  return line + QStringLiteral(", ") +
         CountOf(run.zipped->files_added, QStringLiteral("text"), QStringLiteral("texts")) +
         QStringLiteral(" saved in ") + DisplayName(run.zip);
}

void PrintHuman(const SampleRun& run) {
  for (const QString& s : run.sample) PrintLine(SampleEntryDisplay(s));
  if (run.zipped)
    PrintLine(
        QStringLiteral("Saved %1 (%2)")
            .arg(DisplayName(run.zip), CountOf(run.zipped->files_added, QStringLiteral("text"),
                                               QStringLiteral("texts"))));
}

QJsonObject ToJson(const SampleRun& run, const CliProblems& problems) {
  QJsonArray arr;
  for (const QString& s : run.sample) arr.append(SampleEntryDisplay(s));
  QJsonObject out{{QStringLiteral("sample"), arr}};
  if (run.zipped)
    out.insert(QStringLiteral("zip"),
               QJsonObject{{QStringLiteral("path"), DisplayName(run.zip)},
                           {QStringLiteral("texts"), run.zipped->texts},
                           {QStringLiteral("files"), run.zipped->files_added}});
  problems.AddTo(out);
  return out;
}

// Prints a run that could start, as JSON or as lines, then its closing line.
template <typename Run>
int PrintRun(const CliCommonOptions& common, const Run& run, const CliProblems& problems,
             const QString& summary) {
  if (run.exit != kExitOk) return run.exit;
  if (common.json)
    PrintJson(ToJson(run, problems));
  else
    PrintHuman(run);
  PrintSummary(common, summary);
  return problems.ExitCode();
}

int Sample(const SampleOptions& o) {
  CliProblems problems(o.common.json);
  const SampleRun run = RunSample(o, problems);
  return PrintRun(o.common, run, problems, SampleSummary(run));
}

// What a sub-corpus build wrote. exit is kExitBadInput when the input could
// not be used or the build could not start; the reason has been printed.
struct SubCorporaRun {
  int exit = kExitOk;
  SubCorpusOutcome outcome;
  bool failed = false;  // a text could not be read: the run stopped there
  QString output;       // the folder of the sub-corpus files
};

// The source folders and the results folder, checked; empty source folders
// after telling why.
QStringList CheckedSourceFolders(const SubCorporaOptions& o) {
  const QStringList folders = FoldersFromSameHead(QStr(o.source));
  if (folders.isEmpty()) {
    RequireFolder(QString(), QStringLiteral("source folder"));  // tells that no folder was named
    return {};
  }
  for (const QString& f : folders) {
    if (RequireToolFolder(o.common, f, QStringLiteral("source folder")).isEmpty()) return {};
  }
  return folders;
}

SubCorporaRun RunSubCorpora(const SubCorporaOptions& o, CliProblems& problems) {
  SubCorporaRun run;
  run.exit = kExitBadInput;
  const int base = TimeLineBaseFromName(QStr(o.delicacy));
  if (CheckedSourceFolders(o).isEmpty()) return run;
  const QString results = RequireOutputFolder(QStr(o.results), QStringLiteral("results folder"));
  if (results.isEmpty()) return run;
  SubCorpusRequest rq;
  rq.source_text = QStr(o.source);
  rq.results_folder = results;
  rq.file_mask = FileTypeMaskOfCliName(QStr(o.types));
  rq.time_line_base = base;
  run.output = SubCorpusOutputFolder(results, base);

  InstallPartialOutputCleanup();
  CliProgress progress(o.common.quiet);
  FileWalker iterator;
  try {
    BuildSubCorpora(iterator, rq, {progress.PercentCallback(), progress.StatusCallback(), nullptr},
                    nullptr, &run.outcome);
  } catch (const FileReadError& e) {
    // The builder stops at a text it cannot read, and writes nothing then.
    run.failed = true;
    problems.Add(e.Path(), e.Reason());
  } catch (const SorvelError& e) {
    progress.Done();
    problems.Add(run.outcome.walk_file_problems);
    PrintError(e.Message());
    PrintSummary(o.common, SubCorpusRunSummary(run.outcome, true));
    return run;
  }
  progress.Done();
  // Folders that could not be read: their texts are missing from the output.
  problems.Add(run.outcome.walk_file_problems);
  run.exit = kExitOk;
  return run;
}

void PrintHuman(const SubCorporaRun& run) {
  PrintLine(CountOf(run.outcome.files_saved, QStringLiteral("sub-corpus file"),
                    QStringLiteral("sub-corpus files")) +
            QStringLiteral(" saved in ") + DisplayName(run.output));
}

QJsonObject ToJson(const SubCorporaRun& run, const CliProblems& problems) {
  QJsonObject out{{QStringLiteral("files_saved"), run.outcome.files_saved},
                  {QStringLiteral("texts_found"), run.outcome.texts_found},
                  {QStringLiteral("output_folder"), DisplayName(run.output)}};
  problems.AddTo(out);
  return out;
}

int SubCorpora(const SubCorporaOptions& o) {
  CliDialogScope dialogs(o.common.yes);
  CliProblems problems(o.common.json);
  const SubCorporaRun run = RunSubCorpora(o, problems);
  return PrintRun(o.common, run, problems, SubCorpusRunSummary(run.outcome, run.failed));
}

}  // namespace

void RegisterSamplingCommands(CLI::App& app, CliRun* run) {
  auto so = std::make_shared<SampleOptions>();
  CLI::App* s =
      app.add_subcommand("sample", "Draw a random sample of texts from a folder or a list file");
  s->add_option("--size", so->size, "Number of texts wanted")->required();
  s->add_option("--preference", so->preference, "Region of the sorted source to draw from")
      ->check(CLI::IsMember({"top", "middle", "bottom", "anywhere"}));
  s->add_option("--seed", so->seed, "Seed of the random draw, to repeat a run");
  auto* folder = s->add_option("--folder", so->folder,
                               "Sample the files under this folder (sub-folders included)");
  s->add_option("--types", so->types, "File types of the folder variant")
      ->check(CLI::IsMember(FileTypeCliNames()))
      ->needs(folder);
  auto* list = s->add_option("--list", so->list, "Sample the lines of this list file");
  s->add_flag("--no-reduce", so->no_reduce, "Take the whole list instead of a sample")->needs(list);
  folder->excludes(list);
  s->add_option("--zip", so->zip, "Save the sample as a zipped text set")->type_name("FILE");
  AddCodePageOption(s);
  AddCommonFlags(s, so->common);
  s->callback([so, run, folder, list] {
    if (folder->count() == 0 && list->count() == 0) throw CLI::RequiredError("--folder or --list");
    *run = [so] { return Sample(*so); };
  });

  auto co = std::make_shared<SubCorporaOptions>();
  CLI::App* b =
      app.add_subcommand("subcorpora", "Regroup a corpus by date into one UTF-16 file per period");
  b->add_option("--delicacy", co->delicacy, "Period of each sub-corpus file")
      ->required()
      ->check(CLI::IsMember({"decade", "year", "month", "week", "day", "hour"}));
  b->add_option("--types", co->types, "File types to regroup")
      ->check(CLI::IsMember(FileTypeCliNames()));
  b->add_option("SOURCE", co->source,
                "Corpus folder, or \"HEAD;SUB1;SUB2\" for folders under one head")
      ->required();
  b->add_option("RESULTS", co->results, "Folder that receives the sub-corpora")->required();
  AddCodePageOption(b);
  AddCommonFlags(b, co->common);
  b->callback([co, run] { *run = [co] { return SubCorpora(*co); }; });
}
