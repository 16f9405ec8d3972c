// The relevance scorer and check run against the plain definition: each
// term searched on its own, every hit's segment counted in the G and H
// arrays, the check run one text after another.

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

#include "relevance/file_filtering.h"
#include "runtime/markup.h"
#include "runtime/text_reader.h"
#include "support/test_support.h"

namespace {

ScoredTextRec OracleScore(const RelevanceFilterList& f, const QString& text, int S, int M,
                          std::int64_t* words_added) {
  ScoredTextRec result;
  std::vector<std::int64_t> G(static_cast<std::size_t>(S), 0), H(static_cast<std::size_t>(S), 0);
  const std::int64_t W = BasicWordCount(text);
  *words_added = W;
  if (W == 0) return result;
  const std::int64_t L = text.size();
  std::int64_t pos_sum = 0, neg_sum = 0;
  int P = 0;
  struct Kept {
    std::int64_t pos;
    int threshold;
  };
  std::vector<Kept> grouped;
  for (int i = 0; i < f.Count(); ++i) {
    const SearchTerm& t = f[i];
    const auto positions = CharacterPositionsWordFoundIn(t.term, t.second_term, QString(), text,
                                                         t.search_param, t.options, t.options2);
    const std::int64_t h = static_cast<std::int64_t>(positions.size());
    if (h == 0) continue;
    std::int64_t pos = 0, neg = 0;
    if (t.Negative()) {
      neg = h * t.EffectiveWeight();
    } else {
      pos = h * t.EffectiveWeight();
      for (std::int64_t p : positions) {
        std::int64_t s = p * S / L;
        if (s >= S) s = S - 1;
        ++(t.Grouped() ? G : H)[static_cast<std::size_t>(s)];
      }
    }
    if (t.Grouped()) {
      grouped.push_back({pos, t.other_sws_needed});
    } else {
      if (pos > 0) ++P;
      pos_sum += pos;
      neg_sum += neg;
    }
  }
  int Q = 0;
  for (const Kept& g : grouped)
    if (g.pos > 0) ++Q;
  const float density = static_cast<float>(P + Q) * (1000.0f / static_cast<float>(W));
  for (const Kept& g : grouped) {
    if (g.pos > 0 && static_cast<float>(g.threshold) <= std::nearbyint(density)) {
      for (int s = 0; s < S; ++s)
        if (G[static_cast<std::size_t>(s)] > 0) ++H[static_cast<std::size_t>(s)];
      pos_sum += g.pos;
      ++P;
    }
  }
  result.words = W;
  result.positive_terms = P;
  if (pos_sum == 0) return result;
  const int C =
      static_cast<int>(std::count_if(H.begin(), H.end(), [](std::int64_t v) { return v > 0; }));
  if (C < std::clamp(M, 0, S)) return result;
  float score = static_cast<float>((pos_sum - neg_sum) * C);
  if (score != 0)
    score = static_cast<float>(static_cast<double>(score) * 100.0 / static_cast<double>(W));
  result.score = score;
  return result;
}

QString RandomWords(QRandomGenerator& rng, const QStringList& vocabulary, int n) {
  static const QStringList gaps{" ", "  ", "\r\n", ", ", "-", " <b>", " < "};
  QString t;
  for (int i = 0; i < n; ++i) {
    t += vocabulary[static_cast<int>(rng.bounded(vocabulary.size()))];
    t += gaps[static_cast<int>(rng.bounded(gaps.size()))];
  }
  return t;
}

}  // namespace

