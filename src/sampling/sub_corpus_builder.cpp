#include "sampling/sub_corpus_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSysInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "runtime/error.h"
#include "runtime/file_list.h"
#include "runtime/format.h"
#include "runtime/interrupt_cleanup.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"
#include "runtime/text_reader.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kRunEndedThere = QStringLiteral(
    " (the run ended there: no sub-corpus file was written, and the files of earlier runs are "
    "unchanged)");

QString WithoutTrailingDelimiters(QString path) {
  while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
    path.chop(1);
  return path;
}

QDateTime AtNoon(const QDate& d) { return QDateTime(d, QTime(12, 0), Qt::LocalTime); }

QString StartTag(int n) {
  return Format(QStringLiteral("<START OF TEXT %d"), {n}) + QStringLiteral(" ****>");
}
QString EndTag(int n) {
  return Format(QStringLiteral("<END OF TEXT %d"), {n}) + QStringLiteral(" ****>");
}

// Writes the pieces of one text block as UTF-16 little-endian, replacing the
// file (with a byte-order mark) or appending to it (without one), then stamps
// the file's date. The pieces go out one after another, so a long text is
// never copied into a block first. When the output folder has gone missing
// meanwhile, it is made again.
void WriteUtf16(const QString& path, std::initializer_list<QStringView> pieces, bool append,
                const QDateTime& stamp) {
  QFile f;
  const QIODevice::OpenMode mode = append ? (QIODevice::WriteOnly | QIODevice::Append)
                                          : (QIODevice::WriteOnly | QIODevice::Truncate);
  QString error;
  if (!OpenNativeFile(f, path, mode, &error)) {
    MakeFolders(QFileInfo(path).absolutePath());
    if (!OpenNativeFile(f, path, mode, &error))
      throw SorvelError(QStringLiteral("Cannot write \"%1\": %2").arg(DisplayName(path), error));
  }
  bool ok = true;
  if (!append) ok = f.write("\xFF\xFE", 2) == 2;
  for (QStringView piece : pieces) {
    if (!ok) break;
    const qint64 bytes = piece.size() * 2;
    if (bytes == 0) continue;
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
      ok = f.write(reinterpret_cast<const char*>(piece.utf16()), bytes) == bytes;
    } else {
      QByteArray le(bytes, Qt::Uninitialized);
      qToLittleEndian<char16_t>(piece.utf16(), piece.size(), le.data());
      ok = f.write(le) == bytes;
    }
  }
  // The file's date is set while it is open, after the last write, so that
  // closing it cannot change it again.
  ok = ok && f.flush();
  if (!ok)
    throw SorvelError(
        QStringLiteral("Cannot write \"%1\": %2").arg(DisplayName(path), f.errorString()));
  f.setFileTime(stamp, QFileDevice::FileModificationTime);
  f.close();
}

}  // namespace

QStringList FoldersFromSameHead(const QString& source_text) {
  QStringList parts;
  for (const QString& p : source_text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString t = WithoutTrailingDelimiters(p.trimmed());
    if (!t.isEmpty()) parts << t;
  }
  QStringList out;
  auto add = [&out](const QString& folder) {
    for (const QString& o : out)
      if (Compare2Strings(o, folder) == 0) return;
    out << folder;
  };
  if (parts.size() == 1) {
    add(parts.first());
    return out;
  }
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QString& p = parts.at(i);
    add(QDir::isAbsolutePath(p) ? p : QDir::cleanPath(parts.first() + QLatin1Char('/') + p));
  }
  return out;
}

QDate MatchingWednesday(const QDate& date) {
  const int occurrence = (date.day() - 1) / 7 + 1;
  const QDate first(date.year(), date.month(), 1);
  const int to_wednesday = (3 - first.dayOfWeek() + 7) % 7;  // Qt: Monday 1 ... Wednesday 3
  const QDate wednesday = first.addDays(to_wednesday + 7 * (occurrence - 1));
  if (wednesday.month() != date.month()) return date;
  return wednesday;
}

