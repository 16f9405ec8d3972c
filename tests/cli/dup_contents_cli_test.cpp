#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "../duplicates/dup_contents_test_corpus.h"
#include "cli/cli_runner.h"
#include "runtime/tree_lock.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

QJsonObject JsonOf(const CliResult& r) { return QJsonDocument::fromJson(r.out).object(); }

}  // namespace

TEST(DupContentsCli, JsonGroupsMoveOnlyWithYesAndRestoreAndNeverInATreeInUse) {
  TempTree t;
  const QByteArray a = DupTestText(70, 300);
  t.Write(u"a.txt"_s, a);
  t.Write(u"b.txt"_s, a + " ");
  t.Write(u"sub/c.txt"_s, a);
  t.Write(u"e.txt"_s, QByteArray());

  CliResult r = RunCli({u"dupcontents"_s, u"--json"_s, u"--no-dates"_s, t.Root()});
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(JsonOf(r).value(u"pairs"_s).toInt(), 1);  // sub/c.txt lies in another folder
  const QJsonArray groups = JsonOf(r).value(u"groups"_s).toArray();
  ASSERT_EQ(groups.size(), 1);
  const QJsonArray members = groups[0].toObject().value(u"members"_s).toArray();
  ASSERT_EQ(members.size(), 2);
  EXPECT_EQ(members[0].toObject().value(u"file"_s).toString(), t.Path(u"a.txt"_s));
  EXPECT_EQ(members[1].toObject().value(u"tokens"_s).toInt(), 300);
  EXPECT_EQ(JsonOf(r).value(u"empty_files"_s).toArray(), QJsonArray{t.Path(u"e.txt"_s)});
  // The closing line goes to stderr, also under --json.
  EXPECT_EQ(r.err, QByteArray("Checked 4 files: 1 near duplicate in 1 group\n"));

  // Without --yes nothing moves; the command says what it would do.
  r = RunCli(
      {u"dupcontents"_s, u"--any-folder"_s, u"--move"_s, u"--keep"_s, u"longest"_s, t.Root()});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.contains("would move")) << r.out.constData();
  EXPECT_TRUE(QFileInfo::exists(t.Path(u"sub/c.txt"_s)));

  r = RunCli({u"dupcontents"_s, u"--any-folder"_s, u"--move"_s, u"--yes"_s, u"--json"_s, t.Root()});
  EXPECT_EQ(JsonOf(r).value(u"moved"_s).toInt(), 2);
  r = RunCli({u"restore"_s, u"--yes"_s, u"--json"_s, t.Root()});
  EXPECT_EQ(JsonOf(r).value(u"restored"_s).toInt(), 2);
  EXPECT_EQ(r.err, QByteArray("Checked 2 moved files: 2 files restored\n"));

  // While another run moves files in the tree, neither moves anything.
  const TreeMoveLock other_run(t.Root());
  ASSERT_TRUE(other_run.Held());
  for (const QStringList& command : {QStringList{u"dupcontents"_s, u"--move"_s}, {u"restore"_s}}) {
    r = RunCli(command + QStringList{u"--yes"_s, t.Root()});
    EXPECT_EQ(r.code, 2) << command.join(u' ').toStdString();
    EXPECT_TRUE(r.err.contains("Another run")) << r.err.constData();
  }
  EXPECT_TRUE(QFile::exists(t.Path(u"b.txt"_s)));
}

// Copies that differ in their line ends only are near enough only with the
// option.
TEST(DupContentsCli, NormalizeSpaceFindsACopyWithOtherLineEnds) {
  TempTree t;
  const QByteArray lf = DupTestText(71, 300);
  t.Write(u"a.txt"_s, lf);
  t.Write(u"b.txt"_s, QByteArray(lf).replace("\n", "\r\n"));
  const CliResult r = RunCli({u"dupcontents"_s, u"--json"_s, u"--normalize-space"_s, t.Root()});
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(JsonOf(r).value(u"pairs"_s).toInt(), 1);
}
