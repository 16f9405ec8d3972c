// The detector against the plain definition of its tests: every digraph
// occurrence inserted into the tree one by one, the tree walked into its
// sorted list, the lists compared entry by entry with binary-search lookups.

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "corruption/corrupt_file_detector.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/text_reader.h"
#include "support/test_support.h"

namespace {

// Counts the digraphs of upper-cased text into the tree, one AddOne per
// occurrence.
void CountInto(const QString& text, DigraphSample& side) {
  QString t = text;
  UpperCaseInPlace(t);
  const qsizetype n = t.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (!IsLetterUnit(t[i].unicode())) continue;
    auto* rec = new DigraphRec;
    rec->characters[0] = t[i].unicode();
    if (i + 1 < n && (t[i + 1] == QLatin1Char(' ') || IsLetterUnit(t[i + 1].unicode()))) {
      ++side.digraphs;
      rec->characters[1] = t[i + 1].unicode();
      side.tree->current = rec;
      if (!side.tree->AddOne()) delete rec;
    } else {
      delete rec;
    }
  }
}

// The comparison as defined, on the trees' sorted lists.
float OracleCompare(const DigraphSample& sample, const DigraphSample& reference, int per_mille,
                    QString& too_many, QString& too_few) {
  const float threshold = static_cast<float>(per_mille / 1000.0);
  const bool walk_sample = reference.digraphs > sample.digraphs;
  const DigraphSample& walked = walk_sample ? sample : reference;
  const DigraphSample& other = walk_sample ? reference : sample;
  const DigraphCountList& wl = walked.tree->sorted_results;
  const DigraphCountList& ol = other.tree->sorted_results;
  int fails = 0;
  for (int k = 0; k < wl.Count(); ++k) {
    const float fw = static_cast<float>(wl.At(k).value / static_cast<double>(walked.digraphs));
    const int found = ol.Find(wl.At(k).text);
    if (found < 0) {
      ++fails;
      too_many += QLatin1Char(' ') + wl.At(k).text;
      continue;
    }
    const float fo = static_cast<float>(ol.At(found).value / static_cast<double>(other.digraphs));
    if (std::fabs(static_cast<double>(fw) - static_cast<double>(fo)) >
        static_cast<double>(threshold)) {
      ++fails;
      (fw > fo ? too_many : too_few) += QLatin1Char('(') + Format(QStringLiteral("%3.2f"), {fw}) +
                                        QStringLiteral(") ") + wl.At(k).text;
    }
  }
  return static_cast<float>(static_cast<double>(fails) / sample.tree->sorted_results.Count());
}

struct OracleSettings {
  bool thorough = true;
  int min_digraphs = 10;
  int per_mille = 15;
  int percent_fail = 20;
};

// The notes the definition gives for each file (empty: not flagged).
QStringList OracleNotes(const QStringList& refs, const QStringList& files,
                        const OracleSettings& s) {
  DigraphSample ref;
  ref.tree = std::make_unique<DigraphTree>(s.min_digraphs);
  for (const QString& r : refs) CountInto(ReadTextOfFile(r), ref);
  ref.tree->Traverse();
  ref.tree->Clear();
  QStringList notes;
  for (const QString& f : files) {
    TextFileInfo info;
    const QString text = ReadTextOfFile(f, &info);
    const std::int64_t S = info.size, L = text.size();
    if (info.has_bom ? L < S / 2 - 1 : L < S - 1) {
      notes << QStringLiteral("File-size %1 but text-length %2").arg(S).arg(L);
      continue;
    }
    if (!s.thorough) {
      notes << QString();
      continue;
    }
    DigraphSample sample;
    sample.tree = std::make_unique<DigraphTree>(s.min_digraphs);
    CountInto(text, sample);
    sample.tree->Traverse();
    sample.tree->Clear();
    QString many, few;
    float ratio = 0;
    if (sample.tree->sorted_results.Count() > 0)
      ratio = OracleCompare(sample, ref, s.per_mille, many, few);
    QString note;
    if (static_cast<double>(ratio) > s.percent_fail / 100.0) {
      if (!many.isEmpty()) note += QStringLiteral("Too many: ") + many;
      if (!few.isEmpty()) note += QStringLiteral("Too few: ") + few;
      if (note.isEmpty()) note = QStringLiteral("(flagged)");
    }
    notes << note;
  }
  return notes;
}

