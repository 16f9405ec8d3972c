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
};

struct ReadScratch {
  DigraphCounter counter;
};

TextFacts ReadOneText(const QString& path, std::int64_t size, ReadScratch& scratch) {
  TextFacts facts;
  DigraphCounter& counter = scratch.counter;
  counter.Reset();
  bool ascii = true;
  try {
    facts.length = ReadNormalisedText(
        path,
        [&](QStringView piece) {
          counter.Feed(piece);
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
// to the digraphs frequent enough to be compared, in one block of memory.
class KeptProfiles {
 public:
  explicit KeptProfiles(std::size_t limit_bytes) : limit_(limit_bytes / sizeof(Entry)) {}
  // Keeps the profile of file; false when the memory bound is reached.
  bool Keep(int file, const DigraphProfile& p, int min_freq) {
    std::size_t n = 0;
    for (std::int64_t c : p.counts) n += c >= min_freq ? 1 : 0;
    if (entries_.size() + n > limit_) return false;
    Index idx{file, entries_.size(), static_cast<std::uint32_t>(n), p.digraphs};
    for (std::size_t k = 0; k < p.keys.size(); ++k)
      if (p.counts[k] >= min_freq)
        entries_.push_back({p.keys[k], static_cast<std::uint32_t>(p.counts[k])});
    index_.push_back(idx);
    return true;
  }
  int Count() const { return static_cast<int>(index_.size()); }
  int FileOf(int k) const { return index_[static_cast<std::size_t>(k)].file; }
  void Get(int k, DigraphProfile& out) const {
    const Index& idx = index_[static_cast<std::size_t>(k)];
    out.keys.resize(idx.count);
    out.counts.resize(idx.count);
    for (std::uint32_t j = 0; j < idx.count; ++j) {
      out.keys[j] = entries_[idx.offset + j].key;
      out.counts[j] = entries_[idx.offset + j].count;
    }
    out.digraphs = idx.digraphs;
  }

 private:
  struct Entry {
    std::uint32_t key;
    std::uint32_t count;
  };
  struct Index {
    int file;
    std::size_t offset;
    std::uint32_t count;
    std::int64_t digraphs;
  };
  std::size_t limit_;
  std::vector<Entry> entries_;
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

CorpusReport MakeCorpusReport(const CorpusReportOptions& o, const CorpusReportCallbacks& callbacks,
                              StopFlag* stop) {
  QElapsedTimer clock;
  clock.start();
  CorpusReport report;
  StagedProgress progress(callbacks);
  const QLocale locale;
  report.folder = o.folder;
  report.generated = QDateTime::currentDateTime().toString(Qt::ISODate);
  report.decoding = TextDecoding() == QStringLiteral("auto")
                        ? QStringLiteral("auto (UTF-8 when valid, else %1)").arg(AnsiCodePage())
                        : TextDecoding();
  report.digraph_reference_from_corpus = o.good_files.isEmpty();
  report.reference =
      report.digraph_reference_from_corpus ? QStringLiteral("the corpus itself") : o.good_folder;
  report.options = {
      QStringLiteral("folder = %1 (with sub-folders)").arg(DisplayName(o.folder)),
      QStringLiteral("texts without byte-order mark = %1").arg(report.decoding),
      QStringLiteral("digraph reference = %1")
          .arg(report.digraph_reference_from_corpus ? QStringLiteral("the corpus itself")
                                                    : QStringLiteral("%1 (%2 known-good texts)")
                                                          .arg(DisplayName(o.good_folder))
                                                          .arg(o.good_files.size())),
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
      QStringLiteral(
          "boilerplate = at least %1 hits, at least %2 characters, markup tags up to %3 characters")
          .arg(o.boilerplate_min_hits)
          .arg(o.boilerplate_min_length)
          .arg(o.tag_span),
      QStringLiteral("lists cut at %1 entries").arg(o.list_limit),
  };
  const std::size_t limit = static_cast<std::size_t>(std::max(1, o.list_limit));
  auto finish = [&]() {
    report.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return report;
  };

  // ---- The known-good reference, before anything else: a bad one ends the run.
  DigraphProfile reference;
  if (!o.good_files.isEmpty()) {
    DigraphCounter counter;
    for (const QString& name : o.good_files) {
      ReadNormalisedText(name, [&](QStringView piece) { counter.Feed(piece); });
      counter.EndOfText();
    }
    if (counter.Digraphs() == 0)
      throw SorvelError(
          QStringLiteral("the known-good texts hold no text to build a digraph reference from"));
    counter.Finish(o.min_digraphs, reference);
  }

  // ---- The walk.
  progress.Stage(0, 5, QStringLiteral("finding files"));
  FileWalker walk;
  walk.HeadDir = o.folder;
  walk.IncludeSubFolders = true;
  walk.OneNamePerFile = true;
  // Spare copies moved aside by the duplicate search and the relevance
  // filter's copies are not part of the corpus.
  walk.SetExcludedDirs({MovedFilesWord(), LX("LXFiltered")});
  walk.OnFilesProgress = [&](int p) { progress.Within(p); };
  walk.IterateFindingFiles();
  walk.OnFilesProgress = nullptr;
  walk.BuildDetailedList(FileSortOrder::ByName);
  for (const FileProblem& p : walk.FileProblems()) report.problems.push_back(p);
  const FolderFileList& files = walk.FilesFound();
  const int n = files.Count();
  report.files = n;
  report.folders = files.FolderCount();
  if (Stopped(stop) || walk.Stopped()) {
    report.stopped = true;
    return finish();
  }

  // Per folder: files, broken files, duplicates.
  std::vector<ReportFolder> folders(static_cast<std::size_t>(files.FolderCount()));
  for (int f = 0; f < files.FolderCount(); ++f)
    folders[static_cast<std::size_t>(f)].folder = files.GetFolder(f);
  QHash<QString, int> folder_number;
  for (int f = 0; f < files.FolderCount(); ++f) folder_number.insert(files.GetFolder(f), f);

  // ---- One reading of every text.
  progress.Stage(5, 40, QStringLiteral("reading %1 texts").arg(locale.toString(n)));
  std::map<QString, std::int64_t> encodings;
  std::map<QString, std::int64_t> months;
  report.size_bins.assign(2, 0);
  CorpusDigraphs corpus_digraphs;
  KeptProfiles kept(o.profile_memory_bytes);
  std::vector<int> reread;  // texts whose profiles did not fit
  std::vector<ReportBrokenFile> broken;
  int helpers =
      o.threads > 0 ? o.threads - 1 : static_cast<int>(std::thread::hardware_concurrency()) - 1;
  helpers = std::clamp(helpers, 0, 16);
  if (n < 2) helpers = 0;
  {
    ReadScratch own;
    OrderedWork<TextFacts, ReadScratch> pool(
        n, helpers, [&files](int i, ReadScratch& scratch, const auto&) {
          return ReadOneText(files.GetFullFilename(i), files.GetASimpleSearchRec(i).Size, scratch);
        });
    for (int i = 0; i < n; ++i) {
      if (Stopped(stop)) {
        pool.Halt();
        report.stopped = true;
        return finish();
      }
      progress.Within(static_cast<int>(std::int64_t{100} * i / n));
      YieldToEvents();
      const TextFacts facts = pool.Take(i, own, {});
      const FileRecord& rec = files.GetASimpleSearchRec(i);
      ReportFolder& folder = folders[static_cast<std::size_t>(rec.FolderNumber)];
      ++folder.files;
      report.bytes += rec.Size;
      const int bin = SizeBin(rec.Size);
      if (static_cast<std::size_t>(bin) >= report.size_bins.size())
        report.size_bins.resize(static_cast<std::size_t>(bin) + 1, 0);
      ++report.size_bins[static_cast<std::size_t>(bin)];
      if (rec.Size == 0) ++report.empty_files;
      if (const auto period = SubCorpusPeriodOf(tlbMonth, DayNumberToDateTime(rec.Time)))
        ++months[period->name];
      if (!facts.read) {
        if (!facts.unreadable.isEmpty()) {
          ++report.unreadable_files;
          report.problems.push_back({files.GetFullFilename(i), facts.unreadable});
        }
        continue;
      }
      ++encodings[EncodingClass(facts)];
      report.text_characters += facts.length;
      if (!facts.size_note.isEmpty()) {
        broken.push_back({files.GetFullFilename(i), QStringLiteral("size"), facts.size_note, 0});
        ++report.size_failures;
        ++folder.broken;
        continue;
      }
      if (facts.profile_failed) continue;
      // Texts that failed the size test stay out of the corpus reference:
      // their readable part is what is left of damaged files.
      if (report.digraph_reference_from_corpus) corpus_digraphs.Add(facts.profile);
      if (!kept.Keep(i, facts.profile, o.min_digraphs)) reread.push_back(i);
    }
  }

  for (const auto& [name, count] : encodings) report.encodings.push_back({name, count});
  std::stable_sort(report.encodings.begin(), report.encodings.end(),
                   [](const ReportCount& a, const ReportCount& b) { return a.count > b.count; });
  report.months = MonthLine(months);

  // ---- Digraph distances against the reference.
  progress.Stage(40, 45, QStringLiteral("comparing digraph profiles"));
  if (report.digraph_reference_from_corpus) reference = corpus_digraphs.Finish(o.min_digraphs);
  report.digraph_reference_usable = !reference.keys.empty();
  const double least_cut = o.digraph_percent_fail_allowed / 100.0;
  report.digraph_floor = least_cut;
  if (report.digraph_reference_usable) {
    const int kept_count = kept.Count();
    const int total = kept_count + static_cast<int>(reread.size());
    struct CompareScratch {
      DigraphProfile sample;
      ReadScratch reading;
    };
    auto compare = [&](int k, CompareScratch& scratch, const auto&) {
      Comparison c;
      DigraphProfile& sample = scratch.sample;
      if (k < kept_count) {
        kept.Get(k, sample);
      } else {
        const int file = reread[static_cast<std::size_t>(k - kept_count)];
        DigraphCounter& counter = scratch.reading.counter;
        counter.Reset();
        try {
          ReadNormalisedText(files.GetFullFilename(file),
                             [&](QStringView piece) { counter.Feed(piece); });
          counter.Finish(o.min_digraphs, sample);
        } catch (const SorvelError&) {
          return c;  // gone or changed since it was read: no second verdict
        }
      }
      if (sample.keys.empty()) return c;
      QString too_many, too_few;
      c.tested = true;
      c.ratio = CompareDigraphProfiles(sample, reference, o.digraph_variation_per_mille, too_many,
                                       too_few, locale);
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
      OrderedWork<Comparison, CompareScratch> pool(total, total < 2 ? 0 : helpers, compare);
      for (int k = 0; k < total; ++k) {
        if (Stopped(stop)) {
          pool.Halt();
          report.stopped = true;
          return finish();
        }
        progress.Within(static_cast<int>(std::int64_t{100} * k / std::max(1, total)));
        Comparison c = pool.Take(k, own, {});
        if (!c.tested) continue;
        distances.push_back(static_cast<double>(c.ratio));
        if (static_cast<double>(c.ratio) > least_cut)
          over.emplace_back(
              k < kept_count ? kept.FileOf(k) : reread[static_cast<std::size_t>(k - kept_count)],
              std::move(c));
      }
    }
    report.digraph_tested = static_cast<std::int64_t>(distances.size());
    if (report.digraph_reference_from_corpus)
      report.digraph_threshold =
          CorpusDigraphThreshold(std::move(distances), o.digraph_percent_fail_allowed,
                                 &report.digraph_median, &report.digraph_mad);
    else
      report.digraph_threshold = least_cut;
    for (auto& [file, c] : over) {
      if (static_cast<double>(c.ratio) <= report.digraph_threshold) continue;
      broken.push_back({files.GetFullFilename(file), QStringLiteral("digraph"), c.note,
                        static_cast<double>(c.ratio)});
      ++report.digraph_failures;
      ++folders[static_cast<std::size_t>(files.GetASimpleSearchRec(file).FolderNumber)].broken;
    }
  }
  report.broken_total = static_cast<std::int64_t>(broken.size());
  std::sort(broken.begin(), broken.end(), [](const ReportBrokenFile& a, const ReportBrokenFile& b) {
    return Compare2Strings(a.path, b.path) < 0;
  });
  if (broken.size() > limit) broken.resize(limit);
  report.broken = std::move(broken);

  // ---- Duplicate names, from the walk's list.
  progress.Stage(45, 47, QStringLiteral("looking for duplicate names"));
  {
    DupNamesSeeker names_seeker({}, {}, {});
    DupNamesRecList& list = names_seeker.DupRecNamesList1;
    list.Reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      const FileRecord& rec = files.GetASimpleSearchRec(i);
      DupNamesRec r;
      r.sr = rec;
      r.sr.Name = LowerCasedName(rec.Name);
      r.dir = LowerCasedName(folders[static_cast<std::size_t>(rec.FolderNumber)].folder);
      r.found_index = i;
      list.Add(std::move(r));
    }
    list.SortByName();
    for (int i = 0; i < list.Count();) {
      if (Stopped(stop)) {
        report.stopped = true;
        return finish();
      }
      const std::vector<std::int32_t> group = list.ListOfAllSameShortFName(i);
      const int size = std::max(1, static_cast<int>(group.size()));
      if (group.size() >= 2) {
        ++report.name_groups_total;
        report.name_duplicate_files += static_cast<std::int64_t>(group.size());
        ReportNameGroup g;
        g.name = list.At(group.front()).sr.Name;
        for (std::int32_t k : group) {
          const int file = list.At(k).found_index;
          g.paths << files.GetFullFilename(file);
          ++folders[static_cast<std::size_t>(files.GetASimpleSearchRec(file).FolderNumber)]
                .duplicates;
        }
        if (report.name_groups.size() < limit) report.name_groups.push_back(std::move(g));
      }
      i += size;
    }
  }

  // ---- Near duplicates, with the duplicate-contents tool's defaults.
  progress.Stage(47, 75, QStringLiteral("looking for near duplicates"));
  {
    FolderFileList by_size = files;
    by_size.DoASort(FileSortOrder::BySize);
    DupContentsSeeker seeker;
    QStringList empty_files;
    DupContentsCriteria criteria;
    criteria.max_days_diff = o.max_days_diff;
    criteria.tag_span = o.tag_span;
    criteria.check_dates = o.check_dates;
    criteria.same_folder = o.same_folder;
    criteria.max_length_diff_percent = o.max_length_diff_percent;
    criteria.max_words_diff_percent = o.max_words_diff_percent;
    DupContentsCallbacks callbacks;
    callbacks.percent = [&](int p) {
      progress.Within(p);
      return false;
    };
    seeker.SeekContentsDuplicatesIn(by_size, o.folder, criteria, callbacks, &empty_files);
    if (Stopped(stop)) {
      report.stopped = true;
      return finish();
    }
    seeker.SetKeepByRule(DupContentsKeepRule::Head);
    const DupContentsGroups& groups = seeker.dup_contents_top_list;
    report.near_groups_total = groups.Count();
    for (int g = 0; g < groups.Count(); ++g) {
      const DupContentsGroup group = groups.Group(g);
      std::vector<ReportNearDuplicate> members;
      for (int m = 0; m < group.dup_contents_list->Count(); ++m) {
        const DupContentsMember& r = group.dup_contents_list->GetAValue(m);
        const FileRecord& rec = seeker.Files().GetASimpleSearchRec(r.file_index);
        const bool keep = m == group.which_to_keep;
        ++report.near_duplicate_files;
        if (!keep) {
          ++report.spare_copies;
          report.spare_bytes += rec.Size;
          const auto f = folder_number.constFind(seeker.Files().GetFolder(rec.FolderNumber));
          if (f != folder_number.constEnd()) ++folders[static_cast<std::size_t>(*f)].duplicates;
        }
        members.push_back({seeker.FullFilename(r.file_index), rec.Size, r.token_count, r.token_diff,
                           r.type_diff, keep});
      }
      if (report.near_groups.size() < limit) report.near_groups.push_back(std::move(members));
    }
    std::vector<FileMoveProblem> refused;
    const std::vector<PlannedFileMove> plan = PlanMovesNotKept(seeker, o.folder, &refused);
    report.moves_total = static_cast<std::int64_t>(plan.size());
    report.moves_refused = static_cast<std::int64_t>(refused.size());
    for (std::size_t k = 0; k < plan.size() && k < limit; ++k)
      report.moves.push_back({plan[k].from, plan[k].to});
    QString command = QStringLiteral("sorvel-cli dupcontents --move --yes");
    // In auto mode the duplicate search reads texts by the same suite setting
    // as this run; a forced decoding is passed on.
    if (TextDecoding() != QStringLiteral("auto"))
      command += QStringLiteral(" --codepage ") + ShellQuoted(TextDecoding());
    report.move_command = command + QLatin1Char(' ') + ShellQuoted(o.folder);
  }

  // ---- Boilerplate, over the same files in name order.
  progress.Stage(75, 100, QStringLiteral("looking for boilerplate"));
  {
    RepeatedChunks engine;
    engine.SetSettings(false, o.tag_span, o.boilerplate_min_hits, o.boilerplate_min_length, {},
                       [&](int p) {
                         progress.Within(p);
                         return true;
                       },
                       {});
    QStringList names;
    names.reserve(n);
    for (int i = 0; i < n; ++i) names << files.GetFullFilename(i);
    engine.AddTextFiles(names, [&](int) {
      YieldToEvents();
      if (Stopped(stop)) engine.Stop();
    });
    if (Stopped(stop)) {
      report.stopped = true;
      return finish();
    }
    engine.SortDescendingFreq();
    const auto& chunks = engine.Chunks();
    report.chunks_total = chunks.Count();
    for (int i = 0; i < chunks.Count(); ++i) {
      const std::int64_t characters = chunks.Total(i) * chunks.Strings(i).size();
      report.chunk_characters += characters;
      if (i < o.top_chunks) {
        report.top_chunk_characters += characters;
        report.chunks.push_back(
            {chunks.Strings(i), chunks.Total(i), chunks.GetAListOfOccurrences(i).Count()});
      }
    }
    // Files the reading above could read but this one could not are rare
    // (changed meanwhile); they are listed once.
    QSet<QString> listed;
    for (const FileProblem& p : report.problems) listed.insert(p.file);
    for (const FileProblem& p : engine.ReadProblems())
      if (!listed.contains(p.file)) report.problems.push_back(p);
  }

  // ---- Folders with findings.
  for (ReportFolder& f : folders) {
    if (f.broken == 0 && f.duplicates == 0) continue;
    if (f.folder.size() > 1 && f.folder.endsWith(QLatin1Char('/'))) f.folder.chop(1);
    report.by_folder.push_back(std::move(f));
  }
  report.folders_with_findings = static_cast<std::int64_t>(report.by_folder.size());
  std::stable_sort(report.by_folder.begin(), report.by_folder.end(),
                   [](const ReportFolder& a, const ReportFolder& b) {
                     return a.broken + a.duplicates > b.broken + b.duplicates;
                   });
  if (report.by_folder.size() > limit) report.by_folder.resize(limit);
  progress.Within(100);
  return finish();
}
