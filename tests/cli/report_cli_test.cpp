// sorvel-cli report end to end: the page and the object it writes, and its
// exit statuses.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

const QByteArray kProse =
    QByteArray("The farmers walked along the river to the market in the old town with bread. ")
        .repeated(20);

}  // namespace

TEST(ReportCli, WritesThePageAndTheObjectWithTheSameNumbers) {
  TempTree t;
  t.Write(S("corpus/a.txt"), kProse);
  t.Write(S("corpus/b.txt"), kProse);  // a copy of a.txt
  t.Write(S("corpus/sub/a.txt"),
          QByteArray("Caf\xe9 au lait in the old town with the farmers. ").repeated(10));
  QByteArray damaged = kProse.left(200);
  damaged.append(QByteArray(500, '\0'));
  t.Write(S("corpus/sub/damaged.txt"), damaged);
  const QString page = t.Path(S("out/report.html"));  // the folder is made

  const CliResult r =
      RunCli({S("report"), S("--json"), S("--quiet"), S("-o"), page, t.Path(S("corpus"))});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  const QJsonObject j = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(j.value(S("output")).toString(), page);
  EXPECT_EQ(j.value(S("summary")).toObject().value(S("files")).toInt(), 4);
  EXPECT_TRUE(j.value(S("problems")).toArray().isEmpty());

  const QByteArray html = ReadAll(page);
  EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
  EXPECT_TRUE(html.contains("damaged.txt"));
  EXPECT_TRUE(html.contains("<svg"));

  // Lines of text without --json; the page is replaced.
  const CliResult text = RunCli({S("report"), S("-o"), page, t.Path(S("corpus"))});
  EXPECT_EQ(text.code, 0);
  EXPECT_TRUE(text.out.contains("4 files")) << text.out.toStdString();
  EXPECT_TRUE(text.out.contains("Report written to")) << text.out.toStdString();
  // The run's one closing line, last on stderr.
  const QStringList err = QString::fromUtf8(text.err).trimmed().split(QLatin1Char('\n'));
  EXPECT_TRUE(err.last().startsWith(
      S("Checked 4 files: 2 broken, 1 spare near-duplicate copy, 2 files with shared names")))
      << text.err.toStdString();
}

TEST(ReportCli, UnusableInputAndOutputEndWithTwoAndUnreadableFilesWithThree) {
  TempTree t;
  t.Write(S("corpus/a.txt"), kProse);
  const QString corpus = t.Path(S("corpus"));
  const QString page = t.Path(S("report.html"));

  CliResult r = RunCli({S("report"), corpus});  // neither a page nor --json
  EXPECT_EQ(r.code, 2);
  r = RunCli({S("report"), S("-o"), corpus, corpus});  // the output is a folder
  EXPECT_EQ(r.code, 2);
  r = RunCli({S("report"), S("--good"), t.Path(S("missing")), S("-o"), page, corpus});
  EXPECT_EQ(r.code, 2);
  t.MakeDir(S("nothing"));
  r = RunCli({S("report"), S("--good"), t.Path(S("nothing")), S("-o"), page, corpus});
  EXPECT_EQ(r.code, 2);
  r = RunCli({S("report"), S("-o"), page, t.MakeDir(S("empty"))});
  EXPECT_EQ(r.code, 2);
  EXPECT_FALSE(QFile::exists(page));

  // A file that cannot be read: the report is still written, and the file is listed.
  ::chmod(QFile::encodeName(t.Root()).constData(), 0755);
  ::chmod(QFile::encodeName(corpus).constData(), 0755);
  ::chmod(QFile::encodeName(t.Path(S("corpus/a.txt"))).constData(), 0644);
  const QString secret = t.Write(S("corpus/secret.txt"), kProse);
  ::chmod(QFile::encodeName(secret).constData(), 0);
  const QString out_folder = t.MakeDir(S("out"));
  ::chmod(QFile::encodeName(out_folder).constData(), 0777);
  const QString open_page = t.Path(S("out/report.html"));
  r = RunCliUnprivileged({S("report"), S("--json"), S("-o"), open_page, corpus});
  EXPECT_EQ(r.code, 3) << r.err.toStdString();
  const QJsonArray problems =
      QJsonDocument::fromJson(r.out).object().value(S("problems")).toArray();
  ASSERT_EQ(problems.size(), 1) << r.out.toStdString();
  EXPECT_EQ(problems[0].toObject().value(S("file")).toString(), secret);
  EXPECT_TRUE(QFile::exists(open_page));
}
