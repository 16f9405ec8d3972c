#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "duplicates/dup_names_tree.h"
#include "duplicates/file_duplicate_names_seeking.h"
#include "runtime/panic.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

// One reported file as the handler saw it.
struct Report {
  int show_order;
  int n;
  QString name;
  QString dir;  // relative to the lower-cased root, trailing '/'
};

class Recorder {
 public:
  explicit Recorder(const QString& root)
      : root_(QDir(root).absolutePath().toLower() + QLatin1Char('/')) {}

  DupNamesSeeker MakeSeeker() {
    return DupNamesSeeker(
        [this](std::int32_t order, std::int32_t n, const DupNamesRec& r) {
          reports.push_back({order, n, r.sr.Name, Rel(r.dir)});
          lines.AddFile(order, n, r);
          if (on_report) on_report();
          return true;
        },
        [this](const QString& s) { statuses.push_back(s); },
        [this](std::int32_t p) { percents.push_back(p); }, {}, {}, {},
        [this](const DupNamesRec& base) { bases.push_back(base.sr.Name + "@" + Rel(base.dir)); });
  }

  QString Rel(const QString& dir) const {
    return dir.startsWith(root_) ? dir.mid(root_.size()) : dir;
  }

  std::vector<Report> reports;
  std::vector<QString> statuses;
  std::vector<int> percents;
  std::vector<QString> bases;
  DupNamesTreeLines lines;
  std::function<void()> on_report;

 private:
  QString root_;
};

void OneFolder(DupNamesSeeker& s, const QString& folder, bool same_date = false,
               bool same_size = false, const QString& excluded = {}, bool subfolders = true,
               bool on_date = false) {
  DupNamesSearch search;
  search.folder1 = search.folder2 = folder;
  search.folder1_subfolders = search.folder2_subfolders = subfolders;
  search.only_folder1 = true;
  search.sort_on_date = on_date;
  search.must_be_same_date = same_date;
  search.must_be_same_size = same_size;
  search.excluded_folders = excluded;
  s.SeekNamesDuplicatesIn(search);
}

void TwoFolders(DupNamesSeeker& s, const QString& f1, const QString& f2) {
  DupNamesSearch search;
  search.folder1 = f1;
  search.folder2 = f2;
  s.SeekNamesDuplicatesIn(search);
}

}  // namespace

TEST(DupNames, OneFolderGroupsNamesWithoutRegardToCaseAndReportsEachGroupOnce) {
  TempTree t;
  t.Write("A.TXT", "1");
  t.Write("Sub/a.txt", "22");
  // Singles and groups interleaved, so that the scan's steps over files
  // without duplicates land both on and inside later groups.
  t.Write("b.txt", "b");
  t.Write("c.txt", "c");
  t.Write("x/c.txt", "c");
  t.Write("y/c.txt", "c");
  t.Write("d.txt", "d");
  t.Write("e.txt", "e");
  t.Write("x/e.txt", "e");
  t.Write("skipme/a.txt", "excluded");
  t.Write(".hidden/a.txt", "hidden");

  Recorder rec(t.Root());
  auto s = rec.MakeSeeker();
  OneFolder(s, t.Root(), false, false, u"SkipMe\n\n  other \n"_s);

  std::vector<QString> seen;
  for (const Report& r : rec.reports)
    seen.push_back(QString("%1 %2/%3 %4").arg(r.name).arg(r.show_order).arg(r.n).arg(r.dir));
  EXPECT_EQ(seen,
            (std::vector<QString>{"a.txt 0/2 ", "a.txt 1/2 sub/", "c.txt 0/3 ", "c.txt 1/3 x/",
                                  "c.txt 2/3 y/", "e.txt 0/2 ", "e.txt 1/2 x/"}));
  EXPECT_EQ(s.RedundantDuplicatesFound, 4);
  EXPECT_EQ(s.first_list.Count(), 9);
  EXPECT_EQ(s.second_list.Count(), 0);  // one-folder search: folder 2 is not walked

  // Status texts: the count of folder 1 first, the running count, then the end.
  ASSERT_GE(rec.statuses.size(), 2u);
  EXPECT_EQ(rec.statuses.front(), u"folder 1: 9 files"_s);
  EXPECT_EQ(rec.statuses.back(), u"folder 1: 9 files duplicates: 4 found (based on 9 files)"_s);
  ASSERT_FALSE(rec.percents.empty());
  EXPECT_EQ(rec.percents.front(), 0);
  EXPECT_TRUE(std::is_sorted(rec.percents.begin(), rec.percents.end()));
  EXPECT_LT(rec.percents.back(), 100);

  // The tree lines: one top-level line per name, the other files below it.
  const auto& groups = rec.lines.Groups();
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0].key, u"a.txt (2)"_s);
  EXPECT_EQ(groups[1].key, u"c.txt (3)"_s);
  ASSERT_EQ(groups[1].files.size(), 3u);
  EXPECT_EQ(groups[1].files[0].Folder(), QDir(t.Root()).absolutePath().toLower());
  EXPECT_EQ(groups[1].files[2].Folder(), QDir(t.Root()).absolutePath().toLower() + "/y");

  // Without sub-folders only the head folder's files count.
  Recorder flat(t.Root());
  auto s2 = flat.MakeSeeker();
  OneFolder(s2, t.Root(), false, false, {}, false);
  EXPECT_EQ(s2.first_list.Count(), 5);
  EXPECT_TRUE(flat.reports.empty());
  EXPECT_EQ(s2.RedundantDuplicatesFound, 0);
}

