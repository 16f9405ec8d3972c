#include "duplicates/dup_contents_moving.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "dup_contents_test_corpus.h"
#include "duplicates/dup_contents_search.h"
#include "runtime/file_walker.h"
#include "runtime/panic.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

TEST(DupContentsMoving, TargetNamesUseTheMovedFilesWord) {
  const QString w = MovedFilesWord();
  EXPECT_FALSE(w.isEmpty());
  EXPECT_EQ(MovedFileTarget(u"/c/d/a.b.txt"_s), u"/c/d/%1/a.b.%1"_s.arg(w));
  EXPECT_EQ(MovedFileTarget(u"/c/d/readme"_s), u"/c/d/%1/readme.%1"_s.arg(w));
  EXPECT_EQ(RestoreTarget(u"/c/d/%1/report.%1"_s.arg(w)), u"/c/d/report.txt"_s);
  // A file with the extension outside a moved-files folder was not moved by us.
  EXPECT_EQ(RestoreTarget(u"/c/d/report.%1"_s.arg(w)), QString());
}

TEST(DupContentsMoving, MoveKeepsTheChosenFileMovesTheRestAndRestoresThem) {
  TempTree t;
  const QByteArray a = DupTestText(5, 300);
  t.Write(u"x/a.txt"_s, a);
  t.Write(u"x/b.htm"_s, a);
  t.Write(u"x/c.txt"_s, a);
  DupContentsSeeker s;
  ASSERT_EQ(DupTestSeek(s, t.Root()), 2);
  s.dup_contents_top_list.SetWhichToKeep(0, 1);  // keep the second member, b.htm
  const QString w = MovedFilesWord();

  const auto plan = PlanMovesNotKept(s);
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].to, t.Path(u"x/%1/a.%1"_s.arg(w)));
  EXPECT_TRUE(QFileInfo::exists(t.Path(u"x/a.txt"_s)));  // planning moves nothing

  EXPECT_EQ(MoveFilesNotKept(s, t.Root()), 2);
  EXPECT_FALSE(QFileInfo::exists(t.Path(u"x/a.txt"_s)));
  EXPECT_FALSE(QFileInfo::exists(t.Path(u"x/c.txt"_s)));
  EXPECT_EQ(ReadAll(t.Path(u"x/b.htm"_s)), a);
  EXPECT_EQ(ReadAll(t.Path(u"x/%1/c.%1"_s.arg(w))), a);
  // Again: the files are no longer where the groups say.
  EXPECT_EQ(MoveFilesNotKept(s, t.Root()), 0);

  // Restore: a.moved comes back as a.txt; c.txt meanwhile exists again, so
  // c.moved stays and the clash is reported.
  t.Write(u"x/c.txt"_s, "new text");
  const RestoreOutcome r = RestoreMovedFiles(t.Root());
  EXPECT_EQ(r.found, 2);
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(ReadAll(t.Path(u"x/a.txt"_s)), a);
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.failures[0].from, t.Path(u"x/%1/c.%1"_s.arg(w)));
  EXPECT_EQ(r.failures[0].to, t.Path(u"x/c.txt"_s));
  EXPECT_EQ(r.failures[0].reason,
            QString::fromLocal8Bit(std::strerror(EEXIST)));  // the system's words for the clash
  EXPECT_EQ(ReadAll(t.Path(u"x/c.txt"_s)), QByteArray("new text"));
  EXPECT_EQ(ReadAll(t.Path(u"x/%1/c.%1"_s.arg(w))), a);
}

TEST(DupContentsMoving, SameNamesInOneFolderNeverOverwriteEachOther) {
  TempTree t;
  const QByteArray a = DupTestText(6, 300);
  t.Write(u"k.txt"_s, a);
  t.Write(u"r.htm"_s, a);
  t.Write(u"r.txt"_s, a);
  DupContentsSeeker s;
  ASSERT_EQ(DupTestSeek(s, t.Root()), 2);
  std::vector<FileMoveProblem> failed;
  // r.htm and r.txt both map to r.moved: the second one stays where it is,
  // and the reason names the clash in the system's words.
  EXPECT_EQ(MoveFilesNotKept(s, t.Root(), {}, &failed), 1);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_TRUE(QFileInfo::exists(failed[0].file));
  EXPECT_TRUE(failed[0].reason.contains(QString::fromLocal8Bit(std::strerror(EEXIST))))
      << failed[0].reason.toStdString();
}

