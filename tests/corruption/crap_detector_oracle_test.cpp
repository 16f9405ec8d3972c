// The detector against the plain definition of its tests: every digraph
// occurrence counted in an ordered map, the maps compared entry by entry.

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cmath>
#include <map>

#include "corruption/corrupt_file_detector.h"
#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/text_reader.h"
#include "support/test_support.h"

namespace {

struct Profile {
  std::map<QString, int> counts;  // in code-unit order
  std::int64_t digraphs = 0;      // every occurrence, rare digraphs included
  float Share(int count) const { return float(count / double(digraphs)); }
};

// Counts the digraphs of the upper-cased text: a letter followed by a letter
// or a space.
void CountInto(const QString& text, Profile& p) {
  QString t = text;
  UpperCaseInPlace(t);
  for (qsizetype i = 0; i + 1 < t.size(); ++i) {
    if (IsLetterUnit(t[i].unicode()) && (t[i + 1] == u' ' || IsLetterUnit(t[i + 1].unicode()))) {
      ++p.digraphs;
      ++p.counts[t.mid(i, 2)];
    }
  }
}

// The note of a text that passes the size test: the digraphs met fewer than
// min_digraphs times are dropped on both sides, the side with fewer
// occurrences is walked, and when more than the allowed share of the
// sample's digraphs fail, the failures are listed (empty: not flagged).
QString DigraphNote(Profile sample, Profile ref, const CorruptFileDetector& d) {
  for (Profile* p : {&sample, &ref})
    std::erase_if(p->counts, [&](const auto& e) { return e.second < d.min_digraphs; });
  if (sample.counts.empty()) return {};
  const bool walk_sample = ref.digraphs > sample.digraphs;
  const Profile& walked = walk_sample ? sample : ref;
  const Profile& other = walk_sample ? ref : sample;
  QString many, few;
  int fails = 0;
  for (const auto& [text, count] : walked.counts) {
    const auto found = other.counts.find(text);
    if (found == other.counts.end()) {
      ++fails;
      many += QLatin1Char(' ') + text;
      continue;
    }
    const float fw = walked.Share(count), fo = other.Share(found->second);
    if (std::fabs(double(fw) - fo) >
        double(float(d.digraph_frequency_variation_per_mille / 1000.0))) {
      ++fails;
      (fw > fo ? many : few) +=
          QLatin1Char('(') + Format(QStringLiteral("%3.2f"), {fw}) + QStringLiteral(") ") + text;
    }
  }
  if (double(float(fails / double(sample.counts.size()))) <= d.digraph_percent_fail_allowed / 100.0)
    return {};
  QString note;
  if (!many.isEmpty()) note += QStringLiteral("Too many: ") + many;
  if (!few.isEmpty()) note += QStringLiteral("Too few: ") + few;
  return note.isEmpty() ? QStringLiteral("(flagged)") : note;
}

using Flagged = std::vector<std::pair<QString, QString>>;  // path, note

// What the definition flags, with the detector's own settings.
Flagged OracleFlagged(const QStringList& refs, const QStringList& files, bool thorough,
                      const CorruptFileDetector& d) {
  Profile ref;
  for (const QString& r : refs) CountInto(ReadTextOfFile(r), ref);
  Flagged out;
  for (const QString& f : files) {
    TextFileInfo info;
    const QString text = ReadTextOfFile(f, &info);
    const std::int64_t size = info.size, length = text.size();
    QString note;
    if (info.has_bom ? length < size / 2 - 1 : length < size - 1) {
      note = QStringLiteral("File-size %1 but text-length %2").arg(size).arg(length);
    } else if (thorough) {
      Profile sample;
      CountInto(text, sample);
      note = DigraphNote(sample, ref, d);
    }
    if (!note.isEmpty()) out.emplace_back(f, note);
  }
  return out;
}

Flagged DetectorFlagged(const CorruptFileDetector& d) {
  Flagged out;
  for (int k = 0; k < d.flagged_files.Count(); ++k) {
    const QString note = d.flagged_files.Note(k);
    out.emplace_back(d.flagged_files.Path(k), note.isEmpty() ? QStringLiteral("(flagged)") : note);
  }
  return out;
}

// Random text over a small inventory: letters that are ASCII and not, in
// both cases, white space of several kinds, digits, punctuation, now and then
// a NUL; in UTF-8 or UTF-16 with a mark, or 8-bit.
QByteArray RandomText(QRandomGenerator& rng, int length, bool nul_allowed) {
  static const QString inventory = QStringLiteral(
      "aaeeiinnssttTHhrR   \t\u00a0\u00e9\u00c9\u00df\u0431\u0411\u4e00\u4e8c.,1\r\n");
  QString t;
  for (int i = 0; i < length; ++i) t += inventory[static_cast<int>(rng.bounded(inventory.size()))];
  QByteArray bytes = t.toUtf8();
  if (nul_allowed && rng.bounded(4) == 0) bytes[static_cast<int>(rng.bounded(bytes.size()))] = '\0';
  switch (rng.bounded(3)) {
    case 0:
      return QByteArray("\xEF\xBB\xBF") + bytes;
    case 1:
      return Utf16LeWithBom(QString::fromUtf8(bytes));
    default:
      return t.toLatin1();  // the units beyond Latin-1 become "?"
  }
}

}  // namespace

TEST(CrapDetectorOracle, RandomCorporaEveryOptionAndAStop) {
  QRandomGenerator rng(20261206);
  ScriptedDialogs dialogs;
  SetDialogInterface(&dialogs);
  for (int round = 0; round < 8; ++round) {
    TempTree tree;
    QStringList refs, files;
    for (int r = 0; r < 1 + static_cast<int>(rng.bounded(2)); ++r)
      refs << tree.Write(QStringLiteral("good/%1.txt").arg(r), RandomText(rng, 3000, false));
    FolderFileList list;
    for (int i = 0; i < 30; ++i) {
      const QByteArray bytes = RandomText(rng, static_cast<int>(rng.bounded(1500)), true);
      files << tree.Write(QStringLiteral("c/%1.txt").arg(i, 2, 10, QLatin1Char('0')), bytes);
      list.AddOne(files.last(), bytes.size(), 0);
    }
    const bool thorough = round % 4 != 3;
    CorruptFileDetector d;
    d.min_digraphs = static_cast<int>(rng.bounded(1, 12));
    d.SetReferenceFiles(refs.join(QLatin1Char('\n')));
    ASSERT_TRUE(d.ReferenceUsable());
    d.digraph_frequency_variation_per_mille = static_cast<int>(rng.bounded(0, 40));
    d.digraph_percent_fail_allowed = static_cast<int>(rng.bounded(0, 60));
    d.threads = 1 + round % 3;
    const Flagged expected = OracleFlagged(refs, files, thorough, d);
    d.CheckFiles(list, thorough, nullptr, nullptr);
    EXPECT_EQ(DetectorFlagged(d), expected) << "round " << round;

    // Stop pressed while file `stop_at` has its turn: that file and the ones
    // before it are tested as always, nothing after it.
    const int stop_at = static_cast<int>(rng.bounded(1, 30));
    int turn = 0;
    d.CheckFiles(
        list, thorough,
        [&](int) {
          if (turn++ == stop_at) d.processing = false;
        },
        nullptr);
    Flagged prefix = expected;
    std::erase_if(prefix, [&](const auto& e) { return e.first > files[stop_at]; });
    EXPECT_EQ(DetectorFlagged(d), prefix) << "round " << round << ", stopped at " << stop_at;
  }
  SetDialogInterface(nullptr);
}
