#include "report/corpus_report.h"

#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <map>
#include <thread>
#include <unordered_map>

#include "boilerplate/repeated_chunks.h"
#include "corruption/corrupt_file_detector.h"
#include "corruption/digraph_tree.h"
#include "duplicates/dup_contents_moving.h"
#include "duplicates/file_duplicate_contents_seeking.h"
#include "duplicates/file_duplicate_names_seeking.h"
#include "runtime/file_walker.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/ordered_work.h"
#include "runtime/run_summary.h"
#include "runtime/text_case.h"
#include "runtime/text_reader.h"
#include "sampling/sub_corpus_builder.h"

namespace {

// Progress of the whole run: each stage owns a span of the percentages.
class StagedProgress {
 public:
  explicit StagedProgress(const CorpusReportCallbacks& cb) : cb_(cb) {}
  void Stage(int from, int to, const QString& status) {
    from_ = from;
    to_ = to;
    if (cb_.status) cb_.status(status);
    Within(0);
  }
  void Within(int percent) {
    const int p = from_ + (to_ - from_) * std::clamp(percent, 0, 100) / 100;
    if (p != shown_ && cb_.percent) cb_.percent(p);
    shown_ = p;
  }
  void Status(const QString& s) const {
    if (cb_.status) cb_.status(s);
  }

 private:
  const CorpusReportCallbacks& cb_;
  int from_ = 0;
  int to_ = 100;
  int shown_ = -1;
};

bool Stopped(const StopFlag* stop) { return StopRequested() || (stop && stop->Requested()); }

// What reading one text tells.
struct TextFacts {
  bool read = false;
  QString unreadable;  // why the file could not be read (empty when it was gone)
  TextFileInfo info;
  bool ascii = true;  // every character below 128 (meaningful for 8-bit reads)
  std::int64_t length = 0;
  QString size_note;
  DigraphProfile profile;  // every digraph with its count
  bool profile_failed = false;
  // The text's sentences, cut for the boilerplate count in the same reading.
  // A text whose chunks would hold more than kMaxCutUnits is not cut here:
  // the boilerplate engine reads it again on its own, so that the texts
  // waiting in the reading's window stay small.
  CutChunkBatch chunks;
  bool chunks_cut = false;
};

constexpr std::size_t kMaxCutUnits = std::size_t{1} << 20;

struct ReadScratch {
  DigraphCounter counter;
};

TextFacts ReadOneText(const QString& path, std::int64_t size, const ChunkRules& chunk_rules,
                      int chunk_min_length, ReadScratch& scratch) {
  TextFacts facts;
  DigraphCounter& counter = scratch.counter;
  counter.Reset();
  ChunkCutter cutter(chunk_rules, false, chunk_min_length);
  bool cutting = true;
  bool ascii = true;
  try {
    facts.length = ReadNormalisedText(
        path,
        [&](QStringView piece) {
          counter.Feed(piece);
          if (cutting) {
            cutter.Feed(reinterpret_cast<const char16_t*>(piece.utf16()), piece.size());
            cutting = cutter.HeldUnits() <= kMaxCutUnits;
          }
          if (ascii)
            for (const QChar c : piece)
              if (c.unicode() >= 0x80) {
                ascii = false;
                break;
              }
        },
        &facts.info);
  } catch (const FileReadError& e) {
    if (PathExists(path)) facts.unreadable = e.Reason().isEmpty() ? e.Message() : e.Reason();
    return facts;
  }
  facts.read = true;
  facts.ascii = ascii;
  if (cutting) {
    cutter.Finish();
    if (cutter.HeldUnits() <= kMaxCutUnits) {
      cutter.TakeChunks(&facts.chunks);
      facts.chunks_cut = true;
    }
  }
  facts.size_note = SizeTestNote(facts.info, facts.length, size);
  if (facts.size_note.isEmpty()) {
    try {
      counter.Finish(1, facts.profile);
    } catch (const SorvelError&) {
      facts.profile_failed = true;
    }
  }
  return facts;
}

// The encoding class of a text read, as the summary counts them.
QString EncodingClass(const TextFacts& facts) {
  const TextFileInfo& info = facts.info;
  if (info.encoding == TextEncoding::Ansi) {
    if (facts.ascii) return QStringLiteral("ASCII (reads the same in every encoding)");
    return QStringLiteral("8-bit code page %1")
        .arg(info.code_page.isEmpty() ? QStringLiteral("?") : info.code_page);
  }
  if (info.encoding == TextEncoding::Utf8 && !info.has_bom)
    return QStringLiteral("UTF-8 without byte-order mark");
  if (info.encoding == TextEncoding::Utf8) return QStringLiteral("UTF-8 with byte-order mark");
  return TextEncodingName(info) + QStringLiteral(" with byte-order mark");
}

// Digraph counts of the whole corpus. Keys of two Latin-1 units, nearly all
// of them in most corpora, are counted in a flat table; the rest in a map.
class CorpusDigraphs {
 public:
  CorpusDigraphs() : flat_(65536, 0) {}
  void Add(const DigraphProfile& p) {
    for (std::size_t k = 0; k < p.keys.size(); ++k) {
      const std::uint32_t key = p.keys[k];
      if ((key & 0xFF00FF00u) == 0)
        flat_[((key >> 8) & 0xFF00u) | (key & 0xFFu)] += p.counts[k];
      else
        other_[key] += p.counts[k];
    }
    digraphs_ += p.digraphs;
  }
  // The reference profile: the digraphs counted at least min_freq times.
  DigraphProfile Finish(int min_freq) const {
    std::vector<std::pair<std::uint32_t, std::int64_t>> all;
    for (std::uint32_t i = 0; i < flat_.size(); ++i)
      if (flat_[i] >= min_freq) all.emplace_back(((i & 0xFF00u) << 8) | (i & 0xFFu), flat_[i]);
    for (const auto& [key, count] : other_)
      if (count >= min_freq) all.emplace_back(key, count);
    std::sort(all.begin(), all.end());
    DigraphProfile out;
    for (const auto& [key, count] : all) {
      out.keys.push_back(key);
      out.counts.push_back(count);
    }
    out.digraphs = digraphs_;
    return out;
  }

