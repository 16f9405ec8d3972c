#pragma once
// The read-only text component of the viewer: loads a text, draws keyword
// hits, shared lines and greyed markup, steps from hit to hit, trims the text
// and saves it with its highlights as RTF.
//
// Highlights are not written into the document: the component keeps the hit
// spans in sorted arrays and gives each block its formats when the block
// comes into view (the block's user state records which run styled it). A
// highlight run therefore costs no undo steps and no document edits, and its
// drawing costs the same for a text of a million lines as for a page.
//
// Positions are those of the shown text as the document holds it: one
// character per line break, no break after the last line.

#include <QColor>
#include <QPlainTextEdit>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/search_list.h"
#include "viewer/text_spans.h"

class QTextBlock;

class SourceTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  // A progress callback takes a whole percentage and returns true when the
  // shown value changed; a done-of-total callback takes two counts.
  using ProgressFn = std::function<bool(int percent)>;
  using DoneOfTotalFn = std::function<void(long long done, long long total)>;

  explicit SourceTextEdit(QWidget* parent = nullptr);
  ~SourceTextEdit() override;

  // --- loading ---
  // Reads the file with the suite's text reader and shows it, replacing the
  // previous text and every highlight. False (the old text stays) when the
  // file cannot be read.
  bool LoadedASourceText(const QString& path);
  // Shows a text given directly (no file), as loading does.
  void ShowText(const QString& text);
  QString LoadedPath() const { return loaded_path_; }
  // The encoding the loaded file was read in ("UTF-8", "windows-1252", ...);
  // empty for a text given directly.
  QString LoadedEncoding() const { return loaded_encoding_; }
  const QString& ShownText() const { return text_; }
  int LineCount() const;
  // Texts with fewer lines than this get their markup greyed out at load.
  int AutoGreyOutLineLimit() const { return 20000; }
  ProgressFn OnProgress;  // progress of loading and trimming

  // --- settings ---
  void SetMarkupEtc(bool without_markup, int tag_span);
  void SetMarkupEtc(QChar open, QChar close);
  QChar MarkupOpen() const { return markup_open_; }
  QChar MarkupClose() const { return markup_close_; }
  int MarkupSpan() const { return tag_span_; }
  // special false: colours of plain text; true: colours of keyword hits.
  void SetColoursEtc(bool special, const QColor& text, const QColor& background, bool bold);
  void SetFont(const QString& family, double point_size);
  // Hits before the end of the first occurrence of this marker (a text's
  // header) are not highlighted; empty: the whole text is searched.
  void SetHeaderEndMarker(const QString& marker) { header_end_marker_ = marker; }
  QColor GreyColour() const { return grey_; }

  // --- highlighting ---
  // The component's own search list (owned); the viewer's "Highlight all"
  // and its callers fill it.
  TermList& SearchList() { return *search_list_; }
  const TermList& SearchList() const { return *search_list_; }
  // Finds every term of list in the text (one pass for all terms) and draws
  // the hits; returns the position of the first hit or -1. Hit terms are
  // numbered as in list. Hits inside markup tags and before the header end
  // marker do not count.
  int HighlightKWs(const TermList& list, const ProgressFn& progress);
  // Highlights the hits of one keyword only: the search-list term typed so
  // (numbered as there, and made the current keyword), or a plain term.
  int HighlightOneKW(const QString& keyword, const ProgressFn& progress);
  // Finds hits with finder in the shown text and draws them (replacing the
  // previous ones); the finder is kept so that trimming finds them again.
  using HitFinder = std::function<TermHits(QStringView text)>;
  int HighlightWith(const HitFinder& finder, const ProgressFn& progress);
  // Draws hits that were found elsewhere (shared lines, a caller's matcher);
  // replaces the previous hits. Returns the first position or -1.
  int HighlightHits(TermHits hits, const ProgressFn& progress);
  // Removes every keyword highlight.
  void ClearHighlights();
  int HighlightsFoundCount() const { return hits_.TotalCount(); }
  const TermHits& Hits() const { return hits_; }
  // Hit count of term index, and the position of its first hit (-1 if none).
  std::pair<int, int> CountAndFirstPosOfKWPositions(int term) const;
  // Start of every hit, in text order.
  std::vector<int> KeyWordPositionsAsArray() const;

  // --- stepping ---
  // The term whose hits "<" and ">" step through; -1: every hit.
  int CurrentKW() const { return current_kw_; }
  void SetCurrentKW(int term);
  // Selects the next (or previous) hit after (before) the cursor, wrapping
  // round at the ends; false when there is no hit.
  bool GotoNextKW(bool backwards);
  // Puts the line of position in the middle of the view.
  void CentreOnPosition(int position);

  // --- markup, trimming ---
  // Greys out every markup tag (under the tag span rule). Returns the number
  // of tags.
  int GreyOutAnyMarkup(const DoneOfTotalFn& done_of_total, const ProgressFn& progress);
  int GreyedTagCount() const { return static_cast<int>(grey_spans_.size()); }
  // Replaces the shown text by its trimmed form (see TrimmedText): markup
  // removed when remove_markup, lines stripped, runs of empty lines reduced.
  // The file on disk is not touched. Highlights are found again on the new
  // text for the same terms. Returns false when stopped or busy.
  bool TrimTheText(bool remove_markup);

  // --- saving ---
  // Writes the text with its highlights as RTF; heading and summary go
  // before it. False when the file cannot be written.
  bool SaveAsRTF(const QString& file, const QString& heading, const QString& summary) const;
  QByteArray RtfBytes(const QString& heading, const QString& summary) const;

  // Stops the running highlight, grey-out or trim at its next batch.
  void Stop() { stop_requested_ = true; }
  bool Busy() const { return busy_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 Q_SIGNALS:
  // Item (0-based index of the hit at the cursor, -1 when none), the number
  // of hits stepped through, line (1-based) and the number of lines.
  void LineShowMessage(double item, double items, double line, double lines);

 private:
  void Reset(const QString& text);
  void FormatBlock(const QTextBlock& block);
  void FormatVisibleBlocks();
  void Restyle(const ProgressFn& progress);
  void RefreshCurrentPositions();
  void ReportLine();
  int SearchFrom(QStringView text) const;

  QString text_;
  QString loaded_path_;
  QString loaded_encoding_;
  QString header_end_marker_;
  QChar markup_open_ = QLatin1Char('<');
  QChar markup_close_ = QLatin1Char('>');
  int tag_span_ = 500;
  bool without_markup_ = false;
  QColor normal_text_ = Qt::black;
  QColor normal_background_ = Qt::white;
  QColor kw_text_ = Qt::black;
  QColor kw_background_ = Qt::white;
  bool kw_bold_ = true;
  QColor grey_ = QColor(150, 150, 150);

  TermHits hits_;
  HitFinder last_finder_;
  std::unique_ptr<TermList> search_list_;
  int max_hit_length_ = 0;
  std::vector<TermSpan> grey_spans_;
  int max_grey_length_ = 0;
  int current_kw_ = -1;
  std::atomic<bool> stop_requested_{false};
  bool busy_ = false;

  std::vector<int> current_positions_;  // hits "<" and ">" step through
  std::vector<int> current_lengths_;
  int style_generation_ = 0;
};
