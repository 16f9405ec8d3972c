#include "report/corpus_report.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

#include "boilerplate/repeated_chunks.h"
#include "report/mixed_corpus.h"
#include "report/report_writers.h"
#include "runtime/file_walker.h"
#include "runtime/native_names.h"
#include "support/test_support.h"

namespace {

CorpusReportOptions OptionsFor(const MixedCorpus& corpus) {
  CorpusReportOptions o;
  o.folder = corpus.tree.Root();
  o.boilerplate_min_length = 20;
  return o;
}

std::int64_t CountOf(const std::vector<ReportCount>& list, const QString& name) {
  for (const ReportCount& c : list)
    if (c.name == name) return c.count;
  return -1;
}

TEST(CorpusReport, NumbersOfAMixedCorpus) {
  TextDecodingScope decoding(QStringLiteral("auto"));
  MixedCorpus corpus;
  int last_percent = -1;
  bool percent_went_back = false;
  CorpusReportCallbacks cb;
  cb.percent = [&](int p) {
    percent_went_back = percent_went_back || p < last_percent;
    last_percent = p;
  };
  const CorpusReport r = MakeCorpusReport(OptionsFor(corpus), cb);

  EXPECT_FALSE(r.stopped);
  EXPECT_FALSE(percent_went_back);
  EXPECT_EQ(last_percent, 100);
  EXPECT_EQ(r.files, 16);
  EXPECT_EQ(r.folders, 2);
  EXPECT_EQ(r.bytes, corpus.bytes);
  EXPECT_EQ(r.empty_files, 1);
  EXPECT_EQ(r.unreadable_files, 0);
  EXPECT_TRUE(r.problems.empty());

  // Encodings: the Latin-1 text is not valid UTF-8 and falls back to the code page.
  EXPECT_EQ(CountOf(r.encodings, QStringLiteral("UTF-8 without byte-order mark")), 1);
  EXPECT_EQ(CountOf(r.encodings, QStringLiteral("8-bit code page windows-1252")), 1);
  EXPECT_EQ(CountOf(r.encodings, QStringLiteral("UTF-16 LE with byte-order mark")), 1);
  std::int64_t read = 0;
  for (const ReportCount& c : r.encodings) read += c.count;
  EXPECT_EQ(read, 16);
  EXPECT_EQ(CountOf(r.encodings, QStringLiteral("ASCII (reads the same in every encoding)")), 13);

  // Broken: the damaged file by its size, the garbled one by its digraphs,
  // and no ordinary text, whatever its encoding.
  ASSERT_EQ(r.broken_total, 2);
  EXPECT_EQ(r.size_failures, 1);
  EXPECT_EQ(r.digraph_failures, 1);
  ASSERT_EQ(r.broken.size(), 2u);
  EXPECT_EQ(r.broken[0].path, corpus.Path(QStringLiteral("blog/damaged.txt")));
  EXPECT_EQ(r.broken[0].test, QStringLiteral("size"));
  EXPECT_EQ(r.broken[1].path, corpus.Path(QStringLiteral("blog/garbled.txt")));
  EXPECT_EQ(r.broken[1].test, QStringLiteral("digraph"));
  EXPECT_GT(r.broken[1].distance, r.digraph_threshold);
  EXPECT_TRUE(r.digraph_reference_from_corpus);
  EXPECT_GE(r.digraph_threshold, 0.1);
  EXPECT_EQ(r.digraph_tested, 14);  // all but the empty and the damaged file

  // Names are compared without regard to case.
  ASSERT_EQ(r.name_groups_total, 1);
  EXPECT_EQ(r.name_duplicate_files, 2);
  EXPECT_EQ(r.name_groups[0].name, QStringLiteral("n1.txt"));

  // The near duplicate, what a move would do, and the command for it.
  ASSERT_EQ(r.near_groups_total, 1);
  ASSERT_EQ(r.near_groups[0].size(), 2u);
  EXPECT_EQ(r.spare_copies, 1);
  const ReportNearDuplicate& spare =
      r.near_groups[0][0].keep ? r.near_groups[0][1] : r.near_groups[0][0];
  EXPECT_GE(spare.token_diff, 1);
  EXPECT_EQ(r.spare_bytes, spare.size);
  EXPECT_EQ(r.spare_bytes, QFileInfo(spare.path).size());
  ASSERT_EQ(r.moves_total, 1);
  EXPECT_EQ(r.moves[0].from, spare.path);
  EXPECT_TRUE(r.moves[0].to.endsWith(QStringLiteral("/moved/") +
                                     QFileInfo(spare.path).completeBaseName() +
                                     QStringLiteral(".moved")))
      << r.moves[0].to.toStdString();
  EXPECT_EQ(r.move_command,
            QStringLiteral("sorvel-cli dupcontents --move --yes ") + corpus.tree.Root());

  // The notice: five texts, and the near copy of one of them.
  ASSERT_FALSE(r.chunks.empty());
  EXPECT_EQ(r.chunks[0].text, kNotice);
  EXPECT_EQ(r.chunks[0].hits, 6);
  EXPECT_EQ(r.chunks[0].files, 6);
  EXPECT_GE(r.chunk_characters, 6 * kNotice.size());
  EXPECT_LT(r.chunk_characters, r.text_characters);

  // Months, with the empty one between.
  ASSERT_EQ(r.months.size(), 3u);
  EXPECT_EQ(r.months[0].name, QStringLiteral("2020_01"));
  EXPECT_EQ(r.months[0].count, 13);
  EXPECT_EQ(r.months[1].count, 0);
  EXPECT_EQ(r.months[2].count, 3);

  // Sizes: one empty file in bin 0, every file in one bin.
  std::int64_t binned = 0;
  for (std::int64_t b : r.size_bins) binned += b;
  EXPECT_EQ(binned, 16);
  EXPECT_EQ(r.size_bins[0], 1);

  // Findings by folder: blog holds both broken files and one of the names,
  // news the other name and the spare copy.
  ASSERT_EQ(r.by_folder.size(), 2u);
  EXPECT_EQ(r.by_folder[0].folder, corpus.Path(QStringLiteral("blog")));
  EXPECT_EQ(r.by_folder[0].broken, 2);
  EXPECT_EQ(r.by_folder[0].duplicates, 1);
  EXPECT_EQ(r.by_folder[1].broken, 0);
  EXPECT_EQ(r.by_folder[1].duplicates, 2);
}

// The report cuts each text's sentences in its one reading; a text too long
// to wait cut in memory is left to the boilerplate engine. Either way the
// counts are the boilerplate tool's own. The digraph profiles kept between
// reading and comparing give the distances a second reading gives.
TEST(CorpusReport, SharedReadingCountsAsTheSeparateTools) {
  TextDecodingScope decoding(QStringLiteral("auto"));
  MixedCorpus corpus;
  // Over a million characters of sentences, with the notice inside.
  QString longest;
  for (int k = 0; longest.size() < 1200000; ++k) longest += Prose(900 + k % 50, 40) + kNotice;
  corpus.Add(QStringLiteral("news/long.txt"), longest.toUtf8(), MidMonth(2020, 2));

  CorpusReportOptions o = OptionsFor(corpus);
  o.threads = 2;
  const CorpusReport r = MakeCorpusReport(o);
  RepeatedChunks separate;
  separate.SetSettings(false, o.tag_span, o.boilerplate_min_hits, o.boilerplate_min_length, {}, {},
                       {});
  FileWalker walk;
  walk.HeadDir = corpus.tree.Root();
  walk.IncludeSubFolders = true;
  walk.IterateFindingFiles();
  walk.BuildDetailedList(FileSortOrder::ByName);
  separate.AddTextFiles(walk.FilesFound().GetAsStringlist());
  separate.SortDescendingFreq();
  ASSERT_EQ(r.chunks_total, separate.Chunks().Count());
  ASSERT_GE(r.chunks.size(), 2u);
  std::int64_t characters = 0;
  for (int i = 0; i < separate.Chunks().Count(); ++i)
    characters += separate.Chunks().Total(i) * separate.Chunks().Strings(i).size();
  EXPECT_EQ(r.chunk_characters, characters);
  for (std::size_t i = 0; i < r.chunks.size(); ++i) {
    const int k = static_cast<int>(i);
    EXPECT_EQ(r.chunks[i].text, separate.Chunks().Strings(k));
    EXPECT_EQ(r.chunks[i].hits, separate.Chunks().Total(k));
    EXPECT_EQ(r.chunks[i].files, separate.Chunks().GetAListOfOccurrences(k).Count());
  }

  // Every profile read again for the comparison, on one thread: the same
  // distances. Lists cut at one entry keep their full counts.
  o.profile_memory_bytes = 0;
  o.threads = 1;
  o.list_limit = 1;
  const CorpusReport reread = MakeCorpusReport(o);
  EXPECT_EQ(reread.digraph_tested, r.digraph_tested);
  EXPECT_DOUBLE_EQ(reread.digraph_median, r.digraph_median);
  EXPECT_DOUBLE_EQ(reread.digraph_mad, r.digraph_mad);
  EXPECT_EQ(reread.digraph_failures, r.digraph_failures);
  EXPECT_EQ(reread.broken_total, r.broken_total);
  EXPECT_EQ(reread.broken.size(), 1u);
  EXPECT_EQ(reread.by_folder.size(), 1u);
  EXPECT_EQ(reread.folders_with_findings, r.folders_with_findings);
}

TEST(CorpusReport, KnownGoodReferenceAndStop) {
  TextDecodingScope decoding(QStringLiteral("auto"));
  MixedCorpus corpus;
  TempTree good;
  good.WriteText(QStringLiteral("good1.txt"), Prose(500, 80));
  good.WriteText(QStringLiteral("deeper/good2.txt"), Prose(501, 80));
  CorpusReportOptions o = OptionsFor(corpus);
  o.good_folder = good.Root();
  o.good_files = KnownGoodTexts(good.Root());
  ASSERT_EQ(o.good_files.size(), 2);
  const CorpusReport r = MakeCorpusReport(o);
  EXPECT_FALSE(r.digraph_reference_from_corpus);
  EXPECT_DOUBLE_EQ(r.digraph_threshold, 0.1);
  EXPECT_EQ(r.digraph_failures, 1);
  EXPECT_EQ(r.broken[1].path, corpus.Path(QStringLiteral("blog/garbled.txt")));

  // Known-good texts without any text end the run before it starts.
  TempTree blank;
  blank.Write(QStringLiteral("blank.txt"), QByteArray());
  o.good_files = KnownGoodTexts(blank.Root());
  EXPECT_THROW(MakeCorpusReport(o), SorvelError);

  StopFlag stop;
  stop.Request();
  const CorpusReport stopped = MakeCorpusReport(OptionsFor(corpus), {}, &stop);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.broken_total, 0);
  // The page of a run stopped after its walk has files but no sizes to draw.
  EXPECT_TRUE(CorpusReportHtml(stopped, QLocale::c()).contains("No files."));
}

