#include "duplicates/file_duplicate_contents_seeking.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "dup_contents_test_corpus.h"
#include "duplicates/dup_contents_rows.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "support/test_support.h"

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
  t.Write(QStringLiteral("c.txt"), a);
  t.Write(QStringLiteral("a.txt"), a);
  t.Write(QStringLiteral("b.txt"), WithOneWordChanged(a));
  // Same size, other words: passes the size test, fails the passage test.
  QByteArray other = DupTestText(2, 400);
  other.resize(a.size(), ' ');
  t.Write(QStringLiteral("d.txt"), other);
  t.Write(QStringLiteral("empty.txt"), QByteArray());

  DupContentsSeeker s;
  QStringList empty, statuses;
  EXPECT_EQ(DupTestSeek(s, t.Root(), {}, &empty, &statuses), 2);
  ASSERT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{
                {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")}}));
  EXPECT_EQ(empty, QStringList{t.Path(QStringLiteral("empty.txt"))});
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
  const QStringList lines = DupContentsAsText(s).split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], t.Path(QStringLiteral("a.txt")) + QStringLiteral("\t400\t2\t2"));
  EXPECT_EQ(lines[2], kPrefix + t.Path(QStringLiteral("c.txt")) + QStringLiteral("\t400\t0\t0"));
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

TEST(DupContentsSeeker, SizeWindowEndsAtTheFirstPartnerTooFarOff) {
  // A text of 199 bytes and copies padded with spaces to 201 and 202 bytes:
  // 2 bytes of 200 on average is exactly 1 %, 3 bytes of 200.5 is more.
  const QByteArray base = DupTestText(7, 200).left(199);
  ASSERT_EQ(base.size(), 199);
  for (int extra : {2, 3}) {
    TempTree t;
    t.Write(QStringLiteral("a.txt"), base);
    t.Write(QStringLiteral("b.txt"), base + QByteArray(extra, ' '));
    DupContentsSeeker s;
    DupSearchOptions o;
    o.length_diff = 1.0f;
    EXPECT_EQ(DupTestSeek(s, t.Root(), o), extra == 2 ? 1 : 0) << extra;
  }
}

TEST(DupContentsSeeker, SameFolderSkipsPartnersButGoesOnScanning) {
  TempTree t;
  const QByteArray a = DupTestText(3, 300);
  t.Write(QStringLiteral("one/x.txt"), a);
  t.Write(QStringLiteral("two/y.txt"), a + " ");
  t.Write(QStringLiteral("one/z.txt"), a + "  ");
  DupContentsSeeker s;
  DupSearchOptions o;
  o.same_folder = true;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 1);
  EXPECT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{{QStringLiteral("one/x.txt"), QStringLiteral("one/z.txt")}}));
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
    t.Write(QStringLiteral("a.txt"), a);
    t.Write(QStringLiteral("b.txt"), a);
    t.SetMTime(QStringLiteral("a.txt"), base);
    t.SetMTime(QStringLiteral("b.txt"), base + c.apart_seconds);
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
    t.Write(QStringLiteral("f%1.txt").arg(i), text);
  }
  DupContentsSeeker s;
  DupSearchOptions o;
  o.length_diff = 1.0f;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 3);
  EXPECT_EQ(GroupNames(s, t.Root()).size(), 2);
  o.start_percent = 50;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 1);
  EXPECT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{{QStringLiteral("f5.txt"), QStringLiteral("f6.txt")}}));
}

