#include "corruption/corrupt_file_detector.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "support/test_support.h"

namespace {

// The 100 two-letter digraphs AK, AL, ... JT, each written as "XY." so that a
// token counts exactly one digraph.
QString Token(int i) {
  return QString(QChar(u'A' + i / 10)) + QChar(u'K' + i % 10) + QStringLiteral(". ");
}

// A text where each of the 100 digraphs occurs `each` times, except that the
// digraphs listed in `boosted` occur `boost` times.
QByteArray Text(int each, int boosted_count, int boost) {
  QString t;
  for (int i = 0; i < 100; ++i) {
    const int n = i < boosted_count ? boost : each;
    for (int k = 0; k < n; ++k) t += Token(i);
    t += QStringLiteral("\r\n");
  }
  return t.toLatin1();
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
    const QString p = tree.Write(rel, bytes);
    list.AddOne(p, bytes.size(), 0);
  }
  QStringList FlaggedNames() const {
    QStringList out;
    for (int i = 0; i < detector.flagged_files.Count(); ++i)
      out << detector.flagged_files.Path(i).mid(tree.Root().size() + 1);
    return out;
  }
};

}  // namespace

// Other sizes and encodings: the oracle test.
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
  // German prose in UTF-8: each accented letter is two bytes but one
  // character, so the text has fewer characters than the file has bytes.
  QByteArray clean;
  for (int i = 0; i < 20; ++i)
    clean += QStringLiteral("Schöne Grüße aus Köln, wo es unmöglich süß ist.\r\n").toUtf8();
  QByteArray cut = clean;
  cut[200] = '\0';
  QByteArray ill_formed = clean;
  ill_formed[300] = '\xFF';  // two stray bytes: one lost byte is within the size test's slack
  ill_formed[301] = '\xFE';
  const auto run = [&](const QString& choice) {
    TextDecodingScope decoding(choice);
    auto f = std::make_unique<Fixture>();
    f->Add(QStringLiteral("clean.txt"), clean);
    f->Add(QStringLiteral("cut.txt"), cut);
    f->Add(QStringLiteral("ill-formed.txt"), ill_formed);
    f->detector.CheckFiles(f->list, false, nullptr, nullptr);
    return f;
  };
  {
    // Auto: the clean and the cut text are UTF-8, the ill-formed one 8-bit
    // (every byte one character, nothing lost).
    auto f = run(QStringLiteral("auto"));
    // 200 bytes before the NUL, and the line break that ends the text.
    ASSERT_EQ(f->FlaggedNames(), QStringList{"cut.txt"});
    EXPECT_EQ(f->detector.flagged_files.Note(0),
              QStringLiteral("File-size %1 but text-length %2").arg(cut.size()).arg(202));
  }
  {
    // Forced UTF-8: an ill-formed byte is a lost byte.
    auto f = run(QStringLiteral("utf-8"));
    EXPECT_EQ(f->FlaggedNames(), (QStringList{"cut.txt", "ill-formed.txt"}));
  }
  {
    // Forced Windows-1252: the 8-bit rule and its numbers, one character per byte.
    auto f = run(QStringLiteral("windows-1252"));
    ASSERT_EQ(f->FlaggedNames(), QStringList{"cut.txt"});
    EXPECT_EQ(f->detector.flagged_files.Note(0),
              QStringLiteral("File-size %1 but text-length %2").arg(cut.size()).arg(202));
  }
}

TEST(CrapDetector, DigraphTestBoundariesFollowSinglePrecision) {
  // Sample: 100 digraphs, 20 each (frequency 0.01). Reference: the same
  // digraphs, k of them far more frequent; the reference total is larger, so
  // the sample is walked and the k digraphs are "too few" in it.
  for (int k : {9, 10}) {
    Fixture f;
    f.Reference(Text(40, k, 200));
    f.Add(QStringLiteral("sample.txt"), Text(20, 0, 0));
    f.detector.digraph_percent_fail_allowed = 10;
    f.detector.CheckFiles(f.list, true, nullptr, nullptr);
    // 10/100 as a 32-bit float lies just above 0.1, so 10 failures are marked.
    ASSERT_EQ(f.detector.flagged_files.Count(), k == 10 ? 1 : 0) << k;
    if (k == 10) {
      EXPECT_TRUE(f.detector.flagged_files.Note(0).startsWith(
          QStringLiteral("Too few: (0.01) AK(0.01) AL(0.01) AM")))
          << f.detector.flagged_files.Note(0).toStdString();
    }
  }
}

