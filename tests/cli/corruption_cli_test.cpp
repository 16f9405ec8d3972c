#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

TEST(CorruptionCli, FlaggedFilesAsLinesAndJsonWithExitStatuses) {
  TempTree t;
  const QByteArray line = "The farmers walked along the river to the market in the old town.\r\n";
  const QString good = t.Write(u"good/ref.txt"_s, line.repeated(40));
  t.Write(u"data/clean.txt"_s, line.repeated(40));
  // Three lines of text, a NUL, then more that no reader gets to.
  const QByteArray damaged = line.repeated(3) + QByteArray(1, '\0') + line.repeated(37);
  const QString bad = t.Write(u"data/sub dir/dämaged.txt"_s, damaged);
  const QString data = t.Path(u"data"_s);

  // Without --subfolders only the top folder is looked at; the closing line
  // goes to stderr.
  CliResult r = RunCli({u"corruption"_s, data});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_EQ(r.err, "Checked 1 file: none flagged\n");

  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--subfolders"_s, u"--digraph"_s, data});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(
      QString::fromUtf8(r.out),
      bad + u"\tFile-size %1 but text-length %2\n"_s.arg(damaged.size()).arg(3 * line.size()));

  r = RunCli({u"corruption"_s, u"--json"_s, u"--good"_s, good, u"--subfolders"_s, data});
  EXPECT_EQ(r.code, 0);
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(u"files"_s).toInt(), 2);
  EXPECT_EQ(o.value(u"tested"_s).toInt(), 2);
  const QJsonArray flagged = o.value(u"flagged"_s).toArray();
  ASSERT_EQ(flagged.size(), 1);
  EXPECT_EQ(flagged[0].toObject().value(u"file"_s).toString(), bad);

  // Unusable input: the digraph check without a known-good file, or with a
  // missing one.
  EXPECT_EQ(RunCli({u"corruption"_s, u"--digraph"_s, data}).code, 2);
  r = RunCli({u"corruption"_s, u"--digraph"_s, u"--good"_s, t.Path(u"missing.txt"_s), data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("known-good file")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("no such file")) << r.err.toStdString();

  // An internal fault comes after the files flagged before it: more than
  // 2047 distinct digraphs in descending order make a text's tree too
  // lopsided to walk.
  QString lopsided;
  for (int i = 0; i < 2100; ++i) lopsided += QChar(static_cast<char16_t>(0x9FFF - i)) + u"A."_s;
  t.Write(u"data/sub dir/lopsided.txt"_s, QByteArray("\xEF\xBB\xBF") + lopsided.toUtf8());
  r = RunCli({u"corruption"_s, u"--digraph"_s, u"--subfolders"_s, u"--good"_s, good, data});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(QString::fromUtf8(r.out).startsWith(bad + QLatin1Char('\t')));
  EXPECT_TRUE(r.err.contains("lopsided data: stack overflow in Tree"));
}
