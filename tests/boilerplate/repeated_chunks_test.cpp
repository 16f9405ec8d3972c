#include "boilerplate/repeated_chunks.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace {

struct Cut {
  QString text;
  bool terminated;
};

std::vector<Cut> CutAll(const QString& text, int tag_span = 200) {
  std::vector<Cut> out;
  CutTextIntoChunks(text, ChunkRules{tag_span}, [&](QStringView c, bool t) {
    out.push_back(Cut{c.toString(), t});
  });
  return out;
}

QStringList Texts(const std::vector<Cut>& cuts) {
  QStringList l;
  for (const Cut& c : cuts) l << c.text;
  return l;
}

TEST(ChunkCutting, SentenceEndsAbbreviationsAndNumbers) {
  const auto cuts = CutAll(
      QStringLiteral("Dr. Smith met J. R. Jones at 3.14 p.m. in the U.S. office.  It rained!\r\n"
                     "Was it \"cold?\" Yes. see www.example.org. Fine... really fine."));
  EXPECT_EQ(Texts(cuts),
            (QStringList{"Dr. Smith met J. R. Jones at 3.14 p.m. in the U.S. office.", "It rained!",
                         "Was it \"cold?\"", "Yes. see www.example.org.", "Fine... really fine."}));
  for (const Cut& c : cuts) EXPECT_TRUE(c.terminated) << c.text.toStdString();
}

TEST(ChunkCutting, TextsWithoutSpacesAndUnterminatedPieces) {
  const auto cuts = CutAll(QStringLiteral(
      "今天下雨。明天晴天！后天\r\n\r\nA title line\r\nwrapped over two lines\r\n\r\nLast words"));
  ASSERT_EQ(cuts.size(), 5u);
  EXPECT_EQ(cuts[0].text, QStringLiteral("今天下雨。"));
  EXPECT_TRUE(cuts[0].terminated);
  EXPECT_EQ(cuts[1].text, QStringLiteral("明天晴天！"));
  EXPECT_EQ(cuts[2].text, QStringLiteral("后天"));
  EXPECT_FALSE(cuts[2].terminated);  // ended by a blank line
  EXPECT_EQ(cuts[3].text, QStringLiteral("A title line wrapped over two lines"));
  EXPECT_FALSE(cuts[3].terminated);
  EXPECT_EQ(cuts[4].text, QStringLiteral("Last words"));
  EXPECT_FALSE(cuts[4].terminated);  // the end of the text without a full stop
}

TEST(ChunkCutting, MarkupWithinTheTagSpan) {
  const QString page = QStringLiteral(
      "<ul><li><a href=\"/\">Home</a></li><li>About <b>us</b></li></ul>"
      "<p>This is <i>very</i> important. If a < b then</p><!-- note --><p>x</p>");
  EXPECT_EQ(Texts(CutAll(page)),
            (QStringList{"Home", "About us", "This is very important.", "If a < b then", "x"}));
  // With a span too short for the href tag, that tag is text; with 0 nothing is markup.
  const auto narrow = Texts(CutAll(QStringLiteral("<a href=\"/x\">Home</a> page."), 5));
  EXPECT_EQ(narrow, QStringList{"<a href=\"/x\">Home page."});
  // Nor does a stop directly before a "<" then end a sentence.
  EXPECT_EQ(Texts(CutAll(QStringLiteral("<p>One.</p> Two. Xx.<3 delta. Three."), 0)),
            (QStringList{"<p>One.</p> Two.", "Xx.<3 delta.", "Three."}));
}

