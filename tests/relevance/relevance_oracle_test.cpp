// The relevance scorer and check against the plain definition: each term
// searched on its own, its hits marking their segments, one text after another.

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "relevance/file_filtering.h"
#include "runtime/markup.h"
#include "runtime/text_reader.h"
#include "support/test_support.h"
#include "viewer/text_spans.h"

namespace {

ScoredTextRec OracleScore(const RelevanceFilterList& f, const QString& text, int S, int M) {
  ScoredTextRec r;
  r.words = BasicWordCount(text);
  if (r.words == 0) return r;
  std::vector<bool> covered(static_cast<std::size_t>(S)), grouped_covered = covered;
  std::int64_t pos = 0, neg = 0;
  std::vector<std::pair<std::int64_t, int>> grouped;  // hits x weight, threshold
  for (const SearchTerm& t : f.Terms()) {
    const auto hits = CharacterPositionsWordFoundIn(t.term, t.second_term, QString(), text,
                                                    t.search_param, t.options, t.options2);
    const std::int64_t sum = static_cast<std::int64_t>(hits.size()) * t.EffectiveWeight();
    if (hits.empty() || (t.Negative() && t.Grouped())) continue;  // grouped: positive only
    if (t.Negative()) {
      neg += sum;
      continue;
    }
    std::vector<bool>& marks = t.Grouped() ? grouped_covered : covered;
    for (std::int64_t p : hits) marks[std::min<std::size_t>(p * S / text.size(), S - 1)] = true;
    if (t.Grouped())
      grouped.push_back({sum, t.other_sws_needed});
    else
      pos += sum, ++r.positive_terms;
  }
  const float density = static_cast<float>(r.positive_terms + std::ssize(grouped)) *
                        (1000.0f / static_cast<float>(r.words));
  for (const auto& [sum, threshold] : grouped) {
    if (static_cast<float>(threshold) > std::nearbyint(density)) continue;
    pos += sum;
    ++r.positive_terms;
    for (std::size_t s = 0; s < covered.size(); ++s) covered[s] = covered[s] || grouped_covered[s];
  }
  const int C = static_cast<int>(std::count(covered.begin(), covered.end(), true));
  if (pos == 0 || C < std::clamp(M, 0, S)) return r;
  const float score = static_cast<float>((pos - neg) * C);
  r.score = static_cast<float>(static_cast<double>(score) * 100.0 / static_cast<double>(r.words));
  return r;
}

QString Line(const QString& file, const ScoredTextRec& r) {
  return file + QStringLiteral(" %1 %2 %3").arg(r.words).arg(r.positive_terms).arg(r.score);
}

}  // namespace

