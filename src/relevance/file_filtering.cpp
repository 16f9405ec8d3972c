#include "relevance/file_filtering.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QThread>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_walker.h"
#include "runtime/format.h"
#include "runtime/log.h"
#include "runtime/markup.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/ordered_work.h"
#include "runtime/progress_count.h"
#include "runtime/run_summary.h"
#include "runtime/safe_move.h"
#include "runtime/text_reader.h"

namespace {
constexpr int kRelevanceHelp = 6040;

bool Stopped(const StopFlag* stop) { return StopRequested() || (stop && stop->Requested()); }
}  // namespace

// --- result list ---

void RelevanceResults::SortOnStrings(bool ascending) {
  std::stable_sort(entries_.begin(), entries_.end(), [ascending](const Entry& a, const Entry& b) {
    const int c = QString::compare(a.s, b.s, Qt::CaseInsensitive);
    return ascending ? c < 0 : c > 0;
  });
}

void RelevanceResults::SortOnSingle_Sort2String(bool ascending) {
  std::stable_sort(entries_.begin(), entries_.end(), [ascending](const Entry& a, const Entry& b) {
    if (a.rec.score != b.rec.score)
      return ascending ? a.rec.score < b.rec.score : a.rec.score > b.rec.score;
    return QString::compare(a.s, b.s, Qt::CaseInsensitive) < 0;
  });
}

void RelevanceResults::SortOn_Int(int which, bool ascending) {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [which, ascending](const Entry& a, const Entry& b) {
                     const std::int64_t x = which == 2 ? a.rec.positive_terms : a.rec.words;
                     const std::int64_t y = which == 2 ? b.rec.positive_terms : b.rec.words;
                     return ascending ? x < y : x > y;
                   });
}

// --- file check ---

void CheckFilterLines(QStringList& lines, bool* unequal, QString* repeated) {
  *unequal = false;
  repeated->clear();
  const int n = static_cast<int>(lines.size());
  if (n == 0) return;
  const qsizetype tabs = lines[0].count(QLatin1Char('\t'));
  for (int i = 1; i < n; ++i) {
    if (lines[i].count(QLatin1Char('\t')) != tabs) {
      *unequal = true;
      return;
    }
  }
  if (std::min<qsizetype>(tabs, 2) == 0) return;
  std::vector<QString> keys;
  keys.reserve(static_cast<std::size_t>(n));
  for (const QString& line : lines) keys.push_back(line.section(QLatin1Char('\t'), 0, 0));
  auto commas = [](QString s) { return s.replace(QLatin1Char('\t'), QLatin1Char(',')); };
  for (int i = 0; i < n; ++i) {
    const QString& key = keys[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < n && QString::compare(keys[static_cast<std::size_t>(j)], key) <= 0;
         ++j) {
      if (keys[static_cast<std::size_t>(j)] != key) continue;
      if (lines[i] == lines[j]) {
        // The later copy stays; line i is gone, so it meets no further line.
        lines[i].clear();
        break;
      }
      for (const QString& l : {lines[i], lines[j]}) {
        if (!repeated->isEmpty()) repeated->append(QStringLiteral("\r\n"));
        repeated->append(commas(l));
      }
    }
  }
}

void RelevanceFilterList::Clear() {
  TermList::Clear();
  unequal_strings = false;
  repeated_search_terms.clear();
}

void RelevanceFilterList::ParseTheList(QStringList& lines) {
  PreParseTheList(lines);
  lines.removeIf([](const QString& l) { return l.isEmpty(); });
  lines.sort(Qt::CaseSensitive);
  CheckFilterLines(lines, &unequal_strings, &repeated_search_terms);
  if (unequal_strings) lines.clear();  // nothing of such a file is used
}

// --- scorer ---

void Yikes(const QString& what) { AddToLogFile(QStringLiteral("Yikes: ") + what); }

RelevanceScorer::RelevanceScorer(const RelevanceFilterList& filters)
    : filters_(filters), matcher_(filters.Terms()) {}

