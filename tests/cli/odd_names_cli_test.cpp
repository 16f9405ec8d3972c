#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "runtime/native_names.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kReplacementCharacter("\xEF\xBF\xBD");

// A folder named by the Latin-1 bytes 64 FC 72 ("dür"), which are not UTF-8.
QString Latin1Folder() { return NameFromNative(QByteArray("d\xFCr")); }

QByteArray Words(const char* seed) {
  return QByteArray(seed).append(" und noch ein Wort.\r\n").repeated(40);
}

QJsonObject JsonOf(const CliResult& r) { return QJsonDocument::fromJson(r.out).object(); }

}  // namespace

// Files in a folder whose name is not UTF-8: dupnames lists the folder in
// its escaped form (never a replacement character), and dupcontents reads
// the files and groups them, in human and JSON output alike.
TEST(OddNamesCli, Latin1FolderInDupNamesAndDupContents) {
  TempTree t;
  t.Write(Latin1Folder() + u"/eins.txt"_s, Words("Haus"));
  t.Write(Latin1Folder() + u"/zwei.txt"_s, Words("Haus"));
  t.Write(u"andere/eins.txt"_s, Words("Baum"));
  // Names that differ only in a byte that is not UTF-8 are different names.
  t.Write(u"andere/"_s + NameFromNative(QByteArray("GR\xC4.txt")), "a");
  t.Write(Latin1Folder() + QLatin1Char('/') + NameFromNative(QByteArray("gr\xE4.txt")), "b");
  const QString root = QDir(t.Root()).absolutePath();
  const QString shown_folder = root + u"/d\\xfcr"_s;

  CliResult r = RunCli({u"dupnames"_s, t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_FALSE(r.out.contains(kReplacementCharacter));
  EXPECT_TRUE(QString::fromUtf8(r.out).contains(u"\t"_s + shown_folder.toLower() + u" ("_s))
      << r.out.toStdString();
  r = RunCli({u"dupnames"_s, u"--json"_s, t.Root()});
  const QJsonArray names = JsonOf(r).value(u"groups"_s).toArray();
  ASSERT_EQ(names.size(), 1) << r.out.toStdString();
  const QJsonArray files = names[0].toObject().value(u"files"_s).toArray();
  ASSERT_EQ(files.size(), 2) << r.out.toStdString();
  EXPECT_EQ(files[1].toObject().value(u"folder"_s).toString(), shown_folder.toLower());

  // Both texts were read (neither counts as empty) and grouped.
  r = RunCli({u"dupcontents"_s, t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QString out = QString::fromUtf8(r.out);
  EXPECT_FALSE(r.out.contains(kReplacementCharacter));
  EXPECT_TRUE(out.contains(shown_folder + u"/eins.txt\t"_s)) << out.toStdString();
  EXPECT_TRUE(out.contains(shown_folder + u"/zwei.txt\t"_s)) << out.toStdString();
  EXPECT_FALSE(out.contains(u"Empty files"_s)) << out.toStdString();
  r = RunCli({u"dupcontents"_s, u"--json"_s, t.Root()});
  const QJsonArray groups = JsonOf(r).value(u"groups"_s).toArray();
  ASSERT_EQ(groups.size(), 1) << r.out.toStdString();
  const QJsonArray members = groups[0].toObject().value(u"members"_s).toArray();
  ASSERT_EQ(members.size(), 2);
  EXPECT_EQ(members[0].toObject().value(u"file"_s).toString(), shown_folder + u"/eins.txt"_s);
}

// Names holding "*", a TAB or a newline are sampled as themselves, and the
// human output shows each on one line with the TAB and newline escaped.
TEST(OddNamesCli, SampleShowsTabNewlineAndStarNamesAsThemselves) {
  TempTree t;
  const QStringList names{u"a*.txt"_s, u"a\tb.txt"_s, u"ab.txt"_s, u"new\nline.txt"_s};
  for (const QString& n : names) t.Write(u"in/"_s + n, "Text.\r\n");
  const QString folder = QDir(t.Path(u"in"_s)).absolutePath();

  CliResult r = RunCli({u"sample"_s, u"--size"_s, u"10"_s, u"--folder"_s, folder});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  lines.sort();
  EXPECT_EQ(lines, (QStringList{folder + u"/a*.txt"_s, folder + u"/a\\tb.txt"_s,
                                folder + u"/ab.txt"_s, folder + u"/new\\nline.txt"_s}));

  r = RunCli({u"sample"_s, u"--json"_s, u"--size"_s, u"10"_s, u"--folder"_s, folder});
  QStringList sampled;
  for (const QJsonValue& v : JsonOf(r).value(u"sample"_s).toArray()) sampled << v.toString();
  sampled.sort();
  EXPECT_EQ(sampled, lines);
}
