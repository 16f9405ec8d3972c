#include "support/test_support.h"

#include <ftw.h>
#include <sys/stat.h>
#include <utime.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "runtime/native_files.h"
#include "runtime/native_names.h"
#include "runtime/text_reader.h"

TempTree::TempTree() { dir_.setAutoRemove(true); }

TempTree::~TempTree() {
  const QByteArray root = NativeFromName(dir_.path());
  ::nftw(
      root.constData(),
      [](const char* path, const struct stat*, int, struct FTW*) {
        ::chmod(path, 0700);  // a test may have taken a folder's permissions away
        ::remove(path);
        return 0;
      },
      16, FTW_DEPTH | FTW_PHYS);
}

QString TempTree::Path(const QString& rel) const { return dir_.path() + QLatin1Char('/') + rel; }

QString TempTree::Write(const QString& rel, const QByteArray& bytes) {
  const QString p = Path(rel);
  MakeFolders(QFileInfo(p).absolutePath());
  QFile f;
  if (OpenNativeFile(f, p, QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
  return p;
}

QString TempTree::WriteText(const QString& rel, const QString& utf8_text) {
  return Write(rel, utf8_text.toUtf8());
}

QString TempTree::MakeDir(const QString& rel) {
  const QString p = Path(rel);
  MakeFolders(p);
  return p;
}

void TempTree::SetMTime(const QString& rel, std::int64_t unix_seconds) {
  struct utimbuf t;
  t.actime = static_cast<time_t>(unix_seconds);
  t.modtime = static_cast<time_t>(unix_seconds);
  ::utime(NativeFromName(Path(rel)).constData(), &t);
}

QByteArray Utf16LeWithBom(const QString& text) {
  QByteArray b("\xFF\xFE", 2);
  for (QChar c : text) {
    b.append(static_cast<char>(c.unicode() & 0xFF));
    b.append(static_cast<char>(c.unicode() >> 8));
  }
  return b;
}

QByteArray ReadAll(const QString& path) {
  QByteArray bytes;
  ReadWholeFile(path, &bytes);
  return bytes;
}

QString RandomPiecesText(const QStringList& parts, int max_pieces) {
  QString text;
  const int n = 1 + std::rand() % max_pieces;
  for (int i = 0; i < n; ++i) text += parts[std::rand() % parts.size()];
  return text;
}

TextDecodingScope::TextDecodingScope(const QString& choice, const QString& auto_code_page) {
  if (!SetAnsiCodePage(auto_code_page) || !SetTextDecoding(choice)) {
    throw std::runtime_error("unusable decoding choice in a test");
  }
}

TextDecodingScope::~TextDecodingScope() {
  SetAnsiCodePage(QStringLiteral("windows-1252"));
  SetTextDecoding(QStringLiteral("auto"));
}

void UseScratchSettings() {
  static QTemporaryDir folder;
  qputenv("SORVEL_SETTINGS", folder.filePath(QStringLiteral("lexivor.ini")).toLocal8Bit());
}
