#include "crash/exception_handling_unit.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>

#include "runtime/log.h"

namespace {
std::mutex g_mutex;
QString g_report_folder;
ExceptionLogSink g_sink;

void DefaultSink(const QString& line, bool flag) {
  AddToLogFile(line);
  if (!flag) return;
  QFile f(LogFilename());
  if (f.exists() && f.open(QIODevice::Append)) ::fsync(f.handle());
}

void Log(const QString& line, bool flag = true) {
  ExceptionLogSink sink;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    sink = g_sink;
  }
  if (sink) {
    sink(line, flag);
  } else {
    DefaultSink(line, flag);
  }
}

const char* StartLine(int stage) {
  switch (stage) {
    case kStageShown:
      return "finished showing";
    case kStageSaved:
      return "Saved";
    case kStageMailing:
      return "Sending email";
    case kStageMailed:
      return "Sent email";
    case kStageQuitting:
      return "Quitting";
    default:
      return nullptr;
  }
}

const char* FailLine(int stage) {
  switch (stage) {
    case kStageShowing:
      return "Failed to show";
    case kStageShown:
      return "Failed to complete showing";
    case kStageSaving:
      return "Failed to save";
    case kStageSaved:
      return "Failed to complete save";
    case kStageMailing:
      return "Failed to send";
    case kStageMailed:
      return "Failed to complete send";
    case kStageQuitting:
      return "Failed to quit";
    default:
      return nullptr;
  }
}
}  // namespace

void SetExceptionLogSink(ExceptionLogSink sink) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_sink = std::move(sink);
}

QString ExceptionReportFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_report_folder;
}

void InitExceptionHandlingUnit(const QString& report_folder) {
  const QString folder = QDir::cleanPath(QDir(report_folder).absolutePath());
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_report_folder = folder;
  }
  SetReportFolderOption(folder);
  ExceptionReportHooks& ev = ExceptionReportEvents();
  ev.OnExceptionNotify = ExceptionNoticedHook;
  ev.OnActionNotify = ReportStageHook;
  ev.OnActionFailed = ReportStageFailedHook;
}

void FinaliseExceptionHandlingUnit() {
  if (!LoggingActive()) return;
  Log(QStringLiteral("quitting exception_handling_unit\r\n") + QString(50, QLatin1Char('*')));
}

void ExceptionNoticedHook(ExceptionRecord& record, bool& handled) {
  const QString folder = ExceptionReportFolder();
  record.report_folder = folder;
  if (LoggingActive()) {
    Log(QStringLiteral("Lexivor Error noticed"));
    Log(QStringLiteral("Outputpath = ") + folder);
  }
  handled = true;
}

void ReportStageHook(ExceptionRecord& record, int stage, bool& go_on) {
  go_on = true;
  if (!LoggingActive() || stage >= 9) return;
  if (stage == kStageShowing) {
    for (int i = 0; i < record.modules.size(); ++i) {
      Log(QStringLiteral("Module %1: %2").arg(i + 1).arg(record.modules.at(i)));
    }
    Log(QStringLiteral("Showing error"));
  } else if (stage == kStageSaving) {
    const QFileInfo file(record.report_file);
    Log(QStringLiteral("Saving error in ") + QDir::fromNativeSeparators(record.report_folder) +
        (record.report_folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
        file.completeBaseName() + QStringLiteral(".elf"));
  } else if (const char* line = StartLine(stage)) {
    Log(QString::fromLatin1(line));
  }
}

void ReportStageFailedHook(ExceptionRecord&, int stage, int) {
  if (!LoggingActive()) return;
  Log(QStringLiteral("***"), false);
  if (const char* line = FailLine(stage)) Log(QString::fromLatin1(line));
}
