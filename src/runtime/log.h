#pragma once
// The suite's log: one line appended per call, only while logging is on and
// the named log file exists (the suite never creates it on its own).

#include <QString>

void SetLogFilename(const QString& path);
QString LogFilename();
// Switches logging on or off; it is off until a caller turns it on.
void SetLogging(bool on);
bool LoggingActive();  // on, and the log file exists
void AddToLogFile(const QString& line);
