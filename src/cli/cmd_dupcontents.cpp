// sorvel-cli dupcontents: near-duplicate texts, and moving the spare copies
// aside; sorvel-cli restore: bringing moved copies back.

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/cli_common.h"
#include "duplicates/dup_contents_moving.h"
#include "duplicates/dup_contents_rows.h"
#include "duplicates/dup_contents_search.h"
#include "duplicates/file_duplicate_contents_seeking.h"
#include "runtime/dialogs.h"
#include "runtime/file_types.h"
#include "runtime/file_walker.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/run_summary.h"
#include "runtime/settings.h"
#include "runtime/tree_lock.h"
#include "runtime/word_lists.h"

namespace {

struct DupContentsOptions {
  CliCommonOptions common;
  int days = 1;
  bool no_dates = false;
  double length_diff = 0.5;
  double words_diff = 0.5;
  bool any_folder = false;
  bool normalize_space = false;
  std::string types = "all";
  int start_percent = 0;
  bool move = false;
  std::string keep = "head";
  std::string folder;
};

struct RestoreOptions {
  CliCommonOptions common;
  std::string folder;
};

DupContentsKeepRule KeepRule(const std::string& keep) {
  if (keep == "longest") return DupContentsKeepRule::Longest;
  if (keep == "shortest") return DupContentsKeepRule::Shortest;
  if (keep == "newest") return DupContentsKeepRule::Newest;
  if (keep == "oldest") return DupContentsKeepRule::Oldest;
  return DupContentsKeepRule::Head;
}

// What one dupcontents run found and did, for PrintHuman or ToJson.
struct DupContentsRun {
  DupContentsSeeker seeker;
  DupContentsSearchResult found;
  QString folder;
  bool move = false;
  bool yes = false;
  std::vector<PlannedFileMove> plan;
  std::vector<FileMoveProblem> not_moved;
  int moved = 0;
};

// Searches, chooses the files to keep and, when asked, moves the others.
// Returns the exit status when the run cannot go on, else -1.
int RunDupContents(const DupContentsOptions& o, DupContentsRun& run, CliProblems& problems) {
  CliProgress progress(o.common.quiet);
  global_panic_state.store(0);
  ElapsedTime(true);

  FileWalker walker;
  DupContentsSearch search;
  search.folder = run.folder;
  search.file_mask = FileTypeMaskOfCliName(QStr(o.types));
  search.criteria.max_days_diff = o.days;
  search.criteria.check_dates = !o.no_dates;
  search.criteria.same_folder = !o.any_folder;
  search.criteria.max_length_diff_percent = static_cast<float>(o.length_diff);
  search.criteria.max_words_diff_percent = static_cast<float>(o.words_diff);
  search.criteria.tag_span = GetIgnoreTagsSpan();
  search.criteria.start_percent = o.start_percent;
  search.criteria.normalize_space = o.normalize_space;
  DupContentsCallbacks callbacks;
  callbacks.status = progress.StatusCallback();
  callbacks.percent = [&progress](int p) {
    progress.Percent(p);
    return false;
  };
  progress.Status(QStringLiteral("finding files"));
  run.found =
      RunDupContentsSearch(run.seeker, walker, search, callbacks, [&](int) { progress.Done(); });
  progress.Done();
  problems.Add(run.found.problems);
  if (run.found.files == 0) return NoFilesToWorkOn(problems, run.folder, search.file_mask);
  run.seeker.SetKeepByRule(KeepRule(o.keep));

  if (run.move && run.yes) {
    const TreeMoveLock lock(run.folder);
    if (!lock.Held()) {
      PrintError(lock.Refusal());
      return kExitBadInput;
    }
    run.plan = PlanMovesNotKept(run.seeker, run.folder);
    run.moved = MoveFilesNotKept(run.seeker, run.folder, {}, &run.not_moved);
    for (const FileMoveProblem& p : run.not_moved) problems.Add(p.file, p.reason);
  } else if (run.move) {
    run.plan = PlanMovesNotKept(run.seeker, run.folder, &run.not_moved);
  }
  return -1;
}

QJsonObject ToJson(const DupContentsRun& run, const CliProblems& problems) {
  const DupContentsGroups& groups = run.seeker.dup_contents_top_list;
  QJsonArray jgroups;
  for (int g = 0; g < groups.Count(); ++g) {
    const DupContentsGroup group = groups.Group(g);
    QJsonArray members;
    for (int m = 0; m < group.dup_contents_list->Count(); ++m) {
      const DupContentsMember& r = group.dup_contents_list->GetAValue(m);
      members.append(
          QJsonObject{{QStringLiteral("file"), DisplayName(run.seeker.FullFilename(r.file_index))},
                      {QStringLiteral("tokens"), r.token_count},
                      {QStringLiteral("token_diff"), r.token_diff},
                      {QStringLiteral("type_diff"), r.type_diff}});
    }
    jgroups.append(QJsonObject{{QStringLiteral("keep"), group.which_to_keep},
                               {QStringLiteral("members"), members}});
  }
  QJsonObject out{{QStringLiteral("pairs"), run.found.pairs},
                  {QStringLiteral("groups"), jgroups},
                  {QStringLiteral("empty_files"), DisplayNames(run.found.empty_files)}};
  if (run.move) {
    QJsonArray moves;
    for (const PlannedFileMove& p : run.plan)
      moves.append(QJsonObject{{QStringLiteral("from"), DisplayName(p.from)},
                               {QStringLiteral("to"), DisplayName(p.to)}});
    out.insert(QStringLiteral("moves"), moves);
    out.insert(QStringLiteral("moved"), run.moved);
    QJsonArray failed;
    for (const FileMoveProblem& p : run.not_moved) failed.append(DisplayName(p.file));
    out.insert(QStringLiteral("failed"), failed);
  }
  problems.AddTo(out);
  return out;
}

void PrintHuman(const DupContentsRun& run) {
  for (const QString& line : DupContentsHumanLines(run.seeker)) PrintLine(line);
  if (!run.found.empty_files.isEmpty()) {
    PrintLine(QStringLiteral("Empty files, not compared:"));
    for (const QString& f : run.found.empty_files) PrintLine(QStringLiteral("  ") + DisplayName(f));
  }
  if (!run.move) return;
  if (run.yes) {
    PrintLine(
        QStringLiteral("%1 moved into \"%2\" folders").arg(CountOf(run.moved), MovedFilesWord()));
    return;
  }
  for (const PlannedFileMove& p : run.plan)
    PrintLine(QStringLiteral("would move %1 -> %2").arg(DisplayName(p.from), DisplayName(p.to)));
  for (const FileMoveProblem& p : run.not_moved)
    PrintLine(QStringLiteral("would leave %1 (%2)").arg(DisplayName(p.file), p.reason));
  PrintLine(QStringLiteral("Nothing moved: pass --yes to move %1.")
                .arg(CountOf(static_cast<long long>(run.plan.size()))));
}

int DupContentsCommand(const DupContentsOptions& o) {
  const QString folder = RequireToolFolder(o.common, QStr(o.folder));
  if (folder.isEmpty()) return kExitBadInput;
  CliDialogScope dialog_scope(o.common.yes);
  auto run = std::make_unique<DupContentsRun>();
  run->folder = folder;
  run->move = o.move;
  run->yes = o.common.yes;
  CliProblems problems(o.common.json);
  const int early = RunDupContents(o, *run, problems);
  if (early >= 0) {
    if (run->found.files == 0)
      PrintSummary(o.common, CheckedSummary(0, QStringLiteral("no files to compare")));
    return early;
  }
  if (o.common.json)
    PrintJson(ToJson(*run, problems));
  else
    PrintHuman(*run);
  PrintSummary(o.common, DupContentsSummary(run->found));
  return problems.ExitCode();
}

// What one restore run found and did.
struct RestoreRun {
  std::vector<PlannedFileMove> plan;
  RestoreOutcome outcome;
};

QJsonObject ToJson(const RestoreRun& run, const CliProblems& problems) {
  QJsonArray jplan;
  for (const PlannedFileMove& p : run.plan)
    jplan.append(QJsonObject{{QStringLiteral("from"), DisplayName(p.from)},
                             {QStringLiteral("to"), DisplayName(p.to)}});
  QJsonArray jfailed;
  for (const RestoreFailure& f : run.outcome.failures)
    jfailed.append(QJsonObject{{QStringLiteral("from"), DisplayName(f.from)},
                               {QStringLiteral("to"), DisplayName(f.to)}});
  QJsonObject out{{QStringLiteral("found"), run.outcome.found},
                  {QStringLiteral("restored"), run.outcome.restored},
                  {QStringLiteral("moves"), jplan},
                  {QStringLiteral("failed"), jfailed}};
  problems.AddTo(out);
  return out;
}

void PrintHuman(const RestoreRun& run, bool yes) {
  if (yes) {
    PrintLine(QStringLiteral("%1 of %2 restored")
                  .arg(LocaleNumber(static_cast<long long>(run.outcome.restored)),
                       CountOf(run.outcome.found, QStringLiteral("moved file"),
                               QStringLiteral("moved files"))));
    return;
  }
  for (const PlannedFileMove& p : run.plan)
    PrintLine(QStringLiteral("would restore %1 -> %2%3")
                  .arg(DisplayName(p.from), DisplayName(p.to),
                       PathExists(p.to) ? QStringLiteral(" (exists: would stay where it is)")
                                        : QString()));
  PrintLine(QStringLiteral("Nothing restored: pass --yes to restore %1.")
                .arg(CountOf(static_cast<long long>(run.plan.size()))));
}

int RestoreCommand(const RestoreOptions& o) {
  const QString folder = RequireToolFolder(o.common, QStr(o.folder));
  if (folder.isEmpty()) return kExitBadInput;
  CliDialogScope dialog_scope(o.common.yes);
  global_panic_state.store(0);
  RestoreRun run;
  run.plan = PlanRestore(folder);
  run.outcome.found = static_cast<int>(run.plan.size());
  CliProblems problems(o.common.json);
  if (o.common.yes) {
    run.outcome = RestoreMovedFiles(folder);
    if (!run.outcome.refusal.isEmpty()) {
      PrintError(run.outcome.refusal);
      return kExitBadInput;
    }
    for (const RestoreFailure& f : run.outcome.failures)
      problems.Add(f.from,
                   QStringLiteral("not restored as \"%1\": %2").arg(DisplayName(f.to), f.reason));
  }
  if (o.common.json)
    PrintJson(ToJson(run, problems));
  else
    PrintHuman(run, o.common.yes);
  const QString done = o.common.yes ? CountOf(run.outcome.restored) + QStringLiteral(" restored")
                                    : QStringLiteral("nothing restored without --yes");
  PrintSummary(o.common, CheckedSummary(run.outcome.found, done, QStringLiteral("moved file"),
                                        QStringLiteral("moved files")));
  return problems.ExitCode();
}

}  // namespace

