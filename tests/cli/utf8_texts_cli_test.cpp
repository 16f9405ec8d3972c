// The command line on German texts saved as UTF-8 without a byte-order
// mark, the usual kind on Linux: the code page choice reaches the reader of
// every tool, and the numbers printed read back as computed.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSentence = u"Es ist unmöglich, dass die schöne Straße in Köln so grün blüht."_s;

QByteArray GermanProse(int lines) {
  return (u"Über Brücken gehen Bäcker früh: "_s + kSentence + u"\r\n"_s).toUtf8().repeated(lines);
}

// The tests read no user settings: the defaults hold ("auto").
class Utf8TextsCli : public ::testing::Test {
 protected:
  void SetUp() override { qputenv("SORVEL_SETTINGS", settings_.Path(u"lexivor.ini"_s).toUtf8()); }
  void TearDown() override { qunsetenv("SORVEL_SETTINGS"); }
  TempTree settings_;
  TempTree t_;
};

}  // namespace

TEST_F(Utf8TextsCli, CorruptionPassesCleanUtf8AndFlagsLostBytes) {
  const QByteArray prose = GermanProse(30);
  const QString good = t_.Write(u"good/ref.txt"_s, prose);
  t_.Write(u"data/clean.txt"_s, prose);
  QByteArray cut = prose;
  cut[100] = '\0';
  const QString cut_path = t_.Write(u"data/cut.txt"_s, cut);
  QByteArray spoilt = prose;
  spoilt[200] = '\xFF';
  spoilt[201] = '\xFE';
  const QString spoilt_path = t_.Write(u"data/spoilt.txt"_s, spoilt);
  const QString data = t_.Path(u"data"_s);

  // Auto: only the text cut by a NUL lost bytes (100 bytes and the line
  // break). The one with stray bytes is read in the 8-bit code page whole,
  // where the digraph test sees its accents as foreign pairs.
  CliResult r = RunCli({u"corruption"_s, u"--good"_s, good, u"--digraph"_s, data});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(QString::fromUtf8(r.out).section(QLatin1Char('\n'), 0, 0),
            cut_path + u"\tFile-size %1 but text-length 102"_s.arg(cut.size()));
  EXPECT_TRUE(QString::fromUtf8(r.out).contains(spoilt_path + u"\tToo many: "_s + u" AÃ"_s))
      << r.out.toStdString();
  // Forced UTF-8: the stray bytes are lost bytes too.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"utf-8"_s, data});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(spoilt_path.toUtf8() + "\tFile-size ")) << r.out.toStdString();
  // Windows-1252 throughout: one character per byte, nothing lost but the cut.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"windows-1252"_s, data});
  EXPECT_EQ(QString::fromUtf8(r.out),
            cut_path + u"\tFile-size %1 but text-length 102\n"_s.arg(cut.size()));

  // An unknown or multi-byte code page is unusable input, said clearly; the
  // help names the choices and the default.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"klingon-1"_s, data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("unknown code page \"klingon-1\"")) << r.err.toStdString();
  r = RunCli({u"boilerplate"_s, u"--codepage"_s, u"BIG5"_s, data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("not an 8-bit code page")) << r.err.toStdString();
  r = RunCli({u"relevance"_s, u"--help"_s});
  EXPECT_TRUE(r.out.contains("--codepage")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("Default: the suite setting, now \"auto\"")) << r.out.toStdString();
}

TEST_F(Utf8TextsCli, RelevanceMatchesAMarkedFilterFileAndItsScoreReadsBack) {
  // "schön" from a filter file with a mark, in texts without one. 29 hits in
  // 256 words, one segment: the score is 2900 / 256 = 11.328125 exactly.
  const QString filters =
      t_.Write(u"filters.txt"_s, QByteArray("\xEF\xBB\xBF") + u"schön\t1\t0\t\n"_s.toUtf8());
  QString text;
  for (int i = 0; i < 227; ++i) text += u"wort "_s;
  for (int i = 0; i < 29; ++i) text += u"schön "_s;
  t_.WriteText(u"c/de.txt"_s, text);
  t_.WriteText(u"c/other.txt"_s, u"schon "_s.repeated(256));
  const QStringList args = {u"relevance"_s,  u"--filters"_s,   filters, u"--folder"_s,
                            t_.Path(u"c"_s), u"--segments"_s,  u"1"_s,  u"--coverage"_s,
                            u"1"_s,          u"--min-score"_s, u"1"_s};
  CliResult r = RunCli(args + QStringList{u"--json"_s});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonArray results = QJsonDocument::fromJson(r.out).object().value(u"results"_s).toArray();
  ASSERT_EQ(results.size(), 1) << r.out.toStdString();
  EXPECT_TRUE(results[0].toObject().value(u"file"_s).toString().endsWith(u"de.txt"_s));
  // The number as printed is the shortest that reads back as the same float.
  const QRegularExpressionMatch m =
      QRegularExpression(u"\"score\": ([-0-9.eE+]+)"_s).match(QString::fromUtf8(r.out));
  ASSERT_TRUE(m.hasMatch());
  EXPECT_EQ(m.captured(1), u"11.328125"_s);
  // The human lines keep one decimal.
  r = RunCli(args);
  EXPECT_TRUE(r.out.startsWith("1\t11.3\t256\t1\t")) << r.out.toStdString();
}