TEST(RelevanceOracle, ScorerAndRunAgreeWithTheDefinition) {
  QRandomGenerator rng(4242);
  const QStringList vocabulary =
      QStringLiteral("alpha Beta gamma delta alphabet Über über x gamma-ray 42 be ta").split(u' ');
  const QStringList term_forms =
      QStringLiteral("alpha|alph*|*ta|beta|über|gamma ray|delta x|be|42").split(u'|');
  const QStringList option_forms = QStringLiteral("|c|n|a|cn").split(u'|');
  for (int round = 0; round < 30; ++round) {
    QStringList lines;
    const int nterms = 1 + static_cast<int>(rng.bounded(6));
    for (int k = 0; k < nterms; ++k) {
      lines << term_forms[static_cast<int>(rng.bounded(term_forms.size()))] + QLatin1Char('\t') +
                   QString::number(rng.bounded(4)) + QLatin1Char('\t') +
                   QString::number(rng.bounded(3) == 0 ? rng.bounded(1, 300) : 0) +
                   QLatin1Char('\t') +
                   option_forms[static_cast<int>(rng.bounded(option_forms.size()))];
    }
    RelevanceFilterList filters;
    filters.LoadFromAStringlist(lines, true);
    ASSERT_EQ(filters.Count(), nterms);
    const RelevanceScorer scorer(filters);
    const int S = 1 + static_cast<int>(rng.bounded(10));
    const int M = static_cast<int>(rng.bounded(-1, 12));

    // Texts on disk, some with markup, one missing; scored one by one as
    // defined, then by the run on one and on three threads.
    TempTree tree;
    QStringList files;
    std::vector<ScoredTextRec> expected;
    std::int64_t expected_words = 0;
    for (int i = 0; i < 25; ++i) {
      const QString text = RandomWords(rng, vocabulary, static_cast<int>(rng.bounded(0, 300)));
      files << tree.WriteText(QStringLiteral("t/%1.txt").arg(i, 2, 10, QLatin1Char('0')), text);
      std::int64_t words = 0;
      const QString markup_free = WithoutMarkup(ReadTextOfFile(files.last()), QLatin1Char('<'),
                                                QLatin1Char('>'), filters.Settings().tag_span);
      expected.push_back(OracleScore(filters, markup_free, S, M, &words));
      expected_words += words;

      RelevanceFilter overall;
      const ScoredTextRec got = scorer.ScoreText(markup_free, S, M, &overall);
      ASSERT_EQ(got.words, expected.back().words);
      EXPECT_EQ(got.positive_terms, expected.back().positive_terms) << markup_free.toStdString();
      EXPECT_EQ(got.score, expected.back().score) << markup_free.toStdString();
    }
    files.insert(7, tree.Path("t/vanished.txt"));
    expected.insert(expected.begin() + 7, ScoredTextRec());

    RelevanceCheckParams params;
    params.min_words = static_cast<int>(rng.bounded(0, 100));
    params.min_score = rng.bounded(3) == 0 ? -1.0 : 0.0;
    params.segments = S;
    params.coverage = M;
    QStringList want;
    for (int i = 0; i < files.size(); ++i) {
      const auto& r = expected[static_cast<std::size_t>(i)];
      if (r.words >= params.min_words && r.score >= params.min_score)
        want << files[i] +
                    QStringLiteral(" %1 %2 %3").arg(r.words).arg(r.positive_terms).arg(r.score);
    }
    for (int threads : {1, 3}) {
      params.threads = threads;
      RelevanceFilter overall;
      RelevanceResults results;
      ScoreRelevanceTexts(files, filters, params, &overall, &results, {});
      QStringList got;
      for (int i = 0; i < results.Count(); ++i) {
        const auto& r = results.GetOne(i);
        got << results.String(i) +
                   QStringLiteral(" %1 %2 %3").arg(r.words).arg(r.positive_terms).arg(r.score);
      }
      std::sort(got.begin(), got.end());
      QStringList sorted_want = want;
      std::sort(sorted_want.begin(), sorted_want.end());
      EXPECT_EQ(got, sorted_want) << "round " << round << ", " << threads << " threads";
      EXPECT_EQ(overall.files_examined, files.size());
      EXPECT_EQ(overall.unfiltered_wordcount_overall, expected_words);

      // Stopped after the 10th text: exactly the first ten are examined.
      StopFlag stop;
      RelevanceCheckCallbacks cb;
      cb.stop = &stop;
      int seen = 0;
      cb.percent = [&](int) {
        if (++seen == 10) stop.Request();
      };
      ScoreRelevanceTexts(files, filters, params, &overall, &results, cb);
      EXPECT_EQ(overall.files_examined, 10);
      for (int i = 0; i < results.Count(); ++i) EXPECT_LT(files.indexOf(results.String(i)), 10);
    }
  }
}

TEST(RelevanceOracle, SegmentsOfTextsBeyondTwoToThe31) {
  // A text of 3 x 2^31 units: a hit at 2^31 + 5 lies in the second third, one
  // in its last unit in the last part, and none falls outside the parts.
  const std::int64_t L = 3 * (std::int64_t(1) << 31);
  EXPECT_EQ(MultiTermMatcher::SegmentOf((std::int64_t(1) << 31) + 5, L, 3), 1);
  EXPECT_EQ(MultiTermMatcher::SegmentOf(L - 1, L, 10), 9);
  EXPECT_EQ(MultiTermMatcher::SegmentOf(L / 2, L, 2), 1);
  EXPECT_EQ(MultiTermMatcher::SegmentOf(L / 2 - 1, L, 2), 0);
  EXPECT_EQ(MultiTermMatcher::SegmentOf(0, L, 10), 0);
}

TEST(RelevanceOracle, MarkupRemovedInPlaceAsByCopy) {
  // The plain removal: copy the text, leaving out each tag that closes within
  // the span.
  auto plain = [](const QString& t, int span) {
    QString out;
    for (qsizetype i = 0; i < t.size(); ++i) {
      if (t[i] == QLatin1Char('<') && span > 0) {
        qsizetype k = i + 1;
        while (k < t.size() && k <= i + span && t[k] != QLatin1Char('>')) ++k;
        if (k < t.size() && k <= i + span) {
          i = k;
          continue;
        }
      }
      out += t[i];
    }
    return out;
  };
  QRandomGenerator rng(9);
  const QString inventory = QStringLiteral("ab <<>> c\u00e9");
  for (int round = 0; round < 300; ++round) {
    QString t;
    for (int n = static_cast<int>(rng.bounded(60)); n > 0; --n)
      t += inventory[static_cast<int>(rng.bounded(inventory.size()))];
    const int span = static_cast<int>(rng.bounded(-1, 8));
    QString in_place = t;
    RemoveMarkupInPlace(in_place, QLatin1Char('<'), QLatin1Char('>'), span);
    EXPECT_EQ(in_place, plain(t, span)) << t.toStdString() << " span " << span;
  }
}
