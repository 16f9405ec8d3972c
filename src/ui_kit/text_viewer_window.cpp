#include "ui_kit/text_viewer_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/settings.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/hit_plot_bar_widget.h"
#include "ui_kit/progress_bar_widget.h"
#include "viewer/rtf_writer.h"
#include "viewer/text_spans.h"

namespace {

constexpr int kPanelCount = 11;
// The largest share of the window (in percent) that Highlight all may widen
// the keyword list to.
constexpr int kMostListShare = 30;
constexpr int kHolderTerm = Qt::UserRole;       // index of the keyword in the search list
constexpr int kHolderCount = Qt::UserRole + 1;  // its hit count
constexpr int kNoHolderValue = TextViewerWindow::kNoHolderValue;
constexpr int kHelpContextRelevance = 6040;

// Colours of the list box, as the suite's styled list draws it.
const QColor kListBackground(218, 233, 253);
const QColor kListSelected(125, 165, 224);
// Keyword hits: dark blue, bold, on a pale yellow.
const QColor kKeywordText(kHighlightText.red, kHighlightText.green, kHighlightText.blue);
const QColor kKeywordBackground(kHighlightBackground.red, kHighlightBackground.green,
                                kHighlightBackground.blue);

// The caller's stop button, found by the panel names the suite's status bars
// use.
QWidget* CallerStopPanel(QWidget* caller_status) {
  if (!caller_status) return nullptr;
  if (auto* w = caller_status->findChild<QWidget*>(QStringLiteral("Panel8"))) return w;
  return caller_status->findChild<QWidget*>(QStringLiteral("StatusPanel8"));
}

// Restores the normal cursor however the block is left.
class HourGlass {
 public:
  HourGlass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~HourGlass() { QApplication::restoreOverrideCursor(); }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;
};

}  // namespace

// Draws each keyword with its hit count right-aligned beside it once the list
// shows values.
class KeywordListDelegate : public QStyledItemDelegate {
 public:
  explicit KeywordListDelegate(const bool* show_values, QObject* parent)
      : QStyledItemDelegate(parent), show_values_(show_values) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    p->save();
    p->fillRect(option.rect, selected ? kListSelected : kListBackground);
    p->setPen(selected ? QColor(Qt::white) : option.palette.color(QPalette::Text));
    const QRect r = option.rect.adjusted(2, 0, -3, 0);
    const QVariant count = index.data(kHolderCount);
    const int value = count.isValid() ? count.toInt() : kNoHolderValue;
    QRect text_rect = r;
    if (*show_values_ && value != kNoHolderValue) {
      const QString v = QString::number(value);
      const int w = option.fontMetrics.horizontalAdvance(v);
      p->drawText(r, Qt::AlignRight | Qt::AlignVCenter, v);
      text_rect.setRight(r.right() - w - 4);
    }
    const QString text = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                       Qt::ElideRight, text_rect.width());
    p->drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter, text);
    p->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(std::max(13, option.fontMetrics.height() + 2));
    return s;
  }

  // The width an item needs, value included.
  int WidthOf(const QFontMetrics& fm, const QModelIndex& index) const {
    int w = fm.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 8;
    const QVariant count = index.data(kHolderCount);
    if (*show_values_ && count.isValid())
      w += fm.horizontalAdvance(QString::number(count.toInt())) + 4;
    return w;
  }

 private:
  const bool* show_values_;
};

TextViewerWindow::TextViewerWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormOneTextFileShower"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildWindow();
}

TextViewerWindow::~TextViewerWindow() {
  if (text_edit_) text_edit_->Stop();
  ShowStopButton(false);
}

