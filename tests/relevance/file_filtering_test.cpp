#include "relevance/file_filtering.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "relevance/relevance_rtf.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "support/test_support.h"

namespace {

// A text of n words, "filler" everywhere except at the given word indexes,
// which hold the given words. Every word is followed by one space, so word k
// starts at character 7 k.
QString Text(int n, const std::vector<std::pair<int, QString>>& at) {
  QStringList words(n, QStringLiteral("filler"));
  for (const auto& [k, w] : at) words[k] = w;
  return words.join(QLatin1Char(' ')) + QLatin1Char(' ');
}

RelevanceFilterList Filters(const QStringList& lines) {
  RelevanceFilterList list;
  list.LoadFromAStringlist(lines, true);
  return list;
}

float Score(const RelevanceFilterList& f, const QString& text, int S, int M,
            ScoredTextRec* out = nullptr) {
  RelevanceFilter overall;
  const RelevanceScorer scorer(f);
  const ScoredTextRec r = scorer.ScoreText(text, S, M, &overall);
  if (out) *out = r;
  return r.score;
}

class DialogScope {
 public:
  DialogScope() { SetDialogInterface(&dialogs); }
  ~DialogScope() { SetDialogInterface(nullptr); }
  ScriptedDialogs dialogs;
};

}  // namespace

// Weights, segments, coverage and negative terms: the oracle test. The
// density of grouped terms at its exact boundaries here.
// A grouped term counts only when (P + Q) x 1000 / W, rounded half to even,
// reaches its threshold; it then also covers every segment a grouped hit lies in.
TEST(RelevanceScorer, GroupedTermsNeedDensity) {
  const auto f = Filters({"a1\t1\t0\t", "a2\t1\t0\t", "a3\t1\t0\t", "a4\t1\t0\t", "g\t1\t5\t"});
  // P = 4, Q = 1, W = 1000: density 5 meets threshold 5.
  const QString dense = Text(1000, {{1, "a1"}, {2, "a2"}, {3, "a3"}, {4, "a4"}, {900, "g"}});
  ScoredTextRec r;
  EXPECT_FLOAT_EQ(Score(f, dense, 2, 2, &r), 5.0f * 2 * 100 / 1000);
  EXPECT_EQ(r.positive_terms, 5);
  // Without a4 the density is 4: the grouped hit neither counts nor covers.
  const QString sparse = Text(1000, {{1, "a1"}, {2, "a2"}, {3, "a3"}, {900, "g"}});
  EXPECT_FLOAT_EQ(Score(f, sparse, 2, 2, &r), 0.0f);
  EXPECT_EQ(r.positive_terms, 3);
  EXPECT_FLOAT_EQ(Score(f, sparse, 2, 1), 3.0f * 1 * 100 / 1000);

  // Rounding: 5 x 1000 / 2000 = 2.5 rounds to 2; 7 x 1000 / 2000 = 3.5 to 4.
  QStringList lines;
  std::vector<std::pair<int, QString>> at;
  for (int k = 0; k < 6; ++k) {
    lines << QStringLiteral("t%1\t1\t0\t").arg(k);
    at.push_back({k, QStringLiteral("t%1").arg(k)});
  }
  lines << QStringLiteral("g3\t1\t3\t") << QStringLiteral("g4\t1\t4\t");
  at.push_back({100, "g3"});
  // P = 4, Q = 1 (g3 alone): density 2.5 -> 2 < 3.
  std::vector<std::pair<int, QString>> five(at.begin(), at.begin() + 4);
  five.push_back(at.back());
  ScoredTextRec x;
  Score(Filters(lines), Text(2000, five), 1, 0, &x);
  EXPECT_EQ(x.positive_terms, 4);
  // P = 6, Q = 1 (g4 alone): density 3.5 -> 4 meets g4's threshold 4.
  at.back() = {100, "g4"};
  Score(Filters(lines), Text(2000, at), 1, 0, &x);
  EXPECT_EQ(x.positive_terms, 7);
  // Negative hits of a grouped term are never counted.
  const auto fn = Filters({"p\t1\t0\t", "q\t9\t1\tn"});
  EXPECT_FLOAT_EQ(Score(fn, Text(100, {{1, "p"}, {2, "q"}}), 1, 0), 1.0f);
}

