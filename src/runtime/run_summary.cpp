#include "runtime/run_summary.h"

#include <QLocale>

#include "runtime/native_names.h"

QString CountOf(long long count, const QString& singular, const QString& plural) {
  return CountOf(count, singular, plural, QLocale());
}

QString CountOf(long long count, const QString& singular, const QString& plural,
                const QLocale& locale) {
  return locale.toString(count) + QLatin1Char(' ') + (count == 1 ? singular : plural);
}

QString CheckedSummary(long long checked, const QString& found, const QString& singular,
                       const QString& plural) {
  QString line = QStringLiteral("Checked ") + CountOf(checked, singular, plural);
  if (!found.isEmpty()) line += QStringLiteral(": ") + found;
  return line;
}

QString StoppedSummary(long long done, long long total, const QString& singular,
                       const QString& plural) {
  if (total < 0) return QStringLiteral("Stopped after ") + CountOf(done, singular, plural);
  return QStringLiteral("Stopped after ") + QLocale().toString(done) + QStringLiteral(" of ") +
         CountOf(total, singular, plural);
}

QString FolderNotFoundSummary(const QString& folder) {
  return QStringLiteral("Folder not found: ") + DisplayName(folder);
}
