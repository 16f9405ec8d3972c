#pragma once
// The base of the suite's utility windows: the status bar with its panels,
// the link to the controller program (registration, notifications, its
// commands), logging of window events, and the hooks derived windows
// override.

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QToolButton>
#include <array>
#include <cstdint>
#include <functional>

#include "runtime/suite_progress.h"

// The status bar: panel 1 a short message, 2 and 3 progress bars (or
// percentage texts), 8 Stop, 9 Help, 10 the status text. The other indexes
// exist but stay empty and take no room.
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
  QProgressBar* Bar(int panel) const;
  QWidget* Panel(int panel) const { return panels_[panel]; }
  void SetStopVisible(bool visible);
  bool StopVisible() const;

 Q_SIGNALS:
  void PanelClick(int panel);
  void PanelDblClick(int panel);
  void PanelRightClick(int panel);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QWidget*, kPanels> panels_{};
  std::array<QLabel*, kPanels> labels_{};
  std::array<QProgressBar*, kPanels> bars_{};
};

class ToolWindowBase : public QMainWindow {
  Q_OBJECT
 public:
  explicit ToolWindowBase(QWidget* parent = nullptr);
  ~ToolWindowBase() override;

  ToolStatusBar* AdvOfficeStatusBar1 = nullptr;

  // The controller's command message (1025) with its code. 1350 and 6122 end
  // the program through the end-program operation below.
  void ControllerCommand(int code);
  // Ends the program; tests replace it.
  std::function<void()> end_program;

  bool Closing() const { return closing_; }

  // What a window built on this base may change or add to.
  // The application came to the front.
  virtual void ApplicationActivate();
  // Fits the window to the screen and the font in use.
  virtual void ScreenAndFontFix();
  virtual void StyleChanged();
  // Clicks on a status-bar panel.
  virtual void PanelClick(int panel);
  virtual void PanelDblClick(int) {}
  virtual void PanelRightClick(int) {}
  // Runs when the window is first shown and again when it is closed.
  virtual void ShowAndDestroyHook() {}
  // Connects the status bar's panels to the progress reporter.
  virtual void BindStatusBar();
  // The controller's command 233, and -1 whenever the window is activated.
  virtual void ControllerHook233(int) {}

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void ReadLoggingSettings();

 private:
  void FormShow();
  void FormActivate();
  bool shown_once_ = false;
  bool status_bar_bound_ = false;
  bool closing_ = false;
  std::uintptr_t handle_ = 0;
};
