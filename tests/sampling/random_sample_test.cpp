#include "sampling/random_sample.h"

#include <gtest/gtest.h>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_types.h"
#include "sampling/sampler.h"
#include "support/test_support.h"

namespace {
QStringList Numbered(int n) {
  QStringList l;
  for (int i = 0; i < n; ++i) l << QString::number(i);
  return l;
}
}  // namespace

TEST(RandomSample, EachPreferenceDrawsDistinctLinesFromItsRegionInSourceOrder) {
  // Region [lo, hi) of each preference; 3 lines exercise the sparse draw, 20 the dense one.
  for (const auto& [pref, lo, hi] : {std::tuple{spTopQuarter, 0, 25},
                                     {spMiddleQuarter, 37, 62},
                                     {spBottomQuarter, 75, 100},
                                     {spAnywhere, 0, 100}}) {
    for (int size : {3, 20}) {
      QStringList sample{QStringLiteral("left over from before")};
      DrawRandomSample(Numbered(100), sample, size, pref, 42u + static_cast<unsigned>(size));
      ASSERT_EQ(sample.size(), size) << pref;
      for (int i = 0; i < size; ++i) {  // strictly rising: in source order, none twice
        EXPECT_GE(sample[i].toInt(), i == 0 ? lo : sample[i - 1].toInt() + 1) << pref;
        EXPECT_LT(sample[i].toInt(), hi) << pref;
      }
    }
  }
}

TEST(RandomSample, SizesLargerThanTheSourceOrRegionTakeItWhole) {
  QStringList sample;
  DrawRandomSample(Numbered(7), sample, 100, spAnywhere, 1u);
  EXPECT_EQ(sample, Numbered(7));
  // A quarter of 7 lines is 2 lines; the bottom ones are 5 and 6.
  DrawRandomSample(Numbered(7), sample, 100, spBottomQuarter, 1u);
  EXPECT_EQ(sample, (QStringList{"5", "6"}));
  // A single line is every quarter.
  DrawRandomSample(Numbered(1), sample, 5, spMiddleQuarter, 1u);
  EXPECT_EQ(sample, (QStringList{"0"}));
  DrawRandomSample(Numbered(7), sample, 0, spAnywhere, 1u);
  EXPECT_TRUE(sample.isEmpty());
}

TEST(RandomSample, SameSeedRepeatsAndDrawIsUniform) {
  const QStringList source = Numbered(1000);
  QStringList a, b;
  DrawRandomSample(source, a, 10, spAnywhere, 7u);
  DrawRandomSample(source, b, 10, spAnywhere, 7u);
  EXPECT_EQ(a, b);
  DrawRandomSample(source, b, 10, spAnywhere, 8u);
  EXPECT_NE(a, b);

  // One line out of 40 (sparse draw) and 30 out of 40 (dense draw): every
  // line must come up about equally often.
  for (int size : {1, 30}) {
    std::vector<int> hits(40, 0);
    const int runs = 10000;
    for (int r = 0; r < runs; ++r)
      for (auto i : RandomSampleIndices(40, size, spAnywhere, static_cast<std::uint64_t>(r)))
        ++hits[static_cast<std::size_t>(i)];
    const double expected = static_cast<double>(runs) * size / 40;
    for (int h : hits) {
      EXPECT_GT(h, expected * 0.8) << "size " << size;
      EXPECT_LT(h, expected * 1.2) << "size " << size;
    }
  }
}

TEST(Sampler, FolderVariantAppliesMaskAndTheFiltersRuleFromNoEarlierExclusion) {
  TempTree t;
  t.Write("b.txt", "b");
  t.Write("a.txt", "a");
  t.Write("c.html", "c");
  t.Write("sub/d.txt", "d");
  t.Write("FILTERS/f.txt", "f");
  t.Write("FILTERS/inner/g.txt", "g");

  FileWalker it;
  it.SetExcludedDirs({QStringLiteral("sub")});  // left by another page's search
  QStringList s = RandomSampleFromFolder(it, t.Root(), FileTypeMaskAt(1), 1000, spAnywhere, 3u);
  const QString r = t.Root() + QLatin1Char('/');
  EXPECT_EQ(s, (QStringList{r + "a.txt", r + "b.txt", r + "sub/d.txt"}));

  // Inside a FILTERS folder its own sub-folders are searched.
  s = RandomSampleFromFolder(it, t.Path("FILTERS"), FileTypeMaskAt(0), 1000, spAnywhere, 3u);
  EXPECT_EQ(s, (QStringList{r + "FILTERS/f.txt", r + "FILTERS/inner/g.txt"}));
  EXPECT_TRUE(ExcludedFoldersForSampleSource(QStringLiteral("C:\\corpus\\FILTERS\\x")).isEmpty());
  EXPECT_FALSE(ExcludedFoldersForSampleSource(QStringLiteral("/corpus/filters")).isEmpty());
}

TEST(Sampler, ListVariantAsksAndOnNoKeepsTheWholeListInFileOrder) {
  TempTree t;
  const QString list = t.Write("list.txt", "/c/one.txt\r\n\r\n/c/two.txt\tscore 3\n/c/three.txt\n");
  const QStringList lines = ReadListFileLines(list);
  ASSERT_EQ(lines, (QStringList{"/c/one.txt", "", "/c/two.txt\tscore 3", "/c/three.txt"}));

  ScriptedDialogs script;  // asked both times, even though the list is short
  SetDialogInterface(&script);
  script.QueueAnswer(mrNo);
  EXPECT_EQ(RandomSampleFromList(lines, 2, spAnywhere, 5u), lines);
  script.QueueAnswer(mrYes);
  const QStringList reduced = RandomSampleFromList(lines, 2, spAnywhere, 5u);
  EXPECT_EQ(reduced.size(), 2);
  const auto shown = script.Shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].name, QStringLiteral("DoYouWantToDoX"));
  EXPECT_EQ(shown[0].help_context, 6060);
  SetDialogInterface(nullptr);

  EXPECT_THROW(ReadListFileLines(t.Path("nope.txt")), FileReadError);
}
