#pragma once
// What every sorvel-cli subcommand shares: the common flags, progress on
// stderr (only when stderr is a terminal, never with --quiet), the exit
// statuses, locale-aware numbers for human output, and JSON output.

#include <CLI/CLI.hpp>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/dialogs.h"
#include "runtime/error.h"

class FileWalker;
#include "runtime/native_names.h"

// 0: everything asked was done (findings or not); 1: internal error only;
// 2: unusable input or output; 3: the run completed but some files could not
// be read, moved, restored, copied or written (each listed as a problem).
enum CliExit : int { kExitOk = 0, kExitInternal = 1, kExitBadInput = 2, kExitProblems = 3 };

struct CliCommonOptions {
  bool json = false;
  bool quiet = false;
  bool yes = false;
};

// Adds --json, --quiet and --yes to a subcommand.
void AddCommonFlags(CLI::App* sub, CliCommonOptions& opts);

// Adds --codepage auto|utf-8|NAME to a command that reads texts: how texts
// without a byte-order mark are decoded, defaulting to the suite setting. The
// choice is checked and put in force while the command line is parsed, so an
// unusable one ends the run (exit status 2) before anything is read.
void AddCodePageOption(CLI::App* sub);

// Progress to stderr as a one-line bar, redrawn in place.
class CliProgress {
 public:
  explicit CliProgress(bool quiet);
  ~CliProgress();
  bool Enabled() const { return enabled_; }
  void Percent(int p);
  void Status(const QString& text);
  void Done();  // clears the line
  std::function<void(int)> PercentCallback() {
    return [this](int p) { Percent(p); };
  }
  std::function<void(const QString&)> StatusCallback() {
    return [this](const QString& s) { Status(s); };
  }

 private:
  void Draw();
  bool enabled_;
  int percent_ = -1;
  QString status_;
  bool drawn_ = false;
};

// Installs console dialogs for the run (questions answered by --yes).
class CliDialogScope {
 public:
  explicit CliDialogScope(bool assume_yes);
  ~CliDialogScope();
  ConsoleDialogs& dialogs() { return dialogs_; }

 private:
  ConsoleDialogs dialogs_;
};

// Files a run could not read, move, restore, copy or write. Each is printed on
// stderr as it is added (unless --json is on, where it goes into the object
// instead), and a run that has any ends with exit status 3.
class CliProblems {
 public:
  struct Problem {
    QString file;
    QString reason;
  };
  explicit CliProblems(bool json) : json_(json) {}
  void Add(const QString& file, const QString& reason);
  void Add(const FileProblem& problem) { Add(problem.file, problem.reason); }
  void Add(const std::vector<FileProblem>& problems);
  // The folders a walk could not enter and the names it had to skip.
  void AddWalkProblems(const FileWalker& walk);
  bool Empty() const { return problems_.empty(); }
  bool Json() const { return json_; }
  const std::vector<Problem>& List() const { return problems_; }
  // Adds "problems": [{"file": ..., "reason": ...}] to the object (always,
  // an empty array when there are none).
  void AddTo(QJsonObject& object) const;
  // kExitProblems when there are any, else kExitOk.
  int ExitCode() const;
  // Prints every problem on stderr (those of a --json run that ends without
  // its object).
  void PrintAll() const;

 private:
  bool json_;
  std::vector<Problem> problems_;
};

// The checks of what a user names on the command line, with one wording for
// every tool. Each returns the absolute path, or an empty string after
// printing why the path cannot be used ("folder \"x\": no such folder"); the
// caller then ends with kExitBadInput. what names the role ("folder",
// "filter file", "list file", "output folder").
QString RequireFolder(const QString& path, const QString& what = QStringLiteral("folder"));
QString RequireFile(const QString& path, const QString& what = QStringLiteral("file"));
// The folder a tool works on, given by the user: its absolute path, or an
// empty string after saying once why it cannot be used. A folder that is not
// there is told by the run's closing line alone ("Folder not found: ..."),
// as every run ends; any other refusal is RequireFolder's.
QString RequireToolFolder(const CliCommonOptions& common, const QString& path,
                          const QString& what = QStringLiteral("folder"));
// A folder that receives output: it may be missing (it is created when
// written to, so its nearest existing parent must be writable), and when it
// exists it must be a folder that can be written to.
QString RequireOutputFolder(const QString& path,
                            const QString& what = QStringLiteral("output folder"));
class CliProblems;
// Says that a walk found nothing to work on ("no files found in FOLDER
// (matching MASK)") and
// returns kExitBadInput. With --json no object follows, so the problems met
// on the way are printed on stderr here rather than lost.
int NoFilesToWorkOn(const CliProblems& problems, const QString& folder,
                    const QString& mask = QString());
// Prints a reason that a number given to an option cannot be used.
void ReportBadNumber(const QString& option, const QString& reason);

// The closing lines of every tool's --help: what the exit statuses mean.
extern const char* const kExitStatusHelp;

// A number in the user's locale, for human-readable output.
QString LocaleNumber(long long n);
QString LocaleNumber(double v, int decimals);

void PrintLine(const QString& line);         // stdout, UTF-8 + newline
void PrintUtf8Line(const QByteArray& line);  // stdout, as it is + newline
void PrintError(const QString& line);        // stderr, "sorvel-cli: " + line
void PrintJson(const QJsonObject& object);   // stdout, one object
// The run's one-line summary (runtime/run_summary.h) on stderr, also under
// --json and when stderr is not a terminal, so that a log says what a run
// checked; --quiet silences it.
void PrintSummary(const CliCommonOptions& opts, const QString& line);
QString QStr(const std::string& s);
// A single-precision value for JSON: the double nearest to the shortest
// decimal that reads back as the same float, so 11.328125f prints as
// 11.328125 and 0.1f as 0.1.
double JsonNumber(float v);
// The display forms (runtime/native_names.h) of paths, for JSON output.
QJsonArray DisplayNames(const QStringList& paths);

// Subcommand registration: each tool's file defines one. A command stores
// its run function in *run; main calls the one whose subcommand was parsed.
using CliRun = std::function<int()>;
void RegisterCorruptionCommand(CLI::App& app, CliRun* run);
void RegisterDupContentsCommands(CLI::App& app, CliRun* run);
void RegisterDupNamesCommand(CLI::App& app, CliRun* run);
void RegisterBoilerplateCommand(CLI::App& app, CliRun* run);
void RegisterRelevanceCommand(CLI::App& app, CliRun* run);
void RegisterSamplingCommands(CLI::App& app, CliRun* run);
void RegisterReportCommand(CLI::App& app, CliRun* run);
