#pragma once
// The program's hooks into the crash reporter: the report folder is one the
// user can write to (the program's own folder may be /usr/bin), and each stage
// of handling a report is written to the suite's log, so that a log shows what
// happened around a crash.

#include <QString>
#include <functional>

#include "crash/exception_record.h"

// Stores the report folder (the program passes the user's state folder,
// UserStateFolder() in runtime/app_paths.h) and installs the three hooks below
// as the reporter's events. The folder is created when a report is saved.
void InitExceptionHandlingUnit(const QString& report_folder);
// Logs the unit's closing entry.
void FinaliseExceptionHandlingUnit();
QString ExceptionReportFolder();

void ExceptionNoticedHook(ExceptionRecord& record, bool& handled);
void ReportStageHook(ExceptionRecord& record, int stage, bool& go_on);
void ReportStageFailedHook(ExceptionRecord& record, int stage, int detail);

// Where the hooks' lines go: the line and its flag (false only for the "***"
// marker before a failure line). The default sink appends to the suite's log
// and, for flagged lines, forces them to disk at once so that they survive a
// crash that follows; the marker is left to the system's buffering.
using ExceptionLogSink = std::function<void(const QString& line, bool flag)>;
void SetExceptionLogSink(ExceptionLogSink sink);  // empty restores the default
