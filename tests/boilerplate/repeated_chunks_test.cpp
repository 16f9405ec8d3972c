#include "boilerplate/repeated_chunks.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace {

struct Cut {
  QString text;
  bool terminated;
};

std::vector<Cut> CutAll(const QString& text, int tag_span = 200) {
  std::vector<Cut> out;
  CutTextIntoChunks(text, ChunkRules{tag_span}, [&](QStringView c, bool t) {
    out.push_back(Cut{c.toString(), t});
  });
  return out;
}

QStringList Texts(const std::vector<Cut>& cuts) {
  QStringList l;
  for (const Cut& c : cuts) l << c.text;
  return l;
}

// The cutting rules on one hand-made text; the oracle test compares every
// other case with a plain reference cutter.
TEST(ChunkCutting, SentenceEndsAbbreviationsAndNumbers) {
  const auto cuts = CutAll(
      QStringLiteral("Dr. Smith met J. R. Jones at 3.14 p.m. in the U.S. office.  It rained!\r\n"
                     "Was it \"cold?\" Yes. see www.example.org. Fine... really fine."));
  EXPECT_EQ(Texts(cuts),
            (QStringList{"Dr. Smith met J. R. Jones at 3.14 p.m. in the U.S. office.", "It rained!",
                         "Was it \"cold?\"", "Yes. see www.example.org.", "Fine... really fine."}));
  for (const Cut& c : cuts) EXPECT_TRUE(c.terminated) << c.text.toStdString();
}

class RepeatedChunksTest : public ::testing::Test {
 protected:
  TempTree tree;
  RepeatedChunks engine;

  // Terminated chunks of 10 characters or more found at least twice, one file at a time.
  void Run(const QStringList& files) {
    engine.Clear();
    engine.SetSettings(false, 200, 2, 10, nullptr, nullptr, nullptr);
    for (const QString& f : files) {
      const int n = engine.LoadATextFile(f);
      if (n >= 0) engine.AddToRepeatedSentencesInTxt(n, static_cast<int>(files.size()));
    }
    engine.SortDescendingFreq();
  }

  int Find(const QString& text) const {
    for (int i = 0; i < engine.Chunks().Count(); ++i)
      if (engine.Chunks().Strings(i) == text) return i;
    return -1;
  }

  std::vector<std::pair<QString, int>> Pairs(int chunk) const {
    std::vector<std::pair<QString, int>> out;
    const auto& occ = engine.Chunks().GetAListOfOccurrences(chunk);
    for (int j = 0; j < occ.Count(); ++j)
      out.emplace_back(engine.ChunkFiles().GetFullFilename(occ.GetAValue(j).value1),
                       occ.GetAValue(j).value2);
    return out;
  }
};

TEST_F(RepeatedChunksTest, CountsSurviveTheTableGrowing) {
  // Enough distinct sentences to make the count table grow several times.
  const QString repeated = QStringLiteral("The same sentence opens and closes.");
  QString text = repeated + u' ';
  for (int i = 0; i < 200000; ++i)
    text += QStringLiteral("Sentence number %1 stands alone. ").arg(i);
  const QString big = tree.WriteText("big.txt", text + repeated);
  const QString small = tree.WriteText("small.txt", "Sentence number 77 stands alone.");
  Run({big, small});
  EXPECT_EQ(engine.DistinctChunks(), 200001);
  ASSERT_EQ(engine.Chunks().Count(), 2);
  ASSERT_GE(Find(repeated), 0);
  EXPECT_EQ(Pairs(Find(repeated)), (std::vector<std::pair<QString, int>>{{big, 2}}));
  const int n77 = Find(QStringLiteral("Sentence number 77 stands alone."));
  ASSERT_GE(n77, 0);
  EXPECT_EQ(Pairs(n77), (std::vector<std::pair<QString, int>>{{big, 1}, {small, 1}}));
}

TEST_F(RepeatedChunksTest, TheTwoSortOrders) {
  const QString s1 = QStringLiteral("First shared sentence here.");
  const QString s2 = QStringLiteral("Second shared sentence here.");
  const QString s3 = QStringLiteral("Third shared sentence here.");
  const QString f0 = tree.WriteText("0.txt", s3 + u' ' + s3);
  const QString f1 = tree.WriteText("1.txt", s2 + u' ' + s1);
  const QString f2 = tree.WriteText("2.txt", s1 + u' ' + s2 + u' ' + s1 + u' ' + s3);
  Run({f0, f1, f2});
  // Totals: s1 3, s3 3, s2 2; on equal totals the chunk seen in an earlier file comes first.
  QStringList by_hits;
  for (int i = 0; i < engine.Chunks().Count(); ++i) by_hits << engine.Chunks().Strings(i);
  EXPECT_EQ(by_hits, (QStringList{s3, s1, s2}));

  engine.SortAScendingFilenumbers();
  QStringList by_files;
  for (int i = 0; i < engine.Chunks().Count(); ++i) by_files << engine.Chunks().Strings(i);
  // s3: files 0,2; s1: files 1,2; s2: files 1,2 (s1 has more hits).
  EXPECT_EQ(by_files, (QStringList{s3, s1, s2}));
  engine.SortDescendingFreq();
  EXPECT_EQ(engine.Chunks().Total(0), 3);
  EXPECT_EQ(engine.Chunks().Total(2), 2);
}

}  // namespace