TEST(CrapDetector, ADifferenceEqualToTheThresholdIsNoFailure) {
  // Sample: AK and AL 10 times each (shares 0.5). Reference: AK and AL 20
  // times each (shares 0.25) and AM 40 times. A threshold of 250 per mille
  // is the exact difference: nothing fails. At 249 both digraphs fail.
  auto repeat = [](const char* token, int n) {
    QByteArray b;
    for (int k = 0; k < n; ++k) b += token;
    return b;
  };
  for (int per_mille : {250, 249}) {
    Fixture f;
    f.Reference(repeat("AK. ", 20) + repeat("AL. ", 20) + repeat("AM. ", 40));
    f.Add(QStringLiteral("sample.txt"), repeat("AK. ", 10) + repeat("AL. ", 10));
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
  EXPECT_EQ(f.dialogs.ShownNames(), (QStringList{"FailedToFind", "ReferenceTextTooShort"}));
  // The size test runs without one, and asks for none.
  f.detector.CheckFiles(f.list, false, nullptr, nullptr);
  EXPECT_EQ(f.dialogs.ShownNames(), (QStringList{"FailedToFind", "ReferenceTextTooShort"}));
  EXPECT_EQ(f.detector.flagged_files.Count(), 1);
  EXPECT_EQ(f.detector.files_taken, 1);
  // The digraph test tries to build it once more, and tests nothing without it.
  f.detector.CheckFiles(f.list, true, nullptr, nullptr);
  EXPECT_EQ(f.dialogs.ShownNames(),
            (QStringList{"FailedToFind", "ReferenceTextTooShort", "FailedToFind"}));
  EXPECT_EQ(f.detector.flagged_files.Count(), 0);
  EXPECT_EQ(f.detector.files_taken, 0);

  f.dialogs.Clear();
  f.Reference(QByteArray("1234 5678\r\n"));  // no digraph at all
  EXPECT_EQ(f.dialogs.ShownNames(), QStringList{"ReferenceTextTooShort"});
  EXPECT_FALSE(f.detector.ReferenceUsable());

  f.Reference(Text(20, 0, 0));
  f.detector.CheckFiles(f.list, true, nullptr, nullptr);
  EXPECT_EQ(f.detector.flagged_files.Count(), 1);
}

// Stopping: the oracle test.
TEST(CrapDetector, ProgressAndCountsOverAListWithAMissingFile) {
  Fixture f;
  for (int i = 0; i < 6; ++i)
    f.Add(QStringLiteral("f%1.txt").arg(i), QByteArray("xxxxxxxx\0yyyyyyyy", 17));
  f.list.AddOne(f.tree.Path("gone.txt"), 10, 0);  // listed, then deleted
  std::vector<int> percents;
  std::vector<std::pair<long long, long long>> counts;
  f.detector.threads = 1;
  f.detector.CheckFiles(
      f.list, false, [&](int p) { percents.push_back(p); }, nullptr,
      [&](long long n, long long total) { counts.emplace_back(n, total); });
  EXPECT_EQ(f.detector.flagged_files.Count(), 6);
  // 100*i/7 rounded: 0 14 29 43 57 71 86, then the closing 100.
  EXPECT_EQ(percents, (std::vector<int>{0, 14, 29, 43, 57, 71, 86, 100}));
  // Every file taken is counted, the missing one too.
  ASSERT_EQ(counts.size(), 7u);
  EXPECT_EQ(counts.front(), (std::pair<long long, long long>(1, 7)));
  EXPECT_EQ(counts.back(), (std::pair<long long, long long>(7, 7)));
}

TEST(CrapDetector, AnUnreadableFileIsListedAndTheRunGoesOn) {
  for (int threads : {1, 3}) {
    Fixture f;
    f.Reference(Text(20, 0, 0));
    f.Add(QStringLiteral("a.txt"), QByteArray("aaaaaaaa\0bbbbbbbb", 17));
    f.tree.MakeDir("b.txt");  // not a regular file: cannot be read
    f.list.AddOne(f.tree.Path("b.txt"), 4096, 0);
    f.list.AddOne(f.tree.Path("gone.txt"), 10, 0);  // missing: skipped silently
    f.Add(QStringLiteral("c.txt"), QByteArray("cccccccc\0dddddddd", 17));
    f.detector.threads = threads;
    f.detector.CheckFiles(f.list, true, nullptr, nullptr);
    EXPECT_EQ(f.FlaggedNames(), (QStringList{"a.txt", "c.txt"}));
    ASSERT_EQ(f.detector.unreadable_files.size(), 1u);
    EXPECT_EQ(f.detector.unreadable_files[0].file, f.tree.Path("b.txt"));
    EXPECT_EQ(f.detector.unreadable_files[0].reason, QStringLiteral("not a regular file"));
  }
}