void TextViewerWindow::BuildWindow() {
  resize(784, 426);

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  splitter_ = new QSplitter(Qt::Horizontal, central);
  splitter_->setObjectName(QStringLiteral("AdvSplitter1"));
  // A handle wide enough to grab, drawn so that it can be seen.
  splitter_->setHandleWidth(8);
  splitter_->setChildrenCollapsible(false);
  splitter_->setStyleSheet(
      QStringLiteral("QSplitter::handle { background: palette(mid); "
                     "margin: 0 2px; }"));

  auto* left = new QWidget(splitter_);
  left->setObjectName(QStringLiteral("PanelLeft"));
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  keyword_list_ = new QListWidget(left);
  keyword_list_->setObjectName(QStringLiteral("StyledListboxKWs"));
  list_delegate_ = new KeywordListDelegate(&show_values_, keyword_list_);
  keyword_list_->setItemDelegate(list_delegate_);
  keyword_list_->setUniformItemSizes(true);
  keyword_list_->setSelectionMode(QAbstractItemView::SingleSelection);
  keyword_list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  {
    QPalette p = keyword_list_->palette();
    p.setColor(QPalette::Base, kListBackground);
    keyword_list_->setPalette(p);
  }
  left_layout->addWidget(keyword_list_);

  text_edit_ = new SourceTextEdit(splitter_);
  text_edit_->setObjectName(QStringLiteral("SourceTextRich"));
  text_edit_->setFrameShape(QFrame::StyledPanel);
  text_edit_->document()->setDocumentMargin(4);

  splitter_->addWidget(left);
  splitter_->addWidget(text_edit_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({list_width_, 784 - list_width_ - 23});
  row->addWidget(splitter_, 1);

  hit_plot_ = new HitPlotBar(central);
  hit_plot_->setObjectName(QStringLiteral("PCPLotBar1"));
  hit_plot_->SetColours(Qt::black, QColor(0, 0, 128));
  row->addWidget(hit_plot_);
  setCentralWidget(central);

  // Progress of loading goes to panel 2.
  load_progress_ = [this](int percent) { return SetFirstProgress(percent); };
  text_edit_->OnProgress = load_progress_;

  BuildStatusBar();
  hit_plot_->hide();
  confirm_RTF_save = true;

  // The text's font: the suite's text settings give a general-purpose font.
  QFont text_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  text_edit_->SetFont(text_font.family(), std::max(10.0, text_font.pointSizeF()));

  BuildMenu();

  connect(text_edit_, &SourceTextEdit::LineShowMessage, this, &TextViewerWindow::ShowCursorPlace);
  // F3 and Shift+F3 step through the hits as ">" and "<" do.
  auto* next_hit = new QShortcut(QKeySequence(Qt::Key_F3), this);
  connect(next_hit, &QShortcut::activated, this, [this] { StatusPanelClick(7); });
  auto* previous_hit = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
  connect(previous_hit, &QShortcut::activated, this, [this] { StatusPanelClick(6); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, &TextViewerWindow::ShowHelp);
  connect(keyword_list_, &QListWidget::itemClicked, this, [this] { KeywordClicked(); });
  connect(keyword_list_, &QListWidget::itemActivated, this, [this] { KeywordClicked(); });
  connect(splitter_, &QSplitter::splitterMoved, this, [this] {
    // The user's own choice of width is kept for the texts that follow.
    list_width_ = splitter_->sizes().value(0, list_width_);
    KeywordSplitterMoved();
  });
  connect(hit_plot_, &HitPlotBar::PositionClicked, this,
          [this](long long position) { text_edit_->CentreOnPosition(static_cast<int>(position)); });
}

void TextViewerWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("AdvOfficeStatusBar1"));
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < kPanelCount; ++i) {
    QWidget* panel = nullptr;
    if (i == 2 || i == 3) {
      auto* stack = new QStackedWidget(bar);
      auto* label = new QLabel(stack);
      // The same bar as the main window's: it shows its percentage.
      auto* progress = new ProgressTextBar(stack);
      stack->addWidget(label);
      stack->addWidget(progress);
      stack->setMinimumWidth(130);
      panel_stack_[i - 2] = stack;
      panel_label_[i - 2] = label;
      panel_bar_[i - 2] = progress;
      panel = stack;
    } else if (i == 6 || i == 7 || i == 8) {
      auto* button = new QToolButton(bar);
      button->setAutoRaise(true);
      button->setText(i == 6   ? QStringLiteral("<")
                      : i == 7 ? QStringLiteral(">")
                               : QStringLiteral("Stop"));
      if (i == 8) button->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
      if (i == 8) button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      connect(button, &QToolButton::clicked, this, [this, i] { StatusPanelClick(i); });
      panel = button;
    } else {
      panel = new QLabel(bar);
    }
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    if (i == kPanelCount - 1) {
      bar->addWidget(panel, 1);
    } else {
      bar->addWidget(panel);
    }
    panels_.push_back(panel);
  }
  // The encoding the open text was read in, at the right end.
  encoding_label_ = new QLabel(bar);
  encoding_label_->setObjectName(QStringLiteral("EncodingPanel"));
  encoding_label_->setToolTip(QStringLiteral("The encoding the text was read in"));
  bar->addPermanentWidget(encoding_label_);
  // Panels without a role take no room.
  for (int i : {0, 1, 4, 5, 9}) panels_[static_cast<size_t>(i)]->hide();
  // Stop keeps its place; it can be pressed only while the viewer works.
  panels_[8]->setEnabled(false);
  panels_[8]->setToolTip(QStringLiteral("Stop highlighting"));
  MakeProgressPanel(2, false);
  MakeProgressPanel(3, false);
}

