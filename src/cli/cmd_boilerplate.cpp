// sorvel-cli boilerplate: the sentences that recur across the texts of a
// folder tree, ranked by hits or by file, with the files each one occurs in.

#include <QJsonArray>
#include <QJsonObject>
#include <climits>
#include <string>

#include "boilerplate/boilerplate_search.h"
#include "cli/cli_common.h"
#include "runtime/file_iterator.h"

namespace {

struct BoilerplateOptions {
  CliCommonOptions common;
  int min_hits = 2;
  int min_length = 20;
  int tag_span = 200;
  bool unterminated = false;
  bool no_subfolders = false;
  std::string types = "all";
  std::string sort = "hits";
  std::string input;
};

QString TypesMask(const std::string& types) {
  const QStringList items = BoilerFileTypeItems();
  if (types == "text") return FileMaskOfTypeText(items[1]);
  if (types == "web") return FileMaskOfTypeText(items[2]);
  return FileMaskOfTypeText(items[0]);
}

int RunBoilerplate(const BoilerplateOptions& o) {
  const QString input = QStr(o.input);
  TBoilerplateSearch search;
  QString file_name;
  if (!ResolveFolderOrFile(input, &search.head_folder, &file_name)) {
    PrintError(QStringLiteral("no folder or file named \"%1\"").arg(input));
    return kExitBadInput;
  }
  // A file given instead of a folder: its folder is searched for files of its name.
  search.file_mask = file_name.isEmpty() ? TypesMask(o.types) : file_name;
  search.include_subfolders = !o.no_subfolders;
  search.include_unterminated = o.unterminated;
  search.tag_span = o.tag_span;
  search.min_hits = o.min_hits;
  search.min_length = o.min_length;

  CliProgress progress(o.common.quiet);
  TBoilerplateCallbacks cb;
  cb.progress_overall = [&](int p) {
    progress.Percent(p);
    return true;
  };
  cb.on_folder = [&](const QString& folder, int, int) { progress.Status(folder); };
  TRepeatedChunks engine;
  TFileAndDirIterator iterator;
  const int files = RunBoilerplateSearch(engine, iterator, search, cb);
  if (o.sort == "files") engine.SortAScendingFilenumbers();
  progress.Done();
  for (const QString& p : iterator.Problems()) PrintError(p);

  const auto& chunks = engine.Chunks();
  const auto& names = engine.ChunkFiles();
  if (o.common.json) {
    QJsonArray list;
    for (int i = 0; i < chunks.Count(); ++i) {
      const auto& occ = chunks.GetAListOfOccurrences(i);
      QJsonArray in_files;
      for (int j = 0; j < occ.Count(); ++j) {
        in_files.append(QJsonObject{{QStringLiteral("file"), names.GetFullFilename(occ.GetAValue(j).value1)},
                                    {QStringLiteral("hits"), occ.GetAValue(j).value2}});
      }
      list.append(QJsonObject{{QStringLiteral("text"), chunks.Strings(i)},
                              {QStringLiteral("total"), static_cast<qint64>(chunks.Total(i))},
                              {QStringLiteral("files"), in_files}});
    }
    PrintJson(QJsonObject{{QStringLiteral("chunks"), list}});
    return kExitOk;
  }
  PrintLine(QStringLiteral("%1 repeated chunks in %2 of %3 files under %4")
                .arg(LocaleNumber(static_cast<long long>(chunks.Count())),
                     LocaleNumber(static_cast<long long>(names.Count())),
                     LocaleNumber(static_cast<long long>(files)), search.head_folder));
  for (int i = 0; i < chunks.Count(); ++i) {
    PrintLine(LocaleNumber(static_cast<long long>(chunks.Total(i))) + QLatin1Char('\t') + chunks.Strings(i));
    const auto& occ = chunks.GetAListOfOccurrences(i);
    for (int j = 0; j < occ.Count(); ++j) {
      PrintLine(QStringLiteral("\t%1\t%2").arg(LocaleNumber(static_cast<long long>(occ.GetAValue(j).value2)),
                                               names.GetFullFilename(occ.GetAValue(j).value1)));
    }
  }
  return kExitOk;
}

}  // namespace

void RegisterBoilerplateCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<BoilerplateOptions>();
  CLI::App* sub = app.add_subcommand(
      "boilerplate", "Find the sentences that recur across the texts of a folder (or of files named like one file)");
  sub->add_option("--min-hits", opts->min_hits, "Least number of hits a chunk needs to be listed (2 or more)")
      ->check(CLI::Range(2, INT_MAX))
      ->capture_default_str();
  sub->add_option("--min-length", opts->min_length, "Least length of a chunk, in characters")
      ->check(CLI::Range(1, INT_MAX))
      ->capture_default_str();
  sub->add_option("--tag-span", opts->tag_span, "Longest markup tag skipped, in characters (0: no markup)")
      ->check(CLI::Range(0, INT_MAX))
      ->capture_default_str();
  sub->add_flag("--unterminated", opts->unterminated,
                "Include unterminated sentences (headings, navigation lines, the last words of a text)");
  sub->add_flag("--no-subfolders", opts->no_subfolders, "Search the folder only, not its sub-folders");
  sub->add_option("--types", opts->types, "File types: all, text (*.txt) or web (*.xml;*.htm;*.html)")
      ->check(CLI::IsMember({"all", "text", "web"}))
      ->capture_default_str();
  sub->add_option("--sort", opts->sort, "Order: hits (highest first) or files (by file order)")
      ->check(CLI::IsMember({"hits", "files"}))
      ->capture_default_str();
  sub->add_option("FOLDER_OR_FILE", opts->input, "Folder to search, or a file whose name becomes the mask")
      ->required();
  AddCommonFlags(sub, opts->common);
  sub->callback([opts, run] { *run = [opts] { return RunBoilerplate(*opts); }; });
}
