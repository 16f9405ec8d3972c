// Exit statuses of every tool, end to end: 2 with the reason for input or
// output that cannot be used, 3 with each problem listed (stderr, or
// "problems" in the JSON) when a run completes without reaching every file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

namespace {

const QByteArray kProse =
    QByteArray("The farmers walked along the river to the market in the old town. ").repeated(30);

QString S(const char* text) { return QString::fromUtf8(text); }

void SetMode(const QString& path, mode_t mode) {
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

QJsonArray Problems(const CliResult& r) {
  return QJsonDocument::fromJson(r.out).object().value(S("problems")).toArray();
}

void ExpectRefused(const CliResult& r, const char* reason) {
  EXPECT_EQ(r.code, 2) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(reason)) << r.err.toStdString();
}

}  // namespace

TEST(ExitStatusCli, InputAndOutputThatCannotBeUsedEndWithTwoAndTheReason) {
  TempTree t;
  const QString missing = t.Path(S("missing"));
  const QString file = t.Write(S("data/a.txt"), kProse);
  const QString data = t.Path(S("data"));
  const QString empty = t.MakeDir(S("empty"));
  const QString filters = t.Write(S("filters.txt"), "river\t1\t0\t\n");
  const QList<QStringList> folder_tools = {
      {S("corruption"), S("--good"), file},
      {S("dupnames")},
      {S("dupcontents")},
      {S("restore")},
      {S("boilerplate")},
      {S("relevance"), S("--filters"), filters, S("--folder")},
      {S("sample"), S("--size"), S("3"), S("--folder")},
      {S("subcorpora"), S("--delicacy"), S("year")},
      {S("report"), S("-o"), t.Path(S("report.html"))},
  };
  for (QStringList args : folder_tools) {
    SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
    const bool subcorpora = args[0] == S("subcorpora");
    auto with = [&](const QString& folder) {
      QStringList a = args;
      a << folder;
      if (subcorpora) a << t.Path(S("out"));
      return a;
    };
    const CliResult gone = RunCli(with(missing));
    EXPECT_EQ(gone.code, 2);
    // The run's closing line, last on stderr, names the folder.
    EXPECT_TRUE(gone.err.endsWith("Folder not found: " + missing.toUtf8() + "\n"))
        << gone.err.constData();
    // ...and is the only line that tells of it.
    EXPECT_EQ(gone.err.count(missing.toUtf8()), 1) << gone.err.constData();
    if (args[0] != S("boilerplate"))
      ExpectRefused(RunCli(with(file)), "not a folder");  // a file is its mask there
    if (args[0] != S("restore") && !subcorpora)
      ExpectRefused(RunCli(with(empty)), "no files found");
  }

  // Numbers out of range, and files and output folders that cannot be used.
  const QString empty_list = t.Write(S("empty-list.txt"), QByteArray());
  const QByteArray second_gone = "Folder not found: " + missing.toUtf8();
  const QList<std::pair<QStringList, const char*>> refusals = {
      {{S("dupnames"), S("--folder2"), missing, data}, second_gone.constData()},
      {{S("sample"), S("--size"), S("0"), S("--folder"), data}, "--size"},
      {{S("sample"), S("--size"), S("2"), S("--list"), empty_list}, "no lines"},
      {{S("sample"), S("--size"), S("2"), S("--list"), data}, "not a regular file"},
      {{S("sample"), S("--size"), S("2"), S("--folder"), data, S("--zip"), file + S("/x/s.zip")},
       "is not a folder"},
      {{S("corruption"), S("--good"), missing, data}, "no such file"},
      {{S("dupcontents"), S("--start-percent"), S("101"), data}, "--start-percent"},
      {{S("relevance"), S("--filters"), filters, S("--segments"), S("2"), S("--coverage"), S("3"),
        S("--folder"), data},
       "--coverage"},
      {{S("relevance"), S("--filters"), filters, S("--folder"), data, S("--rtf"), file},
       "not a folder"},
  };
  for (const auto& [args, reason] : refusals) {
    SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
    ExpectRefused(RunCli(args), reason);
  }
}

