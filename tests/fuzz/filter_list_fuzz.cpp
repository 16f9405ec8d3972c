// The filter-strings file on arbitrary bytes: reading and checking its lines,
// compiling the terms and scoring a text with them. Input: one control byte
// (segments and coverage of the scoring), then the filter file's bytes.

#include <QString>
#include <cmath>

#include "fuzz_targets.h"
#include "relevance/file_filtering.h"

int FuzzFilterList(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int segments = 1 + data[0] % 10;
  const int coverage = (data[0] >> 4) % (segments + 1);
  RelevanceFilterList filters;
  const bool loaded = filters.LoadFromFile(WriteFuzzScratchFile(
      QStringLiteral("filters.txt"), reinterpret_cast<const char*>(data) + 1, size - 1));
  FuzzCheck(loaded == filters.Problems().isEmpty(), "load result disagrees with its problems");
  for (const SearchTerm& rec : filters.Terms())
    FuzzCheck(!rec.typed_in.trimmed().isEmpty(), "blank term accepted");

  // Markup, wildcard-like words and several segments' worth of words, so
  // that most terms the fuzzer invents can hit something.
  RelevanceFilter overall;
  const ScoredTextRec result = RelevanceScorer(filters).ScoreText(
      QStringLiteral("<p>The economy and the economist</p> met a trade deal; trade-offs, don't, "
                     "well-known <b>terms</b> * ? \t tabs\r\nNew line. Économie, ÉCONOMIE, 経済, "
                     "a < b > c, numbers 123 4.5, the end of the text the end.\r\n"),
      segments, coverage, &overall);
  FuzzCheck(result.words >= 0 && result.positive_terms >= 0, "negative counts");
  FuzzCheck(result.positive_terms <= filters.Count(), "more terms found than listed");
  FuzzCheck(std::isfinite(result.score), "score not finite");
  return 0;
}