// Random text over a small inventory: letters that are ASCII and not, in
// both cases, spaces, digits, punctuation, line breaks, now and then a NUL.
QByteArray RandomText(QRandomGenerator& rng, int length, bool nul_allowed) {
  static const QString inventory =
      QStringLiteral("aaeeiinnssttTHhrR   \u00e9\u00c9\u00df\u0431\u0411\u4e00\u4e8c.,1\r\n");
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
      return t.toLatin1();  // 8-bit: the units beyond Latin-1 become "?"
  }
}

QStringList DetectorNotes(const CorruptFileDetector& d, const QStringList& files) {
  QStringList notes;
  int k = 0;
  for (const QString& f : files) {
    if (k < d.flagged_files.Count() && d.flagged_files.Path(k) == f) {
      const QString note = d.flagged_files.Note(k);
      notes << (note.isEmpty() ? QStringLiteral("(flagged)") : note);
      ++k;
    } else {
      notes << QString();
    }
  }
  EXPECT_EQ(k, d.flagged_files.Count()) << "results out of list order";
  return notes;
}

}  // namespace

TEST(CrapDetectorOracle, RandomCorporaEveryOptionAndAStop) {
  QRandomGenerator rng(20261206);
  ScriptedDialogs dialogs;
  SetDialogInterface(&dialogs);
  for (int round = 0; round < 12; ++round) {
    TempTree tree;
    QStringList refs;
    for (int r = 0; r < 1 + static_cast<int>(rng.bounded(2)); ++r)
      refs << tree.Write(QStringLiteral("good/%1.txt").arg(r), RandomText(rng, 3000, false));
    FolderFileList list;
    QStringList files;
    for (int i = 0; i < 40; ++i) {
      const QByteArray bytes = RandomText(rng, static_cast<int>(rng.bounded(1500)), true);
      files << tree.Write(QStringLiteral("c/%1.txt").arg(i, 2, 10, QLatin1Char('0')), bytes);
      list.AddOne(files.last(), bytes.size(), 0);
    }
    OracleSettings s;
    s.thorough = round % 4 != 3;
    s.min_digraphs = static_cast<int>(rng.bounded(1, 12));
    s.per_mille = static_cast<int>(rng.bounded(0, 40));
    s.percent_fail = static_cast<int>(rng.bounded(0, 60));
    const QStringList expected = OracleNotes(refs, files, s);
    ASSERT_EQ(expected.size(), files.size());

    CorruptFileDetector d;
    d.min_digraphs = s.min_digraphs;
    d.SetReferenceFiles(refs.join(QLatin1Char('\n')));
    ASSERT_TRUE(d.ReferenceUsable());
    d.digraph_frequency_variation_per_mille = s.per_mille;
    d.digraph_percent_fail_allowed = s.percent_fail;
    d.threads = 1 + round % 3;
    d.CheckFiles(list, s.thorough, nullptr, nullptr);
    EXPECT_EQ(DetectorNotes(d, files), expected) << "round " << round;

    // Stop pressed while file `stop_at` has its turn: that file and the ones
    // before it are tested as always, nothing after it.
    const int stop_at = static_cast<int>(rng.bounded(1, 40));
    int turn = 0;
    d.CheckFiles(
        list, s.thorough,
        [&](int) {
          if (turn++ == stop_at) d.processing = false;
        },
        nullptr);
    QStringList prefix = expected.mid(0, stop_at + 1);
    for (int i = stop_at + 1; i < files.size(); ++i) prefix << QString();
    EXPECT_EQ(DetectorNotes(d, files), prefix) << "round " << round << ", stopped at " << stop_at;
  }
  SetDialogInterface(nullptr);
}
