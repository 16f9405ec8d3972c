#include "ui_kit/tool_window_base.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStyle>
#include <algorithm>

#include "runtime/controller_link.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/panic.h"
#include "runtime/settings.h"
#include "ui_kit/help_router_gui.h"

// --- status bar ---

ToolStatusBar::ToolStatusBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("AdvOfficeStatusBar1"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 1, 2, 1);
  row->setSpacing(4);
  for (int i = 0; i < kPanels; ++i) {
    QWidget* panel = nullptr;
    if (i == 8 || i == 9) {
      auto* b = new QToolButton(this);
      b->setText(i == 8 ? QStringLiteral("Stop") : QStringLiteral("Help"));
      b->setIcon(
          style()->standardIcon(i == 8 ? QStyle::SP_BrowserStop : QStyle::SP_DialogHelpButton));
      b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      b->setToolTip(i == 8 ? QStringLiteral("Stop the running tool")
                           : QStringLiteral("Help on this page (F1)"));
      b->setAutoRaise(true);
      connect(b, &QToolButton::clicked, this, [this, i] { Q_EMIT PanelClick(i); });
      panel = b;
    } else {
      panel = new QWidget(this);
      auto* l = new QHBoxLayout(panel);
      l->setContentsMargins(0, 0, 0, 0);
      labels_[i] = new QLabel(panel);
      l->addWidget(labels_[i]);
      if (i == 2 || i == 3) {
        bars_[i] = new ProgressTextBar(panel);
        bars_[i]->setFixedWidth(fontMetrics().horizontalAdvance(
                                    QStringLiteral("20,000 of 20,000 (100%) · about 59 min left")) /
                                    (i == 2 ? 1 : 2) +
                                12);
        bars_[i]->setToolTip(i == 2 ? QStringLiteral("Progress of the run")
                                    : QStringLiteral("Progress within the current file"));
        shows_bar_[i] = true;
        l->addWidget(bars_[i]);
        labels_[i]->hide();
      }
      panel->installEventFilter(this);
      labels_[i]->installEventFilter(this);
    }
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panels_[i] = panel;
    const bool used = i == 1 || i == 2 || i == 3 || i == 8 || i == 9 || i == 10;
    if (!used) panel->hide();
  }
  // Stop and Help first, so that they never move; then the page's status
  // text, which takes the room left; then the bars, which appear at the
  // right during a run and take their room from the text, not from Stop.
  // The text never widens the window: a long one is cut, and its tooltip
  // holds it whole.
  labels_[10]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  for (int i : {8, 9, 10, 1, 2, 3}) row->addWidget(panels_[i], i == 10 ? 1 : 0);
  for (int i = 0; i < kPanels; ++i)
    if (row->indexOf(panels_[i]) < 0) row->addWidget(panels_[i]);
  setFixedHeight(qMax(19, fontMetrics().height() + 8));
}

void ToolStatusBar::SetPanelText(int panel, const QString& text) {
  if (panel < 0 || panel >= kPanels || !labels_[panel]) return;
  labels_[panel]->setText(text);
  if (panel == 10) labels_[panel]->setToolTip(text);
}

void ToolStatusBar::SetPanelBar(int panel, int percent) {
  if (panel < 0 || panel >= kPanels || !bars_[panel]) return;
  bars_[panel]->SetPercent(percent);
  UpdateBarVisibility(panel);
}

void ToolStatusBar::SetPanelCount(int panel, long long done, long long total) {
  if (panel < 0 || panel >= kPanels || !bars_[panel]) return;
  bars_[panel]->SetCount(done, total);
  UpdateBarVisibility(panel);
}

void ToolStatusBar::SetPanelTimeLeft(int panel, long long milliseconds) {
  if (panel < 0 || panel >= kPanels || !bars_[panel]) return;
  bars_[panel]->SetTimeLeft(milliseconds);
}

void ToolStatusBar::ClearBars() {
  for (int panel : {2, 3}) {
    bars_[panel]->Clear();
    UpdateBarVisibility(panel);
  }
}

void ToolStatusBar::UpdateBarVisibility(int panel) {
  // An idle bar would look like an empty text box: it is shown only while
  // there is progress to show, and keeps its room meanwhile, so that Stop
  // and Help never move.
  const bool in_use = bars_active_ || bars_[panel]->value() > 0 || bars_[panel]->HasCount();
  bars_[panel]->setVisible(shows_bar_[panel] && in_use);
}

void ToolStatusBar::SetPanelShowsBar(int panel, bool bar) {
  if (panel < 0 || panel >= kPanels || !bars_[panel]) return;
  shows_bar_[panel] = bar;
  labels_[panel]->setVisible(!bar);
  UpdateBarVisibility(panel);
}

void ToolStatusBar::SetBarsActive(bool active) {
  bars_active_ = active;
  UpdateBarVisibility(2);
  UpdateBarVisibility(3);
}

