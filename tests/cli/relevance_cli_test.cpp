#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

CliResult RunRelevanceCli(const QStringList& args) {
  return RunCli(QStringList{u"relevance"_s} + args);
}

QString Words(int n, const QString& extra) {
  QString s;
  for (int i = 0; i < n; ++i) s += u"word "_s;
  return s + extra;
}

}  // namespace

TEST(RelevanceCli, JsonSortedByScoreAndFilteredCopies) {
  TempTree t;
  const QString filters = t.WriteText(u"f.txt"_s, u"river\t1\t0\t\nbank\t1\t0\tn\n"_s);
  t.WriteText(u"c/one.txt"_s, Words(200, u"river river"_s));
  t.WriteText(u"c/s/two.txt"_s, Words(200, u"river river river"_s));
  t.WriteText(u"c/neg.txt"_s, Words(200, u"river bank bank"_s));
  t.WriteText(u"c/short.txt"_s, Words(10, u"river"_s));

  const CliResult r =
      RunRelevanceCli({u"--filters"_s, filters, u"--folder"_s, t.Path(u"c"_s), u"--min-score"_s,
                       u"0.5"_s, u"--copy-filtered"_s, u"--json"_s});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(u"examined"_s).toInt(), 4);
  EXPECT_TRUE(r.err.contains("Checked 4 files: 2 relevant\n")) << r.err.toStdString();
  const QJsonArray res = o.value(u"results"_s).toArray();
  ASSERT_EQ(res.size(), 2);
  EXPECT_TRUE(res[0].toObject().value(u"file"_s).toString().endsWith(u"two.txt"_s));
  EXPECT_NEAR(res[0].toObject().value(u"score"_s).toDouble(), 300.0 / 203, 1e-5);
  EXPECT_EQ(res[0].toObject().value(u"hit_types"_s).toInt(), 1);
  EXPECT_EQ(o.value(u"copied"_s).toInt(), 2);
  EXPECT_TRUE(QFileInfo::exists(t.Path(u"c/filtered/s/two.txt"_s)));
  EXPECT_FALSE(QFileInfo::exists(t.Path(u"c/filtered/neg.txt"_s)));

  // The filtered tree is not read again by a later run of the same folder.
  const CliResult again =
      RunRelevanceCli({u"--filters"_s, filters, u"--folder"_s, t.Path(u"c"_s), u"--json"_s});
  EXPECT_EQ(QJsonDocument::fromJson(again.out).object().value(u"examined"_s).toInt(), 4);
}

TEST(RelevanceCli, BadInputExitsWithTwo) {
  TempTree t;
  const QString filters = t.WriteText(u"f.txt"_s, u"river\n"_s);
  const QString bad = t.WriteText(u"b.txt"_s, u"river\t1\nlake\tmany\n"_s);
  const QString list = t.WriteText(u"l.txt"_s, u"nothing.txt\n"_s);
  t.MakeDir(u"c"_s);
  EXPECT_EQ(
      RunRelevanceCli({u"--filters"_s, t.Path(u"none.txt"_s), u"--folder"_s, t.Path(u"c"_s)}).code,
      2);
  // The message names the cause: a filter file without any term.
  const CliResult why = RunRelevanceCli(
      {u"--filters"_s, t.WriteText(u"empty.txt"_s, QString()), u"--folder"_s, t.Path(u"c"_s)});
  EXPECT_EQ(why.code, 2);
  EXPECT_TRUE(why.err.contains("holds no terms")) << why.err.toStdString();
  const CliResult b = RunRelevanceCli({u"--filters"_s, bad, u"--folder"_s, t.Path(u"c"_s)});
  EXPECT_EQ(b.code, 2);
  EXPECT_TRUE(b.err.contains("line 2")) << b.err.toStdString();
  EXPECT_EQ(RunRelevanceCli({u"--filters"_s, filters}).code, 2);
  EXPECT_EQ(
      RunRelevanceCli({u"--filters"_s, filters, u"--list"_s, list, u"--copy-filtered"_s}).code, 2);
  // A list naming no file that exists leaves nothing to examine; the missing
  // file is named.
  const CliResult none = RunRelevanceCli({u"--filters"_s, filters, u"--list"_s, list});
  EXPECT_EQ(none.code, 2);
  EXPECT_TRUE(none.err.contains("nothing.txt: no such file")) << none.err.toStdString();
  EXPECT_TRUE(none.err.contains("no files found")) << none.err.toStdString();
}

// RTF samples from the command line: numbering from the start given, a text
// without any positive term skipped, the hits bold and highlighted, negative
// terms never highlighted.
TEST(RelevanceCli, RtfSampleNumbersAndHighlights) {
  TempTree t;
  const QString filters = t.WriteText(u"f.txt"_s, u"river\t1\t0\t\nbank\t1\t0\tn\n"_s);
  t.WriteText(u"c/two.txt"_s, Words(200, u"River river river"_s));
  t.WriteText(u"c/one.txt"_s, Words(200, u"river bank river"_s));
  t.WriteText(u"c/none.txt"_s, Words(200, u"lake"_s));
  const QString out = t.Path(u"rtf"_s);
  const CliResult r = RunRelevanceCli({u"--filters"_s, filters, u"--folder"_s, t.Path(u"c"_s),
                                       u"--rtf"_s, out, u"--start"_s, u"1"_s, u"--json"_s});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  ASSERT_EQ(o.value(u"results"_s).toArray().size(), 3);
  EXPECT_EQ(o.value(u"rtf_saved"_s).toInt(), 1);
  EXPECT_FALSE(QFileInfo::exists(out + u"/two.rtf"_s));
  EXPECT_FALSE(QFileInfo::exists(out + u"/none.rtf"_s));
  const QByteArray rtf = ReadAll(out + u"/one.rtf"_s);
  ASSERT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.left(100).toStdString();
  EXPECT_TRUE(rtf.contains("(2) Score: ")) << rtf.toStdString();
  EXPECT_TRUE(rtf.contains("river (2)"));
  const QRegularExpression bold_hit(u"\\\\highlight\\d+\\\\b (\\w+)"_s);
  QStringList hits;
  for (auto it = bold_hit.globalMatch(QString::fromLatin1(rtf)); it.hasNext();)
    hits << it.next().captured(1);
  EXPECT_EQ(hits, (QStringList{u"river"_s, u"river"_s}));
}