void TextViewerWindow::BuildMenu() {
  highlight_menu_ = new QMenu(this);
  highlight_menu_->setObjectName(QStringLiteral("AdvPopupMenuHighlighter"));
  auto add = [this](const char* name, const QString& caption, void (TextViewerWindow::*handler)()) {
    QAction* a = highlight_menu_->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return a;
  };
  add("HighlighAllwords1", QStringLiteral("Highlight all"),
      &TextViewerWindow::HighlightAllKeywords);
  add("Highlightselected1", QStringLiteral("Highlight selected"),
      &TextViewerWindow::HighlightSelectedKeyword);
  add("SaveasRTF1", QStringLiteral("Save as RTF"), &TextViewerWindow::SaveAsRtf);
  add("HighlightTrimthetext1", QStringLiteral("Trim the text"), &TextViewerWindow::TrimTheText);
  add("HighlighterGreyout1", QStringLiteral("Grey out <*>"), &TextViewerWindow::GreyOutAnyMarkup);
  add("Infoonscores1", QStringLiteral("Info on scores"), &TextViewerWindow::ShowInfoOnScores);
  show_ruler_action_ =
      add("Showruler1", QStringLiteral("Show ruler"), &TextViewerWindow::ToggleRuler);
  show_ruler_action_->setCheckable(true);
  highlight_menu_->addSeparator();
  add("Highlightsimilarities1", QStringLiteral("Highlight similarities"),
      &TextViewerWindow::HighlightSimilarities);
  highlight_menu_->addSeparator();
  add("ViewerHelp", QStringLiteral("Help on the viewer (F1)"), &TextViewerWindow::ShowHelp);

  for (QWidget* w : {static_cast<QWidget*>(text_edit_), static_cast<QWidget*>(keyword_list_),
                     static_cast<QWidget*>(hit_plot_)}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [this, w](const QPoint& pos) { ShowPopup(w, pos); });
  }
}

void TextViewerWindow::ShowPopup(QWidget* from, const QPoint& pos) {
  QWidget* target = from == text_edit_ ? text_edit_->viewport() : from;
  highlight_menu_->popup(target->mapToGlobal(pos));
}

QWidget* TextViewerWindow::Panel(int panel) const {
  if (panel < 0 || panel >= PanelCount()) return nullptr;
  return panels_[static_cast<size_t>(panel)];
}

QString TextViewerWindow::PanelText(int panel) const {
  if (panel == 2 || panel == 3) return panel_label_[panel - 2]->text();
  QWidget* w = Panel(panel);
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  return QString();
}

void TextViewerWindow::SetPanelText(int panel, const QString& text) {
  if (panel == 2 || panel == 3) {
    panel_label_[panel - 2]->setText(text);
    return;
  }
  if (auto* label = qobject_cast<QLabel*>(Panel(panel))) label->setText(text);
}

void TextViewerWindow::MakeProgressPanel(int panel, bool progress) {
  QStackedWidget* stack = panel_stack_[panel - 2];
  stack->setCurrentIndex(progress ? 1 : 0);
  if (progress) panel_bar_[panel - 2]->Clear();
}

bool TextViewerWindow::SetFirstProgress(int percent) {
  QCoreApplication::processEvents();
  panel_bar_[0]->SetPercent(percent);
  return true;
}

bool TextViewerWindow::SetSecondProgress(int percent) {
  QCoreApplication::processEvents();
  panel_bar_[1]->SetPercent(percent);
  return true;
}