std::optional<SubCorpusPeriod> SubCorpusPeriodOf(int time_line_base, const QDateTime& date) {
  const QDate d = date.date();
  const int y = d.year();
  switch (time_line_base) {
    case tlbDecade: {
      const int first = (y / 10) * 10;
      return SubCorpusPeriod{Format(QStringLiteral("%.4d-%.4d"), {first, first + 9}),
                             AtNoon(QDate(first + 5, 6, 15))};
    }
    case tlbYear:
      return SubCorpusPeriod{Format(QStringLiteral("%.4d"), {y}), AtNoon(QDate(y, 6, 15))};
    case tlbMonth:
      return SubCorpusPeriod{Format(QStringLiteral("%.4d_%.2d"), {y, d.month()}),
                             AtNoon(QDate(y, d.month(), 15))};
    case tlbWeek:
      return SubCorpusPeriod{Format(QStringLiteral("%.4d_Week_%.2d"), {y, d.dayOfYear() / 7}),
                             AtNoon(MatchingWednesday(d))};
    case tlbDay:
      return SubCorpusPeriod{Format(QStringLiteral("%.4d_%.2d_%.2d"), {y, d.month(), d.day()}),
                             AtNoon(d)};
    case tlbHour: {
      const int h = date.time().hour();
      return SubCorpusPeriod{
          Format(QStringLiteral("%.4d_%.2d_%.2d_%.2d"), {y, d.month(), d.day(), h}),
          QDateTime(d, QTime(h, 0), Qt::LocalTime)};
    }
    default:
      return std::nullopt;
  }
}

QString SubCorpusOutputFolder(const QString& results_folder, int time_line_base) {
  QString out = results_folder;
  if (!out.endsWith(QLatin1Char('/'))) out += QLatin1Char('/');
  return out + TimeLinePlotbaseStr(time_line_base);
}

bool IsCustomTimeLineBase(int time_line_base) {
  return time_line_base == tlbCustom || time_line_base == tlbUserDefined;
}

QString SubCorpusRunSummary(const SubCorpusOutcome& outcome, bool failed) {
  if (failed)
    return CheckedSummary(outcome.texts_read,
                          QStringLiteral("the run failed, and no sub-corpus file was written"));
  if (!outcome.finished) return StoppedSummary(outcome.texts_read, outcome.texts_found);
  return CheckedSummary(outcome.texts_found,
                        CountOf(outcome.files_saved, QStringLiteral("sub-corpus file"),
                                QStringLiteral("sub-corpus files")) +
                            QStringLiteral(" written"));
}

QString SubCorpusPartialPrefix() { return QStringLiteral(".sorvel-partial."); }

namespace {

// The sub-corpus files of one run: each is written under a temporary name in
// the output folder, and all are renamed into place together at the end.
class SubCorpusFiles {
 public:
  SubCorpusFiles(const QString& output_folder, int base)
      : output_folder_(output_folder),
        base_(base),
        first_tag_(Format(QStringLiteral("< amalgamation by %s "), {TimeLinePlotbaseStr(base)}) +
                   QLatin1Char('>')),
        further_tag_(Format(QStringLiteral("< amalgamation: %s "), {TimeLinePlotbaseStr(base)}) +
                     QLatin1Char('>')) {}

  int Count() const { return static_cast<int>(files_.size()); }

