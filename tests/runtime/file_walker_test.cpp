#include "runtime/file_walker.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/test_support.h"

namespace {
QStringList Names(const FolderFileList& l, const QString& root) {
  QStringList out;
  for (int i = 0; i < l.Count(); ++i) out << l.GetFullFilename(i).mid(root.size() + 1);
  return out;
}
// Walks again and gives the files found in name order, relative to root.
QStringList Walk(FileWalker& it, const QString& root) {
  it.IterateFindingFiles();
  it.BuildDetailedList();
  return Names(it.FilesFound(), root);
}
}  // namespace

TEST(FileIterator, MasksSubFoldersHiddenAndExcluded) {
  TempTree t;
  t.Write("b.txt", "b");
  t.Write("A.TXT", "a");
  t.Write("page.html", "<p>");
  t.Write(".hidden.txt", "h");
  t.Write("sub/c.txt", "c");
  t.Write("sub/deeper/d.xml", "d");
  t.Write(".git/e.txt", "e");
  t.Write("Filtered/f.txt", "f");

  FileWalker it;
  it.HeadDir = t.Root();
  it.FileMask = QStringLiteral("*.txt");
  EXPECT_EQ(Walk(it, t.Root()), (QStringList{"A.TXT", "b.txt"}));

  it.IncludeSubFolders = true;
  it.FileMask = QStringLiteral("*.xml;*.htm;*.html");
  EXPECT_EQ(Walk(it, t.Root()), (QStringList{"page.html", "sub/deeper/d.xml"}));

  it.FileMask = QStringLiteral("*.*");
  it.SetExcludedDirs({QStringLiteral("filtered")});
  EXPECT_EQ(Walk(it, t.Root()),
            (QStringList{"A.TXT", "b.txt", "page.html", "sub/c.txt", "sub/deeper/d.xml"}));
}

// Sorting itself is checked against its definition below.
TEST(FileIterator, FiresEventsPerFolderAndStopsAtTheNextFile) {
  TempTree t;
  t.Write("x/big.txt", "b");
  t.Write("x/small.txt", "s");
  t.Write("y/mid.txt", "m");
  FileWalker it;
  it.HeadDir = t.Root();
  it.IncludeSubFolders = true;
  Walk(it, t.Root());
  QStringList events;
  it.OnProcessingAFolder = [&](const QString& f) {
    events << QStringLiteral("folder ") + f.mid(t.Root().size());
  };
  it.OnProcessingAFile = [&](const QString& f, const FileRecord&) {
    events << f.mid(t.Root().size());
  };
  it.ProcessAllFilesFound();
  EXPECT_EQ(events,
            (QStringList{"folder /x/", "/x/big.txt", "/x/small.txt", "folder /y/", "/y/mid.txt"}));

  // Stop from inside the per-file event ends the loop at the next file.
  events.clear();
  it.OnProcessingAFile = [&](const QString& f, const FileRecord&) {
    events << f;
    it.Stop();
  };
  it.ProcessAllFilesFound();
  EXPECT_EQ(events, (QStringList{"folder /x/", t.Path("x/big.txt")}));
}

TEST(FileIterator, LinkLoopsSpecialFilesAndUnreadableFolders) {
  TempTree t;
  t.Write("a/one.txt", "1");
  t.MakeDir("a/b");
  const auto link = [&](const QString& target, const char* name) {
    return ::symlink(target.toLocal8Bit().constData(), t.Path(name).toLocal8Bit().constData());
  };
  ASSERT_EQ(link(t.Path("a"), "a/b/loop"), 0);
  ASSERT_EQ(link(t.Path("a/one.txt"), "a/b/link.txt"), 0);
  ASSERT_EQ(link(QStringLiteral("/nonexistent/x"), "a/dangling.txt"), 0);
  ASSERT_EQ(::mkfifo(t.Path("a/pipe.txt").toLocal8Bit().constData(), 0600), 0);
  t.Write("locked/secret.txt", "s");
  ::chmod(t.Path("locked").toLocal8Bit().constData(), 0);

  FileWalker it;
  it.HeadDir = t.Root();
  it.IncludeSubFolders = true;
  QStringList names = Walk(it, t.Root());
  ::chmod(t.Path("locked").toLocal8Bit().constData(), 0700);
  // root can read every folder; only check the problem note when we could not.
  if (::geteuid() != 0) {
    EXPECT_EQ(it.Problems().size(), 1);
  } else {
    names.removeAll(QStringLiteral("locked/secret.txt"));
  }
  EXPECT_EQ(names, (QStringList{"a/b/link.txt", "a/one.txt"}));

  FileWalker missing;
  missing.HeadDir = t.Path("does-not-exist");
  EXPECT_EQ(missing.IterateFindingFiles(), 0);
  EXPECT_FALSE(missing.HeadDirExists());
  EXPECT_EQ(missing.Problems().size(), 1);
}

TEST(FileMaskMatcher, WindowsStyleWildcards) {
  EXPECT_TRUE(FileMaskMatcher(QStringLiteral("*.*")).Matches(QStringLiteral("README")));
  EXPECT_TRUE(FileMaskMatcher(QStringLiteral("*.txt")).Matches(QStringLiteral("X.TXT")));
  EXPECT_FALSE(FileMaskMatcher(QStringLiteral("*.txt")).Matches(QStringLiteral("x.txt.bak")));
  EXPECT_TRUE(FileMaskMatcher(QStringLiteral("a?c*.t*")).Matches(QStringLiteral("abcdef.tx")));
  EXPECT_FALSE(FileMaskMatcher(QStringLiteral("a?c*.t*")).Matches(QStringLiteral("ac.tx")));
  EXPECT_TRUE(FileMaskMatcher(QStringLiteral("*.xml; *.html")).Matches(QStringLiteral("p.html")));
}

