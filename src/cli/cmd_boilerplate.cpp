// sorvel-cli boilerplate: the sentences that recur across the texts of a
// folder tree, ranked by hits or by file, with the files each one occurs in.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "boilerplate/boilerplate_search.h"
#include "cli/cli_common.h"
#include "runtime/file_types.h"
#include "runtime/file_walker.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"

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

// Output grows with the results (a line or an object per chunk and file, a
// million of them on a large corpus), so it is written as it is made, into
// one buffer flushed now and then, with each file name and number turned
// into text only once.
class OutputBuffer {
 public:
  ~OutputBuffer() { Flush(); }
  void Add(const QByteArray& b) { Add(b.constData(), b.size()); }
  void Add(const char* s) { Add(s, static_cast<qsizetype>(std::strlen(s))); }
  void Add(const char* s, qsizetype n) {
    buffer_.append(s, n);
    if (buffer_.size() >= (1 << 20)) Flush();
  }
  void Flush() {
    std::fwrite(buffer_.constData(), 1, static_cast<std::size_t>(buffer_.size()), stdout);
    buffer_.clear();
  }

 private:
  QByteArray buffer_;
};

// A JSON string: quotes, backslashes and control characters escaped.
QByteArray JsonString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  QByteArray out;
  out.reserve(utf8.size() + 2);
  out.append('"');
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out.append("\\\"");
        break;
      case '\\':
        out.append("\\\\");
        break;
      case '\b':
        out.append("\\b");
        break;
      case '\f':
        out.append("\\f");
        break;
      case '\n':
        out.append("\\n");
        break;
      case '\r':
        out.append("\\r");
        break;
      case '\t':
        out.append("\\t");
        break;
      default:
        if (c < 0x20) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\u%04x", c);
          out.append(hex);
        } else {
          out.append(ch);
        }
    }
  }
  out.append('"');
  return out;
}

// What a search found, for PrintHuman or PrintJsonStream.
struct BoilerplateRun {
  BoilerplateSearch search;
  BoilerplateOutcome outcome;
  std::unique_ptr<RepeatedChunks> engine = std::make_unique<RepeatedChunks>();
  std::vector<FileProblem> problems;
};

// Every file name and small number turned into text once: a large result
// names the same files and counts again and again.
class ChunkTexts {
 public:
  ChunkTexts(const RepeatedChunks& engine, bool json) : json_(json), small_(1000) {
    const auto& names = engine.ChunkFiles();
    files_.resize(static_cast<std::size_t>(names.Count()));
    for (int i = 0; i < names.Count(); ++i) {
      const QString name = DisplayName(names.GetFullFilename(i));
      files_[static_cast<std::size_t>(i)] = json ? JsonString(name) : name.toUtf8();
    }
  }
  const QByteArray& File(int number) const { return files_[static_cast<std::size_t>(number)]; }
  QByteArray Number(long long n) {
    if (json_) return QByteArray::number(n);
    if (n >= 0 && n < 1000) {
      QByteArray& b = small_[static_cast<std::size_t>(n)];
      if (b.isEmpty()) b = locale_.toString(n).toUtf8();
      return b;
    }
    return locale_.toString(n).toUtf8();
  }

 private:
  bool json_;
  QLocale locale_ = QLocale::system();
  std::vector<QByteArray> files_;
  std::vector<QByteArray> small_;  // hits in one file are mostly small
};

void PrintJsonStream(const BoilerplateRun& run, const CliProblems& problems) {
  const auto& chunks = run.engine->Chunks();
  ChunkTexts text(*run.engine, true);
  OutputBuffer out;
  out.Add("{\n    \"chunks\": [");
  for (int i = 0; i < chunks.Count(); ++i) {
    out.Add(i ? ",\n        {\n            \"files\": [" : "\n        {\n            \"files\": [");
    const auto& occ = chunks.GetAListOfOccurrences(i);
    for (int j = 0; j < occ.Count(); ++j) {
      out.Add(j ? ",\n                {\n                    \"file\": "
                : "\n                {\n                    \"file\": ");
      out.Add(text.File(occ.GetAValue(j).value1));
      out.Add(",\n                    \"hits\": ");
      out.Add(text.Number(occ.GetAValue(j).value2));
      out.Add("\n                }");
    }
    out.Add("\n            ],\n            \"text\": ");
    out.Add(JsonString(chunks.Strings(i)));
    out.Add(",\n            \"total\": ");
    out.Add(text.Number(chunks.Total(i)));
    out.Add("\n        }");
  }
  out.Add(chunks.Count() ? "\n    ],\n    \"problems\": " : "],\n    \"problems\": ");
  QJsonObject listed;
  problems.AddTo(listed);
  out.Add(QJsonDocument(listed.value(QStringLiteral("problems")).toArray())
              .toJson(QJsonDocument::Compact));
  out.Add("\n}\n");
}

