#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

QJsonArray Chunks(const CliResult& r) {
  return QJsonDocument::fromJson(r.out).object().value(u"chunks"_s).toArray();
}

TEST(BoilerplateCli, OptionsJsonAndBadInput) {
  TempTree tree;
  const QString notice = u"Reprinted with the kind permission of the owners."_s;
  tree.WriteText(u"a.txt"_s, u"Alpha text. Said once."_s);
  const QString b = tree.WriteText(u"b.txt"_s, notice + u' ' + notice + u"\n\nSite menu line"_s);
  const QString c = tree.WriteText(u"sub/c.html"_s,
                                   u"<p>Site menu line</p><p>Alpha text. Beta.</p><p>"_s + notice);
  const QStringList options{u"boilerplate"_s, u"--json"_s, u"--unterminated"_s, u"--min-length"_s,
                            u"5"_s};
  CliResult r = RunCli(options + QStringList{tree.Root()});
  ASSERT_EQ(r.code, 0);
  // The closing line goes to stderr, also under --json.
  EXPECT_EQ(r.err, "Checked 3 files: 3 repeated chunks\n");
  ASSERT_EQ(Chunks(r).size(), 3);
  const QJsonObject first = Chunks(r)[0].toObject();
  EXPECT_EQ(first.value(u"text"_s).toString(), notice);
  EXPECT_EQ(first.value(u"total"_s).toInt(), 3);
  const QJsonArray files = first.value(u"files"_s).toArray();
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(files[0].toObject().value(u"file"_s).toString(), b);
  EXPECT_EQ(files[0].toObject().value(u"hits"_s).toInt(), 2);
  EXPECT_EQ(files[1].toObject().value(u"file"_s).toString(), c);

  // By file order "Alpha text." (files a and c) comes before the notice (b and c).
  r = RunCli(options + QStringList{u"--sort"_s, u"files"_s, tree.Root()});
  ASSERT_FALSE(Chunks(r).isEmpty());
  EXPECT_EQ(Chunks(r)[0].toObject().value(u"text"_s).toString(), u"Alpha text."_s);
  // Without sub-folders only b.txt repeats; web files alone repeat nothing.
  EXPECT_EQ(Chunks(RunCli(options + QStringList{u"--no-subfolders"_s, tree.Root()})).size(), 1);
  EXPECT_TRUE(Chunks(RunCli(options + QStringList{u"--types"_s, u"web"_s, tree.Root()})).isEmpty());

  EXPECT_EQ(RunCli({u"boilerplate"_s, u"--min-hits"_s, u"1"_s, tree.Root()}).code, 2);
}

}  // namespace
