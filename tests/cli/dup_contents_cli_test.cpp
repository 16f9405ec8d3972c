#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "../duplicates/dup_contents_test_corpus.h"
#include "cli/cli_runner.h"
#include "runtime/tree_lock.h"
#include "support/test_support.h"

namespace {}  // namespace

TEST(DupContentsCli, JsonGroupsMoveOnlyWithYesAndRestore) {
  TempTree t;
  const QByteArray a = DupTestText(70, 300);
  t.Write(QStringLiteral("a.txt"), a);
  t.Write(QStringLiteral("b.txt"), a + " ");
  t.Write(QStringLiteral("sub/c.txt"), a);
  t.Write(QStringLiteral("e.txt"), QByteArray());

  CliResult r = RunCli({QStringLiteral("dupcontents"), QStringLiteral("--json"),
                        QStringLiteral("--no-dates"), t.Root()});
  ASSERT_EQ(r.code, 0);
  QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(QStringLiteral("pairs")).toInt(), 1);  // sub/c.txt lies in another folder
  const QJsonArray groups = o.value(QStringLiteral("groups")).toArray();
  ASSERT_EQ(groups.size(), 1);
  const QJsonArray members = groups[0].toObject().value(QStringLiteral("members")).toArray();
  ASSERT_EQ(members.size(), 2);
  EXPECT_EQ(members[0].toObject().value(QStringLiteral("file")).toString(),
            t.Path(QStringLiteral("a.txt")));
  EXPECT_EQ(members[1].toObject().value(QStringLiteral("tokens")).toInt(), 300);
  EXPECT_EQ(o.value(QStringLiteral("empty_files")).toArray().size(), 1);
  // The closing line goes to stderr, also under --json, as the page says it.
  EXPECT_EQ(r.err, QByteArray("Checked 4 files: 1 near duplicate in 1 group\n"));

  // Without --yes nothing moves; the command says what it would do.
  r = RunCli({QStringLiteral("dupcontents"), QStringLiteral("--any-folder"),
              QStringLiteral("--move"), QStringLiteral("--keep"), QStringLiteral("longest"),
              t.Root()});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.contains("would move")) << r.out.constData();
  EXPECT_TRUE(QFileInfo::exists(t.Path(QStringLiteral("sub/c.txt"))));

  r = RunCli({QStringLiteral("dupcontents"), QStringLiteral("--any-folder"),
              QStringLiteral("--move"), QStringLiteral("--yes"), QStringLiteral("--json"),
              t.Root()});
  o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(QStringLiteral("moved")).toInt(), 2);
  EXPECT_TRUE(QFileInfo::exists(t.Path(QStringLiteral("a.txt"))));
  EXPECT_TRUE(QFileInfo::exists(t.Path(QStringLiteral("sub/moved/c.moved"))));

  // A second search leaves the moved copies out.
  r = RunCli({QStringLiteral("dupcontents"), QStringLiteral("--any-folder"),
              QStringLiteral("--json"), t.Root()});
  EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("pairs")).toInt(), 0);
  EXPECT_EQ(r.err, QByteArray("Checked 2 files: no duplicates\n"));

  r = RunCli(
      {QStringLiteral("restore"), QStringLiteral("--yes"), QStringLiteral("--json"), t.Root()});
  o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(QStringLiteral("restored")).toInt(), 2);
  EXPECT_EQ(r.err, QByteArray("Checked 2 moved files: 2 files restored\n"));
  EXPECT_EQ(ReadAll(t.Path(QStringLiteral("sub/c.txt"))), a);
  EXPECT_EQ(ReadAll(t.Path(QStringLiteral("b.txt"))), a + " ");

  r = RunCli({QStringLiteral("dupcontents"), t.Path(QStringLiteral("missing"))});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(
      r.err.endsWith("Folder not found: " + t.Path(QStringLiteral("missing")).toUtf8() + "\n"))
      << r.err.constData();
}

TEST(DupContentsCli, NormalizeSpaceFindsACopyWithOtherLineEnds) {
  TempTree t;
  const QByteArray lf = DupTestText(71, 300);
  QByteArray crlf = lf;
  crlf.replace("\n", "\r\n");
  t.Write(QStringLiteral("a.txt"), lf);
  t.Write(QStringLiteral("b.txt"), crlf);
  for (const bool normalize : {false, true}) {
    QStringList args{QStringLiteral("dupcontents"), QStringLiteral("--json"),
                     QStringLiteral("--no-dates")};
    if (normalize) args << QStringLiteral("--normalize-space");
    const CliResult r = RunCli(args << t.Root());
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("pairs")).toInt(),
              normalize ? 1 : 0);
  }
}

TEST(DupContentsCli, MoveAndRestoreRefuseATreeInUse) {
  TempTree t;
  const QByteArray a = DupTestText(9, 300);
  t.Write(QStringLiteral("a.txt"), a);
  t.Write(QStringLiteral("b.txt"), a);
  const TreeMoveLock other_run(t.Root());
  ASSERT_TRUE(other_run.Held());
  CliResult r = RunCli({QStringLiteral("dupcontents"), QStringLiteral("--no-dates"),
                        QStringLiteral("--move"), QStringLiteral("--yes"), t.Root()});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("Another run")) << r.err.constData();
  EXPECT_TRUE(QFile::exists(t.Path(QStringLiteral("b.txt"))));
  r = RunCli({QStringLiteral("restore"), QStringLiteral("--yes"), t.Root()});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("Another run")) << r.err.constData();
}