TEST(RelevanceFileCheck, TabsRepeatsAndExactCopies) {
  // Uneven lines are checked through a file below; the flags start wrong on purpose.
  bool unequal = true;
  QString repeated = QStringLiteral("stale");
  QStringList l2{"a", "a", "b"};
  CheckFilterLines(l2, &unequal, &repeated);
  EXPECT_FALSE(unequal);
  EXPECT_TRUE(repeated.isEmpty());
  EXPECT_EQ(l2.size(), 3);

  QStringList l3{"alpha\t1\t0", "alpha\t1\t0", "alpha\t2\t0", "beta\t1\t0"};
  CheckFilterLines(l3, &unequal, &repeated);
  EXPECT_FALSE(unequal);
  EXPECT_TRUE(l3[0].isEmpty());
  EXPECT_EQ(l3[1], QStringLiteral("alpha\t1\t0"));
  EXPECT_EQ(repeated, QStringLiteral("alpha,1,0\r\nalpha,2,0"));

  // Through a file: the exact copy is dropped, the conflict is asked about.
  TempTree tree;
  const QString file =
      tree.WriteText("f.txt", "beta\t1\t0\nalpha\t1\t0\nalpha\t1\t0\nalpha\t2\t0\n");
  RelevanceFilterList list;
  DialogScope ds;
  ds.dialogs.QueueAnswer(mrCancel);
  EXPECT_EQ(LoadFiltersForCheck(&list, file), FilterLoadOutcome::RepeatsRefused);
  ASSERT_EQ(ds.dialogs.ShownNames(), QStringList{QStringLiteral("WarnAboutAndASKOK")});
  EXPECT_TRUE(ds.dialogs.Shown()[0].text.contains(QStringLiteral("alpha,2,0")));
  EXPECT_EQ(list.Count(), 3);
  ds.dialogs.QueueAnswer(mrOK);
  EXPECT_EQ(LoadFiltersForCheck(&list, file), FilterLoadOutcome::Ok);

  const QString uneven = tree.WriteText("u.txt", "a\t1\nb\t1\nc\t1\t2\n");
  EXPECT_EQ(LoadFiltersForCheck(&list, uneven), FilterLoadOutcome::UnequalLines);
  EXPECT_EQ(list.Count(), 0);
  const QString bad = tree.WriteText("b.txt", "a\t1\nb\tx\n");
  EXPECT_EQ(LoadFiltersForCheck(&list, bad), FilterLoadOutcome::BadLines);
  EXPECT_TRUE(ds.dialogs.Shown().back().text.contains(QStringLiteral("line 2")));
  const QString empty = tree.WriteText("e.txt", "# nothing\n\n");
  EXPECT_EQ(LoadFiltersForCheck(&list, empty), FilterLoadOutcome::NoTerms);
  // The file was read: it holds no terms, which the message says.
  EXPECT_EQ(ds.dialogs.ShownNames().back(), QStringLiteral("ReportedAFact"));
  EXPECT_TRUE(ds.dialogs.Shown().back().text.contains(QStringLiteral("holds no terms")));
  EXPECT_EQ(LoadFiltersForCheck(&list, QString()), FilterLoadOutcome::NotFilled);
  EXPECT_EQ(ds.dialogs.ShownNames().back(), QStringLiteral("FormNotFilled"));
}

