#include "relevance/relevance_rtf.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"
#include "viewer/rtf_writer.h"
#include "viewer/text_spans.h"

int SaveRtfSampleRun(const RelevanceResults& results, const RtfSampleChoice& choice,
                     const RtfSaveOne& save, const StopFlag* stop) {
  int saved = 0;
  for (int k = 0; k < choice.sample_size; ++k) {
    const int i = choice.start_num + k;
    if (i < 0 || i >= results.Count()) break;
    YieldToEvents();
    if (StopRequested() || (stop && stop->Requested())) break;
    const QString& file = results.String(i);
    if (!IsExistingFile(file)) continue;
    if (save(i, file, RtfSampleHeading(i, results.GetOne(i)))) ++saved;
  }
  return saved;
}

std::vector<SearchTerm> PositiveTerms(const RelevanceFilterList& filters) {
  std::vector<SearchTerm> terms;
  for (const SearchTerm& t : filters.Terms())
    if (!t.Negative()) terms.push_back(t);
  return terms;
}

bool SaveTextAsHighlightedRtf(const QString& file, const std::vector<SearchTerm>& terms,
                              const QString& folder, const QString& heading, QString* problem) {
  QString text;
  try {
    text = ReadTextOfFile(file);
  } catch (const FileReadError& e) {
    if (problem) *problem = e.Reason();
    return false;
  }
  // Terms are looked for after a header block, and never inside markup.
  const qsizetype header_end = text.indexOf(QStringLiteral("</HEADER>"), 0, Qt::CaseInsensitive);
  const int from = header_end < 0 ? 0 : static_cast<int>(header_end + 9);
  const std::vector<TermSpan> tags =
      MarkupSpans(text, QLatin1Char('<'), QLatin1Char('>'), GetIgnoreTagsSpan());
  const TermHits hits = FindTermHits(text, terms, from, tags);

  RtfDocument doc;
  doc.text = text;
  doc.normal = RtfSpanStyle{{0, 0, 0}, {255, 255, 255}, false};
  doc.styles.push_back(RtfSpanStyle{kHighlightText, kHighlightBackground, true});
  for (const TermSpan& span : hits.spans) doc.spans.push_back({span.start, span.length, 0});
  std::vector<std::pair<int, int>> counts;  // (hits, term index)
  for (std::size_t t = 0; t < hits.counts.size(); ++t)
    if (hits.counts[t] > 0) counts.emplace_back(hits.counts[t], static_cast<int>(t));
  if (doc.spans.empty()) return false;
  std::stable_sort(counts.begin(), counts.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  QStringList summary;
  for (const auto& [count, t] : counts)
    summary << Format(QStringLiteral("%s (%d)"),
                      {terms[static_cast<std::size_t>(t)].typed_in, count});
  doc.heading = heading;
  doc.summary = QLatin1Char('<') + summary.join(QLatin1Char(',')) + QLatin1Char('>');

  MakeFolders(folder);
  const QFileInfo shown(file);
  const QString name = (shown.suffix().isEmpty() ? shown.fileName() : shown.completeBaseName()) +
                       QStringLiteral(".rtf");
  const QString target = QDir(folder).filePath(name);
  if (PathExists(target) && OKToDoX(Format(LX("LXOverwriteX"), {DisplayName(target)})) != mrOK)
    return false;
  QString why;
  if (!WriteFileReplacing(target, WriteRtf(doc), &why)) {
    if (problem) *problem = QStringLiteral("cannot write %1: %2").arg(DisplayName(target), why);
    return false;
  }
  return true;
}

int SaveRelevanceRtfSample(const RelevanceResults& results, const RelevanceFilterList& filters,
                           const RtfSampleChoice& choice, std::vector<FileProblem>* problems) {
  const std::vector<SearchTerm> terms = PositiveTerms(filters);
  return SaveRtfSampleRun(results, choice, [&](int, const QString& file, const QString& heading) {
    QString problem;
    const bool saved = SaveTextAsHighlightedRtf(file, terms, choice.folder, heading, &problem);
    if (!problem.isEmpty() && problems) problems->push_back({file, problem});
    return saved;
  });
}