// A sub-folder that cannot be entered, a text that cannot be read and a list
// that names a file that is not there: the run completes, and lists each.
TEST(ExitStatusCli, RunsThatMissFilesListEachOneAndEndWithThree) {
  TempTree t;
  SetMode(t.Root(), 0755);
  const QString good = t.Write(S("good/ref.txt"), kProse);
  const QString readable = t.Write(S("data/a.txt"), kProse);
  const QString unreadable = t.Write(S("data/b.txt"), kProse + "More words here.");
  t.Write(S("data/locked/hidden.txt"), kProse);
  const QString data = t.Path(S("data"));
  const QString locked = t.Path(S("data/locked"));
  const QString filters = t.Write(S("filters.txt"), "river\t1\t0\t\n");
  const QString zip = t.MakeDir(S("out")) + S("/s.zip");
  SetMode(t.Path(S("out")), 0777);
  const QString gone = t.Path(S("data/gone.txt"));
  const QString list = t.Write(S("list.txt"), (readable + S("\n") + gone + S("\n")).toUtf8());
  SetMode(unreadable, 0);
  SetMode(locked, 0);
  const QStringList relevance{S("relevance"), S("--min-words"), S("1"), S("--filters"), filters};
  const QList<std::pair<QStringList, QStringList>> runs = {
      {{S("corruption"), S("--good"), good, S("--subfolders"), data}, {locked, unreadable}},
      {{S("dupnames"), data}, {locked}},
      {{S("dupcontents"), data}, {locked}},
      {{S("boilerplate"), data}, {locked, unreadable}},
      {relevance + QStringList{S("--folder"), data}, {locked, unreadable}},
      {relevance + QStringList{S("--list"), list}, {gone}},
      // The archive cannot be made from a text that cannot be read.
      {{S("sample"), S("--size"), S("5"), S("--folder"), data, S("--zip"), zip},
       {locked, unreadable}},
  };
  for (const auto& [args, files] : runs) {
    SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
    const CliResult json = RunCliUnprivileged(QStringList(args) << S("--json"));
    EXPECT_EQ(json.code, 3) << json.err.toStdString();
    const QJsonArray problems = Problems(json);
    ASSERT_EQ(problems.size(), files.size()) << json.out.toStdString();
    for (qsizetype i = 0; i < files.size(); ++i) {
      EXPECT_EQ(problems[i].toObject().value(S("file")).toString(), files[i]);
      EXPECT_FALSE(problems[i].toObject().value(S("reason")).toString().isEmpty());
    }
    // Without --json the problems go to stderr and the results still come.
    const CliResult text = RunCliUnprivileged(args);
    EXPECT_EQ(text.code, 3);
    for (const QString& file : files)
      EXPECT_TRUE(text.err.contains(QFile::encodeName(file))) << text.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(zip));
  // The named folder itself unreadable is unusable input, not a problem of the run.
  ExpectRefused(RunCliUnprivileged({S("dupnames"), locked}), "cannot be read");
  SetMode(locked, 0755);
}

TEST(ExitStatusCli, CopiesAndSamplesThatCannotBeWrittenAreProblemsOfTheRun) {
  TempTree t;
  const QString readable = t.Write(S("data/a.txt"), kProse);
  const QString filters = t.Write(S("filters.txt"), "river\t1\t0\t\n");
  // Copies and RTF samples that cannot be written: a file stands where the
  // filtered folder goes, and a folder where the RTF file goes.
  const QString base = t.MakeDir(S("base"));
  t.Write(S("base/filtered"), "in the way");
  t.MakeDir(S("rtf/a.rtf"));
  const QString one = t.Write(S("one.txt"), (readable + S("\n")).toUtf8());
  const CliResult r = RunCli({S("relevance"), S("--json"), S("--yes"), S("--min-words"), S("1"),
                              S("--filters"), filters, S("--list"), one, S("--copy-filtered"),
                              S("--base"), base, S("--rtf"), t.Path(S("rtf"))});
  EXPECT_EQ(r.code, 3) << r.err.toStdString();
  const QJsonArray problems = Problems(r);
  ASSERT_EQ(problems.size(), 2) << r.out.toStdString();
  EXPECT_TRUE(problems[0].toObject().value(S("file")).toString().startsWith(base + S("/filtered")));
  EXPECT_EQ(problems[1].toObject().value(S("file")).toString(), readable);
  EXPECT_TRUE(problems[1].toObject().value(S("reason")).toString().contains(S("a.rtf")));
}

TEST(ExitStatusCli, EveryToolsHelpEndsWithTheExitStatuses) {
  for (const char* tool : {"corruption", "dupnames", "dupcontents", "restore", "boilerplate",
                           "relevance", "sample", "subcorpora"}) {
    const CliResult r = RunCli({S(tool), S("--help")});
    EXPECT_EQ(r.code, 0) << tool;
    EXPECT_TRUE(r.out.contains("Exit status: 0 everything asked was done")) << tool;
    EXPECT_TRUE(r.out.contains("3 the run completed but some files could not be read")) << tool;
  }
}
