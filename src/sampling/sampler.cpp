#include "sampling/sampler.h"

#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"
#include "runtime/text_reader.h"

QStringList ExcludedFoldersForSampleSource(const QString& source_folder) {
  // Case-sensitive on purpose: the convention is the upper-case folder name.
  if (source_folder.contains(QLatin1String("\\FILTERS")) ||
      source_folder.contains(QLatin1String("/FILTERS")))
    return {};
  return {QStringLiteral("FILTERS")};
}

QStringList RandomSampleFromFolder(FileWalker& iterator, const QString& folder,
                                   const QString& file_mask, std::int64_t sample_size,
                                   SampleSpread preference, std::optional<std::uint64_t> seed,
                                   const SampleProgress& progress) {
  iterator.HeadDir = folder;
  iterator.IncludeSubFolders = true;
  iterator.FileMask = file_mask;
  iterator.ReadDetails = false;  // a sample needs the names only
  iterator.SetExcludedDirs(ExcludedFoldersForSampleSource(folder));
  iterator.OnFilesProgress = progress.percent;
  iterator.OnProcessingAFolder = nullptr;
  iterator.OnProcessingAFile = nullptr;
  if (progress.status) progress.status(DisplayName(folder));
  iterator.IterateFindingFiles();
  iterator.BuildDetailedList(FileSortOrder::ByName);
  iterator.OnFilesProgress = nullptr;

  const FolderFileList& found = iterator.FilesFound();
  const auto idx =
      RandomSampleIndices(found.Count(), sample_size, preference, seed ? *seed : FreshSampleSeed());
  QStringList sample;
  sample.reserve(static_cast<qsizetype>(idx.size()));
  for (std::int64_t i : idx) sample << found.GetFullFilename(static_cast<int>(i));
  return sample;
}

QStringList ReadListFileLines(const QString& path) {
  const QString text = ReadTextOfFile(path);
  // The reader ends every line, the last one included, with CR LF.
  QStringList lines = text.split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QStringList RandomSampleFromList(const QStringList& lines, std::int64_t sample_size,
                                 SampleSpread preference, std::optional<std::uint64_t> seed,
                                 int help_context) {
  const int answer =
      DoYouWantToDoX(Format(LX("LXReduceToN"), {static_cast<double>(sample_size)}), help_context);
  if (answer != mrYes) return lines;
  QStringList sample;
  DrawRandomSample(lines, sample, sample_size, preference, seed);
  return sample;
}

QString SampleRunSummary(const SampleRunCount& count) {
  if (count.stopped) return StoppedSummary(count.source, -1);
  if (count.from_list)
    return CheckedSummary(count.source,
                          CountOf(count.drawn, QStringLiteral("entry"), QStringLiteral("entries")) +
                              QStringLiteral(" in the sample"),
                          QStringLiteral("line"), QStringLiteral("lines"));
  return CheckedSummary(count.source, CountOf(count.drawn) + QStringLiteral(" in the sample"));
}
