#include "runtime/search_list.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "runtime/text_reader.h"
#include "support/test_support.h"

namespace {

std::vector<std::int64_t> Find(const QString& term, const QString& text, int options = 0,
                               std::vector<std::int64_t>* lengths = nullptr) {
  return CharacterPositionsWordFoundIn(term, QString(), QString(), text, 0, options, 0, lengths);
}

using V = std::vector<std::int64_t>;

}  // namespace

TEST(SearchLine, FieldsWildcardsAndOptions) {
  SearchTerm r;
  QString err;
  ASSERT_TRUE(ParseSearchLine(QStringLiteral("econom*\t3\t2\tc n"), &r, &err)) << err.toStdString();
  EXPECT_EQ(r.typed_in, QStringLiteral("econom*"));
  EXPECT_EQ(r.term, QStringLiteral("econom"));
  EXPECT_EQ(r.weight, 3);
  EXPECT_EQ(r.other_sws_needed, 2);
  EXPECT_EQ(r.options, kSoWordGoesOn | kSoCaseKept | kSoNegative);

  ASSERT_TRUE(ParseSearchLine(QStringLiteral("*ism\t\t\t"), &r, &err));
  EXPECT_EQ(r.term, QStringLiteral("ism"));
  EXPECT_EQ(r.options, kSoWordBeganBefore);
  EXPECT_EQ(r.weight, 0);
  EXPECT_EQ(r.EffectiveWeight(), 1);

  EXPECT_FALSE(ParseSearchLine(QStringLiteral("tax\tx"), &r, &err));
  EXPECT_TRUE(err.contains(QStringLiteral("\"x\""))) << err.toStdString();
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("tax\t-2"), &r, &err));
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("tax\t1\t0\tq"), &r, &err));
  EXPECT_TRUE(err.contains(QStringLiteral("\"q\"")));
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("ta*x"), &r, &err));
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("*"), &r, &err));
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("a\t1\t2\tc\textra"), &r, &err));
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("\t1"), &r, &err));
}

TEST(SearchList, LoadsFileSkippingCommentsAndNamesBadLines) {
  TempTree tree;
  const QString good = tree.WriteText(QStringLiteral("f.txt"),
                                      QStringLiteral("# my terms\n\nclimate\t2\t0\t\nCO2\t1\t0\tc\n"
                                                     "hoax\t1\t0\tn\n"));
  TermList list;
  ASSERT_TRUE(list.LoadFromFile(good)) << list.Problems().join(QLatin1Char('\n')).toStdString();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetATypedInSW(1), QStringLiteral("CO2"));
  EXPECT_TRUE(list[1].CaseKept());
  EXPECT_TRUE(list[2].Negative());
  EXPECT_EQ(list.IndexOf(QStringLiteral("hoax")), 2);
  EXPECT_EQ(list.IndexOf(QStringLiteral("HOAX")), -1);

  const QString bad =
      tree.WriteText(QStringLiteral("g.txt"), QStringLiteral("alpha\t1\nbeta\t1\ngamma\ttwo\n"));
  EXPECT_FALSE(list.LoadFromFile(bad));
  EXPECT_EQ(list.Count(), 2);  // the good lines still load
  ASSERT_EQ(list.Problems().size(), 1);
  EXPECT_TRUE(list.Problems()[0].startsWith(QStringLiteral("line 3")))
      << list.Problems()[0].toStdString();

  EXPECT_FALSE(list.LoadFromFile(tree.Path(QStringLiteral("missing.txt"))));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Problems().size(), 1);
}

TEST(SearchList, PlainLinesKeepTabsAndStarsAsText) {
  TermList list;
  EXPECT_EQ(list.LoadFromAStringlist({QStringLiteral("econom*"), QString(), QStringLiteral("a\tb")},
                                     false),
            2);
  EXPECT_EQ(list[0].options, kSoWordGoesOn);
  EXPECT_EQ(list[1].term, QStringLiteral("a\tb"));
  EXPECT_EQ(list.LoadFromAStringlist({QStringLiteral("x\t5")}, true), 1);
  EXPECT_EQ(list[2].weight, 5);
}

TEST(WordSearch, WholeWordsCaseAndWildcards) {
  const QString text = QStringLiteral("Tax, taxes and TAX. Syntax tax-free; economy economics.");
  EXPECT_EQ(Find(QStringLiteral("tax"), text), (V{0, 15, 27}));
  EXPECT_EQ(Find(QStringLiteral("TAX"), text, kSoCaseKept), (V{15}));
  EXPECT_EQ(Find(QStringLiteral("tax"), text, kSoAnywhere), (V{0, 5, 15, 23, 27}));
  std::vector<std::int64_t> lengths;
  EXPECT_EQ(Find(QStringLiteral("econom"), text, kSoWordGoesOn, &lengths), (V{37, 45}));
  EXPECT_EQ(lengths, (V{7, 9}));  // the hit covers the whole word
  EXPECT_EQ(Find(QStringLiteral("tax"), text, kSoWordBeganBefore, &lengths), (V{0, 15, 20, 27}));
  EXPECT_EQ(lengths, (V{3, 3, 6, 3}));
  // Upper-cased text finds the same as the original for a case-folding term.
  QString upper = text;
  UpperCaseInPlace(upper);
  EXPECT_EQ(Find(QStringLiteral("taxes"), upper), Find(QStringLiteral("taxes"), text));
  EXPECT_TRUE(Find(QString(), text).empty());
}

