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

// A tree the unprivileged child can read, with one sub-folder it cannot enter.
struct LockedTree {
  TempTree t;
  QString data;
  QString locked;
  LockedTree() {
    SetMode(t.Root(), 0755);
    t.Write(S("data/a.txt"), kProse);
    t.Write(S("data/b.txt"), kProse + "More words here.");
    t.Write(S("data/locked/hidden.txt"), kProse);
    data = t.Path(S("data"));
    locked = t.Path(S("data/locked"));
    SetMode(locked, 0);
  }
  ~LockedTree() { ::chmod(QFile::encodeName(locked).constData(), 0755); }
};

QJsonArray Problems(const CliResult& r) {
  return QJsonDocument::fromJson(r.out).object().value(S("problems")).toArray();
}

// A JSON run that completed with one problem, naming this file with a reason.
void ExpectOneProblem(const CliResult& r, const QString& file) {
  EXPECT_EQ(r.code, 3) << r.err.toStdString();
  const QJsonArray problems = Problems(r);
  ASSERT_EQ(problems.size(), 1) << r.out.toStdString() << r.err.toStdString();
  EXPECT_EQ(problems[0].toObject().value(S("file")).toString(), file);
  EXPECT_FALSE(problems[0].toObject().value(S("reason")).toString().isEmpty());
}

void ExpectRefused(const CliResult& r, const char* reason) {
  EXPECT_EQ(r.code, 2) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(reason)) << r.err.toStdString();
}

}  // namespace

TEST(ExitStatusCli, MissingFoldersFilesWhereFoldersAreWantedAndEmptyFoldersAreRefusedByEveryTool) {
  TempTree t;
  const QString missing = t.Path(S("missing"));
  const QString file = t.Write(S("plain.txt"), kProse);
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
  // dupnames checks its second folder as it checks the first.
  const QByteArray second_gone = "Folder not found: " + missing.toUtf8();
  ExpectRefused(RunCli({S("dupnames"), S("--folder2"), missing, t.Path(S("."))}),
                second_gone.constData());
}

TEST(ExitStatusCli, NumbersFilesAndOutputFoldersThatCannotBeUsedAreRefused) {
  TempTree t;
  const QString data = t.Path(S("data"));
  t.Write(S("data/a.txt"), kProse);
  const QString filters = t.Write(S("filters.txt"), "river\t1\t0\t\n");
  const QString list = t.Write(S("list.txt"), (t.Path(S("data/a.txt")) + S("\n")).toUtf8());
  const QString empty_list = t.Write(S("empty-list.txt"), QByteArray());
  const QString a_file = t.Path(S("data/a.txt"));

  ExpectRefused(RunCli({S("sample"), S("--size"), S("0"), S("--folder"), data}), "--size");
  ExpectRefused(RunCli({S("sample"), S("--size"), S("2"), S("--list"), t.Path(S("nope.txt"))}),
                "no such file");
  ExpectRefused(RunCli({S("sample"), S("--size"), S("2"), S("--list"), empty_list}), "no lines");
  ExpectRefused(RunCli({S("sample"), S("--size"), S("2"), S("--list"), data}),
                "not a regular file");
  ExpectRefused(RunCli({S("sample"), S("--size"), S("2"), S("--folder"), data, S("--zip"),
                        a_file + S("/x/s.zip")}),
                "is not a folder");
  ExpectRefused(RunCli({S("corruption"), S("--good"), t.Path(S("nope.txt")), data}),
                "no such file");
  ExpectRefused(RunCli({S("corruption"), S("--good"), a_file, S("--threads"), S("-1"), data}),
                "--threads");
  ExpectRefused(RunCli({S("dupcontents"), S("--start-percent"), S("101"), data}),
                "--start-percent");
  ExpectRefused(RunCli({S("relevance"), S("--filters"), data, S("--folder"), data}),
                "not a regular file");
  ExpectRefused(
      RunCli({S("relevance"), S("--filters"), filters, S("--list"), t.Path(S("nope.txt"))}),
      "no such file");
  ExpectRefused(RunCli({S("relevance"), S("--filters"), filters, S("--segments"), S("2"),
                        S("--coverage"), S("3"), S("--folder"), data}),
                "--coverage");
  ExpectRefused(
      RunCli({S("relevance"), S("--filters"), filters, S("--list"), list, S("--rtf"), a_file}),
      "not a folder");
  ExpectRefused(RunCli({S("relevance"), S("--filters"), filters, S("--list"), list,
                        S("--copy-filtered"), S("--base"), a_file}),
                "not a folder");
  ExpectRefused(RunCli({S("subcorpora"), S("--delicacy"), S("year"), data, a_file}),
                "not a folder");
}