void RegisterDupContentsCommands(CLI::App& app, CliRun* run) {
  auto dup = std::make_shared<DupContentsOptions>();
  CLI::App* sub =
      app.add_subcommand("dupcontents", "Find texts with the same or nearly the same contents");
  AddCodePageOption(sub);
  AddCommonFlags(sub, dup->common);
  auto* days = sub->add_option("--days", dup->days,
                               "Largest distance of the date stamps in whole days (default 1)")
                   ->check(CLI::NonNegativeNumber);
  auto* no_dates = sub->add_flag("--no-dates", dup->no_dates, "Do not compare date stamps");
  days->excludes(no_dates);
  sub->add_option("--length-diff", dup->length_diff,
                  "Largest size difference in % of the mean (default 0.5)")
      ->check(CLI::NonNegativeNumber);
  sub->add_option("--words-diff", dup->words_diff,
                  "Largest word-list difference in % (default 0.5)")
      ->check(CLI::NonNegativeNumber);
  sub->add_flag("--any-folder", dup->any_folder, "Compare files of different folders too");
  sub->add_flag(
      "--normalize-space", dup->normalize_space,
      "Ignore line ends and spacing: take sizes and passages from the text with every run of white "
      "space made one blank and any byte-order mark dropped");
  sub->add_option("--types", dup->types,
                  "File types: all, text (*.txt) or web (*.xml;*.htm;*.html)")
      ->check(CLI::IsMember(FileTypeCliNames()));
  sub->add_option("--start-percent", dup->start_percent,
                  "Skip the first files of the size-sorted list, in %")
      ->check(CLI::Range(0, 100));
  sub->add_flag("--move", dup->move,
                "Move every member but the kept one into a side folder (needs --yes)");
  sub->add_option("--keep", dup->keep,
                  "Which member to keep: head (default), longest, shortest, newest, oldest")
      ->check(CLI::IsMember({"head", "longest", "shortest", "newest", "oldest"}));
  sub->add_option("FOLDER", dup->folder, "Folder to search, sub-folders included")->required();
  sub->callback([run, dup] { *run = [dup] { return DupContentsCommand(*dup); }; });

  auto res = std::make_shared<RestoreOptions>();
  CLI::App* rsub =
      app.add_subcommand("restore", "Move the copies that dupcontents --move moved back");
  AddCommonFlags(rsub, res->common);
  rsub->add_option("FOLDER", res->folder, "Folder that was searched")->required();
  rsub->callback([run, res] { *run = [res] { return RestoreCommand(*res); }; });
}