TEST(CorpusReport, ThresholdFollowsTheSpreadAboveTheFloor) {
  double median = -1, mad = -1;
  // Deviations from the median 0.1: 0.1 0 0 0 0.1 0.8 -> their median 0.05.
  const double cut = CorpusDigraphThreshold({0.0, 0.1, 0.1, 0.1, 0.2, 0.9}, 20, &median, &mad);
  EXPECT_DOUBLE_EQ(median, 0.1);
  EXPECT_DOUBLE_EQ(mad, 0.05);
  EXPECT_NEAR(cut, 0.1 + 3 * 1.4826 * 0.05, 1e-12);
  // A tight corpus never cuts below the floor.
  EXPECT_DOUBLE_EQ(CorpusDigraphThreshold({0.0, 0.0, 0.0, 0.05}, 20, nullptr, nullptr), 0.2);
  EXPECT_DOUBLE_EQ(CorpusDigraphThreshold({}, 30, nullptr, nullptr), 0.3);
}

TEST(CorpusReportWriters, PageEscapesNamesAndNeedsNoNetwork) {
  TextDecodingScope decoding(QStringLiteral("auto"));
  TempTree tree;
  // A damaged file of an odd name, so that the name is listed, and a
  // repeated sentence of markup characters.
  const QString odd = QStringLiteral("a<b>&\"q'.txt");
  const QString sentence = QStringLiteral("Fish & chips are \"daily\" specials if 2 < 3 here.");
  QByteArray damaged = (Prose(1, 30) + sentence).toUtf8();
  damaged.append(QByteArray(400, '\0'));
  tree.Write(odd, damaged);
  tree.WriteText(QStringLiteral("other.txt"), Prose(2, 30) + sentence);
  // A damaged file whose name is not UTF-8 (byte FC): shown escaped, linked by its bytes.
  tree.Write(NameFromNative(QByteArray("d\xfcr.txt")),
             Prose(3, 30).toUtf8() + QByteArray(400, '\0'));
  CorpusReportOptions o;
  o.folder = tree.Root();
  const CorpusReport r = MakeCorpusReport(o);
  ASSERT_EQ(r.chunks_total, 1);
  const QString page = QString::fromUtf8(CorpusReportHtml(r, QLocale::c()));
  EXPECT_FALSE(page.contains(QStringLiteral("<script")));
  EXPECT_FALSE(page.contains(sentence));
  EXPECT_FALSE(page.contains(odd));
  EXPECT_TRUE(page.contains(QStringLiteral("a&lt;b&gt;&amp;&quot;q&#39;.txt")));
  EXPECT_TRUE(page.contains(
      QStringLiteral("Fish &amp; chips are &quot;daily&quot; specials if 2 &lt; 3 here.")));
  EXPECT_TRUE(page.contains(QStringLiteral("href=\"file://")));
  EXPECT_TRUE(page.contains(QStringLiteral("/d\\xfcr.txt</a>"))) << page.toStdString();
  EXPECT_TRUE(page.contains(QStringLiteral("/d%FCr.txt\"")));
  // Nothing is fetched: the only address is the SVG name space.
  EXPECT_EQ(page.count(QStringLiteral("http")),
            page.count(QStringLiteral("http://www.w3.org/2000/svg")));
  EXPECT_FALSE(page.contains(QStringLiteral("src=")));
  EXPECT_FALSE(page.contains(QStringLiteral("@import")));

  EXPECT_EQ(HtmlEscaped(QStringLiteral("x\x01y") + QChar(0xD800)),
            QStringLiteral("x\uFFFDy\uFFFD"));
  EXPECT_EQ(HtmlEscaped(QStringLiteral("\U0001F600")), QStringLiteral("\U0001F600"));
}

