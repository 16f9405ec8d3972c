#include "sampling/sub_corpus_builder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "runtime/error.h"
#include "support/test_support.h"

namespace {

std::int64_t Local(int y, int m, int d, int h = 12, int min = 0) {
  return QDateTime(QDate(y, m, d), QTime(h, min), Qt::LocalTime).toSecsSinceEpoch();
}

void WriteDated(TempTree& t, const QString& rel, const QByteArray& text, std::int64_t when) {
  t.Write(rel, text);
  t.SetMTime(rel, when);
}

// A sub-corpus file must be UTF-16 LE with a mark; returns its text.
QString ReadSubCorpus(const QString& path) {
  const QByteArray b = ReadAll(path);
  EXPECT_TRUE(b.startsWith("\xFF\xFE")) << path.toStdString();
  EXPECT_EQ(b.size() % 2, 0);
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData() + 2),
                            (b.size() - 2) / 2);
}

}  // namespace

TEST(SubCorpora, YearBaseLayoutsTagsAndFileDates) {
  TempTree t;
  WriteDated(t, "src/a.txt", "line one\r\nline two\r\n", Local(1997, 3, 18, 14, 5));
  WriteDated(t, "src/b.txt", "single line", Local(1997, 3, 18, 9, 0));
  WriteDated(t, "src/c.txt", "x\ny\nz", Local(1998, 1, 2));
  WriteDated(t, "src/empty.txt", "", Local(1999, 5, 5));

  FileWalker it;
  QStringList statuses;
  SubCorpusRequest rq{t.Path("src"), t.Path("out/"), QStringLiteral("*.*"), tlbYear};
  const int saved =
      BuildSubCorpora(it, rq, {nullptr, [&](const QString& s) { statuses << s; }, nullptr});
  EXPECT_EQ(saved, 2);
  EXPECT_EQ(statuses.last(), QStringLiteral("2 files saved"));

  const QString y97 = t.Path("out/year/1997.txt");
  const QString a = t.Path("src/a.txt");
  EXPECT_EQ(
      ReadSubCorpus(y97),
      QStringLiteral("<START OF TEXT 1 ****>\r\nline one\r\n<separate filename = ") + a +
          QStringLiteral(
              ">\r\nline two\r\n<END OF TEXT 1 ****>\r\n< amalgamation by year >\r\n"
              "<END OF TEXT 1 ****>\r\n"
              "\r\n\r\n\r\n<START OF TEXT 2 ****>\r\nsingle line\r\n\r\n< amalgamation: year >\r\n"
              "<END OF TEXT 2 ****>\r\n"));
  EXPECT_FALSE(QFileInfo::exists(t.Path("out/year/1999.txt")));  // the empty text
  EXPECT_EQ(QFileInfo(y97).lastModified().date(), QDate(1997, 6, 15));

  // With the results inside the corpus, earlier sub-corpora are not regrouped
  // as texts: two runs give the same files.
  SubCorpusRequest inside{t.Path("src"), t.Path("src/results"), QStringLiteral("*.*"), tlbYear};
  EXPECT_EQ(BuildSubCorpora(it, inside), 2);
  const QByteArray first = ReadAll(t.Path("src/results/year/1997.txt"));
  EXPECT_EQ(BuildSubCorpora(it, inside), 2);
  EXPECT_EQ(ReadAll(t.Path("src/results/year/1997.txt")), first);

  // A base without periods gives an empty folder; a custom base is refused.
  EXPECT_EQ(BuildSubCorpora(it, {t.Path("src"), t.Path("out"), QStringLiteral("*.*"), tlbCentury}),
            0);
  EXPECT_TRUE(QFileInfo(t.Path("out/century")).isDir() && QDir(t.Path("out/century")).isEmpty());
  EXPECT_THROW(
      BuildSubCorpora(it, {t.Path("src"), t.Path("out"), QStringLiteral("*.*"), tlbCustom}),
      SorvelError);
  EXPECT_FALSE(QFileInfo::exists(t.Path("out/custom")));
}

