#pragma once
// A page host for the sampling page tests: runs each tool synchronously on
// the calling thread and records what the pages tell the status bar.

#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "shell/page_host_gui.h"

class SamplingTestHost : public PageHost {
 public:
  bool SetOverallProgress(int percent) override {
    const bool changed = percent != overall;
    overall = percent;
    return changed;
  }
  bool SetSecondProgress(int) override { return false; }
  void ResetProgress(bool idle) override {
    overall = 0;
    stop_shown = !idle;
  }
  void ShowStatusText(const QString& text) override { statuses << text; }
  void ShowCountOutOf(long long, long long) override {}
  bool RunTool(const QString&, std::function<void()> work, std::function<void(bool)> done) override {
    if (running) return false;
    running = true;
    ++runs;
    bool ok = true;
    try {
      work();
    } catch (...) {
      ok = false;
    }
    running = false;
    done(ok);
    return true;
  }
  bool ToolRunning() const override { return running; }
  void RegisterStartControl(QWidget* control) override { start_controls.push_back(control); }
  void AddStopHandler(std::function<void()> stop) override { stop_handlers.push_back(std::move(stop)); }
  TFormOneTextFileShower* SharedViewer() override { return nullptr; }
  void ShowHelpTopic(int help_context) override { help_topics.push_back(help_context); }

  void PressStop() {
    for (auto& h : stop_handlers) h();
  }

  int overall = 0;
  bool stop_shown = false;
  bool running = false;
  int runs = 0;
  QStringList statuses;
  std::vector<QWidget*> start_controls;
  std::vector<std::function<void()>> stop_handlers;
  std::vector<int> help_topics;
};
