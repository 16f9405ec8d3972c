#pragma once
// The near-duplicate search written as plainly as it is defined: every first
// file in list order, every partner in its size window, the passage test by
// substring search, the word lists of every candidate pair. Slow and
// obviously right; the tests compare the seeker against it.

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "dup_contents_test_corpus.h"
#include "duplicates/file_duplicate_contents_seeking.h"
#include "runtime/error.h"
#include "runtime/file_list.h"
#include "runtime/markup.h"
#include "runtime/text_reader.h"
#include "runtime/word_lists.h"

struct OracleOutcome {
  int pairs = 0;
  QStringList empty_files;
  // One line per member: group number, file, tokens, token and type differences.
  QStringList members;
};

inline OracleOutcome OracleSeek(const FolderFileList& files, const DupSearchOptions& o,
                                bool normalize_space, int stop_after_pairs = -1) {
  const int n = files.Count();
  struct Text {
    QString text;
    bool by_bytes = false;
  };
  auto text_of = [&](int f) {
    Text t;
    bool cut = false;
    try {
      TextFileInfo info;
      t.text = WithoutMarkup(ReadTextOfFile(files.GetFullFilename(f), &info), QLatin1Char('<'),
                             QLatin1Char('>'), 250);
      cut = info.cut_at_nul;
    } catch (const SorvelError&) {
    }
    if (normalize_space) t.text = SpaceNormalisedText(t.text);
    t.by_bytes = t.text.isEmpty() || cut || SimpleWordListOfTxt(t.text, 1, false).TokenCount() == 0;
    return t;
  };
  auto bytes_of = [&](int f, bool* ok) {
    QFile file(files.GetFullFilename(f));
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.readAll() : QByteArray();
  };

  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::vector<double> size(static_cast<std::size_t>(n));
  for (int f = 0; f < n; ++f)
    size[static_cast<std::size_t>(f)] =
        normalize_space ? (files.GetASimpleSearchRec(f).Size == 0 ? 0.0 : text_of(f).text.size())
                        : static_cast<double>(files.GetASimpleSearchRec(f).Size);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return size[static_cast<std::size_t>(a)] < size[static_cast<std::size_t>(b)];
  });

  OracleOutcome out;
  std::vector<bool> done(static_cast<std::size_t>(n), false);
  std::vector<int> in_pair;
  struct Pair {
    int i, j, tokens_i, tokens_j, token_diff, type_diff;
  };
  std::vector<Pair> pairs;
  bool stop = false;
  for (int i = 0; i < n && !stop; ++i) {
    if (static_cast<std::int64_t>(i) * 100 / n < o.start_percent) continue;
    const int fi = order[static_cast<std::size_t>(i)];
    const FileRecord& ri = files.GetASimpleSearchRec(fi);
    if (done[static_cast<std::size_t>(i)]) continue;
    if (ri.Size == 0) {
      out.empty_files << files.GetFullFilename(fi);
      continue;
    }
    const Text ti = text_of(fi);
    const QString middle = ti.text.mid(std::max<qsizetype>(ti.text.size() / 2, 1) - 1, 100);
    const QString third = ti.text.mid(std::max<qsizetype>(ti.text.size() / 3, 1) - 1, 100);
    std::vector<int> candidates;
    for (int j = i + 1; j < n; ++j) {
      if (done[static_cast<std::size_t>(j)]) continue;
      const int fj = order[static_cast<std::size_t>(j)];
      const FileRecord& rj = files.GetASimpleSearchRec(fj);
      if (o.same_folder && rj.FolderNumber != ri.FolderNumber) continue;
      const double si = size[static_cast<std::size_t>(fi)], sj = size[static_cast<std::size_t>(fj)];
      if (static_cast<float>(std::fabs(si - sj) / ((si + sj) / 2.0) * 100.0) > o.length_diff) break;
      if (o.check_dates && std::trunc(std::fabs(ri.Time - rj.Time)) > o.max_days) continue;
      const Text tj = text_of(fj);
      bool candidate;
      if (ti.by_bytes || tj.by_bytes) {
        bool ok_i = false, ok_j = false;
        candidate = ti.by_bytes && tj.by_bytes && bytes_of(fi, &ok_i) == bytes_of(fj, &ok_j) &&
                    ok_i && ok_j;
      } else {
        candidate = (!middle.isEmpty() && tj.text.contains(middle)) ||
                    (!third.isEmpty() && tj.text.contains(third));
      }
      if (candidate) candidates.push_back(j);
    }
    const WordList wi = SimpleWordListOfTxt(ti.text, 1, false);
    bool first_entered = false;
    for (int j : candidates) {
      const int fj = order[static_cast<std::size_t>(j)];
      const WordList wj = SimpleWordListOfTxt(text_of(fj).text, 1, false);
      std::int32_t types = 0, tokens = 0;
      const bool similar = ti.by_bytes || TypeAndTokenDifferences2SimpleWordLists(
                                              wi, wj, o.length_diff, o.words_diff, &types, &tokens);
      if (!similar) continue;
      done[static_cast<std::size_t>(j)] = true;
      auto in = [&](int v) {
        return std::find(in_pair.begin(), in_pair.end(), v) != in_pair.end();
      };
      if (!first_entered && !in(i)) {
        first_entered = true;
        in_pair.push_back(i);
      }
      if (!in(j)) {
        in_pair.push_back(j);
        pairs.push_back({fi, fj, wi.TokenCount(), wj.TokenCount(), tokens, types});
        if (static_cast<int>(pairs.size()) == stop_after_pairs) stop = true;
      }
    }
  }
  out.pairs = static_cast<int>(pairs.size());
  // One line per member, named by its group's head: consecutive pairs with
  // the same first file form a group. Sorted, as the groups' order is not
  // compared.
  auto line = [&](int head, int f, int tokens, int token_diff, int type_diff) {
    out.members << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(files.GetFullFilename(head), files.GetFullFilename(f))
                       .arg(tokens)
                       .arg(token_diff)
                       .arg(type_diff);
  };
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    const Pair& pair = pairs[p];
    if (p == 0 || pair.i != pairs[p - 1].i)
      line(pair.i, pair.i, pair.tokens_i, pair.token_diff, pair.type_diff);
    line(pair.i, pair.j, pair.tokens_j, pair.token_diff, pair.type_diff);
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
    const QString head = s.FullFilename(members.GetAValue(0).file_index);
    for (int m = 0; m < members.Count(); ++m) {
      const DupContentsMember& r = members.GetAValue(m);
      out << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(head, s.FullFilename(r.file_index))
                 .arg(r.token_count)
                 .arg(r.token_diff)
                 .arg(r.type_diff);
    }
  }
  out.sort();
  return out;
}