TEST(DupNames, DateAndSizeFiltersCompareWithTheBase) {
  TempTree t;
  t.Write("s1/b.txt", "same");
  t.Write("s2/b.txt", "same");
  t.Write("s3/b.txt", "other size");
  t.SetMTime("s1/b.txt", 1600000000);
  t.SetMTime("s2/b.txt", 1600000000);
  t.SetMTime("s3/b.txt", 1700000000);

  Recorder rec(t.Root());
  auto s = rec.MakeSeeker();
  OneFolder(s, t.Root(), true, false);
  // The first two share the base's stamp; the third's own group is only itself.
  ASSERT_EQ(rec.reports.size(), 2u);
  EXPECT_EQ(rec.reports[0].dir, u"s1/"_s);
  EXPECT_EQ(rec.reports[1].dir, u"s2/"_s);
  EXPECT_EQ(rec.reports[1].n, 2);
  EXPECT_EQ(s.RedundantDuplicatesFound, 1);
  // The collected stamps are the suite's local day numbers of the files' times.
  EXPECT_EQ(s.first_list.At(0).sr.Time, UnixSecondsToDayNumber(1600000000));
  EXPECT_EQ(s.first_list.At(2).sr.Time, UnixSecondsToDayNumber(1700000000));

  // Same size only: s2's other date no longer matters, s3's size does.
  t.SetMTime("s2/b.txt", 1650000000);
  Recorder by_size(t.Root());
  auto s2 = by_size.MakeSeeker();
  OneFolder(s2, t.Root(), false, true);
  ASSERT_EQ(by_size.reports.size(), 2u);
  EXPECT_EQ(by_size.reports[0].dir, u"s1/"_s);
  EXPECT_EQ(by_size.reports[1].dir, u"s2/"_s);

  // Both filters: s2 fails on date, s3 on size, so no group at all.
  Recorder both(t.Root());
  auto s3 = both.MakeSeeker();
  OneFolder(s3, t.Root(), true, true);
  EXPECT_TRUE(both.reports.empty());
}

