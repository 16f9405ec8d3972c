#include "cli/cli_common.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "runtime/settings.h"
#include "runtime/text_reader.h"

void AddCommonFlags(CLI::App* sub, CliCommonOptions& opts) {
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

CliDialogScope::CliDialogScope(bool assume_yes) : dialogs_(assume_yes) { SetDialogInterface(&dialogs_); }
CliDialogScope::~CliDialogScope() { SetDialogInterface(nullptr); }

QString LocaleNumber(long long n) { return QLocale::system().toString(n); }
QString LocaleNumber(double v, int decimals) { return QLocale::system().toString(v, 'f', decimals); }

void PrintLine(const QString& line) { PrintUtf8Line(line.toUtf8()); }

void PrintUtf8Line(const QByteArray& line) {
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
  std::fputc('\n', stdout);
}

void PrintError(const QString& line) {
  std::fprintf(stderr, "sorvel-cli: %s\n", line.toLocal8Bit().constData());
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

QString QStr(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

void CliProblems::Add(const QString& file, const QString& reason) {
  problems_.push_back({file, reason});
  if (!json_) PrintError(file + QStringLiteral(": ") + reason);
}

void CliProblems::AddTo(QJsonObject& object) const {
  QJsonArray list;
  for (const Problem& p : problems_) {
    list.append(QJsonObject{{QStringLiteral("file"), p.file}, {QStringLiteral("reason"), p.reason}});
  }
  object.insert(QStringLiteral("problems"), list);
}

int CliProblems::ExitCode() const { return problems_.empty() ? kExitOk : kExitProblems; }