void TextViewerWindow::SetSecondProgressDoneOfTotal(long long done, long long total) {
  SetSecondProgress(total > 0 ? static_cast<int>(done * 100 / total) : 0);
}

void TextViewerWindow::ShowStopButton(bool show) {
  if (panels_.size() > 8) panels_[8]->setEnabled(show);
  if (!caller_status_) return;
  QWidget* caller_stop = CallerStopPanel(caller_status_);
  if (!caller_stop) return;
  // The caller's Stop stays where it is; it is offered while the viewer
  // works and afterwards left as it was (its own tool may be running).
  if (show && !caller_stop_lent_) {
    caller_stop_was_enabled_ = caller_stop->isEnabled();
    caller_stop_lent_ = true;
    caller_stop->setEnabled(true);
  } else if (!show && caller_stop_lent_) {
    caller_stop_lent_ = false;
    caller_stop->setEnabled(caller_stop_was_enabled_);
  }
  QObject::disconnect(caller_stop_connection_);
  if (show) {
    if (auto* button = qobject_cast<QAbstractButton*>(caller_stop)) {
      caller_stop_connection_ =
          connect(button, &QAbstractButton::clicked, text_edit_, &SourceTextEdit::Stop);
    }
  }
}

void TextViewerWindow::KeywordColours() {
  text_edit_->SetColoursEtc(true, kKeywordText, kKeywordBackground, true);
}

bool TextViewerWindow::Idle() const { return !working_ && !text_edit_->Busy(); }

bool TextViewerWindow::OpenAndShowAText(const ViewerFileDetails& details, QWidget* caller_status) {
  if (!Idle()) return false;
  hit_plot_->hide();
  current_short_filename.clear();
  HourGlass hour_glass;

  if (caller_status) {
    caller_status_ = caller_status;
    MakeProgressPanel(2, true);
    MakeProgressPanel(3, true);
    if (QWidget* caller_stop = CallerStopPanel(caller_status)) {
      if (auto* b = qobject_cast<QAbstractButton*>(caller_stop)) {
        b->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
      }
    }
  }

  text_edit_->SetMarkupEtc(false, GetIgnoreTagsSpan());
  text_edit_->SetMarkupEtc(QLatin1Char('<'), QLatin1Char('>'));
  text_edit_->SetColoursEtc(false, QColor(Qt::black), QColor(Qt::white), false);
  KeywordColours();

  MakeProgressPanel(2, true);
  working_ = true;
  const bool loaded = text_edit_->LoadedASourceText(details.full_path);
  working_ = false;
  if (!loaded) {
    MakeProgressPanel(2, false);
    MakeProgressPanel(3, false);
    return false;
  }
  // A new text: the keyword list loses the values of the last run, and the
  // width it may have taken for them.
  show_values_ = false;
  RestoreListWidth();
  for (int i = 0; i < keyword_list_->count(); ++i) {
    keyword_list_->item(i)->setData(kHolderTerm, QVariant());
    keyword_list_->item(i)->setData(kHolderCount, QVariant());
  }
  keyword_list_->viewport()->update();

  if (text_edit_->LineCount() < text_edit_->AutoGreyOutLineLimit()) {
    MakeProgressPanel(3, true);
    working_ = true;
    ShowStopButton(true);
    text_edit_->GreyOutAnyMarkup(
        [this](long long done, long long total) { SetSecondProgressDoneOfTotal(done, total); },
        load_progress_);
    ShowStopButton(false);
    working_ = false;
  }

  MakeProgressPanel(2, false);
  MakeProgressPanel(3, false);
  current_short_filename = QFileInfo(details.full_path).fileName();
  setWindowTitle(DisplayName(current_short_filename));
  encoding_label_->setText(text_edit_->LoadedEncoding());
  panel_bar_[1]->Clear();
  SetPanelText(2, details.info1.isEmpty()
                      ? QString()
                      : Format(QStringLiteral("%s ") + LX("LXWords"), {details.info1}));
  SetPanelText(3, details.info2.isEmpty()
                      ? QString()
                      : Format(QStringLiteral("%s ") + LX("LXHitTypes"), {details.info2}));
  if (!isVisible()) show();
  // A viewer given the lines of a reference text (a member of a duplicate
  // group) shows the lines it shares with it straight away.
  if (reference_lines_ && !reference_lines_->isEmpty()) HighlightSimilarities();
  text_edit_->moveCursor(QTextCursor::Start);
  text_edit_->verticalScrollBar()->setValue(0);
  return true;
}

