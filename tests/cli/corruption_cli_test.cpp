#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

namespace {
const QByteArray kLine = "The farmers walked along the river to the market in the old town.\r\n";
QByteArray Prose(int lines = 40) { return kLine.repeated(lines); }
}  // namespace

TEST(CorruptionCli, FlaggedFilesAsLinesAndJsonWithExitStatuses) {
  TempTree t;
  const QString good = t.Write(QStringLiteral("good/ref.txt"), Prose());
  t.Write(QStringLiteral("data/clean.txt"), Prose());
  // Three lines of text, a NUL, then more that no reader gets to.
  const QByteArray damaged = Prose(3) + QByteArray(1, '\0') + Prose(37);
  const QString bad = t.Write(QStringLiteral("data/sub dir/dämaged.txt"), damaged);
  t.Write(QStringLiteral("data/empty.txt"), QByteArray());

  // Without --subfolders only the top folder is looked at; the size test
  // needs no known-good text. The closing line says what was checked.
  CliResult r = RunCli({QStringLiteral("corruption"), t.Path(QStringLiteral("data"))});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_EQ(r.err, "Checked 2 files: none flagged\n");

  r = RunCli({QStringLiteral("corruption"), QStringLiteral("--good"), good,
              QStringLiteral("--subfolders"), QStringLiteral("--digraph"),
              t.Path(QStringLiteral("data"))});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(QString::fromUtf8(r.out), bad + QStringLiteral("\tFile-size %1 but text-length %2\n")
                                                .arg(damaged.size())
                                                .arg(3 * kLine.size()));

  r = RunCli({QStringLiteral("corruption"), QStringLiteral("--json"), QStringLiteral("--good"),
              good, QStringLiteral("--subfolders"), t.Path(QStringLiteral("data"))});
  EXPECT_EQ(r.code, 0);
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(QStringLiteral("files")).toInt(), 3);
  EXPECT_EQ(o.value(QStringLiteral("tested")).toInt(), 3);
  EXPECT_TRUE(r.err.contains("Checked 3 files: 1 flagged")) << r.err.toStdString();
  const QJsonArray flagged = o.value(QStringLiteral("flagged")).toArray();
  ASSERT_EQ(flagged.size(), 1);
  EXPECT_EQ(flagged[0].toObject().value(QStringLiteral("file")).toString(), bad);

  // Unusable input: a missing folder, the digraph check without a known-good
  // file, or with a missing one, a reference without digraphs, an unknown
  // code page.
  r = RunCli({QStringLiteral("corruption"), t.Path(QStringLiteral("nope"))});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("Folder not found: " + t.Path(QStringLiteral("nope")).toUtf8()))
      << r.err.toStdString();
  EXPECT_EQ(RunCli({QStringLiteral("corruption"), QStringLiteral("--digraph"),
                    t.Path(QStringLiteral("data"))})
                .code,
            2);
  r = RunCli({QStringLiteral("corruption"), QStringLiteral("--digraph"), QStringLiteral("--good"),
              t.Path(QStringLiteral("missing.txt")), t.Path(QStringLiteral("data"))});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("known-good file")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("no such file")) << r.err.toStdString();
  const QString digits = t.Write(QStringLiteral("good/digits.txt"), "123 456\r\n");
  EXPECT_EQ(RunCli({QStringLiteral("corruption"), QStringLiteral("--digraph"),
                    QStringLiteral("--good"), digits, t.Path(QStringLiteral("data"))})
                .code,
            2);
  EXPECT_EQ(RunCli({QStringLiteral("corruption"), QStringLiteral("--good"), good,
                    QStringLiteral("--codepage"), QStringLiteral("no-such-page"),
                    t.Path(QStringLiteral("data"))})
                .code,
            2);
}

TEST(CorruptionCli, AnInternalFaultComesAfterTheFilesFlaggedBeforeIt) {
  TempTree t;
  const QString good = t.Write(QStringLiteral("good/ref.txt"), Prose());
  const QByteArray damaged = Prose(1) + QByteArray(1, '\0') + Prose(10);
  const QString first = t.Write(QStringLiteral("data/a.txt"), damaged);
  // More than 2047 distinct digraphs in descending order make the sample's
  // tree too lopsided to walk.
  QString lopsided;
  for (int i = 0; i < 2100; ++i)
    lopsided += QChar(static_cast<char16_t>(0x9FFF - i)) + QStringLiteral("A.");
  t.Write(QStringLiteral("data/b.txt"), QByteArray("\xEF\xBB\xBF") + lopsided.toUtf8());
  const CliResult r = RunCli({QStringLiteral("corruption"), QStringLiteral("--digraph"),
                              QStringLiteral("--good"), good, t.Path(QStringLiteral("data"))});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(QString::fromUtf8(r.out).startsWith(first + QLatin1Char('\t')));
  EXPECT_TRUE(r.err.contains("lopsided data: stack overflow in Tree"));
}
