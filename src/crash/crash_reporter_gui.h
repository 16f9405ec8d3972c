#pragma once
// The crash reporter: takes over exceptions that escape an event handler or a
// tool's work, and fatal signals. It shows a report with a stack trace, can
// save it in the report folder and hand it to the user's mail program, and
// follows each stage through the reporter's events (see exception_record.h).

#include <QApplication>
#include <QObject>
#include <exception>
#include <functional>

#include "crash/exception_record.h"

// Builds the record for the exception being handled (call inside a catch).
// The stack trace is the one captured where the exception was thrown.
ExceptionRecord RecordCurrentException();
// The loaded modules of this process, in load order.
QStringList LoadedModules();
// The current thread's stack, resolved, from the caller of this function
// (or skip_frames further up).
QString CurrentStackTrace(int skip_frames = 0);

class CrashReporter : public QObject {
  Q_OBJECT
 public:
  static CrashReporter& Instance();

  // What the report window can ask for while it is open.
  struct Actions {
    std::function<bool()> save;  // true when saved
    std::function<bool()> mail;  // true when handed to the mail program
  };
  // Shows the report; returns when the user closes it. The default is a
  // modal window with Save, Mail and Close; tests replace it.
  using Presenter = std::function<void(const ExceptionRecord&, const Actions&)>;
  void SetPresenter(Presenter presenter);

  // Runs the report of one exception on the window thread (from another
  // thread it is queued and this call waits). Returns when the report is done.
  void Report(ExceptionRecord record);
  // Called after an exception escaped an event handler, once its report is
  // done: the main window uses it to make its pages usable again.
  std::function<void()> after_handler_exception;

  // Saves the report as <report folder>/<report file base>.elf, creating the
  // folder when it is missing.
  static QString ReportPath(const ExceptionRecord& record);
  bool SaveReport(ExceptionRecord& record);
  bool MailReport(ExceptionRecord& record);

  // Installs handlers for fatal signals: they write the report with its
  // stack trace to the report folder and to stderr, log the stages, then let
  // the signal end the program.
  static void InstallFatalSignalHandlers();

 private:
  CrashReporter();
  void ReportHere(ExceptionRecord& record);
  bool Stage(ExceptionRecord& record, int stage);
  void Failed(ExceptionRecord& record, int stage);
  Presenter presenter_;
  bool reporting_ = false;
};

// The application object: an exception escaping an event handler goes to the
// crash reporter, and the program goes on.
class SorvelApplication : public QApplication {
 public:
  SorvelApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
