#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

TEST(BoilerplateCli, JsonInTheChosenOrderAndBadInput) {
  TempTree tree;
  const QString notice = u"Reprinted with the kind permission of the owners."_s;
  const QString a = tree.WriteText(u"a.txt"_s, u"Alpha text. "_s + notice);
  const QString b = tree.WriteText(u"b.txt"_s, notice + u' ' + notice + u"\n\nSite menu line"_s);
  tree.WriteText(u"sub/c.html"_s, u"<p>Site menu line</p><p>Alpha text. Beta.</p>"_s);

  CliResult r = RunCli(
      {u"boilerplate"_s, u"--json"_s, u"--unterminated"_s, u"--min-length"_s, u"5"_s, tree.Root()});
  ASSERT_EQ(r.code, 0);
  const QJsonArray chunks = QJsonDocument::fromJson(r.out).object().value(u"chunks"_s).toArray();
  ASSERT_EQ(chunks.size(), 3);
  // The closing line goes to stderr, also under --json.
  EXPECT_EQ(r.err, "Checked 3 files: 3 repeated chunks\n");
  EXPECT_EQ(chunks[0].toObject().value(u"text"_s).toString(), notice);
  EXPECT_EQ(chunks[0].toObject().value(u"total"_s).toInt(), 3);
  const QJsonArray files = chunks[0].toObject().value(u"files"_s).toArray();
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(files[0].toObject().value(u"file"_s).toString(), a);
  EXPECT_EQ(files[1].toObject().value(u"file"_s).toString(), b);
  EXPECT_EQ(files[1].toObject().value(u"hits"_s).toInt(), 2);

  // By file order: the notice (files a, b), "Alpha text." (a, c), the menu line (b, c).
  r = RunCli({u"boilerplate"_s, u"--json"_s, u"--unterminated"_s, u"--min-length"_s, u"5"_s,
              u"--sort"_s, u"files"_s, tree.Root()});
  QStringList order;
  for (const auto& v : QJsonDocument::fromJson(r.out).object().value(u"chunks"_s).toArray())
    order << v.toObject().value(u"text"_s).toString();
  EXPECT_EQ(order, (QStringList{notice, u"Alpha text."_s, u"Site menu line"_s}));
  // At the default minimum length of 20 characters only the notice is left.
  r = RunCli({u"boilerplate"_s, u"--json"_s, u"--unterminated"_s, tree.Root()});
  EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(u"chunks"_s).toArray().size(), 1);

  // Only web files, no sub-folders: nothing is left to repeat.
  r = RunCli(
      {u"boilerplate"_s, u"--json"_s, u"--types"_s, u"web"_s, u"--no-subfolders"_s, tree.Root()});
  EXPECT_TRUE(QJsonDocument::fromJson(r.out).object().value(u"chunks"_s).toArray().isEmpty());

  EXPECT_EQ(RunCli({u"boilerplate"_s, u"--min-hits"_s, u"1"_s, tree.Root()}).code, 2);
}

}  // namespace