 private:
  std::vector<std::int64_t> flat_;
  std::unordered_map<std::uint32_t, std::int64_t> other_;
  std::int64_t digraphs_ = 0;
};

// The texts' own profiles between the reading and the comparison, each cut
// to the digraphs frequent enough to be compared. They are kept compactly:
// the keys are sorted, so each is stored as its step from the one before,
// and steps and counts as variable-length numbers of 7 bits a byte. Most
// digraphs then take two or three bytes instead of eight.
class KeptProfiles {
 public:
  explicit KeptProfiles(std::size_t limit_bytes) : limit_(limit_bytes) {}
  // Keeps the profile of file; false when the memory bound is reached.
  bool Keep(int file, const DigraphProfile& p, int min_freq) {
    // Grown by hand, so that the block never holds much more than the bound.
    if (bytes_.capacity() - bytes_.size() < kSlack)
      bytes_.reserve(std::min(limit_, bytes_.capacity() * 2 + kSlack) + kSlack);
    const std::size_t start = bytes_.size();
    std::uint32_t previous = 0;
    std::uint32_t n = 0;
    for (std::size_t k = 0; k < p.keys.size(); ++k) {
      if (p.counts[k] < min_freq) continue;
      Put(p.keys[k] - previous);
      Put(static_cast<std::uint64_t>(p.counts[k]));
      previous = p.keys[k];
      ++n;
    }
    if (bytes_.size() + (index_.size() + 1) * sizeof(Index) > limit_) {
      bytes_.resize(start);
      return false;
    }
    index_.push_back(Index{file, n, start, p.digraphs});
    return true;
  }
  int Count() const { return static_cast<int>(index_.size()); }
  int FileOf(int k) const { return index_[static_cast<std::size_t>(k)].file; }
  void Get(int k, DigraphProfile& out) const {
    const Index& idx = index_[static_cast<std::size_t>(k)];
    out.keys.resize(idx.count);
    out.counts.resize(idx.count);
    std::size_t at = idx.offset;
    std::uint32_t key = 0;
    for (std::uint32_t j = 0; j < idx.count; ++j) {
      key += static_cast<std::uint32_t>(Take(&at));
      out.keys[j] = key;
      out.counts[j] = static_cast<std::int64_t>(Take(&at));
    }
    out.digraphs = idx.digraphs;
  }

