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

// Random corpora compare the seeker with a plain pairwise search (the oracle
// test): the same-folder test, the start percentage, stops, the word-list
// bound, texts cut at a NUL and texts without words are covered there. The
// cases here are the exact boundaries and what the oracle cannot see.

TEST(DupContentsSeeker, DateStampsCountInWholeDays) {
  const QByteArray a = DupTestText(4, 300);
  const std::int64_t base = 1700000000;
  struct Case {
    std::int64_t apart_seconds;
    bool check_dates;
    int pairs;
  } cases[] = {
      {47 * 3600, true, 1},   // under two whole days
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

// The text the size and passage tests see when line ends and spacing are
// ignored (the plain search of the oracle test uses it as well).
TEST(DupContentsSeeker, SpaceNormalisedTextMakesEveryRunOfWhiteSpaceOneBlank) {
  EXPECT_EQ(SpaceNormalisedText(u"\uFEFFa  b\r\n\tc\u00A0\nd \uFEFF"), u"a b c d "_s);
  EXPECT_EQ(SpaceNormalisedText(u"\r\n"), u" "_s);
  EXPECT_EQ(SpaceNormalisedText(u""), QString());
}
