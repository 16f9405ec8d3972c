#include "report/corpus_report.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <numeric>

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

// "name count" of each entry.
QStringList Named(const std::vector<ReportCount>& list) {
  QStringList named;
  for (const ReportCount& c : list) named << QStringLiteral("%1 %2").arg(c.name).arg(c.count);
  return named;
}

// The report's numbers, closing line and JSON; with known-good texts; stopped.
TEST(CorpusReport, NumbersOfAMixedCorpus) {
  TextDecodingScope decoding(QStringLiteral("auto"));
  MixedCorpus corpus;
  const CorpusReport r = MakeCorpusReport(OptionsFor(corpus));
  EXPECT_FALSE(r.stopped);
  // The run's closing line gives the main counts (and no unreadable file).
  EXPECT_EQ(ReportRunSummary(r),
            QStringLiteral("Checked 16 files: 2 broken, 1 spare near-duplicate copy, "
                           "2 files with shared names, %1 repeated sentences")
                .arg(r.chunks_total));
  EXPECT_EQ(r.folders, 2);
  EXPECT_EQ(r.bytes, corpus.bytes);
  EXPECT_EQ(r.empty_files, 1);
  EXPECT_TRUE(r.problems.empty());
  // The Latin-1 text is not valid UTF-8 and falls back to the code page.
  QStringList encodings = Named(r.encodings);
  encodings.sort();
  EXPECT_EQ(
      encodings,
      (QStringList{"8-bit code page windows-1252 1", "ASCII (reads the same in every encoding) 13",
                   "UTF-16 LE with byte-order mark 1", "UTF-8 without byte-order mark 1"}));

  // Broken: the damaged file by its size, the garbled one by its digraphs,
  // and no ordinary text, whatever its encoding.
  const qsizetype root = corpus.tree.Root().size();
  QStringList broken;
  for (const ReportBrokenFile& b : r.broken) broken << b.path.mid(root) + " " + b.test;
  EXPECT_EQ(broken, (QStringList{"/blog/damaged.txt size", "/blog/garbled.txt digraph"}));
  EXPECT_TRUE(r.digraph_reference_from_corpus);
  EXPECT_EQ(r.digraph_tested, 14);  // all but the empty and the damaged file

  // Names are compared without regard to case.
  ASSERT_EQ(r.name_groups.size(), 1u);
  EXPECT_EQ(r.name_groups[0].name, QStringLiteral("n1.txt"));

  // The near duplicate, what a move would do, and the command for it.
  ASSERT_EQ(r.near_groups_total, 1);
  ASSERT_EQ(r.near_groups[0].size(), 2u);
  const ReportNearDuplicate& spare =
      r.near_groups[0][0].keep ? r.near_groups[0][1] : r.near_groups[0][0];
  EXPECT_EQ(r.spare_bytes, QFileInfo(spare.path).size());
  ASSERT_EQ(r.moves_total, 1);
  EXPECT_EQ(r.moves[0].from, spare.path);
  EXPECT_EQ(r.move_command, "sorvel-cli dupcontents --move --yes " + corpus.tree.Root());

  // Months in order, with the empty one between; sizes, one empty file in bin 0.
  EXPECT_EQ(Named(r.months), (QStringList{"2020_01 13", "2020_02 0", "2020_03 3"}));
  EXPECT_EQ(std::accumulate(r.size_bins.begin(), r.size_bins.end(), std::int64_t(0)), 16);
  EXPECT_EQ(r.size_bins[0], 1);

  // Findings by folder: blog holds both broken files and one of the names,
  // news the other name and the spare copy.
  QStringList folders;
  for (const ReportFolder& f : r.by_folder)
    folders << QStringLiteral("%1 %2 %3").arg(f.folder.mid(root)).arg(f.broken).arg(f.duplicates);
  EXPECT_EQ(folders, (QStringList{"/blog 2 1", "/news 0 2"}));

  const QJsonObject j = CorpusReportJson(r);
  EXPECT_EQ(j["summary"]["files"].toInteger(), r.files);
  EXPECT_EQ(j["near_duplicates"]["command"].toString(), r.move_command);
  EXPECT_EQ(j["pictures"]["months"][2]["month"].toString(), QStringLiteral("2020-03"));
  int bad = 0;
  for (const auto& v : j["verdicts"].toArray()) bad += v.toObject().value("ok").toBool() ? 0 : 1;
  EXPECT_GE(bad, 3);  // broken files, names, near duplicates

  // With known-good texts as the digraph reference, the threshold is the floor.
  TempTree good;
  good.WriteText("good1.txt", Prose(500, 80));
  good.WriteText("deeper/good2.txt", Prose(501, 80));
  CorpusReportOptions o = OptionsFor(corpus);
  o.good_folder = good.Root();
  o.good_files = KnownGoodTexts(good.Root());
  ASSERT_EQ(o.good_files.size(), 2);
  const CorpusReport known = MakeCorpusReport(o);
  EXPECT_FALSE(known.digraph_reference_from_corpus);
  EXPECT_DOUBLE_EQ(known.digraph_threshold, 0.1);
  EXPECT_EQ(known.digraph_failures, 1);
  ASSERT_EQ(known.broken.size(), 2u);
  EXPECT_EQ(known.broken[1].path, corpus.tree.Path("blog/garbled.txt"));

  // Known-good texts without any text end the run before it starts.
  TempTree blank;
  blank.Write("blank.txt", QByteArray());
  o.good_files = KnownGoodTexts(blank.Root());
  EXPECT_THROW(MakeCorpusReport(o), SorvelError);

  StopFlag stop;
  stop.Request();
  const CorpusReport stopped = MakeCorpusReport(OptionsFor(corpus), {}, &stop);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.broken_total, 0);
}