 private:
  struct Index {
    int file;
    std::uint32_t count;
    std::size_t offset;
    std::int64_t digraphs;
  };
  void Put(std::uint64_t v) {
    while (v >= 0x80) {
      bytes_.push_back(static_cast<std::uint8_t>(v | 0x80));
      v >>= 7;
    }
    bytes_.push_back(static_cast<std::uint8_t>(v));
  }
  std::uint64_t Take(std::size_t* at) const {
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
      const std::uint8_t b = bytes_[(*at)++];
      v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if (b < 0x80) return v;
    }
  }
  static constexpr std::size_t kSlack = std::size_t{64} << 10;
  std::size_t limit_;
  std::vector<std::uint8_t> bytes_;
  std::vector<Index> index_;
};

struct Comparison {
  bool tested = false;
  float ratio = 0;
  QString note;  // only for texts over the least cut
};

QString ShellQuoted(const QString& s) {
  static const QString safe = QStringLiteral("/._-+,:=@%");
  bool plain = !s.isEmpty();
  for (const QChar c : s)
    if (!(c.isLetterOrNumber() && c.unicode() < 128) && !safe.contains(c)) plain = false;
  if (plain) return s;
  QString q = s;
  q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
  return QLatin1Char('\'') + q + QLatin1Char('\'');
}

int SizeBin(std::int64_t size) {
  if (size <= 0) return 0;
  int bin = 1;
  while (bin < 63 && (std::int64_t{1} << bin) <= size) ++bin;
  return bin;
}

// Fills the months between the first and the last with zero counts, so that
// the time line shows its gaps; a span of more than a thousand years is left
// as it is.
std::vector<ReportCount> MonthLine(const std::map<QString, std::int64_t>& months) {
  std::vector<ReportCount> out;
  if (months.empty()) return out;
  auto parse = [](const QString& name, int* y, int* m) {
    const QStringList parts = name.split(QLatin1Char('_'));
    bool ok1 = false, ok2 = false;
    if (parts.size() == 2) {
      *y = parts[0].toInt(&ok1);
      *m = parts[1].toInt(&ok2);
    }
    return ok1 && ok2;
  };
  int y0 = 0, m0 = 0, y1 = 0, m1 = 0;
  const bool fill = parse(months.begin()->first, &y0, &m0) &&
                    parse(months.rbegin()->first, &y1, &m1) &&
                    (y1 * 12 + m1) - (y0 * 12 + m0) <= 12000;
  if (!fill) {
    for (const auto& [name, count] : months) out.push_back({name, count});
    return out;
  }
  for (int t = y0 * 12 + (m0 - 1); t <= y1 * 12 + (m1 - 1); ++t) {
    const QString name = QStringLiteral("%1_%2")
                             .arg(t / 12, 4, 10, QLatin1Char('0'))
                             .arg(t % 12 + 1, 2, 10, QLatin1Char('0'));
    const auto it = months.find(name);
    out.push_back({name, it == months.end() ? 0 : it->second});
  }
  return out;
}

}  // namespace

double CorpusDigraphThreshold(std::vector<double> distances, int percent_fail_allowed,
                              double* median, double* mad) {
  const double floor = percent_fail_allowed / 100.0;
  auto median_of = [](std::vector<double>& v) {
    if (v.empty()) return 0.0;
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    double m = v[mid];
    if (v.size() % 2 == 0)
      m = (m + *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid))) / 2;
    return m;
  };
  const double med = median_of(distances);
  for (double& d : distances) d = std::fabs(d - med);
  const double dev = median_of(distances);
  if (median) *median = med;
  if (mad) *mad = dev;
  // A corpus compared with its own profile has no outside standard of what
  // is normal, and its texts differ from their average more or less by their
  // kind and length: a fixed cut would flag most of a corpus of short texts
  // and none of a long one. The cut therefore follows the spread of the
  // distances themselves, measured robustly (the median and its absolute
  // deviation are not pulled by the broken texts being looked for), and it
  // never falls below what the test against known-good texts allows.
  return std::max(floor, med + 3.0 * 1.4826 * dev);
}

QStringList KnownGoodTexts(const QString& folder) {
  FileWalker walk;
  walk.HeadDir = folder;
  walk.IncludeSubFolders = true;
  walk.ReadDetails = false;
  walk.IterateFindingFiles();
  walk.BuildDetailedList(FileSortOrder::ByName);
  return walk.FilesFound().GetAsStringlist();
}

