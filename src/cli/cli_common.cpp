#include "cli/cli_common.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/file_walker.h"
#include "runtime/native_files.h"
#include "runtime/run_summary.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"

const char* const kExitStatusHelp =
    "Exit status: 0 everything asked was done; 2 unusable input or output (the reason is on "
    "stderr);\n"
    "3 the run completed but some files could not be read, moved, restored, copied or written\n"
    "(each on stderr, or under \"problems\" with --json); 1 internal error.";

void AddCommonFlags(CLI::App* sub, CliCommonOptions& opts) {
  sub->footer(kExitStatusHelp);
  sub->add_flag("--json", opts.json, "Print one JSON object instead of lines of text");
  sub->add_flag("--quiet", opts.quiet, "No progress on stderr");
  sub->add_flag("--yes", opts.yes, "Answer yes to the questions the desktop program would ask");
}

void AddCodePageOption(CLI::App* sub) {
  // Loading the settings here, before parsing, also means that they are
  // applied before the option and can never overwrite it afterwards.
  const SuiteSettings& settings = CurrentSuiteSettings();
  const std::string stored = settings.text_encoding.toStdString();
  const std::string help =
      "How texts without a byte-order mark are read: auto (UTF-8 when their bytes are well-formed "
      "UTF-8, "
      "else the 8-bit code page " +
      settings.ansi_code_page.toStdString() +
      "), utf-8, or an 8-bit code page such as windows-1252 or iso-8859-15 for every text. "
      "Default: the suite setting, now \"" +
      stored + "\"";
  // A given choice is checked and put in force by the option's validator. When
  // the option is left out, the stored choice (already in force, or replaced
  // by the default when unusable) is checked once the command is parsed, and
  // so is the stored code page of auto mode.
  CLI::Option* option =
      sub->add_option("--codepage", help)
          ->type_name("auto|utf-8|NAME")
          ->check(CLI::Validator(
              [](std::string& choice) -> std::string {
                QString why;
                return SetTextDecoding(QStr(choice), &why) ? std::string() : why.toStdString();
              },
              std::string()));
  const QString auto_page = settings.ansi_code_page;
  sub->parse_complete_callback([option, stored, auto_page] {
    QString why;
    if (option->count() == 0 && !SetTextDecoding(QStr(stored), &why)) {
      throw CLI::ValidationError("--codepage",
                                 QStringLiteral("%1 (the text_encoding setting in %2)")
                                     .arg(why, SuiteSettingsPath())
                                     .toStdString());
    }
    if (TextDecoding() == QLatin1String("auto") && !IsUsableAnsiCodePage(auto_page, &why)) {
      throw CLI::ValidationError("--codepage",
                                 QStringLiteral("%1 (the ansi_code_page setting in %2)")
                                     .arg(why, SuiteSettingsPath())
                                     .toStdString());
    }
  });
}

CliProgress::CliProgress(bool quiet) : enabled_(!quiet && ::isatty(STDERR_FILENO)) {}

CliProgress::~CliProgress() { Done(); }

void CliProgress::Percent(int p) {
  if (!enabled_ || p == percent_) return;
  percent_ = p;
  Draw();
}

void CliProgress::Status(const QString& text) {
  if (!enabled_ || text == status_) return;
  status_ = text;
  Draw();
}

void CliProgress::Draw() {
  const int p = std::clamp(percent_, 0, 100);
  const int filled = p * 30 / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(30 - filled), '.');
  QString status = status_;
  if (status.size() > 40) status = QStringLiteral("...") + status.right(37);
  std::fprintf(stderr, "\r[%s] %3d%% %-40s", bar.c_str(), p, status.toLocal8Bit().constData());
  std::fflush(stderr);
  drawn_ = true;
}

void CliProgress::Done() {
  if (!enabled_ || !drawn_) return;
  std::fprintf(stderr, "\r%80s\r", "");
  std::fflush(stderr);
  drawn_ = false;
}

CliDialogScope::CliDialogScope(bool assume_yes) : dialogs_(assume_yes) {
  SetDialogInterface(&dialogs_);
}
CliDialogScope::~CliDialogScope() { SetDialogInterface(nullptr); }

QString LocaleNumber(long long n) { return QLocale::system().toString(n); }
QString LocaleNumber(double v, int decimals) {
  return QLocale::system().toString(v, 'f', decimals);
}

void PrintLine(const QString& line) { PrintUtf8Line(line.toUtf8()); }

void PrintUtf8Line(const QByteArray& line) {
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
  std::fputc('\n', stdout);
}

void PrintError(const QString& line) {
  std::fprintf(stderr, "sorvel-cli: %s\n", line.toLocal8Bit().constData());
  std::fflush(stderr);
}

void PrintSummary(const CliCommonOptions& opts, const QString& line) {
  if (opts.quiet) return;
  std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
  std::fflush(stderr);
}

void PrintJson(const QJsonObject& object) {
  const QByteArray b = QJsonDocument(object).toJson(QJsonDocument::Indented);
  std::fwrite(b.constData(), 1, static_cast<std::size_t>(b.size()), stdout);
  std::fflush(stdout);
}

double JsonNumber(float v) {
  char text[64];
  const auto r = std::to_chars(text, text + sizeof text - 1, v);
  *r.ptr = '\0';
  return std::strtod(text, nullptr);
}

