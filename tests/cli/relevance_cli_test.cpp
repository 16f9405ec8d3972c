// sorvel-cli relevance: the options reach the check, the lines and the object
// it prints have their shape, and bad input ends with status 2. What the check
// finds is left to the engine tests.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

QString Words(int n, const QString& extra) { return u"word "_s.repeated(n) + extra; }

}  // namespace

TEST(RelevanceCli, OptionsReachTheCheckAndTheOutputHasItsShape) {
  TempTree t;
  const QString filters = t.WriteText(u"f.txt"_s, u"river\t1\t0\t\n"_s);
  t.WriteText(u"c/one.txt"_s, Words(200, u"river river"_s));
  t.WriteText(u"c/s/two.txt"_s, Words(200, u"river river river"_s));
  t.WriteText(u"c/zero.txt"_s, Words(200, u"lake"_s));  // scores 0, below --min-score
  const QString out = t.Path(u"rtf"_s);
  const QStringList check{u"relevance"_s, u"--filters"_s,   filters, u"--folder"_s,
                          t.Path(u"c"_s), u"--min-score"_s, u"0.5"_s};
  const CliResult r = RunCli(check + QStringList{u"--copy-filtered"_s, u"--rtf"_s, out,
                                                 u"--start"_s, u"1"_s, u"--json"_s});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(u"examined"_s).toInt(), 3);
  const QJsonArray res = o.value(u"results"_s).toArray();
  ASSERT_EQ(res.size(), 2);
  const QJsonObject best = res[0].toObject();
  EXPECT_EQ(best.keys(), (QStringList{u"file"_s, u"hit_types"_s, u"score"_s, u"words"_s}));
  EXPECT_TRUE(best.value(u"file"_s).toString().endsWith(u"two.txt"_s));
  EXPECT_TRUE(best.value(u"score"_s).isDouble());
  EXPECT_EQ(o.value(u"copied"_s).toInt(), 2);
  EXPECT_EQ(o.value(u"filtered_folder"_s).toString(), t.Path(u"c/filtered"_s));
  EXPECT_TRUE(QFileInfo::exists(t.Path(u"c/filtered/s/two.txt"_s)));
  // --start 1: the second text only.
  EXPECT_EQ(o.value(u"rtf_saved"_s).toInt(), 1);
  EXPECT_TRUE(QFileInfo::exists(out + u"/one.rtf"_s));
  EXPECT_TRUE(r.err.trimmed().split('\n').last().startsWith("Checked 3 files: "))
      << r.err.toStdString();

  // Without --json: a line of five tab-separated fields per text, then the status line.
  const QStringList lines = QString::fromUtf8(RunCli(check).out).trimmed().split(u'\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0].split(u'\t').size(), 5);
  EXPECT_TRUE(lines[0].startsWith(u"1\t"_s) && lines[0].endsWith(u"two.txt"_s))
      << lines[0].toStdString();
}

TEST(RelevanceCli, BadInputExitsWithTwo) {
  TempTree t;
  const QString filters = t.WriteText(u"f.txt"_s, u"river\n"_s);
  const QString bad = t.WriteText(u"b.txt"_s, u"river\t1\nlake\tmany\n"_s);
  const QString list = t.WriteText(u"l.txt"_s, u"nothing.txt\n"_s);
  const QString folder = t.MakeDir(u"c"_s);
  // Missing folders and filter or list files: the exit status test of every tool.
  const QList<QStringList> refused{
      {u"--filters"_s, bad, u"--folder"_s, folder},
      {u"--filters"_s, filters},
      {u"--filters"_s, filters, u"--list"_s, list, u"--copy-filtered"_s},  // no --base
  };
  for (const QStringList& args : refused)
    EXPECT_EQ(RunCli(QStringList{u"relevance"_s} + args).code, 2) << args.join(u' ').toStdString();
  // A list naming no file that exists leaves nothing to examine; the missing
  // file is named.
  const CliResult none = RunCli({u"relevance"_s, u"--filters"_s, filters, u"--list"_s, list});
  EXPECT_EQ(none.code, 2);
  EXPECT_TRUE(none.err.contains("nothing.txt: no such file")) << none.err.toStdString();
}
