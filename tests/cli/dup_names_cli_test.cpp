#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

// The command line prints the tree the page shows: a key line with the first
// file's folder and date, a line for each further file, the final counts;
// --json the same groups. Names group without regard to case, non-ASCII
// names included, and every line comes out as UTF-8.
TEST(DupNamesCli, TreeLinesAndJsonOfOneFolder) {
  TempTree t;
  t.Write(QStringLiteral("A.TXT"), "1");
  t.Write(QStringLiteral("sub/a.txt"), "1");
  t.Write(QStringLiteral("sub/Ärger.txt"), "1");
  t.Write(QStringLiteral("zwei/ärger.TXT"), "1");
  t.Write(QStringLiteral("zwei/only.txt"), "1");
  const QString root = QDir(t.Root()).absolutePath().toLower();

  CliResult r = RunCli({QStringLiteral("dupnames"), t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 7) << r.out.toStdString();
  // Each file line ends in " (its date)"; the dates are left out here.
  for (QString& line : lines) {
    line.replace(root, QStringLiteral("~"));
    line = line.left(line.lastIndexOf(QStringLiteral(" (")));
  }
  EXPECT_EQ(lines.mid(0, 5),
            (QStringList{"a.txt (2)\t~", "\t~/sub", "ärger.txt (2)\t~/sub", "\t~/zwei", ""}));
  EXPECT_TRUE(lines[5].contains(QStringLiteral("duplicates: 2 found"))) << lines[5].toStdString();
  EXPECT_EQ(r.err, QByteArray("Checked 5 files: 4 files share 2 names\n"));

  r = RunCli({QStringLiteral("dupnames"), QStringLiteral("--json"), t.Root()});
  ASSERT_EQ(r.code, 0);
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(QStringLiteral("redundant")).toInt(), 2);
  const QJsonArray groups = o.value(QStringLiteral("groups")).toArray();
  ASSERT_EQ(groups.size(), 2);
  EXPECT_EQ(groups[1].toObject().value(QStringLiteral("key")).toString(),
            QStringLiteral("ärger.txt (2)"));
  const QJsonArray files = groups[1].toObject().value(QStringLiteral("files")).toArray();
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(files[1].toObject().value(QStringLiteral("folder")).toString(),
            root + QStringLiteral("/zwei"));
  EXPECT_EQ(files[1].toObject().value(QStringLiteral("date")).toString().size(), 10);  // yyyy-MM-dd

  // A second folder: its files that share a name with the first; a folder
  // that is not there ends the run with a line that says so.
  r = RunCli({QStringLiteral("dupnames"), QStringLiteral("--folder2"),
              t.Path(QStringLiteral("zwei")), t.Path(QStringLiteral("sub"))});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(r.err, QByteArray("Checked 4 files: 1 file of folder 2 shares 1 name with folder 1\n"));
  r = RunCli({QStringLiteral("dupnames"), t.Path(QStringLiteral("nowhere"))});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(
      r.err.endsWith("Folder not found: " + t.Path(QStringLiteral("nowhere")).toUtf8() + "\n"))
      << r.err.constData();
}