void TextViewerWindow::AddStringsToLeftListbox(const QStringList& lines) {
  keyword_list_->clear();
  show_values_ = false;
  keyword_list_->addItems(lines);
  for (int i = 0; i < keyword_list_->count(); ++i) keyword_list_->item(i)->setToolTip(lines[i]);
  KeywordColours();
}

void TextViewerWindow::HighlightSimilarities() {
  if (working_ || text_edit_->Busy()) return;
  // The search list holds no keywords while shared lines are shown; without
  // reference lines that is all that happens.
  SearchList().Clear();
  if (!reference_lines_ || reference_lines_->isEmpty()) return;
  const QStringList reference = *reference_lines_;
  working_ = true;
  ShowStopButton(true);
  MakeProgressPanel(3, true);
  KeywordColours();
  text_edit_->HighlightWith(
      [reference](QStringView text) { return SharedLineHits(text, reference); },
      [this](int percent) { return SetSecondProgress(percent); });
  panel_bar_[1]->Clear();
  MakeProgressPanel(3, false);
  ShowStopButton(false);
  working_ = false;
}

void TextViewerWindow::GreyOutAnyMarkup() {
  if (working_ || text_edit_->Busy()) return;
  working_ = true;
  ShowStopButton(true);
  MakeProgressPanel(2, true);
  text_edit_->GreyOutAnyMarkup({}, load_progress_);
  MakeProgressPanel(2, false);
  ShowStopButton(false);
  working_ = false;
}

bool TextViewerWindow::SaveRtfTo(const QString& file, const QString& heading,
                                 const QString& summary) {
  if (PathExists(file) && OKToDoX(Format(LX("LXOverwriteX"), {DisplayName(file)})) != mrOK)
    return false;
  if (!text_edit_->SaveAsRTF(file, heading, summary)) {
    BoxRequest failed;
    failed.name = QStringLiteral("FailedToSave");
    failed.caption = QStringLiteral("Sorvel");
    failed.text = Format(LX("LXFailedToSaveX"), {DisplayName(file)});
    failed.icon = BoxIcon::Error;
    failed.help_context = kHelpContextRelevance;
    Dialogs().Show(failed);
    return false;
  }
  if (confirm_RTF_save && SavedOKOpenNow(DisplayName(file)) == mrYes) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
  }
  return true;
}

void TextViewerWindow::SaveAsRtf() {
  const QString proposed = QFileInfo(current_short_filename).completeBaseName();
  QString file;
  if (choose_rtf_file) {
    file = choose_rtf_file(proposed);
  } else {
    const QString dir = QFileInfo(text_edit_->LoadedPath()).absolutePath();
    QString selected = LX("LXRTFFiles");
    file = QFileDialog::getSaveFileName(this, QString(),
                                        QDir(dir).filePath(proposed + QStringLiteral(".rtf")),
                                        LX("LXRTFFiles") + QStringLiteral(";;") + LX("LXAllFiles"),
                                        &selected, QFileDialog::DontConfirmOverwrite);
    // The file dialog asks no question of its own: the overwrite question
    // below is the only one.
    if (!file.isEmpty() && selected == LX("LXRTFFiles") && QFileInfo(file).suffix().isEmpty()) {
      file += QStringLiteral(".rtf");
    }
  }
  if (file.isEmpty()) return;
  SaveRtfTo(file, QString(), QString());
}

void TextViewerWindow::TrimTheText() {
  if (working_ || text_edit_->Busy()) return;
  ShowStopButton(false);
  HourGlass hour_glass;
  working_ = true;
  MakeProgressPanel(2, true);
  text_edit_->OnProgress = load_progress_;
  text_edit_->TrimTheText(true);
  panel_bar_[0]->Clear();
  MakeProgressPanel(2, false);
  working_ = false;
  ShowStopButton(false);
  // The trimmed text has other positions: the plot follows them.
  if (hit_plot_->isVisible()) {
    hit_plot_->SetRange(1, std::max<qsizetype>(1, text_edit_->ShownText().size()));
    hit_plot_->SetPlotLines(text_edit_->KeyWordPositionsAsArray());
  }
}