TEST(RelevanceOracle, ScorerAndRunAgreeWithTheDefinition) {
  QRandomGenerator rng(4242);
  const QStringList vocabulary =
      QStringLiteral("alpha Beta gamma delta alphabet Über über x gamma-ray 42 be ta").split(u' ');
  const QStringList term_forms =
      QStringLiteral("alpha|alph*|*ta|beta|über|gamma ray|delta x|be|42").split(u'|');
  const QStringList option_forms = QStringLiteral("|c|n|a|cn").split(u'|');
  const QStringList gaps{" ", "  ", "\r\n", ", ", "-", " <b>", " < "};
  for (int round = 0; round < 15; ++round) {
    QStringList lines;
    const int nterms = 1 + rng.bounded(6);
    for (int k = 0; k < nterms; ++k) {
      lines << term_forms[rng.bounded(term_forms.size())] +
                   QStringLiteral("\t%1\t%2\t")
                       .arg(rng.bounded(4))
                       .arg(rng.bounded(3) == 0 ? rng.bounded(1, 40) : 0) +
                   option_forms[rng.bounded(option_forms.size())];
    }
    RelevanceFilterList filters;
    filters.LoadFromAStringlist(lines, true);
    ASSERT_EQ(filters.Count(), nterms);
    RelevanceCheckParams params;
    params.segments = 1 + rng.bounded(10);
    params.coverage = rng.bounded(-1, 12);
    params.min_words = rng.bounded(0, 100);
    params.min_score = rng.bounded(3) == 0 ? -1.0 : 0.0;

    // Texts on disk, some with markup, one missing; scored as defined, then
    // by the run on one and on three threads, and by a run stopped early.
    TempTree tree;
    QStringList files, want;
    std::int64_t words = 0;
    for (int i = 0; i < 20; ++i) {
      QString text;
      for (int n = rng.bounded(0, 300); n > 0; --n)
        text += vocabulary[rng.bounded(vocabulary.size())] + gaps[rng.bounded(gaps.size())];
      files << tree.WriteText(QStringLiteral("t/%1.txt").arg(i, 2, 10, QLatin1Char('0')), text);
      const QString markup_free = WithoutMarkup(ReadTextOfFile(files.last()), QLatin1Char('<'),
                                                QLatin1Char('>'), filters.Settings().tag_span);
      const ScoredTextRec r = OracleScore(filters, markup_free, params.segments, params.coverage);
      words += r.words;
      if (r.words >= params.min_words && r.score >= params.min_score) want << Line(files.last(), r);
    }
    files.insert(7, tree.Path("t/vanished.txt"));
    if (params.min_words == 0) want << Line(files[7], {});
    std::sort(want.begin(), want.end());
    for (int threads : {1, 3}) {
      params.threads = threads;
      RelevanceFilter overall;
      RelevanceResults results;
      ScoreRelevanceTexts(files, filters, params, &overall, &results, {});
      QStringList got;
      for (int i = 0; i < results.Count(); ++i) got << Line(results.String(i), results.GetOne(i));
      std::sort(got.begin(), got.end());
      EXPECT_EQ(got, want) << "round " << round << ", " << threads << " threads";
      EXPECT_EQ(overall.files_examined, files.size());
      EXPECT_EQ(overall.unfiltered_wordcount_overall, words);
    }
    // Stopped after the 10th text (on three threads): exactly the first ten are examined.
    StopFlag stop;
    RelevanceCheckCallbacks cb;
    cb.stop = &stop;
    int seen = 0;
    cb.percent = [&](int) {
      if (++seen == 10) stop.Request();
    };
    RelevanceFilter overall;
    RelevanceResults results;
    ScoreRelevanceTexts(files, filters, params, &overall, &results, cb);
    EXPECT_EQ(overall.files_examined, 10);
    for (int i = 0; i < results.Count(); ++i) EXPECT_LT(files.indexOf(results.String(i)), 10);
  }
}

TEST(RelevanceOracle, SegmentsOfTextsBeyondTwoToThe31) {
  // A text of 3 x 2^31 units: the halves meet at 3 x 2^30, and the last unit
  // lies in the last part.
  const std::int64_t L = 3 * (std::int64_t(1) << 31);
  EXPECT_EQ(MultiTermMatcher::SegmentOf(L / 2 - 1, L, 2), 0);
  EXPECT_EQ(MultiTermMatcher::SegmentOf(L / 2, L, 2), 1);
  EXPECT_EQ(MultiTermMatcher::SegmentOf(L - 1, L, 10), 9);
}

// Markup removed in place, by the plain copy and as the viewer's markup spans
// mark it: the same tags.
TEST(RelevanceOracle, MarkupRemovedInPlaceAsByCopyAndAsSpans) {
  // The plain removal: each tag that closes within the span, left to right.
  auto plain = [](QString t, int span) {
    if (span > 0) t.remove(QRegularExpression(QStringLiteral("<[^>]{0,%1}>").arg(span - 1)));
    return t;
  };
  QRandomGenerator rng(9);
  const QString inventory = QStringLiteral("ab <<>> c\u00e9");
  for (int round = 0; round < 300; ++round) {
    QString t;
    for (int n = rng.bounded(60); n > 0; --n) t += inventory[rng.bounded(inventory.size())];
    const int span = rng.bounded(-1, 8);
    const QString expected = plain(t, span);
    QString in_place = t;
    RemoveMarkupInPlace(in_place, QLatin1Char('<'), QLatin1Char('>'), span);
    EXPECT_EQ(in_place, expected) << t.toStdString() << " span " << span;
    QString outside_spans = t;
    const auto tags = MarkupSpans(t, QLatin1Char('<'), QLatin1Char('>'), span);
    for (auto tag = tags.rbegin(); tag != tags.rend(); ++tag)
      outside_spans.remove(tag->start, tag->length);
    EXPECT_EQ(outside_spans, expected) << t.toStdString() << " span " << span;
  }
}
