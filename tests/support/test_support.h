#pragma once
// Small helpers for tests that build folder trees of files.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <ostream>

// Readable failure messages for Qt strings in GoogleTest.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '{';
  for (qsizetype i = 0; i < l.size(); ++i) *os << (i ? ", \"" : "\"") << l[i].toStdString() << '"';
  *os << '}';
}

class TempTree {
 public:
  TempTree();
  // Removes the tree by its bytes: Qt's own removal misses names that are
  // not valid UTF-8.
  ~TempTree();
  QString Root() const { return dir_.path(); }
  // Path of a file or folder relative to the root.
  QString Path(const QString& rel) const;
  // Writes bytes to rel (creating folders); returns the full path. Paths go
  // to the system by their bytes, so rel may hold escaped bytes
  // (NameFromNative) to make names that are not valid UTF-8.
  QString Write(const QString& rel, const QByteArray& bytes);
  QString WriteText(const QString& rel, const QString& utf8_text);
  QString MakeDir(const QString& rel);
  // Sets a file's modification time (seconds since the Unix epoch, UTC).
  void SetMTime(const QString& rel, std::int64_t unix_seconds);

 private:
  QTemporaryDir dir_;
};

// 1 to max_pieces of the parts, drawn with std::rand (seed it for a test
// that repeats): names that mix cases, scripts and lengths.
QString RandomPiecesText(const QStringList& parts, int max_pieces);

// Points the program's settings file (SORVEL_SETTINGS) at a file in a fresh
// folder of its own that lives until the test program ends, so that a window
// test neither reads the user's settings nor leaves any behind, and no two
// tests share what they remember (window size, folders, column widths).
void UseScratchSettings();

// UTF-16 LE bytes with a byte-order mark.
QByteArray Utf16LeWithBom(const QString& text);
QByteArray ReadAll(const QString& path);

// Puts a decoding choice for texts without a byte-order mark ("auto",
// "utf-8" or a code page) in force for one test, and the defaults back after.
class TextDecodingScope {
 public:
  explicit TextDecodingScope(const QString& choice,
                             const QString& auto_code_page = QStringLiteral("windows-1252"));
  ~TextDecodingScope();
  TextDecodingScope(const TextDecodingScope&) = delete;
  TextDecodingScope& operator=(const TextDecodingScope&) = delete;
};