TEST(ChunkCutting, StopsAtLineEndsInitialsAndInlineMarkup) {
  // A stop at the end of a line ends the sentence whatever the next line
  // starts with, a blank line included.
  const auto licence = CutAll(QStringLiteral(
      "a) The work must be a library.\r\n\r\nb) the notice stays.\r\nand so does this line.\r\n"));
  ASSERT_EQ(licence.size(), 3u);
  EXPECT_EQ(licence[0].text, QStringLiteral("a) The work must be a library."));
  EXPECT_EQ(licence[1].text, QStringLiteral("b) the notice stays."));
  for (const Cut& c : licence) EXPECT_TRUE(c.terminated) << c.text.toStdString();
  // On the same line a small letter still carries the sentence on.
  EXPECT_EQ(Texts(CutAll(QStringLiteral("It works, i.e. mostly. Fine."))),
            (QStringList{"It works, i.e. mostly.", "Fine."}));
  // An initial before a closing bracket is no sentence end.
  EXPECT_EQ(Texts(CutAll(QStringLiteral(
                "Séneca (4 a.C.-65 d.C.) Filósofo. (106-43 A.C.) Escritor romano."))),
            (QStringList{"Séneca (4 a.C.-65 d.C.) Filósofo.", "(106-43 A.C.) Escritor romano."}));
  // Inline markup disappears without a trace, also between a stop and the next word.
  EXPECT_EQ(Texts(CutAll(QStringLiteral(
                "<p>Use <code>Buffer</span>.<span>alloc(10);</code> first. Then <b>go</b>.</p>"))),
            (QStringList{"Use Buffer.alloc(10); first.", "Then go."}));
  EXPECT_EQ(Texts(CutAll(QStringLiteral("Done. <b>next</b> words follow. <i>New</i> one."))),
            (QStringList{"Done. next words follow.", "New one."}));
}

TEST(ChunkCutting, OverlongPiecesAreCutBetweenWords) {
  QString words;
  for (int i = 0; words.size() < kMaxChunkLength * 2; ++i)
    words += QStringLiteral("word%1 ").arg(i);
  const auto cuts = CutAll(words + QStringLiteral("end."));
  ASSERT_EQ(cuts.size(), 3u);
  QString joined;
  for (const Cut& c : cuts) {
    EXPECT_LE(c.text.size(), kMaxChunkLength);
    EXPECT_TRUE(c.text.startsWith(QStringLiteral("word"))) << c.text.left(20).toStdString();
    joined += (joined.isEmpty() ? QString() : QStringLiteral(" ")) + c.text;
  }
  EXPECT_EQ(joined, words + QStringLiteral("end."));  // nothing lost, no word split
  EXPECT_FALSE(cuts[0].terminated);
  EXPECT_TRUE(cuts[2].terminated);
  // A run without any space has no word boundary: it is cut at the length.
  const QString text(kMaxChunkLength * 2 + 10, QLatin1Char('x'));
  const auto blob = CutAll(text);
  ASSERT_EQ(blob.size(), 3u);
  EXPECT_EQ(blob[0].text.size(), kMaxChunkLength);
  EXPECT_EQ(blob[2].text.size(), 10);
}

class RepeatedChunksTest : public ::testing::Test {
 protected:
  TempTree tree;
  RepeatedChunks engine;

  // Terminated chunks of 10 characters or more found at least twice, one file at a time.
  void Run(const QStringList& files) {
    engine.Clear();
    engine.SetSettings(false, 200, 2, 10, nullptr, nullptr, nullptr);
    for (const QString& f : files) {
      const int n = engine.LoadATextFile(f);
      if (n >= 0) engine.AddToRepeatedSentencesInTxt(n, static_cast<int>(files.size()));
    }
    engine.SortDescendingFreq();
  }

  int Find(const QString& text) const {
    for (int i = 0; i < engine.Chunks().Count(); ++i)
      if (engine.Chunks().Strings(i) == text) return i;
    return -1;
  }

  std::vector<std::pair<QString, int>> Pairs(int chunk) const {
    std::vector<std::pair<QString, int>> out;
    const auto& occ = engine.Chunks().GetAListOfOccurrences(chunk);
    for (int j = 0; j < occ.Count(); ++j)
      out.emplace_back(engine.ChunkFiles().GetFullFilename(occ.GetAValue(j).value1),
                       occ.GetAValue(j).value2);
    return out;
  }
};

TEST_F(RepeatedChunksTest, CountsAcrossAndWithinFiles) {
  const QString legal = QStringLiteral("All rights reserved by the publisher.");
  const QString a = tree.WriteText("a.txt", legal + QStringLiteral(" Alpha is unique here. ") +
                                                legal + QStringLiteral("\n\nNavigation bar"));
  const QString b = tree.WriteText(
      QStringLiteral("b.txt"),
      QStringLiteral("Beta  text\r\nis unique. ") + legal +
          QStringLiteral(" Say it twice, twice. Say it twice, twice.\n\nNavigation bar"));
  const QString c = tree.WriteText("c.txt", QStringLiteral("Gamma. ") + legal);
  const QString missing = tree.Path("gone.txt");
  Run({a, missing, b, c});

  ASSERT_EQ(engine.Chunks().Count(), 2);
  EXPECT_EQ(engine.Chunks().Strings(0), legal);  // highest total first
  EXPECT_EQ(Pairs(0), (std::vector<std::pair<QString, int>>{{a, 2}, {b, 1}, {c, 1}}));
  EXPECT_EQ(engine.Chunks().GetAListOfOccurrences(0).TotalOf(1), 4);
  const int twice = Find(QStringLiteral("Say it twice, twice."));
  ASSERT_GE(twice, 0);
  EXPECT_EQ(Pairs(twice), (std::vector<std::pair<QString, int>>{{b, 2}}));
  EXPECT_EQ(Find(QStringLiteral("Navigation bar")), -1);  // unterminated, not asked for
  EXPECT_EQ(engine.ChunkFiles().Count(), 3);              // the unreadable file is not taken
}

