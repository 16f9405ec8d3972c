#include "ui_kit/source_text_edit_widget.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

#include "runtime/error.h"
#include "runtime/native_files.h"
#include "runtime/text_reader.h"
#include "viewer/rtf_writer.h"

namespace {
constexpr int kLoadChunk = 1 << 20;  // characters inserted per loading step

RtfColour ToRtf(const QColor& c) { return RtfColour{c.red(), c.green(), c.blue()}; }
}  // namespace

namespace {

// Adds a format range for every span that overlaps [start, end) of a block.
void AddRanges(const std::vector<TermSpan>& spans, int max_length, int start, int end,
               const QTextCharFormat& f, QList<QTextLayout::FormatRange>& ranges) {
  if (spans.empty()) return;
  // Spans are sorted by start; none is longer than max_length, so the first
  // one that can reach this block starts no earlier than start - max_length.
  auto it = std::lower_bound(spans.begin(), spans.end(), start - max_length,
                             [](const TermSpan& s, int pos) { return s.start < pos; });
  for (; it != spans.end() && it->start < end; ++it) {
    const int from = std::max(it->start, start);
    const int to = std::min(it->start + it->length, end);
    if (to > from) ranges.append(QTextLayout::FormatRange{from - start, to - from, f});
  }
}

}  // namespace

SourceTextEdit::SourceTextEdit(QWidget* parent)
    : QPlainTextEdit(parent), search_list_(std::make_unique<TermList>()) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, &SourceTextEdit::ReportLine);
  SetColoursEtc(false, normal_text_, normal_background_, false);
}

SourceTextEdit::~SourceTextEdit() = default;

int SourceTextEdit::LineCount() const { return text_.isEmpty() ? 0 : document()->blockCount(); }

bool SourceTextEdit::LoadedASourceText(const QString& path) {
  if (busy_) return false;
  QString text;
  TextFileInfo info;
  try {
    text = ReadTextOfFile(path, &info);
  } catch (const SorvelError&) {
    return false;
  }
  // The reader ends every line in CR LF; the document holds one character per
  // break and no break after the last line.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  loaded_path_ = path;
  loaded_encoding_ = TextEncodingName(info);
  Reset(text);
  return true;
}

void SourceTextEdit::ShowText(const QString& text) {
  if (busy_) return;
  QString t = NormaliseDecodedText(text);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (t.endsWith(QLatin1Char('\n'))) t.chop(1);
  loaded_path_.clear();
  loaded_encoding_.clear();
  Reset(t);
}

void SourceTextEdit::Reset(const QString& text) {
  busy_ = true;
  stop_requested_ = false;
  hits_ = TermHits();
  last_finder_ = nullptr;
  max_hit_length_ = 0;
  grey_spans_.clear();
  max_grey_length_ = 0;
  current_kw_ = -1;
  current_positions_.clear();
  current_lengths_.clear();
  text_ = text;
  // A long text goes into the document in steps of whole lines, so that
  // loading reports progress.
  QTextDocument* doc = document();
  doc->clear();
  if (text_.size() <= kLoadChunk) {
    setPlainText(text_);
  } else {
    QTextCursor cursor(doc);
    const qsizetype n = text_.size();
    qsizetype at = 0;
    while (at < n) {
      const qsizetype line_end = text_.indexOf(QLatin1Char('\n'), at + kLoadChunk);
      const qsizetype to = line_end < 0 ? n : line_end + 1;
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(text_.mid(at, to - at));
      at = to;
      if (OnProgress) OnProgress(static_cast<int>(at * 100 / n));
    }
  }
  busy_ = false;
  moveCursor(QTextCursor::Start);
  ReportLine();
}

void SourceTextEdit::SetMarkupEtc(bool without_markup, int tag_span) {
  without_markup_ = without_markup;
  tag_span_ = tag_span;
}

void SourceTextEdit::SetMarkupEtc(QChar open, QChar close) {
  markup_open_ = open;
  markup_close_ = close;
}

void SourceTextEdit::SetColoursEtc(bool special, const QColor& text, const QColor& background,
                                   bool bold) {
  if (special) {
    kw_text_ = text;
    kw_background_ = background;
    kw_bold_ = bold;
    return;
  }
  normal_text_ = text;
  normal_background_ = background;
  QPalette p = palette();
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Base, background);
  setPalette(p);
  QFont f = font();
  f.setBold(bold);
  setFont(f);
}

void SourceTextEdit::SetFont(const QString& family, double point_size) {
  QFont f = font();
  if (!family.isEmpty()) f.setFamily(family);
  if (point_size > 0) f.setPointSizeF(point_size);
  setFont(f);
}