TEST(DupNames, TwoFoldersReportOnlyFolderTwoFilesAgainstTheFolderOneBase) {
  TempTree t;
  t.Write("one/a.txt", "1");
  t.Write("one/B.txt", "1");
  t.Write("one/only_here.txt", "1");
  t.Write("two/a.txt", "2");
  t.Write("two/deep/A.txt", "2");
  t.Write("two/b.txt", "2");
  t.Write("two/not_in_one.txt", "2");

  Recorder rec(t.Root());
  auto s = rec.MakeSeeker();
  TwoFolders(s, t.Path("one"), t.Path("two"));

  std::vector<QString> seen;
  for (const Report& r : rec.reports)
    seen.push_back(QString("%1 %2/%3 %4").arg(r.name).arg(r.show_order).arg(r.n).arg(r.dir));
  EXPECT_EQ(seen,
            (std::vector<QString>{"a.txt 0/2 two/", "a.txt 1/2 two/deep/", "b.txt 0/1 two/"}));
  EXPECT_EQ(s.RedundantDuplicatesFound, 3);
  // The last base set before each group is the folder-1 file.
  ASSERT_FALSE(rec.bases.empty());
  EXPECT_EQ(rec.bases.back(), u"b.txt@one/"_s);
  EXPECT_NE(std::find(rec.bases.begin(), rec.bases.end(), u"a.txt@one/"_s), rec.bases.end());
  EXPECT_EQ(s.BaseCompare().sr.Name, u"b.txt"_s);

  EXPECT_EQ(rec.statuses.back(),
            QStringLiteral(
                "folder 1: 3 files ; folder 2: 4 files duplicates: 3 found (based on 3 files)"));
  const auto& groups = rec.lines.Groups();
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].key, u"a.txt (2)"_s);
  EXPECT_EQ(groups[0].files.size(), 2u);
  EXPECT_EQ(groups[1].key, u"b.txt (1)"_s);
}

TEST(DupNames, MissingFoldersAndLinkLoopsGiveCountsAndEnd) {
  TempTree t;
  t.Write("real/a.txt", "a");
  t.Write("real/sub/a.txt", "a");
  ASSERT_EQ(::symlink(QFile::encodeName(t.Path("real")).constData(),
                      QFile::encodeName(t.Path("real/sub/loop")).constData()),
            0);

  Recorder rec(t.Root());
  auto s = rec.MakeSeeker();
  OneFolder(s, t.Path("real"));
  EXPECT_EQ(s.first_list.Count(), 2);
  EXPECT_EQ(s.RedundantDuplicatesFound, 1);

  // A missing folder 1 gives nothing, whatever folder 2 holds.
  t.Write("two/a.txt", "a");
  Recorder missing(t.Root());
  auto s2 = missing.MakeSeeker();
  TwoFolders(s2, t.Path("nowhere"), t.Path("two"));
  EXPECT_TRUE(missing.reports.empty());
  EXPECT_TRUE(missing.lines.Groups().empty());
  EXPECT_EQ(missing.statuses.back(),
            QStringLiteral(
                "folder 1: 0 files ; folder 2: 1 files duplicates: 0 found (based on 0 files)"));
}

TEST(DupNames, StopDuringTheScanKeepsWhatWasFoundAndReportsTheFinalStatus) {
  TempTree t;
  for (const char* name : {"a", "b", "c", "d"}) {
    t.Write(QString("%1.txt").arg(name), "x");
    t.Write(QString("sub/%1.txt").arg(name), "x");
  }
  Recorder rec(t.Root());
  auto s = rec.MakeSeeker();
  rec.on_report = [&] {
    if (rec.reports.size() == 2) s.Stop();
  };
  OneFolder(s, t.Root());
  // The group under way is finished; the scan ends before the next entry.
  EXPECT_EQ(rec.reports.size(), 2u);
  EXPECT_FALSE(s.searching.load());
  EXPECT_EQ(rec.statuses.back(), u"folder 1: 8 files duplicates: 1 found (based on 8 files)"_s);

  // A new search runs again in full.
  rec.on_report = nullptr;
  rec.reports.clear();
  OneFolder(s, t.Root());
  EXPECT_EQ(rec.reports.size(), 8u);
  EXPECT_TRUE(s.searching.load());  // not cleared at the end of a normal search
}

