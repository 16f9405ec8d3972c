#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "cli/cli_runner.h"
#include "support/test_support.h"

namespace {

TEST(BoilerplateCli, JsonInTheChosenOrderAndBadInput) {
  TempTree tree;
  const QString notice = QStringLiteral("Reprinted with the kind permission of the owners.");
  const QString a =
      tree.WriteText(QStringLiteral("a.txt"), QStringLiteral("Alpha text. ") + notice);
  const QString b = tree.WriteText(QStringLiteral("b.txt"),
                                   notice + u' ' + notice + QStringLiteral("\n\nSite menu line"));
  tree.WriteText(QStringLiteral("sub/c.html"),
                 QStringLiteral("<p>Site menu line</p><p>Alpha text. Beta.</p>"));

  CliResult r = RunCli({QStringLiteral("boilerplate"), QStringLiteral("--json"),
                        QStringLiteral("--unterminated"), QStringLiteral("--min-length"),
                        QStringLiteral("5"), tree.Root()});
  ASSERT_EQ(r.code, 0);
  const QJsonArray chunks =
      QJsonDocument::fromJson(r.out).object().value(QStringLiteral("chunks")).toArray();
  ASSERT_EQ(chunks.size(), 3);
  // The closing line goes to stderr, also under --json.
  EXPECT_EQ(r.err, "Checked 3 files: 3 repeated chunks\n");
  EXPECT_EQ(chunks[0].toObject().value(QStringLiteral("text")).toString(), notice);
  EXPECT_EQ(chunks[0].toObject().value(QStringLiteral("total")).toInt(), 3);
  const QJsonArray files = chunks[0].toObject().value(QStringLiteral("files")).toArray();
  ASSERT_EQ(files.size(), 2);
  EXPECT_EQ(files[0].toObject().value(QStringLiteral("file")).toString(), a);
  EXPECT_EQ(files[1].toObject().value(QStringLiteral("file")).toString(), b);
  EXPECT_EQ(files[1].toObject().value(QStringLiteral("hits")).toInt(), 2);

  // By file order: the notice (files a, b), "Alpha text." (a, c), the menu line (b, c).
  r = RunCli({QStringLiteral("boilerplate"), QStringLiteral("--json"),
              QStringLiteral("--unterminated"), QStringLiteral("--min-length"), QStringLiteral("5"),
              QStringLiteral("--sort"), QStringLiteral("files"), tree.Root()});
  QStringList order;
  for (const auto& v :
       QJsonDocument::fromJson(r.out).object().value(QStringLiteral("chunks")).toArray())
    order << v.toObject().value(QStringLiteral("text")).toString();
  EXPECT_EQ(order,
            (QStringList{notice, QStringLiteral("Alpha text."), QStringLiteral("Site menu line")}));
  // At the default minimum length of 20 characters only the notice is left.
  r = RunCli({QStringLiteral("boilerplate"), QStringLiteral("--json"),
              QStringLiteral("--unterminated"), tree.Root()});
  EXPECT_EQ(
      QJsonDocument::fromJson(r.out).object().value(QStringLiteral("chunks")).toArray().size(), 1);

  // Only web files, no sub-folders: nothing is left to repeat.
  r = RunCli({QStringLiteral("boilerplate"), QStringLiteral("--json"), QStringLiteral("--types"),
              QStringLiteral("web"), QStringLiteral("--no-subfolders"), tree.Root()});
  EXPECT_TRUE(
      QJsonDocument::fromJson(r.out).object().value(QStringLiteral("chunks")).toArray().isEmpty());

  EXPECT_EQ(RunCli({QStringLiteral("boilerplate"), tree.Path(QStringLiteral("missing"))}).code, 2);
  EXPECT_EQ(RunCli({QStringLiteral("boilerplate"), QStringLiteral("--min-hits"),
                    QStringLiteral("1"), tree.Root()})
                .code,
            2);
}

}  // namespace