void SourceTextEdit::FormatBlock(const QTextBlock& block) {
  QTextLayout* layout = block.layout();
  if (!layout) return;
  const int start = block.position();
  const int end = start + block.length() - 1;  // without the block's separator
  QList<QTextLayout::FormatRange> ranges;
  if (!grey_spans_.empty()) {
    QTextCharFormat grey;
    grey.setForeground(grey_);
    AddRanges(grey_spans_, max_grey_length_, start, end, grey, ranges);
  }
  if (!hits_.spans.empty()) {
    QTextCharFormat kw;
    kw.setForeground(kw_text_);
    kw.setBackground(kw_background_);
    if (kw_bold_) kw.setFontWeight(QFont::Bold);
    AddRanges(hits_.spans, max_hit_length_, start, end, kw, ranges);
  }
  QTextBlock b = block;
  b.setUserState(style_generation_);
  if (ranges.isEmpty() && layout->formats().isEmpty()) return;
  layout->setFormats(ranges);
  document()->markContentsDirty(start, block.length());
}

void SourceTextEdit::FormatVisibleBlocks() {
  if (text_.isEmpty()) return;
  const QPointF offset = contentOffset();
  const int bottom = viewport()->height();
  for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
    if (blockBoundingGeometry(b).translated(offset).top() > bottom) break;
    if (b.userState() != style_generation_) FormatBlock(b);
  }
}

void SourceTextEdit::Restyle(const ProgressFn& progress) {
  // Blocks are styled when they come into view: a run costs the same for a
  // long text as for a short one.
  ++style_generation_;
  FormatVisibleBlocks();
  viewport()->update();
  if (progress) progress(100);
}

void SourceTextEdit::paintEvent(QPaintEvent* event) {
  FormatVisibleBlocks();
  QPlainTextEdit::paintEvent(event);
}

int SourceTextEdit::HighlightWith(const HitFinder& finder, const ProgressFn& progress) {
  if (busy_ || !finder) return -1;
  stop_requested_ = false;
  TermHits hits = finder(text_);
  const int first = HighlightHits(std::move(hits), progress);
  last_finder_ = finder;
  return first;
}

int SourceTextEdit::HighlightHits(TermHits hits, const ProgressFn& progress) {
  if (busy_) return -1;
  last_finder_ = nullptr;
  busy_ = true;
  stop_requested_ = false;
  hits_ = std::move(hits);
  max_hit_length_ = 0;
  for (const TermSpan& s : hits_.spans) max_hit_length_ = std::max(max_hit_length_, s.length);
  current_kw_ = -1;
  RefreshCurrentPositions();
  Restyle(progress);
  busy_ = false;
  ReportLine();
  return hits_.FirstPosition();
}

int SourceTextEdit::SearchFrom(QStringView text) const {
  if (header_end_marker_.isEmpty()) return 0;
  const qsizetype at = text.indexOf(header_end_marker_, 0, Qt::CaseInsensitive);
  return at < 0 ? 0 : static_cast<int>(at + header_end_marker_.size());
}

int SourceTextEdit::HighlightKWs(const TermList& list, const ProgressFn& progress) {
  if (busy_) return -1;
  stop_requested_ = false;
  const std::vector<SearchTerm> terms = list.Terms();
  const bool markup = !without_markup_;
  const QChar open = markup_open_, close = markup_close_;
  const int span = tag_span_;
  return HighlightWith(
      [this, terms, markup, open, close, span](QStringView text) {
        const std::vector<TermSpan> tags =
            markup ? MarkupSpans(text, open, close, span) : std::vector<TermSpan>();
        return FindTermHits(text, terms, SearchFrom(text), tags, &stop_requested_);
      },
      progress);
}

int SourceTextEdit::HighlightOneKW(const QString& keyword, const ProgressFn& progress) {
  if (busy_) return -1;
  int index = search_list_->IndexOf(keyword);
  std::vector<SearchTerm> terms = search_list_->Terms();
  if (index < 0) {
    terms = {PlainSearchTerm(keyword)};
    index = 0;
  }
  // Every term keeps its number, but only the chosen one is searched: the
  // others become terms that cannot match.
  for (int i = 0; i < static_cast<int>(terms.size()); ++i) {
    if (i != index) terms[static_cast<size_t>(i)].term.clear();
  }
  stop_requested_ = false;
  const bool markup = !without_markup_;
  const QChar open = markup_open_, close = markup_close_;
  const int span = tag_span_;
  const int first = HighlightWith(
      [this, terms, markup, open, close, span](QStringView text) {
        const std::vector<TermSpan> tags =
            markup ? MarkupSpans(text, open, close, span) : std::vector<TermSpan>();
        return FindTermHits(text, terms, SearchFrom(text), tags, &stop_requested_);
      },
      progress);
  SetCurrentKW(index);
  return first;
}

void SourceTextEdit::ClearHighlights() { HighlightHits(TermHits(), {}); }

std::pair<int, int> SourceTextEdit::CountAndFirstPosOfKWPositions(int term) const {
  int count = 0;
  int first = -1;
  for (const TermSpan& s : hits_.spans) {
    if (s.term != term) continue;
    if (count == 0) first = s.start;
    ++count;
  }
  return {count, first};
}

std::vector<int> SourceTextEdit::KeyWordPositionsAsArray() const {
  std::vector<int> positions;
  positions.reserve(hits_.spans.size());
  for (const TermSpan& s : hits_.spans) positions.push_back(s.start);
  return positions;
}

