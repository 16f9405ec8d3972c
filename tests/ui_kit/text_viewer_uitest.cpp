// The text viewer window offscreen: opening texts, the info panels, its
// progress bars, similarity highlighting, stepping, trimming and saving RTF.

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QtTest>

#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/search_list.h"
#include "support/test_support.h"
#include "ui_kit/hit_plot_bar_widget.h"
#include "ui_kit/progress_bar_widget.h"
#include "ui_kit/text_viewer_window.h"
#include "ui_kit/tool_window_base.h"

namespace {

// The formats drawn over the block that holds position: (position, length,
// bold) for every range set on the block. Blocks get their formats when they
// are painted, so the text is painted first.
struct Drawn {
  int start;
  int length;
  bool bold;
};
std::vector<Drawn> DrawnAt(SourceTextEdit* edit, int position) {
  std::vector<Drawn> out;
  edit->grab();
  const QTextBlock b = edit->document()->findBlock(position);
  for (const QTextLayout::FormatRange& r : b.layout()->formats()) {
    out.push_back({b.position() + r.start, r.length, r.format.fontWeight() == QFont::Bold});
  }
  return out;
}

bool IsBoldAt(SourceTextEdit* edit, int position) {
  for (const Drawn& d : DrawnAt(edit, position)) {
    if (d.bold && position >= d.start && position < d.start + d.length) return true;
  }
  return false;
}

}  // namespace

class TextViewerTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    dialogs_.Clear();
    SetDialogInterface(&dialogs_);
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void OpensTextsAndShowsInfoPanels();
  void ProgressBarsReadLikeTheMainWindows();
  void CallerStatusBarStopPanelFollowsTheRun();
  void HighlightsLinesSharedWithReference();
  void StepsThroughHitsAndReportsPosition();
  void GreysOutMarkupAtLoadAndTrimsText();
  void SavesRtfOnlyWithConsent();
  void ShowsTextsAsWrittenWithTheirEncoding();

 private:
  ScriptedDialogs dialogs_;
};

void TextViewerTest::OpensTextsAndShowsInfoPanels() {
  TempTree tree;
  const QString first =
      tree.WriteText(QStringLiteral("one/first.txt"), QStringLiteral("alpha line\nsecond line\n"));
  const QString second =
      tree.WriteText(QStringLiteral("two/second.txt"), QStringLiteral("other text\n"));
  TextViewerWindow viewer;
  QVERIFY(viewer.PanelCount() >= 11);
  QVERIFY(!viewer.HitPlot()->isVisible());
  QVERIFY(viewer.confirm_RTF_save);

  QVERIFY(viewer.OpenAndShowAText({first, QStringLiteral("1,234"), QStringLiteral("7")}));
  QVERIFY(viewer.isVisible());
  QCOMPARE(viewer.windowTitle(), QStringLiteral("first.txt"));
  QCOMPARE(viewer.CurrentShortFilename(), QStringLiteral("first.txt"));
  QCOMPARE(viewer.TextEdit()->toPlainText(), QStringLiteral("alpha line\nsecond line"));
  QCOMPARE(viewer.PanelText(2), QStringLiteral("1,234 ") + LX("LXWords"));
  QCOMPARE(viewer.PanelText(3), QStringLiteral("7 ") + LX("LXHitTypes"));
  // The cursor sits at the start: no hit, line 1 of 2.
  QCOMPARE(viewer.PanelText(viewer.PanelCount() - 1),
           Format(LX("LXItemNOfNAndLineNofN"), {0.0, 0.0, 1.0, 2.0}));

  // The second text replaces caption, text and panels; empty info texts
  // leave the panels empty.
  viewer.HitPlot()->show();
  QVERIFY(viewer.OpenAndShowAText({second, QString(), QString()}));
  QCOMPARE(viewer.windowTitle(), QStringLiteral("second.txt"));
  QCOMPARE(viewer.TextEdit()->toPlainText(), QStringLiteral("other text"));
  QVERIFY(viewer.PanelText(2).isEmpty());
  QVERIFY(viewer.PanelText(3).isEmpty());
  QVERIFY(!viewer.HitPlot()->isVisible());

  // A file that cannot be read, or a folder, is not shown, and nothing is
  // said about it.
  TextViewerWindow unused;
  QVERIFY(
      !unused.OpenAndShowAText({tree.Path(QStringLiteral("missing.txt")), QString(), QString()}));
  QVERIFY(!unused.OpenAndShowAText({tree.MakeDir(QStringLiteral("folder")), QString(), QString()}));
  QVERIFY(!unused.isVisible());
  QVERIFY(unused.CurrentShortFilename().isEmpty());
  QVERIFY(dialogs_.Shown().empty());
}