void TextViewerWindow::ToggleRuler() {
  // The choice is the suite's: its menu state holds it as item 46.
  constexpr int kShowRulerMenuItem = 46;
  SetMenuItemChecked(kShowRulerMenuItem, show_ruler_action_->isChecked());
  if (hit_plot_->isVisible()) hit_plot_->SetShowRuler(show_ruler_action_->isChecked());
}

void TextViewerWindow::StatusPanelClick(int panel) {
  switch (panel) {
    case 6:
      text_edit_->GotoNextKW(true);
      break;
    case 7:
      text_edit_->GotoNextKW(false);
      break;
    case 8:
      text_edit_->Stop();
      break;
    default:
      break;
  }
}

void TextViewerWindow::ShowCursorPlace(double item, double items, double line, double lines) {
  SetPanelText(kPanelCount - 1,
               Format(LX("LXItemNOfNAndLineNofN"), {item + 1, items, line, lines}));
}

void TextViewerWindow::KeywordSplitterMoved() { keyword_list_->viewport()->update(); }

void TextViewerWindow::RestoreListWidth() {
  QList<int> sizes = splitter_->sizes();
  if (sizes.size() != 2 || sizes[0] == list_width_) return;
  sizes[1] = std::max(50, sizes[1] + sizes[0] - list_width_);
  sizes[0] = list_width_;
  splitter_->setSizes(sizes);
}

int TextViewerWindow::KeywordListWidth() const { return splitter_->sizes().value(0); }

void TextViewerWindow::ShowHelp() {
  if (auto* router = HelpRouter::Instance())
    router->ShowNamedTopic(QStringLiteral("topic-viewer.html"));
}

void TextViewerWindow::ClearKeywordList() {
  keyword_list_->clear();
  show_values_ = false;
}

int TextViewerWindow::UseSearchTerms(const TermList& terms) {
  SearchList().Clear();
  ClearKeywordList();
  QStringList typed;
  for (const SearchTerm& term : terms.Terms()) {
    if (term.Negative()) continue;
    SearchList().AddOne(term);
    typed << term.typed_in;
  }
  AddStringsToLeftListbox(typed);
  return static_cast<int>(typed.size());
}

std::vector<TextViewerWindow::FoundKeyword> TextViewerWindow::FoundKeywords() const {
  std::vector<FoundKeyword> found;
  const SourceTextEdit* edit = text_edit_;
  const TermHits& hits = edit->Hits();
  for (int i = 0; i < static_cast<int>(hits.counts.size()); ++i) {
    const int count = hits.counts[static_cast<size_t>(i)];
    if (count != 0) found.push_back({hits.terms[i], i, count});
  }
  // Most hits first; keywords with equal counts keep their search order.
  std::stable_sort(found.begin(), found.end(),
                   [](const FoundKeyword& a, const FoundKeyword& b) { return a.count > b.count; });
  return found;
}

void TextViewerWindow::RefillFoundKeywords() {
  keyword_list_->clear();
  for (const FoundKeyword& f : FoundKeywords()) {
    auto* item = new QListWidgetItem(f.keyword, keyword_list_);
    item->setToolTip(QStringLiteral("%1 (%2)").arg(f.keyword).arg(f.count));
    item->setData(kHolderTerm, f.index);
    item->setData(kHolderCount, f.count);
  }
}

void TextViewerWindow::WidenListToFit() {
  const QFontMetrics fm(keyword_list_->font());
  int widest = 0;
  for (int i = 0; i < keyword_list_->count(); ++i) {
    widest = std::max(widest, list_delegate_->WidthOf(fm, keyword_list_->model()->index(i, 0)));
  }
  QList<int> sizes = splitter_->sizes();
  if (sizes.size() != 2) return;
  // The list may take up to a share of the window; longer entries are
  // elided, with the whole entry in their tooltip.
  const int share = centralWidget()->width() * kMostListShare / 100;
  const int wanted = std::min(widest + keyword_list_->verticalScrollBar()->sizeHint().width() + 8,
                              std::max(list_width_, share));
  if (wanted > sizes[0]) {
    const int grow = wanted - sizes[0];
    sizes[0] = wanted;
    sizes[1] = std::max(50, sizes[1] - grow);
    splitter_->setSizes(sizes);
  }
}

