#include "runtime/markup.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "runtime/error.h"
#include "runtime/text_reader.h"

qsizetype MarkupTagClose(QStringView text, qsizetype open_at, QChar close, int tag_span) {
  const qsizetype limit = std::min<qsizetype>(text.size(), open_at + 1 + tag_span);
  for (qsizetype k = open_at + 1; k < limit; ++k) {
    if (text[k] == close) return k;
  }
  return -1;
}

qsizetype RemoveMarkupInPlace(char16_t* p, qsizetype n, char16_t open, char16_t close,
                              int tag_span) {
  if (tag_span <= 0) return n;
  const QStringView text(p, n);
  qsizetype lt = text.indexOf(QChar(open));
  if (lt < 0) return n;
  // Every position read lies at or after every position written, so the
  // tag search still sees the original text.
  qsizetype w = lt;
  qsizetype i = lt;
  while (i < n) {
    lt = text.indexOf(QChar(open), i);
    if (lt < 0) lt = n;
    if (w != i) std::copy(p + i, p + lt, p + w);
    w += lt - i;
    if (lt == n) break;
    const qsizetype gt = MarkupTagClose(text, lt, QChar(close), tag_span);
    if (gt < 0) {
      p[w++] = open;
      i = lt + 1;
    } else {
      i = gt + 1;
    }
  }
  return w;
}

void RemoveMarkupInPlace(QString& text, QChar open, QChar close, int tag_span) {
  if (tag_span <= 0 || !text.contains(open)) return;
  const qsizetype n = RemoveMarkupInPlace(reinterpret_cast<char16_t*>(text.data()), text.size(),
                                          open.unicode(), close.unicode(), tag_span);
  text.truncate(n);
}

QString WithoutMarkup(QStringView text, QChar open, QChar close, int tag_span) {
  QString out = text.toString();
  RemoveMarkupInPlace(out, open, close, tag_span);
  return out;
}

QString GetTextFromFile(const QString& path) {
  try {
    return ReadTextOfFile(path);
  } catch (const SorvelError&) {
    return QString();
  }
}

QString MarkupFreeTextFromAFile(const QString& path, int tag_span) {
  return WithoutMarkup(GetTextFromFile(path), QLatin1Char('<'), QLatin1Char('>'), tag_span);
}

TextUnitBuffer::~TextUnitBuffer() { Release(); }

namespace {
// Blocks from this size on are mapped pages of their own, grown by
// remapping: the heap would serve them from its reserve and then copy them
// into a new block to grow them, needing room for both.
constexpr std::size_t kMappedFrom = std::size_t(16) << 20;
}  // namespace

void TextUnitBuffer::Release() {
  if (mapped_) {
    ::munmap(data_, static_cast<std::size_t>(capacity_) * sizeof(char16_t));
  } else {
    std::free(data_);
  }
  data_ = nullptr;
  mapped_ = false;
  size_ = capacity_ = 0;
}

void TextUnitBuffer::Reserve(qsizetype units) {
  if (units <= capacity_) return;
  std::size_t bytes = static_cast<std::size_t>(units) * sizeof(char16_t);
  if (bytes < kMappedFrom) {
    void* grown = std::realloc(data_, bytes);
    if (!grown) throw std::bad_alloc();
    data_ = static_cast<char16_t*>(grown);
    capacity_ = units;
    return;
  }
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  bytes = (bytes + page - 1) / page * page;
  void* block;
  if (mapped_) {
    block = ::mremap(data_, static_cast<std::size_t>(capacity_) * sizeof(char16_t), bytes,
                     MREMAP_MAYMOVE);
    if (block == MAP_FAILED) throw std::bad_alloc();
  } else {
    block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    if (size_ > 0) std::copy(data_, data_ + size_, static_cast<char16_t*>(block));
    std::free(data_);
  }
  data_ = static_cast<char16_t*>(block);
  mapped_ = true;
  capacity_ = static_cast<qsizetype>(bytes / sizeof(char16_t));
}

void TextUnitBuffer::Append(QStringView piece) {
  if (size_ + piece.size() > capacity_) Reserve(size_ + piece.size() + capacity_ / 8 + 1024);
  std::copy(piece.utf16(), piece.utf16() + piece.size(), data_ + size_);
  size_ += piece.size();
}

void ReadMarkupFreeText(const QString& path, std::int64_t size_hint, int tag_span,
                        TextUnitBuffer& out) {
  out.Clear();
  out.Reserve(static_cast<qsizetype>(std::max<std::int64_t>(size_hint, 0)) + 64);
  try {
    ReadNormalisedText(path, [&out](QStringView piece) { out.Append(piece); });
  } catch (const SorvelError&) {
    out.Clear();
    throw;
  }
  out.Truncate(RemoveMarkupInPlace(out.Data(), out.Size(), u'<', u'>', tag_span));
}
