#include "duplicates/dup_names_tree.h"

#include <QHash>
#include <QLocale>
#include <cmath>

#include "runtime/file_list.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"

QString DupNamesKey(const DupNamesRec& rec, int n_duplicates) {
  return rec.sr.Name + QStringLiteral(" (") + QString::number(n_duplicates) + QLatin1Char(')');
}

QStringView DupNamesTreeFile::Folder() const {
  const QStringView d(dir);
  if (d.size() > 1 && d.back() == QLatin1Char('/')) return d.chopped(1);
  return d;
}

const QString& DupNamesDateText(double time, const QLocale& locale) {
  // Asking the locale to format a date is slow (it queries the system's
  // settings each time), and a tree of many files holds few distinct days:
  // each day is formatted once per locale and kept.
  struct DateCache {
    QLocale locale;
    QHash<qint64, QString> texts;
  };
  thread_local DateCache cache;
  if (locale != cache.locale) {
    cache.locale = locale;
    cache.texts.clear();
  }
  const QDate day = DupNamesDate(time);
  auto it = cache.texts.constFind(day.toJulianDay());
  if (it == cache.texts.constEnd()) {
    it = cache.texts.insert(day.toJulianDay(), locale.toString(day, QLocale::ShortFormat));
  }
  return it.value();
}

QString DupNamesFolderText(const DupNamesTreeFile& file) {
  return DisplayName(file.Folder().toString()) + QStringLiteral(" (") +
         DupNamesDateText(file.time, QLocale()) + QLatin1Char(')');
}

QDate DupNamesDate(double time) {
  // The whole part of a day number is the local calendar day.
  return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(time)));
}

QString DupNamesIsoDate(double time) { return DupNamesDate(time).toString(Qt::ISODate); }

bool DupNamesTreeLines::KeyIs(const QString& key, const QString& name, std::int32_t n_duplicates) {
  if (n_duplicates != suffix_count_) {
    suffix_count_ = n_duplicates;
    suffix_ = QStringLiteral(" (") + QString::number(n_duplicates) + QLatin1Char(')');
  }
  if (key.size() != name.size() + suffix_.size()) return false;
  const QStringView k(key);
  return k.first(name.size()) == QStringView(name) && k.sliced(name.size()) == QStringView(suffix_);
}

bool DupNamesTreeLines::AddFile(std::int32_t /*show_order*/, std::int32_t n_duplicates,
                                const DupNamesRec& rec) {
  // The key is compared in its parts and built only for a new line: most
  // files join a line that is already there.
  DupNamesTreeFile file{rec.dir, rec.sr.Time};
  const int count = static_cast<int>(groups_.size());
  for (int i = std::max(0, last_dup_names_treeview_search); i < count; ++i) {
    if (KeyIs(groups_[static_cast<std::size_t>(i)].key, rec.sr.Name, n_duplicates)) {
      groups_[static_cast<std::size_t>(i)].files.push_back(std::move(file));
      last_dup_names_treeview_search = i;
      return true;
    }
  }
  last_dup_names_treeview_search = count > 0 ? count - 1 : 0;
  DupNamesTreeGroup group{DupNamesKey(rec, n_duplicates), {}};
  group.files.reserve(static_cast<std::size_t>(std::max(1, n_duplicates)));
  group.files.push_back(std::move(file));
  groups_.push_back(std::move(group));
  return true;
}

QString DupNamesSummary(const DupNamesSeeker& seeker, const DupNamesTreeLines& lines) {
  long long files = 0;
  for (const DupNamesTreeGroup& g : lines.Groups()) files += static_cast<long long>(g.files.size());
  const long long names = static_cast<long long>(lines.Groups().size());
  QString found;
  if (names == 0) {
    found = QStringLiteral("no duplicates");
  } else if (seeker.using_folder1_only) {
    found = CountOf(files) + (files == 1 ? QStringLiteral(" shares ") : QStringLiteral(" share ")) +
            CountOf(names, QStringLiteral("name"), QStringLiteral("names"));
  } else {
    found = CountOf(files) + QStringLiteral(" of folder 2 ") +
            (files == 1 ? QStringLiteral("shares ") : QStringLiteral("share ")) +
            CountOf(names, QStringLiteral("name"), QStringLiteral("names")) +
            QStringLiteral(" with folder 1");
  }
  const long long first = seeker.first_list.Count();
  const long long checked = first + (seeker.using_folder1_only ? 0 : seeker.second_list.Count());
  if (!seeker.searching.load())
    return StoppedSummary(seeker.ScannedEntries(), first) + QStringLiteral(": ") + found;
  return CheckedSummary(checked, found);
}
