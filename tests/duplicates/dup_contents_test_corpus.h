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

// The tests' criteria: any folder, any date, the narrowest thresholds.
inline DupContentsCriteria DupTestCriteria() {
  DupContentsCriteria c;
  c.check_dates = c.same_folder = false;
  c.tag_span = 250;
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

// Seeks the groups of the files under root; returns the number of pairs.
inline int DupTestSeek(DupContentsSeeker& seeker, const QString& root,
                       const DupContentsCriteria& criteria = DupTestCriteria(),
                       QStringList* empty = nullptr) {
  global_panic_state.store(0);
  QStringList empty_files;
  seeker.Clear();
  return seeker.SeekContentsDuplicatesIn(DupTestFilesBySize(root), root, criteria, {},
                                         empty ? empty : &empty_files);
}
