#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "duplicates/dup_names_tree.h"
#include "duplicates/file_duplicate_names_seeking.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

// A seeker that records what it reports: each file as "name order/n folder"
// (the folder relative to the lower-cased root), statuses, percentages, the
// bases it sets, and the size and date of each report and base.
struct Recorder {
  explicit Recorder(const QString& root)
      : root(QDir(root).absolutePath().toLower() + QLatin1Char('/')) {}
  QString Rel(const QString& dir) const {
    return dir.startsWith(root) ? dir.mid(root.size()) : dir;
  }

  QString root;
  QStringList reports, statuses, bases, stamps;
  std::vector<int> percents;
  std::function<void()> on_report;
  DupNamesSeeker seeker{
      [this](std::int32_t order, std::int32_t n, const DupNamesRec& r) {
        reports << u"%1 %2/%3 %4"_s.arg(r.sr.Name).arg(order).arg(n).arg(Rel(r.dir));
        stamps << u"%1 %2"_s.arg(r.sr.Size).arg(r.sr.Time);
        if (on_report) on_report();
        return true;
      },
      [this](const QString& s) { statuses << s; },
      [this](std::int32_t p) { percents.push_back(p); },
      {},
      {},
      {},
      [this](const DupNamesRec& base) {
        bases << base.sr.Name + u"@"_s + Rel(base.dir);
        stamps << u"base %1 %2"_s.arg(base.sr.Size).arg(base.sr.Time);
      }};
};

DupNamesSearch Folders(const QString& folder1, const QString& folder2) {
  DupNamesSearch search;
  search.folder1 = folder1;
  search.folder2 = folder2;
  search.only_folder1 = folder1 == folder2;
  return search;
}

}  // namespace

TEST(DupNames, OneFolderGroupsNamesWithoutRegardToCaseAndReportsEachGroupOnce) {
  TempTree t;
  // Singles and groups interleaved, so that the scan's steps over files
  // without duplicates land both on and inside later groups; a link loop.
  for (const char* name : {"A.TXT", "Sub/a.txt", "b.txt", "c.txt", "x/c.txt", "y/c.txt", "d.txt",
                           "e.txt", "x/e.txt", "skipme/a.txt", ".hidden/a.txt"})
    t.Write(QString::fromLatin1(name), name);
  ASSERT_EQ(::symlink(QFile::encodeName(t.Root()).constData(),
                      QFile::encodeName(t.Path("x/loop")).constData()),
            0);
  Recorder rec(t.Root());
  DupNamesSearch search = Folders(t.Root(), t.Root());
  search.excluded_folders = u"SkipMe\n\n  other \n"_s;
  rec.seeker.SeekNamesDuplicatesIn(search);
  EXPECT_EQ(rec.reports, (QStringList{"a.txt 0/2 ", "a.txt 1/2 sub/", "c.txt 0/3 ", "c.txt 1/3 x/",
                                      "c.txt 2/3 y/", "e.txt 0/2 ", "e.txt 1/2 x/"}));
  EXPECT_EQ(rec.seeker.RedundantDuplicatesFound, 4);
  EXPECT_EQ(rec.seeker.first_list.Count(), 9);
  EXPECT_EQ(rec.seeker.second_list.Count(), 0);  // one-folder search: folder 2 is not walked
  // Status texts: the count of folder 1 first, the running count, then the end.
  ASSERT_GE(rec.statuses.size(), 2);
  EXPECT_EQ(rec.statuses.front(), u"folder 1: 9 files"_s);
  EXPECT_EQ(rec.statuses.back(), u"folder 1: 9 files duplicates: 4 found (based on 9 files)"_s);
  ASSERT_FALSE(rec.percents.empty());
  EXPECT_EQ(rec.percents.front(), 0);
  EXPECT_TRUE(std::is_sorted(rec.percents.begin(), rec.percents.end()));
  EXPECT_LT(rec.percents.back(), 100);

  // A stop finishes the group under way and ends the scan before the next
  // entry; the next search runs in full.
  Recorder stopped(t.Root());
  stopped.on_report = [&] {
    if (stopped.reports.size() == 2) stopped.seeker.Stop();
  };
  stopped.seeker.SeekNamesDuplicatesIn(search);
  EXPECT_EQ(stopped.reports.size(), 2);
  EXPECT_FALSE(stopped.seeker.searching.load());
  EXPECT_EQ(stopped.statuses.back(), u"folder 1: 9 files duplicates: 1 found (based on 9 files)"_s);
  stopped.on_report = nullptr;
  stopped.seeker.SeekNamesDuplicatesIn(search);
  EXPECT_EQ(stopped.reports.size(), 9);

  // Without sub-folders only the head folder's files count.
  Recorder flat(t.Root());
  search.folder1_subfolders = search.folder2_subfolders = false;
  flat.seeker.SeekNamesDuplicatesIn(search);
  EXPECT_EQ(flat.seeker.first_list.Count(), 5);
  EXPECT_TRUE(flat.reports.empty());

  // A missing folder 1 gives nothing, whatever folder 2 holds.
  Recorder missing(t.Root());
  missing.seeker.SeekNamesDuplicatesIn(Folders(t.Path("nowhere"), t.Root()));
  EXPECT_TRUE(missing.reports.empty());
}