ScoredTextRec RelevanceScorer::ScoreText(QStringView text, int segments, int coverage,
                                         RelevanceFilter* overall) const {
  ScoredTextRec result;
  overall->positive_terms_this_file = 0;
  overall->negative_terms_this_file = 0;
  const int S = std::clamp(segments, 1, 32);
  const std::int64_t W = BasicWordCount(text);
  if (W == 0) return result;
  overall->filtered_wordcount_overall += W;
  overall->unfiltered_wordcount_overall += W;

  // Which segments hold hits only matters as "any hit there", so the
  // segments of the ordinary positive terms (H) and of the grouped ones (G)
  // are kept as sets of bits.
  std::vector<MultiTermMatcher::Tally> tally;
  matcher_.TallyAll(text, S, tally);
  std::uint32_t G = 0, H = 0;
  std::int64_t pos_sum = 0, neg_sum = 0;
  std::int32_t P = 0;
  GroupedTermCounts grouped;
  for (int i = 0; i < filters_.Count(); ++i) {
    const SearchTerm& term = filters_[i];
    const MultiTermMatcher::Tally& t = tally[static_cast<std::size_t>(i)];
    if (t.hits == 0) continue;
    const std::int64_t weight = term.EffectiveWeight();
    std::int64_t pos = 0, neg = 0;
    if (term.Negative()) {
      neg = t.hits * weight;
    } else {
      pos = t.hits * weight;
      (term.Grouped() ? G : H) |= t.segments;
    }
    if (term.Grouped()) {
      grouped.push_back({pos, neg, i, term.other_sws_needed});
    } else {
      if (pos > 0) ++P;
      if (neg > 0) ++overall->negative_terms_this_file;
      pos_sum += pos;
      neg_sum += neg;
    }
  }

  // Grouped terms count only in texts dense enough in distinct terms.
  std::int32_t Q = 0;
  for (const GroupedTermCount& g : grouped)
    if (g.pos_tokens > 0) ++Q;
  const float density = static_cast<float>(P + Q) * (1000.0f / static_cast<float>(W));
  const float rounded = std::nearbyint(density);  // ties to even in the default rounding mode
  for (const GroupedTermCount& g : grouped) {
    if (g.pos_tokens > 0 && static_cast<float>(g.other_Sws_Needed) <= rounded) {
      H |= G;  // every segment holding a grouped term's hit is covered
      pos_sum += g.pos_tokens;
      ++P;
    }
  }

  result.words = W;
  result.positive_terms = P;
  overall->positive_terms_this_file = P;
  if (pos_sum == 0) return result;
  const int M = std::clamp(coverage, 0, S);
  const int C = std::popcount(H);
  if (C < M) return result;
  float score = static_cast<float>((pos_sum - neg_sum) * C);
  if (score != 0)
    score = static_cast<float>(static_cast<double>(score) * 100.0 / static_cast<double>(W));
  result.score = score;
  return result;
}

ScoredTextRec RelevanceScorer::ScoreFile(const QString& filename, int segments, int coverage,
                                         RelevanceFilter* overall, FileProblem* problem) const {
  TextUnitBuffer text;
  return ScoreFile(filename, segments, coverage, overall, text, problem);
}

ScoredTextRec RelevanceScorer::ScoreFile(const QString& filename, int segments, int coverage,
                                         RelevanceFilter* overall, TextUnitBuffer& buffer,
                                         FileProblem* problem) const {
  overall->positive_terms_this_file = 0;
  overall->negative_terms_this_file = 0;
  const NativeFileStatus info = StatPath(filename);
  if (!info.is_file) {
    if (problem)
      *problem = FileProblem{filename, info.exists ? QStringLiteral("not a regular file")
                                                   : QStringLiteral("no such file")};
    return {};
  }
  try {
    ReadMarkupFreeText(filename, info.size, filters_.Settings().tag_span, buffer);
  } catch (const FileReadError& e) {
    if (problem) *problem = FileProblem{filename, e.Reason()};
    return {};
  }
  const ScoredTextRec r = ScoreText(buffer.View(), segments, coverage, overall);
  if (r.words == 0) Yikes(QStringLiteral("no words in ") + DisplayName(filename));
  return r;
}

// --- the check run ---