TEST(SubCorpora, PeriodNamesAndDates) {
  const auto period = [](int base, int y, int m, int d, int h = 12) {
    const QDateTime date(QDate(y, m, d), QTime(h, 0), Qt::LocalTime);
    return SubCorpusPeriodOf(base, date).value_or(SubCorpusPeriod{});
  };
  EXPECT_EQ(period(tlbHour, 1997, 3, 18, 9).name, QStringLiteral("1997_03_18_09"));
  EXPECT_EQ(period(tlbHour, 1997, 3, 18, 9).stamp, QDateTime(QDate(1997, 3, 18), QTime(9, 0)));
  EXPECT_EQ(period(tlbWeek, 2011, 1, 6).name, QStringLiteral("2011_Week_00"));  // days 1-6
  EXPECT_EQ(period(tlbWeek, 2011, 1, 7).name, QStringLiteral("2011_Week_01"));
  EXPECT_EQ(period(tlbWeek, 2012, 12, 31).name, QStringLiteral("2012_Week_52"));  // day 366
  EXPECT_EQ(period(tlbWeek, 2011, 3, 18).stamp.date(), QDate(2011, 3, 16));       // 3rd Wednesday
  EXPECT_EQ(period(tlbDecade, 2009, 11, 30).name, QStringLiteral("2000-2009"));
  EXPECT_EQ(period(tlbDecade, 2009, 11, 30).stamp.date(), QDate(2005, 6, 15));
  EXPECT_EQ(period(tlbMonth, 812, 2, 3).name, QStringLiteral("0812_02"));
  EXPECT_FALSE(SubCorpusPeriodOf(tlbCentury, QDateTime::currentDateTime()).has_value());
  // Monday 31 January 2011 is a 5th Monday, and that month has no 5th
  // Wednesday: the text's own date.
  EXPECT_EQ(MatchingWednesday(QDate(2011, 1, 31)), QDate(2011, 1, 31));
}

TEST(SubCorpora, StoppedOrFailedRunLeavesEarlierFilesAsTheyWere) {
  TempTree t;
  const auto texts = {"one/a.txt", "one/b.txt", "one/c.txt", "two/d.txt", "two/e.txt"};
  for (const char* f : texts) WriteDated(t, f, QByteArray("text of ") + f, Local(2001, 4, 2));
  EXPECT_EQ(FoldersFromSameHead(t.Root() + QStringLiteral(" ; one/ ;two;one")),
            (QStringList{t.Path("one"), t.Path("two")}));
  const SubCorpusRequest rq{t.Root() + QStringLiteral(";one;two"), t.Path("out"),
                            QStringLiteral("*.*"), tlbDay};
  FileWalker it;
  SubCorpusOutcome outcome;
  EXPECT_EQ(BuildSubCorpora(it, rq, {}, nullptr, &outcome), 1);
  EXPECT_TRUE(outcome.finished);
  const QString day_file = t.Path("out/day/2001_04_02.txt");
  const QByteArray complete = ReadAll(day_file);

  // The texts change; a run stopped in the first folder writes nothing.
  for (const char* f : texts) WriteDated(t, f, QByteArray("new text of ") + f, Local(2001, 4, 2));
  StopFlag stop;
  SubCorpusProgress progress;
  progress.status = [&](const QString& s) {
    // The first count status comes before the first file of a folder.
    if (s.startsWith(QLatin1String("1 of"))) stop.Request();
  };
  EXPECT_EQ(BuildSubCorpora(it, rq, progress, &stop, &outcome), 0);
  EXPECT_FALSE(outcome.finished);
  EXPECT_TRUE(outcome.unfinished.contains(QStringLiteral("not written")))
      << outcome.unfinished.toStdString();
  EXPECT_EQ(ReadAll(day_file), complete);

  // A text that vanishes during the run ends it, again with nothing written.
  progress.status = [&](const QString& s) {
    if (s.startsWith(QLatin1String("1 of"))) QFile::remove(t.Path("one/b.txt"));
  };
  EXPECT_THROW(BuildSubCorpora(it, rq, progress, nullptr, &outcome), SorvelError);
  EXPECT_EQ(ReadAll(day_file), complete);
  SubCorpusOutcome failed;
  failed.texts_read = 2;
  EXPECT_EQ(SubCorpusRunSummary(failed, true),
            QStringLiteral("Checked 2 files: the run failed, and no sub-corpus file was written"));
  // No temporary file is left in either case.
  EXPECT_EQ(QDir(t.Path("out/day")).entryList(QDir::Files | QDir::Hidden),
            QStringList{"2001_04_02.txt"});

  // A temporary file of a killed run is removed by the next run, which
  // replaces the earlier file only once it is complete.
  t.Write(QStringLiteral("out/day/") + SubCorpusPartialPrefix() + QStringLiteral("1999_01_01.txt"),
          "cut sh");
  EXPECT_EQ(BuildSubCorpora(it, rq, {}, nullptr, &outcome), 1);
  EXPECT_EQ(QDir(t.Path("out/day")).entryList(QDir::Files | QDir::Hidden),
            QStringList{"2001_04_02.txt"});
  EXPECT_TRUE(ReadSubCorpus(day_file).contains(
      QStringLiteral("<START OF TEXT 4 ****>\r\nnew text of two/e.txt")));
}