// The report cuts each text's sentences in its one reading; a text too long
// to wait cut in memory is left to the boilerplate engine. Either way the
// counts are the boilerplate tool's own.
TEST(CorpusReport, SharedReadingCountsAsTheSeparateTools) {
  TextDecodingScope decoding(QStringLiteral("auto"));
  MixedCorpus corpus;
  // Over a million characters of sentences, with the notice inside.
  QString longest;
  for (int k = 0; longest.size() < 1200000; ++k) longest += Prose(900 + k % 50, 40) + kNotice;
  corpus.Add("news/long.txt", longest.toUtf8(), 2);

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
  const auto& chunks = separate.Chunks();
  ASSERT_EQ(r.chunks_total, chunks.Count());
  ASSERT_GE(r.chunks.size(), 2u);
  std::int64_t characters = 0;
  for (int i = 0; i < chunks.Count(); ++i) characters += chunks.Total(i) * chunks.Strings(i).size();
  EXPECT_EQ(r.chunk_characters, characters);
  for (int i = 0; i < std::ssize(r.chunks); ++i) {
    EXPECT_EQ(r.chunks[i].text, chunks.Strings(i));
    EXPECT_EQ(r.chunks[i].hits, chunks.Total(i));
    EXPECT_EQ(r.chunks[i].files, chunks.GetAListOfOccurrences(i).Count());
  }

  // Lists cut at one entry keep their full counts.
  o.list_limit = 1;
  const CorpusReport cut = MakeCorpusReport(o);
  EXPECT_EQ(cut.broken_total, r.broken_total);
  EXPECT_EQ(cut.broken.size(), 1u);
  EXPECT_EQ(cut.by_folder.size(), 1u);
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
  tree.WriteText("other.txt", Prose(2, 30) + sentence);
  // A damaged file whose name is not UTF-8 (byte FC): shown escaped, linked by its bytes.
  tree.Write(NameFromNative(QByteArray("d\xfcr.txt")),
             Prose(3, 30).toUtf8() + QByteArray(400, '\0'));
  CorpusReportOptions o;
  o.folder = tree.Root();
  const CorpusReport r = MakeCorpusReport(o);
  ASSERT_EQ(r.chunks_total, 1);
  const QString page = QString::fromUtf8(CorpusReportHtml(r, QLocale::c()));
  EXPECT_FALSE(page.contains("<script"));
  EXPECT_FALSE(page.contains(sentence));
  EXPECT_FALSE(page.contains(odd));
  EXPECT_TRUE(page.contains("a&lt;b&gt;&amp;&quot;q&#39;.txt"));
  EXPECT_TRUE(page.contains(
      QStringLiteral("Fish &amp; chips are &quot;daily&quot; specials if 2 &lt; 3 here.")));
  EXPECT_TRUE(page.contains("href=\"file://"));
  EXPECT_TRUE(page.contains("/d\\xfcr.txt</a>")) << page.toStdString();
  EXPECT_TRUE(page.contains("/d%FCr.txt\""));
  // Nothing is fetched: the only address is the SVG name space.
  EXPECT_EQ(page.count("http"), page.count("http://www.w3.org/2000/svg"));
  EXPECT_FALSE(page.contains("src="));

  EXPECT_EQ(HtmlEscaped(QStringLiteral("x\x01y") + QChar(0xD800)),
            QStringLiteral("x\uFFFDy\uFFFD"));
}

}  // namespace
