#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include "cli/cli_runner.h"
#include "support/test_support.h"

namespace {

CliResult RunRelevanceCli(const QStringList& args) {
  return RunCli(QStringList{QStringLiteral("relevance")} + args);
}

QString Words(int n, const QString& extra) {
  QString s;
  for (int i = 0; i < n; ++i) s += QStringLiteral("word ");
  return s + extra;
}

}  // namespace

TEST(RelevanceCli, JsonSortedByScoreAndFilteredCopies) {
  TempTree t;
  const QString filters =
      t.WriteText(QStringLiteral("f.txt"), QStringLiteral("river\t1\t0\t\nbank\t1\t0\tn\n"));
  t.WriteText(QStringLiteral("c/one.txt"), Words(200, QStringLiteral("river river")));
  t.WriteText(QStringLiteral("c/s/two.txt"), Words(200, QStringLiteral("river river river")));
  t.WriteText(QStringLiteral("c/neg.txt"), Words(200, QStringLiteral("river bank bank")));
  t.WriteText(QStringLiteral("c/short.txt"), Words(10, QStringLiteral("river")));

  const CliResult r = RunRelevanceCli(
      {QStringLiteral("--filters"), filters, QStringLiteral("--folder"),
       t.Path(QStringLiteral("c")), QStringLiteral("--min-score"), QStringLiteral("0.5"),
       QStringLiteral("--copy-filtered"), QStringLiteral("--json")});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(QStringLiteral("examined")).toInt(), 4);
  EXPECT_TRUE(r.err.contains("Checked 4 files: 2 relevant\n")) << r.err.toStdString();
  const QJsonArray res = o.value(QStringLiteral("results")).toArray();
  ASSERT_EQ(res.size(), 2);
  EXPECT_TRUE(res[0]
                  .toObject()
                  .value(QStringLiteral("file"))
                  .toString()
                  .endsWith(QStringLiteral("two.txt")));
  EXPECT_NEAR(res[0].toObject().value(QStringLiteral("score")).toDouble(), 300.0 / 203, 1e-5);
  EXPECT_EQ(res[0].toObject().value(QStringLiteral("hit_types")).toInt(), 1);
  EXPECT_EQ(o.value(QStringLiteral("copied")).toInt(), 2);
  EXPECT_TRUE(QFileInfo::exists(t.Path(QStringLiteral("c/filtered/s/two.txt"))));
  EXPECT_FALSE(QFileInfo::exists(t.Path(QStringLiteral("c/filtered/neg.txt"))));

  // The filtered tree is not read again by a later run of the same folder.
  const CliResult again =
      RunRelevanceCli({QStringLiteral("--filters"), filters, QStringLiteral("--folder"),
                       t.Path(QStringLiteral("c")), QStringLiteral("--json")});
  EXPECT_EQ(QJsonDocument::fromJson(again.out).object().value(QStringLiteral("examined")).toInt(),
            4);
}

