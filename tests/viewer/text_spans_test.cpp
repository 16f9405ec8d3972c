// Spans of the viewer: shared lines, trimming and line starts. Markup tags are
// compared with the plain removal in the relevance oracle test.

#include "viewer/text_spans.h"

#include <gtest/gtest.h>

namespace {
// Each span as "start+length:term".
QStringList Spans(const TermHits& h) {
  QStringList s;
  for (const TermSpan& t : h.spans)
    s << QStringLiteral("%1+%2:%3").arg(t.start).arg(t.length).arg(t.term);
  return s;
}
}  // namespace

TEST(SharedLineHits, WholeLinesOnlyAndNeverEmptyLines) {
  const QString text = QStringLiteral("a b\r\n\r\nc\r\na b\r\nxa b\r\nc");
  const TermHits hits = SharedLineHits(text, {"", "c", "a b", "zz", "c"});
  EXPECT_EQ(hits.terms, (QStringList{"c", "a b"}));
  // "a b" at 0 and 10; "c" at 7 and at the very end (a last line without a
  // break); "xa b" is not the line "a b".
  EXPECT_EQ(Spans(hits), (QStringList{"0+3:1", "7+1:0", "10+3:1", "21+1:0"}));
  EXPECT_EQ(hits.counts, (std::vector<int>{2, 2}));

  // A reference of empty lines only finds nothing, even in a text of empty
  // lines.
  EXPECT_EQ(SharedLineHits(QStringLiteral("\n\n\n"), {QString(), QString()}).TotalCount(), 0);
}

TEST(SharedLineHits, StopsWhenAsked) {
  QStringList reference;
  for (int i = 0; i < 10000; ++i) reference << QStringLiteral("line %1").arg(i);
  int calls = 0;
  const TermHits hits = SharedLineHits(QStringLiteral("line 1\nline 9999\n"), reference,
                                       [&](int) { return ++calls < 2; });
  EXPECT_TRUE(hits.stopped);
  // Only the first batch of reference lines was looked at.
  EXPECT_EQ(hits.terms, QStringList{QStringLiteral("line 1")});
}

TEST(TrimmedText, StripsLinesCollapsesBlanksAndRemovesMarkup) {
  const auto trim = [](const QString& t, bool markup) {
    return TrimmedText(t, markup, u'<', u'>', 250);
  };
  const QString text =
      QStringLiteral("\r\n  \r\n<h>Title</h>  \r\n\t body\t\r\n\r\n \r\n\r\nend <x> \r\n\r\n");
  EXPECT_EQ(trim(text, true), QStringLiteral("Title\r\nbody\r\n\r\nend\r\n"));
  EXPECT_EQ(trim(text, false), QStringLiteral("<h>Title</h>\r\nbody\r\n\r\nend <x>\r\n"));
  EXPECT_EQ(trim(QStringLiteral(" \r\n\r\n"), true), QString());
}

TEST(LineStarts, CountEveryKindOfBreak) {
  EXPECT_EQ(LineStarts(QStringLiteral("a\r\nb\nc\rd")), (std::vector<int>{0, 3, 5, 7}));
  EXPECT_TRUE(LineStarts(QString()).empty());
  EXPECT_EQ(LinesOf(QStringLiteral("a\r\n\r\nb")), (QStringList{"a", "", "b"}));
}