TEST_F(RepeatedChunksTest, CountsSurviveTheTableGrowing) {
  // Enough distinct sentences to make the count table grow several times.
  const QString repeated = QStringLiteral("The same sentence opens and closes.");
  QString text = repeated + u' ';
  for (int i = 0; i < 200000; ++i)
    text += QStringLiteral("Sentence number %1 stands alone. ").arg(i);
  const QString big = tree.WriteText("big.txt", text + repeated);
  const QString small = tree.WriteText("small.txt", "Sentence number 77 stands alone.");
  Run({big, small});
  EXPECT_EQ(engine.DistinctChunks(), 200001);
  ASSERT_EQ(engine.Chunks().Count(), 2);
  ASSERT_GE(Find(repeated), 0);
  EXPECT_EQ(Pairs(Find(repeated)), (std::vector<std::pair<QString, int>>{{big, 2}}));
  const int n77 = Find(QStringLiteral("Sentence number 77 stands alone."));
  ASSERT_GE(n77, 0);
  EXPECT_EQ(Pairs(n77), (std::vector<std::pair<QString, int>>{{big, 1}, {small, 1}}));
}

TEST_F(RepeatedChunksTest, TheTwoSortOrders) {
  const QString s1 = QStringLiteral("First shared sentence here.");
  const QString s2 = QStringLiteral("Second shared sentence here.");
  const QString s3 = QStringLiteral("Third shared sentence here.");
  const QString f0 = tree.WriteText("0.txt", s3 + u' ' + s3);
  const QString f1 = tree.WriteText("1.txt", s2 + u' ' + s1);
  const QString f2 = tree.WriteText("2.txt", s1 + u' ' + s2 + u' ' + s1 + u' ' + s3);
  Run({f0, f1, f2});
  // Totals: s1 3, s3 3, s2 2; on equal totals the chunk seen in an earlier file comes first.
  QStringList by_hits;
  for (int i = 0; i < engine.Chunks().Count(); ++i) by_hits << engine.Chunks().Strings(i);
  EXPECT_EQ(by_hits, (QStringList{s3, s1, s2}));

  engine.SortAScendingFilenumbers();
  QStringList by_files;
  for (int i = 0; i < engine.Chunks().Count(); ++i) by_files << engine.Chunks().Strings(i);
  // s3: files 0,2; s1: files 1,2; s2: files 1,2 (s1 has more hits).
  EXPECT_EQ(by_files, (QStringList{s3, s1, s2}));
  engine.SortDescendingFreq();
  EXPECT_EQ(engine.Chunks().Total(0), 3);
  EXPECT_EQ(engine.Chunks().Total(2), 2);
}

TEST_F(RepeatedChunksTest, StopEndsLoadingButKeepsWhatWasCounted) {
  const QString s = QStringLiteral("This sentence is repeated in every file.");
  QStringList files;
  for (int i = 0; i < 5; ++i) files << tree.WriteText(QStringLiteral("f%1.txt").arg(i), s);
  engine.SetSettings(false, 200, 2, 10, nullptr, nullptr, nullptr);
  int loaded = 0;
  for (const QString& f : files) {
    const int n = engine.LoadATextFile(f);
    if (n < 0) continue;
    ++loaded;
    engine.AddToRepeatedSentencesInTxt(n, 5);
    if (loaded == 3) engine.Stop();
  }
  engine.SortDescendingFreq();
  EXPECT_EQ(loaded, 3);
  ASSERT_EQ(engine.Chunks().Count(), 1);
  EXPECT_EQ(engine.Chunks().Total(0), 3);
  engine.Clear();  // a new search starts unstopped
  EXPECT_GE(engine.LoadATextFile(files[0]), 0);
}

}  // namespace
