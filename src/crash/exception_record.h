#pragma once
// What the crash reporter knows about one exception, and the three events
// through which the program follows each stage of a report.

#include <QString>
#include <QStringList>
#include <functional>

struct ExceptionRecord {
  QString exception_class;  // the exception's type, or the signal's name
  QString message;
  QString stack_trace;    // resolved frames, one per line
  QStringList modules;    // the loaded modules, in load order
  QString report_folder;  // where the report file goes
  QString report_file;    // the report file's name
  bool fatal = false;     // the program cannot go on (a fatal signal)

  // The full report as the user sees it and as it is saved.
  QString ReportText() const;
};

// Stages of handling one report.
enum ReportStage : int {
  kStageShowing = 0,
  kStageShown = 1,
  kStageSaving = 2,
  kStageSaved = 3,
  kStageMailing = 4,
  kStageMailed = 5,
  kStageQuitting = 8,
};

struct ExceptionReportHooks {
  // An exception was noticed; handled must be set for the report to go on.
  std::function<void(ExceptionRecord& record, bool& handled)> OnExceptionNotify;
  // A stage starts; it runs only when go_on is set.
  std::function<void(ExceptionRecord& record, int stage, bool& go_on)> OnActionNotify;
  // A stage failed.
  std::function<void(ExceptionRecord& record, int stage, int detail)> OnActionFailed;
};

// The reporter's process-wide events and options.
ExceptionReportHooks& ExceptionReportEvents();
// The report folder of the reporter's options; records start with it.
QString ReportFolderOption();
void SetReportFolderOption(const QString& folder);
