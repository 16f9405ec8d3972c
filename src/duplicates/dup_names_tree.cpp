#include "duplicates/dup_names_tree.h"

#include <QHash>
#include <QLocale>
#include <cmath>

#include "runtime/file_list.h"

QString DupNamesKey(const TDupNamesRec& rec, int n_duplicates) {
  return rec.sr.Name + QStringLiteral(" (") + QString::number(n_duplicates) + QLatin1Char(')');
}

QString DupNamesFolder(const QString& dir) {
  if (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) return dir.left(dir.size() - 1);
  return dir;
}

QString DupNamesFolderText(const TDupNamesTreeFile& file) {
  // Asking the locale to format a date is slow (it queries the system's
  // settings each time), and a tree of many files holds few distinct days:
  // each day is formatted once per locale and kept.
  struct DateCache {
    QLocale locale;
    QHash<qint64, QString> texts;
  };
  thread_local DateCache cache;
  const QLocale current;
  if (current != cache.locale) {
    cache.locale = current;
    cache.texts.clear();
  }
  const QDate day = DupNamesDate(file.time);
  auto it = cache.texts.constFind(day.toJulianDay());
  if (it == cache.texts.constEnd()) {
    it = cache.texts.insert(day.toJulianDay(), current.toString(day, QLocale::ShortFormat));
  }
  return file.folder + QStringLiteral(" (") + it.value() + QLatin1Char(')');
}

QDate DupNamesDate(double time) {
  // The whole part of a day number is the local calendar day.
  return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(time)));
}

QString DupNamesIsoDate(double time) { return DupNamesDate(time).toString(Qt::ISODate); }

bool TDupNamesTreeLines::AddFile(std::int32_t /*show_order*/, std::int32_t n_duplicates, const TDupNamesRec& rec) {
  const QString key = DupNamesKey(rec, n_duplicates);
  TDupNamesTreeFile file{DupNamesFolder(rec.dir), rec.sr.Time};
  const int count = static_cast<int>(groups_.size());
  for (int i = std::max(0, last_dup_names_treeview_search); i < count; ++i) {
    if (groups_[static_cast<std::size_t>(i)].key == key) {
      groups_[static_cast<std::size_t>(i)].files.push_back(std::move(file));
      last_dup_names_treeview_search = i;
      return true;
    }
  }
  last_dup_names_treeview_search = count > 0 ? count - 1 : 0;
  groups_.push_back(TDupNamesTreeGroup{key, {std::move(file)}});
  return true;
}
