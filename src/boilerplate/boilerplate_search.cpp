#include "boilerplate/boilerplate_search.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <set>

#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/panic.h"
#include "runtime/progress_count.h"
#include "runtime/run_summary.h"

QString WithoutTrailingSeparator(const QString& folder) {
  QString f = QDir::fromNativeSeparators(folder);
  while (f.size() > 1 && f.endsWith(QLatin1Char('/'))) f.chop(1);
  return f;
}

bool ResolveFolderOrFile(const QString& text, QString* head_folder, QString* file_name) {
  if (text.trimmed().isEmpty()) return false;
  const QFileInfo fi(text);  // for the path's parts only: the system is asked by the path's bytes
  const NativeFileStatus status = StatPath(text);
  if (status.is_folder) {
    *head_folder = WithoutTrailingSeparator(fi.absoluteFilePath());
    file_name->clear();
    return true;
  }
  if (status.is_file) {
    *head_folder = WithoutTrailingSeparator(fi.absolutePath());
    *file_name = fi.fileName();
    return true;
  }
  return false;
}

BoilerplateOutcome RunBoilerplateSearch(RepeatedChunks& engine, FileWalker& iterator,
                                        const BoilerplateSearch& search,
                                        const BoilerplateCallbacks& callbacks) {
  BoilerplateOutcome outcome;
  engine.Clear();
  engine.SetSettings(search.include_unterminated, search.tag_span, search.min_hits,
                     search.min_length, callbacks.progress_in_file, callbacks.progress_overall,
                     callbacks.count_reporter);

  iterator.HeadDir = search.head_folder;
  // Copies made by the relevance filter sit in folders of this name; they
  // would count every sentence of the filtered texts twice.
  iterator.SetExcludedDirs({LX("LXFiltered")});
  iterator.FileMask = search.file_mask;
  iterator.IncludeSubFolders = search.include_subfolders;
  iterator.ReadDetails = false;  // texts are read whole; their sizes and dates play no part
  iterator.OnFilesProgress = [&](int p) {
    if (callbacks.progress_overall) callbacks.progress_overall(p);
  };
  const int found = iterator.IterateFindingFiles();
  iterator.BuildDetailedList(FileSortOrder::ByName);

  const FolderFileList& files = iterator.FilesFound();
  std::set<int> folders_with_files;
  for (int i = 0; i < files.Count(); ++i)
    folders_with_files.insert(files.GetASimpleSearchRec(i).FolderNumber);
  const int folder_count = static_cast<int>(folders_with_files.size());
  int folder_number = 0;
  const bool walk_stopped = iterator.Stopped();

  // The files are read several at a time but counted in list order, so the
  // folder events come in the order of the walk.
  QStringList names;
  names.reserve(files.Count());
  for (int i = 0; i < files.Count(); ++i) names << files.GetFullFilename(i);
  int last_folder = -1;
  ProgressCount counter(callbacks.count);
  auto before_file = [&](int i) {
    YieldToEvents();
    if (iterator.Stopped()) {
      engine.Stop();
      return;
    }
    const int folder = files.GetASimpleSearchRec(i).FolderNumber;
    if (folder != last_folder) {
      last_folder = folder;
      ++folder_number;
      if (callbacks.on_folder)
        callbacks.on_folder(WithoutTrailingSeparator(files.GetFolder(folder)), folder_number,
                            folder_count);
    }
    // A stop asked for just now leaves this file unread.
    if (iterator.Stopped() || engine.Stopped()) return;
    outcome.read = i + 1;
    counter.Report(outcome.read, files.Count());
  };
  if (!walk_stopped && !engine.Stopped()) engine.AddTextFiles(names, before_file);
  iterator.OnFilesProgress = nullptr;

  engine.SortDescendingFreq();
  outcome.files = found;
  outcome.stopped = walk_stopped || iterator.Stopped() || engine.Stopped();
  if (!outcome.stopped) outcome.read = found;
  return outcome;
}

QString BoilerplateSummary(const BoilerplateSearch& search, const BoilerplateOutcome& outcome,
                           int chunks) {
  if (outcome.files == 0 && !outcome.stopped) {
    const bool all = search.file_mask.isEmpty() || search.file_mask == QLatin1String("*.*") ||
                     search.file_mask == QLatin1String("*");
    return CheckedSummary(
        0, all ? QStringLiteral("the folder holds no files")
               : QStringLiteral("the folder holds no files matching ") + search.file_mask);
  }
  const QString found =
      CountOf(chunks, QStringLiteral("repeated chunk"), QStringLiteral("repeated chunks"));
  if (outcome.stopped)
    return StoppedSummary(outcome.read, outcome.files) + QStringLiteral(": ") + found;
  return CheckedSummary(outcome.files, found);
}
