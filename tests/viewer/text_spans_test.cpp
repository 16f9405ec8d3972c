// Spans of the viewer: shared lines, markup tags and trimming.

#include "viewer/text_spans.h"

#include <gtest/gtest.h>

namespace {
std::vector<int> Starts(const TermHits& h) {
  std::vector<int> s;
  for (const TermSpan& t : h.spans) s.push_back(t.start);
  return s;
}
}  // namespace

TEST(SharedLineHits, WholeLinesOnlyAndNeverEmptyLines) {
  const QString text = QStringLiteral("a b\r\n\r\nc\r\na b\r\nxa b\r\nc");
  const QStringList reference{QString(), QStringLiteral("c"), QStringLiteral("a b"),
                              QStringLiteral("zz"), QStringLiteral("c")};
  const TermHits hits = SharedLineHits(text, reference);
  EXPECT_EQ(hits.terms, (QStringList{QStringLiteral("c"), QStringLiteral("a b")}));
  // "a b" at 0 and 10; "c" at 7 and at the very end (a last line without a
  // break); "xa b" is not the line "a b".
  EXPECT_EQ(Starts(hits), (std::vector<int>{0, 7, 10, 21}));
  EXPECT_EQ(hits.counts, (std::vector<int>{2, 2}));
  EXPECT_EQ(hits.spans[1].length, 1);
  EXPECT_EQ(hits.spans[1].term, 0);
  EXPECT_EQ(hits.FirstPosition(), 0);

  // A reference of empty lines only finds nothing, even in a text of empty
  // lines.
  EXPECT_EQ(SharedLineHits(QStringLiteral("\n\n\n"), {QString(), QString()}).TotalCount(), 0);
  EXPECT_EQ(SharedLineHits(text, {}).FirstPosition(), -1);
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

TEST(MarkupSpans, FollowTheTagSpanRule) {
  const QString text = QStringLiteral("<p>one < two <a href=\"x\">three</a> <unclosed");
  const std::vector<TermSpan> spans = MarkupSpans(text, QLatin1Char('<'), QLatin1Char('>'), 250);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(text.mid(spans[0].start, spans[0].length), QStringLiteral("<p>"));
  // "< two <a href=...>" : the first "<" finds ">" within the span, so the
  // tag runs from it; this is the suite's rule, the same as markup removal.
  EXPECT_EQ(text.mid(spans[1].start, spans[1].length), QStringLiteral("< two <a href=\"x\">"));
  EXPECT_EQ(text.mid(spans[2].start, spans[2].length), QStringLiteral("</a>"));
  // A short span turns long tags into text.
  const std::vector<TermSpan> short_spans =
      MarkupSpans(text, QLatin1Char('<'), QLatin1Char('>'), 4);
  ASSERT_EQ(short_spans.size(), 2u);
  EXPECT_EQ(text.mid(short_spans[1].start, short_spans[1].length), QStringLiteral("</a>"));
  EXPECT_TRUE(MarkupSpans(text, QLatin1Char('<'), QLatin1Char('>'), 0).empty());
}

TEST(TrimmedText, StripsLinesCollapsesBlanksAndRemovesMarkup) {
  const QString text =
      QStringLiteral("\r\n  \r\n<h>Title</h>  \r\n\t body\t\r\n\r\n \r\n\r\nend <x> \r\n\r\n");
  EXPECT_EQ(TrimmedText(text, true, QLatin1Char('<'), QLatin1Char('>'), 250),
            QStringLiteral("Title\r\nbody\r\n\r\nend\r\n"));
  EXPECT_EQ(TrimmedText(text, false, QLatin1Char('<'), QLatin1Char('>'), 250),
            QStringLiteral("<h>Title</h>\r\nbody\r\n\r\nend <x>\r\n"));
  EXPECT_EQ(TrimmedText(QStringLiteral(" \r\n\r\n"), true, QLatin1Char('<'), QLatin1Char('>'), 250),
            QString());
}

TEST(LineStarts, CountEveryKindOfBreak) {
  EXPECT_EQ(LineStarts(QStringLiteral("a\r\nb\nc\rd")), (std::vector<int>{0, 3, 5, 7}));
  EXPECT_TRUE(LineStarts(QString()).empty());
  EXPECT_EQ(LinesOf(QStringLiteral("a\r\n\r\nb")),
            (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
}
