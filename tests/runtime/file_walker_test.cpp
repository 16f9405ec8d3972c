#include "runtime/file_walker.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/test_support.h"

namespace {
// Walks again and gives the files found in name order, relative to root.
QStringList Walk(FileWalker& it, const QString& root) {
  it.IterateFindingFiles();
  it.BuildDetailedList();
  QStringList out;
  for (int i = 0; i < it.FilesFound().Count(); ++i)
    out << it.FilesFound().GetFullFilename(i).mid(root.size() + 1);
  return out;
}
}  // namespace

TEST(FileIterator, MasksSubFoldersHiddenExcludedAndEventsPerFolder) {
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

  // Each folder's event comes before its files; a stop from inside the
  // per-file event ends the loop at the next file.
  it.FileMask = QStringLiteral("*.txt");
  Walk(it, t.Root());
  QStringList events;
  it.OnProcessingAFolder = [&](const QString& f) { events << f.mid(t.Root().size()); };
  it.OnProcessingAFile = [&](const QString& f, const FileRecord&) { events << f; };
  it.ProcessAllFilesFound();
  EXPECT_EQ(events,
            (QStringList{"/", t.Path("A.TXT"), t.Path("b.txt"), "/sub/", t.Path("sub/c.txt")}));
  events.clear();
  it.OnProcessingAFile = [&](const QString& f, const FileRecord&) {
    events << f;
    it.Stop();
  };
  it.ProcessAllFilesFound();
  EXPECT_EQ(events, (QStringList{"/", t.Path("A.TXT")}));
}

TEST(FileIterator, LinkLoopsDanglingLinksAndSpecialFilesAreSkipped) {
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

  FileWalker it;
  it.HeadDir = t.Root();
  it.IncludeSubFolders = true;
  EXPECT_EQ(Walk(it, t.Root()), (QStringList{"a/b/link.txt", "a/one.txt"}));
}

TEST(FileMaskMatcher, WindowsStyleWildcards) {
  EXPECT_TRUE(FileMaskMatcher(QStringLiteral("*.*")).Matches(QStringLiteral("README")));
  EXPECT_FALSE(FileMaskMatcher(QStringLiteral("*.txt")).Matches(QStringLiteral("x.txt.bak")));
  EXPECT_TRUE(FileMaskMatcher(QStringLiteral("a?c*.t*")).Matches(QStringLiteral("abcdef.tx")));
  EXPECT_FALSE(FileMaskMatcher(QStringLiteral("a?c*.t*")).Matches(QStringLiteral("ac.tx")));
  EXPECT_TRUE(FileMaskMatcher(QStringLiteral("*.xml; *.html")).Matches(QStringLiteral("p.HTML")));
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
  for (int i = 0; i < found.Count(); ++i) {
    const FileRecord& rec = found.GetASimpleSearchRec(i);
    const QString rel = found.GetFullFilename(i).mid(t.Root().size() + 1);
    const int n = rel.mid(1, 3).toInt() * 3 + rel.mid(6, 1).toInt();
    EXPECT_EQ(rec.Size, n) << rel.toStdString();
    EXPECT_DOUBLE_EQ(rec.Time, UnixSecondsToDayNumber(1500000000 + 3600LL * n))
        << rel.toStdString();
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
      folders << QStringLiteral("/corpus/head");
      for (int d = std::rand() % 4; d > 0; --d) folders.last() += QLatin1Char('/') + piece();
    }
    // Sizes and dates run opposite ways, so each order shows which it used.
    std::vector<std::tuple<int, int, QString>> added;  // sort key, size, full path
    for (int i = 0; i < 3000; ++i) {
      const int size = std::rand() % 5;
      l.AddOne(l.AddFolder(folders[std::rand() % folders.size()]), piece(), size, 45004 - size);
      const int key = order == FileSortOrder::ByName   ? 0
                      : order == FileSortOrder::BySize ? size
                                                       : -size;
      added.emplace_back(key, size, l.GetFullFilename(i));
    }
    std::stable_sort(added.begin(), added.end(), [](const auto& a, const auto& b) {
      if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) < std::get<0>(b);
      const QString& x = std::get<2>(a);
      const QString& y = std::get<2>(b);
      const int c = QStringView(x.toLower()).compare(QStringView(y.toLower()));
      return c != 0 ? c < 0 : x < y;
    });
    l.DoASort(order);
    ASSERT_EQ(l.Count(), static_cast<int>(added.size()));
    for (int i = 0; i < l.Count(); ++i) {
      ASSERT_EQ(l.GetFullFilename(i), std::get<2>(added[static_cast<std::size_t>(i)])) << i;
      ASSERT_EQ(l.GetASimpleSearchRec(i).Size, std::get<1>(added[static_cast<std::size_t>(i)]));
    }
  }
}
