#include "corruption/corrupt_file_detector.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "corruption/corruption_check.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "support/test_support.h"

namespace {

// A text of the 100 two-letter digraphs AK, AL, ... JT, each written as
// "XY. " so that a token counts exactly one digraph: the first `boosted` of
// them `boost` times, the others `each` times.
QByteArray Text(int each, int boosted = 0, int boost = 0) {
  QByteArray t;
  for (int i = 0; i < 100; ++i) {
    const char token[] = {char('A' + i / 10), char('K' + i % 10), '.', ' ', 0};
    t += QByteArray(token).repeated(i < boosted ? boost : each) + "\r\n";
  }
  return t;
}

struct Fixture {
  TempTree tree;
  ScriptedDialogs dialogs;
  CorruptFileDetector detector;
  FolderFileList list;
  Fixture() { SetDialogInterface(&dialogs); }
  ~Fixture() { SetDialogInterface(nullptr); }
  void Reference(const QByteArray& bytes) {
    detector.SetReferenceFiles(tree.Write("good/ref.txt", bytes));
  }
  void Add(const QString& rel, const QByteArray& bytes) {
    list.AddOne(tree.Write(rel, bytes), bytes.size(), 0);
  }
  QStringList FlaggedNames() const {
    QStringList out;
    for (int i = 0; i < detector.flagged_files.Count(); ++i)
      out << detector.flagged_files.Path(i).mid(tree.Root().size() + 1);
    return out;
  }
};

}  // namespace

// Other sizes and encodings, and stopping: the oracle test.
TEST(CrapDetector, SizeTestBoundaries) {
  Fixture f;
  QByteArray nul(1000, 'c');
  nul[100] = '\0';
  f.Add(QStringLiteral("nul.txt"), nul);  // 102 < 999: flagged
  // 8 bits, one character shorter than the file: passes; two shorter: flagged.
  // (E9 is no UTF-8, so these are read in the code page.)
  const QByteArray two_short("\351bc\r\n\0\0", 7);  // \351 is E9
  f.Add(QStringLiteral("cp-one-short.txt"), two_short.left(6));
  f.Add(QStringLiteral("cp-two-short.txt"), two_short);
  f.detector.CheckFiles(f.list, false, nullptr, nullptr);
  ASSERT_EQ(f.FlaggedNames(), (QStringList{"nul.txt", "cp-two-short.txt"}));
  EXPECT_EQ(f.detector.flagged_files.Note(0), QStringLiteral("File-size 1000 but text-length 102"));
  EXPECT_EQ(f.detector.flagged_files.Note(1), QStringLiteral("File-size 7 but text-length 5"));
}

TEST(CrapDetector, SizeTestOfUtf8WithoutAMarkCountsBytes) {
  // Accented letters are two bytes but one character. Automatic decoding reads
  // the ill-formed text as 8-bit (nothing lost); forced UTF-8 loses stray bytes.
  const QByteArray clean =
      QStringLiteral("Schöne Grüße aus Köln, wo es unmöglich süß ist.\r\n").toUtf8().repeated(20);
  QByteArray cut = clean, ill_formed = clean;
  cut[200] = '\0';
  ill_formed.replace(300, 2, "\xFF\xFE");  // one lost byte would be within the slack
  for (const auto& [choice, flagged] : std::vector<std::pair<const char*, QStringList>>{
           {"auto", {"cut.txt"}}, {"utf-8", {"cut.txt", "ill-formed.txt"}}}) {
    TextDecodingScope decoding(QString::fromLatin1(choice));
    Fixture f;
    f.Add(QStringLiteral("clean.txt"), clean);
    f.Add(QStringLiteral("cut.txt"), cut);
    f.Add(QStringLiteral("ill-formed.txt"), ill_formed);
    f.detector.CheckFiles(f.list, false, nullptr, nullptr);
    ASSERT_EQ(f.FlaggedNames(), flagged) << choice;
    // 200 bytes before the NUL, and the line break that ends the text.
    EXPECT_EQ(f.detector.flagged_files.Note(0),
              QStringLiteral("File-size %1 but text-length 202").arg(cut.size()));
  }
}

TEST(CrapDetector, DigraphTestBoundariesFollowSinglePrecision) {
  // Sample: 100 digraphs, 20 each. Reference: the same, k of them far more
  // frequent, so the sample is walked and the k digraphs are "too few" in it.
  for (int k : {9, 10}) {
    Fixture f;
    f.Reference(Text(40, k, 200));
    f.Add(QStringLiteral("sample.txt"), Text(20));
    f.detector.digraph_percent_fail_allowed = 10;
    f.detector.CheckFiles(f.list, true, nullptr, nullptr);
    // 10/100 as a 32-bit float lies just above 0.1, so 10 failures are marked.
    ASSERT_EQ(f.detector.flagged_files.Count(), k == 10 ? 1 : 0) << k;
  }
}