  // Appends a text to the file of its period, starting that file with the
  // first text. A text with no period, or an empty one, is left out.
  void AddText(const QString& path, double day_number) {
    YieldToEvents();
    const auto period = SubCorpusPeriodOf(base_, DayNumberToDateTime(day_number));
    if (!period) return;
    const QString text = ReadTextOfFile(path);
    if (text.isEmpty()) return;
    // The path tag becomes the second line of a text of two lines or more.
    const qsizetype first_break = text.indexOf(kCrLf);
    const qsizetype split =
        (first_break >= 0 && first_break + 2 < text.size()) ? first_break + 2 : text.size();
    const QString path_tag = split < text.size() ? QStringLiteral("<separate filename = ") +
                                                       DisplayName(path) + QLatin1Char('>') + kCrLf
                                                 : QString();
    const QStringView head = QStringView(text).left(split);
    const QStringView rest = QStringView(text).mid(split);

    const QString file_name = period->name + QStringLiteral(".txt");
    const QString target = output_folder_ + QLatin1Char('/') + file_name;
    const QString key = target.toLower();
    auto it = files_.find(key);
    if (it == files_.end()) {
      const QString temporary =
          output_folder_ + QLatin1Char('/') + SubCorpusPartialPrefix() + file_name;
      it = files_.insert(key, Pending{target, temporary, 1});
      const QString start = StartTag(1) + kCrLf;
      const QString end = EndTag(1) + kCrLf + first_tag_ + kCrLf + EndTag(1) + kCrLf;
      WriteUtf16(it->temporary, {start, head, path_tag, rest, end}, false, period->stamp);
    } else {
      const int n = ++it->texts;
      const QString start = kCrLf + kCrLf + kCrLf + StartTag(n) + kCrLf;
      const QString end = kCrLf + further_tag_ + kCrLf + EndTag(n) + kCrLf;
      WriteUtf16(it->temporary, {start, head, path_tag, rest, end}, true, period->stamp);
    }
  }

  // Removes the temporary files.
  void Discard() {
    for (const Pending& p : files_) RemoveFile(p.temporary);
  }

