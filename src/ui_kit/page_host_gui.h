#pragma once
// What a tool page needs from the main window. The main window implements it;
// page tests may implement it with a small host of their own.
//
// Threading: a page starts its tool with RunTool. The work runs on a worker
// thread and must not touch any widget. The status-bar operations below may be
// called from that worker (they are forwarded to the window thread by queued
// calls); everything else is for the window thread only. To show results while
// a run goes on, a page posts to itself with
//   QMetaObject::invokeMethod(this, [=]{ ... }, Qt::QueuedConnection);

#include <QString>
#include <QWidget>
#include <functional>

class TextViewerWindow;
struct ViewerFileDetails;

class PageHost {
 public:
  virtual ~PageHost() = default;

  // --- status bar (any thread) ---
  // Move the panel-2 / panel-3 bar; true when the shown value changed.
  virtual bool SetOverallProgress(int percent) = 0;
  virtual bool SetSecondProgress(int percent) = 0;
  // Both bars to 0; Stop offered (enabled) unless idle.
  virtual void ResetProgress(bool idle) = 0;
  // The status line of the page (the page whose tool runs, or the page on
  // show): switching pages shows each page's own last line.
  virtual void ShowStatusText(const QString& text) = 0;
  // "n of N" in the status line and on the overall bar, with the time left
  // once it can be estimated. A run that counts its files calls it per file.
  virtual void ShowCountOutOf(long long n, long long total) = 0;
  // The one line that ends a run (runtime/run_summary.h): what was checked
  // and what was found, or why nothing was. It stays in the status bar with
  // the page that ran the tool.
  virtual void ShowRunSummary(const QString& summary) = 0;

  // --- running a tool (window thread) ---
  // Runs work on a worker thread. While it runs, every registered start
  // control of every page is disabled and Stop is shown. done(ok) runs on the
  // window thread afterwards; ok is false when work threw (the crash reporter
  // has shown and logged the exception). Returns false, doing nothing, when a
  // tool is already running.
  virtual bool RunTool(const QString& tool_name, std::function<void()> work,
                       std::function<void(bool ok)> done) = 0;
  virtual bool ToolRunning() const = 0;
  // A start control (button, menu action's widget) to disable during runs.
  virtual void RegisterStartControl(QWidget* control) = 0;
  // Called on the window thread when the user presses Stop; it must only set
  // flags that the running engine polls.
  virtual void AddStopHandler(std::function<void()> stop) = 0;

  // --- text viewer (window thread) ---
  // The main window's single shared viewer, created on first use and kept.
  virtual TextViewerWindow* SharedViewer() = 0;

  // --- help ---
  virtual void ShowHelpTopic(int help_context) = 0;
};
