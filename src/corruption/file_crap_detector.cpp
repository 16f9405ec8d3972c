#include "corruption/file_crap_detector.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <sys/stat.h>
#include <thread>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/panic.h"
#include "runtime/text_reader.h"

namespace {

bool FileExists(const QString& path) {
  struct stat st;
  return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

// Everything one file's test needs, fixed for the whole run.
struct RunSettings {
  bool thorough = false;
  std::int32_t min_digraphs = 10;
  std::int32_t per_mille = 15;
  std::int32_t percent_fail_allowed = 20;
  const sample_array* reference = nullptr;
};

struct FileOutcome {
  bool tested = false;  // false: the file was missing and skipped
  CrapVerdict verdict;
};

// Tests one file. progress (may be null) receives the within-file percentage.
FileOutcome TestOneFile(const QString& path, std::int64_t size_on_list, const RunSettings& rs,
                        DigraphCounter& counter, const std::function<void(int)>& progress) {
  FileOutcome out;
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
            if (progress) progress(static_cast<int>(std::min<std::int64_t>(100, counter.Length() * 100 / estimate)));
          },
          &info);
    } else {
      length = ReadNormalisedText(path, [](QStringView) {}, &info);
    }
  } catch (const FileReadError&) {
    // A file that is missing (or was deleted before its turn came) is skipped
    // silently; the reader's own error tells, so no file is looked up twice.
    if (!FileExists(path)) return out;
    throw;
  }
  out.tested = true;
  const std::int64_t s = size_on_list;
  const bool unicode = info.has_bom;
  // A text read as UTF-8 without a mark is measured in UTF-8 bytes, so that
  // accented letters (two bytes, one character) do not count as lost bytes.
  const bool utf8_no_mark = !unicode && info.encoding == TextEncoding::Utf8;
  const std::int64_t measured = utf8_no_mark ? info.utf8_length : length;
  const bool size_fails = unicode ? length < (s / 2) - 1 : measured < s - 1;
  if (size_fails) {
    out.verdict.flagged = true;
    out.verdict.note = QStringLiteral("File-size %1 but text-length %2").arg(s).arg(measured);
    return out;
  }
  if (!rs.thorough) return out;

  sample_array sample;
  sample.Tree = std::make_unique<TDigraphTree>(rs.min_digraphs);
  sample.digraphs = counter.Digraphs();
  counter.FillTree(*sample.Tree);
  FinishProfile(sample);
  float ratio = 0.0f;
  if (sample.Tree->sorted_results.Count() > 0) {
    ratio = CompareDigraphProfiles(sample, *rs.reference, rs.per_mille, out.verdict.too_many, out.verdict.too_few);
  }
  if (static_cast<double>(ratio) > rs.percent_fail_allowed / 100.0) {
    QString note;
    if (!out.verdict.too_many.isEmpty()) note += QStringLiteral("Too many: ") + out.verdict.too_many;
    if (!out.verdict.too_few.isEmpty()) note += QStringLiteral("Too few: ") + out.verdict.too_few;
    out.verdict.flagged = true;
    out.verdict.note = note;
  }
  return out;
}

// Files tested ahead of the caller on helper threads. Files are claimed in
// list order; the caller takes each result in order and claims a file itself
// when no helper has, so a one-thread run is the plain loop.
class AheadPool {
 public:
  struct Slot {
    bool done = false;
    FileOutcome outcome;
    std::exception_ptr error;
    std::atomic<int> progress{0};
  };

  AheadPool(const TFolderEfficientFileStringlist& files, const RunSettings& rs, int helpers)
      : files_(files), rs_(rs), slots_(static_cast<std::size_t>(files.Count())) {
    window_ = std::max(8, helpers * 8);
    for (int k = 0; k < helpers; ++k) threads_.emplace_back([this] { HelperLoop(); });
  }

  ~AheadPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    cv_.notify_all();
    for (auto& t : threads_) t.join();
  }

  // The outcome of file i, tested by a helper or, when none has claimed it,
  // here. progress_tick gets the within-file percentage, on this thread.
  FileOutcome Take(int i, DigraphCounter& own_counter, const std::function<void(int)>& progress_tick) {
    Slot& slot = slots_[static_cast<std::size_t>(i)];
    std::unique_lock<std::mutex> lock(mutex_);
    consumer_pos_ = i;
    cv_.notify_all();
    if (next_claim_ <= i) {
      next_claim_ = i + 1;
      lock.unlock();
      return TestOneFile(files_.GetFullFilename(i), files_.GetASimpleSearchRec(i).Size, rs_, own_counter,
                         progress_tick);
    }
    int shown = -1;
    while (!slot.done) {
      done_cv_.wait_for(lock, std::chrono::milliseconds(50));
      const int p = slot.progress.load();
      if (p != shown && progress_tick) {
        shown = p;
        lock.unlock();
        progress_tick(p);
        lock.lock();
      }
    }
    if (slot.error) std::rethrow_exception(slot.error);
    return std::move(slot.outcome);
  }

  void Halt() {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    cv_.notify_all();
  }

 private:
  void HelperLoop() {
    DigraphCounter counter;
    for (;;) {
      int i;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] {
          return quit_ || (next_claim_ < files_.Count() && next_claim_ < consumer_pos_ + window_);
        });
        if (quit_) return;
        i = next_claim_++;
      }
      Slot& slot = slots_[static_cast<std::size_t>(i)];
      FileOutcome outcome;
      std::exception_ptr error;
      try {
        outcome = TestOneFile(files_.GetFullFilename(i), files_.GetASimpleSearchRec(i).Size, rs_, counter,
                              [&slot](int p) { slot.progress.store(p); });
      } catch (...) {
        error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.outcome = std::move(outcome);
        slot.error = error;
        slot.done = true;
      }
      done_cv_.notify_all();
    }
  }

  const TFolderEfficientFileStringlist& files_;
  const RunSettings& rs_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::condition_variable done_cv_;
  int next_claim_ = 0;
  int consumer_pos_ = 0;
  int window_ = 8;
  bool quit_ = false;
};

}  // namespace

