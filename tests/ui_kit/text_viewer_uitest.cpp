// The text viewer window offscreen: opening texts, its panels and bars,
// similarity and keyword highlighting, stepping, trimming and saving RTF.

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
#include "runtime/settings.h"
#include "support/test_support.h"
#include "ui_kit/hit_plot_bar_widget.h"
#include "ui_kit/progress_bar_widget.h"
#include "ui_kit/text_viewer_window.h"

namespace {

// The format drawn over position, empty where none is. Blocks get their
// formats when they are painted, so the text is painted first.
QTextCharFormat FormatAt(SourceTextEdit* edit, int position) {
  edit->grab();
  const QTextBlock b = edit->document()->findBlock(position);
  const int at = position - b.position();
  for (const QTextLayout::FormatRange& r : b.layout()->formats())
    if (at >= r.start && at < r.start + r.length) return r.format;
  return {};
}
bool DrawnAt(SourceTextEdit* edit, int position) {
  return !FormatAt(edit, position).properties().isEmpty();
}
bool IsBoldAt(SourceTextEdit* edit, int position) {
  return FormatAt(edit, position).fontWeight() == QFont::Bold;
}

// The colour behind a highlighted keyword.
const QColor kKeywordYellow(255, 236, 139);

// alpha 3 times, gamma 5 times, beta never. The header and the tag hold
// further "alpha"s that must not count.
const char kText[] =
    "<HEADER>alpha in the header</HEADER>\n"
    "Gamma rays, alpha and alpha particles.\n"
    "<alpha id=1>A gamma, a gamma, a GAMMA.</alpha>\n"
    "alphabet is no alpha; gamma ends it.\n";

QAction* Item(TextViewerWindow& v, const char* name) {
  QAction* a = v.HighlightMenu()->findChild<QAction*>(QString::fromLatin1(name));
  if (!a) qFatal("menu item %s missing", name);
  return a;
}

}  // namespace

class TextViewerTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The viewer writes the suite's menu state: into a settings file of the test's own.
  void initTestCase() { UseScratchSettings(); }
  void init() {
    dialogs_.Clear();
    SetDialogInterface(&dialogs_);
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void OpensTextsAndShowsInfoPanelsAndBars() {
    const QString first = tree_.WriteText(QStringLiteral("one/first.txt"),
                                          QStringLiteral("alpha line\nsecond line\n"));
    TextViewerWindow viewer;
    QVERIFY(viewer.OpenAndShowAText({first, QStringLiteral("1,234"), QStringLiteral("7")}));
    QVERIFY(viewer.isVisible() && !viewer.HitPlot()->isVisible());
    QCOMPARE(viewer.windowTitle(), QStringLiteral("first.txt"));
    QCOMPARE(viewer.TextEdit()->toPlainText(), QStringLiteral("alpha line\nsecond line"));
    QCOMPARE(viewer.PanelText(2), QStringLiteral("1,234 ") + LX("LXWords"));
    QCOMPARE(viewer.PanelText(3), QStringLiteral("7 ") + LX("LXHitTypes"));

    // The second text replaces caption, text and panels; empty info texts
    // leave the panels empty. The encoding the reader found is named.
    QVERIFY(viewer.OpenAndShowAText({tree_.Write("two/latin.txt", "unm\xF6glich\n"), {}, {}}));
    QCOMPARE(viewer.CurrentShortFilename(), QStringLiteral("latin.txt"));
    QCOMPARE(viewer.TextEdit()->toPlainText(), QStringLiteral("unmöglich"));
    QVERIFY(viewer.PanelText(2).isEmpty() && viewer.PanelText(3).isEmpty());
    auto* encoding = viewer.StatusBar()->findChild<QLabel*>(QStringLiteral("EncodingPanel"));
    QVERIFY(encoding && encoding->text() == QStringLiteral("windows-1252"));

    // A file that cannot be read, or a folder, is not shown, and nothing is
    // said about it.
    TextViewerWindow unused;
    QVERIFY(!unused.OpenAndShowAText({tree_.Path(QStringLiteral("missing.txt")), {}, {}}));
    QVERIFY(!unused.OpenAndShowAText({tree_.MakeDir(QStringLiteral("folder")), {}, {}}));
    QVERIFY(!unused.isVisible() && unused.CurrentShortFilename().isEmpty());
    QVERIFY(dialogs_.Shown().empty());

    // The bars are the main window's kind (ProgressTextBar); one at 0 with no
    // count is blank, not "0%".
    viewer.SetSecondProgress(37);
    ProgressTextBar* bar = viewer.PanelBar(3);
    QVERIFY(bar && bar->isTextVisible() && bar->text() == QStringLiteral("37%"));
    viewer.SetSecondProgress(0);
    QVERIFY(bar->text().isEmpty());
  }

  void ProgressBarTextGivesCountPercentageAndTimeLeft() {
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

  void HighlightsLinesSharedWithReferenceAndStepsThroughThem() {
    // Which lines count is the span finder's (its own tests); here: what is
    // drawn, and what is left alone.
    TextViewerWindow viewer;
    QVERIFY(Open(viewer, "member.txt",
                 "shared line\nown line\n\nshared line\nnot the shared line here\nlast shared\n"));
    viewer.AddStringsToLeftListbox({QStringLiteral("kw")});

    // A viewer given comparison lines highlights at once when it opens a text.
    const QStringList reference{QStringLiteral("shared line"), QStringLiteral("last shared")};
    viewer.SetComparisonWholeLines(&reference);
    QVERIFY(viewer.OpenAndShowAText({tree_.Path(QStringLiteral("member.txt")), "(2)", {}}));
    SourceTextEdit* edit = viewer.TextEdit();
    QCOMPARE(edit->HighlightsFoundCount(), 3);
    const QString shown = edit->ShownText();
    const std::vector<int> hits = edit->KeyWordPositionsAsArray();
    QCOMPARE(hits.size(), size_t{3});
    // Drawn in bold over the whole line, and only there.
    QVERIFY(IsBoldAt(viewer.TextEdit(), hits[1]));
    QVERIFY(IsBoldAt(viewer.TextEdit(), hits[1] + 10));
    QVERIFY(!IsBoldAt(viewer.TextEdit(), int(shown.indexOf(QStringLiteral("own line")))));
    // The keyword list and the ruler plot are left alone.
    QCOMPARE(viewer.KeywordList()->count(), 1);
    QVERIFY(!viewer.HitPlot()->isVisible());
    QCOMPARE(edit->CountAndFirstPosOfKWPositions(0), std::make_pair(2, hits[0]));
    QCOMPARE(edit->CountAndFirstPosOfKWPositions(1), std::make_pair(1, hits[2]));

    // ">" from the start takes the hit under the cursor first, then the rest;
    // "<" goes back, and wraps round.
    auto press = [&](int panel) { static_cast<QToolButton*>(viewer.Panel(panel))->click(); };
    press(7);
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("shared line"));
    press(7);
    QCOMPARE(edit->textCursor().selectionStart(), hits[1]);
    QCOMPARE(viewer.PanelText(viewer.PanelCount() - 1),
             Format(LX("LXItemNOfNAndLineNofN"), {2.0, 3.0, 4.0, 6.0}));
    press(6);
    QCOMPARE(edit->textCursor().selectionStart(), hits[0]);
    press(6);
    QCOMPARE(edit->textCursor().selectionStart(), hits[2]);

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

  void GreysOutMarkupAtLoadAndTrimsText() {
    TextViewerWindow viewer;
    QVERIFY(Open(viewer, "m.txt",
                 "<HEADER>head</HEADER>\n  body <b>text</b>  \n\n\n\na < b is prose\nend\n"));
    SourceTextEdit* edit = viewer.TextEdit();
    QCOMPARE(edit->GreyedTagCount(), 4);
    QVERIFY(DrawnAt(edit, int(edit->ShownText().indexOf(QStringLiteral("<b>")))));
    QVERIFY(!DrawnAt(edit, int(edit->ShownText().indexOf(QStringLiteral("text")))));

    // Lines shared with a reference stay highlighted after trimming, at their
    // new places.
    const QStringList reference{QStringLiteral("end")};
    viewer.SetComparisonWholeLines(&reference);
    viewer.HighlightSimilarities();
    QCOMPARE(edit->HighlightsFoundCount(), 1);

    Item(viewer, "HighlightTrimthetext1")->trigger();
    QCOMPARE(edit->toPlainText(), QStringLiteral("head\nbody text\n\na < b is prose\nend"));
    QCOMPARE(edit->GreyedTagCount(), 0);
    QCOMPARE(edit->KeyWordPositionsAsArray(),
             std::vector<int>{static_cast<int>(edit->ShownText().indexOf(QStringLiteral("end")))});
    // The file itself is untouched.
    QVERIFY(ReadAll(tree_.Path(QStringLiteral("m.txt"))).startsWith("<HEADER>"));
  }

  void SavesRtfOnlyWithConsent() {
    TextViewerWindow viewer;
    QVERIFY(Open(viewer, "r.txt", QStringLiteral("one\nplain\n")));
    QString proposed;
    const QString target = tree_.Path(QStringLiteral("out.rtf"));
    viewer.choose_rtf_file = [&](const QString& p) {
      proposed = p;
      return target;
    };
    // Saves from the menu with the answers given; the boxes shown.
    const auto save = [&](std::initializer_list<int> answers) {
      dialogs_.Clear();
      for (int answer : answers) dialogs_.QueueAnswer(answer);
      viewer.findChild<QAction*>(QStringLiteral("SaveasRTF1"))->trigger();
      return dialogs_.ShownNames();
    };
    QCOMPARE(save({}), QStringList{QStringLiteral("SavedOKOpenNow")});
    QCOMPARE(proposed, QStringLiteral("r"));
    QVERIFY(ReadAll(target).startsWith("{\\rtf1"));

    // An existing target: declining keeps it as it was; agreeing overwrites,
    // and with the offer to open switched off none follows.
    tree_.Write(QStringLiteral("out.rtf"), "keep me");
    QCOMPARE(save({mrCancel}), QStringList{QStringLiteral("OKToDoX")});
    QCOMPARE(ReadAll(target), QByteArray("keep me"));
    viewer.confirm_RTF_save = false;
    QCOMPARE(save({mrOK}), QStringList{QStringLiteral("OKToDoX")});
    QVERIFY(ReadAll(target).startsWith("{\\rtf1"));

    // A target that cannot be written is reported, not passed over.
    dialogs_.Clear();
    QVERIFY(!viewer.SaveRtfTo(tree_.Path(QStringLiteral("no/such/folder/x.rtf")), {}, {}));
    QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("FailedToSave")});
    QVERIFY(dialogs_.Shown().at(0).icon == BoxIcon::Error);
  }

  void HighlightAllAndInfoOnScoresListFoundKeywordsByCount() {
    TextViewerWindow viewer;
    QVERIFY(OpenWithKeywords(viewer));
    QVERIFY(!viewer.ListShowsValues());

    // Nothing highlighted yet: "Info on scores" runs "Highlight all" first,
    // and tells the counts in the search list's order.
    Item(viewer, "Infoonscores1")->trigger();
    const QString expected =
        QStringLiteral("alpha (3),gamma (5)\r") + Format(LX("LXTotalN"), {8.0});
    QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("ReportedAFact")});
    QCOMPARE(dialogs_.Shown()[0].text, expected);
    QCOMPARE(dialogs_.Shown()[0].help_context, 6040);
    SourceTextEdit* edit = viewer.TextEdit();
    QCOMPARE(edit->HighlightsFoundCount(), 8);
    QVERIFY(viewer.ListShowsValues());
    QCOMPARE(viewer.KeywordList()->count(), 2);
    QCOMPARE(viewer.KeywordItem(0), std::make_pair(QStringLiteral("gamma"), 5));
    QCOMPARE(viewer.KeywordItem(1), std::make_pair(QStringLiteral("alpha"), 3));
    QCOMPARE(viewer.KeywordList()->currentRow(), 0);

    // The ruler plot shows every hit along the text.
    QVERIFY(viewer.HitPlot()->isVisible());
    QCOMPARE(viewer.HitPlot()->PlotLines(), edit->KeyWordPositionsAsArray());
    QCOMPARE(viewer.HitPlot()->Maximum(), static_cast<long long>(edit->ShownText().size()));
    // "Show ruler" switches the ruler, and the suite's menu state holds the choice.
    QVERIFY(!viewer.HitPlot()->ShowRuler());
    for (bool on : {true, false, true}) {
      Item(viewer, "Showruler1")->trigger();
      QCOMPARE(viewer.HitPlot()->ShowRuler(), on);
      QCOMPARE(GetMenuItemChecked(46), on);
    }

    // The view stands on the first hit. (That the header and the tags hold
    // none is the hit finder's, counted above and in its own tests.)
    QCOMPARE(edit->textCursor().selectionStart(), edit->KeyWordPositionsAsArray().front());
    // Clicking "alpha" (second in the list) makes ">" visit alpha's hits only,
    // from there, and wrap round to the first.
    std::vector<int> alphas;
    for (int p : edit->KeyWordPositionsAsArray())
      if (edit->ShownText().mid(p, 5) == QStringLiteral("alpha")) alphas.push_back(p);
    QCOMPARE(alphas.size(), size_t{3});
    QListWidget* list = viewer.KeywordList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(edit->CurrentKW(), 0);  // alpha's index in the search list
    std::vector<int> visited;
    for (int i = 0; i < 4; ++i) {
      static_cast<QToolButton*>(viewer.Panel(7))->click();
      visited.push_back(edit->textCursor().selectionStart());
    }
    QCOMPARE(visited, (std::vector<int>{alphas[0], alphas[1], alphas[2], alphas[0]}));
    // The hits are drawn on the keyword background.
    QCOMPARE(FormatAt(edit, alphas[1]).background().color(), kKeywordYellow);

    // A second text hides the plot and drops the values until the next run;
    // without any keyword in it the list is empty and the total 0.
    QVERIFY(Open(viewer, "none.txt", QStringLiteral("delta epsilon\n")));
    QVERIFY(!viewer.HitPlot()->isVisible() && !viewer.ListShowsValues());
    QCOMPARE(edit->HighlightsFoundCount(), 0);
    viewer.AddStringsToLeftListbox({QStringLiteral("alpha"), QStringLiteral("beta")});
    Item(viewer, "HighlighAllwords1")->trigger();
    QCOMPARE(viewer.KeywordList()->count(), 0);
    QVERIFY(!viewer.HitPlot()->isVisible());
    QCOMPARE(viewer.InfoOnCurrentText(), QStringLiteral("\r") + Format(LX("LXTotalN"), {0.0}));
  }

  void HighlightSelectedAndCallerTerms() {
    TextViewerWindow viewer;
    QVERIFY(OpenWithKeywords(viewer));
    // A caller loads terms with their options: "GAMMA" with its case kept
    // finds only the upper-case one.
    viewer.SearchList().Clear();
    viewer.ClearKeywordList();
    SearchTerm upper;
    QString error;
    QVERIFY(ParseSearchLine(QStringLiteral("GAMMA\t1\t0\tc"), &upper, &error));
    viewer.SearchList().AddOne(upper);
    viewer.SearchList().Add(QStringLiteral("alpha"));
    viewer.AddStringsToLeftListbox({QStringLiteral("GAMMA"), QStringLiteral("alpha")});
    QCOMPARE(viewer.HighlightAnyKWS(), 4);
    QCOMPARE(viewer.KeywordItem(1), std::make_pair(QStringLiteral("GAMMA"), 1));

    // "Highlight selected" draws only the selected keyword's hits.
    viewer.KeywordList()->setCurrentRow(1);
    Item(viewer, "Highlightselected1")->trigger();
    SourceTextEdit* edit = viewer.TextEdit();
    QCOMPARE(edit->HighlightsFoundCount(), 1);
    QCOMPARE(edit->ShownText().mid(edit->KeyWordPositionsAsArray()[0], 5), QStringLiteral("GAMMA"));
    QCOMPARE(edit->CurrentKW(), 0);

    // "Highlight all" rebuilds the search list from the list's lines as plain
    // terms: now "GAMMA" ignores case.
    Item(viewer, "HighlighAllwords1")->trigger();
    QCOMPARE(viewer.KeywordItem(0), std::make_pair(QStringLiteral("GAMMA"), 5));
  }

 private:
  ScriptedDialogs dialogs_;
  TempTree tree_;

  // Writes text to a file of that name and opens it in the viewer.
  bool Open(TextViewerWindow& viewer, const char* name, const QString& text) {
    return viewer.OpenAndShowAText({tree_.WriteText(QString::fromLatin1(name), text), {}, {}});
  }
  // Opens kText in the viewer with the three keywords listed.
  bool OpenWithKeywords(TextViewerWindow& viewer) {
    if (!viewer.OpenAndShowAText({tree_.WriteText("abc.txt", QString::fromUtf8(kText)), {}, {}}))
      return false;
    viewer.AddStringsToLeftListbox(
        {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")});
    return true;
  }
};

QTEST_MAIN(TextViewerTest)
#include "text_viewer_uitest.moc"
