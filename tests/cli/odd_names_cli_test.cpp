#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "runtime/native_names.h"
#include "support/test_support.h"

namespace {

const QByteArray kReplacementCharacter("\xEF\xBF\xBD");

// A folder named by the Latin-1 bytes 64 FC 72 ("dür"), which are not UTF-8.
QString Latin1Folder() { return NameFromNative(QByteArray("d\xFCr")); }

QByteArray Words(const char* seed) {
  QByteArray text;
  for (int i = 0; i < 40; ++i)
    text += QByteArray(seed) + QByteArray::number(i % 7) + " und noch ein Wort.\r\n";
  return text;
}

QJsonObject JsonOf(const CliResult& r) { return QJsonDocument::fromJson(r.out).object(); }

}  // namespace

// Files in a folder whose name is not UTF-8: dupnames lists the folder in
// its escaped form (never a replacement character), and dupcontents reads
// the files and groups them, in human and JSON output alike.
TEST(OddNamesCli, Latin1FolderInDupNamesAndDupContents) {
  TempTree t;
  t.Write(Latin1Folder() + QStringLiteral("/eins.txt"), Words("Haus"));
  t.Write(Latin1Folder() + QStringLiteral("/zwei.txt"), Words("Haus"));
  t.Write(QStringLiteral("andere/eins.txt"), Words("Baum"));
  // Names that differ only in a byte that is not UTF-8 are different names.
  t.Write(QStringLiteral("andere/") + NameFromNative(QByteArray("GR\xC4.txt")), "a");
  t.Write(Latin1Folder() + QLatin1Char('/') + NameFromNative(QByteArray("gr\xE4.txt")), "b");
  const QString root = QDir(t.Root()).absolutePath();
  const QString shown_folder = root + QStringLiteral("/d\\xfcr");

  CliResult r = RunCli({QStringLiteral("dupnames"), t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_FALSE(r.out.contains(kReplacementCharacter));
  EXPECT_TRUE(QString::fromUtf8(r.out).contains(QStringLiteral("\t") + shown_folder.toLower() +
                                                QStringLiteral(" (")))
      << r.out.toStdString();
  r = RunCli({QStringLiteral("dupnames"), QStringLiteral("--json"), t.Root()});
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(JsonOf(r).value(QStringLiteral("groups")).toArray().size(), 1) << r.out.toStdString();
  const QJsonArray files = JsonOf(r)
                               .value(QStringLiteral("groups"))
                               .toArray()
                               .at(0)
                               .toObject()
                               .value(QStringLiteral("files"))
                               .toArray();
  ASSERT_EQ(files.size(), 2) << r.out.toStdString();
  EXPECT_EQ(files[1].toObject().value(QStringLiteral("folder")).toString(), shown_folder.toLower());

  r = RunCli({QStringLiteral("dupcontents"), t.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QString out = QString::fromUtf8(r.out);
  EXPECT_FALSE(r.out.contains(kReplacementCharacter));
  EXPECT_TRUE(out.contains(shown_folder + QStringLiteral("/eins.txt\t"))) << out.toStdString();
  EXPECT_TRUE(out.contains(shown_folder + QStringLiteral("/zwei.txt\t"))) << out.toStdString();
  EXPECT_FALSE(out.contains(QStringLiteral("Empty files"))) << out.toStdString();
  // Nothing on stderr but the closing line.
  EXPECT_EQ(r.err, QByteArray("Checked 5 files: 1 near duplicate in 1 group\n"));

  r = RunCli({QStringLiteral("dupcontents"), QStringLiteral("--json"), t.Root()});
  ASSERT_EQ(r.code, 0);
  const QJsonArray groups = JsonOf(r).value(QStringLiteral("groups")).toArray();
  ASSERT_EQ(groups.size(), 1) << r.out.toStdString();
  const QJsonArray members = groups[0].toObject().value(QStringLiteral("members")).toArray();
  ASSERT_EQ(members.size(), 2);
  EXPECT_EQ(members[0].toObject().value(QStringLiteral("file")).toString(),
            shown_folder + QStringLiteral("/eins.txt"));
  EXPECT_GT(members[0].toObject().value(QStringLiteral("tokens")).toInt(),
            100);  // the text was read
}

// Names holding "*", a TAB or a newline are sampled as themselves, and the
// human output shows each on one line with the TAB and newline escaped.
TEST(OddNamesCli, SampleShowsTabNewlineAndStarNamesAsThemselves) {
  TempTree t;
  const QStringList names{QStringLiteral("a*.txt"), QStringLiteral("a\tb.txt"),
                          QStringLiteral("ab.txt"), QStringLiteral("new\nline.txt")};
  for (const QString& n : names) t.Write(QStringLiteral("in/") + n, "Text.\r\n");
  const QString folder = QDir(t.Path(QStringLiteral("in"))).absolutePath();

  CliResult r = RunCli({QStringLiteral("sample"), QStringLiteral("--size"), QStringLiteral("10"),
                        QStringLiteral("--folder"), folder});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  lines.sort();
  EXPECT_EQ(lines,
            (QStringList{folder + QStringLiteral("/a*.txt"), folder + QStringLiteral("/a\\tb.txt"),
                         folder + QStringLiteral("/ab.txt"),
                         folder + QStringLiteral("/new\\nline.txt")}));

  r = RunCli({QStringLiteral("sample"), QStringLiteral("--json"), QStringLiteral("--size"),
              QStringLiteral("10"), QStringLiteral("--folder"), folder});
  ASSERT_EQ(r.code, 0);
  QStringList sampled;
  for (const QJsonValue& v : JsonOf(r).value(QStringLiteral("sample")).toArray())
    sampled << v.toString();
  sampled.sort();
  EXPECT_EQ(sampled, lines);
}
