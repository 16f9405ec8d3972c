// The sample list file on arbitrary bytes: reading its lines, taking the path
// part of each entry and drawing a sample of the lines. Input: one control
// byte (sample size and preference), then the list file's bytes. A readable
// list file that is refused throws, which fails the input as well.

#include <QString>

#include "fuzz_targets.h"
#include "sampling/random_sample.h"
#include "sampling/sampler.h"
#include "sampling/zipped_text_set.h"

int FuzzListFile(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int64_t sample_size = data[0] >> 2;
  const auto preference = static_cast<SampleSpread>(data[0] & 3);
  const QStringList lines = ReadListFileLines(WriteFuzzScratchFile(
      QStringLiteral("list.txt"), reinterpret_cast<const char*>(data) + 1, size - 1));
  for (const QString& line : lines) {
    FuzzCheck(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')),
              "line break in a line");
    FuzzCheck(!CleanSamplePath(line).contains(QLatin1Char('\t')), "tab field kept in the path");
  }
  const SampleRegion region = RegionOfPreference(lines.size(), preference);
  const std::vector<std::int64_t> drawn =
      RandomSampleIndices(lines.size(), sample_size, preference, size);
  FuzzCheck(
      static_cast<std::int64_t>(drawn.size()) <= std::min(sample_size, region.end - region.begin),
      "more lines drawn than asked or available");
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    FuzzCheck(drawn[i] >= region.begin && drawn[i] < region.end, "line drawn outside its region");
    FuzzCheck(i == 0 || drawn[i - 1] < drawn[i], "lines not in source order or drawn twice");
  }
  return 0;
}