TEST(CrapDetector, ADifferenceEqualToTheThresholdIsNoFailure) {
  // Sample: AK and AL 10 times each (shares 0.5). Reference: AK and AL 20
  // times each (shares 0.25) and AM 40 times. A threshold of 250 per mille
  // is the exact difference: nothing fails. At 249 both digraphs fail.
  for (int per_mille : {250, 249}) {
    Fixture f;
    f.Reference(QByteArray("AK. ").repeated(20) + QByteArray("AL. ").repeated(20) +
                QByteArray("AM. ").repeated(40));
    f.Add(QStringLiteral("sample.txt"),
          QByteArray("AK. ").repeated(10) + QByteArray("AL. ").repeated(10));
    f.detector.digraph_frequency_variation_per_mille = per_mille;
    f.detector.digraph_percent_fail_allowed = 0;
    f.detector.CheckFiles(f.list, true, nullptr, nullptr);
    ASSERT_EQ(f.detector.flagged_files.Count(), per_mille == 250 ? 0 : 1) << per_mille;
    if (per_mille == 249) {
      EXPECT_EQ(f.detector.flagged_files.Note(0), QStringLiteral("Too many: (0.50) AK(0.50) AL"));
    }
  }
}

TEST(CrapDetector, OnlyTheDigraphTestNeedsAReference) {
  Fixture f;
  f.Add(QStringLiteral("nul.txt"), QByteArray("abc\0def", 7));
  f.detector.SetReferenceFiles(f.tree.Path("missing.txt"));
  const QStringList told{"FailedToFind", "ReferenceTextTooShort"};
  EXPECT_EQ(f.dialogs.ShownNames(), told);
  // The size test runs without one, and asks for none.
  f.detector.CheckFiles(f.list, false, nullptr, nullptr);
  EXPECT_EQ(f.dialogs.ShownNames(), told);
  EXPECT_EQ(f.detector.flagged_files.Count(), 1);
  EXPECT_EQ(f.detector.files_taken, 1);
  // The digraph test tries to build it once more, and tests nothing without it.
  f.detector.CheckFiles(f.list, true, nullptr, nullptr);
  EXPECT_EQ(f.dialogs.ShownNames(), told + QStringList{"FailedToFind"});
  EXPECT_EQ(f.detector.flagged_files.Count(), 0);
  EXPECT_EQ(f.detector.files_taken, 0);
}

TEST(CrapDetector, UnreadableAndMissingFilesAreCountedAndTheRunGoesOn) {
  Fixture f;
  f.Add(QStringLiteral("a.txt"), QByteArray("aaaaaaaa\0bbbbbbbb", 17));
  f.tree.MakeDir("b.txt");  // not a regular file: cannot be read
  f.list.AddOne(f.tree.Path("b.txt"), 4096, 0);
  f.list.AddOne(f.tree.Path("gone.txt"), 10, 0);  // listed, then deleted: skipped silently
  for (const char* name : {"c.txt", "d.txt", "e.txt", "f.txt"})
    f.Add(QString::fromLatin1(name), QByteArray("cccccccc\0dddddddd", 17));
  std::vector<int> percents;
  std::vector<std::pair<long long, long long>> counts;
  f.detector.threads = 3;
  f.detector.CheckFiles(
      f.list, false, [&](int p) { percents.push_back(p); }, nullptr,
      [&](long long n, long long total) { counts.emplace_back(n, total); });
  EXPECT_EQ(f.FlaggedNames(), (QStringList{"a.txt", "c.txt", "d.txt", "e.txt", "f.txt"}));
  ASSERT_EQ(f.detector.unreadable_files.size(), 1u);
  EXPECT_EQ(f.detector.unreadable_files[0].file, f.tree.Path("b.txt"));
  EXPECT_EQ(f.detector.unreadable_files[0].reason, QStringLiteral("not a regular file"));
  // 100*i/7 rounded: 0 14 29 43 57 71 86, then the closing 100.
  EXPECT_EQ(percents, (std::vector<int>{0, 14, 29, 43, 57, 71, 86, 100}));
  // Every file taken is counted, the missing one too.
  ASSERT_EQ(counts.size(), 7u);
  EXPECT_EQ(counts.front(), (std::pair<long long, long long>(1, 7)));
  EXPECT_EQ(counts.back(), (std::pair<long long, long long>(7, 7)));
}

TEST(CorruptionCheck, TheClosingLineSaysWhatWasTestedOrWhyNothing) {
  Fixture f;
  f.tree.Write("nested/deeper/x.txt", "Some text.\r\n");
  f.tree.MakeDir("empty");
  f.tree.Write("mixed/a.txt", "Some text.\r\n");
  f.tree.Write("mixed/b.txt", QByteArray("x\0yyyyyyyy", 10));
  const auto summary = [&](const char* folder, bool thorough) {
    FileWalker walker;
    return CorruptionSummary(
        RunCorruptionCheck(f.detector, walker, {f.tree.Path(folder), false, thorough}, {}));
  };
  EXPECT_EQ(summary("nested", false),
            "Checked 0 files: the files are all in sub-folders, and sub-folders are left out");
  EXPECT_EQ(summary("empty", false), "Checked 0 files: the folder holds no files");
  EXPECT_EQ(summary("mixed", true),
            "Checked 0 files: the digraph check needs a usable known-good text");
  EXPECT_EQ(summary("nested/deeper", false), "Checked 1 file: none flagged");
}