TEST(CorpusReportWriters, JsonHoldsTheSameNumbers) {
  TextDecodingScope decoding(QStringLiteral("auto"));
  MixedCorpus corpus;
  const CorpusReport r = MakeCorpusReport(OptionsFor(corpus));
  const QJsonObject j = CorpusReportJson(r);
  const QJsonObject summary = j.value(QStringLiteral("summary")).toObject();
  EXPECT_EQ(summary.value(QStringLiteral("files")).toInteger(), r.files);
  EXPECT_EQ(summary.value(QStringLiteral("bytes")).toInteger(), r.bytes);
  const QJsonObject broken = j.value(QStringLiteral("broken")).toObject();
  EXPECT_EQ(broken.value(QStringLiteral("total")).toInteger(), 2);
  EXPECT_EQ(broken.value(QStringLiteral("files")).toArray().size(), 2);
  const QJsonObject near = j.value(QStringLiteral("near_duplicates")).toObject();
  EXPECT_EQ(near.value(QStringLiteral("spare_copies")).toInteger(), 1);
  EXPECT_EQ(near.value(QStringLiteral("command")).toString(), r.move_command);
  EXPECT_NEAR(near.value(QStringLiteral("share_of_files")).toDouble(), 1.0 / 16, 1e-6);
  const QJsonArray months =
      j.value(QStringLiteral("pictures")).toObject().value(QStringLiteral("months")).toArray();
  ASSERT_EQ(months.size(), 3);
  EXPECT_EQ(months[2].toObject().value(QStringLiteral("month")).toString(),
            QStringLiteral("2020-03"));
  EXPECT_EQ(months[2].toObject().value(QStringLiteral("files")).toInteger(), 3);
  const QJsonArray verdicts = j.value(QStringLiteral("verdicts")).toArray();
  int bad = 0;
  for (const auto& v : verdicts) bad += v.toObject().value(QStringLiteral("ok")).toBool() ? 0 : 1;
  EXPECT_GE(bad, 3);  // broken files, names, near duplicates
}

}  // namespace
