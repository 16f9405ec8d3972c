#include "app/sorvel_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/about_dialog.h"
#include "app/preferences_dialog.h"
#include "boilerplate/boilerplate_page.h"
#include "corruption/corruption_page.h"
#include "crash/crash_reporter_gui.h"
#include "duplicates/dup_contents_page.h"
#include "duplicates/dup_names_page.h"
#include "relevance/relevance_page.h"
#include "report/report_action_gui.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/panic.h"
#include "sampling/build_sub_corpora_page.h"
#include "sampling/sample_page.h"
#include "ui_kit/folder_field_gui.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/text_viewer_window.h"
#include "ui_kit/ui_state_gui.h"

namespace {
const QString kGeometryKey = QStringLiteral("main_window/geometry");
}  // namespace

MainWindow::MainWindow(QWidget* parent) : ToolWindowBase(parent) {
  if (!HelpRouter::Instance()) own_data_module_ = std::make_unique<HelpRouter>();
  setObjectName(QStringLiteral("FormSorvel"));
  setWindowTitle(QStringLiteral("Sorvel"));
  SetHelpContext(this, 5150);
  QFont f(QStringLiteral("Tahoma"), 8);
  setFont(f);

  pager = new QTabWidget(this);
  pager->setObjectName(QStringLiteral("AdvOfficePager1"));
  setCentralWidget(pager);
  corruption_tab = AddPage("AdvOfficePageCorruption", QStringLiteral("Corruption"), 5140);
  dup_names_tab = AddPage("AdvOfficePageDuplicateNames", QStringLiteral("Duplicate Names"), 4170);
  dup_contents_tab =
      AddPage("AdvOfficePageDuplicateContents", QStringLiteral("Duplicate Contents"), 6020);
  boilerplate_tab = AddPage("AdvOfficePageBoiler", QStringLiteral("Boilerplate text"), 6030);
  relevance_tab = AddPage("AdvOfficePageRelevance", QStringLiteral("Relevance"), 6040);
  sample_tab = AddPage("AdvOfficePageSample", QStringLiteral("Corpus Sampler"), 6060);
  sub_corpora_tab =
      AddPage("AdvOfficePageBuildSubCorpora", QStringLiteral("Build Sub-corpora"), 6280);

  // ---- the engines ----
  corruption_detector = std::make_unique<CorruptFileDetector>();
  // Its file handler is the Duplicate Names page's, bound when the page is made.
  duplicate_names_seeker = std::make_unique<DupNamesSeeker>(
      nullptr, [this](const QString& s) { ShowStatusText(s); },
      [this](std::int32_t p) { SetOverallProgress(p); });
  boilerplate_search = std::make_unique<RepeatedChunks>();
  duplicate_contents_seeker = std::make_unique<DupContentsSeeker>();

  // ---- the tool pages ----
  // Each page is created here with the engines this window owns and put into
  // its container with InstallPage(container, page). One line per page.
  corruption_page = new CorruptionPage(this, corruption_detector.get(), corruption_tab);
  InstallPage(corruption_tab, corruption_page);
  sample_page = new SamplePage(this, &current_sample, &relevance_filters, sample_tab);
  InstallPage(sample_tab, sample_page);
  build_sub_corpora_page = new BuildSubCorporaPage(this, sub_corpora_tab);
  InstallPage(sub_corpora_tab, build_sub_corpora_page);
  connect(build_sub_corpora_page, &BuildSubCorporaPage::DelicacyChosen, this,
          [this](int ordinal) { sub_corpora_delicacy = ordinal; });
  InstallPage(dup_names_tab, duplicate_names_page = new DuplicateNamesPage(
                                 this, duplicate_names_seeker.get(), dup_names_tab));
  InstallPage(relevance_tab, new RelevancePage(this, &relevance_filters, relevance_tab,
                                               &relevance_results, &relevance_overall));
  boilerplate_page = new BoilerplatePage(this, boilerplate_search.get(), boilerplate_tab);
  InstallPage(boilerplate_tab, boilerplate_page);
  duplicate_contents_page =
      new DuplicateContentsPage(this, duplicate_contents_seeker.get(), dup_contents_tab);
  InstallPage(dup_contents_tab, duplicate_contents_page);
  // ---- end of the tool pages ----
  SetCorruptionListRefresher([this] { corruption_page->PostNewFlaggedFiles(); });

  // Preferences (Ctrl+,): in the Settings menu, and the shortcut anywhere in
  // the window. The tab bar keeps its whole width for the seven tabs.
  preferences_action = new QAction(QStringLiteral("Preferences..."), this);
  preferences_action->setObjectName(QStringLiteral("ActionPreferences"));
  preferences_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
  preferences_action->setShortcutContext(Qt::WindowShortcut);
  preferences_action->setToolTip(QStringLiteral("How texts are read (Ctrl+,)"));
  connect(preferences_action, &QAction::triggered, this, [this] { ShowPreferences(); });
  addAction(preferences_action);

  pager->setCurrentWidget(dup_contents_tab);
  menuBar()->addMenu(QStringLiteral("&Report"))->addAction(MakeCorpusReportAction(this, this));
  menuBar()->addMenu(QStringLiteral("&Settings"))->addAction(preferences_action);
  AddHelpMenu(this);

  // Each page keeps its own status line; the bar shows the current page's.
  for (int i = 0; i < pager->count(); ++i) page_status_ << QString();
  connect(pager, &QTabWidget::currentChanged, this,
          [this](int index) { status_bar->SetPanelText(10, PageStatusText(index)); });

  // Folder fields: drops, Return to start, the last folder remembered.
  folder_fields_ = new FolderFields(this);
  folder_fields_->Attach(pager);
  connect(folder_fields_, &FolderFields::ReturnPressed, this,
          [this](QLineEdit* field) { StartPageActionFrom(field); });

  // Every tab shows in full: no eliding, and a window wide enough for all.
  pager->setElideMode(Qt::ElideNone);
  const QByteArray geometry = RememberedValue(kGeometryKey).toByteArray();
  if (geometry.isEmpty() || !restoreGeometry(geometry)) resize(DefaultSize());
  FitToScreen();

  // An exception that escaped a handler may have left a Start disabled.
  CrashReporter::Instance().after_handler_exception = [this] { RestoreStartControls(); };
}

