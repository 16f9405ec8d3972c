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
#include <QProgressBar>
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
  if (SourceTextRich_) SourceTextRich_->Stop();
  ShowStopButton(false);
}

void TextViewerWindow::BuildWindow() {
  resize(784, 426);

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  AdvSplitter1_ = new QSplitter(Qt::Horizontal, central);
  AdvSplitter1_->setObjectName(QStringLiteral("AdvSplitter1"));
  // A handle wide enough to grab, drawn so that it can be seen.
  AdvSplitter1_->setHandleWidth(8);
  AdvSplitter1_->setChildrenCollapsible(false);
  AdvSplitter1_->setStyleSheet(
      QStringLiteral("QSplitter::handle { background: palette(mid); "
                     "margin: 0 2px; }"));

  auto* left = new QWidget(AdvSplitter1_);
  left->setObjectName(QStringLiteral("PanelLeft"));
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  StyledListboxKWs_ = new QListWidget(left);
  StyledListboxKWs_->setObjectName(QStringLiteral("StyledListboxKWs"));
  list_delegate_ = new KeywordListDelegate(&show_values_, StyledListboxKWs_);
  StyledListboxKWs_->setItemDelegate(list_delegate_);
  StyledListboxKWs_->setUniformItemSizes(true);
  StyledListboxKWs_->setSelectionMode(QAbstractItemView::SingleSelection);
  StyledListboxKWs_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  {
    QPalette p = StyledListboxKWs_->palette();
    p.setColor(QPalette::Base, kListBackground);
    StyledListboxKWs_->setPalette(p);
  }
  left_layout->addWidget(StyledListboxKWs_);

  SourceTextRich_ = new SourceTextEdit(AdvSplitter1_);
  SourceTextRich_->setObjectName(QStringLiteral("SourceTextRich"));
  SourceTextRich_->setFrameShape(QFrame::StyledPanel);
  SourceTextRich_->document()->setDocumentMargin(4);

  AdvSplitter1_->addWidget(left);
  AdvSplitter1_->addWidget(SourceTextRich_);
  AdvSplitter1_->setStretchFactor(0, 0);
  AdvSplitter1_->setStretchFactor(1, 1);
  AdvSplitter1_->setSizes({list_width_, 784 - list_width_ - 23});
  row->addWidget(AdvSplitter1_, 1);

  PCPLotBar1_ = new HitPlotBar(central);
  PCPLotBar1_->setObjectName(QStringLiteral("PCPLotBar1"));
  PCPLotBar1_->SetColours(Qt::black, QColor(0, 0, 128));
  row->addWidget(PCPLotBar1_);
  setCentralWidget(central);

  // Progress of loading goes to panel 2.
  LoadProgress = [this](int percent) { return SetProgress2(percent); };
  SourceTextRich_->OnProgress = LoadProgress;

  BuildStatusBar();
  PCPLotBar1_->hide();
  confirm_RTF_save = true;

  // The text's font: the suite's text settings give a general-purpose font.
  QFont text_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  SourceTextRich_->SetFont(text_font.family(), std::max(10.0, text_font.pointSizeF()));

  BuildMenu();

  connect(SourceTextRich_, &SourceTextEdit::LineShowMessage, this,
          &TextViewerWindow::SourceTextRichLineShowMessage);
  // F3 and Shift+F3 step through the hits as ">" and "<" do.
  auto* next_hit = new QShortcut(QKeySequence(Qt::Key_F3), this);
  connect(next_hit, &QShortcut::activated, this, [this] { StatusPanelClick(7); });
  auto* previous_hit = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
  connect(previous_hit, &QShortcut::activated, this, [this] { StatusPanelClick(6); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, &TextViewerWindow::ShowHelp);
  connect(StyledListboxKWs_, &QListWidget::itemClicked, this, [this] { KeywordClicked(); });
  connect(StyledListboxKWs_, &QListWidget::itemActivated, this, [this] { KeywordClicked(); });
  connect(AdvSplitter1_, &QSplitter::splitterMoved, this, [this] {
    // The user's own choice of width is kept for the texts that follow.
    list_width_ = AdvSplitter1_->sizes().value(0, list_width_);
    KeywordSplitterMoved();
  });
  connect(PCPLotBar1_, &HitPlotBar::PositionClicked, this, [this](long long position) {
    SourceTextRich_->CentreOnPosition(static_cast<int>(position));
  });
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
      auto* progress = new QProgressBar(stack);
      progress->setRange(0, 100);
      progress->setTextVisible(false);
      progress->setMaximumHeight(14);
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
  AdvPopupMenuHighlighter_ = new QMenu(this);
  AdvPopupMenuHighlighter_->setObjectName(QStringLiteral("AdvPopupMenuHighlighter"));
  auto add = [this](const char* name, const QString& caption, void (TextViewerWindow::*handler)()) {
    QAction* a = AdvPopupMenuHighlighter_->addAction(caption);
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
  Showruler1_ = add("Showruler1", QStringLiteral("Show ruler"), &TextViewerWindow::ToggleRuler);
  Showruler1_->setCheckable(true);
  AdvPopupMenuHighlighter_->addSeparator();
  add("Highlightsimilarities1", QStringLiteral("Highlight similarities"),
      &TextViewerWindow::HighlightSimilarities);
  AdvPopupMenuHighlighter_->addSeparator();
  add("ViewerHelp", QStringLiteral("Help on the viewer (F1)"), &TextViewerWindow::ShowHelp);

  for (QWidget* w :
       {static_cast<QWidget*>(SourceTextRich_), static_cast<QWidget*>(StyledListboxKWs_),
        static_cast<QWidget*>(PCPLotBar1_)}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [this, w](const QPoint& pos) { ShowPopup(w, pos); });
  }
}

void TextViewerWindow::ShowPopup(QWidget* from, const QPoint& pos) {
  QWidget* target = from == SourceTextRich_ ? SourceTextRich_->viewport() : from;
  AdvPopupMenuHighlighter_->popup(target->mapToGlobal(pos));
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
  if (progress) panel_bar_[panel - 2]->setValue(0);
}

bool TextViewerWindow::SetProgress2(int percent) {
  QCoreApplication::processEvents();
  panel_bar_[0]->setValue(std::clamp(percent, 0, 100));
  return true;
}

bool TextViewerWindow::SetProgress3(int percent) {
  QCoreApplication::processEvents();
  panel_bar_[1]->setValue(std::clamp(percent, 0, 100));
  return true;
}

void TextViewerWindow::SetProgress3DoneOfTotal(long long done, long long total) {
  SetProgress3(total > 0 ? static_cast<int>(done * 100 / total) : 0);
}

void TextViewerWindow::ShowStopButton(bool show) {
  if (panels_.size() > 8) panels_[8]->setEnabled(show);
  if (!PaiStatusBar) return;
  QWidget* caller_stop = CallerStopPanel(PaiStatusBar);
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
          connect(button, &QAbstractButton::clicked, SourceTextRich_, &SourceTextEdit::Stop);
    }
  }
}