FilterLoadOutcome LoadFiltersForCheck(RelevanceFilterList* filters, const QString& filter_file) {
  filters->Clear();
  if (filter_file.isEmpty() || !IsExistingFile(filter_file)) {
    FormNotFilled(LX("LXFilename"), kRelevanceHelp);
    return FilterLoadOutcome::NotFilled;
  }
  const bool ok = filters->LoadFromFile(filter_file, false);
  if (filters->unequal_strings) {
    ReportedAFact(LX("LXUnequalLengthLines"), kRelevanceHelp);
    return FilterLoadOutcome::UnequalLines;
  }
  if (!ok && filters->Count() > 0) {
    ReportedAFact(Format(LX("LXBadFilterLines"), {DisplayName(filter_file)}) +
                      QStringLiteral("\r\n") + filters->Problems().join(QStringLiteral("\r\n")),
                  kRelevanceHelp);
    return FilterLoadOutcome::BadLines;
  }
  if (filters->Count() == 0 && ok && filters->Problems().isEmpty()) {
    // The file was read, but it is empty or holds blank lines only.
    ReportedAFact(QStringLiteral("%1 holds no terms: nothing to check for").arg(filter_file),
                  kRelevanceHelp);
    return FilterLoadOutcome::NoTerms;
  }
  if (filters->Count() == 0) {
    QString what = DisplayName(filter_file);
    if (!filters->Problems().isEmpty())
      what += QStringLiteral("\r\n") + filters->Problems().join(QStringLiteral("\r\n"));
    FailedToRead(what, kRelevanceHelp);
    return FilterLoadOutcome::NoTerms;
  }
  if (!filters->repeated_search_terms.isEmpty()) {
    const int answer = WarnAboutAndASKOK(
        RepeatedTermsWarning(filter_file, filters->repeated_search_terms), kRelevanceHelp);
    if (answer != mrOK) return FilterLoadOutcome::RepeatsRefused;
  }
  return FilterLoadOutcome::Ok;
}

QStringList GatherRelevanceTexts(const FileSourceChoice& input, const StopFlag* stop,
                                 std::vector<FileProblem>* problems) {
  QStringList texts;
  if (input.file_or_folder == FileOrFolder::t_textfile) {
    QString list;
    try {
      list = ReadTextOfFile(input.file_list);
    } catch (const FileReadError& e) {
      if (problems) problems->push_back({input.file_list, e.Reason()});
      return texts;
    }
    const QString list_folder = QFileInfo(input.file_list).absolutePath();
    for (const QString& raw : list.split(QStringLiteral("\r\n"))) {
      const QString name = raw.section(QLatin1Char('\t'), 0, 0).trimmed();
      if (name.isEmpty()) continue;
      // Relative names are taken from the list file's folder.
      const QString full = QDir::isAbsolutePath(name) ? name : QDir(list_folder).filePath(name);
      const NativeFileStatus named = StatPath(full);
      if (named.is_file) {
        texts << QDir::cleanPath(full);
      } else if (problems) {
        problems->push_back({QDir::cleanPath(full), named.exists
                                                        ? QStringLiteral("not a regular file")
                                                        : QStringLiteral("no such file")});
      }
    }
    return texts;
  }
  FileWalker it;
  it.HeadDir = input.head_folder;
  it.FileMask = input.filemask.isEmpty() ? QStringLiteral("*.*") : input.filemask;
  it.IncludeSubFolders = input.include_sub_folders;
  it.ReadDetails = false;  // the texts are listed by name only
  it.SetExcludedDirs({LX("LXFiltered")});
  if (!it.HeadDirExists()) {
    if (problems) problems->push_back({input.head_folder, QStringLiteral("no such folder")});
    return texts;
  }
  it.IterateFindingFiles();
  if (problems)
    problems->insert(problems->end(), it.FileProblems().begin(), it.FileProblems().end());
  if (Stopped(stop)) return texts;
  it.BuildDetailedList(FileSortOrder::ByName);
  const auto& found = it.FilesFound();
  texts.reserve(found.Count());
  for (int i = 0; i < found.Count(); ++i) texts << found.GetFullFilename(i);
  return texts;
}

namespace {

// One text scored on any thread: its result and what it adds to the run state.
struct ScoredText {
  ScoredTextRec result;
  RelevanceFilter state;  // the text's own counts and word totals
  FileProblem problem;    // set when the text could not be read
};

struct ScoringScratch {
  TextUnitBuffer text;  // reused, so that each thread grows one buffer
};

}  // namespace