  // All or nothing: the finished files replace the earlier ones together.
  // Lists each file put in place in *written; a rename that fails removes
  // the temporary files and throws.
  void PutInPlace(std::vector<SubCorpusOutcome::WrittenFile>* written) {
    const InterruptsHeldBack hold;
    for (auto it = files_.cbegin(); it != files_.cend(); ++it) {
      const QByteArray from = NativeFromName(it->temporary);
      const QByteArray to = NativeFromName(it->target);
      if (::rename(from.constData(), to.constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        Discard();
        throw SorvelError(
            QStringLiteral("Failed to rename %1 as %2: %3 (%4 of %5 sub-corpus files were written)")
                .arg(it->temporary, it->target, why)
                .arg(written->size())
                .arg(Count()));
      }
      written->push_back({it->target, it->texts});
    }
    std::sort(written->begin(), written->end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
  }

 private:
  // A file of this run: its final and temporary name, and the number of
  // texts written so far.
  struct Pending {
    QString target;
    QString temporary;
    int texts = 0;
  };
  QString output_folder_;
  int base_;
  QString first_tag_;
  QString further_tag_;
  QHash<QString, Pending> files_;  // by lower-cased final path
};

// Finds the files of one source folder (with its sub-folders, from no
// folder exclusion), in name order, and notes what the walk could not see.
void FindFolderTexts(FileWalker& iterator, const QString& folder, const QString& file_mask,
                     const SubCorpusProgress& progress, SubCorpusOutcome& result) {
  iterator.HeadDir = folder;
  iterator.FileMask = file_mask;
  iterator.IncludeSubFolders = true;
  iterator.SetExcludedDirs({});
  iterator.OnProcessingAFolder = nullptr;
  iterator.OnProcessingAFile = nullptr;
  iterator.OnFilesProgress = progress.percent;
  if (progress.status) progress.status(DisplayName(folder));
  iterator.IterateFindingFiles();
  iterator.BuildDetailedList(FileSortOrder::ByName);
  iterator.OnFilesProgress = nullptr;
  result.walk_problems << iterator.Problems();
  const std::vector<FileProblem> walk = iterator.FileProblems();
  result.walk_file_problems.insert(result.walk_file_problems.end(), walk.begin(), walk.end());
}

}  // namespace

int BuildSubCorpora(FileWalker& iterator, const SubCorpusRequest& request,
                    const SubCorpusProgress& progress, StopFlag* stop, SubCorpusOutcome* outcome) {
  SubCorpusOutcome local_outcome;
  SubCorpusOutcome& result = outcome ? *outcome : local_outcome;
  result = SubCorpusOutcome();
  const int base = request.time_line_base;
  if (IsCustomTimeLineBase(base)) throw SorvelError(LX("LXCustom"));
  const QString output_folder = SubCorpusOutputFolder(request.results_folder, base);
  const QString output_prefix =
      QDir::cleanPath(QDir(output_folder).absolutePath()) + QLatin1Char('/');
  if (!MakeFolders(output_folder))
    throw SorvelError(QStringLiteral("Cannot create the folder \"%1\"").arg(output_folder));
  const QString partial_prefix = SubCorpusPartialPrefix();
  RemovePartialOutput(output_folder, partial_prefix);  // left by a run that was killed
  const PartialOutputScope on_interrupt(output_folder, partial_prefix);
  SubCorpusFiles files(output_folder, base);

  global_panic_state.store(0);
  if (stop) stop->Reset();
  bool stopped = false;
  long long done_before = 0;  // texts of the folders searched before this one
  try {
    for (const QString& folder : FoldersFromSameHead(request.source_text)) {
      FindFolderTexts(iterator, folder, request.file_mask, progress, result);
      if (!MakeFolders(output_folder))
        throw SorvelError(
            QStringLiteral("Cannot create the folder \"%1\"").arg(DisplayName(output_folder)));
      const FolderFileList& found = iterator.FilesFound();
      const int total = found.Count();
      result.texts_found += total;
      for (int j = 0; j < total; ++j) {
        if (global_panic_state.load() > 0 || (stop && stop->Requested())) {
          stopped = true;
          break;
        }
        if (j % 100 == 0) {
          if (progress.count) progress.count(done_before + j, done_before + total);
          if (progress.percent)
            progress.percent(static_cast<int>(static_cast<long long>(j) * 100 / total));
          if (progress.status)
            progress.status(Format(LX("LXNManyOutOfN"),
                                   {static_cast<double>(j + 1), static_cast<double>(total)}));
        }
        const QString path = found.GetFullFilename(j);
        // Sub-corpus files of an earlier run, when the results folder lies in
        // the corpus, are not texts of the corpus: regrouping them again would
        // nest old sub-corpora inside the new ones.
        if (path.startsWith(output_prefix, Qt::CaseInsensitive)) {
          --result.texts_found;
          continue;
        }
        files.AddText(path, found.GetASimpleSearchRec(j).Time);
        ++result.texts_read;
      }
      iterator.Clear();
      if (stopped) break;
      done_before += total;
      if (progress.count) progress.count(done_before, done_before);
    }
  } catch (const FileReadError& e) {
    // Kept a read error, so that the caller can name the file it met.
    files.Discard();
    throw FileReadError(e.Path(), e.Reason() + kRunEndedThere);
  } catch (const SorvelError& e) {
    files.Discard();
    throw SorvelError(e.Message() + kRunEndedThere);
  }
  if (stopped) {
    files.Discard();
    result.unfinished = QStringLiteral(
                            "Stopped after %1 texts: the %2 sub-corpus files of this run were not "
                            "written, and the files of earlier runs are unchanged")
                            .arg(result.texts_read)
                            .arg(files.Count());
    if (progress.status) progress.status(result.unfinished);
    return 0;
  }
  files.PutInPlace(&result.written);
  result.files_saved = static_cast<int>(result.written.size());
  result.finished = true;
  const int saved = result.files_saved;
  if (progress.status) progress.status(Format(LX("LXNFilesSaved"), {static_cast<double>(saved)}));
  return saved;
}
