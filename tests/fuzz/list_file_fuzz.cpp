// The sample list file on arbitrary bytes: reading its lines, taking the
// path part of each entry and drawing a sample of the lines.
//
// Input: one control byte (sample size and preference), then the list
// file's bytes.

#include <QString>

#include "fuzz_targets.h"
#include "runtime/error.h"
#include "sampling/random_sample.h"
#include "sampling/sampler.h"
#include "sampling/zipped_text_set.h"

int FuzzListFile(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int64_t sample_size = data[0] >> 2;
  const auto preference = static_cast<SampleSpread>(data[0] & 3);
  const QString path = WriteFuzzScratchFile(QStringLiteral("list.txt"),
                                            reinterpret_cast<const char*>(data) + 1, size - 1);

  QStringList lines;
  try {
    lines = ReadListFileLines(path);
  } catch (const FileReadError&) {
    FuzzCheck(false, "a readable list file was refused");
  }
  for (const QString& line : lines) {
    FuzzCheck(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')),
              "line break in a line");
    const QString entry = CleanSamplePath(line);
    FuzzCheck(!entry.contains(QLatin1Char('\t')), "tab field kept in the path");
  }

  const std::int64_t n = lines.size();
  const SampleRegion region = RegionOfPreference(n, preference);
  const std::vector<std::int64_t> drawn = RandomSampleIndices(n, sample_size, preference, size);
  FuzzCheck(
      static_cast<std::int64_t>(drawn.size()) <= std::min(sample_size, region.end - region.begin),
      "more lines drawn than asked or available");
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    FuzzCheck(drawn[i] >= region.begin && drawn[i] < region.end, "line drawn outside its region");
    FuzzCheck(i == 0 || drawn[i - 1] < drawn[i], "lines not in source order or drawn twice");
  }
  return 0;
}