QString ScoreRelevanceTexts(const QStringList& texts, const RelevanceFilterList& filters,
                            const RelevanceCheckParams& params, RelevanceFilter* overall,
                            RelevanceResults* results, const RelevanceCheckCallbacks& callbacks) {
  results->Clear();
  const int S = std::clamp(params.segments, 1, 10);
  const int M = std::clamp(params.coverage, 0, S);
  overall->files_examined = 0;
  overall->files_meeting_requirements = 0;
  overall->min_wordcount = params.min_words;
  overall->min_score = static_cast<float>(params.min_score);
  const RelevanceScorer scorer(filters);
  const int F = static_cast<int>(texts.size());
  // Texts are read and scored on every core; results are taken in list
  // order here, so totals, listing and stopping are those of one thread.
  const int helpers =
      F < 2 ? 0
            : std::clamp(params.threads > 0 ? params.threads - 1 : QThread::idealThreadCount() - 1,
                         0, 16);
  OrderedWork<ScoredText, ScoringScratch> work(
      F, helpers, [&](int k, ScoringScratch& scratch, const std::function<void(int)>&) {
        ScoredText out;
        out.result = scorer.ScoreFile(texts[k], S, M, &out.state, scratch.text, &out.problem);
        // A long text's buffer is not kept for the next, short ones.
        if (scratch.text.Capacity() > (qsizetype(1) << 24)) scratch.text.Release();
        return out;
      });
  ScoringScratch own;
  QString last_folder;
  ProgressCount counter(callbacks.count);
  for (int k = 0; k < F; ++k) {
    YieldToEvents();
    if (Stopped(callbacks.stop)) {
      work.Halt();
      break;
    }
    const QString& file = texts[k];
    const QString folder = QFileInfo(file).path();
    if (folder != last_folder && callbacks.status) callbacks.status(DisplayName(folder));
    last_folder = folder;
    ++overall->files_examined;
    const ScoredText scored = work.Take(k, own, nullptr);
    const ScoredTextRec& r = scored.result;
    overall->positive_terms_this_file = scored.state.positive_terms_this_file;
    overall->negative_terms_this_file = scored.state.negative_terms_this_file;
    overall->filtered_wordcount_overall += scored.state.filtered_wordcount_overall;
    overall->unfiltered_wordcount_overall += scored.state.unfiltered_wordcount_overall;
    if (!scored.problem.file.isEmpty() && callbacks.problem) callbacks.problem(scored.problem);
    if (r.words >= overall->min_wordcount && r.score >= overall->min_score)
      results->AddOne(file, r);
    if (callbacks.percent)
      callbacks.percent(
          static_cast<int>(static_cast<std::int64_t>(overall->files_examined) * 100 / F));
    counter.Report(overall->files_examined, F);
  }
  overall->files_meeting_requirements = results->Count();
  results->SortOnSingle_Sort2String(false);
  QString status;
  if (F >= 1) {
    const double listed = results->Count();
    status = LX("LXScore") + Format(QStringLiteral(": %0.n / %0.n  (%0.n%%)"),
                                    {listed, static_cast<double>(F), listed * 100.0 / F});
  }
  if (callbacks.status && !status.isEmpty()) callbacks.status(status);
  return status;
}

QString RelevanceSummary(const RelevanceFilter& overall, int total, int listed) {
  const QString found = QLocale().toString(listed) + QStringLiteral(" relevant");
  if (overall.files_examined < total)
    return StoppedSummary(overall.files_examined, total) + QStringLiteral(": ") + found;
  return CheckedSummary(total, found);
}

QString RepeatedTermsWarning(const QString& filter_file, const QString& repeated_lines) {
  // The lines come in pairs with the fields joined by commas; the term is
  // the first field.
  QStringList terms;
  const QStringList lines = repeated_lines.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  for (const QString& line : lines) {
    const QString term = QLatin1Char('"') + line.section(QLatin1Char(','), 0, 0) + QLatin1Char('"');
    if (!terms.contains(term)) terms << term;
  }
  return QStringLiteral("%1 gives %2 different settings on different lines:\r\n%3")
      .arg(DisplayName(filter_file),
           terms.size() == 1 ? QStringLiteral("the term ") + terms.first()
                             : QStringLiteral("the terms ") + terms.join(QStringLiteral(", ")),
           lines.join(QStringLiteral("\r\n")));
}

