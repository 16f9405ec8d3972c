#include "corruption/digraph_tree.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>
#include <random>

#include "runtime/error.h"
#include "support/test_support.h"

namespace {

sample_array Profile(const QString& text, int min_freq) {
  DigraphCounter c;
  c.Feed(text);
  sample_array p;
  p.Tree = std::make_unique<DigraphTree>(min_freq);
  p.digraphs = c.Digraphs();
  c.FillTree(*p.Tree);
  FinishProfile(p);
  return p;
}

QStringList Digraphs(const sample_array& p) {
  QStringList out;
  for (int i = 0; i < p.Tree->sorted_results.Count(); ++i) out << p.Tree->sorted_results.At(i).text;
  return out;
}

}  // namespace

TEST(DigraphProfile, WhatStartsADigraph) {
  // AB counts; "A " counts; a letter before a digit, full stop, tab, no-break
  // space or line break starts nothing; the last letter starts nothing.
  const sample_array p = Profile(QStringLiteral("ab a b a1 a. a\ta\u00A0a\r\nz"), 1);
  EXPECT_EQ(Digraphs(p), (QStringList{"A ", "AB", "B "}));
  EXPECT_EQ(p.digraphs, 4);  // AB, "B " twice, "A " once
  const auto& r = p.Tree->sorted_results;
  ASSERT_EQ(r.Count(), 3);
  EXPECT_EQ((std::vector<int>{r.At(0).value, r.At(1).value, r.At(2).value}),
            (std::vector<int>{1, 1, 2}));  // "A ", AB, "B "
  EXPECT_EQ(r.Find(u"B "), 2);
  EXPECT_EQ(r.Find(u"ZZ"), -1);

  const sample_array none = Profile(QStringLiteral("123 ... \r\n 456"), 1);
  EXPECT_EQ(none.digraphs, 0);
  EXPECT_EQ(none.Tree->sorted_results.Count(), 0);
}

TEST(DigraphProfile, CaseFoldingMinimumCountAndOrder) {
  // Lower case is counted under upper case; a digraph below the minimum count
  // is left out of the results but its occurrences stay in the total.
  QString text;
  for (int i = 0; i < 9; ++i) text += QStringLiteral("Th. ");
  for (int i = 0; i < 6; ++i) text += QStringLiteral("tH. ");
  for (int i = 0; i < 9; ++i) text += QStringLiteral("xy. ");
  text += QStringLiteral("ÉÀ. éà. ба. ");
  const sample_array p = Profile(text, 10);
  ASSERT_EQ(Digraphs(p), QStringList{"TH"});
  EXPECT_EQ(p.Tree->sorted_results.At(0).value, 15);
  EXPECT_EQ(p.digraphs, 15 + 9 + 3);

  const sample_array all = Profile(text, 1);
  ASSERT_EQ(Digraphs(all), (QStringList{"TH", "XY", "ÉÀ", "БА"}));
  EXPECT_EQ(all.Tree->sorted_results.At(2).value, 2);
}

TEST(DigraphProfile, PiecesJoinLikeOneText) {
  DigraphCounter c;
  c.Feed(u"A");
  c.Feed(u"B A");
  c.Feed(u"");
  c.Feed(u"B");
  EXPECT_EQ(c.Digraphs(), 3);  // AB, B_, AB
  EXPECT_EQ(c.Distinct(), 2);
}

TEST(DigraphProfile, ALopsidedTreeFailsItsWalk) {
  // Distinct digraphs arriving in strictly descending order build a left
  // chain; 2048 of them overflow the walk's stack, 2047 do not.
  auto descending = [](int n) {
    QString text;
    for (int i = 0; i < n; ++i) {
      text += QChar(static_cast<char16_t>(0x9FFF - i));
      text += QStringLiteral("A.");
    }
    return text;
  };
  EXPECT_NO_THROW(Profile(descending(2047), 1));
  try {
    Profile(descending(2048), 1);
    FAIL() << "no error for a lopsided tree";
  } catch (const SorvelError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("lopsided data: stack overflow in Tree"));
  }
  // Ascending order builds a right chain, which the walk handles.
  QString up;
  for (int i = 0; i < 3000; ++i)
    up += QChar(static_cast<char16_t>(0x4E00 + i)) + QStringLiteral("A.");
  EXPECT_EQ(Profile(up, 1).Tree->sorted_results.Count(), 3000);
}

TEST(DigraphProfile, FlatFinishAgreesWithTheTree) {
  // Texts of many distinct digraphs (a CJK block with letters after it) in
  // orders near the lopsided limit: mostly descending with random swaps, so
  // that the deepest left chain lies just under, at or just over 2047.
  QRandomGenerator rng(77);
  int lopsided = 0, whole = 0;
  for (int round = 0; round < 40; ++round) {
    // Rounds 0 to 5 are plain descending runs around the limit.
    const int n = round < 6 ? 2046 + round
                            : (round < 30 ? 2040 + static_cast<int>(rng.bounded(30))
                                          : static_cast<int>(rng.bounded(1, 400)));
    std::vector<char16_t> firsts;
    for (int i = 0; i < n; ++i) firsts.push_back(static_cast<char16_t>(0x9FFF - i));
    for (int s = round < 6 ? 0 : static_cast<int>(rng.bounded(4)); s > 0; --s)
      std::swap(firsts[rng.bounded(n)], firsts[rng.bounded(n)]);
    if (round >= 30) std::shuffle(firsts.begin(), firsts.end(), std::mt19937(round));
    QString text;
    for (char16_t c : firsts) {
      const int repeats = 1 + static_cast<int>(rng.bounded(3));
      for (int k = 0; k < repeats; ++k) text += QChar(c) + QStringLiteral("a b.");
    }
    const int min_freq = 1 + static_cast<int>(rng.bounded(3));
    DigraphCounter c;
    c.Feed(text);
    sample_array tree;
    tree.Tree = std::make_unique<DigraphTree>(min_freq);
    c.FillTree(*tree.Tree);
    bool tree_failed = false;
    try {
      FinishProfile(tree);
    } catch (const SorvelError&) {
      tree_failed = true;
    }
    DigraphProfile flat;
    bool flat_failed = false;
    try {
      c.Finish(min_freq, flat);
    } catch (const SorvelError& e) {
      flat_failed = true;
      EXPECT_EQ(e.Message(), QStringLiteral("lopsided data: stack overflow in Tree"));
    }
    ASSERT_EQ(flat_failed, tree_failed) << "round " << round << ", " << n << " first letters";
    (tree_failed ? lopsided : whole) += 1;
    if (tree_failed) continue;
    const DigraphCountList& r = tree.Tree->sorted_results;
    ASSERT_EQ(static_cast<int>(flat.keys.size()), r.Count());
    for (int k = 0; k < r.Count(); ++k) {
      EXPECT_EQ(DigraphText(flat.keys[static_cast<std::size_t>(k)]), r.At(k).text);
      EXPECT_EQ(flat.counts[static_cast<std::size_t>(k)], r.At(k).value);
    }
    EXPECT_EQ(flat.digraphs, c.Digraphs());
  }
  // Both outcomes were met, or the comparison proved little.
  EXPECT_GT(lopsided, 3);
  EXPECT_GT(whole, 12);
}
