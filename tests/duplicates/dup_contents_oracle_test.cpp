// The seeker against the plain pairwise search of dup_contents_oracle.h, on
// random corpora made to be hard for it: few words (so passages recur across
// unrelated texts), many equal sizes, short texts, exact and near copies,
// changed line ends, re-wrapped lines, byte-order marks, texts cut short by a
// NUL, texts without words or without any text, every option, and stops in
// the middle of a search.

#include "dup_contents_oracle.h"

#include <gtest/gtest.h>

#include <random>

#include "support/test_support.h"

namespace {

QByteArray RandomWords(std::mt19937& rng, int words) {
  static const char* const kWords[] = {"the",  "cat",   "sat",  "on", "a",     "mat",  "und",
                                       "der",  "hund",  "lief", "el", "perro", "come", "pan",
                                       "vino", "rosso", "x",    "zz", "of",    "it"};
  QByteArray out;
  for (int w = 0; w < words; ++w) {
    out += kWords[rng() % std::size(kWords)];
    out += (rng() % 9 == 0) ? "\n" : " ";
  }
  return out;
}

// One variant of a base text.
QByteArray Variant(std::mt19937& rng, const QByteArray& base) {
  QByteArray t = base;
  switch (rng() % 12) {
    case 0:
    case 1:
      break;   // exact copy
    case 2: {  // one word changed
      const int at = static_cast<int>(rng() % static_cast<unsigned>(t.size()));
      t[at] = t[at] == 'q' ? 'w' : 'q';
      break;
    }
    case 3:
      t.replace("\n", "\r\n");
      break;
    case 4:  // re-wrapped lines
      for (char& c : t)
        if (c == ' ' && rng() % 5 == 0)
          c = '\n';
        else if (c == '\n')
          c = ' ';
      break;
    case 5:
      t.prepend("\xEF\xBB\xBF");
      break;
    case 6:
      t.prepend("header line\n");
      break;
    case 7:  // padded to a round size: many texts of equal size
      t.append(QByteArray(64 - t.size() % 64, ' '));
      break;
    case 8:  // the text ends at a NUL; what follows differs between copies
      t.append('\0');
      t.append(RandomWords(rng, 1 + static_cast<int>(rng() % 3)));
      break;
    case 9:  // no text at all, only markup
      t = (rng() % 2) ? "<p></p>" : "<p><b></b></p>";
      break;
    case 10:  // text without words
      t = (rng() % 2) ? "--- !!!\n" : "--- ???\n";
      break;
    default:
      t.append(RandomWords(rng, 1));
  }
  return t;
}

struct Round {
  DupSearchOptions options;
  bool normalize = false;
  bool small_cache = false;
  int stop_after = -1;
};

void CompareOnRandomCorpus(std::uint32_t seed) {
  std::mt19937 rng(seed);
  TempTree t;
  std::vector<QByteArray> bases;
  for (int b = 0; b < 7; ++b) {
    // Short texts (under 200 characters) and longer ones.
    const int words =
        (rng() % 2) ? 3 + static_cast<int>(rng() % 30) : 40 + static_cast<int>(rng() % 90);
    bases.push_back(RandomWords(rng, words));
  }
  const int files = 25 + static_cast<int>(rng() % 20);
  for (int f = 0; f < files; ++f) {
    const QString name = QStringLiteral("d%1/f%2.txt").arg(rng() % 3).arg(f);
    t.Write(name, f % 11 == 10 ? QByteArray() : Variant(rng, bases[rng() % bases.size()]));
    t.SetMTime(name, 1700000000 + static_cast<std::int64_t>(rng() % 4) * 86400 +
                         static_cast<std::int64_t>(rng() % 3600));
  }
  const FolderFileList list = DupTestFilesBySize(t.Root());

  static const float kLength[] = {0.5f, 3.0f, 20.0f, 200.0f};
  static const float kWords[] = {0.5f, 5.0f, 40.0f};
  for (int r = 0; r < 6; ++r) {
    Round round;
    round.options.length_diff = kLength[rng() % 4];
    round.options.words_diff = kWords[rng() % 3];
    round.options.same_folder = rng() % 3 == 0;
    round.options.check_dates = rng() % 3 == 0;
    round.options.max_days = static_cast<int>(rng() % 3);
    round.options.start_percent = rng() % 4 == 0 ? 30 : 0;
    round.normalize = rng() % 2;
    round.small_cache = rng() % 3 == 0;
    round.stop_after = rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 3) : -1;
    const std::string what = "seed " + std::to_string(seed) + " round " + std::to_string(r);

    const OracleOutcome expected =
        OracleSeek(list, round.options, round.normalize, round.stop_after);
    DupContentsSeeker s;
    if (round.small_cache) s.cache_limit_bytes = 0;
    QStringList empty;
    int found = 0;
    global_panic_state.store(0);
    DupSearchOptions options = round.options;
    options.normalize = round.normalize;
    DupContentsCallbacks callbacks;
    callbacks.found_label = [&](const QString&) {
      if (++found == round.stop_after) global_panic_state.store(2);
    };
    const int pairs =
        s.SeekContentsDuplicatesIn(list, t.Root(), DupTestCriteria(options), callbacks, &empty);
    global_panic_state.store(0);
    EXPECT_EQ(pairs, expected.pairs) << what;
    EXPECT_EQ(empty, expected.empty_files) << what;
    EXPECT_EQ(SeekerMembers(s), expected.members) << what;
  }
}

}  // namespace

TEST(DupContentsOracle, SeekerFindsWhatThePairwiseSearchFinds) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) CompareOnRandomCorpus(seed);
}