namespace {

// Makes one report. Each stage of the run is one member function; what one
// stage hands on to the next (the file list, the counts per folder, the
// broken files) lives here. A stage returns false when the run was stopped.
class ReportMaker {
 public:
  ReportMaker(const CorpusReportOptions& options, const CorpusReportCallbacks& callbacks,
              StopFlag* stop)
      : o_(options),
        progress_(callbacks),
        count_(callbacks.count),
        stop_(stop),
        limit_(static_cast<std::size_t>(std::max(1, options.list_limit))),
        kept_(options.profile_memory_bytes) {
    clock_.start();
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    helpers_ = std::clamp(o_.threads > 0 ? o_.threads - 1 : cores - 1, 0, 16);
  }

  CorpusReport Make() {
    DescribeRun();
    ReadKnownGoodReference();
    if (Walk() && ReadTexts()) {
      ListChunks();
      if (CompareDigraphs() && FindDuplicateNames() && FindNearDuplicates()) {
        ListFoldersWithFindings();
        progress_.Within(100);
      }
    }
    report_.seconds = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    return std::move(report_);
  }

 private:
  bool StopAsked() {
    if (!Stopped(stop_)) return false;
    report_.stopped = true;
    return true;
  }

  const FolderFileList& Files() const { return walk_.FilesFound(); }
  ReportFolder& FolderOf(int file) {
    return folders_[static_cast<std::size_t>(Files().GetASimpleSearchRec(file).FolderNumber)];
  }

  void DescribeRun();
  void ReadKnownGoodReference();
  bool Walk();
  bool ReadTexts();
  void TakeFacts(int file, const TextFacts& facts);
  void ListChunks();
  bool CompareDigraphs();
  bool FindDuplicateNames();
  bool FindNearDuplicates();
  void TakeNearDuplicateGroups(const DupContentsSeeker& seeker);
  void PlanTheMove(const DupContentsSeeker& seeker);
  void ListFoldersWithFindings();