QString ToolStatusBar::PanelText(int panel) const {
  return (panel >= 0 && panel < kPanels && labels_[panel]) ? labels_[panel]->text() : QString();
}

int ToolStatusBar::PanelBar(int panel) const {
  return (panel >= 0 && panel < kPanels && bars_[panel]) ? bars_[panel]->value() : 0;
}

ProgressTextBar* ToolStatusBar::Bar(int panel) const {
  return (panel >= 0 && panel < kPanels) ? bars_[panel] : nullptr;
}

void ToolStatusBar::SetStopEnabled(bool enabled) { panels_[8]->setEnabled(enabled); }

bool ToolStatusBar::StopEnabled() const { return panels_[8]->isEnabled(); }

bool ToolStatusBar::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type t = event->type();
  if (t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick) {
    for (int i = 0; i < kPanels; ++i) {
      if (watched != panels_[i] && watched != labels_[i]) continue;
      auto* me = static_cast<QMouseEvent*>(event);
      if (t == QEvent::MouseButtonRelease && me->button() != Qt::RightButton) Q_EMIT PanelClick(i);
      break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// --- window base ---

namespace {
QString TimeNow() { return QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss")); }
}  // namespace

ToolWindowBase::ToolWindowBase(QWidget* parent) : QMainWindow(parent) {
  end_program = [this] {
    close();
    QCoreApplication::exit(0);
  };
  // The yield procedure runs the window thread's pending events; on a worker
  // thread YieldToEvents does nothing.
  SetGlobalYieldProcessProc([] { QCoreApplication::processEvents(); });
  handle_ = static_cast<std::uintptr_t>(winId());
  SetOwnWindowHandle(handle_);

  StartATool(kControllerToolNumber, QString(), false, false, [] { YieldToEvents(); });
  NotifyController(kCodeToolStarted);

  // The suite's default font for every window of the program.
  QApplication::setFont(QFont(QStringLiteral("Segoe UI"), 9));

  status_bar = new ToolStatusBar(this);
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(status_bar, 1);
  status_bar->ClearBars();
  status_bar->SetStopEnabled(false);

  ReadLoggingSettings();
  Controller().SetNewWnd(kSorvelToolNumber, handle_);
  Controller().SetActiveMainToolWindow(kSorvelToolNumber, handle_);
  SharedToolLists& lists = SharedToolLists::Instance();
  for (int kind = 0; kind < 4; ++kind) lists.Refresh(kind);

  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s == Qt::ApplicationActive) ApplyStyle();
  });
}

ToolWindowBase::~ToolWindowBase() {
  NotifyController(kCodeToolClosing);
  closing_ = true;
  AddToLogFile(QString(10, QLatin1Char('*')) + Tool_Name(kSorvelToolNumber) + QLatin1Char(' ') +
               LX("LXClosingATool"));
  AddToLogFile(QStringLiteral("unset %1 main window and quit lexivor_minimal")
                   .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
  Controller().UnSetWnd(kSorvelToolNumber, handle_);
  if (OwnWindowHandle() == handle_) SetOwnWindowHandle(0);
}

void ToolWindowBase::ReadLoggingSettings() {
  // Only the logging switch and the log file are taken again from the
  // suite's settings file; the rest stays as read at start-up.
  const SuiteSettings fresh = LoadSuiteSettings();
  SuiteSettings current = CurrentSuiteSettings();
  current.logging = fresh.logging;
  current.log_file = fresh.log_file;
  SetCurrentSuiteSettings(current);
}

void ToolWindowBase::ApplyStyle() {
  if (auto* dm = HelpRouter::Instance()) dm->ApplyStyleToMenus();
}

void ToolWindowBase::PanelClick(int) {}

void ToolWindowBase::BindStatusBar() {
  if (status_bar_bound_) return;
  status_bar_bound_ = true;
  connect(status_bar, &ToolStatusBar::PanelClick, this, [this](int i) { PanelClick(i); });
}

void ToolWindowBase::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_once_) {
    shown_once_ = true;
    OnFirstShow();
  }
}

void ToolWindowBase::OnFirstShow() {
  ApplyStyle();
  BindStatusBar();
  if (auto* dm = HelpRouter::Instance()) dm->SetContextMenuHelp(this, dm->context_help_menu);
}

void ToolWindowBase::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) OnActivated();
}

void ToolWindowBase::OnActivated() {
  if (closing_) return;
  ReadLoggingSettings();
  AddToLogFile(TimeNow() + QStringLiteral(": activating main form"));
  ApplyStyle();
}

void ToolWindowBase::ControllerCommand(int code) {
  switch (ApplyControllerCommand(code)) {
    case ControllerCommandEffect::ReReadLogging:
      ReadLoggingSettings();
      break;
    case ControllerCommandEffect::EndProgram:
      if (end_program) end_program();
      break;
    case ControllerCommandEffect::None:
      break;
  }
}
