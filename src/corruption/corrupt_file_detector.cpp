#include "corruption/corrupt_file_detector.h"

#include <sys/stat.h>

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <thread>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/native_names.h"
#include "runtime/ordered_work.h"
#include "runtime/panic.h"
#include "runtime/progress_count.h"
#include "runtime/text_reader.h"

namespace {

bool FileExists(const QString& path) {
  struct stat st;
  return ::stat(NativeFromName(path).constData(), &st) == 0;
}

// Everything one file's test needs, fixed for the whole run.
struct RunSettings {
  bool thorough = false;
  std::int32_t min_digraphs = 10;
  std::int32_t per_mille = 15;
  std::int32_t percent_fail_allowed = 20;
  const DigraphProfile* reference = nullptr;
  QLocale locale;  // made once: the default locale is behind a lock
};

struct FileOutcome {
  bool tested = false;  // false: the file was missing and skipped, or unreadable
  QString unreadable;   // why the file could not be read, when it could not
  FileVerdict verdict;
};

// What one thread keeps from file to file.
struct TestScratch {
  DigraphCounter counter;
  DigraphProfile sample;
};

// Tests one file. progress (may be null) receives the within-file percentage.
FileOutcome TestOneFile(const QString& path, std::int64_t size_on_list, const RunSettings& rs,
                        TestScratch& scratch, const std::function<void(int)>& progress) {
  FileOutcome out;
  DigraphCounter& counter = scratch.counter;
  counter.Reset();
  TextFileInfo info;
  // The expected text length, for within-file progress only.
  const std::int64_t estimate = std::max<std::int64_t>(1, size_on_list);
  std::int64_t length = 0;
  try {
    if (rs.thorough) {
      length = ReadNormalisedText(
          path,
          [&](QStringView piece) {
            counter.Feed(piece);
            if (progress)
              progress(
                  static_cast<int>(std::min<std::int64_t>(100, counter.Length() * 100 / estimate)));
          },
          &info);
    } else {
      length = ReadNormalisedText(
          path, [](QStringView) {}, &info);
    }
  } catch (const FileReadError& e) {
    // A file that is missing (or was deleted before its turn came) is skipped
    // silently; the reader's own error tells, so no file is looked up twice.
    if (FileExists(path)) out.unreadable = e.Reason().isEmpty() ? e.Message() : e.Reason();
    return out;
  }
  out.tested = true;
  const QString size_note = SizeTestNote(info, length, size_on_list);
  if (!size_note.isEmpty()) {
    out.verdict.flagged = true;
    out.verdict.note = size_note;
    return out;
  }
  if (!rs.thorough) return out;

  DigraphProfile& sample = scratch.sample;
  counter.Finish(rs.min_digraphs, sample);
  float ratio = 0.0f;
  if (!sample.keys.empty()) {
    ratio = CompareDigraphProfiles(sample, *rs.reference, rs.per_mille, out.verdict.too_many,
                                   out.verdict.too_few, rs.locale);
  }
  if (static_cast<double>(ratio) > rs.percent_fail_allowed / 100.0) {
    QString note;
    if (!out.verdict.too_many.isEmpty())
      note += QStringLiteral("Too many: ") + out.verdict.too_many;
    if (!out.verdict.too_few.isEmpty()) note += QStringLiteral("Too few: ") + out.verdict.too_few;
    out.verdict.flagged = true;
    out.verdict.note = note;
  }
  return out;
}

}  // namespace

QString SizeTestNote(const TextFileInfo& info, std::int64_t text_length, std::int64_t size) {
  const bool unicode = info.has_bom;
  // A text read as UTF-8 without a mark is measured in UTF-8 bytes, so that
  // accented letters (two bytes, one character) do not count as lost bytes.
  const bool utf8_no_mark = !unicode && info.encoding == TextEncoding::Utf8;
  const std::int64_t measured = utf8_no_mark ? info.utf8_length : text_length;
  const bool size_fails = unicode ? text_length < (size / 2) - 1 : measured < size - 1;
  if (!size_fails) return {};
  return QStringLiteral("File-size %1 but text-length %2").arg(size).arg(measured);
}