  const CorpusReportOptions& o_;
  StagedProgress progress_;
  std::function<void(long long done, long long total)> count_;
  StopFlag* stop_;
  QElapsedTimer clock_;
  const QLocale locale_;
  const std::size_t limit_;
  int helpers_ = 0;  // threads that read and compare texts beside the calling one
  CorpusReport report_;
  DigraphProfile reference_;
  FileWalker walk_;
  std::vector<ReportFolder> folders_;  // by folder number of the file list
  std::vector<ReportBrokenFile> broken_;
  std::map<QString, std::int64_t> encodings_;
  std::map<QString, std::int64_t> months_;
  CorpusDigraphs corpus_digraphs_;
  KeptProfiles kept_;
  std::vector<int> reread_;  // texts whose profiles did not fit in kept_
  RepeatedChunks chunk_counter_;
};

void ReportMaker::DescribeRun() {
  const CorpusReportOptions& o = o_;
  report_.folder = o.folder;
  report_.generated = QDateTime::currentDateTime().toString(Qt::ISODate);
  report_.decoding = TextDecoding() == QStringLiteral("auto")
                         ? QStringLiteral("auto (UTF-8 when valid, else %1)").arg(AnsiCodePage())
                         : TextDecoding();
  report_.digraph_reference_from_corpus = o.good_files.isEmpty();
  report_.reference =
      report_.digraph_reference_from_corpus ? QStringLiteral("the corpus itself") : o.good_folder;
  report_.options = {
      QStringLiteral("folder = %1 (with sub-folders)").arg(DisplayName(o.folder)),
      QStringLiteral("texts without byte-order mark = %1").arg(report_.decoding),
      QStringLiteral("digraph reference = %1")
          .arg(report_.digraph_reference_from_corpus
                   ? QStringLiteral("the corpus itself")
                   : QStringLiteral("%1 (%2)").arg(
                         DisplayName(o.good_folder),
                         CountOf(o.good_files.size(), QStringLiteral("known-good text"),
                                 QStringLiteral("known-good texts"), QLocale::c()))),
      QStringLiteral(
          "digraph test = least count %1, variation %2 per mille, %3 % of digraphs off allowed")
          .arg(o.min_digraphs)
          .arg(o.digraph_variation_per_mille)
          .arg(o.digraph_percent_fail_allowed),
      QStringLiteral("near duplicates = sizes within %1 %, word lists within %2 %, %3, %4")
          .arg(o.max_length_diff_percent)
          .arg(o.max_words_diff_percent)
          .arg(o.check_dates ? QStringLiteral("dates within %1 day%2")
                                   .arg(o.max_days_diff)
                                   .arg(o.max_days_diff == 1 ? "" : "s")
                             : QStringLiteral("any dates"))
          .arg(o.same_folder ? QStringLiteral("same folder only") : QStringLiteral("any folder")),
      QStringLiteral("boilerplate = at least %1, at least %2, markup tags up to %3")
          .arg(CountOf(o.boilerplate_min_hits, QStringLiteral("hit"), QStringLiteral("hits"),
                       QLocale::c()),
               CountOf(o.boilerplate_min_length, QStringLiteral("character"),
                       QStringLiteral("characters"), QLocale::c()),
               CountOf(o.tag_span, QStringLiteral("character"), QStringLiteral("characters"),
                       QLocale::c())),
      QStringLiteral("lists cut at %1")
          .arg(CountOf(o.list_limit, QStringLiteral("entry"), QStringLiteral("entries"),
                       QLocale::c())),
  };
}

// The known-good reference comes before anything else: a bad one ends the run.
void ReportMaker::ReadKnownGoodReference() {
  if (o_.good_files.isEmpty()) return;
  DigraphCounter counter;
  for (const QString& name : o_.good_files) {
    ReadNormalisedText(name, [&](QStringView piece) { counter.Feed(piece); });
    counter.EndOfText();
  }
  if (counter.Digraphs() == 0)
    throw SorvelError(
        QStringLiteral("the known-good texts hold no text to build a digraph reference from"));
  counter.Finish(o_.min_digraphs, reference_);
}

bool ReportMaker::Walk() {
  progress_.Stage(0, 5, QStringLiteral("finding files"));
  walk_.HeadDir = o_.folder;
  walk_.IncludeSubFolders = true;
  walk_.OneNamePerFile = true;
  // Spare copies moved aside by the duplicate search and the relevance
  // filter's copies are not part of the corpus.
  walk_.SetExcludedDirs({MovedFilesWord(), LX("LXFiltered")});
  walk_.OnFilesProgress = [this](int p) { progress_.Within(p); };
  walk_.IterateFindingFiles();
  walk_.OnFilesProgress = nullptr;
  walk_.BuildDetailedList(FileSortOrder::ByName);
  for (const FileProblem& p : walk_.FileProblems()) report_.problems.push_back(p);
  report_.files = Files().Count();
  report_.folders = Files().FolderCount();
  folders_.resize(static_cast<std::size_t>(Files().FolderCount()));
  for (int f = 0; f < Files().FolderCount(); ++f)
    folders_[static_cast<std::size_t>(f)].folder = Files().GetFolder(f);
  if (walk_.Stopped()) report_.stopped = true;
  return !StopAsked() && !report_.stopped;
}

// One reading of every text, on all cores, taken in name order: the
// encoding, the size test, the digraph profile and the boilerplate chunks
// all come from it.
bool ReportMaker::ReadTexts() {
  const int n = Files().Count();
  progress_.Stage(5, 60,
                  QStringLiteral("reading ") +
                      CountOf(n, QStringLiteral("text"), QStringLiteral("texts"), locale_));
  report_.size_bins.assign(2, 0);
  const int chunk_min_length = std::max(1, o_.boilerplate_min_length);
  chunk_counter_.SetSettings(false, o_.tag_span, o_.boilerplate_min_hits, chunk_min_length, {}, {},
                             {});
  const ChunkRules chunk_rules{o_.tag_span};
  const FolderFileList& files = Files();
  ReadScratch own;
  OrderedWork<TextFacts, ReadScratch> pool(
      n, n < 2 ? 0 : helpers_, [&](int i, ReadScratch& scratch, const auto&) {
        return ReadOneText(files.GetFullFilename(i), files.GetASimpleSearchRec(i).Size, chunk_rules,
                           chunk_min_length, scratch);
      });
  for (int i = 0; i < n; ++i) {
    if (StopAsked()) {
      pool.Halt();
      return false;
    }
    progress_.Within(static_cast<int>(std::int64_t{100} * i / n));
    YieldToEvents();
    TakeFacts(i, pool.Take(i, own, {}));
    report_.texts_read = i + 1;
    if (count_ && ((i + 1) % 100 == 0 || i + 1 == n)) count_(i + 1, n);
  }
  for (const auto& [name, count] : encodings_) report_.encodings.push_back({name, count});
  std::stable_sort(report_.encodings.begin(), report_.encodings.end(),
                   [](const ReportCount& a, const ReportCount& b) { return a.count > b.count; });
  report_.months = MonthLine(months_);
  return true;
}

void ReportMaker::TakeFacts(int i, const TextFacts& facts) {
  const FileRecord& rec = Files().GetASimpleSearchRec(i);
  ReportFolder& folder = FolderOf(i);
  ++folder.files;
  report_.bytes += rec.Size;
  const auto bin = static_cast<std::size_t>(SizeBin(rec.Size));
  if (bin >= report_.size_bins.size()) report_.size_bins.resize(bin + 1, 0);
  ++report_.size_bins[bin];
  if (rec.Size == 0) ++report_.empty_files;
  if (const auto period = SubCorpusPeriodOf(tlbMonth, DayNumberToDateTime(rec.Time)))
    ++months_[period->name];
  if (!facts.read) {
    if (!facts.unreadable.isEmpty()) {
      ++report_.unreadable_files;
      report_.problems.push_back({Files().GetFullFilename(i), facts.unreadable});
    }
    return;
  }
  if (facts.chunks_cut) {
    chunk_counter_.AddCutText(Files().GetFullFilename(i), facts.info.size, facts.chunks);
  } else {
    // Too long to be cut while waiting in the window: the engine reads it.
    const int number = chunk_counter_.LoadATextFile(Files().GetFullFilename(i));
    chunk_counter_.AddToRepeatedSentencesInTxt(number, Files().Count());
  }
  ++encodings_[EncodingClass(facts)];
  report_.text_characters += facts.length;
  if (!facts.size_note.isEmpty()) {
    broken_.push_back({Files().GetFullFilename(i), QStringLiteral("size"), facts.size_note, 0});
    ++report_.size_failures;
    ++folder.broken;
    return;
  }
  if (facts.profile_failed) return;
  // Texts that failed the size test stay out of the corpus reference: their
  // readable part is what is left of damaged files.
  if (report_.digraph_reference_from_corpus) corpus_digraphs_.Add(facts.profile);
  if (!kept_.Keep(i, facts.profile, o_.min_digraphs)) reread_.push_back(i);
}

void ReportMaker::ListChunks() {
  chunk_counter_.SortDescendingFreq();
  const auto& chunks = chunk_counter_.Chunks();
  report_.chunks_total = chunks.Count();
  for (int i = 0; i < chunks.Count(); ++i) {
    const std::int64_t characters = chunks.Total(i) * chunks.Strings(i).size();
    report_.chunk_characters += characters;
    if (i < o_.top_chunks) {
      report_.top_chunk_characters += characters;
      report_.chunks.push_back(
          {chunks.Strings(i), chunks.Total(i), chunks.GetAListOfOccurrences(i).Count()});
    }
  }
  // Files the reading above could read but the engine could not read again
  // are rare (changed meanwhile); they are listed once.
  QSet<QString> listed;
  for (const FileProblem& p : report_.problems) listed.insert(p.file);
  for (const FileProblem& p : chunk_counter_.ReadProblems())
    if (!listed.contains(p.file)) report_.problems.push_back(p);
  chunk_counter_.Clear();
}

bool ReportMaker::CompareDigraphs() {
  progress_.Stage(60, 64, QStringLiteral("comparing digraph profiles"));
  if (report_.digraph_reference_from_corpus) reference_ = corpus_digraphs_.Finish(o_.min_digraphs);
  report_.digraph_reference_usable = !reference_.keys.empty();
  const double least_cut = o_.digraph_percent_fail_allowed / 100.0;
  report_.digraph_floor = least_cut;
  if (report_.digraph_reference_usable) {
    const int kept_count = kept_.Count();
    const int total = kept_count + static_cast<int>(reread_.size());
    auto file_of = [&](int k) {
      return k < kept_count ? kept_.FileOf(k) : reread_[static_cast<std::size_t>(k - kept_count)];
    };
    struct CompareScratch {
      DigraphProfile sample;
      DigraphCounter counter;
    };
    auto compare = [&](int k, CompareScratch& scratch, const auto&) {
      Comparison c;
      DigraphProfile& sample = scratch.sample;
      if (k < kept_count) {
        kept_.Get(k, sample);
      } else {
        scratch.counter.Reset();
        try {
          ReadNormalisedText(Files().GetFullFilename(file_of(k)),
                             [&](QStringView piece) { scratch.counter.Feed(piece); });
          scratch.counter.Finish(o_.min_digraphs, sample);
        } catch (const SorvelError&) {
          return c;  // gone or changed since it was read: no second verdict
        }
      }
      if (sample.keys.empty()) return c;
      QString too_many, too_few;
      c.tested = true;
      c.ratio = CompareDigraphProfiles(sample, reference_, o_.digraph_variation_per_mille, too_many,
                                       too_few, locale_);
      if (static_cast<double>(c.ratio) > least_cut) {
        if (!too_many.isEmpty()) c.note += QStringLiteral("Too many: ") + too_many;
        if (!too_few.isEmpty()) c.note += QStringLiteral("Too few: ") + too_few;
      }
      return c;
    };
    std::vector<double> distances;
    std::vector<std::pair<int, Comparison>> over;  // texts over the least cut
    {
      CompareScratch own;
      OrderedWork<Comparison, CompareScratch> pool(total, total < 2 ? 0 : helpers_, compare);
      for (int k = 0; k < total; ++k) {
        if (StopAsked()) {
          pool.Halt();
          return false;
        }
        progress_.Within(static_cast<int>(std::int64_t{100} * k / std::max(1, total)));
        Comparison c = pool.Take(k, own, {});
        if (!c.tested) continue;
        distances.push_back(static_cast<double>(c.ratio));
        if (static_cast<double>(c.ratio) > least_cut) over.emplace_back(file_of(k), std::move(c));
      }
    }
    report_.digraph_tested = static_cast<std::int64_t>(distances.size());
    if (report_.digraph_reference_from_corpus)
      report_.digraph_threshold =
          CorpusDigraphThreshold(std::move(distances), o_.digraph_percent_fail_allowed,
                                 &report_.digraph_median, &report_.digraph_mad);
    else
      report_.digraph_threshold = least_cut;
    for (auto& [file, c] : over) {
      if (static_cast<double>(c.ratio) <= report_.digraph_threshold) continue;
      broken_.push_back({Files().GetFullFilename(file), QStringLiteral("digraph"), c.note,
                         static_cast<double>(c.ratio)});
      ++report_.digraph_failures;
      ++FolderOf(file).broken;
    }
  }
  report_.broken_total = static_cast<std::int64_t>(broken_.size());
  std::sort(broken_.begin(), broken_.end(),
            [](const ReportBrokenFile& a, const ReportBrokenFile& b) {
              return Compare2Strings(a.path, b.path) < 0;
            });
  if (broken_.size() > limit_) broken_.resize(limit_);
  report_.broken = std::move(broken_);
  return true;
}

// Duplicate names come from the walk's list alone.
bool ReportMaker::FindDuplicateNames() {
  progress_.Stage(64, 66, QStringLiteral("looking for duplicate names"));
  const int n = Files().Count();
  DupNamesSeeker names_seeker({}, {}, {});
  DupNamesRecList& list = names_seeker.first_list;
  list.Reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const FileRecord& rec = Files().GetASimpleSearchRec(i);
    DupNamesRec r;
    r.sr = rec;
    r.sr.Name = LowerCasedName(rec.Name);
    r.dir = LowerCasedName(FolderOf(i).folder);
    r.found_index = i;
    list.Add(std::move(r));
  }
  list.SortByName();
  for (int i = 0; i < list.Count();) {
    if (StopAsked()) return false;
    const std::vector<std::int32_t> group = list.ListOfAllSameShortFName(i);
    i += std::max(1, static_cast<int>(group.size()));
    if (group.size() < 2) continue;
    ++report_.name_groups_total;
    report_.name_duplicate_files += static_cast<std::int64_t>(group.size());
    ReportNameGroup g;
    g.name = list.At(group.front()).sr.Name;
    for (std::int32_t k : group) {
      const int file = list.At(k).found_index;
      g.paths << Files().GetFullFilename(file);
      ++FolderOf(file).duplicates;
    }
    if (report_.name_groups.size() < limit_) report_.name_groups.push_back(std::move(g));
  }
  return true;
}