MainWindow::~MainWindow() {
  CrashReporter::Instance().after_handler_exception = nullptr;
  if (worker_) {
    // Destroyed during a run (the window is normally closed only after one):
    // stop the engines and let the worker end before they are freed.
    StopPanelClick();
    worker_->wait();
  }
  // The viewer first, then the engines (members, freed after this body). The
  // side-by-side viewers of Duplicate Contents are that page's own.
  delete shared_viewer;
  shared_viewer = nullptr;
}

void MainWindow::ShowPreferences() {
  PreferencesDialog dialog(this);
  dialog.exec();
}

void MainWindow::showEvent(QShowEvent* event) {
  const bool first = !shown_before_;
  shown_before_ = true;
  ToolWindowBase::showEvent(event);
  // The Delicacy list follows the user's default time-line base at show.
  if (first && build_sub_corpora_page) build_sub_corpora_page->FillDelicacyList();
}

QWidget* MainWindow::AddPage(const char* object_name, const QString& caption, int help_context) {
  auto* page = new QWidget(pager);
  page->setObjectName(QString::fromLatin1(object_name));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  SetHelpContext(page, help_context);
  pager->addTab(page, caption);
  return page;
}

void MainWindow::InstallPage(QWidget* container, QWidget* page) {
  if (!container || !page) return;
  page->setParent(container);
  container->layout()->addWidget(page);
  page->show();
  TakeOverPageHelpKeys(page);
}

void MainWindow::TakeOverPageHelpKeys(QWidget* page) {
  // F1 belongs to the window (Help on this page, for every page); a page's
  // own F1 key would make the key ambiguous, so that neither would fire.
  for (QShortcut* key : page->findChildren<QShortcut*>()) {
    if (key->key() == QKeySequence(QKeySequence::HelpContents)) key->setEnabled(false);
  }
}

QSize MainWindow::DefaultSize() const {
  // The client area of 727 x 479, widened so that the seven tabs fit without
  // scroll arrows.
  const int tabs_width = pager->tabBar()->sizeHint().width();
  const int width = std::max(727, tabs_width + 24);
  const int height = 479 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
  return {width, height};
}