TEST(DupNames, DateAndSizeFiltersCompareWithTheBaseAndDateGroupsIgnoreNames) {
  TempTree t;
  const std::tuple<const char*, const char*, int> files[] = {{"s1/b.txt", "same", 1600000000},
                                                             {"s2/b.txt", "same", 1600000000},
                                                             {"s3/b.txt", "other size", 1700000000},
                                                             {"s4/c.txt", "c", 1600000000}};
  for (const auto& [name, text, time] : files) {
    t.Write(QString::fromLatin1(name), text);
    t.SetMTime(QString::fromLatin1(name), time);
  }
  const QStringList s1_and_s2{"b.txt 0/2 s1/", "b.txt 1/2 s2/"};

  // The first two share the base's stamp; the third's own group is only itself.
  Recorder by_date(t.Root());
  DupNamesSearch search = Folders(t.Root(), t.Root());
  search.must_be_same_date = true;
  by_date.seeker.SeekNamesDuplicatesIn(search);
  EXPECT_EQ(by_date.reports, s1_and_s2);
  EXPECT_EQ(by_date.seeker.RedundantDuplicatesFound, 1);
  // The collected stamps are local day numbers of the files' times.
  ASSERT_EQ(by_date.seeker.first_list.Count(), 4);
  EXPECT_EQ(by_date.seeker.first_list.At(2).sr.Time, UnixSecondsToDayNumber(1700000000));

  // Grouped on dates: the files stamped alike form one group, whatever their names.
  Recorder dated(t.Root());
  search.must_be_same_date = false;
  search.sort_on_date = true;
  dated.seeker.SeekNamesDuplicatesIn(search);
  EXPECT_EQ(dated.reports, (QStringList{"b.txt 0/3 s1/", "b.txt 1/3 s2/", "c.txt 2/3 s4/"}));

  // Same size only: s2's other date no longer matters, s3's size does.
  t.SetMTime("s2/b.txt", 1650000000);
  Recorder by_size(t.Root());
  search.sort_on_date = false;
  search.must_be_same_size = true;
  by_size.seeker.SeekNamesDuplicatesIn(search);
  EXPECT_EQ(by_size.reports, s1_and_s2);
}