void TextViewerTest::ProgressBarsReadLikeTheMainWindows() {
  // The viewer's bars are the main window's kind: they show their
  // percentage as text, worded alike.
  TextViewerWindow viewer;
  ToolStatusBar main_bar;
  viewer.SetSecondProgress(37);
  main_bar.SetPanelBar(2, 37);
  ProgressTextBar* bar = viewer.PanelBar(3);
  QVERIFY(bar && bar->isTextVisible());
  QCOMPARE(bar->text(), QStringLiteral("37%"));
  QCOMPARE(main_bar.Bar(2)->text(), bar->text());
  viewer.SetFirstProgress(100);
  QCOMPARE(viewer.PanelBar(2)->text(), QStringLiteral("100%"));
  // A bar at 0 with no count is blank, not "0%".
  viewer.SetSecondProgress(0);
  QVERIFY(bar->text().isEmpty());

  // The wording: a count with its percentage and the time left, which is
  // given in seconds below a minute, in minutes below an hour.
  const QLocale locale;
  QCOMPARE(ProgressBarText(6, 1234, 20000, 150 * 1000),
           QStringLiteral("%1 of %2 (6%) · about 3 min left")
               .arg(locale.toString(1234), locale.toString(20000)));
  QCOMPARE(TimeLeftText(59 * 1000), QStringLiteral("about 59 s left"));
  QCOMPARE(TimeLeftText(60 * 1000), QStringLiteral("about 1 min left"));
  QCOMPARE(TimeLeftText(65 * 60 * 1000), QStringLiteral("about 1 h 5 min left"));
}

void TextViewerTest::CallerStatusBarStopPanelFollowsTheRun() {
  TempTree tree;
  const QString file =
      tree.WriteText(QStringLiteral("a.txt"), QStringLiteral("same\nother\nsame\n"));
  QStatusBar caller;
  auto* caller_stop = new QToolButton(&caller);
  caller_stop->setObjectName(QStringLiteral("StatusPanel8"));
  caller_stop->setEnabled(false);  // the caller is idle
  caller.addWidget(caller_stop);
  caller.show();
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}, &caller));
  // Both Stop buttons keep their place and can be pressed only during a run.
  QVERIFY(caller_stop->isVisible() && !caller_stop->isEnabled());
  QVERIFY(viewer.Panel(8)->isVisible() && !viewer.Panel(8)->isEnabled());

  bool seen_during_run = false;
  const QStringList reference{QStringLiteral("same")};
  viewer.SetComparisonWholeLines(&reference);
  QTimer::singleShot(
      0, [&] { seen_during_run = caller_stop->isEnabled() && viewer.Panel(8)->isEnabled(); });
  viewer.HighlightSimilarities();
  QCoreApplication::processEvents();
  QVERIFY(seen_during_run);
  QVERIFY(caller_stop->isVisible() && !caller_stop->isEnabled());
  QVERIFY(viewer.Panel(8)->isVisible() && !viewer.Panel(8)->isEnabled());
  // A caller whose own tool runs keeps its Stop after the viewer's run.
  caller_stop->setEnabled(true);
  viewer.HighlightSimilarities();
  QVERIFY(caller_stop->isEnabled());
}

