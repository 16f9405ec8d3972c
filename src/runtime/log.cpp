#include "runtime/log.h"

#include <QFile>
#include <QFileInfo>
#include <mutex>

namespace {
std::mutex g_log_mutex;
QString g_log_path;
bool g_logging = false;
}  // namespace

void SetLogFilename(const QString& path) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  g_log_path = path;
}

QString LogFilename() {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  return g_log_path;
}

void SetLogging(bool on) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  g_logging = on;
}

bool LoggingActive() {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  return g_logging && !g_log_path.isEmpty() && QFileInfo(g_log_path).isFile();
}

void AddToLogFile(const QString& line) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  if (!g_logging || g_log_path.isEmpty() || !QFileInfo(g_log_path).isFile()) return;
  QFile f(g_log_path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
  f.write(line.toUtf8());
  f.write("\n");
}