QRect FitWithin(const QRect& window, const QRect& available) {
  // Room for the window frame and title bar, which are not part of the
  // window's own geometry.
  const QSize frame(16, 40);
  const QSize size = window.size().boundedTo(available.size() - frame).expandedTo(QSize(200, 150));
  const int max_x = available.left() + available.width() - frame.width() - size.width();
  const int max_y = available.top() + available.height() - frame.height() - size.height();
  const int x = std::max(available.left(), std::min(window.left(), max_x));
  const int y = std::max(available.top(), std::min(window.top(), max_y));
  return {QPoint(x, y), size};
}

void MainWindow::FitToScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect fitted = FitWithin(QRect(pos(), size()), screen->availableGeometry());
  if (fitted.size() != size()) resize(fitted.size());
  if (fitted.topLeft() != pos()) move(fitted.topLeft());
}

QString MainWindow::PageStatusText(int page_index) const { return page_status_.value(page_index); }

int MainWindow::StatusOwnerPage() const {
  return run_page_ >= 0 ? run_page_ : pager->currentIndex();
}

void MainWindow::SetPageStatus(int page_index, const QString& text) {
  if (page_index < 0 || page_index >= page_status_.size()) return;
  page_status_[page_index] = text;
  if (page_index == pager->currentIndex()) status_bar->SetPanelText(10, text);
}

void MainWindow::StartPageActionFrom(QWidget* field) {
  QWidget* page = field;
  while (page && pager->indexOf(page) < 0) page = page->parentWidget();
  if (!page) return;
  // The field's ancestors, the page first; the start control that shares
  // the deepest of them with the field is the one the field belongs to.
  QList<QWidget*> field_line;
  for (QWidget* w = field; w && w != page; w = w->parentWidget()) field_line.prepend(w);
  field_line.prepend(page);
  QWidget* best = nullptr;
  qsizetype best_depth = -1;
  for (const QPointer<QWidget>& control : start_controls_) {
    if (!control || !page->isAncestorOf(control)) continue;
    qsizetype depth = -1;
    for (QWidget* w = control; w && depth < 0; w = w->parentWidget()) depth = field_line.indexOf(w);
    if (depth > best_depth) {
      best = control;
      best_depth = depth;
    }
  }
  auto* button = qobject_cast<QAbstractButton*>(best);
  if (button && button->isEnabled()) button->click();
}

// --- status bar ---

void MainWindow::OnWindowThread(std::function<void()> f) {
  if (QThread::currentThread() == thread()) {
    f();
  } else {
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
  }
}

bool MainWindow::SetOverallProgress(int percent) {
  YieldToEvents();
  const int before = overall_percent_.exchange(percent);
  if (before == percent) return false;
  OnWindowThread([this, percent, before] {
    // A run of several passes starts each pass again at 0: the pace of the
    // new pass is measured afresh.
    if (percent < before) run_clock_.restart();
    status_bar->SetPanelBar(2, percent);
    status_bar->SetPanelTimeLeft(2, EstimatedTimeLeft(percent));
  });
  return true;
}

long long MainWindow::EstimatedTimeLeft(int percent) const {
  // Too early (under two seconds or one percent) the pace says nothing.
  if (!running_ || !run_clock_.isValid() || percent < 1 || percent >= 100) return -1;
  const long long elapsed = run_clock_.elapsed();
  if (elapsed < 2000) return -1;
  return elapsed * (100 - percent) / percent;
}

bool MainWindow::SetSecondProgress(int percent) {
  YieldToEvents();
  if (second_percent_.exchange(percent) == percent) return false;
  OnWindowThread([this, percent] { status_bar->SetPanelBar(3, percent); });
  return true;
}

bool MainWindow::SetOverallProgressAndRefreshCorruptionList(int percent) {
  const bool changed = SetOverallProgress(percent);
  if (corruption_list_refresher_) corruption_list_refresher_();
  YieldToEvents();
  return changed;
}

void MainWindow::SetCorruptionListRefresher(std::function<void()> refresh) {
  corruption_list_refresher_ = std::move(refresh);
}

void MainWindow::ResetProgress(bool idle) {
  overall_percent_ = 0;
  second_percent_ = 0;
  OnWindowThread([this, idle] {
    status_bar->ClearBars();
    status_bar->SetBarsActive(!idle);
    status_bar->SetStopEnabled(!idle);
    if (!idle) run_clock_.restart();
  });
}

void MainWindow::ShowStatusText(const QString& text) {
  OnWindowThread([this, text] { SetPageStatus(StatusOwnerPage(), text); });
}

void MainWindow::ShowRunSummary(const QString& summary) { ShowStatusText(summary); }

