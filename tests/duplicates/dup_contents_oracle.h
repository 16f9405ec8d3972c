#pragma once
// The near-duplicate search written as plainly as it is defined: every first
// file in size order, every later partner in its size window, the passage
// test by substring search, the word lists of every candidate pair. Slow and
// obviously right; the tests compare the seeker against it.

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

#include "dup_contents_test_corpus.h"
#include "runtime/markup.h"
#include "runtime/text_reader.h"
#include "runtime/word_lists.h"
#include "support/test_support.h"

struct OracleOutcome {
  int pairs = 0;
  QStringList empty_files;
  // One line per member, sorted: group head, file, tokens, token and type differences.
  QStringList members;
};

// The search over files (readable, sorted by size); stops after the first
// file whose partners make stop_after_pairs pairs or more.
inline OracleOutcome OracleSeek(const FolderFileList& files, const DupContentsCriteria& c,
                                int stop_after_pairs = -1) {
  const int n = files.Count();
  auto name = [&](int f) { return files.GetFullFilename(f); };
  // A text without words (empty, only markup, or cut at a NUL) is compared by its bytes.
  auto text_of = [&](int f, bool* by_bytes) {
    TextFileInfo info;
    QString text = WithoutMarkup(ReadTextOfFile(name(f), &info), QLatin1Char('<'), QLatin1Char('>'),
                                 c.tag_span);
    if (c.normalize_space) text = SpaceNormalisedText(text);
    *by_bytes =
        text.isEmpty() || info.cut_at_nul || SimpleWordListOfTxt(text, 1, false).TokenCount() == 0;
    return text;
  };
  std::vector<double> size(n);
  for (int f = 0; f < n; ++f) {
    bool unused;
    size[f] = files.GetASimpleSearchRec(f).Size;
    if (c.normalize_space && size[f] > 0) size[f] = text_of(f, &unused).size();
  }
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return size[a] < size[b]; });

  OracleOutcome out;
  std::vector<bool> done(n, false);
  for (int i = 0; i < n && (stop_after_pairs < 0 || out.pairs < stop_after_pairs); ++i) {
    const int fi = order[i];
    const FileRecord& ri = files.GetASimpleSearchRec(fi);
    if (i * 100 / n < c.start_percent || done[i]) continue;
    if (ri.Size == 0) {
      out.empty_files << name(fi);
      continue;
    }
    bool i_bytes, j_bytes, first = true;
    const QString ti = text_of(fi, &i_bytes);
    const QString middle = ti.mid(std::max<qsizetype>(ti.size() / 2, 1) - 1, 100);
    const QString third = ti.mid(std::max<qsizetype>(ti.size() / 3, 1) - 1, 100);
    const WordList wi = SimpleWordListOfTxt(ti, 1, false);
    for (int j = i + 1; j < n; ++j) {
      const int fj = order[j];
      const FileRecord& rj = files.GetASimpleSearchRec(fj);
      if (done[j] || (c.same_folder && rj.FolderNumber != ri.FolderNumber)) continue;
      const double si = size[fi], sj = size[fj];
      if (static_cast<float>(std::fabs(si - sj) / ((si + sj) / 2.0) * 100.0) >
          c.max_length_diff_percent)
        break;
      if (c.check_dates && std::trunc(std::fabs(ri.Time - rj.Time)) > c.max_days_diff) continue;
      const QString tj = text_of(fj, &j_bytes);
      const bool candidate = i_bytes || j_bytes
                                 ? i_bytes && j_bytes && ReadAll(name(fi)) == ReadAll(name(fj))
                                 : (!middle.isEmpty() && tj.contains(middle)) ||
                                       (!third.isEmpty() && tj.contains(third));
      if (!candidate) continue;
      const WordList wj = SimpleWordListOfTxt(tj, 1, false);
      std::int32_t types = 0, tokens = 0;
      if (!i_bytes &&
          !TypeAndTokenDifferences2SimpleWordLists(wi, wj, c.max_length_diff_percent,
                                                   c.max_words_diff_percent, &types, &tokens))
        continue;
      done[j] = true;
      ++out.pairs;
      // The head's line carries the numbers of its group's first pair.
      auto line = [&](int f, const WordList& w) {
        out.members << QStringLiteral("%1 %2 %3 %4 %5")
                           .arg(name(fi), name(f))
                           .arg(w.TokenCount())
                           .arg(tokens)
                           .arg(types);
      };
      if (std::exchange(first, false)) line(fi, wi);
      line(fj, wj);
    }
  }
  out.members.sort();
  return out;
}

// The seeker's groups in the oracle's form.
inline QStringList SeekerMembers(const DupContentsSeeker& s) {
  QStringList out;
  const DupContentsGroups& groups = s.dup_contents_top_list;
  for (int g = 0; g < groups.Count(); ++g) {
    const DupContentsMembers& members = *groups.Group(g).dup_contents_list;
    for (int m = 0; m < members.Count(); ++m) {
      const DupContentsMember& r = members.GetAValue(m);
      out << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(s.FullFilename(members.GetAValue(0).file_index), s.FullFilename(r.file_index))
                 .arg(r.token_count)
                 .arg(r.token_diff)
                 .arg(r.type_diff);
    }
  }
  out.sort();
  return out;
}
