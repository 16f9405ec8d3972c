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

#include "shell/lexivor_minimal_progress.h"

// The status bar: panel 1 a short message, 2 and 3 progress bars (or
// percentage texts), 8 Stop, 9 Help, 10 the status text. The other indexes
// exist but stay empty and take no room.
class TAdvOfficeStatusBar : public QWidget, public TProgressPanels {
  Q_OBJECT
 public:
  static constexpr int kPanels = 11;
  explicit TAdvOfficeStatusBar(QWidget* parent = nullptr);

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

class TFormUtilitiesBase : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFormUtilitiesBase(QWidget* parent = nullptr);
  ~TFormUtilitiesBase() override;

  TAdvOfficeStatusBar* AdvOfficeStatusBar1 = nullptr;

  // The controller's command message (1025) with its code. 1350 and 6122 end
  // the program through the end-program operation below.
  void ControllerCommand(int code);
  // Ends the program; tests replace it.
  std::function<void()> end_program;

  bool Closing() const { return closing_; }

  // Hooks, in the suite's slot order.
  virtual void ApplicationActivate();                 // 1
  virtual void ScreenAndFontFix();                    // 2
  virtual void StyleChanged();                        // 3
  virtual void Hook5() {}                             // 5
  virtual void PanelClick(int panel);                 // 6
  virtual void PanelDblClick(int) {}                  // 7
  virtual void PanelRightClick(int) {}                // 8
  virtual void ShowAndDestroyHook() {}                // 9
  virtual void BindStatusBar();                       // 10
  virtual void ControllerHook233(int) {}              // 11

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
