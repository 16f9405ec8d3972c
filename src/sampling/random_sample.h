#pragma once
// Drawing a random sample of lines from a list.
//
// The list is seen in its own order and cut into quarters. A quarter holds
// q = ceil(n / 4) lines (at least one line of a non-empty list), so that even
// a list of one to three lines has a region to draw from:
//   top quarter     lines [0, q)
//   middle quarter  lines [(n - q) / 2, (n - q) / 2 + q)   (centred on the list)
//   bottom quarter  lines [n - q, n)
//   anywhere        lines [0, n)
// The quarters overlap by a line or two when n is not a multiple of 4.
//
// Every line of the region has the same chance of being drawn, no line is
// drawn twice, and at most "sample size" lines are drawn; a sample size at
// least as large as the region takes the whole region. The sample comes in
// the source's own order (not in the order of drawing), so that a sample from
// a sorted file list is itself sorted.

#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// Ordered as the "preference" radio items: top, middle, bottom, anywhere.
enum SampleSpread : int {
  spTopQuarter = 0,
  spMiddleQuarter = 1,
  spBottomQuarter = 2,
  spAnywhere = 3,
};

// The preference for a radio item index; a negative or unknown index
// (nothing chosen) is "anywhere".
SampleSpread SamplePreferenceFromIndex(int item_index);

struct SampleRegion {
  std::int64_t begin = 0;
  std::int64_t end = 0;  // one past the last line
};
SampleRegion RegionOfPreference(std::int64_t n, SampleSpread preference);

// A seed from the system's entropy source, for runs that need not repeat.
std::uint64_t FreshSampleSeed();

// Indices (ascending) of the lines drawn from a list of n lines. The same
// seed gives the same indices.
std::vector<std::int64_t> RandomSampleIndices(std::int64_t n, std::int64_t sample_size,
                                              SampleSpread preference, std::uint64_t seed);

// Replaces the contents of b with a sample of a. Without a seed a fresh one
// is used.
void DrawRandomSample(const QStringList& a, QStringList& b, std::int64_t sample_size,
                      SampleSpread preference, std::optional<std::uint64_t> seed = std::nullopt);
