// The seeker against the plain search of dup_contents_oracle.h on random
// corpora made hard for it: few words (passages recur across unrelated texts),
// equal sizes, short texts, near copies, other line ends and wrapping, marks,
// texts cut at a NUL, without words or text, every option, and stops.

#include "dup_contents_oracle.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

QByteArray RandomWords(std::mt19937& rng, int words) {
  static const QList<QByteArray> kWords =
      QByteArray("the cat sat on a mat und der hund lief el perro come pan vino rosso x zz of it")
          .split(' ');
  QByteArray out;
  for (int w = 0; w < words; ++w)
    out.append(kWords[rng() % kWords.size()]).append(rng() % 9 ? ' ' : '\n');
  return out;
}

// One variant of a base text.
QByteArray Variant(std::mt19937& rng, QByteArray t) {
  switch (rng() % 12) {
    case 0:
    case 1:
      return t;  // exact copy
    case 2: {    // one word changed
      const int at = rng() % t.size();
      t[at] = t[at] == 'q' ? 'w' : 'q';
      return t;
    }
    case 3:
      return t.replace("\n", "\r\n");
    case 4:  // re-wrapped lines
      for (char& c : t) c = c == '\n' ? ' ' : (c == ' ' && rng() % 5 == 0 ? '\n' : c);
      return t;
    case 5:
      return t.prepend("\xEF\xBB\xBF");
    case 6:
      return t.prepend("header line\n");
    case 7:  // padded to a round size: many texts of equal size
      return t.append(QByteArray(64 - t.size() % 64, ' '));
    case 8:  // the text ends at a NUL; what follows differs between copies
      return t.append('\0').append(RandomWords(rng, 1 + rng() % 3));
    case 9:  // no text at all, only markup
      return rng() % 2 ? "<p></p>" : "<p><b></b></p>";
    case 10:  // text without words
      return rng() % 2 ? "--- !!!\n" : "--- ???\n";
    default:
      return t.append(RandomWords(rng, 1));
  }
}

void CompareOnRandomCorpus(std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<QByteArray> bases;  // short texts (under 200 characters) and longer ones
  for (int b = 0; b < 7; ++b)
    bases.push_back(RandomWords(rng, rng() % 2 ? 3 + rng() % 30 : 40 + rng() % 90));
  TempTree t;
  const int files = 25 + rng() % 20;
  for (int f = 0; f < files; ++f) {
    const QString name = QStringLiteral("d%1/f%2.txt").arg(rng() % 3).arg(f);
    t.Write(name, f % 11 == 10 ? QByteArray() : Variant(rng, bases[rng() % bases.size()]));
    t.SetMTime(name, 1700000000 + rng() % 4 * 86400 + rng() % 3600);
  }
  const FolderFileList list = DupTestFilesBySize(t.Root());

  for (int round = 0; round < 6; ++round) {
    DupContentsCriteria c = DupTestCriteria();
    c.max_length_diff_percent = std::array{0.5f, 3.0f, 20.0f, 200.0f}[rng() % 4];
    c.max_words_diff_percent = std::array{0.5f, 5.0f, 40.0f}[rng() % 3];
    c.same_folder = rng() % 3 == 0;
    c.check_dates = rng() % 3 == 0;
    c.max_days_diff = rng() % 3;
    c.start_percent = rng() % 4 == 0 ? 30 : 0;
    c.normalize_space = rng() % 2;
    const bool small_cache = rng() % 3 == 0;
    const int stop_after = rng() % 4 == 0 ? 1 + rng() % 3 : -1;
    const std::string what = "seed " + std::to_string(seed) + " round " + std::to_string(round);

    const OracleOutcome expected = OracleSeek(list, c, stop_after);
    DupContentsSeeker s;
    if (small_cache) s.cache_limit_bytes = 0;
    int found = 0;
    DupContentsCallbacks callbacks;
    callbacks.found_label = [&](const QString&) {
      if (++found == stop_after) global_panic_state.store(2);
    };
    QStringList empty;
    global_panic_state.store(0);
    EXPECT_EQ(s.SeekContentsDuplicatesIn(list, t.Root(), c, callbacks, &empty), expected.pairs)
        << what;
    global_panic_state.store(0);
    EXPECT_EQ(empty, expected.empty_files) << what;
    EXPECT_EQ(SeekerMembers(s), expected.members) << what;
  }
}

}  // namespace

TEST(DupContentsOracle, SeekerFindsWhatThePairwiseSearchFinds) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) CompareOnRandomCorpus(seed);
}
