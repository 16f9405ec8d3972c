#include "duplicates/file_duplicate_contents_seeking.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "dup_contents_test_corpus.h"
#include "duplicates/dup_contents_rows.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

const QString kPrefix = QString(4, QChar(0x00B7)) + QLatin1Char(' ');

// The member names of every group, heads first, prefixes stripped, relative to root.
QList<QStringList> GroupNames(const DupContentsSeeker& s, const QString& root) {
  QList<QStringList> out;
  const auto& groups = s.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    QStringList names;
    for (int m = 0; m < groups.MemberCount(g); ++m) {
      QString n = DupContentsCellText(s, g, m, DupContentsColumn::Name);
      if (m > 0) {
        EXPECT_TRUE(n.startsWith(kPrefix)) << n.toStdString();
        n = n.mid(kPrefix.size());
      }
      names << n.mid(root.size() + 1);
    }
    out << names;
  }
  return out;
}

// One word of the text replaced by another one, keeping the size.
QByteArray WithOneWordChanged(QByteArray text) {
  const int at = text.indexOf(' ', text.size() / 4);
  text[at + 1] = text[at + 1] == 'q' ? 'z' : 'q';
  text[at + 2] = text[at + 2] == 'q' ? 'z' : 'q';
  return text;
}

}  // namespace

TEST(DupContentsSeeker, CopiesAndNearCopiesFormOneGroupUnderTheFirstFile) {
  TempTree t;
  const QByteArray a = DupTestText(1, 400);
  t.Write(u"c.txt"_s, a);
  t.Write(u"a.txt"_s, a);
  t.Write(u"b.txt"_s, WithOneWordChanged(a));
  // Same size, other words: passes the size test, fails the passage test.
  QByteArray other = DupTestText(2, 400);
  other.resize(a.size(), ' ');
  t.Write(u"d.txt"_s, other);
  t.Write(u"empty.txt"_s, QByteArray());

  DupContentsSeeker s;
  QStringList empty, statuses;
  EXPECT_EQ(DupTestSeek(s, t.Root(), {}, &empty, &statuses), 2);
  ASSERT_EQ(GroupNames(s, t.Root()), (QList<QStringList>{{u"a.txt"_s, u"b.txt"_s, u"c.txt"_s}}));
  EXPECT_EQ(empty, QStringList{t.Path(u"empty.txt"_s)});
  EXPECT_EQ(statuses.value(0), Format(LX("LXNmanyTexts"), {5}));

  const auto& groups = s.dup_contents_top_list;
  const DupContentsMembers& m = *groups.Group(0).dup_contents_list;
  EXPECT_EQ(m.GetAValue(0).token_count, 400);
  EXPECT_EQ(m.GetAValue(2).token_count, 400);
  // The changed word is one token away and one token in, and a type each way.
  EXPECT_EQ(m.GetAValue(1).token_diff, 2);
  EXPECT_EQ(m.GetAValue(1).type_diff, 2);
  // The head carries the first pair's numbers; the exact copy none.
  EXPECT_EQ(m.GetAValue(0).token_diff, 2);
  EXPECT_EQ(m.GetAValue(2).token_diff, 0);
  EXPECT_EQ(groups.WhichToKeep(0), 0);
  DupContentsRows rows;
  rows.Rebuild(s);
  EXPECT_EQ(rows.Count(), 3);

  // The text form: four TAB-separated fields per member, CR LF between lines.
  const QStringList lines = DupContentsAsText(s).split(u"\r\n"_s);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], t.Path(u"a.txt"_s) + u"\t400\t2\t2"_s);
  EXPECT_EQ(lines[2], kPrefix + t.Path(u"c.txt"_s) + u"\t400\t0\t0"_s);
  // The human lines add the keep column and end each group with an empty line.
  EXPECT_EQ(DupContentsHumanLines(s),
            (QStringList{lines[0] + QLatin1Char('\t') + LX("LXOK"),
                         lines[1] + QLatin1Char('\t') + LX("LXDelete"),
                         lines[2] + QLatin1Char('\t') + LX("LXDelete"), QString()}));
  EXPECT_EQ(DupContentsCellText(s, 0, 3, DupContentsColumn::Name), QString());
  EXPECT_EQ(DupContentsCellText(s, 5, 0, DupContentsColumn::Name), QString());
  EXPECT_EQ(groups.WhichToKeep(5), -1);
  EXPECT_EQ(rows.GroupOfRow(3), -1);
  EXPECT_EQ(rows.GroupOfRow(-1), -1);
  EXPECT_EQ(s.FullFilename(99), QString());

  s.Clear();
  rows.Rebuild(s);
  EXPECT_EQ(DupContentsAsText(s), QString());
  EXPECT_EQ(rows.Count(), 0);
}