// Arguments are bytes like file names, and most of them are paths: decoded
// without loss, so that a path that is not valid UTF-8 still reaches its file.
QString QStr(const std::string& s) { return NameFromNative(std::string_view(s)); }

QJsonArray DisplayNames(const QStringList& paths) {
  QJsonArray out;
  for (const QString& p : paths) out.append(DisplayName(p));
  return out;
}

void CliProblems::Add(const QString& file, const QString& reason) {
  problems_.push_back({file, reason});
  if (!json_) PrintError(DisplayName(file) + QStringLiteral(": ") + reason);
}

void CliProblems::AddTo(QJsonObject& object) const {
  QJsonArray list;
  for (const Problem& p : problems_) {
    list.append(QJsonObject{{QStringLiteral("file"), DisplayName(p.file)},
                            {QStringLiteral("reason"), p.reason}});
  }
  object.insert(QStringLiteral("problems"), list);
}

int CliProblems::ExitCode() const { return problems_.empty() ? kExitOk : kExitProblems; }

void CliProblems::Add(const std::vector<FileProblem>& problems) {
  for (const FileProblem& p : problems) Add(p);
}

void CliProblems::AddWalkProblems(const FileWalker& walk) { Add(walk.FileProblems()); }

namespace {

QString ErrnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QString Refuse(const QString& what, const QString& path, const QString& reason) {
  PrintError(QStringLiteral("%1 \"%2\": %3").arg(what, DisplayName(path), reason));
  return QString();
}

// Whether a named path exists, with its status in *st; prints the refusal
// (missing_text when there is nothing of that name) when it does not.
bool StatNamed(const QString& path, const QString& what, const QString& missing_text,
               struct stat* st) {
  if (path.isEmpty()) {
    Refuse(what, path, QStringLiteral("no name given"));
    return false;
  }
  if (::stat(NativeFromName(path).constData(), st) == 0) return true;
  Refuse(what, path, errno == ENOENT ? missing_text : ErrnoText(errno));
  return false;
}

}  // namespace

QString RequireFolder(const QString& path, const QString& what) {
  struct stat st;
  if (!StatNamed(path, what, QStringLiteral("no such folder"), &st)) return QString();
  if (!S_ISDIR(st.st_mode)) return Refuse(what, path, QStringLiteral("not a folder"));
  const QByteArray native = NativeFromName(path);
  // Opening and listing it is the only sure test of whether it can be read.
  DIR* dir = ::opendir(native.constData());
  if (!dir) return Refuse(what, path, QStringLiteral("cannot be read: %1").arg(ErrnoText(errno)));
  ::closedir(dir);
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString RequireToolFolder(const CliCommonOptions& common, const QString& path,
                          const QString& what) {
  if (!path.isEmpty() && !PathExists(path)) {
    PrintSummary(common, FolderNotFoundSummary(path));
    return QString();
  }
  return RequireFolder(path, what);
}

QString RequireFile(const QString& path, const QString& what) {
  struct stat st;
  if (!StatNamed(path, what, QStringLiteral("no such file"), &st)) return QString();
  if (!S_ISREG(st.st_mode)) return Refuse(what, path, QStringLiteral("not a regular file"));
  const QByteArray native = NativeFromName(path);
  // Non-blocking, so that a file swapped for a FIFO meanwhile cannot hang us.
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Refuse(what, path, QStringLiteral("cannot be read: %1").arg(ErrnoText(errno)));
  ::close(fd);
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString RequireOutputFolder(const QString& path, const QString& what) {
  if (path.isEmpty()) return Refuse(what, path, QStringLiteral("no name given"));
  const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  // The folder itself, or the nearest parent that exists when it is missing.
  QString existing = absolute;
  struct stat st;
  while (::stat(NativeFromName(existing).constData(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return Refuse(what, path, ErrnoText(errno));
    const QString parent = QFileInfo(existing).path();
    if (parent == existing) return Refuse(what, path, QStringLiteral("no such folder"));
    existing = parent;
  }
  if (!S_ISDIR(st.st_mode)) {
    return Refuse(what, path,
                  existing == absolute
                      ? QStringLiteral("not a folder")
                      : QStringLiteral("\"%1\" is not a folder").arg(DisplayName(existing)));
  }
  if (::access(NativeFromName(existing).constData(), W_OK | X_OK) != 0) {
    const QString reason = ErrnoText(errno);
    return Refuse(
        what, path,
        existing == absolute
            ? QStringLiteral("cannot be written to: %1").arg(reason)
            : QStringLiteral("cannot be created in \"%1\": %2").arg(DisplayName(existing), reason));
  }
  return absolute;
}

void CliProblems::PrintAll() const {
  for (const Problem& p : problems_)
    PrintError(DisplayName(p.file) + QStringLiteral(": ") + p.reason);
}

int NoFilesToWorkOn(const CliProblems& problems, const QString& folder, const QString& mask) {
  if (problems.Json()) problems.PrintAll();
  const bool all = mask.isEmpty() || mask == QLatin1String("*.*") || mask == QLatin1String("*");
  PrintError(all ? QStringLiteral("no files found in \"%1\"").arg(DisplayName(folder))
                 : QStringLiteral("no files found in \"%1\" (matching %2)")
                       .arg(DisplayName(folder), mask));
  return kExitBadInput;
}

void ReportBadNumber(const QString& option, const QString& reason) {
  PrintError(QStringLiteral("%1: %2").arg(option, reason));
}
