#include <gtest/gtest.h>

#include <QFileInfo>

#include "dup_contents_test_corpus.h"
#include "duplicates/dup_contents_moving.h"
#include "support/test_support.h"

TEST(DupContentsMoving, TargetNamesUseTheMovedFilesWord) {
  const QString w = MovedFilesWord();
  EXPECT_FALSE(w.isEmpty());
  EXPECT_EQ(MovedFileTarget(QStringLiteral("/c/d/a.b.txt")), QStringLiteral("/c/d/%1/a.b.%1").arg(w));
  EXPECT_EQ(MovedFileTarget(QStringLiteral("/c/d/readme")), QStringLiteral("/c/d/%1/readme.%1").arg(w));
  EXPECT_EQ(RestoreTarget(QStringLiteral("/c/d/%1/report.%1").arg(w)), QStringLiteral("/c/d/report.txt"));
  // A file with the extension outside a moved-files folder was not moved by us.
  EXPECT_EQ(RestoreTarget(QStringLiteral("/c/d/report.%1").arg(w)), QString());
}

TEST(DupContentsMoving, MoveKeepsTheChosenFileMovesTheRestAndRestoresThem) {
  TempTree t;
  const QByteArray a = DupTestText(5, 300);
  t.Write(QStringLiteral("x/a.txt"), a);
  t.Write(QStringLiteral("x/b.htm"), a);
  t.Write(QStringLiteral("x/c.txt"), a);
  TFileDuplicateContentsSeeker s;
  ASSERT_EQ(DupTestSeek(s, t.Root()), 2);
  s.SetKeepNumber(1);  // keep the second member, b.htm
  const QString w = MovedFilesWord();

  const auto plan = PlanMovesNotKept(s);
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].to, t.Path(QStringLiteral("x/%1/a.%1").arg(w)));
  EXPECT_TRUE(QFileInfo::exists(t.Path(QStringLiteral("x/a.txt"))));  // planning moves nothing

  EXPECT_EQ(MoveFilesNotKept(s), 2);
  EXPECT_FALSE(QFileInfo::exists(t.Path(QStringLiteral("x/a.txt"))));
  EXPECT_FALSE(QFileInfo::exists(t.Path(QStringLiteral("x/c.txt"))));
  EXPECT_EQ(ReadAll(t.Path(QStringLiteral("x/b.htm"))), a);
  EXPECT_EQ(ReadAll(t.Path(QStringLiteral("x/%1/c.%1").arg(w))), a);
  // Again: the files are no longer where the groups say.
  EXPECT_EQ(MoveFilesNotKept(s), 0);
  // A new search leaves the moved-files folders out only when told to; the
  // page and the command line exclude them, so here the kept file is alone.
  TFileAndDirIterator it;
  it.HeadDir = t.Root();
  it.IncludeSubFolders = true;
  it.SetExcludedDirs({w});
  EXPECT_EQ(it.IterateFindingFiles(), 1);

  // Restore: a.moved comes back as a.txt; c.txt meanwhile exists again, so
  // c.moved stays and the clash is reported.
  t.Write(QStringLiteral("x/c.txt"), "new text");
  QStringList clashes;
  const TRestoreOutcome r = RestoreMovedFiles(
      t.Root(), [&](const QString& from, const QString& to) { clashes << from + QStringLiteral(" -> ") + to; });
  EXPECT_EQ(r.found, 2);
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(ReadAll(t.Path(QStringLiteral("x/a.txt"))), a);
  EXPECT_EQ(clashes, QStringList{t.Path(QStringLiteral("x/%1/c.%1").arg(w)) + QStringLiteral(" -> ") +
                                 t.Path(QStringLiteral("x/c.txt"))});
  EXPECT_EQ(ReadAll(t.Path(QStringLiteral("x/c.txt"))), QByteArray("new text"));
  EXPECT_EQ(ReadAll(t.Path(QStringLiteral("x/%1/c.%1").arg(w))), a);
}

TEST(DupContentsMoving, SameNamesInOneFolderNeverOverwriteEachOther) {
  TempTree t;
  const QByteArray a = DupTestText(6, 300);
  t.Write(QStringLiteral("k.txt"), a);
  t.Write(QStringLiteral("r.htm"), a);
  t.Write(QStringLiteral("r.txt"), a);
  TFileDuplicateContentsSeeker s;
  ASSERT_EQ(DupTestSeek(s, t.Root()), 2);
  QStringList failed;
  // r.htm and r.txt both map to r.moved: the second one stays where it is.
  EXPECT_EQ(MoveFilesNotKept(s, {}, &failed), 1);
  EXPECT_EQ(failed.size(), 1);
  EXPECT_TRUE(QFileInfo::exists(failed.value(0)));
}