TEST(DupNames, ListLookupsAndDateGroups) {
  TempTree t;
  t.Write("x/one.txt", "1");
  t.Write("y/two.txt", "2");
  t.Write("z/three.txt", "3");
  t.Write("w/four.txt", "4");
  t.SetMTime("x/one.txt", 1500000000);
  t.SetMTime("y/two.txt", 1500000000);
  t.SetMTime("z/three.txt", 1600000000);
  t.SetMTime("w/four.txt", 1700000000);

  Recorder rec(t.Root());
  auto s = rec.MakeSeeker();
  OneFolder(s, t.Root());
  const DupNamesRecList& l = s.first_list;
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l.FoundExactSameName(u"four.txt"_s), 0);
  EXPECT_EQ(l.FoundExactSameName(u"TWO.TXT"_s), 3);
  EXPECT_EQ(l.FoundExactSameName(u"five.txt"_s), -1);
  EXPECT_TRUE(l.Record(4).sr.Name.isEmpty());
  DupNamesRecList empty(&s, false, false, {}, {}, {});
  EXPECT_EQ(empty.FoundExactSameName(u"a"_s), -1);

  // Grouped on dates: the two files stamped alike form one group.
  Recorder dated(t.Root());
  auto s2 = dated.MakeSeeker();
  OneFolder(s2, t.Root(), false, false, {}, true, true);
  ASSERT_EQ(dated.reports.size(), 2u);
  EXPECT_EQ(dated.reports[0].name, u"one.txt"_s);
  EXPECT_EQ(dated.reports[1].name, u"two.txt"_s);
  EXPECT_EQ(s2.first_list.ListOfAllSameDate(2), (std::vector<std::int32_t>{2}));
}

TEST(DupNames, TreeLinesPlaceFilesUnderTheirKeyFromTheLastUsedLine) {
  auto rec = [](const char* name, const char* dir) {
    DupNamesRec r;
    r.sr.Name = QString::fromUtf8(name);
    r.dir = QString::fromUtf8(dir);
    r.sr.Time = 45000.5;
    return r;
  };
  DupNamesTreeLines lines;
  lines.last_dup_names_treeview_search = 7;  // left over from an earlier search
  lines.AddFile(0, 2, rec("a.txt", "/x/"));
  EXPECT_EQ(lines.last_dup_names_treeview_search, 0);
  lines.AddFile(1, 2, rec("a.txt", "/y/"));
  lines.AddFile(0, 2, rec("b.txt", "/x/"));
  EXPECT_EQ(lines.last_dup_names_treeview_search, 0);  // the line before the new one
  lines.AddFile(1, 2, rec("b.txt", "/"));
  EXPECT_EQ(lines.last_dup_names_treeview_search, 1);
  // The same name with another group size is another key.
  lines.AddFile(0, 3, rec("a.txt", "/z/"));
  const auto& g = lines.Groups();
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0].files.size(), 2u);
  EXPECT_EQ(g[1].files[1].Folder(), u"/"_s);
  EXPECT_EQ(g[2].key, u"a.txt (3)"_s);
  EXPECT_EQ(g[0].files[1].Folder(), u"/y"_s);
  EXPECT_EQ(DupNamesIsoDate(g[0].files[0].time), u"2023-03-15"_s);
  EXPECT_TRUE(DupNamesFolderText(g[0].files[0]).startsWith(u"/x ("_s));
  lines.Clear();
  EXPECT_TRUE(lines.Groups().empty());
  EXPECT_EQ(lines.last_dup_names_treeview_search, 1);
}

