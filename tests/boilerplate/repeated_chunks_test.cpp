#include "boilerplate/repeated_chunks.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/test_support.h"

namespace {

using FilesAndHits = std::vector<std::pair<QString, int>>;

// Cutting and both sort orders: the oracle test (files added the threaded
// way). Here, one file at a time, what its small random corpora never reach.
TEST(RepeatedChunks, CountsSurviveTheTableGrowing) {
  // Enough distinct sentences to make the count table grow several times.
  TempTree tree;
  const QString repeated = QStringLiteral("The same sentence opens and closes.");
  QString text = repeated + u' ';
  for (int i = 0; i < 200000; ++i)
    text += QStringLiteral("Sentence number %1 stands alone. ").arg(i);
  const QString big = tree.WriteText("big.txt", text + repeated);
  const QString small = tree.WriteText("small.txt", "Sentence number 77 stands alone.");
  RepeatedChunks engine;
  engine.SetSettings(false, 200, 2, 10, nullptr, nullptr, nullptr);
  for (const QString& f : {big, small})
    engine.AddToRepeatedSentencesInTxt(engine.LoadATextFile(f), 2);
  engine.SortDescendingFreq();
  EXPECT_EQ(engine.DistinctChunks(), 200001);
  ASSERT_EQ(engine.Chunks().Count(), 2);
  const auto files_of = [&](int chunk) {
    FilesAndHits out;
    const auto& occ = engine.Chunks().GetAListOfOccurrences(chunk);
    for (int j = 0; j < occ.Count(); ++j)
      out.emplace_back(engine.ChunkFiles().GetFullFilename(occ.GetAValue(j).value1),
                       occ.GetAValue(j).value2);
    return out;
  };
  // Two hits each, both first met in big.txt: in the order of their texts.
  EXPECT_EQ(engine.Chunks().Strings(0), QStringLiteral("Sentence number 77 stands alone."));
  EXPECT_EQ(files_of(0), (FilesAndHits{{big, 1}, {small, 1}}));
  EXPECT_EQ(engine.Chunks().Strings(1), repeated);
  EXPECT_EQ(files_of(1), (FilesAndHits{{big, 2}}));
}

}  // namespace