void SourceTextEdit::SetCurrentKW(int term) {
  current_kw_ = term;
  RefreshCurrentPositions();
  ReportLine();
}

void SourceTextEdit::RefreshCurrentPositions() {
  current_positions_.clear();
  current_lengths_.clear();
  for (const TermSpan& s : hits_.spans) {
    if (current_kw_ >= 0 && s.term != current_kw_) continue;
    if (!current_positions_.empty() && current_positions_.back() == s.start) continue;
    current_positions_.push_back(s.start);
    current_lengths_.push_back(s.length);
  }
}

bool SourceTextEdit::GotoNextKW(bool backwards) {
  const std::vector<int>& positions = current_positions_;
  if (positions.empty()) return false;
  const QTextCursor now = textCursor();
  const int here = now.selectionStart();
  size_t index;
  if (backwards) {
    auto it = std::lower_bound(positions.begin(), positions.end(), here);
    index = it == positions.begin() ? positions.size() - 1
                                    : static_cast<size_t>(it - positions.begin()) - 1;
  } else {
    auto it = std::upper_bound(positions.begin(), positions.end(), here);
    // With nothing selected the cursor may sit on a hit that has not been
    // visited yet: take it rather than skip it.
    if (!now.hasSelection() && it != positions.begin() && *(it - 1) == here) --it;
    index = it == positions.end() ? 0 : static_cast<size_t>(it - positions.begin());
  }
  const int start = positions[index];
  QTextCursor c(document());
  c.setPosition(start);
  c.setPosition(start + current_lengths_[index], QTextCursor::KeepAnchor);
  setTextCursor(c);
  centerCursor();
  return true;
}

void SourceTextEdit::CentreOnPosition(int position) {
  QTextCursor c(document());
  c.setPosition(std::clamp(position, 0, std::max(0, document()->characterCount() - 1)));
  setTextCursor(c);
  centerCursor();
}

void SourceTextEdit::ReportLine() {
  const std::vector<int>& positions = current_positions_;
  const QTextCursor c = textCursor();
  const int here = c.selectionStart();
  // The hit at or before the cursor, counted from 0.
  auto it = std::upper_bound(positions.begin(), positions.end(), here);
  const double item = static_cast<double>(it - positions.begin()) - 1;
  Q_EMIT LineShowMessage(item, static_cast<double>(positions.size()), c.blockNumber() + 1.0,
                         static_cast<double>(LineCount()));
}

int SourceTextEdit::GreyOutAnyMarkup(const DoneOfTotalFn& done_of_total,
                                     const ProgressFn& progress) {
  if (busy_) return 0;
  busy_ = true;
  stop_requested_ = false;
  grey_spans_ = MarkupSpans(text_, markup_open_, markup_close_, tag_span_);
  max_grey_length_ = 0;
  for (const TermSpan& s : grey_spans_) max_grey_length_ = std::max(max_grey_length_, s.length);
  if (done_of_total) done_of_total(0, static_cast<long long>(grey_spans_.size()));
  Restyle(progress);
  if (done_of_total)
    done_of_total(static_cast<long long>(grey_spans_.size()),
                  static_cast<long long>(grey_spans_.size()));
  busy_ = false;
  return static_cast<int>(grey_spans_.size());
}

bool SourceTextEdit::TrimTheText(bool remove_markup) {
  if (busy_) return false;
  const QString trimmed = TrimmedText(text_, remove_markup, markup_open_, markup_close_, tag_span_);
  // The last run's terms are found again in the trimmed text.
  const HitFinder finder = last_finder_;
  const bool had_grey = !grey_spans_.empty();
  QString shown = trimmed;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
  Reset(shown);
  if (had_grey && !remove_markup) GreyOutAnyMarkup({}, OnProgress);
  if (finder) HighlightWith(finder, OnProgress);
  return !stop_requested_;
}

QByteArray SourceTextEdit::RtfBytes(const QString& heading, const QString& summary) const {
  RtfDocument doc;
  doc.text = text_;
  doc.font_name = font().family();
  doc.font_size_points = std::max(1, static_cast<int>(font().pointSizeF() + 0.5));
  doc.normal = RtfSpanStyle{ToRtf(normal_text_), ToRtf(normal_background_), false};
  doc.styles.push_back(RtfSpanStyle{ToRtf(grey_), ToRtf(normal_background_), false});
  doc.styles.push_back(RtfSpanStyle{ToRtf(kw_text_), ToRtf(kw_background_), kw_bold_});
  doc.spans.reserve(grey_spans_.size() + hits_.spans.size());
  for (const TermSpan& s : grey_spans_) doc.spans.push_back({s.start, s.length, 0});
  for (const TermSpan& s : hits_.spans) doc.spans.push_back({s.start, s.length, 1});
  doc.heading = heading;
  doc.summary = summary;
  return WriteRtf(doc);
}

bool SourceTextEdit::SaveAsRTF(const QString& file, const QString& heading,
                               const QString& summary) const {
  return WriteFileReplacing(file, RtfBytes(heading, summary));
}
