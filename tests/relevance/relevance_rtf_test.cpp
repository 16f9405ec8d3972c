// What an RTF sample adds to the viewer's RTF writer: the positive terms' hits
// outside the header block and markup, a summary of them, consent to replace.

#include "relevance/relevance_rtf.h"

#include <gtest/gtest.h>

#include <QDir>

#include "runtime/dialogs.h"
#include "support/test_support.h"
#include "viewer/rtf_writer.h"

TEST(RelevanceRtfSample, SavesTheViewersRtfOfThePositiveHits) {
  // The expected hits in brackets. Not hits: the header block, a tag, a longer
  // word and the negative term "rays".
  const QString marked = QStringLiteral(
      "<HEADER>alpha in the header</HEADER>\r\n[Gamma] rays, [alpha] and [alpha] particles.\r\n"
      "<alpha id=1>A [gamma], a [gamma], a [GAMMA].</alpha>\r\nalphabet is no [alpha]; "
      "[gamma].\r\n");
  RtfDocument expected;
  expected.styles.push_back(RtfSpanStyle{kHighlightText, kHighlightBackground, true});
  for (const QChar c : marked) {
    if (c == u'[')
      expected.spans.push_back({static_cast<int>(expected.text.size()), 0, 0});
    else if (c == u']')
      expected.spans.back().length =
          static_cast<int>(expected.text.size()) - expected.spans.back().start;
    else
      expected.text += c;
  }
  TempTree tree;
  RelevanceResults results;
  results.AddOne(tree.WriteText("texts/report.v2.txt", expected.text), {40, 2, 12.5f});
  results.AddOne(tree.WriteText("none.txt", "delta epsilon"), {2, 0, 1.0f});
  RelevanceFilterList filters;
  filters.LoadFromAStringlist({"alpha\t1\t0\t", "beta\t1\t0\t", "gamma\t1\t0\t", "rays\t1\t0\tn"},
                              true);
  const RtfSampleChoice choice{tree.Path("rtf/new"), 0, 5};
  ScriptedDialogs dialogs;
  SetDialogInterface(&dialogs);
  // The text without a hit is not saved.
  EXPECT_EQ(SaveRelevanceRtfSample(results, filters, choice), 1);
  EXPECT_EQ(QDir(choice.folder).entryList(QDir::Files), QStringList{"report.v2.rtf"});
  // Most hits first; a term without hits is not named.
  expected.heading = RtfSampleHeading(0, results.GetOne(0));
  expected.summary = QStringLiteral("<gamma (5),alpha (3)>");
  EXPECT_EQ(ReadAll(choice.folder + "/report.v2.rtf"), WriteRtf(expected));

  // Saving over a file needs consent; declined, the file stays.
  tree.Write("rtf/new/report.v2.rtf", "keep me");
  dialogs.QueueAnswer(mrCancel);
  EXPECT_EQ(SaveRelevanceRtfSample(results, filters, choice), 0);
  EXPECT_EQ(dialogs.ShownNames(), QStringList{"OKToDoX"});
  EXPECT_EQ(ReadAll(choice.folder + "/report.v2.rtf"), QByteArray("keep me"));
  SetDialogInterface(nullptr);
}