// Sizes and dates are read beside the walk and put in place afterwards; with
// many folders some are read by the walk itself. Every record must carry the
// details of its own file, in walk order.
TEST(FileIterator, SizesAndDatesOfManyFoldersBelongToTheirFiles) {
  TempTree t;
  constexpr int kFolders = 150;
  for (int f = 0; f < kFolders; ++f) {
    for (int k = 0; k < 3; ++k) {
      const QString rel = QStringLiteral("f%1/n%2.txt").arg(f, 3, 10, QLatin1Char('0')).arg(k);
      t.Write(rel, QByteArray(f * 3 + k, 'x'));
      t.SetMTime(rel, 1500000000 + 3600LL * (f * 3 + k));
    }
  }
  FileWalker it;
  it.HeadDir = t.Root();
  it.IncludeSubFolders = true;
  ASSERT_EQ(it.IterateFindingFiles(), kFolders * 3);
  const FolderFileList& found = it.FilesFound();
  QString last_folder;
  for (int i = 0; i < found.Count(); ++i) {
    const FileRecord& rec = found.GetASimpleSearchRec(i);
    const QString folder = found.GetFolder(rec.FolderNumber);
    EXPECT_GE(folder, last_folder) << "folders are walked in name order";
    last_folder = folder;
    const QString rel = found.GetFullFilename(i).mid(t.Root().size() + 1);
    const int f = rel.mid(1, 3).toInt();
    const int k = rel.mid(6, 1).toInt();
    EXPECT_EQ(rec.Size, f * 3 + k) << rel.toStdString();
    EXPECT_DOUBLE_EQ(rec.Time, UnixSecondsToDayNumber(1500000000 + 3600LL * (f * 3 + k)))
        << rel.toStdString();
  }

  // Without details the same files come in the same order, with 0 for both.
  const QStringList with_details = found.GetAsStringlist();
  it.ReadDetails = false;
  ASSERT_EQ(it.IterateFindingFiles(), kFolders * 3);
  EXPECT_EQ(it.FilesFound().GetAsStringlist(), with_details);
  for (int i = 0; i < it.FilesFound().Count(); ++i) {
    EXPECT_EQ(it.FilesFound().GetASimpleSearchRec(i).Size, 0);
    EXPECT_EQ(it.FilesFound().GetASimpleSearchRec(i).Time, 0);
  }
}

TEST(FileList, RemovedEntriesLeaveTheRestInOrder) {
  FolderFileList l;
  const int folder = l.AddFolder(QStringLiteral("/d"));
  for (int i = 0; i < 6; ++i) l.AddOne(folder, QStringLiteral("f%1").arg(i), i, 0);
  l.SetSizeAndTime(5, 50, 2.5);
  l.RemoveEntries({3, 0, 3});
  QStringList names;
  for (int i = 0; i < l.Count(); ++i) names << l.GetASimpleSearchRec(i).Name;
  EXPECT_EQ(names, (QStringList{"f1", "f2", "f4", "f5"}));
  EXPECT_EQ(l.GetFullFilename(3), QStringLiteral("/d/f5"));
  EXPECT_EQ(l.GetASimpleSearchRec(3).Size, 50);
  EXPECT_EQ(l.GetASimpleSearchRec(3).Time, 2.5);
}

// The name order is that of the lower-cased full paths, equal ones by their
// exact text, then by the order of adding; by size or date the name order
// breaks ties. Checked against that definition on random lists with deep,
// mixed-case and non-ASCII paths.
TEST(FileList, SortOrdersAgreeWithTheirDefinition) {
  const QStringList parts{"a",     "B", "_", "\u00e4", "\u00c4", "part07",
                          "Texts", "~", "1", ".txt",   "x"};
  std::srand(11);
  auto piece = [&] { return RandomPiecesText(parts, 4); };
  for (const FileSortOrder order :
       {FileSortOrder::ByName, FileSortOrder::BySize, FileSortOrder::ByDate}) {
    FolderFileList l;
    QStringList folders;
    for (int f = 0; f < 40; ++f) {
      QString folder = QStringLiteral("/corpus/head");
      const int depth = std::rand() % 4;
      for (int d = 0; d < depth; ++d) folder += QLatin1Char('/') + piece();
      folders << folder;
    }
    struct Added {
      QString full;
      std::int64_t size;
      double time;
    };
    std::vector<Added> added;
    for (int i = 0; i < 3000; ++i) {
      const int f = l.AddFolder(folders[std::rand() % folders.size()]);
      const QString name = piece();
      const std::int64_t size = std::rand() % 5;
      const double time = 45000 + std::rand() % 3;
      l.AddOne(f, name, size, time);
      added.push_back({l.GetFullFilename(i), size, time});
    }
    std::stable_sort(added.begin(), added.end(), [&](const Added& a, const Added& b) {
      if (order == FileSortOrder::BySize && a.size != b.size) return a.size < b.size;
      if (order == FileSortOrder::ByDate && a.time != b.time) return a.time < b.time;
      const int c = QStringView(a.full.toLower()).compare(QStringView(b.full.toLower()));
      if (c != 0) return c < 0;
      return a.full < b.full;
    });
    l.DoASort(order);
    ASSERT_EQ(l.Count(), static_cast<int>(added.size()));
    for (int i = 0; i < l.Count(); ++i) {
      ASSERT_EQ(l.GetFullFilename(i), added[static_cast<std::size_t>(i)].full) << i;
      ASSERT_EQ(l.GetASimpleSearchRec(i).Size, added[static_cast<std::size_t>(i)].size) << i;
    }
  }
}
