#include "duplicates/dup_contents_moving.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "dup_contents_test_corpus.h"
#include "duplicates/dup_contents_search.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

TEST(DupContentsMoving, TargetNamesUseTheMovedFilesWord) {
  const QString w = MovedFilesWord();
  EXPECT_EQ(MovedFileTarget(u"/c/d/a.b.txt"_s), u"/c/d/%1/a.b.%1"_s.arg(w));
  EXPECT_EQ(MovedFileTarget(u"/c/d/readme"_s), u"/c/d/%1/readme.%1"_s.arg(w));
  EXPECT_EQ(RestoreTarget(u"/c/d/%1/report.%1"_s.arg(w)), u"/c/d/report.txt"_s);
  // A file with the extension outside a moved-files folder was not moved by us.
  EXPECT_EQ(RestoreTarget(u"/c/d/report.%1"_s.arg(w)), QString());
}

TEST(DupContentsMoving, NeitherMoveNorRestoreOverwritesAFile) {
  TempTree t;
  const QByteArray a = DupTestText(6, 300);
  t.Write(u"k.txt"_s, a);
  t.Write(u"r.htm"_s, a);
  t.Write(u"r.txt"_s, a);
  DupContentsSeeker s;
  ASSERT_EQ(DupTestSeek(s, t.Root()), 2);
  // r.htm and r.txt both map to r.moved: the second one stays where it is,
  // and the reason is the system's words for a target that exists.
  const QString exists = QString::fromLocal8Bit(std::strerror(EEXIST));
  std::vector<FileMoveProblem> failed;
  EXPECT_EQ(MoveFilesNotKept(s, t.Root(), {}, &failed), 1);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_TRUE(QFileInfo::exists(failed[0].file));
  EXPECT_TRUE(failed[0].reason.contains(exists)) << failed[0].reason.toStdString();

  // A restore whose target exists again leaves the moved file where it is.
  const QString moved = t.Path(u"%1/r.%1"_s.arg(MovedFilesWord()));
  t.Write(u"r.txt"_s, "new text");
  const RestoreOutcome r = RestoreMovedFiles(t.Root());
  EXPECT_EQ(std::make_pair(r.found, r.restored), std::make_pair(1, 0));
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(QStringList({r.failures[0].from, r.failures[0].to, r.failures[0].reason}),
            QStringList({moved, t.Path(u"r.txt"_s), exists}));
  EXPECT_EQ(ReadAll(t.Path(u"r.txt"_s)), QByteArray("new text"));
  EXPECT_EQ(ReadAll(moved), a);
}

TEST(DupContentsMoving, LinksAreOneFileAndNothingIsMovedThroughThem) {
  TempTree outside;
  const QByteArray text = DupTestText(8, 300);
  outside.Write(u"o.txt"_s, text);
  TempTree t;
  t.Write(u"b/real.txt"_s, text);
  t.Write(u"z/zz.txt"_s, text);
  auto link = [&](const QString& target, const QString& name) {
    ASSERT_EQ(::symlink(target.toLocal8Bit().constData(), t.Path(name).toLocal8Bit().constData()),
              0);
  };
  link(t.Path(u"b/real.txt"_s), u"a_link.txt"_s);  // met before its target in name order
  link(outside.Root(), u"c_out"_s);  // a folder outside, whose file is a copy of the text
  link(t.Path(u"z"_s), u"a_dir"_s);  // a folder inside, met before the folder itself

  // The search as the page and the command line run it: each file once,
  // however many links name it, under its own name.
  DupContentsSeeker s;
  FileWalker walker;
  DupContentsSearch search;
  search.folder = t.Root();
  search.criteria = DupTestCriteria();
  global_panic_state.store(0);
  RunDupContentsSearch(s, walker, search, {});
  ASSERT_EQ(s.dup_contents_top_list.Count(), 1);
  auto member = [&](int m) {
    return s.FullFilename(
        s.dup_contents_top_list.Group(0).dup_contents_list->GetAValue(m).file_index);
  };
  EXPECT_EQ(
      (QStringList{member(0), member(1), member(2)}),
      (QStringList{t.Path(u"b/real.txt"_s), t.Path(u"c_out/o.txt"_s), t.Path(u"z/zz.txt"_s)}));

  // Whatever is kept stays, and the file outside the tree is never moved.
  for (int keep = 0; keep < 3; ++keep) {
    s.dup_contents_top_list.SetWhichToKeep(0, keep);
    for (const PlannedFileMove& p : PlanMovesNotKept(s, t.Root())) {
      EXPECT_FALSE(p.from.contains(u"c_out"_s)) << p.from.toStdString();
      EXPECT_NE(p.from, member(keep));
    }
  }
  s.dup_contents_top_list.SetWhichToKeep(0, 0);
  std::vector<FileMoveProblem> problems;
  MoveFilesNotKept(s, t.Root(), {}, &problems);
  EXPECT_EQ(ReadAll(outside.Path(u"o.txt"_s)), text);
  EXPECT_FALSE(QFileInfo::exists(outside.Path(MovedFilesWord())));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].file, t.Path(u"c_out/o.txt"_s));
  EXPECT_TRUE(problems[0].reason.contains(u"symbolic link"_s)) << problems[0].reason.toStdString();

  // A name that is itself a link, or a folder reached through one, is
  // refused by the same rule.
  EXPECT_FALSE(MoveThroughLinkRefusal(t.Path(u"a_link.txt"_s), t.Root()).isEmpty());
  EXPECT_FALSE(MoveThroughLinkRefusal(t.Path(u"a_dir/zz.txt"_s), t.Root()).isEmpty());
  EXPECT_TRUE(MoveThroughLinkRefusal(t.Path(u"z/zz.txt"_s), t.Root()).isEmpty());
  EXPECT_FALSE(MoveThroughLinkRefusal(outside.Path(u"o.txt"_s), t.Root()).isEmpty());
}
