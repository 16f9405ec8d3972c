// Keyword highlighting in the text viewer: the keyword list with its counts,
// the ruler plot, "Info on scores", stepping through one keyword, and the
// highlighted RTF with its summary.

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QToolButton>
#include <QtTest>

#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/search_list.h"
#include "runtime/settings.h"
#include "support/test_support.h"
#include "ui_kit/hit_plot_bar_widget.h"
#include "ui_kit/text_viewer_window.h"

namespace {

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

std::vector<int> PositionsOf(const QString& text, const QString& word,
                             const std::vector<int>& among) {
  std::vector<int> out;
  for (int p : among) {
    if (text.mid(p, word.size()).compare(word, Qt::CaseInsensitive) == 0) out.push_back(p);
  }
  return out;
}

}  // namespace

class KeywordHighlightingTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The viewer writes the suite's menu state: into a settings file of the test's own.
  void initTestCase() {
    qputenv("SORVEL_SETTINGS", settings_dir_.filePath(QStringLiteral("lexivor.ini")).toLocal8Bit());
  }
  void init() {
    dialogs_.Clear();
    SetDialogInterface(&dialogs_);
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void HighlightAllListsFoundKeywordsByCount();
  void InfoOnScoresReportsCountsInSearchOrder();
  void ListClickStepsThroughOneKeyword();
  void HighlightSelectedAndCallerTerms();
  void LongKeywordsKeepTheListToItsShare();

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir settings_dir_;
  TempTree tree_;
};

void KeywordHighlightingTest::HighlightAllListsFoundKeywordsByCount() {
  const QString file = tree_.WriteText(QStringLiteral("abc.txt"), QString::fromUtf8(kText));
  TextViewerWindow viewer;
  viewer.resize(784, 426);
  QVERIFY(viewer.OpenAndShowAText({file, QStringLiteral("25"), QStringLiteral("2")}));
  viewer.AddStringsToLeftListbox(
      {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")});
  QVERIFY(!viewer.ListShowsValues());
  QCOMPARE(viewer.KeywordItem(0),
           std::make_pair(QStringLiteral("alpha"), TextViewerWindow::kNoHolderValue));

  Item(viewer, "HighlighAllwords1")->trigger();
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
  QVERIFY(!viewer.HitPlot()->ShowRuler());
  Item(viewer, "Showruler1")->trigger();
  QVERIFY(viewer.HitPlot()->ShowRuler());
  QVERIFY(GetMenuItemChecked(46));  // the suite's menu state holds the choice
  Item(viewer, "Showruler1")->trigger();
  QVERIFY(!viewer.HitPlot()->ShowRuler());
  QVERIFY(!GetMenuItemChecked(46));
  Item(viewer, "Showruler1")->trigger();

  // The view stands on the first hit. (That the header and the tags hold
  // none is the hit finder's, counted above and in its own tests.)
  QCOMPARE(edit->textCursor().selectionStart(), edit->KeyWordPositionsAsArray().front());

  // The highlights are drawn: the keyword background shows in the window.
  QApplication::processEvents();
  const QImage shot = viewer.grab().toImage();
  int highlighted = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      if (shot.pixelColor(x, y) == QColor(255, 236, 139)) ++highlighted;
    }
  }
  QVERIFY2(highlighted > 100, qPrintable(QStringLiteral("%1 highlighted pixels").arg(highlighted)));

  // A second text hides the plot and drops the values until the next run.
  const QString other =
      tree_.WriteText(QStringLiteral("other.txt"), QStringLiteral("nothing here\n"));
  QVERIFY(viewer.OpenAndShowAText({other, QString(), QString()}));
  QVERIFY(!viewer.HitPlot()->isVisible());
  QVERIFY(!viewer.ListShowsValues());
  QCOMPARE(edit->HighlightsFoundCount(), 0);
}