TEST(WordSearch, PhrasesSpanLineBreaksAndHitsDoNotOverlap) {
  const QString text = QStringLiteral("global\r\n  warming and global warming");
  std::vector<std::int64_t> lengths;
  EXPECT_EQ(Find(QStringLiteral("global  warming"), text, 0, &lengths), (V{0, 22}));
  EXPECT_EQ(lengths, (V{17, 14}));
  EXPECT_EQ(Find(QStringLiteral("aa"), QStringLiteral("aaaaa"), kSoAnywhere), (V{0, 2}));
  EXPECT_EQ(Find(QStringLiteral("very very"), QStringLiteral("very very very very")), (V{0, 10}));
  // Non-letter edges need no word boundary there.
  EXPECT_EQ(Find(QStringLiteral("U.S."), QStringLiteral("the U.S.A. and U.S.")), (V{4, 15}));
}

TEST(WordCount, RunsOfWordUnitsWithJoiners) {
  EXPECT_EQ(BasicWordCount(u""), 0);
  EXPECT_EQ(BasicWordCount(u"  don't stop -- well-known 42 cafés, x"), 6);
  EXPECT_EQ(BasicWordCount(u"end- -start '"), 2);
}

// The one-pass matcher must find, for every term, what a plain scan for that
// term alone finds: terms that share prefixes and suffixes, overlapping
// matches and both case modes mixed.
TEST(MultiTermMatcher, AgreesWithAPlainScanOnRandomTexts) {
  QRandomGenerator rng(12345);
  const QString alphabet = QStringLiteral("abAB .");
  auto random_string = [&](int len) {
    QString s;
    for (int i = 0; i < len; ++i)
      s.append(alphabet[static_cast<int>(rng.bounded(alphabet.size()))]);
    return s;
  };
  auto is_word = [](QChar c) { return c.isLetter(); };
  auto single_spaces = [](QString s) {
    while (s.contains(QStringLiteral("  "))) s.replace(QStringLiteral("  "), QStringLiteral(" "));
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<SearchTerm> terms;
    const int nterms = 1 + static_cast<int>(rng.bounded(8));
    for (int k = 0; k < nterms; ++k) {
      SearchTerm r;
      QString t = single_spaces(random_string(1 + static_cast<int>(rng.bounded(4))).trimmed());
      if (t.isEmpty()) t = QStringLiteral("a");
      r.term = r.typed_in = t;
      const int o = static_cast<int>(rng.bounded(4));
      r.options = (o & 1 ? kSoCaseKept : 0) | (o & 2 ? kSoAnywhere : 0);
      terms.push_back(r);
    }
    const QString text = single_spaces(random_string(60));
    MultiTermMatcher m(terms);
    std::vector<TermMatches> hits;
    m.FindAll(text, hits);
    ASSERT_EQ(hits.size(), terms.size());
    for (std::size_t k = 0; k < terms.size(); ++k) {
      const SearchTerm& r = terms[k];
      const Qt::CaseSensitivity cs = r.CaseKept() ? Qt::CaseSensitive : Qt::CaseInsensitive;
      V expected;
      qsizetype last_end = 0;
      for (qsizetype i = 0; i + r.term.size() <= text.size(); ++i) {
        if (QStringView(text).mid(i, r.term.size()).compare(r.term, cs) != 0) continue;
        const qsizetype e = i + r.term.size();
        if (!(r.options & kSoAnywhere)) {
          if (is_word(r.term.front()) && i > 0 && is_word(text[i - 1])) continue;
          if (is_word(r.term.back()) && e < text.size() && is_word(text[e])) continue;
        }
        if (i < last_end) continue;
        expected.push_back(static_cast<std::int64_t>(i));
        last_end = e;
      }
      EXPECT_EQ(hits[k].positions, expected) << "term \"" << r.term.toStdString() << "\" options "
                                             << r.options << " in \"" << text.toStdString() << "\"";
    }
  }
}

TEST(MultiTermMatcher, StopFlagEndsTheSearch) {
  SearchTerm r = PlainSearchTerm(QStringLiteral("word"));
  MultiTermMatcher m({r});
  QString text;
  for (int i = 0; i < 50000; ++i) text += QStringLiteral("word ");
  std::atomic<bool> stop{true};
  std::vector<TermMatches> hits;
  m.FindAll(text, hits, &stop);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_LT(hits[0].positions.size(), 50000u);
  m.FindAll(text, hits);
  EXPECT_EQ(hits[0].positions.size(), 50000u);
}
