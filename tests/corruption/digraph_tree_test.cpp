#include "corruption/digraph_tree.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>
#include <random>

#include "runtime/error.h"
#include "support/test_support.h"

namespace {

DigraphSample Profile(const QString& text, int min_freq) {
  DigraphCounter c;
  c.Feed(text);
  DigraphSample p;
  p.tree = std::make_unique<DigraphTree>(min_freq);
  p.digraphs = c.Digraphs();
  c.FillTree(*p.tree);
  FinishProfile(p);
  return p;
}

QStringList Digraphs(const DigraphSample& p) {
  QStringList out;
  for (int i = 0; i < p.tree->sorted_results.Count(); ++i) out << p.tree->sorted_results.At(i).text;
  return out;
}

}  // namespace

// Case folding, minimum counts and texts fed in pieces: the detector's oracle
// test, over random texts.
TEST(DigraphProfile, WhatStartsADigraph) {
  // AB counts; "A " counts; a letter before a digit, full stop, tab, no-break
  // space or line break starts nothing; the last letter starts nothing.
  const DigraphSample p = Profile(QStringLiteral("ab a b a1 a. a\ta\u00A0a\r\nz"), 1);
  EXPECT_EQ(Digraphs(p), (QStringList{"A ", "AB", "B "}));
  EXPECT_EQ(p.digraphs, 4);  // AB, "B " twice, "A " once
  const auto& r = p.tree->sorted_results;
  ASSERT_EQ(r.Count(), 3);
  EXPECT_EQ((std::vector<int>{r.At(0).value, r.At(1).value, r.At(2).value}),
            (std::vector<int>{1, 1, 2}));  // "A ", AB, "B "
  EXPECT_EQ(r.Find(u"B "), 2);
  EXPECT_EQ(r.Find(u"ZZ"), -1);

  const DigraphSample none = Profile(QStringLiteral("123 ... \r\n 456"), 1);
  EXPECT_EQ(none.digraphs, 0);
  EXPECT_EQ(none.tree->sorted_results.Count(), 0);
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
  EXPECT_EQ(Profile(up, 1).tree->sorted_results.Count(), 3000);
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
    DigraphSample tree;
    tree.tree = std::make_unique<DigraphTree>(min_freq);
    c.FillTree(*tree.tree);
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
    const DigraphCountList& r = tree.tree->sorted_results;
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