float CompareDigraphProfiles(const DigraphProfile& sample, const DigraphProfile& reference,
                             std::int32_t frequency_variation_per_mille, QString& too_many,
                             QString& too_few, const QLocale& locale) {
  const float threshold = static_cast<float>(frequency_variation_per_mille / 1000.0);
  const bool walk_sample = reference.digraphs > sample.digraphs;
  const DigraphProfile& walked = walk_sample ? sample : reference;
  const DigraphProfile& other = walk_sample ? reference : sample;
  const double nw = static_cast<double>(walked.digraphs);
  const double no = static_cast<double>(other.digraphs);
  const QString pattern = QStringLiteral("%3.2f");
  std::int64_t fails = 0;
  // Both lists are in key order, so each lookup resumes where the last ended.
  std::size_t o = 0;
  const std::size_t on = other.keys.size();
  for (std::size_t k = 0; k < walked.keys.size(); ++k) {
    const std::uint32_t key = walked.keys[k];
    const float fw = static_cast<float>(static_cast<double>(walked.counts[k]) / nw);
    while (o < on && other.keys[o] < key) ++o;
    if (o == on || other.keys[o] != key) {
      ++fails;
      too_many += QLatin1Char(' ');
      too_many += DigraphText(key);
      continue;
    }
    const float fo = static_cast<float>(static_cast<double>(other.counts[o]) / no);
    if (std::fabs(static_cast<double>(fw) - static_cast<double>(fo)) >
        static_cast<double>(threshold)) {
      ++fails;
      QString& part = fw > fo ? too_many : too_few;
      part += QLatin1Char('(');
      part += Format(pattern, {fw}, locale);
      part += QStringLiteral(") ");
      part += DigraphText(key);
    }
  }
  return static_cast<float>(static_cast<double>(fails) / static_cast<double>(sample.keys.size()));
}

CorruptFileDetector::CorruptFileDetector() = default;
CorruptFileDetector::~CorruptFileDetector() = default;

void CorruptFileDetector::SetReferenceFiles(const QString& one_full_name_per_line) {
  reference_files.clear();
  for (QString line : one_full_name_per_line.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!line.trimmed().isEmpty()) reference_files << line;
  }
  if (!BuildReference()) ReferenceTextTooShort(one_full_name_per_line, help_context);
}

bool CorruptFileDetector::BuildReference() {
  reference_setup = false;
  ref = DigraphProfile();
  DigraphCounter counter;
  for (const QString& name : reference_files) {
    if (!FileExists(name)) {
      FailedToFind(name, help_context);
      return false;
    }
    try {
      ReadNormalisedText(name, [&](QStringView piece) { counter.Feed(piece); });
    } catch (const FileReadError& e) {
      FailedToRead(DisplayName(name) + QStringLiteral(": ") + e.Reason(), help_context);
      return false;
    }
    counter.EndOfText();
  }
  if (counter.Digraphs() > 0) {
    counter.Finish(min_digraphs, ref);
    reference_setup = true;
  }
  return reference_setup;
}

void CorruptFileDetector::CheckFiles(const FolderFileList& files, bool thorough,
                                     PercentReport percent, PercentReport file_percent,
                                     CountReport count) {
  flagged_files.Clear();
  unreadable_files.clear();
  files_taken = 0;
  on_percent = std::move(percent);
  on_file_percent = std::move(file_percent);
  on_count = std::move(count);
  if (thorough && !reference_setup && !BuildReference()) return;
  processing = true;

  RunSettings rs;
  rs.thorough = thorough;
  rs.min_digraphs = min_digraphs;
  rs.per_mille = digraph_frequency_variation_per_mille;
  rs.percent_fail_allowed = digraph_percent_fail_allowed;
  rs.reference = &ref;

  const int n = files.Count();
  int helpers =
      threads > 0 ? threads - 1 : static_cast<int>(std::thread::hardware_concurrency()) - 1;
  helpers = std::clamp(helpers, 0, 16);
  if (n < 2) helpers = 0;
  ProgressCount counter(on_count);
  TestScratch own;
  OrderedWork<FileOutcome, TestScratch> pool(
      n, helpers,
      [&files, &rs](int i, TestScratch& scratch, const std::function<void(int)>& progress) {
        return TestOneFile(files.GetFullFilename(i), files.GetASimpleSearchRec(i).Size, rs, scratch,
                           progress);
      });
  for (int i = 0; i < n; ++i) {
    if (!processing.load()) {
      pool.Halt();
      break;  // the remaining files are skipped
    }
    if (on_percent) on_percent(static_cast<int>(std::nearbyint(100.0 * i / n)));
    YieldToEvents();
    FileOutcome outcome = pool.Take(i, own, on_file_percent);
    files_taken = i + 1;
    counter.Report(files_taken, n);
    if (!outcome.unreadable.isEmpty())
      unreadable_files.push_back({files.GetFullFilename(i), outcome.unreadable});
    if (!outcome.tested) continue;
    too_many_str = outcome.verdict.too_many;
    too_few_str = outcome.verdict.too_few;
    if (outcome.verdict.flagged) flagged_files.Add(files.GetFullFilename(i), outcome.verdict.note);
  }
  if (processing.load()) {
    if (on_percent) on_percent(100);
    if (on_file_percent) on_file_percent(100);
  }
  processing = false;
}
