#include "sampling/random_sample.h"

#include <algorithm>
#include <random>
#include <unordered_set>

SampleSpread SamplePreferenceFromIndex(int item_index) {
  switch (item_index) {
    case 0:
      return spTopQuarter;
    case 1:
      return spMiddleQuarter;
    case 2:
      return spBottomQuarter;
    default:
      return spAnywhere;
  }
}

SampleRegion RegionOfPreference(std::int64_t n, SampleSpread preference) {
  if (n <= 0) return {};
  const std::int64_t q = (n + 3) / 4;
  switch (preference) {
    case spTopQuarter:
      return {0, q};
    case spMiddleQuarter: {
      const std::int64_t b = (n - q) / 2;
      return {b, b + q};
    }
    case spBottomQuarter:
      return {n - q, n};
    case spAnywhere:
      break;
  }
  return {0, n};
}

std::uint64_t FreshSampleSeed() {
  std::random_device rd;
  return (static_cast<std::uint64_t>(rd()) << 32) ^ static_cast<std::uint64_t>(rd());
}

std::vector<std::int64_t> RandomSampleIndices(std::int64_t n, std::int64_t sample_size,
                                              SampleSpread preference, std::uint64_t seed) {
  const SampleRegion r = RegionOfPreference(n, preference);
  const std::int64_t len = r.end - r.begin;
  std::vector<std::int64_t> out;
  if (sample_size <= 0 || len <= 0) return out;
  if (sample_size >= len) {
    out.resize(static_cast<std::size_t>(len));
    for (std::int64_t i = 0; i < len; ++i) out[static_cast<std::size_t>(i)] = r.begin + i;
    return out;
  }
  // Neighbouring seeds (1, 2, 3 ...) must not give related draws: spread the
  // seed's bits over the generator's whole state.
  std::seed_seq seq{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
  std::mt19937_64 gen(seq);
  out.reserve(static_cast<std::size_t>(sample_size));
  if (sample_size * 8 < len) {
    // Few lines from a long region: Floyd's method draws k distinct offsets
    // with k random numbers and a set of k, whatever the region's length.
    std::unordered_set<std::int64_t> chosen;
    chosen.reserve(static_cast<std::size_t>(sample_size) * 2);
    for (std::int64_t j = len - sample_size; j < len; ++j) {
      std::uniform_int_distribution<std::int64_t> d(0, j);
      const std::int64_t t = d(gen);
      if (!chosen.insert(t).second) chosen.insert(j);
    }
    for (std::int64_t t : chosen) out.push_back(r.begin + t);
    std::sort(out.begin(), out.end());
  } else {
    // A large share of the region: one pass of selection sampling, which
    // yields the offsets already in order.
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::int64_t needed = sample_size;
    for (std::int64_t i = 0; i < len && needed > 0; ++i) {
      const std::int64_t left = len - i;
      if (u(gen) * static_cast<double>(left) < static_cast<double>(needed)) {
        out.push_back(r.begin + i);
        --needed;
      }
    }
  }
  return out;
}

void DrawRandomSample(const QStringList& a, QStringList& b, std::int64_t sample_size,
                      SampleSpread preference, std::optional<std::uint64_t> seed) {
  const std::vector<std::int64_t> idx =
      RandomSampleIndices(a.size(), sample_size, preference, seed ? *seed : FreshSampleSeed());
  QStringList result;
  result.reserve(static_cast<qsizetype>(idx.size()));
  for (std::int64_t i : idx) result << a.at(static_cast<qsizetype>(i));
  b = std::move(result);
}