void TextViewerWindow::KeywordColours() {
  SourceTextRich_->SetColoursEtc(true, kKeywordText, kKeywordBackground, true);
}

bool TextViewerWindow::Idle() const { return !working_ && !SourceTextRich_->Busy(); }

bool TextViewerWindow::OpenAndShowAText(const ViewerFileDetails& details, QWidget* caller_status) {
  if (!Idle()) return false;
  PCPLotBar1_->hide();
  current_short_filename.clear();
  HourGlass hour_glass;

  if (caller_status) {
    PaiStatusBar = caller_status;
    MakeProgressPanel(2, true);
    MakeProgressPanel(3, true);
    if (QWidget* caller_stop = CallerStopPanel(caller_status)) {
      if (auto* b = qobject_cast<QAbstractButton*>(caller_stop)) {
        b->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
      }
    }
  }

  SourceTextRich_->SetMarkupEtc(false, GetIgnoreTagsSpan());
  SourceTextRich_->SetMarkupEtc(QLatin1Char('<'), QLatin1Char('>'));
  SourceTextRich_->SetColoursEtc(false, QColor(Qt::black), QColor(Qt::white), false);
  KeywordColours();

  MakeProgressPanel(2, true);
  working_ = true;
  const bool loaded = SourceTextRich_->LoadedASourceText(details.full_path);
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
  for (int i = 0; i < StyledListboxKWs_->count(); ++i) {
    StyledListboxKWs_->item(i)->setData(kHolderTerm, QVariant());
    StyledListboxKWs_->item(i)->setData(kHolderCount, QVariant());
  }
  StyledListboxKWs_->viewport()->update();

  if (SourceTextRich_->LineCount() < SourceTextRich_->AutoGreyOutLineLimit()) {
    MakeProgressPanel(3, true);
    working_ = true;
    ShowStopButton(true);
    SourceTextRich_->GreyOutAnyMarkup(
        [this](long long done, long long total) { SetProgress3DoneOfTotal(done, total); },
        LoadProgress);
    ShowStopButton(false);
    working_ = false;
  }

  MakeProgressPanel(2, false);
  MakeProgressPanel(3, false);
  current_short_filename = QFileInfo(details.full_path).fileName();
  setWindowTitle(DisplayName(current_short_filename));
  encoding_label_->setText(SourceTextRich_->LoadedEncoding());
  panel_bar_[1]->setValue(0);
  SetPanelText(2, details.info1.isEmpty()
                      ? QString()
                      : Format(QStringLiteral("%s ") + LX("LXWords"), {details.info1}));
  SetPanelText(3, details.info2.isEmpty()
                      ? QString()
                      : Format(QStringLiteral("%s ") + LX("LXHitTypes"), {details.info2}));
  if (!isVisible()) show();
  // A viewer given the lines of a reference text (a member of a duplicate
  // group) shows the lines it shares with it straight away.
  if (ComparisonWholeLines && !ComparisonWholeLines->isEmpty()) HighlightSimilarities();
  SourceTextRich_->moveCursor(QTextCursor::Start);
  SourceTextRich_->verticalScrollBar()->setValue(0);
  return true;
}

