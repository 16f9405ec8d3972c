#include "crash/exception_record.h"

#include <mutex>

#include "runtime/messages.h"

namespace {
std::mutex g_options_mutex;
QString g_report_folder;
}  // namespace

QString ExceptionRecord::ReportText() const {
  QString t;
  t += Tool_Name(kSorvelToolNumber) + QStringLiteral(" error report\n\n");
  t += QStringLiteral("What happened: ") + exception_class;
  if (!message.isEmpty()) t += QStringLiteral(": ") + message;
  t += QStringLiteral("\n\nStack trace:\n") +
       (stack_trace.isEmpty() ? QStringLiteral("(none)\n") : stack_trace);
  if (!t.endsWith(QLatin1Char('\n'))) t += QLatin1Char('\n');
  t += QStringLiteral("\nModules:\n");
  for (int i = 0; i < modules.size(); ++i)
    t += QStringLiteral("%1: %2\n").arg(i + 1).arg(modules.at(i));
  return t;
}

ExceptionReportHooks& ExceptionReportEvents() {
  static ExceptionReportHooks events;
  return events;
}

QString ReportFolderOption() {
  std::lock_guard<std::mutex> lock(g_options_mutex);
  return g_report_folder;
}

void SetReportFolderOption(const QString& folder) {
  std::lock_guard<std::mutex> lock(g_options_mutex);
  g_report_folder = folder;
}