QString CoverageLabel(int segments) {
  QString word;
  switch (segments) {
    case 1:
      word = LX("LXAll");
      break;
    case 2:
      word = LX("LXHalves");
      break;
    case 3:
      word = LX("LXThirds");
      break;
    case 4:
      word = LX("LXQuarters");
      break;
    default:
      word = Format(LX("LXXths"), {segments});
      break;
  }
  return LX("LXCoverage") + Format(QStringLiteral(" (%s)"), {word});
}

// --- filtered copies ---

QString NewSubFolderFrom(const QString& filename, const QString& base) {
  const QString folder = QDir::cleanPath(QFileInfo(filename).absolutePath());
  const QString b = QDir::cleanPath(QDir(base).absolutePath());
  const QString rel = QDir(b).relativeFilePath(folder);
  if (rel == QLatin1String(".")) return QString();
  if (!rel.startsWith(QLatin1String("..")) && !QDir::isAbsolutePath(rel)) return rel;
  // Outside the base: the whole folder path, without its root or drive.
  QString path = folder;
  if (path.size() >= 2 && path[1] == QLatin1Char(':')) path.remove(0, 2);
  while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
  return path;
}

QString FilteredFolderOf(const QString& base) {
  QString b = QDir::cleanPath(base);
  if (!b.endsWith(QLatin1Char('/'))) b += QLatin1Char('/');
  return b + LX("LXFiltered");
}

int CopyFilteredTexts(const RelevanceResults& results, const QString& base, double min_score,
                      std::vector<FileProblem>* problems) {
  const QString root = FilteredFolderOf(base);
  int copied = 0;
  for (int i = 0; i < results.Count(); ++i) {
    QString file;
    ScoredTextRec rec;
    results.GetOneStrIntsSingle(i, &file, &rec);
    if (!IsExistingFile(file) || rec.score < min_score) continue;
    const QString sub = NewSubFolderFrom(file, base);
    const QString target_folder = sub.isEmpty() ? root : root + QLatin1Char('/') + sub;
    QString folder_error;
    if (!MakeFolders(target_folder, &folder_error)) {
      if (problems)
        problems->push_back(
            {target_folder, QStringLiteral("cannot create the folder: %1").arg(folder_error)});
      continue;
    }
    const QString target = target_folder + QLatin1Char('/') + QFileInfo(file).fileName();
    if (CanonicalPath(target) == CanonicalPath(file)) continue;
    // Copy beside the target first, so that a failed copy leaves an older
    // copy of the same name as it was.
    const QString part = target + QStringLiteral(".part");
    RemoveFile(part);
    QString error;
    if (SafeCopyFile(file, part, &error) != SafeFileResult::Done) {
      RemoveFile(part);
      if (problems)
        problems->push_back(
            {file, QStringLiteral("cannot copy to %1: %2").arg(DisplayName(target_folder), error)});
      continue;
    }
    if (PathExists(target) && !RemoveFile(target, &error)) {
      RemoveFile(part);
      if (problems) problems->push_back({target, QStringLiteral("cannot replace: %1").arg(error)});
      continue;
    }
    if (!RenameNoReplace(part, target, &error)) {
      RemoveFile(part);
      if (problems)
        problems->push_back(
            {file, QStringLiteral("cannot copy to %1: %2").arg(DisplayName(target_folder), error)});
      continue;
    }
    ++copied;
  }
  return copied;
}

QString RtfSampleHeading(int index, const ScoredTextRec& rec) {
  const QString pattern = QStringLiteral("(%d) ") + LX("LXScore") + QStringLiteral(": %.2n, ") +
                          LX("LXHitTypes") + QStringLiteral(": %0.n, (") + LX("LXNmanyWords") +
                          QStringLiteral(")");
  const QString heading =
      Format(pattern, {index + 1, static_cast<double>(rec.score), IntToSingle(rec.positive_terms),
                       IntToSingle(rec.words)});
  return QLatin1Char('<') + heading + QLatin1Char('>');
}