void TextViewerTest::HighlightsLinesSharedWithReference() {
  TempTree tree;
  // Which lines count is the span finder's (its own tests); here: what is
  // drawn, and what is left alone.
  const QString file = tree.WriteText(
      QStringLiteral("member.txt"),
      QStringLiteral(
          "shared line\nown line\n\nshared line\nnot the shared line here\nlast shared\n"));
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  viewer.AddStringsToLeftListbox({QStringLiteral("kw")});

  // No comparison lines: nothing is highlighted.
  viewer.HighlightSimilarities();
  QCOMPARE(viewer.TextEdit()->HighlightsFoundCount(), 0);

  // A viewer given comparison lines highlights at once when it opens a text.
  const QStringList reference{QStringLiteral("shared line"), QStringLiteral("last shared")};
  viewer.SetComparisonWholeLines(&reference);
  QVERIFY(viewer.OpenAndShowAText({file, QStringLiteral("(2)"), QString()}));
  const SourceTextEdit* edit = viewer.TextEdit();
  QCOMPARE(edit->HighlightsFoundCount(), 3);
  const QString shown = edit->ShownText();
  const std::vector<int> hits = edit->KeyWordPositionsAsArray();
  QCOMPARE(hits.size(), size_t{3});
  // Drawn in bold over the whole line, and only there.
  QVERIFY(IsBoldAt(viewer.TextEdit(), hits[1]));
  QVERIFY(IsBoldAt(viewer.TextEdit(), hits[1] + 10));
  QVERIFY(
      !IsBoldAt(viewer.TextEdit(), static_cast<int>(shown.indexOf(QStringLiteral("own line")))));
  QVERIFY(!IsBoldAt(viewer.TextEdit(),
                    static_cast<int>(shown.indexOf(QStringLiteral("the shared")) + 4)));
  // The keyword list and the ruler plot are left alone.
  QCOMPARE(viewer.KeywordList()->count(), 1);
  QVERIFY(!viewer.HitPlot()->isVisible());

  // A reference that shares one line only: the other highlights go, the
  // drawn ones included.
  const QStringList fewer{QStringLiteral("last shared")};
  viewer.SetComparisonWholeLines(&fewer);
  viewer.HighlightSimilarities();
  QCOMPARE(edit->HighlightsFoundCount(), 1);
  QVERIFY(!IsBoldAt(viewer.TextEdit(), hits[1]));
  QVERIFY(IsBoldAt(viewer.TextEdit(), hits[2]));

  // Without reference lines only the search list is emptied.
  viewer.SearchList().Add(QStringLiteral("own"));
  viewer.SetComparisonWholeLines(nullptr);
  viewer.HighlightSimilarities();
  QCOMPARE(viewer.SearchList().Count(), 0);
  QCOMPARE(edit->HighlightsFoundCount(), 1);
}

void TextViewerTest::StepsThroughHitsAndReportsPosition() {
  TempTree tree;
  const QString file = tree.WriteText(QStringLiteral("s.txt"), QStringLiteral("x\ny\nx\nz\nx\n"));
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  const QStringList reference{QStringLiteral("x"), QStringLiteral("z")};
  viewer.SetComparisonWholeLines(&reference);
  viewer.HighlightSimilarities();
  SourceTextEdit* edit = viewer.TextEdit();
  QCOMPARE(edit->KeyWordPositionsAsArray(), (std::vector<int>{0, 4, 6, 8}));
  QCOMPARE(edit->CountAndFirstPosOfKWPositions(0), std::make_pair(3, 0));
  QCOMPARE(edit->CountAndFirstPosOfKWPositions(1), std::make_pair(1, 6));

  // ">" from the start takes the hit under the cursor first, then the rest,
  // and wraps round; "<" goes back.
  auto press = [&](int panel) { static_cast<QToolButton*>(viewer.Panel(panel))->click(); };
  press(7);
  QCOMPARE(edit->textCursor().selectionStart(), 0);
  QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("x"));
  press(7);
  QCOMPARE(edit->textCursor().selectionStart(), 4);
  QCOMPARE(viewer.PanelText(viewer.PanelCount() - 1),
           Format(LX("LXItemNOfNAndLineNofN"), {2.0, 4.0, 3.0, 5.0}));
  press(6);
  QCOMPARE(edit->textCursor().selectionStart(), 0);
  press(6);
  QCOMPARE(edit->textCursor().selectionStart(), 8);
  // Stepping through one keyword's hits is the keyword highlighting test's.
}