void TextViewerWindow::AddStringsToLeftListbox(const QStringList& lines) {
  StyledListboxKWs_->clear();
  show_values_ = false;
  StyledListboxKWs_->addItems(lines);
  for (int i = 0; i < StyledListboxKWs_->count(); ++i)
    StyledListboxKWs_->item(i)->setToolTip(lines[i]);
  KeywordColours();
}

void TextViewerWindow::HighlightSimilarities() {
  if (working_ || SourceTextRich_->Busy()) return;
  // The search list holds no keywords while shared lines are shown; without
  // reference lines that is all that happens.
  SearchList().Clear();
  if (!ComparisonWholeLines || ComparisonWholeLines->isEmpty()) return;
  const QStringList reference = *ComparisonWholeLines;
  working_ = true;
  ShowStopButton(true);
  MakeProgressPanel(3, true);
  KeywordColours();
  SourceTextRich_->HighlightWith(
      [reference](QStringView text) { return SharedLineHits(text, reference); },
      [this](int percent) { return SetProgress3(percent); });
  panel_bar_[1]->setValue(0);
  MakeProgressPanel(3, false);
  ShowStopButton(false);
  working_ = false;
}

void TextViewerWindow::GreyOutAnyMarkup() {
  if (working_ || SourceTextRich_->Busy()) return;
  working_ = true;
  ShowStopButton(true);
  MakeProgressPanel(2, true);
  SourceTextRich_->GreyOutAnyMarkup({}, LoadProgress);
  MakeProgressPanel(2, false);
  ShowStopButton(false);
  working_ = false;
}

