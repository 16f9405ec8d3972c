#pragma once
// Texts and searches shared by the duplicate-contents tests.

#include <QByteArray>
#include <QStringList>
#include <cstdint>

#include "duplicates/file_duplicate_contents_seeking.h"
#include "runtime/file_walker.h"
#include "runtime/panic.h"

// A text of `words` pseudo-random words, ten to a line; different seeds give
// texts that share almost no words.
inline QByteArray DupTestText(std::uint32_t seed, int words) {
  std::uint32_t x = seed * 2654435761u + 12345u;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  QByteArray out;
  for (int w = 0; w < words; ++w) {
    const int len = 3 + static_cast<int>(next() % 6);
    for (int k = 0; k < len; ++k) out.append(static_cast<char>('a' + next() % 26));
    out.append((w % 10 == 9) ? '\n' : ' ');
  }
  return out;
}

struct DupSearchOptions {
  int max_days = 1;
  int start_percent = 0;
  bool check_dates = false;
  bool same_folder = false;
  float length_diff = 0.5f;
  float words_diff = 0.5f;
  bool normalize = false;
};

inline DupContentsCriteria DupTestCriteria(const DupSearchOptions& o) {
  DupContentsCriteria c;
  c.max_days_diff = o.max_days;
  c.check_dates = o.check_dates;
  c.same_folder = o.same_folder;
  c.max_length_diff_percent = o.length_diff;
  c.max_words_diff_percent = o.words_diff;
  c.tag_span = 250;
  c.start_percent = o.start_percent;
  c.normalize_space = o.normalize;
  return c;
}

// The files under root (sub-folders included), sorted by size.
inline FolderFileList DupTestFilesBySize(const QString& root) {
  FileWalker it;
  it.HeadDir = root;
  it.IncludeSubFolders = true;
  it.IterateFindingFiles();
  it.BuildDetailedList(FileSortOrder::BySize);
  return it.FilesFound();
}

inline int DupTestSeek(DupContentsSeeker& seeker, const QString& root,
                       const DupSearchOptions& o = {}, QStringList* empty = nullptr,
                       QStringList* statuses = nullptr) {
  global_panic_state.store(0);
  const FolderFileList files = DupTestFilesBySize(root);
  QStringList empty_files;
  seeker.Clear();
  DupContentsCallbacks callbacks;
  callbacks.status = [statuses](const QString& s) {
    if (statuses) *statuses << s;
  };
  callbacks.percent = [](int) { return false; };
  const int n =
      seeker.SeekContentsDuplicatesIn(files, root, DupTestCriteria(o), callbacks, &empty_files);
  if (empty) *empty = empty_files;
  return n;
}
