#include "runtime/file_list.h"

#include <cmath>
#include <algorithm>
#include <numeric>

namespace {
const QDateTime& Epoch() {
  static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime);
  return epoch;
}
}  // namespace

double DateTimeToDayNumber(const QDateTime& dt) {
  // Whole days from the calendar date, the fraction from the local time of day,
  // so that a stamp does not shift across daylight-saving changes.
  const QDateTime local = dt.toLocalTime();
  const qint64 days = Epoch().date().daysTo(local.date());
  const double frac = local.time().msecsSinceStartOfDay() / 86400000.0;
  return static_cast<double>(days) + frac;
}

QDateTime DayNumberToDateTime(double days) {
  const double whole = std::floor(days);
  const QDate date = Epoch().date().addDays(static_cast<qint64>(whole));
  const int ms = static_cast<int>(std::llround((days - whole) * 86400000.0));
  return QDateTime(date, QTime(0, 0), Qt::LocalTime).addMSecs(ms);
}

double UnixSecondsToDayNumber(std::int64_t seconds, std::int64_t nanoseconds) {
  const QDateTime dt = QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::LocalTime);
  return DateTimeToDayNumber(dt);
}

QString TFolderEfficientFileStringlist::GetFullFilename(int i) const {
  const auto& r = recs_[static_cast<std::size_t>(i)];
  return folders_[r.FolderNumber] + r.Name;
}

int TFolderEfficientFileStringlist::AddFolder(const QString& folder) {
  QString f = folder;
  if (!f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
  auto it = folder_index_.constFind(f);
  if (it != folder_index_.constEnd()) return it.value();
  const int n = static_cast<int>(folders_.size());
  folders_.push_back(f);
  folder_index_.insert(f, n);
  return n;
}

int TFolderEfficientFileStringlist::AddOne(int folder_number, QString name, std::int64_t size, double time) {
  recs_.push_back(TMySimpleSearchRec{time, size, folder_number, std::move(name)});
  return static_cast<int>(recs_.size()) - 1;
}

int TFolderEfficientFileStringlist::AddOne(const QString& full_name, std::int64_t size, double time) {
  const qsizetype slash = full_name.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash >= 0 ? full_name.left(slash + 1) : QString();
  const QString name = slash >= 0 ? full_name.mid(slash + 1) : full_name;
  return AddOne(AddFolder(folder), name, size, time);
}

void TFolderEfficientFileStringlist::RemoveEntries(std::vector<int> indexes) {
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  std::size_t out = 0;
  std::size_t next = 0;
  for (std::size_t i = 0; i < recs_.size(); ++i) {
    if (next < indexes.size() && static_cast<std::size_t>(indexes[next]) == i) {
      ++next;
      continue;
    }
    if (out != i) recs_[out] = std::move(recs_[i]);
    ++out;
  }
  recs_.resize(out);
}

void TFolderEfficientFileStringlist::Clear() {
  folders_.clear();
  folder_index_.clear();
  recs_.clear();
}

void TFolderEfficientFileStringlist::DoASort(TFileSortOrder order) {
  if (order == TFileSortOrder::None || recs_.size() < 2) return;
  // Build each full name and its lower-cased form once, not once per
  // comparison: names are compared without regard to case, as lower-cased
  // text, and names equal but for case by their exact text.
  std::vector<QString> full(recs_.size());
  std::vector<QString> lower(recs_.size());
  for (std::size_t i = 0; i < recs_.size(); ++i) {
    full[i] = folders_[recs_[i].FolderNumber] + recs_[i].Name;
    lower[i] = full[i].toLower();
  }
  std::vector<std::size_t> idx(recs_.size());
  std::iota(idx.begin(), idx.end(), 0);
  auto byName = [&](std::size_t a, std::size_t b) {
    const int c = QStringView(lower[a]).compare(QStringView(lower[b]));
    if (c != 0) return c < 0;
    return full[a] < full[b];
  };
  switch (order) {
    case TFileSortOrder::ByName:
      std::stable_sort(idx.begin(), idx.end(), byName);
      break;
    case TFileSortOrder::BySize:
      std::stable_sort(idx.begin(), idx.end(), [&](std::size_t a, std::size_t b) {
        if (recs_[a].Size != recs_[b].Size) return recs_[a].Size < recs_[b].Size;
        return byName(a, b);
      });
      break;
    case TFileSortOrder::ByDate:
      std::stable_sort(idx.begin(), idx.end(), [&](std::size_t a, std::size_t b) {
        if (recs_[a].Time != recs_[b].Time) return recs_[a].Time < recs_[b].Time;
        return byName(a, b);
      });
      break;
    case TFileSortOrder::None:
      break;
  }
  std::vector<TMySimpleSearchRec> sorted;
  sorted.reserve(recs_.size());
  for (std::size_t i : idx) sorted.push_back(std::move(recs_[i]));
  recs_ = std::move(sorted);
}

QStringList TFolderEfficientFileStringlist::GetAsStringlist() const {
  QStringList out;
  out.reserve(static_cast<qsizetype>(recs_.size()));
  for (int i = 0; i < Count(); ++i) out << GetFullFilename(i);
  return out;
}

int Compare2Strings(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive); }
int CompareDates(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }
int CompareLongints(std::int32_t a, std::int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
int CompareInt64s(std::int64_t a, std::int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