void PrintHuman(const BoilerplateRun& run) {
  const auto& chunks = run.engine->Chunks();
  ChunkTexts text(*run.engine, false);
  OutputBuffer out;
  out.Add(QStringLiteral("%1 repeated chunks in %2 of %3 files under %4\n")
              .arg(LocaleNumber(static_cast<long long>(chunks.Count())),
                   LocaleNumber(static_cast<long long>(run.engine->ChunkFiles().Count())),
                   LocaleNumber(static_cast<long long>(run.outcome.files)),
                   DisplayName(run.search.head_folder))
              .toUtf8());
  for (int i = 0; i < chunks.Count(); ++i) {
    out.Add(text.Number(chunks.Total(i)));
    out.Add("\t");
    out.Add(chunks.Strings(i).toUtf8());
    out.Add("\n");
    const auto& occ = chunks.GetAListOfOccurrences(i);
    for (int j = 0; j < occ.Count(); ++j) {
      out.Add("\t");
      out.Add(text.Number(occ.GetAValue(j).value2));
      out.Add("\t");
      out.Add(text.File(occ.GetAValue(j).value1));
      out.Add("\n");
    }
  }
}

// The search as the options ask for it, or nullopt after saying why the
// folder or file cannot be used.
std::optional<BoilerplateSearch> SearchOf(const BoilerplateOptions& o) {
  const QString input = QStr(o.input);
  BoilerplateSearch search;
  QString file_name;
  if (!ResolveFolderOrFile(input, &search.head_folder, &file_name)) {
    RequireToolFolder(o.common, input);  // says why
    return std::nullopt;
  }
  if (RequireFolder(search.head_folder).isEmpty()) return std::nullopt;
  // A file given instead of a folder: its folder is searched for files of its name.
  search.file_mask = file_name.isEmpty() ? FileTypeMaskOfCliName(QStr(o.types)) : file_name;
  search.include_subfolders = !o.no_subfolders;
  search.include_unterminated = o.unterminated;
  search.tag_span = o.tag_span;
  search.min_hits = o.min_hits;
  search.min_length = o.min_length;
  return search;
}

BoilerplateRun RunBoilerplate(const BoilerplateOptions& o, const BoilerplateSearch& search) {
  BoilerplateRun run;
  run.search = search;
  CliProgress progress(o.common.quiet);
  BoilerplateCallbacks cb;
  cb.progress_overall = [&](int p) {
    progress.Percent(p);
    return true;
  };
  cb.on_folder = [&](const QString& folder, int, int) { progress.Status(DisplayName(folder)); };
  FileWalker walker;
  run.outcome = RunBoilerplateSearch(*run.engine, walker, search, cb);
  if (o.sort == "files") run.engine->SortAScendingFilenumbers();
  progress.Done();
  run.problems = walker.FileProblems();
  const auto& unread = run.engine->ReadProblems();
  run.problems.insert(run.problems.end(), unread.begin(), unread.end());
  return run;
}

int RunBoilerplateCommand(const BoilerplateOptions& o) {
  const std::optional<BoilerplateSearch> search = SearchOf(o);
  if (!search) return kExitBadInput;
  const BoilerplateRun run = RunBoilerplate(o, *search);
  CliProblems problems(o.common.json);
  problems.Add(run.problems);
  const QString summary = BoilerplateSummary(run.search, run.outcome, run.engine->Chunks().Count());
  if (run.outcome.files == 0) {
    const int status = NoFilesToWorkOn(problems, run.search.head_folder, run.search.file_mask);
    PrintSummary(o.common, summary);
    return status;
  }
  if (o.common.json) {
    PrintJsonStream(run, problems);
  } else {
    PrintHuman(run);
  }
  PrintSummary(o.common, summary);
  return problems.ExitCode();
}

}  // namespace

void RegisterBoilerplateCommand(CLI::App& app, CliRun* run) {
  auto opts = std::make_shared<BoilerplateOptions>();
  CLI::App* sub = app.add_subcommand("boilerplate",
                                     "Find the sentences that recur across the texts of a folder "
                                     "(or of files named like one file)");
  sub->add_option("--min-hits", opts->min_hits,
                  "Least number of hits a chunk needs to be listed (2 or more)")
      ->check(CLI::Range(2, INT_MAX))
      ->capture_default_str();
  sub->add_option("--min-length", opts->min_length, "Least length of a chunk, in characters")
      ->check(CLI::Range(1, INT_MAX))
      ->capture_default_str();
  sub->add_option("--tag-span", opts->tag_span,
                  "Longest markup tag skipped, in characters (0: no markup)")
      ->check(CLI::Range(0, INT_MAX))
      ->capture_default_str();
  sub->add_flag(
      "--unterminated", opts->unterminated,
      "Include unterminated sentences (headings, navigation lines, the last words of a text)");
  sub->add_flag("--no-subfolders", opts->no_subfolders,
                "Search the folder only, not its sub-folders");
  sub->add_option("--types", opts->types,
                  "File types: all, text (*.txt) or web (*.xml;*.htm;*.html)")
      ->check(CLI::IsMember(FileTypeCliNames()))
      ->capture_default_str();
  sub->add_option("--sort", opts->sort, "Order: hits (highest first) or files (by file order)")
      ->check(CLI::IsMember({"hits", "files"}))
      ->capture_default_str();
  sub->add_option("FOLDER_OR_FILE", opts->input,
                  "Folder to search, or a file whose name becomes the mask")
      ->required();
  AddCodePageOption(sub);
  AddCommonFlags(sub, opts->common);
  sub->callback([opts, run] { *run = [opts] { return RunBoilerplateCommand(*opts); }; });
}
