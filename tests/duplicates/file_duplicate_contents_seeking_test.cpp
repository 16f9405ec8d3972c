#include "duplicates/file_duplicate_contents_seeking.h"

#include <gtest/gtest.h>

#include "dup_contents_test_corpus.h"
#include "duplicates/dup_contents_rows.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

const QString kPrefix = QString(4, QChar(0x00B7)) + QLatin1Char(' ');

// The member names of every group, heads first, relative to root.
QList<QStringList> GroupNames(const DupContentsSeeker& s, const QString& root) {
  QList<QStringList> out;
  for (int g = 0; g < s.dup_contents_top_list.Count(); ++g) {
    out.append(QStringList());
    for (int m = 0; m < s.dup_contents_top_list.MemberCount(g); ++m)
      out.last() << DupContentsCellText(s, g, m, DupContentsColumn::Name)
                        .remove(kPrefix)
                        .mid(root.size() + 1);
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

TEST(DupContentsSeeker, TextFormHumanLinesAndLookupsPastTheEnd) {
  TempTree t;
  const QByteArray a = DupTestText(1, 400);
  t.Write(u"c.txt"_s, a);
  t.Write(u"a.txt"_s, a);
  t.Write(u"b.txt"_s, WithOneWordChanged(a));
  DupContentsSeeker s;
  EXPECT_EQ(DupTestSeek(s, t.Root()), 2);
  // Four TAB-separated fields per member, CR LF between lines; the head
  // carries the numbers of its group's first pair, the exact copy none.
  const QString text = DupContentsAsText(s);
  EXPECT_EQ(text, t.Path(u"a.txt"_s) + u"\t400\t2\t2\r\n"_s + kPrefix + t.Path(u"b.txt"_s) +
                      u"\t400\t2\t2\r\n"_s + kPrefix + t.Path(u"c.txt"_s) + u"\t400\t0\t0"_s);
  // The human lines add the keep column and end each group with an empty line.
  const QStringList lines = text.split(u"\r\n"_s);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(DupContentsHumanLines(s),
            (QStringList{lines[0] + QLatin1Char('\t') + LX("LXOK"),
                         lines[1] + QLatin1Char('\t') + LX("LXDelete"),
                         lines[2] + QLatin1Char('\t') + LX("LXDelete"), QString()}));
  DupContentsRows rows;
  rows.Rebuild(s);
  EXPECT_EQ(rows.Count(), 3);
  EXPECT_EQ(DupContentsCellText(s, 0, 3, DupContentsColumn::Name), QString());
  EXPECT_EQ(DupContentsCellText(s, 1, 0, DupContentsColumn::Name), QString());
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(1), -1);
  EXPECT_EQ(rows.GroupOfRow(3), -1);
  EXPECT_EQ(rows.GroupOfRow(-1), -1);
  EXPECT_EQ(s.FullFilename(3), QString());
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
    DupContentsCriteria criteria = DupTestCriteria();
    criteria.max_length_diff_percent = 1.0f;
    EXPECT_EQ(DupTestSeek(s, t.Root(), criteria), c.pairs) << c.padding.back();
    EXPECT_EQ(GroupNames(s, t.Root()),
              c.pairs ? QList<QStringList>{names.mid(0, 2)} : QList<QStringList>{})
        << c.padding.back();
  }
}

// Random corpora compare the seeker with a plain pairwise search (the oracle
// test): membership, numbers, empty files, every option and stops are
// covered there. The cases here are exact boundaries and the result's forms.

TEST(DupContentsSeeker, SortOrdersAndKeepRows) {
  // Three groups: m (one word changed), b (three members, longest), z (shortest).
  TempTree t;
  const QByteArray m = DupTestText(30, 300), b = DupTestText(31, 600), z = DupTestText(32, 150);
  t.Write(u"m0.txt"_s, m);
  t.Write(u"m1.txt"_s, WithOneWordChanged(m));
  for (const QString& name : {u"b0.txt"_s, u"b1.txt"_s, u"b2.txt"_s}) t.Write(name, b);
  t.Write(u"z0.txt"_s, z);
  t.Write(u"z1.txt"_s, z);
  DupContentsSeeker s;
  EXPECT_EQ(DupTestSeek(s, t.Root()), 4);
  auto heads = [&] {
    QStringList h;
    for (const QStringList& group : GroupNames(s, t.Root())) h << group.value(0);
    return h.join(QLatin1Char(' '));
  };
  // After a search: by token differences, descending, ties by head name.
  EXPECT_EQ(heads(), u"m0.txt b0.txt z0.txt"_s);
  s.Sort(dcs_head_file);
  EXPECT_EQ(heads(), u"b0.txt m0.txt z0.txt"_s);
  s.Sort(dcs_token_count);
  EXPECT_EQ(heads(), u"b0.txt m0.txt z0.txt"_s);
  s.Sort(dcs_type_diff);
  EXPECT_EQ(heads(), u"m0.txt b0.txt z0.txt"_s);
  s.Sort(dcs_keep);
  EXPECT_EQ(heads(), u"b0.txt m0.txt z0.txt"_s);

  // Rows follow the order: b (rows 0-2), m (3-4), z (5-6).
  DupContentsRows rows;
  rows.Rebuild(s);
  ASSERT_EQ(rows.Count(), 7);
  EXPECT_EQ(rows.GroupOfRow(2), 0);
  EXPECT_EQ(rows.GroupOfRow(3), 1);
  EXPECT_EQ(rows.FirstRowOfGroup(2), 5);
  // Row 2 is the third member of the first group, row 4 the second of the second.
  EXPECT_TRUE(rows.KeepRow(s, 2));
  EXPECT_TRUE(rows.KeepRow(s, 4));
  EXPECT_FALSE(rows.KeepRow(s, 7));  // not a row: nothing changes
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(0), 2);
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(1), 1);
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(2), 0);
  s.SetKeepByRule(DupContentsKeepRule::Head);
  EXPECT_EQ(s.dup_contents_top_list.WhichToKeep(0), 0);
}

// The text the size and passage tests see when line ends and spacing are
// ignored (the plain search of the oracle test uses it as well).
TEST(DupContentsSeeker, SpaceNormalisedTextMakesEveryRunOfWhiteSpaceOneBlank) {
  EXPECT_EQ(SpaceNormalisedText(u"\uFEFFa  b\r\n\tc\u00A0\nd \uFEFF"), u"a b c d "_s);
  EXPECT_EQ(SpaceNormalisedText(u""), QString());
}
