#include "duplicates/dup_names_tree.h"

#include <QLocale>

#include "runtime/file_list.h"

QString DupNamesKey(const TDupNamesRec& rec, int n_duplicates) {
  return rec.sr.Name + QStringLiteral(" (") + QString::number(n_duplicates) + QLatin1Char(')');
}

QString DupNamesFolder(const QString& dir) {
  if (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) return dir.left(dir.size() - 1);
  return dir;
}

QString DupNamesFolderText(const TDupNamesTreeFile& file) {
  const QString date = QLocale().toString(DayNumberToDateTime(file.time).date(), QLocale::ShortFormat);
  return file.folder + QStringLiteral(" (") + date + QLatin1Char(')');
}

QString DupNamesIsoDate(double time) { return DayNumberToDateTime(time).date().toString(Qt::ISODate); }

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
