// sorvel-cli relevance: scores the texts of a folder or a list against a
// filter-strings file, lists the relevant ones, and can copy them into the
// filtered tree and save a run of them as RTF samples.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <memory>

#include "cli/cli_common.h"
#include "relevance/file_filtering.h"
#include "relevance/relevance_rtf.h"
#include "runtime/file_types.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/run_summary.h"
#include "runtime/settings.h"

namespace {

struct RelevanceCliOptions {
  CliCommonOptions common;
  std::string filters;
  int min_words = 200;
  int segments = 1;
  int coverage = 0;
  double min_score = 0;
  std::string folder;
  std::string types = "all";
  bool no_subfolders = false;
  std::string list;
  bool copy_filtered = false;
  std::string base;
  std::string rtf;
  int start = 0;
  int count = 5;
};

// What a check found and did, for PrintHuman or ToJson.
struct RelevanceRun {
  RelevanceFilter overall;
  RelevanceResults results;
  int texts = 0;    // texts found to score
  QString status;   // the check's own closing status line
  int copied = -1;  // -1: no copies asked for
  QString filtered_folder;
  int rtf_saved = -1;  // -1: no RTF sample asked for
  QString rtf_folder;
};

// The numbers of the options that the parser cannot check alone; false after
// saying which is wrong.
bool NumbersUsable(const RelevanceCliOptions& o) {
  if (o.min_words < 0) {
    ReportBadNumber(QStringLiteral("--min-words"), QStringLiteral("must be 0 or more"));
    return false;
  }
  if (o.coverage < 0 || o.coverage > o.segments) {
    ReportBadNumber(
        QStringLiteral("--coverage"),
        QStringLiteral("must be from 0 to the number of segments (%1)").arg(o.segments));
    return false;
  }
  return true;
}

// The texts to score, as the options name them; false after saying why they
// cannot be used.
bool InputOf(const RelevanceCliOptions& o, FileSourceChoice* in) {
  if (!o.list.empty()) {
    in->file_or_folder = FileOrFolder::t_textfile;
    in->file_list = RequireFile(QStr(o.list), QStringLiteral("list file"));
    return !in->file_list.isEmpty();
  }
  in->file_or_folder = FileOrFolder::t_folder_contents;
  in->head_folder = RequireToolFolder(o.common, QStr(o.folder));
  in->filemask = FileTypeMaskOfCliName(QStr(o.types));
  in->include_sub_folders = !o.no_subfolders;
  return !in->head_folder.isEmpty();
}

// The base of the filtered tree (empty when no copies are asked for); false
// after saying why it cannot be used.
bool OutputsUsable(const RelevanceCliOptions& o, const FileSourceChoice& in, QString* base) {
  if (o.copy_filtered) {
    *base = !o.base.empty() ? QStr(o.base) : in.head_folder;
    if (!base->isEmpty()) *base = QFileInfo(*base).absoluteFilePath();
    if (base->isEmpty()) {
      PrintError(QStringLiteral("--copy-filtered with --list needs --base DIR"));
      return false;
    }
    if (RequireOutputFolder(*base, QStringLiteral("base folder")).isEmpty()) return false;
  }
  return o.rtf.empty() || !RequireOutputFolder(QStr(o.rtf), QStringLiteral("RTF folder")).isEmpty();
}

// Scores the texts, then copies and saves as asked.
void RunRelevance(const RelevanceCliOptions& o, const RelevanceFilterList& filters,
                  const RelevanceCheckParams& params, const QStringList& texts, const QString& base,
                  CliProblems& problems, RelevanceRun* run) {
  CliProgress progress(o.common.quiet);
  RelevanceCheckCallbacks cb;
  cb.percent = progress.PercentCallback();
  cb.status = [&](const QString& s) { progress.Status(s); };
  cb.problem = [&](const FileProblem& p) {
    progress.Done();
    problems.Add(p);
  };
  run->texts = static_cast<int>(texts.size());
  run->status = ScoreRelevanceTexts(texts, filters, params, &run->overall, &run->results, cb);
  progress.Done();
  if (o.copy_filtered) {
    run->filtered_folder = FilteredFolderOf(base);
    std::vector<FileProblem> copy_problems;
    run->copied = CopyFilteredTexts(run->results, base, o.min_score, &copy_problems);
    problems.Add(copy_problems);
  }
  if (!o.rtf.empty()) {
    run->rtf_folder = QStr(o.rtf);
    const RtfSampleChoice choice{run->rtf_folder, o.start, o.count};
    std::vector<FileProblem> rtf_problems;
    run->rtf_saved = SaveRelevanceRtfSample(run->results, filters, choice, &rtf_problems);
    problems.Add(rtf_problems);
  }
}

QJsonObject ToJson(const RelevanceRun& run, const CliProblems& problems) {
  QJsonObject root;
  root.insert(QStringLiteral("examined"), run.overall.files_examined);
  QJsonArray arr;
  for (int i = 0; i < run.results.Count(); ++i) {
    const ScoredTextRec& r = run.results.GetOne(i);
    QJsonObject e;
    e.insert(QStringLiteral("file"), DisplayName(run.results.String(i)));
    e.insert(QStringLiteral("score"), JsonNumber(r.score));
    e.insert(QStringLiteral("words"), static_cast<qint64>(r.words));
    e.insert(QStringLiteral("hit_types"), r.positive_terms);
    arr.append(e);
  }
  root.insert(QStringLiteral("results"), arr);
  if (run.copied >= 0) {
    root.insert(QStringLiteral("copied"), run.copied);
    root.insert(QStringLiteral("filtered_folder"), DisplayName(run.filtered_folder));
  }
  if (run.rtf_saved >= 0) root.insert(QStringLiteral("rtf_saved"), run.rtf_saved);
  problems.AddTo(root);
  return root;
}

void PrintHuman(const RelevanceRun& run) {
  for (int i = 0; i < run.results.Count(); ++i) {
    const ScoredTextRec& r = run.results.GetOne(i);
    PrintLine(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                  .arg(LocaleNumber(static_cast<long long>(i + 1)),
                       LocaleNumber(static_cast<double>(r.score), 1),
                       LocaleNumber(static_cast<long long>(r.words)),
                       LocaleNumber(static_cast<long long>(r.positive_terms)),
                       DisplayName(run.results.String(i))));
  }
  PrintLine(run.status);
  if (run.copied >= 0)
    PrintLine(QStringLiteral("%1 copied to %2")
                  .arg(CountOf(run.copied, QStringLiteral("text"), QStringLiteral("texts")),
                       DisplayName(run.filtered_folder)));
  if (run.rtf_saved >= 0)
    PrintLine(
        QStringLiteral("%1 saved in %2")
            .arg(CountOf(run.rtf_saved, QStringLiteral("RTF file"), QStringLiteral("RTF files")),
                 DisplayName(run.rtf_folder)));
}

int RunRelevanceCommand(const RelevanceCliOptions& o) {
  CliDialogScope dialogs(o.common.yes);
  const QString filter_file = RequireFile(QStr(o.filters), QStringLiteral("filter file"));
  if (filter_file.isEmpty() || !NumbersUsable(o)) return kExitBadInput;
  RelevanceFilterList filters(SearchSettings{0, GetIgnoreTagsSpan()});
  const FilterLoadOutcome loaded = LoadFiltersForCheck(&filters, filter_file);
  if (loaded == FilterLoadOutcome::RepeatsRefused) {
    PrintError(QStringLiteral(
        "stopped: the filter file repeats terms with different settings (--yes goes on)"));
    return kExitBadInput;
  }
  if (loaded != FilterLoadOutcome::Ok) return kExitBadInput;

  RelevanceCheckParams params;
  params.min_words = o.min_words;
  params.segments = o.segments;
  params.coverage = o.coverage;
  params.min_score = o.min_score;
  QString base;
  if (!InputOf(o, &params.input) || !OutputsUsable(o, params.input, &base)) return kExitBadInput;

  CliProblems problems(o.common.json);
  std::vector<FileProblem> walk_problems;
  const FileSourceChoice& in = params.input;
  const QStringList texts = GatherRelevanceTexts(in, nullptr, &walk_problems);
  problems.Add(walk_problems);
  RelevanceRun run;
  if (texts.isEmpty()) {
    const bool listed = in.file_or_folder == FileOrFolder::t_textfile;
    const int status = NoFilesToWorkOn(problems, listed ? in.file_list : in.head_folder,
                                       listed ? QString() : in.filemask);
    PrintSummary(o.common, RelevanceSummary(run.overall, 0, 0));
    return status;
  }
  RunRelevance(o, filters, params, texts, base, problems, &run);
  if (o.common.json) {
    PrintJson(ToJson(run, problems));
  } else {
    PrintHuman(run);
  }
  PrintSummary(o.common, RelevanceSummary(run.overall, run.texts, run.results.Count()));
  return problems.ExitCode();
}

}  // namespace

void RegisterRelevanceCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<RelevanceCliOptions>();
  CLI::App* sub = app.add_subcommand(
      "relevance", "Score texts against a file of filter strings and list the relevant ones");
  sub->add_option("--filters", opts->filters,
                  "Filter-strings file: term<TAB>weight<TAB>group threshold<TAB>options per line")
      ->required();
  sub->add_option("--min-words", opts->min_words, "Minimum words of a listed text")
      ->capture_default_str();
  sub->add_option("--segments", opts->segments, "Equal segments a text is cut into")
      ->check(CLI::Range(1, 10))
      ->capture_default_str();
  sub->add_option("--coverage", opts->coverage, "Segments that must hold a positive hit")
      ->capture_default_str();
  sub->add_option("--min-score", opts->min_score, "Minimum score of a listed (and copied) text")
      ->capture_default_str();
  auto* folder = sub->add_option("--folder", opts->folder, "Folder of texts");
  sub->add_option("--types", opts->types,
                  "File types of the folder: all, text (*.txt) or web (*.xml;*.htm;*.html)")
      ->check(CLI::IsMember(FileTypeCliNames()))
      ->needs(folder)
      ->capture_default_str();
  sub->add_flag("--no-subfolders", opts->no_subfolders, "Leave out the folder's sub-folders")
      ->needs(folder);
  auto* list = sub->add_option("--list", opts->list, "File naming one text per line");
  folder->excludes(list);
  list->excludes(folder);
  auto* copy =
      sub->add_flag("--copy-filtered", opts->copy_filtered,
                    "Copy the listed texts scoring at least --min-score into the filtered tree");
  sub->add_option("--base", opts->base, "Base folder of the filtered tree (default: the --folder)")
      ->needs(copy);
  auto* rtf = sub->add_option("--rtf", opts->rtf,
                              "Save listed texts as RTF into DIR, their terms highlighted");
  sub->add_option("--start", opts->start, "0-based number of the first listed text to save as RTF")
      ->needs(rtf)
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  sub->add_option("--count", opts->count, "How many listed texts to save as RTF")
      ->needs(rtf)
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  AddCodePageOption(sub);
  AddCommonFlags(sub, opts->common);
  sub->callback([opts, run, sub]() {
    if (opts->folder.empty() && opts->list.empty()) throw CLI::RequiredError("--folder or --list");
    (void)sub;
    *run = [opts]() { return RunRelevanceCommand(*opts); };
  });
}
