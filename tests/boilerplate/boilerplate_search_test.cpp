#include "boilerplate/boilerplate_search.h"

#include <gtest/gtest.h>

#include "runtime/messages.h"
#include "support/test_support.h"

namespace {

const QString kShared = QStringLiteral("This notice is shared by several texts.");

TEST(BoilerplateSearch, LeavesOutFilteredFoldersAndReportsFolders) {
  TempTree tree;
  tree.WriteText("top/a.txt", kShared);
  tree.WriteText("top/sub/b.txt", kShared);
  tree.WriteText(QStringLiteral("top/sub/") + LX("LXFiltered") + QStringLiteral("/c.txt"), kShared);
  tree.WriteText(
      QStringLiteral("top/deep/") + LX("LXFiltered").toUpper() + QStringLiteral("/d.txt"), kShared);
  RepeatedChunks engine;
  FileWalker it;
  BoilerplateSearch search;
  search.head_folder = tree.Path("top");
  BoilerplateCallbacks cb;
  QStringList folders;
  // Each folder as given to on_folder, after the head folder: no trailing separator.
  cb.on_folder = [&](const QString& f, int n, int count) {
    folders << QStringLiteral("%1 (%2/%3)").arg(f.mid(search.head_folder.size())).arg(n).arg(count);
  };
  int last_count = -1;
  cb.count_reporter = [&](int n) { last_count = n; };
  const BoilerplateOutcome outcome = RunBoilerplateSearch(engine, it, search, cb);
  ASSERT_EQ(engine.Chunks().Count(), 1);
  EXPECT_EQ(engine.Chunks().Total(0), 2);
  EXPECT_EQ(folders, (QStringList{" (1/2)", "/sub (2/2)"}));
  EXPECT_EQ(last_count, 1);
  EXPECT_EQ(BoilerplateSummary(search, outcome, 1), "Checked 2 files: 1 repeated chunk");
}

TEST(BoilerplateSearch, AFileGivenForAFolderBecomesTheMask) {
  TempTree tree;
  const QString given = tree.WriteText("c/notes.txt", kShared);
  tree.WriteText("c/other.txt", kShared);
  tree.WriteText("c/x/notes.txt", kShared);
  QString head, name;
  ASSERT_TRUE(ResolveFolderOrFile(given, &head, &name));
  EXPECT_EQ(head, tree.Path("c"));
  EXPECT_EQ(name, QStringLiteral("notes.txt"));
  EXPECT_FALSE(ResolveFolderOrFile(tree.Path("nowhere"), &head, &name));
  EXPECT_EQ(name, QStringLiteral("notes.txt"));  // left as it was

  RepeatedChunks engine;
  FileWalker it;
  BoilerplateSearch search;
  search.head_folder = head;
  search.file_mask = name;
  RunBoilerplateSearch(engine, it, search, {});
  ASSERT_EQ(engine.Chunks().Count(), 1);
  EXPECT_EQ(
      (QStringList{engine.ChunkFiles().GetFullFilename(0), engine.ChunkFiles().GetFullFilename(1)}),
      (QStringList{given, tree.Path("c/x/notes.txt")}));
  search.include_subfolders = false;
  RunBoilerplateSearch(engine, it, search, {});
  EXPECT_EQ(engine.Chunks().Count(), 0);  // one file alone repeats nothing
  // A mask that nothing matches: the closing line says what was looked for.
  search.file_mask = QStringLiteral("*.xml");
  EXPECT_EQ(BoilerplateSummary(search, RunBoilerplateSearch(engine, it, search, {}), 0),
            "Checked 0 files: the folder holds no files matching *.xml");
}

TEST(BoilerplateSearch, StopDuringTheWalkStillSorts) {
  TempTree tree;
  for (int i = 0; i < 6; ++i)
    tree.WriteText(QStringLiteral("d%1/f.txt").arg(i),
                   kShared + QStringLiteral(" Second line shared too, in every one."));
  RepeatedChunks engine;
  FileWalker it;
  BoilerplateSearch search;
  search.head_folder = tree.Root();
  BoilerplateCallbacks cb;
  cb.on_folder = [&](const QString&, int number, int) {
    // A user pressing Stop after the third file.
    if (number == 4) {
      engine.Stop();
      it.Stop();
    }
  };
  const BoilerplateOutcome outcome = RunBoilerplateSearch(engine, it, search, cb);
  ASSERT_EQ(engine.Chunks().Count(), 2);
  EXPECT_EQ(engine.Chunks().Total(0), 3);
  EXPECT_EQ(engine.ChunkFiles().Count(), 3);
  // The closing line counts the files read, not those found.
  EXPECT_EQ(BoilerplateSummary(search, outcome, 2),
            QStringLiteral("Stopped after 3 of 6 files: 2 repeated chunks"));
}

}  // namespace