TEST(RelevanceCheck, FromFolderAndFromListThenFilter) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  TempTree tree;
  const auto f = Filters({"river\t1\t0\t", "flood*\t1\t0\t"});
  tree.WriteText("c/a.txt", Text(300, {{1, "river"}, {2, "floods"}}));
  tree.WriteText("c/sub/b.txt", Text(300, {{1, "river"}}));
  tree.WriteText("c/sub/short.txt", Text(50, {{1, "river"}}));
  tree.WriteText("c/none.txt", Text(300, {}));
  tree.WriteText("c/page.htm", QStringLiteral("<p class=\"river\">") + Text(300, {{0, "river"}}));
  tree.WriteText(QStringLiteral("c/") + LX("LXFiltered") + QStringLiteral("/old.txt"),
                 Text(300, {{1, "river"}}));

  RelevanceCheckParams params;
  params.input.head_folder = tree.Path("c");
  params.input.filemask = QStringLiteral("*.txt");
  RelevanceFilter overall;
  RelevanceResults results;
  QStringList statuses;
  RelevanceCheckCallbacks cb;
  cb.status = [&](const QString& s) { statuses << s; };
  std::vector<std::pair<long long, long long>> counts;
  cb.count = [&](long long n, long long total) { counts.emplace_back(n, total); };
  const QStringList texts = GatherRelevanceTexts(params.input);
  EXPECT_EQ(texts.size(), 4);  // the filtered copy and the web page are not read
  const QString status = ScoreRelevanceTexts(texts, f, params, &overall, &results, cb);
  // With a minimum score of 0 a text without hits is listed too.
  ASSERT_EQ(results.Count(), 3);
  EXPECT_TRUE(results.String(0).endsWith(QStringLiteral("c/a.txt")));
  EXPECT_TRUE(results.String(2).endsWith(QStringLiteral("c/none.txt")));
  EXPECT_NEAR(results.GetOne(0).score, 2.0f * 100 / 300, 1e-5);
  EXPECT_EQ(overall.files_examined, 4);
  EXPECT_EQ(overall.files_meeting_requirements, 3);
  EXPECT_EQ(status, LX("LXScore") + QStringLiteral(": 3 / 4  (75%)"));
  EXPECT_EQ(statuses.back(), status);
  ASSERT_EQ(counts.size(), 4u);  // texts scored, "n of N"
  EXPECT_EQ(counts.back(), (std::pair<long long, long long>(4, 4)));

  // Without sub-folders only the head folder's texts are read.
  params.input.include_sub_folders = false;
  EXPECT_EQ(GatherRelevanceTexts(params.input).size(), 2);

  // From a list: relative and missing names.
  tree.WriteText(QStringLiteral("list.txt"),
                 QStringLiteral("c/sub/b.txt\n%1\nc/gone.txt\n\n").arg(tree.Path("c/a.txt")));
  FileSourceChoice in;
  in.file_or_folder = FileOrFolder::t_textfile;
  in.file_list = tree.Path("list.txt");
  const QStringList listed = GatherRelevanceTexts(in);
  ASSERT_EQ(listed.size(), 2);
  ScoreRelevanceTexts(listed, f, params, &overall, &results, {});
  EXPECT_EQ(results.Count(), 2);

  // Filtering after the minimum score is raised copies only the best text,
  // into the tree below the base, overwriting a stale copy of the same name.
  const QString base = tree.Path("c");
  const QString filtered = FilteredFolderOf(base);
  tree.WriteText(QStringLiteral("c/") + LX("LXFiltered") + QStringLiteral("/a.txt"),
                 QStringLiteral("stale"));
  EXPECT_EQ(CopyFilteredTexts(results, base, 0.5, nullptr), 1);
  EXPECT_EQ(ReadAll(filtered + QStringLiteral("/a.txt")), ReadAll(tree.Path("c/a.txt")));
  EXPECT_FALSE(QFileInfo::exists(filtered + QStringLiteral("/sub/b.txt")));
  EXPECT_TRUE(QFileInfo::exists(filtered + QStringLiteral("/old.txt")));
  EXPECT_EQ(CopyFilteredTexts(results, base, 0.0, nullptr), 2);
  EXPECT_TRUE(QFileInfo::exists(filtered + QStringLiteral("/sub/b.txt")));
  // A file outside the base keeps its whole folder path under the filtered tree.
  EXPECT_EQ(NewSubFolderFrom(QStringLiteral("/x/y/z.txt"), QStringLiteral("/base")),
            QStringLiteral("x/y"));
  EXPECT_EQ(NewSubFolderFrom(QStringLiteral("/base/z.txt"), QStringLiteral("/base/")), QString());
}

TEST(RelevanceResults, SortsAndHeading) {
  RelevanceResults list;
  list.AddOne(QStringLiteral("b"), {10, 3, 1.5f});
  list.AddOne(QStringLiteral("a"), {30, 1, 1.5f});
  list.AddOne(QStringLiteral("c"), {20, 2, 4.0f});
  const auto order = [&] { return list.String(0) + list.String(1) + list.String(2); };
  list.SortOnSingle_Sort2String(false);
  EXPECT_EQ(order(), QStringLiteral("cab"));
  list.SortOn_Int(1, true);
  EXPECT_EQ(order(), QStringLiteral("bca"));
  list.SortOn_Int(2, false);
  EXPECT_EQ(order(), QStringLiteral("bca"));
  list.SortOnStrings(false);
  EXPECT_EQ(order(), QStringLiteral("cba"));

  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(RtfSampleHeading(3, {1234, 2, 3.0f}),
            QStringLiteral("<(4) ") + LX("LXScore") + QStringLiteral(": 3.00, ") +
                LX("LXHitTypes") + QStringLiteral(": 2, (1,234 words)>"));
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
    if (i != 4) tree.WriteText(name, QStringLiteral("x"));
    results.AddOne(tree.Path(name), {100 + i, 1, static_cast<float>(6 - i)});
  }
  RtfSampleChoice choice{tree.Root(), 3, 5};
  QStringList headings;
  const int saved = SaveRtfSampleRun(results, choice,
                                     [&](int index, const QString& file, const QString& heading) {
                                       EXPECT_EQ(file, results.String(index));
                                       headings << heading;
                                       return index != 5;
                                     });
  EXPECT_EQ(saved, 1);
  ASSERT_EQ(headings.size(), 2);
  EXPECT_TRUE(headings[0].startsWith(QStringLiteral("<(4) Score: 3.00,")));
  EXPECT_TRUE(headings[1].startsWith(QStringLiteral("<(6) Score: 1.00,")));
}
