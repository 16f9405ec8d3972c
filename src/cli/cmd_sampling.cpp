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

int RunSample(const SampleOptions& o) {
  if (o.size <= 0) {
    ReportBadNumber(QStringLiteral("--size"), QStringLiteral("must be 1 or more"));
    return kExitBadInput;
  }
  if (!o.zip.empty() &&
      RequireOutputFolder(QFileInfo(QStr(o.zip)).absolutePath(), QStringLiteral("archive folder"))
          .isEmpty()) {
    return kExitBadInput;
  }
  SampleDialogs dialogs(!o.no_reduce);
  DialogInstall install(&dialogs);
  CliProblems problems(o.common.json);
  const SampleSpread pref = PreferenceByName(o.preference);
  std::optional<std::uint64_t> seed;
  if (o.seed) seed = static_cast<std::uint64_t>(*o.seed);

  // The archive's target is checked before anything is drawn or read.
  const QString zip = QStr(o.zip);
  if (!zip.isEmpty()) {
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
    if (!refusal.isEmpty()) {
      PrintError(refusal);
      return kExitBadInput;
    }
    InstallPartialOutputCleanup();
  }

  QStringList sample;
  if (!o.folder.empty()) {
    const QString folder = RequireFolder(QStr(o.folder));
    if (folder.isEmpty()) return kExitBadInput;
    CliProgress progress(o.common.quiet);
    FileWalker iterator;
    const QString mask = FileTypeMaskOfCliName(QStr(o.types));
    sample = RandomSampleFromFolder(iterator, folder, mask, o.size, pref, seed,
                                    {progress.PercentCallback(), progress.StatusCallback()});
    progress.Done();
    problems.AddWalkProblems(iterator);
    if (sample.isEmpty()) return NoFilesToWorkOn(problems, folder, mask);
  } else {
    const QString list = RequireFile(QStr(o.list), QStringLiteral("list file"));
    if (list.isEmpty()) return kExitBadInput;
    QStringList lines;
    try {
      lines = ReadListFileLines(list);
    } catch (const FileReadError& e) {
      PrintError(e.Message());
      return kExitBadInput;
    }
    if (lines.isEmpty()) {
      PrintError(QStringLiteral("list file \"%1\": no lines").arg(list));
      return kExitBadInput;
    }
    sample = RandomSampleFromList(lines, o.size, pref, seed);
  }

  std::optional<ZippedTextSetOutcome> zipped;
  if (!zip.isEmpty()) {
    try {
      zipped = WriteZippedTextSet(sample, zip, {}, o.common.yes);
    } catch (const FileReadError& e) {
      problems.Add(e.Path(), e.Message() + QStringLiteral("; the archive was not written"));
    } catch (const SorvelError& e) {
      problems.Add(zip, e.Message());
    }
  }

  if (o.common.json) {
    QJsonArray arr;
    for (const QString& s : sample) arr.append(SampleEntryDisplay(s));
    QJsonObject out{{QStringLiteral("sample"), arr}};
    if (zipped)
      out.insert(QStringLiteral("zip"),
                 QJsonObject{{QStringLiteral("path"), DisplayName(zip)},
                             {QStringLiteral("texts"), zipped->texts},
                             {QStringLiteral("files"), zipped->files_added}});
    problems.AddTo(out);
    PrintJson(out);
  } else {
    for (const QString& s : sample) PrintLine(SampleEntryDisplay(s));
    if (zipped)
      PrintLine(
          QStringLiteral("Saved %1 (%2 texts)")
              .arg(DisplayName(zip), LocaleNumber(static_cast<long long>(zipped->files_added))));
  }
  return problems.ExitCode();
}

int RunSubCorpora(const SubCorporaOptions& o) {
  CliDialogScope dialogs(o.common.yes);
  const int base = TimeLinePlotbaseFromName(QStr(o.delicacy));
  const QStringList folders = FoldersFromSameHead(QStr(o.source));
  if (folders.isEmpty()) {
    RequireFolder(QString(), QStringLiteral("source folder"));  // tells that no folder was named
    return kExitBadInput;
  }
  for (const QString& f : folders) {
    if (RequireFolder(f, QStringLiteral("source folder")).isEmpty()) return kExitBadInput;
  }
  const QString results = RequireOutputFolder(QStr(o.results), QStringLiteral("results folder"));
  if (results.isEmpty()) return kExitBadInput;
  SubCorpusRequest rq;
  rq.source_text = QStr(o.source);
  rq.results_folder = results;
  rq.file_mask = FileTypeMaskOfCliName(QStr(o.types));
  rq.time_line_base = base;

  InstallPartialOutputCleanup();
  CliProgress progress(o.common.quiet);
  FileWalker iterator;
  SubCorpusOutcome outcome;
  int saved = 0;
  CliProblems problems(o.common.json);
  try {
    saved = BuildSubCorpora(iterator, rq, {progress.PercentCallback(), progress.StatusCallback()},
                            nullptr, &outcome);
  } catch (const FileReadError& e) {
    // The builder stops at a text it cannot read; what it saved until then stays.
    progress.Done();
    problems.Add(e.Path(), e.Reason() + QStringLiteral(" (the run stopped here)"));
  } catch (const SorvelError& e) {
    progress.Done();
    problems.Add(outcome.walk_file_problems);
    PrintError(e.Message());
    return kExitBadInput;
  }
  progress.Done();
  // Folders that could not be read: their texts are missing from the output.
  problems.Add(outcome.walk_file_problems);
  const QString output = SubCorpusOutputFolder(results, base);
  if (o.common.json) {
    QJsonObject out{{QStringLiteral("files_saved"), saved},
                    {QStringLiteral("output_folder"), DisplayName(output)}};
    problems.AddTo(out);
    PrintJson(out);
  } else {
    PrintLine(Format(LX("LXNFilesSaved"), {static_cast<double>(saved)}));
    PrintLine(DisplayName(output));
  }
  return problems.ExitCode();
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
    *run = [so] { return RunSample(*so); };
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
  b->callback([co, run] { *run = [co] { return RunSubCorpora(*co); }; });
}