TEST(DupContentsMoving, LinksAreOneFileAndNothingIsMovedThroughThem) {
  TempTree outside;
  const QByteArray text = DupTestText(8, 300);
  outside.Write(u"o.txt"_s, text);
  TempTree t;
  t.Write(u"b/real.txt"_s, text);
  // A link to a file of the tree, met before its target in name order.
  ASSERT_EQ(::symlink(t.Path(u"b/real.txt"_s).toLocal8Bit().constData(),
                      t.Path(u"a_link.txt"_s).toLocal8Bit().constData()),
            0);
  // A link to a folder outside the tree, whose file is a copy of the text.
  ASSERT_EQ(::symlink(outside.Root().toLocal8Bit().constData(),
                      t.Path(u"c_out"_s).toLocal8Bit().constData()),
            0);
  // A linked folder inside the tree, met before the folder itself.
  t.Write(u"z/zz.txt"_s, text);
  ASSERT_EQ(::symlink(t.Path(u"z"_s).toLocal8Bit().constData(),
                      t.Path(u"a_dir"_s).toLocal8Bit().constData()),
            0);

  // The search as the page and the command line run it: each file once,
  // however many links name it.
  DupContentsSeeker s;
  FileWalker walker;
  DupContentsSearch search;
  search.folder = t.Root();
  search.criteria = DupTestCriteria({});
  global_panic_state.store(0);
  RunDupContentsSearch(s, walker, search, {});
  // The link and its target are one member under the target's own name;
  // the linked folder adds no second name for zz.txt.
  QStringList members;
  const DupContentsGroups& groups = s.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g)
    for (int m = 0; m < groups.MemberCount(g); ++m)
      members << s.FullFilename(groups.Group(g).dup_contents_list->GetAValue(m).file_index);
  members.sort();
  EXPECT_EQ(members, (QStringList{t.Path(u"b/real.txt"_s), t.Path(u"c_out/o.txt"_s),
                                  t.Path(u"z/zz.txt"_s)}));

  // Whatever is kept, the file outside the tree is never moved.
  for (int keep_row = 0; keep_row < 3; ++keep_row) {
    s.dup_contents_top_list.SetWhichToKeep(0, keep_row);
    std::vector<FileMoveProblem> refused;
    const auto plan = PlanMovesNotKept(s, t.Root(), &refused);
    for (const PlannedFileMove& p : plan)
      EXPECT_FALSE(p.from.contains(u"c_out"_s)) << p.from.toStdString();
  }
  s.dup_contents_top_list.SetWhichToKeep(0, 0);
  std::vector<FileMoveProblem> problems;
  MoveFilesNotKept(s, t.Root(), {}, &problems);
  EXPECT_EQ(ReadAll(outside.Path(u"o.txt"_s)), text);
  EXPECT_FALSE(QFileInfo::exists(outside.Path(MovedFilesWord())));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].file, t.Path(u"c_out/o.txt"_s));
  EXPECT_TRUE(problems[0].reason.contains(u"symbolic link"_s)) << problems[0].reason.toStdString();

  // A name that is itself a link, or a moved-files folder that is a link, is
  // refused by the same rule.
  EXPECT_FALSE(MoveThroughLinkRefusal(t.Path(u"a_link.txt"_s), t.Root()).isEmpty());
  EXPECT_FALSE(MoveThroughLinkRefusal(t.Path(u"a_dir/zz.txt"_s), t.Root()).isEmpty());
  EXPECT_TRUE(MoveThroughLinkRefusal(t.Path(u"z/zz.txt"_s), t.Root()).isEmpty());
  EXPECT_FALSE(MoveThroughLinkRefusal(outside.Path(u"o.txt"_s), t.Root()).isEmpty());
}