int TextViewerWindow::HighlightAnyKWS() {
  if (!Idle()) return 0;
  working_ = true;
  ShowStopButton(true);
  text_edit_->SetHeaderEndMarker(QStringLiteral("</HEADER>"));
  KeywordColours();
  show_values_ = true;

  MakeProgressPanel(3, true);
  const int first = text_edit_->HighlightKWs(
      SearchList(), [this](int percent) { return SetSecondProgress(percent); });
  MakeProgressPanel(3, false);
  RefillFoundKeywords();
  const int found = text_edit_->HighlightsFoundCount();

  ShowStopButton(false);
  keyword_list_->viewport()->update();
  WidenListToFit();
  working_ = false;

  if (found > 0) {
    hit_plot_->SetColours(Qt::black, QColor(0, 0, 128));
    hit_plot_->SetRange(1, std::max<qsizetype>(1, text_edit_->ShownText().size()));
    hit_plot_->SetPlotLines(text_edit_->KeyWordPositionsAsArray());
    hit_plot_->SetShowRuler(false);
    show_ruler_action_->setChecked(false);
    hit_plot_->show();
    keyword_list_->setCurrentRow(0);
    text_edit_->CentreOnPosition(first);
    text_edit_->GotoNextKW(false);
  } else {
    hit_plot_->hide();
  }
  return found;
}

void TextViewerWindow::HighlightOneKW(const QString& keyword) {
  if (!Idle() || keyword.isEmpty()) return;
  working_ = true;
  ShowStopButton(true);
  KeywordColours();
  MakeProgressPanel(3, true);
  const int first = text_edit_->HighlightOneKW(
      keyword, [this](int percent) { return SetSecondProgress(percent); });
  MakeProgressPanel(3, false);
  ShowStopButton(false);
  working_ = false;
  if (first >= 0) {
    text_edit_->CentreOnPosition(first);
    text_edit_->GotoNextKW(false);
  }
}

void TextViewerWindow::HighlightAllKeywords() {
  if (!Idle()) return;
  QStringList lines;
  for (int i = 0; i < keyword_list_->count(); ++i) lines << keyword_list_->item(i)->text();
  SearchList().Clear();
  SearchList().LoadFromAStringlist(lines, false);
  HighlightAnyKWS();
  keyword_list_->viewport()->update();
}

void TextViewerWindow::HighlightSelectedKeyword() {
  QListWidgetItem* item = keyword_list_->currentItem();
  if (!item || !item->isSelected()) return;
  HighlightOneKW(item->text());
}

QString TextViewerWindow::InfoOnCurrentText() const {
  const TermHits& hits = text_edit_->Hits();
  QStringList parts;
  long long total = 0;
  for (int i = 0; i < static_cast<int>(hits.counts.size()); ++i) {
    const int count = hits.counts[static_cast<size_t>(i)];
    if (count == 0) continue;
    parts << Format(QStringLiteral("%s (%d)"), {hits.terms[i], count});
    total += count;
  }
  return parts.join(QLatin1Char(',')) + QLatin1Char('\r') +
         Format(LX("LXTotalN"), {IntToSingle(total)});
}

void TextViewerWindow::ShowInfoOnScores() {
  if (!Idle()) return;
  if (text_edit_->HighlightsFoundCount() == 0) HighlightAllKeywords();
  ReportedAFact(InfoOnCurrentText(), kHelpContextRelevance);
}

void TextViewerWindow::KeywordClicked() {
  QListWidgetItem* item = keyword_list_->currentItem();
  if (!item || !item->isSelected()) return;
  const int row = keyword_list_->row(item);
  const QVariant term = item->data(kHolderTerm);
  if (row < SearchList().Count() && term.isValid()) text_edit_->SetCurrentKW(term.toInt());
}

std::pair<QString, int> TextViewerWindow::KeywordItem(int i) const {
  QListWidgetItem* item = keyword_list_->item(i);
  if (!item) return {QString(), kNoHolderValue};
  const QVariant count = item->data(kHolderCount);
  return {item->text(), count.isValid() ? count.toInt() : kNoHolderValue};
}

void TextViewerWindow::closeEvent(QCloseEvent* event) {
  // Closing hides the window; its owner keeps it for the next text.
  text_edit_->Stop();
  event->accept();
}
