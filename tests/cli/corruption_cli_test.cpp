#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {
const QByteArray kLine = "The farmers walked along the river to the market in the old town.\r\n";
QByteArray Prose(int lines = 40) { return kLine.repeated(lines); }
}  // namespace

TEST(CorruptionCli, FlaggedFilesAsLinesAndJsonWithExitStatuses) {
  TempTree t;
  const QString good = t.Write(u"good/ref.txt"_s, Prose());
  t.Write(u"data/clean.txt"_s, Prose());
  // Three lines of text, a NUL, then more that no reader gets to.
  const QByteArray damaged = Prose(3) + QByteArray(1, '\0') + Prose(37);
  const QString bad = t.Write(u"data/sub dir/dämaged.txt"_s, damaged);
  t.Write(u"data/empty.txt"_s, QByteArray());

  // Without --subfolders only the top folder is looked at; the size test
  // needs no known-good text. The closing line says what was checked.
  CliResult r = RunCli({u"corruption"_s, t.Path(u"data"_s)});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_EQ(r.err, "Checked 2 files: none flagged\n");

  r = RunCli(
      {u"corruption"_s, u"--good"_s, good, u"--subfolders"_s, u"--digraph"_s, t.Path(u"data"_s)});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(
      QString::fromUtf8(r.out),
      bad + u"\tFile-size %1 but text-length %2\n"_s.arg(damaged.size()).arg(3 * kLine.size()));

  r = RunCli(
      {u"corruption"_s, u"--json"_s, u"--good"_s, good, u"--subfolders"_s, t.Path(u"data"_s)});
  EXPECT_EQ(r.code, 0);
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(u"files"_s).toInt(), 3);
  EXPECT_EQ(o.value(u"tested"_s).toInt(), 3);
  EXPECT_TRUE(r.err.contains("Checked 3 files: 1 flagged")) << r.err.toStdString();
  const QJsonArray flagged = o.value(u"flagged"_s).toArray();
  ASSERT_EQ(flagged.size(), 1);
  EXPECT_EQ(flagged[0].toObject().value(u"file"_s).toString(), bad);

  // Unusable input: the digraph check without a known-good file, or with a
  // missing one, or with a reference without digraphs.
  EXPECT_EQ(RunCli({u"corruption"_s, u"--digraph"_s, t.Path(u"data"_s)}).code, 2);
  r = RunCli(
      {u"corruption"_s, u"--digraph"_s, u"--good"_s, t.Path(u"missing.txt"_s), t.Path(u"data"_s)});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("known-good file")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("no such file")) << r.err.toStdString();
  const QString digits = t.Write(u"good/digits.txt"_s, "123 456\r\n");
  EXPECT_EQ(RunCli({u"corruption"_s, u"--digraph"_s, u"--good"_s, digits, t.Path(u"data"_s)}).code,
            2);
}

TEST(CorruptionCli, AnInternalFaultComesAfterTheFilesFlaggedBeforeIt) {
  TempTree t;
  const QString good = t.Write(u"good/ref.txt"_s, Prose());
  const QByteArray damaged = Prose(1) + QByteArray(1, '\0') + Prose(10);
  const QString first = t.Write(u"data/a.txt"_s, damaged);
  // More than 2047 distinct digraphs in descending order make the sample's
  // tree too lopsided to walk.
  QString lopsided;
  for (int i = 0; i < 2100; ++i) lopsided += QChar(static_cast<char16_t>(0x9FFF - i)) + u"A."_s;
  t.Write(u"data/b.txt"_s, QByteArray("\xEF\xBB\xBF") + lopsided.toUtf8());
  const CliResult r =
      RunCli({u"corruption"_s, u"--digraph"_s, u"--good"_s, good, t.Path(u"data"_s)});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(QString::fromUtf8(r.out).startsWith(first + QLatin1Char('\t')));
  EXPECT_TRUE(r.err.contains("lopsided data: stack overflow in Tree"));
}
