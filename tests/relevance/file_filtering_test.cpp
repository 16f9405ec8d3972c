// The filter file's check, grouped-term density at its exact boundaries, the
// check over a folder, the filtered copies and an RTF sample's numbering.

#include "relevance/file_filtering.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include "relevance/relevance_rtf.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "support/test_support.h"

namespace {

// A text of n words, "filler" everywhere except at the given word indexes.
QString Text(int n, const std::vector<std::pair<int, QString>>& at) {
  QStringList words(n, QStringLiteral("filler"));
  for (const auto& [k, w] : at) words[k] = w;
  return words.join(QLatin1Char(' ')) + QLatin1Char(' ');
}

}  // namespace

// A grouped term counts only when (P + Q) x 1000 / W, rounded half to even,
// reaches its threshold. With W = 2000: P = 4, Q = 1 gives 2.5, which rounds
// to 2, below g3's 3; P = 6, Q = 1 gives 3.5, which rounds to 4, g4's.
TEST(RelevanceScorer, GroupedTermsNeedDensity) {
  QStringList rounding{"g3\t1\t3\t", "g4\t1\t4\t"};
  std::vector<std::pair<int, QString>> at{{100, "g3"}};
  for (int k = 0; k < 6; ++k) rounding << QStringLiteral("t%1\t1\t0\t").arg(k);
  for (int k = 0; k < 4; ++k) at.push_back({k, QStringLiteral("t%1").arg(k)});
  RelevanceFilterList f;
  f.LoadFromAStringlist(rounding, true);
  const RelevanceScorer scorer(f);
  RelevanceFilter overall;
  EXPECT_EQ(scorer.ScoreText(Text(2000, at), 1, 0, &overall).positive_terms, 4);
  at[0].second = QStringLiteral("g4");
  at.insert(at.end(), {{4, "t4"}, {5, "t5"}});
  EXPECT_EQ(scorer.ScoreText(Text(2000, at), 1, 0, &overall).positive_terms, 7);
}

TEST(RelevanceFileCheck, TabsRepeatsAndExactCopies) {
  // An exact copy of a line is dropped; a conflict is asked about, both lines listed.
  TempTree tree;
  ScriptedDialogs dialogs;
  SetDialogInterface(&dialogs);
  const QString file =
      tree.WriteText("f.txt", "beta\t1\t0\nalpha\t1\t0\nalpha\t1\t0\nalpha\t2\t0\n");
  RelevanceFilterList list;
  dialogs.QueueAnswer(mrCancel);
  EXPECT_EQ(LoadFiltersForCheck(&list, file), FilterLoadOutcome::RepeatsRefused);
  ASSERT_EQ(dialogs.ShownNames(), QStringList{"WarnAboutAndASKOK"});
  EXPECT_EQ(dialogs.Shown()[0].text,
            file +
                " gives the term \"alpha\" different settings on different lines:\r\n"
                "alpha,1,0\r\nalpha,2,0\r\nOK to go ahead?");
  EXPECT_EQ(list.Count(), 3);
  dialogs.QueueAnswer(mrOK);
  EXPECT_EQ(LoadFiltersForCheck(&list, file), FilterLoadOutcome::Ok);

  const QString uneven = tree.WriteText("u.txt", "a\t1\nb\t1\nc\t1\t2\n");
  EXPECT_EQ(LoadFiltersForCheck(&list, uneven), FilterLoadOutcome::UnequalLines);
  EXPECT_EQ(list.Count(), 0);
  const QString bad = tree.WriteText("b.txt", "a\t1\nb\tx\n");
  EXPECT_EQ(LoadFiltersForCheck(&list, bad), FilterLoadOutcome::BadLines);
  EXPECT_TRUE(dialogs.Shown().back().text.contains(QStringLiteral("line 2")));
  // The file was read: it holds no terms, which the message says.
  const QString empty = tree.WriteText("e.txt", "# nothing\n\n");
  EXPECT_EQ(LoadFiltersForCheck(&list, empty), FilterLoadOutcome::NoTerms);
  EXPECT_EQ(dialogs.ShownNames().back(), QStringLiteral("ReportedAFact"));
  EXPECT_TRUE(dialogs.Shown().back().text.contains(QStringLiteral("holds no terms")));
  EXPECT_EQ(LoadFiltersForCheck(&list, QString()), FilterLoadOutcome::NotFilled);
  EXPECT_EQ(dialogs.ShownNames().back(), QStringLiteral("FormNotFilled"));
  SetDialogInterface(nullptr);
}