TEST(ExitStatusCli, EveryWalkingToolListsTheFolderItCouldNotEnterAndEndsWithThree) {
  LockedTree lt;
  const QString good = lt.t.Path(S("data/a.txt"));
  const QString filters = lt.t.Write(S("filters.txt"), "river\t1\t0\t\n");
  const QList<QStringList> runs = {
      {S("corruption"), S("--good"), good, S("--subfolders"), lt.data},
      {S("dupnames"), lt.data},
      {S("dupcontents"), lt.data},
      {S("boilerplate"), lt.data},
      {S("relevance"), S("--min-words"), S("1"), S("--filters"), filters, S("--folder"), lt.data},
      {S("sample"), S("--size"), S("5"), S("--folder"), lt.data},
  };
  for (const QStringList& args : runs) {
    SCOPED_TRACE(args[0].toStdString());
    const CliResult json = RunCliUnprivileged(QStringList(args) << S("--json"));
    ExpectOneProblem(json, lt.locked);
    // Without --json the problem goes to stderr and the results still come.
    const CliResult text = RunCliUnprivileged(args);
    EXPECT_EQ(text.code, 3);
    EXPECT_TRUE(text.err.contains(QFile::encodeName(lt.locked))) << text.err.toStdString();
  }
  // The named folder itself unreadable is unusable input, not a problem of the run.
  ExpectRefused(RunCliUnprivileged({S("dupnames"), lt.locked}), "cannot be read");
}

TEST(ExitStatusCli, FilesThatCannotBeReadOrWrittenAreProblemsOfTheRun) {
  TempTree t;
  SetMode(t.Root(), 0755);
  const QString good = t.Write(S("good/ref.txt"), kProse);
  const QString readable = t.Write(S("data/a.txt"), kProse);
  const QString unreadable = t.Write(S("data/b.txt"), kProse);
  SetMode(unreadable, 0);
  const QString filters = t.Write(S("filters.txt"), "river\t1\t0\t\n");
  const QString out = t.MakeDir(S("out"));
  SetMode(out, 0777);

  // The corruption check stops at the file and says so; earlier files stay listed.
  CliResult r =
      RunCliUnprivileged({S("corruption"), S("--json"), S("--good"), good, t.Path(S("data"))});
  ExpectOneProblem(r, unreadable);

  r = RunCliUnprivileged({S("boilerplate"), S("--json"), t.Path(S("data"))});
  ExpectOneProblem(r, unreadable);

  r = RunCliUnprivileged({S("relevance"), S("--json"), S("--min-words"), S("1"), S("--filters"),
                          filters, S("--folder"), t.Path(S("data"))});
  ExpectOneProblem(r, unreadable);
  EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(S("results")).toArray().size(), 1);

  // A list naming a file that is not there.
  const QString list =
      t.Write(S("list.txt"), (readable + S("\n") + t.Path(S("data/gone.txt")) + S("\n")).toUtf8());
  r = RunCli({S("relevance"), S("--json"), S("--min-words"), S("1"), S("--filters"), filters,
              S("--list"), list});
  ExpectOneProblem(r, t.Path(S("data/gone.txt")));

  // The archive cannot be made from a text that cannot be read.
  r = RunCliUnprivileged({S("sample"), S("--json"), S("--size"), S("5"), S("--folder"),
                          t.Path(S("data")), S("--zip"), out + S("/s.zip")});
  ExpectOneProblem(r, unreadable);
  EXPECT_FALSE(QFile::exists(out + S("/s.zip")));

  // Copies and RTF samples that cannot be written: a file stands where the
  // filtered folder goes, and a folder where the RTF file goes.
  SetMode(unreadable, 0644);
  const QString base = t.MakeDir(S("base"));
  t.Write(S("base/filtered"), "in the way");
  t.MakeDir(S("rtf/a.rtf"));
  const QString one = t.Write(S("one.txt"), (readable + S("\n")).toUtf8());
  r = RunCli({S("relevance"), S("--json"), S("--yes"), S("--min-words"), S("1"), S("--filters"),
              filters, S("--list"), one, S("--copy-filtered"), S("--base"), base, S("--rtf"),
              t.Path(S("rtf"))});
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