float CompareDigraphProfiles(const sample_array& sample, const sample_array& reference,
                             std::int32_t frequency_variation_per_mille, QString& too_many, QString& too_few) {
  const float threshold = static_cast<float>(frequency_variation_per_mille / 1000.0);
  const bool walk_sample = reference.digraphs > sample.digraphs;
  const sample_array& walked = walk_sample ? sample : reference;
  const sample_array& other = walk_sample ? reference : sample;
  const double nw = static_cast<double>(walked.digraphs);
  const double no = static_cast<double>(other.digraphs);
  const TMySaveStringList& wl = walked.Tree->sorted_results;
  const TMySaveStringList& ol = other.Tree->sorted_results;
  int fails = 0;
  for (int k = 0; k < wl.Count(); ++k) {
    const auto& e = wl.At(k);
    const float fw = static_cast<float>(e.value / nw);
    const int found = ol.Find(e.text);
    if (found < 0) {
      ++fails;
      too_many += QLatin1Char(' ') + e.text;
      continue;
    }
    const float fo = static_cast<float>(ol.At(found).value / no);
    if (std::fabs(static_cast<double>(fw) - static_cast<double>(fo)) > static_cast<double>(threshold)) {
      ++fails;
      const QString entry = QLatin1Char('(') + Format(QStringLiteral("%3.2f"), {fw}) + QStringLiteral(") ") + e.text;
      if (fw > fo) {
        too_many += entry;
      } else {
        too_few += entry;
      }
    }
  }
  return static_cast<float>(static_cast<double>(fails) / sample.Tree->sorted_results.Count());
}

TFileCrapDetector::TFileCrapDetector() = default;
TFileCrapDetector::~TFileCrapDetector() = default;

void TFileCrapDetector::SetReferenceFiles(const QString& one_full_name_per_line) {
  fReferenceFiles.clear();
  for (QString line : one_full_name_per_line.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!line.trimmed().isEmpty()) fReferenceFiles << line;
  }
  if (!BuildReference()) ReferenceTextTooShort(one_full_name_per_line);
}

bool TFileCrapDetector::BuildReference() {
  reference_setup = false;
  ref.Tree = std::make_unique<TDigraphTree>(min_digraphs);
  ref.digraphs = 0;
  DigraphCounter counter;
  for (const QString& name : fReferenceFiles) {
    if (!FileExists(name)) {
      FailedToFind(name);
      return false;
    }
    try {
      ReadNormalisedText(name, [&](QStringView piece) { counter.Feed(piece); });
    } catch (const FileReadError& e) {
      FailedToRead(e.Message());
      return false;
    }
    counter.EndOfText();
  }
  ref.digraphs = counter.Digraphs();
  if (ref.digraphs > 0) {
    counter.FillTree(*ref.Tree);
    FinishProfile(ref);
    reference_setup = true;
  }
  return reference_setup;
}

void TFileCrapDetector::CheckForCrap(const TFolderEfficientFileStringlist& files, bool thorough,
                                     TPercentCallback on_percent, TPercentCallback on_percent2) {
  weird_files.Clear();
  fOnPercent = std::move(on_percent);
  fOnPercent2 = std::move(on_percent2);
  if (!reference_setup && !BuildReference()) return;
  processing = true;

  RunSettings rs;
  rs.thorough = thorough;
  rs.min_digraphs = min_digraphs;
  rs.per_mille = digraph_frequency_variation_per_mille;
  rs.percent_fail_allowed = digraph_percent_fail_allowed;
  rs.reference = &ref;

  const int n = files.Count();
  int helpers = threads > 0 ? threads - 1 : static_cast<int>(std::thread::hardware_concurrency()) - 1;
  helpers = std::clamp(helpers, 0, 16);
  if (n < 2) helpers = 0;
  DigraphCounter own_counter;
  AheadPool pool(files, rs, helpers);
  for (int i = 0; i < n; ++i) {
    if (!processing.load()) {
      pool.Halt();
      break;  // the remaining files are skipped
    }
    if (fOnPercent) fOnPercent(static_cast<int>(std::nearbyint(100.0 * i / n)));
    MyYieldProcess();
    FileOutcome outcome = pool.Take(i, own_counter, fOnPercent2);
    if (!outcome.tested) continue;
    too_many_str = outcome.verdict.too_many;
    too_few_str = outcome.verdict.too_few;
    if (outcome.verdict.flagged) weird_files.Add(files.GetFullFilename(i), outcome.verdict.note);
  }
  if (processing.load()) {
    if (fOnPercent) fOnPercent(100);
    if (fOnPercent2) fOnPercent2(100);
  }
  processing = false;
}
