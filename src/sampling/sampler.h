#pragma once
// The corpus sampler: builds the source list (the files of a folder or the
// lines of a list file), draws the sample and hands it back. Runs without any
// window; the page and the command-line tool read their controls or flags and
// call these functions.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

#include "runtime/file_walker.h"
#include "sampling/random_sample.h"

constexpr int kSamplerHelpContext = 6060;

// The folder names a search of this source folder leaves out. A corpus keeps
// its filter files in sub-folders named FILTERS, which are not texts of the
// corpus; only when the source itself lies inside such a folder (its path
// holds a folder delimiter followed by "FILTERS") are they searched.
QStringList ExcludedFoldersForSampleSource(const QString& source_folder);

struct SampleProgress {
  std::function<void(int percent)> percent;
  std::function<void(const QString& status)> status;
};

// Every file under folder (sub-folders included, FILTERS rule above, file
// mask applied), in name order, and a sample of them. The iterator is the
// shared corpus iterator; it starts from no folder exclusion of an earlier
// search and keeps its found-file list afterwards. Only the drawn entries
// become path strings, so a folder of a million files costs little more than
// the walk itself.
QStringList RandomSampleFromFolder(FileWalker& iterator, const QString& folder,
                                   const QString& file_mask, std::int64_t sample_size,
                                   SampleSpread preference,
                                   std::optional<std::uint64_t> seed = std::nullopt,
                                   const SampleProgress& progress = {});

// The lines of a list file, one entry per line, blank lines kept. The
// byte-order mark selects the encoding, else the suite's ANSI code page.
// Throws FileReadError when the file cannot be read.
QStringList ReadListFileLines(const QString& path);

// The list variant: asks through the dialog interface whether to reduce the
// list to the sample size. On Yes the sample is drawn; on any other answer
// the sample is the whole list, in file order, unchanged. The question is
// asked whatever the length of the list.
QStringList RandomSampleFromList(const QStringList& lines, std::int64_t sample_size,
                                 SampleSpread preference,
                                 std::optional<std::uint64_t> seed = std::nullopt,
                                 int help_context = kSamplerHelpContext);

// What a sampling run looked at and what it kept, for its closing line.
struct SampleRunCount {
  long long source = 0;  // files found in the folder, or lines of the list
  long long drawn = 0;   // entries of the new sample
  bool from_list = false;
  bool stopped = false;  // the folder walk was stopped: no sample was drawn
};
// "Checked 8 files: 5 files in the sample", "Checked 3 lines: 3 entries in the
// sample", or "Stopped after 9,130 files". The page and the command line end
// a run with it.
QString SampleRunSummary(const SampleRunCount& count);