void TextViewerTest::GreysOutMarkupAtLoadAndTrimsText() {
  TempTree tree;
  const QString file = tree.WriteText(
      QStringLiteral("m.txt"), QStringLiteral("<HEADER>head</HEADER>\n  body <b>text</b>  \n\n\n\n"
                                              "a < b is prose\nend\n"));
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  SourceTextEdit* edit = viewer.TextEdit();
  QCOMPARE(edit->GreyedTagCount(), 4);
  const QString shown = edit->ShownText();
  auto grey_at = [&](int pos) {
    for (const Drawn& d : DrawnAt(edit, pos)) {
      if (pos >= d.start && pos < d.start + d.length) return true;
    }
    return false;
  };
  QVERIFY(grey_at(static_cast<int>(shown.indexOf(QStringLiteral("<b>")))));
  QVERIFY(!grey_at(static_cast<int>(shown.indexOf(QStringLiteral("text")))));

  // Lines shared with a reference stay highlighted after trimming, at their
  // new places.
  const QStringList reference{QStringLiteral("end")};
  viewer.SetComparisonWholeLines(&reference);
  viewer.HighlightSimilarities();
  QCOMPARE(edit->HighlightsFoundCount(), 1);

  QMenu* menu = viewer.HighlightMenu();
  QAction* trim = menu->findChild<QAction*>(QStringLiteral("HighlightTrimthetext1"));
  QVERIFY(trim);
  trim->trigger();
  QCOMPARE(edit->toPlainText(), QStringLiteral("head\nbody text\n\na < b is prose\nend"));
  QCOMPARE(edit->GreyedTagCount(), 0);
  QCOMPARE(edit->KeyWordPositionsAsArray(),
           std::vector<int>{static_cast<int>(edit->ShownText().indexOf(QStringLiteral("end")))});
  // The file itself is untouched.
  QVERIFY(ReadAll(file).startsWith("<HEADER>"));
}

void TextViewerTest::SavesRtfOnlyWithConsent() {
  TempTree tree;
  const QString file = tree.WriteText(QStringLiteral("r.txt"), QStringLiteral("one\nplain\n"));
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  QString proposed;
  const QString target = tree.Path(QStringLiteral("out.rtf"));
  viewer.choose_rtf_file = [&](const QString& p) {
    proposed = p;
    return target;
  };
  viewer.findChild<QAction*>(QStringLiteral("SaveasRTF1"))->trigger();
  QCOMPARE(proposed, QStringLiteral("r"));
  QVERIFY(ReadAll(target).startsWith("{\\rtf1"));
  QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("SavedOKOpenNow")});

  // An existing target: declining keeps it as it was.
  dialogs_.Clear();
  tree.Write(QStringLiteral("out.rtf"), "keep me");
  dialogs_.QueueAnswer(mrCancel);
  viewer.findChild<QAction*>(QStringLiteral("SaveasRTF1"))->trigger();
  QCOMPARE(ReadAll(target), QByteArray("keep me"));
  QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("OKToDoX")});

  // Agreeing overwrites; with the offer to open switched off none follows.
  dialogs_.Clear();
  viewer.confirm_RTF_save = false;
  dialogs_.QueueAnswer(mrOK);
  viewer.findChild<QAction*>(QStringLiteral("SaveasRTF1"))->trigger();
  QVERIFY(ReadAll(target).startsWith("{\\rtf1"));
  QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("OKToDoX")});

  // A target that cannot be written is reported, not passed over.
  dialogs_.Clear();
  QVERIFY(
      !viewer.SaveRtfTo(tree.Path(QStringLiteral("no/such/folder/x.rtf")), QString(), QString()));
  QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("FailedToSave")});
  QVERIFY(dialogs_.Shown().at(0).icon == BoxIcon::Error);
}

void TextViewerTest::ShowsTextsAsWrittenWithTheirEncoding() {
  // The viewer reads with the program's text reader (whose own tests cover
  // the decoding) and names the encoding it found.
  TempTree tree;
  const QString latin =
      tree.Write(QStringLiteral("latin.txt"), QByteArray("Das ist unm\xF6glich sch\xF6n.\n"));
  const QString utf16 =
      tree.Write(QStringLiteral("utf16.txt"), Utf16LeWithBom(QStringLiteral("Grüße")));
  TextViewerWindow viewer;
  auto* encoding = viewer.StatusBar()->findChild<QLabel*>(QStringLiteral("EncodingPanel"));
  QVERIFY(encoding);
  QVERIFY(viewer.OpenAndShowAText({latin, QString(), QString()}));
  QCOMPARE(viewer.TextEdit()->toPlainText(), QStringLiteral("Das ist unmöglich schön."));
  QCOMPARE(encoding->text(), QStringLiteral("windows-1252"));
  QVERIFY(viewer.OpenAndShowAText({utf16, QString(), QString()}));
  QCOMPARE(encoding->text(), QStringLiteral("UTF-16 LE"));
}

QTEST_MAIN(TextViewerTest)
#include "text_viewer_uitest.moc"
