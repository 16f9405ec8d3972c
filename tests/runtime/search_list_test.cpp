#include "runtime/search_list.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

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
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("tax\t1\t0\tq"), &r, &err));
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("ta*x"), &r, &err));
  EXPECT_FALSE(ParseSearchLine(QStringLiteral("a\t1\t2\tc\textra"), &r, &err));
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

// Whole words, case and overlapping hits are checked against a plain scan
// below; these are the cases its random terms never make.
TEST(WordSearch, WildcardsPhrasesOverLineBreaksAndEmptyTerms) {
  const QString text = QStringLiteral("Tax, taxes and TAX. Syntax tax-free; economy economics.");
  std::vector<std::int64_t> lengths;
  EXPECT_EQ(Find(QStringLiteral("econom"), text, kSoWordGoesOn, &lengths), (V{37, 45}));
  EXPECT_EQ(lengths, (V{7, 9}));  // the hit covers the whole word
  EXPECT_EQ(Find(QStringLiteral("tax"), text, kSoWordBeganBefore, &lengths), (V{0, 15, 20, 27}));
  EXPECT_EQ(lengths, (V{3, 3, 6, 3}));
  EXPECT_TRUE(Find(QString(), text).empty());
  const QString lines = QStringLiteral("global\r\n  warming and global warming");
  EXPECT_EQ(Find(QStringLiteral("global  warming"), lines, 0, &lengths), (V{0, 22}));
  EXPECT_EQ(lengths, (V{17, 14}));
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
  // Letters of both cases, spaces and full stops; no space first or doubled.
  const auto random_text = [&](int length) {
    QString s;
    while (s.size() < length) {
      const QChar c = QStringLiteral("abAB .")[static_cast<int>(rng.bounded(6))];
      if (c != u' ' || (!s.isEmpty() && !s.endsWith(u' '))) s += c;
    }
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<SearchTerm> terms(1 + rng.bounded(8));
    for (SearchTerm& r : terms) {
      r.term = r.typed_in = random_text(1 + static_cast<int>(rng.bounded(4))).trimmed();
      r.options = (rng.bounded(2) ? kSoCaseKept : 0) | (rng.bounded(2) ? kSoAnywhere : 0);
    }
    const QString text = random_text(60);
    std::vector<TermMatches> hits;
    MultiTermMatcher(terms).FindAll(text, hits);
    ASSERT_EQ(hits.size(), terms.size());
    for (std::size_t k = 0; k < terms.size(); ++k) {
      const SearchTerm& r = terms[k];
      const qsizetype n = r.term.size();
      V expected;
      for (qsizetype i = 0; i + n <= text.size(); ++i) {
        const bool starts = !r.term.front().isLetter() || i == 0 || !text[i - 1].isLetter();
        const bool ends =
            !r.term.back().isLetter() || i + n == text.size() || !text[i + n].isLetter();
        const auto cs = r.CaseKept() ? Qt::CaseSensitive : Qt::CaseInsensitive;
        if (((r.options & kSoAnywhere) || (starts && ends)) &&
            (expected.empty() || i >= expected.back() + n) &&
            QStringView(text).mid(i, n).compare(r.term, cs) == 0)
          expected.push_back(i);
      }
      EXPECT_EQ(hits[k].positions, expected) << "term \"" << r.term.toStdString() << "\" options "
                                             << r.options << " in \"" << text.toStdString() << "\"";
    }
  }
}
