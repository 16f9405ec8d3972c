// sorvel-cli report: the page and the object it writes, the lines it prints
// and its exit statuses. What the report finds is left to the engine tests;
// a missing or empty corpus folder to the exit status test of every tool.

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

QStringList Lines(const QByteArray& out) {
  return QString::fromUtf8(out).trimmed().split(QLatin1Char('\n'));
}

}  // namespace

TEST(ReportCli, PageObjectLinesAndExitStatuses) {
  TempTree t;
  const QByteArray prose =
      QByteArray("The farmers walked along the river to the market. ").repeated(20);
  t.Write(S("corpus/a.txt"), prose);
  t.Write(S("corpus/sub/b.txt"), prose);
  const QString corpus = t.Path(S("corpus"));
  const QString page = t.Path(S("out/report.html"));  // the folder is made
  const CliResult r = RunCli({S("report"), S("--json"), S("--quiet"), S("-o"), page, corpus});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  const QJsonObject j = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(j.value(S("output")).toString(), page);
  EXPECT_EQ(j.value(S("summary")).toObject().value(S("files")).toInt(), 2);
  EXPECT_TRUE(j.value(S("problems")).toArray().isEmpty());
  EXPECT_TRUE(ReadAll(page).startsWith("<!DOCTYPE html>"));

  // Without --json: what was read, a line per verdict, where the page went
  // (replaced); the run's closing line last on stderr.
  const CliResult text = RunCli({S("report"), S("-o"), page, corpus});
  EXPECT_EQ(text.code, 0);
  const QStringList lines = Lines(text.out);
  ASSERT_GE(lines.size(), 3);
  EXPECT_TRUE(lines.first().startsWith(S("2 files, "))) << text.out.toStdString();
  for (const QString& verdict : lines.mid(1, lines.size() - 2))
    EXPECT_TRUE(verdict.startsWith(S("  ok    ")) || verdict.startsWith(S("  check ")));
  EXPECT_TRUE(lines.last().startsWith(S("Report written to ") + page)) << text.out.toStdString();
  EXPECT_TRUE(Lines(text.err).last().startsWith(S("Checked 2 files: "))) << text.err.toStdString();

  const QString other = t.Path(S("other.html"));
  const QList<QStringList> refused{
      {corpus},                   // neither a page nor --json
      {S("-o"), corpus, corpus},  // the output is a folder
      {S("--good"), t.MakeDir(S("nothing")), S("-o"), other, corpus},
  };
  for (const QStringList& args : refused)
    EXPECT_EQ(RunCli(QStringList{S("report")} + args).code, 2) << args.join(' ').toStdString();
  EXPECT_FALSE(QFile::exists(other));

  // A file that cannot be read: the report is still written, and the file is listed.
  const QString secret = t.Write(S("corpus/secret.txt"), prose);
  for (const QString& open : {t.Root(), corpus, t.Path(S("corpus/sub")), t.Path(S("out")),
                              t.Path(S("corpus/a.txt")), t.Path(S("corpus/sub/b.txt"))})
    ::chmod(QFile::encodeName(open).constData(), 0777);
  ::chmod(QFile::encodeName(secret).constData(), 0);
  QFile::remove(page);
  const CliResult unread = RunCliUnprivileged({S("report"), S("--json"), S("-o"), page, corpus});
  EXPECT_EQ(unread.code, 3) << unread.err.toStdString();
  const QJsonArray problems =
      QJsonDocument::fromJson(unread.out).object().value(S("problems")).toArray();
  ASSERT_EQ(problems.size(), 1) << unread.out.toStdString();
  EXPECT_EQ(problems[0].toObject().value(S("file")).toString(), secret);
  EXPECT_TRUE(QFile::exists(page));
}