bool TextViewerWindow::SaveRtfTo(const QString& file, const QString& heading,
                                 const QString& summary) {
  if (PathExists(file) && OKToDoX(Format(LX("LXOverwriteX"), {DisplayName(file)})) != mrOK)
    return false;
  if (!SourceTextRich_->SaveAsRTF(file, heading, summary)) {
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
    const QString dir = QFileInfo(SourceTextRich_->LoadedPath()).absolutePath();
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
  if (working_ || SourceTextRich_->Busy()) return;
  ShowStopButton(false);
  HourGlass hour_glass;
  working_ = true;
  MakeProgressPanel(2, true);
  SourceTextRich_->OnProgress = LoadProgress;
  SourceTextRich_->TrimTheText(true);
  panel_bar_[0]->setValue(0);
  MakeProgressPanel(2, false);
  working_ = false;
  ShowStopButton(false);
  // The trimmed text has other positions: the plot follows them.
  if (PCPLotBar1_->isVisible()) {
    PCPLotBar1_->SetRange(1, std::max<qsizetype>(1, SourceTextRich_->ShownText().size()));
    PCPLotBar1_->SetPlotLines(SourceTextRich_->KeyWordPositionsAsArray());
  }
}

void TextViewerWindow::ToggleRuler() {
  // The choice is the suite's: its menu state holds it as item 46.
  constexpr int kShowRulerMenuItem = 46;
  SetMenuItemChecked(kShowRulerMenuItem, Showruler1_->isChecked());
  if (PCPLotBar1_->isVisible()) PCPLotBar1_->SetShowRuler(Showruler1_->isChecked());
}

void TextViewerWindow::StatusPanelClick(int panel) {
  switch (panel) {
    case 6:
      SourceTextRich_->GotoNextKW(true);
      break;
    case 7:
      SourceTextRich_->GotoNextKW(false);
      break;
    case 8:
      SourceTextRich_->Stop();
      break;
    default:
      break;
  }
}

void TextViewerWindow::SourceTextRichLineShowMessage(double item, double items, double line,
                                                     double lines) {
  SetPanelText(kPanelCount - 1,
               Format(LX("LXItemNOfNAndLineNofN"), {item + 1, items, line, lines}));
}

void TextViewerWindow::KeywordSplitterMoved() { StyledListboxKWs_->viewport()->update(); }

void TextViewerWindow::RestoreListWidth() {
  QList<int> sizes = AdvSplitter1_->sizes();
  if (sizes.size() != 2 || sizes[0] == list_width_) return;
  sizes[1] = std::max(50, sizes[1] + sizes[0] - list_width_);
  sizes[0] = list_width_;
  AdvSplitter1_->setSizes(sizes);
}

int TextViewerWindow::KeywordListWidth() const { return AdvSplitter1_->sizes().value(0); }

void TextViewerWindow::ShowHelp() {
  if (auto* router = HelpRouter::Instance())
    router->ShowNamedTopic(QStringLiteral("topic-viewer.html"));
}

void TextViewerWindow::ClearKeywordList() {
  StyledListboxKWs_->clear();
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
  const SourceTextEdit* edit = SourceTextRich_;
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
  StyledListboxKWs_->clear();
  for (const FoundKeyword& f : FoundKeywords()) {
    auto* item = new QListWidgetItem(f.keyword, StyledListboxKWs_);
    item->setToolTip(QStringLiteral("%1 (%2)").arg(f.keyword).arg(f.count));
    item->setData(kHolderTerm, f.index);
    item->setData(kHolderCount, f.count);
  }
}

void TextViewerWindow::WidenListToFit() {
  const QFontMetrics fm(StyledListboxKWs_->font());
  int widest = 0;
  for (int i = 0; i < StyledListboxKWs_->count(); ++i) {
    widest = std::max(widest, list_delegate_->WidthOf(fm, StyledListboxKWs_->model()->index(i, 0)));
  }
  QList<int> sizes = AdvSplitter1_->sizes();
  if (sizes.size() != 2) return;
  // The list may take up to a share of the window; longer entries are
  // elided, with the whole entry in their tooltip.
  const int share = centralWidget()->width() * kMostListShare / 100;
  const int wanted =
      std::min(widest + StyledListboxKWs_->verticalScrollBar()->sizeHint().width() + 8,
               std::max(list_width_, share));
  if (wanted > sizes[0]) {
    const int grow = wanted - sizes[0];
    sizes[0] = wanted;
    sizes[1] = std::max(50, sizes[1] - grow);
    AdvSplitter1_->setSizes(sizes);
  }
}

int TextViewerWindow::HighlightAnyKWS() {
  if (!Idle()) return 0;
  working_ = true;
  ShowStopButton(true);
  SourceTextRich_->SetHeaderEndMarker(QStringLiteral("</HEADER>"));
  KeywordColours();
  show_values_ = true;

  MakeProgressPanel(3, true);
  const int first = SourceTextRich_->HighlightKWs(
      SearchList(), [this](int percent) { return SetProgress3(percent); });
  MakeProgressPanel(3, false);
  RefillFoundKeywords();
  const int found = SourceTextRich_->HighlightsFoundCount();

  ShowStopButton(false);
  StyledListboxKWs_->viewport()->update();
  WidenListToFit();
  working_ = false;

  if (found > 0) {
    PCPLotBar1_->SetColours(Qt::black, QColor(0, 0, 128));
    PCPLotBar1_->SetRange(1, std::max<qsizetype>(1, SourceTextRich_->ShownText().size()));
    PCPLotBar1_->SetPlotLines(SourceTextRich_->KeyWordPositionsAsArray());
    PCPLotBar1_->SetShowRuler(false);
    Showruler1_->setChecked(false);
    PCPLotBar1_->show();
    StyledListboxKWs_->setCurrentRow(0);
    SourceTextRich_->CentreOnPosition(first);
    SourceTextRich_->GotoNextKW(false);
  } else {
    PCPLotBar1_->hide();
  }
  return found;
}

void TextViewerWindow::HighlightOneKW(const QString& keyword) {
  if (!Idle() || keyword.isEmpty()) return;
  working_ = true;
  ShowStopButton(true);
  KeywordColours();
  MakeProgressPanel(3, true);
  const int first = SourceTextRich_->HighlightOneKW(
      keyword, [this](int percent) { return SetProgress3(percent); });
  MakeProgressPanel(3, false);
  ShowStopButton(false);
  working_ = false;
  if (first >= 0) {
    SourceTextRich_->CentreOnPosition(first);
    SourceTextRich_->GotoNextKW(false);
  }
}

void TextViewerWindow::HighlightAllKeywords() {
  if (!Idle()) return;
  QStringList lines;
  for (int i = 0; i < StyledListboxKWs_->count(); ++i) lines << StyledListboxKWs_->item(i)->text();
  SearchList().Clear();
  SearchList().LoadFromAStringlist(lines, false);
  HighlightAnyKWS();
  StyledListboxKWs_->viewport()->update();
}

void TextViewerWindow::HighlightSelectedKeyword() {
  QListWidgetItem* item = StyledListboxKWs_->currentItem();
  if (!item || !item->isSelected()) return;
  HighlightOneKW(item->text());
}

QString TextViewerWindow::InfoOnCurrentText() const {
  const TermHits& hits = SourceTextRich_->Hits();
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
  if (SourceTextRich_->HighlightsFoundCount() == 0) HighlightAllKeywords();
  ReportedAFact(InfoOnCurrentText(), kHelpContextRelevance);
}

void TextViewerWindow::KeywordClicked() {
  QListWidgetItem* item = StyledListboxKWs_->currentItem();
  if (!item || !item->isSelected()) return;
  const int row = StyledListboxKWs_->row(item);
  const QVariant term = item->data(kHolderTerm);
  if (row < SearchList().Count() && term.isValid()) SourceTextRich_->SetCurrentKW(term.toInt());
}

std::pair<QString, int> TextViewerWindow::KeywordItem(int i) const {
  QListWidgetItem* item = StyledListboxKWs_->item(i);
  if (!item) return {QString(), kNoHolderValue};
  const QVariant count = item->data(kHolderCount);
  return {item->text(), count.isValid() ? count.toInt() : kNoHolderValue};
}

void TextViewerWindow::closeEvent(QCloseEvent* event) {
  // Closing hides the window; its owner keeps it for the next text.
  SourceTextRich_->Stop();
  event->accept();
}