// The sort reads packed name starts and the names themselves only when those
// cannot tell; a large list is sorted on two threads. Whatever the path, the
// order must be that of the suite's comparer, then folder, then the order the
// files were collected in, and every record must survive the reordering. The
// quick name comparison is checked against the suite's comparer on the same
// names, pair by pair.
TEST(DupNames, SortingLongAndNonAsciiNamesKeepsTheComparerOrder) {
  // Name pieces where a quick comparison could go wrong: case, letters
  // outside ASCII, the Kelvin sign that lower-cases to k, Greek sigma,
  // characters beyond the basic plane, and long shared starts.
  const QStringList parts =
      u"a|B|_|\u00e4|\u00c4|\u212a|k|~|1|.txt|corpus_newspaper_article_|"
      u"\U0001F600|\u03a3\u03bf|\u03c3\u03bf|[1]"_s.split(u'|');
  std::srand(7);
  auto random_name = [&] { return RandomPiecesText(parts, 5); };
  auto sign = [](int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); };
  for (int k = 0; k < 3000; ++k) {
    const QString a = random_name(), b = k % 3 ? random_name() : a.toUpper();
    ASSERT_EQ(sign(DupNamesCompareNames(a, b)), sign(Compare2Strings(a, b)))
        << a.toStdString() << " / " << b.toStdString();
  }
  DupNamesSeeker owner([](std::int32_t, std::int32_t, const DupNamesRec&) { return true; },
                       [](const QString&) {}, [](std::int32_t) {});
  for (const int count : {500, 70000}) {
    for (const bool by_date : {false, true}) {
      DupNamesRecList list(&owner, false, false, {}, {}, {});
      for (int i = 0; i < count; ++i) {
        DupNamesRec r;
        r.sr.Name = random_name();
        r.dir = u"/d%1/"_s.arg(std::rand() % 4);
        r.sr.Time = 45000 + std::rand() % 3;
        r.sr.Size = i;  // the order of collection
        list.Add(r);
      }
      by_date ? list.SortByDate() : list.SortByName();
      ASSERT_EQ(list.Count(), count);
      std::vector<bool> seen(static_cast<std::size_t>(count), false);
      for (int i = 0; i < count; ++i) {
        const DupNamesRec& b = list.At(i);
        ASSERT_FALSE(seen[static_cast<std::size_t>(b.sr.Size)]);
        seen[static_cast<std::size_t>(b.sr.Size)] = true;
        if (i == 0) continue;
        const DupNamesRec& a = list.At(i - 1);
        if (by_date && a.sr.Time != b.sr.Time) {
          ASSERT_LT(a.sr.Time, b.sr.Time) << i;
          continue;
        }
        const int c = Compare2Strings(a.sr.Name, b.sr.Name);
        ASSERT_LE(c, 0) << a.sr.Name.toStdString() << " / " << b.sr.Name.toStdString();
        if (c == 0 && a.dir != b.dir) {
          ASSERT_LT(a.dir, b.dir);
        } else if (c == 0) {
          ASSERT_LT(a.sr.Size, b.sr.Size);
        }
      }
    }
  }
}

TEST(DupNames, SizesAndDatesReadAfterTheSortGiveTheSameReports) {
  // A name search reads sizes and dates only for repeated names; a caller's
  // own name comparison (here one that orders as the seeker's own) makes it
  // read them for every file during the walk. Both must report the same
  // files with the same sizes and dates, filters on or off, in one folder
  // and in two.
  TempTree tree;
  std::srand(5);
  const QStringList names{"a.txt",  "A.TXT", "b.txt",     "c.txt",    "dé.txt",
                          "DÉ.txt", "e.txt", "only1.txt", "only2.txt"};
  for (int i = 0; i < 120; ++i) {
    const QString rel =
        u"%1/s%2/%3"_s.arg(i % 2 ? "one" : "two").arg(i % 7).arg(names[std::rand() % names.size()]);
    tree.Write(rel, QByteArray(std::rand() % 3, 'x'));
    tree.SetMTime(rel, 1600000000 + 86400 * (std::rand() % 2));
  }
  auto run = [&](bool own_compare, bool one_folder, bool same_date, bool same_size) {
    std::vector<QString> seen;
    DupNamesSeeker* self = nullptr;
    DupNamesSeeker s(
        [&](std::int32_t order, std::int32_t n, const DupNamesRec& r) {
          seen.push_back(u"%1/%2 %3%4 %5 %6"_s.arg(order)
                             .arg(n)
                             .arg(r.dir, r.sr.Name)
                             .arg(r.sr.Size)
                             .arg(r.sr.Time));
          return true;
        },
        nullptr, [](std::int32_t) {},
        own_compare ? DupNamesCompare{} : DupNamesCompare([&self](const DupNamesRec& r) {
          return self->DefaultCompareNames(r);
        }),
        {}, {},
        [&](const DupNamesRec& base) {
          seen.push_back(u"base %1 %2"_s.arg(base.sr.Size).arg(base.sr.Time));
        });
    self = &s;
    DupNamesSearch search;
    search.folder1 = tree.Path("one");
    search.folder2 = tree.Path("two");
    search.only_folder1 = one_folder;
    search.must_be_same_date = same_date;
    search.must_be_same_size = same_size;
    s.SeekNamesDuplicatesIn(search);
    return seen;
  };
  for (int mode = 0; mode < 8; ++mode) {
    const bool one = mode & 1, date = mode & 2, size = mode & 4;
    const std::vector<QString> later = run(true, one, date, size);
    EXPECT_GT(later.size(), 4u) << mode;
    EXPECT_EQ(later, run(false, one, date, size)) << mode;
  }
}