TEST(RelevanceCheck, FromAFolderThenFilter) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  TempTree tree;
  RelevanceFilterList f;
  f.LoadFromAStringlist({"river\t1\t0\t", "flood*\t1\t0\t"}, true);
  tree.WriteText("c/a.txt", Text(300, {{1, "river"}, {2, "floods"}}));
  tree.WriteText("c/sub/b.txt", Text(300, {{1, "river"}}));
  tree.WriteText("c/sub/short.txt", Text(50, {{1, "river"}}));
  tree.WriteText("c/none.txt", Text(300, {}));
  tree.WriteText("c/page.htm", QStringLiteral("<p class=\"river\">") + Text(300, {{0, "river"}}));
  tree.WriteText("c/" + LX("LXFiltered") + "/old.txt", Text(300, {{1, "river"}}));

  RelevanceCheckParams params;
  params.input.head_folder = tree.Path("c");
  params.input.filemask = QStringLiteral("*.txt");
  RelevanceFilter overall;
  RelevanceResults results;
  std::vector<std::pair<long long, long long>> counts;
  RelevanceCheckCallbacks cb;
  cb.count = [&](long long n, long long total) { counts.emplace_back(n, total); };
  const QStringList texts = GatherRelevanceTexts(params.input);
  EXPECT_EQ(texts.size(), 4);  // the filtered copy and the web page are not read
  const QString status = ScoreRelevanceTexts(texts, f, params, &overall, &results, cb);
  // With a minimum score of 0 a text without hits is listed too; the short one is not.
  ASSERT_EQ(results.Count(), 3);
  EXPECT_TRUE(results.String(0).endsWith(QStringLiteral("c/a.txt")));
  EXPECT_TRUE(results.String(2).endsWith(QStringLiteral("c/none.txt")));
  EXPECT_EQ(status, LX("LXScore") + QStringLiteral(": 3 / 4  (75%)"));
  ASSERT_EQ(counts.size(), 4u);  // texts scored, "n of N"
  EXPECT_EQ(counts.back(), std::make_pair(4LL, 4LL));

  // Filtering after the minimum score is raised copies only the best text,
  // into the tree below the base, overwriting a stale copy of the same name.
  const QString filtered = FilteredFolderOf(tree.Path("c"));
  tree.WriteText("c/" + LX("LXFiltered") + "/a.txt", "stale");
  EXPECT_EQ(CopyFilteredTexts(results, tree.Path("c"), 0.5, nullptr), 1);
  EXPECT_EQ(ReadAll(filtered + "/a.txt"), ReadAll(tree.Path("c/a.txt")));
  EXPECT_FALSE(QFileInfo::exists(filtered + "/sub/b.txt"));
  EXPECT_TRUE(QFileInfo::exists(filtered + "/old.txt"));
  EXPECT_EQ(CopyFilteredTexts(results, tree.Path("c"), 0.0, nullptr), 3);
  EXPECT_TRUE(QFileInfo::exists(filtered + "/sub/b.txt"));
  // A file directly in the base goes to the top of the filtered tree.
  EXPECT_EQ(NewSubFolderFrom("/base/z.txt", "/base/"), QString());
}

// Score descending with ties broken on the name; the RTF heading and coverage wordings.
TEST(RelevanceResults, SortsAndHeading) {
  RelevanceResults list;
  list.AddOne(QStringLiteral("b"), {10, 3, 1.5f});
  list.AddOne(QStringLiteral("a"), {30, 1, 1.5f});
  list.AddOne(QStringLiteral("c"), {20, 2, 4.0f});
  list.SortOnSingle_Sort2String(false);
  EXPECT_EQ(list.String(0) + list.String(1) + list.String(2), QStringLiteral("cab"));
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(RtfSampleHeading(3, {1234, 2, 3.0f}),
            "<(4) " + LX("LXScore") + ": 3.00, " + LX("LXHitTypes") + ": 2, (1,234 words)>");
  EXPECT_EQ(CoverageLabel(1), QStringLiteral("coverage (all)"));
  EXPECT_EQ(CoverageLabel(7), QStringLiteral("coverage (7ths)"));
}

// Start 3, five to save, six listed: entries 3, 4 and 5 are offered with
// headings numbered 4, 5 and 6; a vanished file is skipped, and a text the
// saver declines (no terms found) is not counted.
TEST(RelevanceRtfSample, NumberingAndSkipping) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  TempTree tree;
  RelevanceResults results;
  for (int i = 0; i < 6; ++i) {
    const QString name = QStringLiteral("t%1.txt").arg(i);
    if (i != 4) tree.WriteText(name, "x");
    results.AddOne(tree.Path(name), {100 + i, 1, static_cast<float>(6 - i)});
  }
  QStringList offered;
  const int saved = SaveRtfSampleRun(results, {tree.Root(), 3, 5},
                                     [&](int index, const QString& file, const QString& heading) {
                                       offered << heading.section(u',', 0, 0);
                                       return file == results.String(index) && index != 5;
                                     });
  EXPECT_EQ(saved, 1);
  EXPECT_EQ(offered, (QStringList{"<(4) Score: 3.00", "<(6) Score: 1.00"}));
}
