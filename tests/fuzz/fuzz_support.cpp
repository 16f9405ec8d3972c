#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "fuzz_targets.h"

namespace {
QString ScratchFolder() {
  static const QString folder = [] {
    const QString path = QDir::tempPath() + QStringLiteral("/sorvel-fuzz-%1").arg(::getpid());
    QDir().mkpath(path);
    return path;
  }();
  return folder;
}
QString g_input_name;
}  // namespace

void SetFuzzInputName(const QString& name) { g_input_name = name; }

QString WriteFuzzScratchFile(const QString& name, const char* data, std::size_t size) {
  const QString path = ScratchFolder() + QLatin1Char('/') + name;
  std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
  FuzzCheck(f != nullptr, "cannot create the scratch file");
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  FuzzCheck(std::fclose(f) == 0 && written, "cannot write the scratch file");
  return path;
}

void FuzzCheck(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s%s%s\n", what,
               g_input_name.isEmpty() ? "" : " (input ",
               g_input_name.isEmpty() ? "" : qPrintable(g_input_name + QLatin1Char(')')));
  std::abort();
}
