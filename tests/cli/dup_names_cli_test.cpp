#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

// The command line prints the tree the page shows: a key line with the first
// file's folder and date, a line for each further file, the final counts;
// --json the same groups. Every line comes out as UTF-8.
TEST(DupNamesCli, TreeLinesAndJsonOfOneFolderAndASecondFolder) {
  TempTree t;
  for (const QString& name :
       {u"A.TXT"_s, u"sub/a.txt"_s, u"sub/Ärger.txt"_s, u"zwei/ärger.TXT"_s, u"zwei/only.txt"_s})
    t.Write(name, "1");
  const QString root = QDir(t.Root()).absolutePath().toLower();

  CliResult r = RunCli({u"dupnames"_s, t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 7) << r.out.toStdString();
  // Each file line ends in " (its date)"; the dates are left out here.
  for (QString& line : lines) line = line.left(line.lastIndexOf(u" ("_s)).replace(root, u"~"_s);
  EXPECT_EQ(lines.mid(0, 5),
            (QStringList{"a.txt (2)\t~", "\t~/sub", "ärger.txt (2)\t~/sub", "\t~/zwei", ""}));
  EXPECT_EQ(r.err, QByteArray("Checked 5 files: 4 files share 2 names\n"));

  r = RunCli({u"dupnames"_s, u"--json"_s, t.Root()});
  const QJsonArray groups = QJsonDocument::fromJson(r.out).object().value(u"groups"_s).toArray();
  ASSERT_EQ(groups.size(), 2);
  EXPECT_EQ(groups[1].toObject().value(u"key"_s).toString(), u"ärger.txt (2)"_s);
  const QJsonArray files = groups[1].toObject().value(u"files"_s).toArray();
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(files[1].toObject().value(u"folder"_s).toString(), root + u"/zwei"_s);
  EXPECT_EQ(files[1].toObject().value(u"date"_s).toString().size(), 10);  // yyyy-MM-dd

  r = RunCli({u"dupnames"_s, u"--folder2"_s, t.Path(u"zwei"_s), t.Path(u"sub"_s)});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(r.err, QByteArray("Checked 4 files: 1 file of folder 2 shares 1 name with folder 1\n"));
}
