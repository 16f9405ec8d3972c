#include "runtime/word_lists.h"

#include <gtest/gtest.h>

TEST(WordLists, CountsTypesAndTokensWithoutRegardToCase) {
  const char16_t* text = u"The cat, the CAT and 42 dogs - \u00e9t\u00e9 d'\u00e9t\u00e9";
  std::int32_t tokens = -1;
  const WordList w = SimpleWordListOfTxt(text, 1, false, &tokens);
  EXPECT_EQ(tokens, 10);  // the cat the cat and 42 dogs été d été
  EXPECT_EQ(TokenCountOfTxt(text), 10);
  EXPECT_EQ(w.TokenCount(), 10);
  EXPECT_EQ(w.TypeCount(), 7);
  EXPECT_EQ(w.CountOf(u"Cat"), 2);
  EXPECT_EQ(w.CountOf(u"\u00c9T\u00c9"), 2);
  EXPECT_EQ(SimpleWordListOfTxt(u"a bb ccc", 2, false).TokenCount(), 2);
  EXPECT_EQ(SimpleWordListOfTxt(u"The the", 1, true).TypeCount(), 2);
}

TEST(WordLists, DifferencesAndStricterThresholds) {
  // 100 words; the second text has one word replaced and the lines reordered.
  QString a, b;
  for (int i = 0; i < 100; ++i) {
    const QString word = QStringLiteral("w%1").arg(i % 50);
    a += word + QLatin1Char(' ');
    b.prepend((i == 7 ? QStringLiteral("other") : word) + QLatin1Char(' '));
  }
  const WordList wa = SimpleWordListOfTxt(a, 1, false);
  const WordList wb = SimpleWordListOfTxt(b, 1, false);
  std::int32_t types = -1, tokens = -1;
  // w7 occurs twice in a, once in b; "other" only in b. 2 token differences
  // of 200 tokens are 1 %; 1 type of 101 is about 1 %.
  EXPECT_TRUE(TypeAndTokenDifferences2SimpleWordLists(wa, wb, 1.0f, 1.0f, &types, &tokens));
  EXPECT_EQ(tokens, 2);
  EXPECT_EQ(types, 1);
  EXPECT_FALSE(TypeAndTokenDifferences2SimpleWordLists(wa, wb, 1.0f, 0.9f, &types, &tokens));
  // The length threshold compares token counts: 100 against 102 words.
  const WordList longer = SimpleWordListOfTxt(a + QStringLiteral("w1 w2"), 1, false);
  EXPECT_TRUE(TypeAndTokenDifferences2SimpleWordLists(wa, longer, 2.0f, 5.0f, &types, &tokens));
  EXPECT_FALSE(TypeAndTokenDifferences2SimpleWordLists(wa, longer, 1.9f, 5.0f, &types, &tokens));
  // Texts without words are similar to nothing, not even to each other.
  const WordList none = SimpleWordListOfTxt(u"-- !! --", 1, false);
  EXPECT_FALSE(
      TypeAndTokenDifferences2SimpleWordLists(none, none, 100.0f, 100.0f, &types, &tokens));
  EXPECT_FALSE(TypeAndTokenDifferences2SimpleWordLists(wa, none, 200.0f, 100.0f, &types, &tokens));
}

TEST(WordLists, TimeRemainingEstimate) {
  // 10 of 100 items (20 skipped) took 30 s: 70 left take 210 s.
  EXPECT_EQ(TimeRemainingText(30.0, 10, 100, 20), QStringLiteral("0:03:30"));
  EXPECT_EQ(TimeRemainingText(3600.0, 1, 3, 0), QStringLiteral("2:00:00"));
  EXPECT_EQ(TimeRemainingText(5.0, 0, 100, 0), QString());
}