TEST(RelevanceCli, BadInputExitsWithTwo) {
  TempTree t;
  const QString filters = t.WriteText(QStringLiteral("f.txt"), QStringLiteral("river\n"));
  const QString bad =
      t.WriteText(QStringLiteral("b.txt"), QStringLiteral("river\t1\nlake\tmany\n"));
  const QString list = t.WriteText(QStringLiteral("l.txt"), QStringLiteral("nothing.txt\n"));
  t.MakeDir(QStringLiteral("c"));
  EXPECT_EQ(RunRelevanceCli({QStringLiteral("--filters"), t.Path(QStringLiteral("none.txt")),
                             QStringLiteral("--folder"), t.Path(QStringLiteral("c"))})
                .code,
            2);
  // The message names the cause: a folder given as the filter file, and a
  // filter file without any term.
  CliResult why = RunRelevanceCli({QStringLiteral("--filters"), t.Path(QStringLiteral("c")),
                                   QStringLiteral("--folder"), t.Path(QStringLiteral("c"))});
  EXPECT_EQ(why.code, 2);
  EXPECT_TRUE(why.err.contains("not a regular file")) << why.err.toStdString();
  why = RunRelevanceCli({QStringLiteral("--filters"),
                         t.WriteText(QStringLiteral("empty.txt"), QString()),
                         QStringLiteral("--folder"), t.Path(QStringLiteral("c"))});
  EXPECT_EQ(why.code, 2);
  EXPECT_TRUE(why.err.contains("holds no terms")) << why.err.toStdString();
  const CliResult b = RunRelevanceCli(
      {QStringLiteral("--filters"), bad, QStringLiteral("--folder"), t.Path(QStringLiteral("c"))});
  EXPECT_EQ(b.code, 2);
  EXPECT_TRUE(b.err.contains("line 2")) << b.err.toStdString();
  EXPECT_EQ(RunRelevanceCli({QStringLiteral("--filters"), filters}).code, 2);
  EXPECT_EQ(RunRelevanceCli({QStringLiteral("--filters"), filters, QStringLiteral("--folder"),
                             t.Path(QStringLiteral("nope"))})
                .code,
            2);
  EXPECT_EQ(RunRelevanceCli({QStringLiteral("--filters"), filters, QStringLiteral("--list"), list,
                             QStringLiteral("--copy-filtered")})
                .code,
            2);
  // A list naming no file that exists leaves nothing to examine; the missing
  // file is named.
  const CliResult none =
      RunRelevanceCli({QStringLiteral("--filters"), filters, QStringLiteral("--list"), list});
  EXPECT_EQ(none.code, 2);
  EXPECT_TRUE(none.err.contains("nothing.txt: no such file")) << none.err.toStdString();
  EXPECT_TRUE(none.err.contains("no files found")) << none.err.toStdString();
}

// RTF samples from the command line: numbering from the start given, a text
// without any positive term skipped, the hits bold and highlighted, negative
// terms never highlighted.
TEST(RelevanceCli, RtfSampleNumbersAndHighlights) {
  TempTree t;
  const QString filters =
      t.WriteText(QStringLiteral("f.txt"), QStringLiteral("river\t1\t0\t\nbank\t1\t0\tn\n"));
  t.WriteText(QStringLiteral("c/two.txt"), Words(200, QStringLiteral("River river river")));
  t.WriteText(QStringLiteral("c/one.txt"), Words(200, QStringLiteral("river bank river")));
  t.WriteText(QStringLiteral("c/none.txt"), Words(200, QStringLiteral("lake")));
  const QString out = t.Path(QStringLiteral("rtf"));
  const CliResult r =
      RunRelevanceCli({QStringLiteral("--filters"), filters, QStringLiteral("--folder"),
                       t.Path(QStringLiteral("c")), QStringLiteral("--rtf"), out,
                       QStringLiteral("--start"), QStringLiteral("1"), QStringLiteral("--json")});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  ASSERT_EQ(o.value(QStringLiteral("results")).toArray().size(), 3);
  EXPECT_EQ(o.value(QStringLiteral("rtf_saved")).toInt(), 1);
  EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/two.rtf")));
  EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/none.rtf")));
  const QByteArray rtf = ReadAll(out + QStringLiteral("/one.rtf"));
  ASSERT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.left(100).toStdString();
  EXPECT_TRUE(rtf.contains("(2) Score: ")) << rtf.toStdString();
  EXPECT_TRUE(rtf.contains("river (2)"));
  const QRegularExpression bold_hit(QStringLiteral("\\\\highlight\\d+\\\\b (\\w+)"));
  QStringList hits;
  for (auto it = bold_hit.globalMatch(QString::fromLatin1(rtf)); it.hasNext();)
    hits << it.next().captured(1);
  EXPECT_EQ(hits, (QStringList{QStringLiteral("river"), QStringLiteral("river")}));
}