// The count goes on the overall bar, beside its percent; the status text
// stays the page's own (what is being read, what was found so far).
void MainWindow::ShowCountOutOf(long long n, long long total) {
  OnWindowThread([this, n, total] {
    status_bar->SetPanelCount(2, n, total);
    status_bar->SetPanelTimeLeft(
        2, total > 0 ? EstimatedTimeLeft(static_cast<int>(n * 100 / total)) : -1);
  });
}

// --- running a tool ---

void MainWindow::RegisterStartControl(QWidget* control) {
  if (!control) return;
  start_controls_.append(control);
  if (running_) control->setEnabled(false);
}

void MainWindow::AddStopHandler(std::function<void()> stop) {
  if (stop) stop_handlers_.push_back(std::move(stop));
}

void MainWindow::SetStartControlsEnabled(bool enabled) {
  for (const QPointer<QWidget>& w : start_controls_) {
    if (w) w->setEnabled(enabled);
  }
}

void MainWindow::RestoreStartControls() {
  if (!running_) SetStartControlsEnabled(true);
}

bool MainWindow::RunTool(const QString& tool_name, std::function<void()> work,
                         std::function<void(bool ok)> done) {
  if (running_) return false;
  running_ = true;
  running_tool_ = tool_name;
  global_panic_state = 0;
  run_page_ = pager->currentIndex();
  run_clock_.start();
  folder_fields_->RememberAll();
  SetStartControlsEnabled(false);
  status_bar->SetStopEnabled(true);
  status_bar->SetBarsActive(true);

  // The work's exception, if any, is kept with its report record and
  // reported on the window thread once the worker has ended.
  auto failure = std::make_shared<std::unique_ptr<ExceptionRecord>>();
  QThread* worker = QThread::create([work = std::move(work), failure] {
    try {
      work();
    } catch (...) {
      *failure = std::make_unique<ExceptionRecord>(RecordCurrentException());
    }
  });
  worker->setObjectName(tool_name);
  worker_ = worker;
  connect(worker, &QThread::finished, this, [this, worker, failure, done = std::move(done)] {
    worker->deleteLater();
    const bool ok = !*failure;
    if (!ok) CrashReporter::Instance().Report(**failure);
    running_ = false;
    running_tool_.clear();
    SetStartControlsEnabled(true);
    status_bar->SetStopEnabled(false);
    status_bar->SetBarsActive(false);
    status_bar->SetPanelTimeLeft(2, -1);
    // What done reports still belongs to the page that ran the tool.
    if (done) done(ok);
    run_page_ = -1;
    if (close_when_done_) close();
  });
  worker->start();
  return true;
}

// --- Stop and Help ---

void MainWindow::PanelClick(int panel) {
  if (panel == 8) {
    StopPanelClick();
  } else if (panel == 9) {
    HelpPanelClick();
  }
}

void MainWindow::StopPanelClick() {
  global_panic_state = 2;
  for (const auto& stop : stop_handlers_) stop();
}

int MainWindow::ActivePageHelpContext() const {
  QWidget* page = pager->currentWidget();
  int context = HelpContextOf(page);
  // A page with inner pages (the Corpus Sampler) gives the help of the inner
  // page on show.
  const auto inner = page ? page->findChildren<QTabWidget*>() : QList<QTabWidget*>();
  for (QTabWidget* tabs : inner) {
    if (!tabs->isVisibleTo(page)) continue;
    const int c = HelpContextOf(tabs->currentWidget());
    if (c > 1000) return c;
  }
  return context;
}

void MainWindow::HelpPanelClick() { ShowHelpTopic(ActivePageHelpContext()); }

void MainWindow::ShowHelpTopic(int help_context) {
  if (auto* dm = HelpRouter::Instance()) dm->HandleAHelpFileChoice(help_context);
}

// --- viewer ---

TextViewerWindow* MainWindow::SharedViewer() {
  // A window of its own (no parent), so that it can sit beside the main
  // window; this window frees it.
  if (!shared_viewer) shared_viewer = new TextViewerWindow(nullptr);
  return shared_viewer;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The worker may be waiting for an answer from this window: ask it to
    // stop and close once it has.
    StopPanelClick();
    close_when_done_ = true;
    event->ignore();
    return;
  }
  folder_fields_->RememberAll();
  Remember(kGeometryKey, saveGeometry());
  ToolWindowBase::closeEvent(event);
}