TEST(DupNames, TwoFoldersReportOnlyFolderTwoFilesAgainstTheFolderOneBase) {
  TempTree t;
  for (const char* name : {"one/a.txt", "one/B.txt", "one/only_here.txt", "two/a.txt",
                           "two/deep/A.txt", "two/b.txt", "two/not_in_one.txt"})
    t.Write(QString::fromLatin1(name), name);
  Recorder rec(t.Root());
  rec.seeker.SeekNamesDuplicatesIn(Folders(t.Path("one"), t.Path("two")));
  EXPECT_EQ(rec.reports, (QStringList{"a.txt 0/2 two/", "a.txt 1/2 two/deep/", "b.txt 0/1 two/"}));
  EXPECT_EQ(rec.seeker.RedundantDuplicatesFound, 3);
  // The base set before each group is the folder-1 file.
  ASSERT_FALSE(rec.bases.isEmpty());
  EXPECT_EQ(rec.bases.last(), u"b.txt@one/"_s);
  EXPECT_EQ(rec.statuses.back(),
            u"folder 1: 3 files ; folder 2: 4 files duplicates: 3 found (based on 3 files)"_s);
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
  lines.AddFile(1, 2, rec("a.txt", "/y/"));
  lines.AddFile(0, 2, rec("b.txt", "/x/"));
  lines.AddFile(1, 2, rec("b.txt", "/"));
  // The same name with another group size is another key.
  lines.AddFile(0, 3, rec("a.txt", "/z/"));
  const auto& g = lines.Groups();
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0].files.size(), 2u);
  EXPECT_EQ(g[1].files[1].Folder(), u"/"_s);
  EXPECT_EQ(g[2].key, u"a.txt (3)"_s);
  EXPECT_EQ(g[0].files[1].Folder(), u"/y"_s);
  EXPECT_EQ(DupNamesIsoDate(g[0].files[0].time), u"2023-03-15"_s);
  EXPECT_EQ(DupNamesFolderText(g[0].files[0]),
            u"/x ("_s + QLocale().toString(QDate(2023, 3, 15), QLocale::ShortFormat) + u")"_s);
  lines.Clear();
  EXPECT_TRUE(lines.Groups().empty());
}

// The sort reads packed name starts and the names themselves only when those
// cannot tell, and sorts a large list on two threads. Whatever the path, the
// order is the comparer's, then folder, then the order of collection, and
// every record survives. The quick name comparison is checked against the
// comparer pair by pair, on names where it could go wrong: case, letters
// outside ASCII, the Kelvin sign that lower-cases to k, Greek sigma,
// characters beyond the basic plane, and long shared starts.
TEST(DupNames, SortingLongAndNonAsciiNamesKeepsTheComparerOrder) {
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
      std::vector<bool> seen(count, false);
      for (int i = 0; i < count; ++i) {
        const DupNamesRec& b = list.At(i);
        ASSERT_FALSE(seen[b.sr.Size]);
        seen[b.sr.Size] = true;
        if (i == 0) continue;
        const DupNamesRec& a = list.At(i - 1);
        const int c = Compare2Strings(a.sr.Name, b.sr.Name);
        if (by_date && a.sr.Time != b.sr.Time) {
          ASSERT_LT(a.sr.Time, b.sr.Time) << i;
          continue;
        }
        ASSERT_TRUE(c < 0 ||
                    (c == 0 && (a.dir < b.dir || (a.dir == b.dir && a.sr.Size < b.sr.Size))))
            << a.sr.Name.toStdString() << " / " << b.sr.Name.toStdString();
      }
    }
  }
}

// A name search reads sizes and dates only for repeated names; a caller's
// own name comparison (here one that orders as the seeker's own) makes it
// read them for every file during the walk. Both must report the same files
// with the same sizes and dates, filters on or off, in one folder and in two.
TEST(DupNames, SizesAndDatesReadAfterTheSortGiveTheSameReports) {
  TempTree tree;
  std::srand(5);
  const QStringList names =
      u"a.txt A.TXT b.txt c.txt dé.txt DÉ.txt e.txt only1.txt only2.txt"_s.split(u' ');
  for (int i = 0; i < 120; ++i) {
    const QString rel =
        u"%1/s%2/%3"_s.arg(i % 2 ? "one" : "two").arg(i % 7).arg(names[std::rand() % names.size()]);
    tree.Write(rel, QByteArray(std::rand() % 3, 'x'));
    tree.SetMTime(rel, 1600000000 + 86400 * (std::rand() % 2));
  }
  for (int mode = 0; mode < 8; ++mode) {
    DupNamesSearch search = Folders(tree.Path("one"), tree.Path("two"));
    search.only_folder1 = mode & 1;
    search.must_be_same_date = mode & 2;
    search.must_be_same_size = mode & 4;
    Recorder later(tree.Root()), early(tree.Root());
    later.seeker.SeekNamesDuplicatesIn(search);
    search.compare_names = [&early](const DupNamesRec& r) {
      return early.seeker.DefaultCompareNames(r);
    };
    early.seeker.SeekNamesDuplicatesIn(search);
    EXPECT_GT(later.reports.size(), 4) << mode;
    EXPECT_EQ(later.reports, early.reports) << mode;
    EXPECT_EQ(later.stamps, early.stamps) << mode;
  }
}
