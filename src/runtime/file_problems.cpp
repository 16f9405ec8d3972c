#include "runtime/file_problems.h"

#include <QLocale>
#include <QStringList>

#include "runtime/native_names.h"
#include "runtime/run_summary.h"

QString FileProblemLines(const std::vector<FileProblem>& problems, int limit) {
  QStringList lines;
  const int count = static_cast<int>(problems.size());
  const int shown = limit > 0 && count > limit ? limit : count;
  for (int k = 0; k < shown; ++k) {
    const FileProblem& p = problems[static_cast<std::size_t>(k)];
    lines << DisplayName(p.file) + QStringLiteral(": ") + p.reason;
  }
  if (shown < count) lines << QStringLiteral("... and %1 more").arg(count - shown);
  return lines.join(QStringLiteral("\r\n"));
}

QString CountOfFiles(const QString& pattern, std::size_t count) {
  return pattern.arg(CountOf(static_cast<long long>(count)));
}