TEST(DupContentsSeeker, ShortTextsYieldTheirWholeRestAsPassage) {
  TempTree t;
  t.Write(QStringLiteral("a.txt"), "x");
  t.Write(QStringLiteral("b.txt"), "x");
  t.Write(QStringLiteral("c.txt"), "y");
  DupContentsSeeker s;
  EXPECT_EQ(DupTestSeek(s, t.Root()), 1);
  EXPECT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{{QStringLiteral("a.txt"), QStringLiteral("b.txt")}}));
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
      t.Write(QStringLiteral("%1%2.txt").arg(QLatin1String(g.name)).arg(k),
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
    t.Write(QStringLiteral("d%1/t%2.txt").arg(i % 2).arg(i), text);
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
  t.Write(QStringLiteral("a1.txt"), a);
  t.Write(QStringLiteral("a2.txt"), a);
  t.Write(QStringLiteral("b1.txt"), b);
  t.Write(QStringLiteral("b2.txt"), b);
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

TEST(DupContentsSeeker, AFileThatJoinedAGroupIsNotAFirstFileAgain) {
  // Three copies padded to 199, 201 and 203 bytes with length threshold 1 %:
  // the first and second, and the second and third, are within it; the first
  // and third are not. The second joins the first's group and is done, so it
  // does not start a group of its own with the third.
  const QByteArray base = DupTestText(7, 200).left(199);
  TempTree t;
  t.Write(QStringLiteral("a.txt"), base);
  t.Write(QStringLiteral("b.txt"), base + "  ");
  t.Write(QStringLiteral("c.txt"), base + "    ");
  DupContentsSeeker s;
  DupSearchOptions o;
  o.length_diff = 1.0f;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 1);
  EXPECT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{{QStringLiteral("a.txt"), QStringLiteral("b.txt")}}));
}

TEST(DupContentsSeeker, TextsWithoutWordsOrCutShortByANulHaveOnlyExactCopies) {
  TempTree t;
  // Compressed files: the text stops at the first NUL and has no word.
  const QByteArray gzip_head("\x1f\x8b\x08\x00\x12\x34\x00\x00", 8);
  t.Write(QStringLiteral("g1.gz"), gzip_head + "AAAA");
  t.Write(QStringLiteral("g2.gz"), gzip_head + "BBBB");
  t.Write(QStringLiteral("g3.gz"), gzip_head + "AAAA");
  // Words before a NUL, different bytes after it.
  t.Write(QStringLiteral("n1.txt"), QByteArray("Hello world\0xyz1", 16));
  t.Write(QStringLiteral("n2.txt"), QByteArray("Hello world\0xyz2", 16));
  // Text without any word; markup without any text.
  t.Write(QStringLiteral("w1.txt"), "--- !!!\n");
  t.Write(QStringLiteral("w2.txt"), "--- ???\n");
  t.Write(QStringLiteral("w3.txt"), "--- !!!\n");
  t.Write(QStringLiteral("m1.htm"), "<a></a>");
  t.Write(QStringLiteral("m2.htm"), "<b></b>");
  DupContentsSeeker s;
  EXPECT_EQ(DupTestSeek(s, t.Root()), 2);
  s.Sort(dcs_head_file);
  EXPECT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{{QStringLiteral("g1.gz"), QStringLiteral("g3.gz")},
                                {QStringLiteral("w1.txt"), QStringLiteral("w3.txt")}}));
  // Exact copies carry their token counts and no differences.
  EXPECT_EQ(DupContentsAsText(s).count(QStringLiteral("\t0\t0\t0")), 4);
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
  t.Write(QStringLiteral("a.txt"), lf);
  t.Write(QStringLiteral("b.txt"), crlf);
  t.Write(QStringLiteral("c.txt"), rewrapped);
  t.Write(QStringLiteral("d.txt"), "\xEF\xBB\xBF" + lf + "  \n");
  // Only the spacing: same words, but not a copy.
  t.Write(QStringLiteral("e.txt"), DupTestText(61, 400));
  DupContentsSeeker s;
  DupSearchOptions o;
  // By default only the copy with a mark (3 bytes more) is near enough in size.
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 1);
  EXPECT_EQ(GroupNames(s, t.Root()),
            (QList<QStringList>{{QStringLiteral("a.txt"), QStringLiteral("d.txt")}}));
  o.normalize = true;
  EXPECT_EQ(DupTestSeek(s, t.Root(), o), 3);
  ASSERT_EQ(s.dup_contents_top_list.Count(), 1);
  QStringList members = GroupNames(s, t.Root()).value(0);
  members.sort();
  EXPECT_EQ(members, (QStringList{"a.txt", "b.txt", "c.txt", "d.txt"}));
}