TEST(DupContentsSeeker, EmptyListReadsNothing) {
  DupContentsSeeker s;
  FolderFileList files;
  QStringList empty, statuses;
  DupContentsCallbacks callbacks;
  callbacks.status = [&](const QString& x) { statuses << x; };
  const int n =
      s.SeekContentsDuplicatesIn(files, QString(), DupContentsCriteria{}, callbacks, &empty);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(s.dup_contents_top_list.Count(), 0);
  EXPECT_EQ(statuses, QStringList{Format(LX("LXNmanyTexts"), {0})});
}

TEST(DupContentsSeeker, SizeWindowEndsAtTheFirstPartnerTooFarOffAndJoinedFilesStartNoGroup) {
  // Copies of a 199-byte text padded with spaces, length threshold 1 %:
  // 2 bytes of 200 on average is exactly 1 % (in), 3 bytes of 200.5 is more.
  // Padded by 0, 2 and 4 bytes, the middle copy is near enough to both
  // others; it joins the first's group and is done, so it does not start a
  // group of its own with the third.
  const QByteArray base = DupTestText(7, 200).left(199);
  ASSERT_EQ(base.size(), 199);
  const QStringList names{u"a.txt"_s, u"b.txt"_s, u"c.txt"_s};
  const struct {
    std::vector<int> padding;
    int pairs;
  } cases[] = {{{0, 2}, 1}, {{0, 3}, 0}, {{0, 2, 4}, 1}};
  for (const auto& c : cases) {
    TempTree t;
    for (std::size_t k = 0; k < c.padding.size(); ++k)
      t.Write(names[static_cast<qsizetype>(k)], base + QByteArray(c.padding[k], ' '));
    DupContentsSeeker s;
    DupSearchOptions o;
    o.length_diff = 1.0f;
    EXPECT_EQ(DupTestSeek(s, t.Root(), o), c.pairs) << c.padding.back();
    EXPECT_EQ(GroupNames(s, t.Root()),
              c.pairs ? QList<QStringList>{names.mid(0, 2)} : QList<QStringList>{})
        << c.padding.back();
  }
}

TEST(DupContentsSeeker, SameFolderSkipsPartnersButGoesOnScanning) {
  TempTree t;
  const QByteArray a = DupTestText(3, 300);
  t.Write(u"one/x.txt"_s, a);
  t.Write(u"two/y.txt"_s, a + " ");
  t.Write(u"one/z.txt"_s, a + "  ");
  DupContentsSeeker s;
  DupSearchOptions o;
  o.same_folder = true;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 1);
  EXPECT_EQ(GroupNames(s, t.Root()), (QList<QStringList>{{u"one/x.txt"_s, u"one/z.txt"_s}}));
  o.same_folder = false;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 2);
  EXPECT_EQ(GroupNames(s, t.Root()).value(0).size(), 3);
}

TEST(DupContentsSeeker, DateStampsCountInWholeDays) {
  const QByteArray a = DupTestText(4, 300);
  const std::int64_t base = 1700000000;
  struct Case {
    std::int64_t apart_seconds;
    bool check_dates;
    int pairs;
  } cases[] = {
      {36 * 3600, true, 1},   // 1.5 days: one whole day
      {47 * 3600, true, 1},   // still under two whole days
      {49 * 3600, true, 0},   // two whole days
      {49 * 3600, false, 1},  // dates not looked at
  };
  for (const Case& c : cases) {
    TempTree t;
    t.Write(u"a.txt"_s, a);
    t.Write(u"b.txt"_s, a);
    t.SetMTime(u"a.txt"_s, base);
    t.SetMTime(u"b.txt"_s, base + c.apart_seconds);
    DupContentsSeeker s;
    DupSearchOptions o;
    o.check_dates = c.check_dates;
    EXPECT_EQ(DupTestSeek(s, t.Root(), o), c.pairs) << c.apart_seconds << " " << c.check_dates;
  }
}

