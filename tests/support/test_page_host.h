#pragma once
// A stand-in for the main window in page tests. It runs each tool as the
// test asks, on a thread of its own as the window does or in place for tests
// that follow a run step by step, keeps the window's promises (start controls
// disabled during a run, bars to 0 on a reset, done(false) when the work
// throws), and records what the page asked of the window.

#include <QApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "ui_kit/page_host_gui.h"
#include "ui_kit/text_viewer_window.h"

class TestPageHost : public PageHost {
 public:
  enum class Runs { OnThread, InPlace };
  enum class Viewer { None, Shared };

  explicit TestPageHost(Runs runs = Runs::InPlace, Viewer viewer = Viewer::None)
      : runs_(runs), viewer_kind_(viewer) {}

  bool SetOverallProgress(int percent) override {
    const bool changed = progress.exchange(percent) != percent;
    QMutexLocker lock(&mutex_);
    percents_.push_back(percent);
    return changed;
  }
  bool SetSecondProgress(int percent) override {
    return second_progress.exchange(percent) != percent;
  }
  void ResetProgress(bool idle) override {
    progress = 0;
    second_progress = 0;
    stop_shown = !idle;
    QMutexLocker lock(&mutex_);
    resets_.push_back(idle);
  }
  void ShowStatusText(const QString& text) override {
    {
      QMutexLocker lock(&mutex_);
      statuses_ << text;
    }
    if (on_status) on_status(text);
  }
  void ShowCountOutOf(long long done, long long total) override {
    QMutexLocker lock(&mutex_);
    counts_.emplace_back(done, total);
  }
  void ShowRunSummary(const QString& summary) override {
    QMutexLocker lock(&mutex_);
    summaries_ << summary;
  }
  QStringList Summaries() { return Locked(summaries_); }

  bool RunTool(const QString&, std::function<void()> work,
               std::function<void(bool)> done) override {
    if (running) return false;
    running = true;
    ++runs;
    for (QWidget* w : start_controls) w->setEnabled(false);
    auto guarded = [work = std::move(work), this] {
      try {
        work();
        work_threw = false;
      } catch (...) {
        work_threw = true;
      }
    };
    auto finish = [this, done = std::move(done)] {
      running = false;
      for (QWidget* w : start_controls) w->setEnabled(true);
      done(!work_threw);
    };
    if (runs_ == Runs::InPlace) {
      guarded();
      finish();
      return true;
    }
    QThread* thread = QThread::create(std::move(guarded));
    QObject::connect(thread, &QThread::finished, qApp, [thread, finish] {
      thread->deleteLater();
      finish();
    });
    thread->start();
    return true;
  }
  bool ToolRunning() const override { return running; }
  void RegisterStartControl(QWidget* control) override { start_controls.push_back(control); }
  void AddStopHandler(std::function<void()> stop) override {
    stop_handlers.push_back(std::move(stop));
  }
  TextViewerWindow* SharedViewer() override {
    if (viewer_kind_ == Viewer::None) return nullptr;
    if (!viewer_) viewer_ = std::make_unique<TextViewerWindow>();
    return viewer_.get();
  }
  void ShowHelpTopic(int help_context) override { help_topics.push_back(help_context); }

  // What the user's Stop does: every stop handler in turn.
  void PressStop() {
    for (auto& stop : stop_handlers) stop();
  }
  // The viewer the page asked for, if it asked.
  TextViewerWindow* ShownViewer() const { return viewer_.get(); }
  QString Status() {
    const QStringList all = Statuses();
    return all.isEmpty() ? QString() : all.last();
  }
  QStringList Statuses() { return Locked(statuses_); }
  std::vector<int> Percents() { return Locked(percents_); }
  std::vector<bool> Resets() { return Locked(resets_); }
  // Each (done, total) the page showed with ShowCountOutOf, in order.
  std::vector<std::pair<long long, long long>> Counts() { return Locked(counts_); }
  // The last count the page showed; (-1, -1) when none.
  std::pair<long long, long long> LastCount() {
    const auto counts = Counts();
    return counts.empty() ? std::make_pair(-1LL, -1LL) : counts.back();
  }
  // The last summary line the page showed; empty when none.
  QString LastSummary() {
    const QStringList all = Summaries();
    return all.isEmpty() ? QString() : all.last();
  }

  std::atomic<int> progress{-1};         // the overall bar's last value
  std::atomic<int> second_progress{-1};  // the second bar's last value
  std::atomic<bool> stop_shown{false};
  bool running = false;
  int runs = 0;
  std::vector<QWidget*> start_controls;
  std::vector<std::function<void()>> stop_handlers;
  std::vector<int> help_topics;
  std::function<void(const QString&)> on_status;  // runs on the thread that reports

 private:
  // A copy of what the page sent, taken under the lock: the worker may be
  // adding to it.
  template <class Record>
  Record Locked(const Record& record) {
    QMutexLocker lock(&mutex_);
    return record;
  }

  Runs runs_;
  Viewer viewer_kind_;
  std::atomic<bool> work_threw{false};
  std::unique_ptr<TextViewerWindow> viewer_;
  QMutex mutex_;
  QStringList statuses_;
  QStringList summaries_;
  std::vector<int> percents_;
  std::vector<bool> resets_;
  std::vector<std::pair<long long, long long>> counts_;
};
