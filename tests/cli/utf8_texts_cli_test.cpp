// The command line on German texts saved as UTF-8 without a byte-order mark,
// the usual kind on Linux: names and texts reach the output intact, and the
// code page choice reaches the reader.

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

// The tests read no user settings: the defaults hold ("auto").
class Utf8TextsCli : public ::testing::Test {
 protected:
  void SetUp() override { qputenv("SORVEL_SETTINGS", settings_.Path(u"lexivor.ini"_s).toUtf8()); }
  void TearDown() override { qunsetenv("SORVEL_SETTINGS"); }
  TempTree settings_;
  TempTree t_;
};

}  // namespace

TEST_F(Utf8TextsCli, TheCodePageReachesTheReaderAndNamesAndTextsTheOutput) {
  const QByteArray prose =
      u"Über Brücken gehen Bäcker früh: Es ist unmöglich, dass die schöne "
      u"Straße in Köln so grün blüht.\r\n"_s.toUtf8()
          .repeated(30);
  const QString good = t_.Write(u"good/ref.txt"_s, prose);
  QByteArray cut = prose;
  cut[100] = '\0';
  const QString cut_path = t_.Write(u"data/Köln schön.txt"_s, cut);
  QByteArray spoilt = prose;
  spoilt[200] = '\xFF';
  spoilt[201] = '\xFE';
  const QString spoilt_path = t_.Write(u"data/spoilt.txt"_s, spoilt);
  const QString data = t_.Path(u"data"_s);
  const QString cut_line = cut_path + u"\tFile-size %1 but text-length 102\n"_s.arg(cut.size());

  // Auto: the text with stray bytes is read in the 8-bit code page whole,
  // where the digraph test sees its accents as foreign pairs, shown as read.
  CliResult r = RunCli({u"corruption"_s, u"--good"_s, good, u"--digraph"_s, data});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(QString::fromUtf8(r.out).startsWith(cut_line)) << r.out.toStdString();
  EXPECT_TRUE(QString::fromUtf8(r.out).contains(spoilt_path + u"\tToo many: "_s + u" AÃ"_s))
      << r.out.toStdString();
  // Forced UTF-8: the stray bytes are lost bytes too.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"utf-8"_s, data});
  EXPECT_TRUE(r.out.contains(spoilt_path.toUtf8() + "\tFile-size ")) << r.out.toStdString();
  // Windows-1252 throughout: one character per byte, nothing lost but the cut.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"windows-1252"_s, data});
  EXPECT_EQ(QString::fromUtf8(r.out), cut_line);
  // An unknown code page is unusable input, said clearly.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"klingon-1"_s, data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("unknown code page \"klingon-1\"")) << r.err.toStdString();
}
