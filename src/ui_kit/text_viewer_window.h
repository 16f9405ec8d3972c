#pragma once
// The text viewer: a non-modal window that shows one text read-only, with a
// list of keywords on its left, a ruler plot of the hits on its right and a
// status bar below. Pages open texts in it; it knows nothing of them: it is
// given a file, two info texts and, optionally, keywords, the lines of a
// reference text and the caller's status bar.
//
// Status-bar panels: 2 and 3 show progress while the window works and the
// two info texts afterwards; 6 "<" and 7 ">" step through the hits; 8 stops
// the current run (shown only while one runs); the last shows where the
// cursor is. A caller's status bar takes part through its child widget named
// "StatusPanel8": it is shown while the viewer works and, when it is a
// button, its clicks stop the viewer too.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "runtime/file_details.h"
#include "ui_kit/source_text_edit_widget.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QToolButton;
class HitPlotBar;
class ProgressTextBar;
class KeywordListDelegate;

class TextViewerWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit TextViewerWindow(QWidget* parent = nullptr);
  ~TextViewerWindow() override;

  // Opens a text; false (window not shown) when it cannot be read.
  // caller_status is the opener's status bar (a QStatusBar or the main
  // window's panel bar), borrowed; its child "Panel8" (or "StatusPanel8") is
  // its stop button.
  bool OpenAndShowAText(const ViewerFileDetails& details, QWidget* caller_status = nullptr);
  // Replaces the keyword list by lines (one keyword each); values are hidden
  // until the next highlight run.
  void AddStringsToLeftListbox(const QStringList& lines);
  // Lines of a reference text for HighlightSimilarities; borrowed, may be null.
  void SetComparisonWholeLines(const QStringList* lines) { reference_lines_ = lines; }
  // Highlights the reference lines present in the text as whole lines.
  void HighlightSimilarities();
  // Highlights every term of the search list, lists the keywords found with
  // their counts (most hits first), plots the hits and goes to the first.
  // Returns the number of hits.
  int HighlightAnyKWS();
  // Highlights one keyword (its search-list term when it has one).
  void HighlightOneKW(const QString& keyword);
  void GreyOutAnyMarkup();
  // "Info on scores": every search term with hits, "%s (%d)" joined by ",",
  // a carriage return, then the total.
  QString InfoOnCurrentText() const;
  // The text component's search list.
  TermList& SearchList() { return text_edit_->SearchList(); }
  // Empties the keyword list.
  void ClearKeywordList();
  // Makes terms (a relevance filter list) the viewer's search list and lists
  // them as typed in. Negative terms are neither searched nor listed. Returns
  // how many terms were listed.
  int UseSearchTerms(const TermList& terms);
  // The keywords found by the last run, most hits first: (keyword as typed,
  // search-list index, hit count).
  struct FoundKeyword {
    QString keyword;
    int index = 0;
    int count = 0;
  };
  std::vector<FoundKeyword> FoundKeywords() const;
  QString CurrentShortFilename() const { return current_short_filename; }

  // After saving RTF, offer to open the file.
  bool confirm_RTF_save = true;
  // Asks for the file to save as RTF; proposed is the suggested name. Empty:
  // cancelled. Replaceable (tests, callers with their own dialog).
  std::function<QString(const QString& proposed)> choose_rtf_file;
  // Saves the text as RTF to file after the overwrite question; false when
  // declined or failed.
  bool SaveRtfTo(const QString& file, const QString& heading, const QString& summary);

  // --- parts, for callers and tests ---
  SourceTextEdit* TextEdit() const { return text_edit_; }
  QListWidget* KeywordList() const { return keyword_list_; }
  HitPlotBar* HitPlot() const { return hit_plot_; }
  QMenu* HighlightMenu() const { return highlight_menu_; }
  QStatusBar* StatusBar() const { return statusBar(); }
  // Text of a status panel (a progress panel gives its text label).
  QString PanelText(int panel) const;
  QWidget* Panel(int panel) const;
  // The progress bar of panel 2 or 3 (else null).
  ProgressTextBar* PanelBar(int panel) const {
    return panel == 2 || panel == 3 ? panel_bar_[panel - 2] : nullptr;
  }
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  bool ListShowsValues() const { return show_values_; }

  // --- progress setters of panels 2 and 3 (let the message loop run; true) ---
  bool SetFirstProgress(int percent);
  bool SetSecondProgress(int percent);
  void SetSecondProgressDoneOfTotal(long long done, long long total);
  // Offers Stop (enabled) here and on the caller's status bar, or takes it
  // back.
  void ShowStopButton(bool show);
  // The keyword list's current width.
  int KeywordListWidth() const;
  // The viewer's help topic (F1).
  void ShowHelp();

  // --- handlers ---
  void StatusPanelClick(int panel);
  void ShowCursorPlace(double item, double items, double line, double lines);
  void KeywordSplitterMoved();
  void HighlightAllKeywords();
  void HighlightSelectedKeyword();
  void ShowInfoOnScores();
  void KeywordClicked();
  // Text and value of keyword-list item i; the value is kNoHolderValue for
  // an item without a count.
  std::pair<QString, int> KeywordItem(int i) const;
  static constexpr int kNoHolderValue = -999999;
  void SaveAsRtf();
  void TrimTheText();
  void ToggleRuler();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildStatusBar();
  void BuildMenu();
  void MakeProgressPanel(int panel, bool progress);
  void SetPanelText(int panel, const QString& text);
  void KeywordColours();
  void RefillFoundKeywords();
  void WidenListToFit();
  // Back to the width the user chose (or the first width).
  void RestoreListWidth();
  bool Idle() const;
  void ShowPopup(QWidget* from, const QPoint& pos);

  QString current_short_filename;
  QPointer<QWidget> caller_status_;
  SourceTextEdit::ProgressFn load_progress_;
  const QStringList* reference_lines_ = nullptr;

  SourceTextEdit* text_edit_ = nullptr;
  QListWidget* keyword_list_ = nullptr;
  KeywordListDelegate* list_delegate_ = nullptr;
  HitPlotBar* hit_plot_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QMenu* highlight_menu_ = nullptr;
  QAction* show_ruler_action_ = nullptr;
  std::vector<QWidget*> panels_;
  QLabel* encoding_label_ = nullptr;                    // the open text's encoding
  QLabel* panel_label_[2] = {nullptr, nullptr};         // text forms of panels 2 and 3
  ProgressTextBar* panel_bar_[2] = {nullptr, nullptr};  // progress forms of panels 2 and 3
  QStackedWidget* panel_stack_[2] = {nullptr, nullptr};
  QMetaObject::Connection caller_stop_connection_;
  bool show_values_ = false;
  bool working_ = false;
  int list_width_ = 97;  // the keyword list's width between texts (first: 97)
  bool caller_stop_lent_ = false;
  bool caller_stop_was_enabled_ = false;
};