// Near duplicates, with the duplicate-contents tool's defaults.
bool ReportMaker::FindNearDuplicates() {
  progress_.Stage(66, 100, QStringLiteral("looking for near duplicates"));
  FolderFileList by_size = Files();
  by_size.DoASort(FileSortOrder::BySize);
  DupContentsSeeker seeker;
  QStringList empty_files;
  DupContentsCriteria criteria;
  criteria.max_days_diff = o_.max_days_diff;
  criteria.tag_span = o_.tag_span;
  criteria.check_dates = o_.check_dates;
  criteria.same_folder = o_.same_folder;
  criteria.max_length_diff_percent = o_.max_length_diff_percent;
  criteria.max_words_diff_percent = o_.max_words_diff_percent;
  DupContentsCallbacks callbacks;
  callbacks.percent = [this](int p) {
    progress_.Within(p);
    return false;
  };
  seeker.SeekContentsDuplicatesIn(by_size, o_.folder, criteria, callbacks, &empty_files);
  if (StopAsked()) return false;
  seeker.SetKeepByRule(DupContentsKeepRule::Head);
  TakeNearDuplicateGroups(seeker);
  PlanTheMove(seeker);
  return true;
}

void ReportMaker::TakeNearDuplicateGroups(const DupContentsSeeker& seeker) {
  QHash<QString, int> folder_number;
  for (int f = 0; f < Files().FolderCount(); ++f) folder_number.insert(Files().GetFolder(f), f);
  const DupContentsGroups& groups = seeker.dup_contents_top_list;
  report_.near_groups_total = groups.Count();
  for (int g = 0; g < groups.Count(); ++g) {
    const DupContentsGroup group = groups.Group(g);
    std::vector<ReportNearDuplicate> members;
    for (int m = 0; m < group.dup_contents_list->Count(); ++m) {
      const DupContentsMember& r = group.dup_contents_list->GetAValue(m);
      const FileRecord& rec = seeker.Files().GetASimpleSearchRec(r.file_index);
      const bool keep = m == group.which_to_keep;
      ++report_.near_duplicate_files;
      if (!keep) {
        ++report_.spare_copies;
        report_.spare_bytes += rec.Size;
        const auto f = folder_number.constFind(seeker.Files().GetFolder(rec.FolderNumber));
        if (f != folder_number.constEnd()) ++folders_[static_cast<std::size_t>(*f)].duplicates;
      }
      members.push_back({seeker.FullFilename(r.file_index), rec.Size, r.token_count, r.token_diff,
                         r.type_diff, keep});
    }
    if (report_.near_groups.size() < limit_) report_.near_groups.push_back(std::move(members));
  }
}

