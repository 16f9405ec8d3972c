#include "runtime/markup.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

TEST(Markup, TagsWithinTheSpanGoAndStrayBracketsStay) {
  EXPECT_EQ(WithoutMarkup(u"<p>Hello <b>world</b></p>"), QStringLiteral("Hello world"));
  EXPECT_EQ(WithoutMarkup(u"a < b and c > d", QLatin1Char('<'), QLatin1Char('>'), 250),
            QStringLiteral("a  d"));
  EXPECT_EQ(WithoutMarkup(u"x <unclosed", QLatin1Char('<'), QLatin1Char('>'), 250),
            QStringLiteral("x <unclosed"));
  // The span counts from the opening character: "<abc>" needs a span of 4.
  EXPECT_EQ(WithoutMarkup(u"<abc>z", QLatin1Char('<'), QLatin1Char('>'), 4), QStringLiteral("z"));
  EXPECT_EQ(WithoutMarkup(u"<abc>z", QLatin1Char('<'), QLatin1Char('>'), 3),
            QStringLiteral("<abc>z"));
}

TEST(Markup, UnreadableFilesGiveEmptyText) {
  TempTree t;
  EXPECT_EQ(MarkupFreeTextFromAFile(t.Path("missing.txt"), 100), QString());
  EXPECT_EQ(MarkupFreeTextFromAFile(t.Write("a.html", "<h1>Title</h1>\nBody"), 100),
            QStringLiteral("Title\r\nBody\r\n"));
}