TEST(DupContentsSeeker, StartPercentSkipsTheFirstFilesOfTheList) {
  // Ten files of rising size; 4, 5 and 6 are copies of one text, 0 and 1 of another.
  TempTree t;
  const QByteArray early = DupTestText(10, 100);
  const QByteArray late = DupTestText(11, 100);
  for (int i = 0; i < 10; ++i) {
    static const int sizes[10] = {1000, 1001, 1500, 1800, 2200, 2201, 2202, 2600, 2900, 3200};
    QByteArray text;
    if (i <= 1)
      text = early;
    else if (i >= 4 && i <= 6)
      text = late;
    else
      text = DupTestText(20 + static_cast<std::uint32_t>(i), 100);
    text.append(QByteArray(sizes[i] - text.size(), ' '));
    t.Write(u"f%1.txt"_s.arg(i), text);
  }
  DupContentsSeeker s;
  DupSearchOptions o;
  o.length_diff = 1.0f;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 3);
  EXPECT_EQ(GroupNames(s, t.Root()).size(), 2);
  o.start_percent = 50;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 1);
  EXPECT_EQ(GroupNames(s, t.Root()), (QList<QStringList>{{u"f5.txt"_s, u"f6.txt"_s}}));
}

TEST(DupContentsSeeker, SortOrdersAndKeepRows) {
  // Three groups of different lengths and differences.
  TempTree t;
  struct G {
    const char* name;
    int words;
    int members;
    bool changed;
  } groups[] = {{"m", 300, 2, true}, {"b", 600, 3, false}, {"z", 150, 2, false}};
  std::uint32_t seed = 30;
  for (const G& g : groups) {
    const QByteArray text = DupTestText(seed++, g.words);
    for (int k = 0; k < g.members; ++k)
      t.Write(u"%1%2.txt"_s.arg(QLatin1String(g.name)).arg(k),
              (g.changed && k == 1) ? WithOneWordChanged(text) : text);
  }
  DupContentsSeeker s;
  EXPECT_EQ(DupTestSeek(s, t.Root()), 4);
  auto heads = [&] {
    QStringList h;
    for (int g = 0; g < s.dup_contents_top_list.Count(); ++g)
      h << DupContentsCellText(s, g, 0, DupContentsColumn::Name).mid(t.Root().size() + 1);
    return h;
  };
  // After a search: by token differences, descending, ties by head name.
  EXPECT_EQ(heads(), (QStringList{"m0.txt", "b0.txt", "z0.txt"}));
  s.Sort(dcs_head_file);
  EXPECT_EQ(heads(), (QStringList{"b0.txt", "m0.txt", "z0.txt"}));
  s.Sort(dcs_token_count);
  EXPECT_EQ(heads(), (QStringList{"b0.txt", "m0.txt", "z0.txt"}));
  s.Sort(dcs_type_diff);
  EXPECT_EQ(heads(), (QStringList{"m0.txt", "b0.txt", "z0.txt"}));
  EXPECT_EQ(s.dup_contents_top_list.sort_system, dcs_type_diff);
  s.Sort(dcs_keep);
  EXPECT_EQ(heads(), (QStringList{"b0.txt", "m0.txt", "z0.txt"}));

  // Rows follow the order: b (3 rows), m (2), z (2).
  DupContentsRows rows;
  rows.Rebuild(s);
  ASSERT_EQ(rows.Count(), 7);
  EXPECT_EQ(rows.GroupOfRow(2), 0);
  EXPECT_EQ(rows.GroupOfRow(3), 1);
  EXPECT_EQ(rows.FirstRowOfGroup(2), 5);
  // The third row of the list is the third member of the first group; row 4
  // is the second member of the second group.
  EXPECT_TRUE(rows.KeepRow(s, 2));
  EXPECT_TRUE(rows.KeepRow(s, 4));
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(0), 2);
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(1), 1);
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(2), 0);
  EXPECT_EQ(DupContentsCellText(s, 1, 1, DupContentsColumn::Keep), LX("LXOK"));
  EXPECT_EQ(DupContentsCellText(s, 1, 0, DupContentsColumn::Keep), LX("LXDelete"));
  EXPECT_FALSE(rows.KeepRow(s, 7));  // not a row: nothing changes
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(2), 0);
  s.SetKeepByRule(DupContentsKeepRule::Head);
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(0), 0);
}

TEST(DupContentsSeeker, ResultsDoNotDependOnTheCacheBound) {
  TempTree t;
  // Twenty texts, some in pairs, sizes close enough to share windows.
  for (int i = 0; i < 20; ++i) {
    const std::uint32_t seed = 100 + static_cast<std::uint32_t>(i / (i % 3 == 0 ? 2 : 1));
    QByteArray text = DupTestText(seed, 250).left(1500);
    text.append(QByteArray(i % 4, ' '));
    t.Write(u"d%1/t%2.txt"_s.arg(i % 2).arg(i), text);
  }
  DupContentsSeeker cached, uncached;
  uncached.cache_limit_bytes = 0;
  DupSearchOptions o;
  o.length_diff = 2.0f;
  const int a = DupTestSeek(cached, t.Root(), o);
  const int b = DupTestSeek(uncached, t.Root(), o);
  EXPECT_GT(a, 0);
  EXPECT_EQ(a, b);
  EXPECT_EQ(DupContentsAsText(cached), DupContentsAsText(uncached));
}