// What the duplicate-contents tool's move would do, and the command that does it.
void ReportMaker::PlanTheMove(const DupContentsSeeker& seeker) {
  std::vector<FileMoveProblem> refused;
  const std::vector<PlannedFileMove> plan = PlanMovesNotKept(seeker, o_.folder, &refused);
  report_.moves_total = static_cast<std::int64_t>(plan.size());
  report_.moves_refused = static_cast<std::int64_t>(refused.size());
  for (std::size_t k = 0; k < plan.size() && k < limit_; ++k)
    report_.moves.push_back({plan[k].from, plan[k].to});
  QString command = QStringLiteral("sorvel-cli dupcontents --move --yes");
  // In auto mode the duplicate search reads texts by the same suite setting
  // as this run; a forced decoding is passed on.
  if (TextDecoding() != QStringLiteral("auto"))
    command += QStringLiteral(" --codepage ") + ShellQuoted(TextDecoding());
  report_.move_command = command + QLatin1Char(' ') + ShellQuoted(o_.folder);
}

void ReportMaker::ListFoldersWithFindings() {
  for (ReportFolder& f : folders_) {
    if (f.broken == 0 && f.duplicates == 0) continue;
    if (f.folder.size() > 1 && f.folder.endsWith(QLatin1Char('/'))) f.folder.chop(1);
    report_.by_folder.push_back(std::move(f));
  }
  report_.folders_with_findings = static_cast<std::int64_t>(report_.by_folder.size());
  std::stable_sort(report_.by_folder.begin(), report_.by_folder.end(),
                   [](const ReportFolder& a, const ReportFolder& b) {
                     return a.broken + a.duplicates > b.broken + b.duplicates;
                   });
  if (report_.by_folder.size() > limit_) report_.by_folder.resize(limit_);
}

}  // namespace

CorpusReport MakeCorpusReport(const CorpusReportOptions& options,
                              const CorpusReportCallbacks& callbacks, StopFlag* stop) {
  return ReportMaker(options, callbacks, stop).Make();
}
