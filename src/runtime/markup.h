#pragma once
// Markup removal shared by every tool that reads texts which may hold tags.
//
// A tag is the text from an opening character ("<") up to the next closing
// character (">"), both included, when that closing character comes within
// tag_span characters of the opening one. An opening character whose closing
// one is farther away (or missing) is ordinary text: a lone "<" in prose, such
// as "a < b", must not swallow the rest of the text. A tag span of 0 or less
// means no markup is removed.

#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstdint>

// The position of the closing character of a tag whose opening character is
// at open_at, or -1 when none comes within tag_span characters (the opening
// character is then ordinary text).
qsizetype MarkupTagClose(QStringView text, qsizetype open_at, QChar close, int tag_span);

// Removes markup from text where it lies, without a second copy.
void RemoveMarkupInPlace(QString& text, QChar open = QLatin1Char('<'),
                         QChar close = QLatin1Char('>'), int tag_span = 250);

QString WithoutMarkup(QStringView text, QChar open = QLatin1Char('<'),
                      QChar close = QLatin1Char('>'), int tag_span = 250);

// The whole text of a file as the suite reads it (see text_reader.h), or an
// empty string when it cannot be read.
QString GetTextFromFile(const QString& path);

// The text of a file with its markup removed; empty when it cannot be read.
QString MarkupFreeTextFromAFile(const QString& path, int tag_span);

// A block of UTF-16 units that grows in place where the system allows (a
// large block is moved by remapping its pages, not by copying), so a long
// text never needs room for two copies of itself. Kept between texts, it
// costs no allocation per text.
class TextUnitBuffer {
 public:
  TextUnitBuffer() = default;
  ~TextUnitBuffer();
  TextUnitBuffer(const TextUnitBuffer&) = delete;
  TextUnitBuffer& operator=(const TextUnitBuffer&) = delete;

  QStringView View() const { return QStringView(data_, size_); }
  qsizetype Size() const { return size_; }
  qsizetype Capacity() const { return capacity_; }
  void Clear() { size_ = 0; }
  void Reserve(qsizetype units);
  void Append(QStringView piece);
  // Shortens the text to its first units.
  void Truncate(qsizetype units) { size_ = std::min(size_, units); }
  char16_t* Data() { return data_; }
  // Gives the memory back.
  void Release();

 private:
  char16_t* data_ = nullptr;
  qsizetype size_ = 0;
  qsizetype capacity_ = 0;
  bool mapped_ = false;  // pages mapped for the block alone (a large block)
};

// Removes markup from units [0, n) where they lie; returns the new length.
qsizetype RemoveMarkupInPlace(char16_t* text, qsizetype n, char16_t open, char16_t close,
                              int tag_span);

// The same as MarkupFreeTextFromAFile, read into out. The block is sized
// from the file's size in bytes (size_hint) and grows by an eighth at a time
// when the text turns out longer; markup is removed in place. When the file
// cannot be read, out is left empty and the reader's error is passed on.
void ReadMarkupFreeText(const QString& path, std::int64_t size_hint, int tag_span,
                        TextUnitBuffer& out);