void KeywordHighlightingTest::InfoOnScoresReportsCountsInSearchOrder() {
  const QString file = tree_.WriteText(QStringLiteral("info.txt"), QString::fromUtf8(kText));
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  viewer.AddStringsToLeftListbox(
      {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")});
  // Nothing highlighted yet: "Info on scores" runs "Highlight all" first.
  Item(viewer, "Infoonscores1")->trigger();
  const QString expected = QStringLiteral("alpha (3),gamma (5)\r") + Format(LX("LXTotalN"), {8.0});
  QCOMPARE(viewer.InfoOnCurrentText(), expected);
  const std::vector<BoxRequest> shown = dialogs_.Shown();
  QCOMPARE(shown.size(), size_t{1});
  QCOMPARE(shown[0].name, QStringLiteral("ReportedAFact"));
  QCOMPARE(shown[0].text, expected);
  QCOMPARE(shown[0].help_context, 6040);

  // A text without any keyword: an empty list, no plot, a total of 0.
  const QString none =
      tree_.WriteText(QStringLiteral("none.txt"), QStringLiteral("delta epsilon\n"));
  QVERIFY(viewer.OpenAndShowAText({none, QString(), QString()}));
  viewer.AddStringsToLeftListbox({QStringLiteral("alpha"), QStringLiteral("beta")});
  Item(viewer, "HighlighAllwords1")->trigger();
  QCOMPARE(viewer.KeywordList()->count(), 0);
  QVERIFY(!viewer.HitPlot()->isVisible());
  QCOMPARE(viewer.InfoOnCurrentText(), QStringLiteral("\r") + Format(LX("LXTotalN"), {0.0}));
}

void KeywordHighlightingTest::ListClickStepsThroughOneKeyword() {
  const QString file = tree_.WriteText(QStringLiteral("step.txt"), QString::fromUtf8(kText));
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  viewer.AddStringsToLeftListbox(
      {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")});
  Item(viewer, "HighlighAllwords1")->trigger();
  SourceTextEdit* edit = viewer.TextEdit();
  const std::vector<int> alphas =
      PositionsOf(edit->ShownText(), QStringLiteral("alpha"), edit->KeyWordPositionsAsArray());
  QCOMPARE(alphas.size(), size_t{3});

  // Clicking "alpha" (second in the list) makes ">" visit alpha's hits only.
  QListWidget* list = viewer.KeywordList();
  const QRect r = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  QCOMPARE(edit->CurrentKW(), 0);  // alpha's index in the search list
  auto next = [&] { static_cast<QToolButton*>(viewer.Panel(7))->click(); };
  std::vector<int> visited;
  for (int i = 0; i < 4; ++i) {
    next();
    visited.push_back(edit->textCursor().selectionStart());
  }
  // The run left the first hit of all ("Gamma") selected; from there ">"
  // goes to each alpha and wraps round to the first.
  std::vector<int> expected{alphas[0], alphas[1], alphas[2], alphas[0]};
  QCOMPARE(visited, expected);
  QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("alpha"));
}

void KeywordHighlightingTest::HighlightSelectedAndCallerTerms() {
  const QString file = tree_.WriteText(QStringLiteral("sel.txt"), QString::fromUtf8(kText));
  TextViewerWindow viewer;
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  // A caller loads terms with their options: "GAMMA" with its case kept
  // finds only the upper-case one, "alpha*" also "alphabet".
  viewer.SearchList().Clear();
  viewer.ClearKeywordList();
  SearchTerm upper;
  QString error;
  QVERIFY(ParseSearchLine(QStringLiteral("GAMMA\t1\t0\tc"), &upper, &error));
  viewer.SearchList().AddOne(upper);
  viewer.SearchList().Add(QStringLiteral("alpha*"));
  viewer.AddStringsToLeftListbox({QStringLiteral("GAMMA"), QStringLiteral("alpha*")});
  QCOMPARE(viewer.HighlightAnyKWS(), 5);
  QCOMPARE(viewer.KeywordItem(0), std::make_pair(QStringLiteral("alpha*"), 4));  // alphabet too
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

void KeywordHighlightingTest::LongKeywordsKeepTheListToItsShare() {
  // A keyword as long as a sentence must not squeeze the text to a column:
  // the list takes at most its share, the entry is elided with the whole of
  // it in its tooltip, and the next text finds the list at its width again.
  const QString long_term = QStringLiteral(
      "Donaudampfschifffahrtsgesellschaftskapitaensmuetzen"
      "abzeichenherstellungsbetriebsversammlung");
  const QString file = tree_.WriteText(
      QStringLiteral("long.txt"), QStringLiteral("alpha ") + long_term + QStringLiteral(" end\n"));
  const QString other = tree_.WriteText(QStringLiteral("other.txt"), QStringLiteral("alpha\n"));
  TextViewerWindow viewer;
  viewer.resize(784, 426);
  viewer.show();
  QVERIFY(viewer.OpenAndShowAText({file, QString(), QString()}));
  const int first_width = viewer.KeywordListWidth();
  viewer.AddStringsToLeftListbox({QStringLiteral("alpha"), long_term});
  QCOMPARE(viewer.KeywordList()->item(1)->toolTip(), long_term);

  Item(viewer, "HighlighAllwords1")->trigger();
  QCOMPARE(viewer.KeywordList()->count(), 2);
  auto* splitter = viewer.findChild<QSplitter*>(QStringLiteral("AdvSplitter1"));
  QVERIFY(splitter);
  const int whole = viewer.centralWidget()->width();
  QVERIFY2(viewer.KeywordListWidth() <= whole * 30 / 100 + 1,
           qPrintable(QStringLiteral("%1 of %2").arg(viewer.KeywordListWidth()).arg(whole)));
  QVERIFY(viewer.KeywordListWidth() > first_width);  // it did grow, within its share
  QVERIFY(viewer.KeywordList()->fontMetrics().horizontalAdvance(long_term) >
          viewer.KeywordListWidth());
  QVERIFY(viewer.KeywordList()->item(0)->toolTip().contains(long_term) ||
          viewer.KeywordList()->item(1)->toolTip().contains(long_term));

  QVERIFY(viewer.OpenAndShowAText({other, QString(), QString()}));
  QCOMPARE(viewer.KeywordListWidth(), first_width);
  // The handle is wide enough to take hold of.
  QVERIFY(splitter->handleWidth() >= 6);
}

QTEST_MAIN(KeywordHighlightingTest)
#include "keyword_highlighting_uitest.moc"
