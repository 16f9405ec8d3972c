#pragma once
// The base of the suite's utility windows: the status bar with its panels,
// the link to the controller program (registration, notifications, its
// commands) and logging of window events.

#include <QLabel>
#include <QMainWindow>
#include <QToolButton>
#include <array>
#include <cstdint>
#include <functional>

#include "runtime/suite_progress.h"
#include "ui_kit/progress_bar_widget.h"

// The status bar: panel 1 a short message, 2 and 3 progress bars (or
// percentage texts), 8 Stop, 9 Help, 10 the status text. The other indexes
// exist but stay empty and take no room.
//
// The bars say what they show: the percentage, "n of N" once a count is
// known, and the time left once it can be estimated. Stop is always in its
// place (so that Help never moves under the pointer) and can be pressed only
// while a tool runs.
class ToolStatusBar : public QWidget, public ProgressPanels {
  Q_OBJECT
 public:
  static constexpr int kPanels = 11;
  explicit ToolStatusBar(QWidget* parent = nullptr);

  int PanelCount() const override { return kPanels; }
  void SetPanelText(int panel, const QString& text) override;
  void SetPanelBar(int panel, int percent) override;
  void SetPanelShowsBar(int panel, bool bar) override;

  QString PanelText(int panel) const;
  int PanelBar(int panel) const;
  ProgressTextBar* Bar(int panel) const;
  QWidget* Panel(int panel) const { return panels_[panel]; }
  // Stop can be pressed (a tool runs) or not.
  void SetStopEnabled(bool enabled);
  bool StopEnabled() const;
  // The earlier name of StopEnabled, still used by some page tests.
  bool StopVisible() const { return StopEnabled(); }

  // A count for a bar: "n of N" beside its percentage (total <= 0 clears it).
  void SetPanelCount(int panel, long long done, long long total);
  // The estimated time left for a bar, in milliseconds (< 0 clears it).
  void SetPanelTimeLeft(int panel, long long milliseconds);
  // Both bars back to an empty 0: no percentage, count or time left.
  void ClearBars();
  // A run is under way: the bars show even at 0. Idle bars with nothing to
  // show are hidden (their room kept).
  void SetBarsActive(bool active);
  bool BarShown(int panel) const { return bars_[panel] && !bars_[panel]->isHidden(); }

 Q_SIGNALS:
  // A left click on a panel (a right click or a double click is no click).
  void PanelClick(int panel);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QWidget*, kPanels> panels_{};
  std::array<QLabel*, kPanels> labels_{};
  std::array<ProgressTextBar*, kPanels> bars_{};
  // Shows or hides a bar as its progress and the run's state ask.
  void UpdateBarVisibility(int panel);
  std::array<bool, kPanels> shows_bar_{};
  bool bars_active_ = false;
};

class ToolWindowBase : public QMainWindow {
  Q_OBJECT
 public:
  explicit ToolWindowBase(QWidget* parent = nullptr);
  ~ToolWindowBase() override;

  ToolStatusBar* status_bar = nullptr;

  // The controller's command message (1025) with its code. 1350 and 6122 end
  // the program through the end-program operation below.
  void ControllerCommand(int code);
  // Ends the program; tests replace it.
  std::function<void()> end_program;

  bool Closing() const { return closing_; }

  // A click on a status-bar panel: what the panels do is the window's own.
  virtual void PanelClick(int panel);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void ReadLoggingSettings();

 private:
  // Menus follow the suite's style, taken again whenever the program comes
  // to the front.
  void ApplyStyle();
  // Panel clicks reach PanelClick from the first showing on.
  void BindStatusBar();
  void OnFirstShow();
  void OnActivated();
  bool shown_once_ = false;
  bool status_bar_bound_ = false;
  bool closing_ = false;
  std::uintptr_t handle_ = 0;
};
