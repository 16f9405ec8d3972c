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

QByteArray Words(const char* seed) {
  return QByteArray(seed).append(" und noch ein Wort.\r\n").repeated(40);
}

QJsonObject JsonOf(const CliResult& r) { return QJsonDocument::fromJson(r.out).object(); }

}  // namespace

// Files in a folder whose name is not UTF-8: dupnames lists the folder in
// its escaped form, never with a replacement character, and dupcontents
// reads the files and groups them under that name.
TEST(OddNamesCli, Latin1FolderInDupNamesAndDupContents) {
  TempTree t;
  const QString folder = NameFromNative(QByteArray("d\xFCr"));  // "dür" in Latin-1
  t.Write(folder + u"/eins.txt"_s, Words("Haus"));
  t.Write(folder + u"/zwei.txt"_s, Words("Haus"));
  t.Write(u"andere/eins.txt"_s, Words("Baum"));
  // Names that differ only in a byte that is not UTF-8 are different names.
  t.Write(u"andere/"_s + NameFromNative(QByteArray("GR\xC4.txt")), "a");
  t.Write(folder + QLatin1Char('/') + NameFromNative(QByteArray("gr\xE4.txt")), "b");
  const QString shown = QDir(t.Root()).absolutePath() + u"/d\\xfcr"_s;

  CliResult r = RunCli({u"dupnames"_s, t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QString names = QString::fromUtf8(r.out);
  EXPECT_TRUE(names.contains(u"\t"_s + shown.toLower() + u" ("_s)) << r.out.toStdString();
  EXPECT_EQ(names.count(u" (2)\t"_s), 1) << r.out.toStdString();  // eins.txt only
  r = RunCli({u"dupcontents"_s, u"--json"_s, t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonArray groups = JsonOf(r).value(u"groups"_s).toArray();
  ASSERT_EQ(groups.size(), 1) << r.out.toStdString();
  const QJsonArray members = groups[0].toObject().value(u"members"_s).toArray();
  ASSERT_EQ(members.size(), 2);
  EXPECT_EQ(members[0].toObject().value(u"file"_s).toString(), shown + u"/eins.txt"_s);
}

// Names holding "*", a TAB or a newline are sampled as themselves, and the
// output shows each on one line with the TAB and newline escaped.
TEST(OddNamesCli, SampleShowsTabNewlineAndStarNamesAsThemselves) {
  TempTree t;
  for (const QString& n : {u"a*.txt"_s, u"a\tb.txt"_s, u"ab.txt"_s, u"new\nline.txt"_s})
    t.Write(u"in/"_s + n, "Text.\r\n");
  const QString in = QDir(t.Path(u"in"_s)).absolutePath();
  const QStringList args{u"sample"_s, u"--size"_s, u"10"_s, u"--folder"_s, in};

  CliResult r = RunCli(args);
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  lines.sort();
  EXPECT_EQ(lines, (QStringList{in + u"/a*.txt"_s, in + u"/a\\tb.txt"_s, in + u"/ab.txt"_s,
                                in + u"/new\\nline.txt"_s}));
  QStringList sampled;
  for (const QJsonValue& v :
       JsonOf(RunCli(args + QStringList{u"--json"_s})).value(u"sample"_s).toArray())
    sampled << v.toString();
  sampled.sort();
  EXPECT_EQ(sampled, lines);
}
