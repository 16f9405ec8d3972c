#pragma once
// The main window: a pager of the seven tool pages over the status bar, the
// engines that live as long as the window, and the page host that runs a
// page's tool on a worker thread.

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTabWidget>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "boilerplate/repeated_chunks.h"
#include "corruption/corrupt_file_detector.h"
#include "duplicates/file_duplicate_contents_seeking.h"
#include "duplicates/file_duplicate_names_seeking.h"
#include "relevance/file_filtering.h"
#include "runtime/settings.h"
#include "ui_kit/page_host_gui.h"
#include "ui_kit/tool_window_base.h"

class QAction;
class BoilerplatePage;
class CorruptionPage;
class SamplePage;
class BuildSubCorporaPage;
class DuplicateNamesPage;
class DuplicateContentsPage;

// The part of window that fits within the available screen area, frame and
// title bar included; moved, then shrunk, as little as needed.
QRect FitWithin(const QRect& window, const QRect& available);

class MainWindow : public ToolWindowBase, public PageHost {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- status bar (any thread) ---
  bool SetOverallProgress(int percent) override;
  bool SetSecondProgress(int percent) override;
  void ResetProgress(bool idle) override;
  void ShowStatusText(const QString& text) override;
  void ShowRunSummary(const QString& summary) override;
  void ShowCountOutOf(long long n, long long total) override;
  // Overall progress, then the Corruption page's list takes the detector's
  // new results, then pending events run. The corruption run's per-file
  // callback and the Boilerplate folder scan's progress.
  bool SetOverallProgressAndRefreshCorruptionList(int percent);
  // What refreshes the Corruption page's list (set by that page; called on
  // whichever thread reports the progress).
  void SetCorruptionListRefresher(std::function<void()> refresh);

  // --- running a tool ---
  bool RunTool(const QString& tool_name, std::function<void()> work,
               std::function<void(bool ok)> done) override;
  bool ToolRunning() const override { return running_; }
  void RegisterStartControl(QWidget* control) override;
  void AddStopHandler(std::function<void()> stop) override;
  // Mid-run estimate shown on the overall bar: how long the rest will take
  // at the pace so far (< 0: not yet known).
  long long EstimatedTimeLeft(int percent) const;
  // Re-enables every start control when no tool runs (after an exception in
  // a handler that had disabled its Start).
  void RestoreStartControls();

  TextViewerWindow* SharedViewer() override;
  void ShowHelpTopic(int help_context) override;

  // The panel-click handler: Stop and Help.
  void PanelClick(int panel) override;
  void StopPanelClick();
  void HelpPanelClick();
  // The help context of the active page (its active inner page if it has one).
  int ActivePageHelpContext() const;

  // Puts a page widget into its container on the pager.
  void InstallPage(QWidget* container, QWidget* page);

  // Opens the Preferences dialog (Ctrl+,).
  void ShowPreferences();

  // The status text a page last wrote (its run's closing line, or what it
  // shows about a selection); panel 10 shows the current page's.
  QString PageStatusText(int page_index) const;
  // Return in a folder field: the registered start control of the field's
  // page that sits nearest the field is pressed (when it is enabled).
  void StartPageActionFrom(QWidget* field);
  // The folder fields of the pages and dialogs of this window.
  class FolderFields* Folders() const {
    return folder_fields_;
  }
  // The size the window opens at the first time: every tab shown without
  // scroll arrows, within the available screen area.
  QSize DefaultSize() const;

  // --- controls ---
  QTabWidget* pager = nullptr;
  QWidget* corruption_tab = nullptr;
  QWidget* dup_names_tab = nullptr;
  QWidget* dup_contents_tab = nullptr;
  QWidget* boilerplate_tab = nullptr;
  QWidget* relevance_tab = nullptr;
  QWidget* sample_tab = nullptr;
  QWidget* sub_corpora_tab = nullptr;
  QAction* preferences_action = nullptr;

  // --- fields the window owns ---
  // The shared viewer: created on first use, kept, freed with the window.
  TextViewerWindow* shared_viewer = nullptr;
  QStringList current_sample;  // the current sample of the Corpus Sampler
  int sub_corpora_delicacy = 0;
  // The engines, in the order they are freed (after the viewers).
  // Page developers: add the engine your page needs here.
  std::unique_ptr<CorruptFileDetector> corruption_detector;
  std::unique_ptr<DupContentsSeeker> duplicate_contents_seeker;
  std::unique_ptr<DupNamesSeeker> duplicate_names_seeker;
  // Relevance: the filter terms with their search settings, the run state
  // and the listed texts of the last check.
  SearchSettings relevance_search_settings{0, GetIgnoreTagsSpan()};
  RelevanceFilter relevance_overall;
  RelevanceResults relevance_results;
  RelevanceFilterList relevance_filters{relevance_search_settings};
  std::unique_ptr<RepeatedChunks> boilerplate_search;

  // The pages.
  CorruptionPage* corruption_page = nullptr;
  SamplePage* sample_page = nullptr;
  BuildSubCorporaPage* build_sub_corpora_page = nullptr;
  DuplicateNamesPage* duplicate_names_page = nullptr;
  BoilerplatePage* boilerplate_page = nullptr;
  DuplicateContentsPage* duplicate_contents_page = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* AddPage(const char* object_name, const QString& caption, int help_context);
  void OnWindowThread(std::function<void()> f);
  void SetStartControlsEnabled(bool enabled);
  // The page a status text belongs to: the running tool's page during a run
  // (and in its done callback), else the page on show.
  int StatusOwnerPage() const;
  void SetPageStatus(int page_index, const QString& text);
  void FitToScreen();
  void TakeOverPageHelpKeys(QWidget* page);

  QPointer<QThread> worker_;
  bool running_ = false;
  bool close_when_done_ = false;
  bool shown_before_ = false;
  QString running_tool_;
  std::atomic<int> overall_percent_{0};
  std::atomic<int> second_percent_{0};
  QList<QPointer<QWidget>> start_controls_;
  std::vector<std::function<void()>> stop_handlers_;
  std::function<void()> corruption_list_refresher_;
  std::unique_ptr<class HelpRouter> own_data_module_;
  int run_page_ = -1;  // the page whose tool runs, until its done callback ends
  QStringList page_status_;
  QElapsedTimer run_clock_;
  class FolderFields* folder_fields_ = nullptr;
};
