#include "corruption/digraph_tree.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>
#include <optional>
#include <random>

#include "runtime/error.h"
#include "support/test_support.h"

namespace {

const QString kLopsided = QStringLiteral("lopsided data: stack overflow in Tree");

// The profile finished through the tree, or nothing when its walk fails.
std::optional<DigraphSample> ThroughTheTree(const DigraphCounter& c, int min_freq) {
  DigraphSample sample{std::make_unique<DigraphTree>(min_freq), c.Digraphs()};
  c.FillTree(*sample.tree);
  try {
    FinishProfile(sample);
  } catch (const SorvelError& e) {
    EXPECT_EQ(e.Message(), kLopsided);
    return std::nullopt;
  }
  return sample;
}

// The flat profile, or nothing when it fails as a lopsided tree would.
std::optional<DigraphProfile> Flat(DigraphCounter& c, int min_freq) {
  DigraphProfile flat;
  try {
    c.Finish(min_freq, flat);
  } catch (const SorvelError& e) {
    EXPECT_EQ(e.Message(), kLopsided);
    return std::nullopt;
  }
  return flat;
}

// n first letters from `first` on in steps of `step`, each once before "A.".
DigraphCounter Chain(int first, int step, int n) {
  DigraphCounter c;
  for (int i = 0; i < n; ++i)
    c.Feed(QString(QChar(static_cast<char16_t>(first + step * i))) + QStringLiteral("A."));
  return c;
}

}  // namespace

// What starts a digraph, case folding and minimum counts: the detector's
// oracle test, over random texts.
TEST(DigraphProfile, ALopsidedTreeFailsItsWalkBothWays) {
  // Distinct digraphs arriving in strictly descending order build a left
  // chain; 2048 of them overflow the walk's stack, 2047 do not. The flat
  // finish fails exactly where the tree does.
  DigraphCounter fits = Chain(0x9FFF, -1, 2047), too_deep = Chain(0x9FFF, -1, 2048);
  EXPECT_TRUE(ThroughTheTree(fits, 1) && Flat(fits, 1));
  EXPECT_FALSE(ThroughTheTree(too_deep, 1));
  EXPECT_FALSE(Flat(too_deep, 1));
  // Ascending order builds a right chain, which the walk handles.
  const auto up = ThroughTheTree(Chain(0x4E00, 1, 3000), 1);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->tree->sorted_results.Count(), 3000);
}

TEST(DigraphProfile, FlatFinishAgreesWithTheTree) {
  // Texts of many distinct digraphs (a CJK block with letters after it) in
  // orders near the lopsided limit: mostly descending with random swaps, and
  // shorter texts shuffled.
  QRandomGenerator rng(77);
  int lopsided = 0, whole = 0;
  for (int round = 0; round < 34; ++round) {
    const int n = round < 24 ? 2040 + static_cast<int>(rng.bounded(30))
                             : static_cast<int>(rng.bounded(1, 400));
    std::vector<char16_t> firsts;
    for (int i = 0; i < n; ++i) firsts.push_back(static_cast<char16_t>(0x9FFF - i));
    for (int s = static_cast<int>(rng.bounded(4)); s > 0; --s)
      std::swap(firsts[rng.bounded(n)], firsts[rng.bounded(n)]);
    if (round >= 24) std::shuffle(firsts.begin(), firsts.end(), std::mt19937(round));
    DigraphCounter c;
    for (char16_t first : firsts)
      for (int k = 1 + static_cast<int>(rng.bounded(3)); k > 0; --k)
        c.Feed(QString(QChar(first)) + QStringLiteral("a b."));
    const int min_freq = 1 + static_cast<int>(rng.bounded(3));
    const std::optional<DigraphSample> tree = ThroughTheTree(c, min_freq);
    const std::optional<DigraphProfile> flat = Flat(c, min_freq);
    ASSERT_EQ(!flat, !tree) << "round " << round << ", " << n << " first letters";
    (flat ? whole : lopsided) += 1;
    if (!flat) continue;
    const DigraphCountList& r = tree->tree->sorted_results;
    ASSERT_EQ(static_cast<int>(flat->keys.size()), r.Count());
    for (int k = 0; k < r.Count(); ++k) {
      EXPECT_EQ(DigraphText(flat->keys[static_cast<std::size_t>(k)]), r.At(k).text);
      EXPECT_EQ(flat->counts[static_cast<std::size_t>(k)], r.At(k).value);
    }
    EXPECT_EQ(flat->digraphs, c.Digraphs());
  }
  // Both outcomes were met, or the comparison proved little.
  EXPECT_GT(lopsided, 3);
  EXPECT_GT(whole, 12);
}