TEST(DupContentsSeeker, StopEndsTheSearchButKeepsTheGroupsFound) {
  TempTree t;
  const QByteArray a = DupTestText(50, 200);
  const QByteArray b = DupTestText(51, 300);
  t.Write(u"a1.txt"_s, a);
  t.Write(u"a2.txt"_s, a);
  t.Write(u"b1.txt"_s, b);
  t.Write(u"b2.txt"_s, b);
  const FolderFileList files = DupTestFilesBySize(t.Root());
  DupContentsSeeker s;
  QStringList empty;
  global_panic_state.store(0);
  // Stop as soon as the first near duplicate is counted.
  DupContentsCallbacks callbacks;
  callbacks.found_label = [](const QString&) { global_panic_state.store(2); };
  const int n = s.SeekContentsDuplicatesIn(files, t.Root(), DupTestCriteria({}), callbacks, &empty);
  global_panic_state.store(0);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(s.dup_contents_top_list.Count(), 1);
}

TEST(DupContentsSeeker, TextsWithoutWordsOrCutShortByANulHaveOnlyExactCopies) {
  TempTree t;
  // Compressed files: the text stops at the first NUL and has no word.
  const QByteArray gzip_head("\x1f\x8b\x08\x00\x12\x34\x00\x00", 8);
  t.Write(u"g1.gz"_s, gzip_head + "AAAA");
  t.Write(u"g2.gz"_s, gzip_head + "BBBB");
  t.Write(u"g3.gz"_s, gzip_head + "AAAA");
  // Words before a NUL, different bytes after it.
  t.Write(u"n1.txt"_s, QByteArray("Hello world\0xyz1", 16));
  t.Write(u"n2.txt"_s, QByteArray("Hello world\0xyz2", 16));
  // Text without any word; markup without any text.
  t.Write(u"w1.txt"_s, "--- !!!\n");
  t.Write(u"w2.txt"_s, "--- ???\n");
  t.Write(u"w3.txt"_s, "--- !!!\n");
  t.Write(u"m1.htm"_s, "<a></a>");
  t.Write(u"m2.htm"_s, "<b></b>");
  // Texts shorter than a passage are compared whole.
  t.Write(u"s1.txt"_s, "x");
  t.Write(u"s2.txt"_s, "x");
  t.Write(u"s3.txt"_s, "y");
  DupContentsSeeker s;
  EXPECT_EQ(DupTestSeek(s, t.Root()), 3);
  s.Sort(dcs_head_file);
  EXPECT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{
                {u"g1.gz"_s, u"g3.gz"_s}, {u"s1.txt"_s, u"s2.txt"_s}, {u"w1.txt"_s, u"w3.txt"_s}}));
  // Exact copies carry their token counts and no differences.
  EXPECT_EQ(DupContentsAsText(s).count(u"\t0\t0\t0"_s), 4);
}

TEST(DupContentsSeeker, IgnoringLineEndsAndSpacingFindsReformattedCopies) {
  TempTree t;
  const QByteArray lf = DupTestText(60, 400);
  QByteArray crlf = lf;
  crlf.replace("\n", "\r\n");
  QByteArray rewrapped = lf;  // the same words, lines broken elsewhere
  for (qsizetype k = 0; k < rewrapped.size(); ++k) {
    if (rewrapped[k] == '\n')
      rewrapped[k] = ' ';
    else if (rewrapped[k] == ' ' && k % 7 == 0)
      rewrapped[k] = '\n';
  }
  t.Write(u"a.txt"_s, lf);
  t.Write(u"b.txt"_s, crlf);
  t.Write(u"c.txt"_s, rewrapped);
  t.Write(u"d.txt"_s, "\xEF\xBB\xBF" + lf + "  \n");
  // Only the spacing: same words, but not a copy.
  t.Write(u"e.txt"_s, DupTestText(61, 400));
  DupContentsSeeker s;
  DupSearchOptions o;
  // By default only the copy with a mark (3 bytes more) is near enough in size.
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 1);
  EXPECT_EQ(GroupNames(s, t.Root()), (QList<QStringList>{{u"a.txt"_s, u"d.txt"_s}}));
  o.normalize = true;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 3);
  ASSERT_EQ(s.dup_contents_top_list.Count(), 1);
  QStringList members = GroupNames(s, t.Root()).value(0);
  members.sort();
  EXPECT_EQ(members, (QStringList{"a.txt", "b.txt", "c.txt", "d.txt"}));
}
