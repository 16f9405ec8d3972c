// sorvel-cli dupnames: files that share a name within one folder tree, or the
// files of a second tree whose names also occur in the first. Prints the same
// lines as the desktop page's tree: one line per name key with the first
// file's folder and date, then one indented line for each further file.

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "duplicates/dup_names_tree.h"
#include "duplicates/file_duplicate_names_seeking.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"

namespace {

struct DupNamesOptions {
  CliCommonOptions common;
  std::string folder1;
  std::string folder2;
  bool no_subfolders = false;
  bool no_subfolders2 = false;
  bool check_date = false;
  bool check_size = false;
  std::vector<std::string> exclude;
};

// What one dupnames run found, for PrintHuman or ToJson.
struct DupNamesRun {
  DupNamesTreeLines lines;
  QString final_status;
  std::unique_ptr<DupNamesSeeker> seeker;
};

QJsonObject ToJson(const DupNamesRun& run, const CliProblems& problems) {
  QJsonArray groups;
  for (const DupNamesTreeGroup& g : run.lines.Groups()) {
    QJsonArray files;
    for (const DupNamesTreeFile& f : g.files)
      files.append(QJsonObject{{QStringLiteral("folder"), DisplayName(f.Folder().toString())},
                               {QStringLiteral("date"), DupNamesIsoDate(f.time)}});
    groups.append(
        QJsonObject{{QStringLiteral("key"), DisplayName(g.key)}, {QStringLiteral("files"), files}});
  }
  QJsonObject out{{QStringLiteral("redundant"), run.seeker->RedundantDuplicatesFound},
                  {QStringLiteral("groups"), groups}};
  problems.AddTo(out);
  return out;
}

void PrintHuman(const DupNamesRun& run) {
  // A group's lines are written in one go, from one buffer. Each folder and
  // each day is turned into UTF-8 once: a line is then a few copies.
  QHash<const QChar*, QByteArray> folder_bytes;  // by the folder text the lines share and keep
  QHash<double, QByteArray> date_bytes;          // by the day
  const QLocale locale;
  QByteArray text;
  for (const DupNamesTreeGroup& g : run.lines.Groups()) {
    text.resize(0);
    for (std::size_t k = 0; k < g.files.size(); ++k) {
      const DupNamesTreeFile& f = g.files[k];
      if (k > 0) text.append('\n');
      if (k == 0) text.append(DisplayName(g.key).toUtf8());
      text.append('\t');
      auto folder = folder_bytes.constFind(f.dir.constData());
      if (folder == folder_bytes.constEnd())
        folder =
            folder_bytes.insert(f.dir.constData(), DisplayName(f.Folder().toString()).toUtf8());
      const double day = std::floor(f.time);
      auto date = date_bytes.constFind(day);
      if (date == date_bytes.constEnd())
        date = date_bytes.insert(day, DupNamesDateText(f.time, locale).toUtf8());
      text.append(folder.value()).append(" (", 2).append(date.value()).append(')');
    }
    PrintUtf8Line(text);
  }
  if (!run.lines.Groups().empty()) PrintLine(QString());
  PrintLine(run.final_status);
}

int DupNamesCommand(const DupNamesOptions& o) {
  const QString folder1 = QStr(o.folder1);
  const QString folder2 = QStr(o.folder2);
  if (RequireToolFolder(o.common, folder1).isEmpty()) return kExitBadInput;
  if (!folder2.isEmpty() &&
      RequireToolFolder(o.common, folder2, QStringLiteral("second folder")).isEmpty())
    return kExitBadInput;
  // With no second folder (or the same one) the search stays within folder 1,
  // as on the page. The page asks first because a press of its button may be
  // a slip; a command line that names one folder has said what it wants.
  const bool one_folder = folder2.isEmpty() || folder2 == folder1;
  QStringList excluded;
  for (const std::string& e : o.exclude) excluded << QStr(e);

  CliDialogScope dialog_scope(o.common.yes);
  CliProgress progress(o.common.quiet);
  DupNamesRun run;
  run.seeker = std::make_unique<DupNamesSeeker>(
      [&](std::int32_t order, std::int32_t n, const DupNamesRec& r) {
        return run.lines.AddFile(order, n, r);
      },
      [&](const QString& s) {
        // The scan repeats one text many times over: copy it only when new.
        if (s.constData() != run.final_status.constData()) run.final_status = s;
        progress.Status(s);
      },
      progress.PercentCallback());
  DupNamesSeeker& seeker = *run.seeker;
  DupNamesSearch search;
  search.folder1 = folder1;
  search.folder2 = one_folder ? folder1 : folder2;
  search.folder1_subfolders = !o.no_subfolders;
  search.folder2_subfolders = !o.no_subfolders2;
  search.only_folder1 = one_folder;
  search.must_be_same_date = o.check_date;
  search.must_be_same_size = o.check_size;
  search.excluded_folders = excluded.join(QLatin1Char('\n'));
  seeker.SeekNamesDuplicatesIn(search);
  progress.Done();
  CliProblems problems(o.common.json);
  problems.AddWalkProblems(seeker.first_walker);
  if (!one_folder) problems.AddWalkProblems(seeker.second_walker);
  if (seeker.first_list.Count() == 0 || (!one_folder && seeker.second_list.Count() == 0)) {
    PrintSummary(o.common, DupNamesSummary(seeker, run.lines));
    return NoFilesToWorkOn(problems, seeker.first_list.Count() == 0 ? folder1 : folder2);
  }
  if (o.common.json)
    PrintJson(ToJson(run, problems));
  else
    PrintHuman(run);
  PrintSummary(o.common, DupNamesSummary(seeker, run.lines));
  return problems.ExitCode();
}

}  // namespace

void RegisterDupNamesCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<DupNamesOptions>();
  CLI::App* sub = app.add_subcommand("dupnames",
                                     "Files that share a name (without regard to case) within "
                                     "FOLDER1, or the files of --folder2 whose "
                                     "names also occur in FOLDER1");
  sub->add_option("--folder2", opts->folder2,
                  "A second folder tree: list its files whose names occur in FOLDER1");
  sub->add_flag("--no-subfolders", opts->no_subfolders, "Leave out the sub-folders of FOLDER1");
  sub->add_flag("--no-subfolders2", opts->no_subfolders2,
                "Leave out the sub-folders of the second folder");
  sub->add_flag("--check-date", opts->check_date,
                "Same-name files must also have the same date stamp");
  sub->add_flag("--check-size", opts->check_size, "Same-name files must also have the same size");
  sub->add_option("--exclude", opts->exclude, "A sub-folder name to leave out (repeatable)")
      ->allow_extra_args(false);
  AddCommonFlags(sub, opts->common);
  sub->add_option("FOLDER1", opts->folder1, "The folder tree to search")->required();
  sub->callback([run, opts] { *run = [opts] { return DupNamesCommand(*opts); }; });
}
