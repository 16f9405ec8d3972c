#include "runtime/file_list.h"

#include <algorithm>
#include <cmath>

#include "runtime/packed_key.h"
#include "runtime/text_case.h"

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
  const QDateTime dt =
      QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::LocalTime);
  return DateTimeToDayNumber(dt);
}

QString FolderFileList::GetFullFilename(int i) const {
  const auto& r = recs_[static_cast<std::size_t>(i)];
  return folders_[r.FolderNumber] + r.Name;
}

int FolderFileList::AddFolder(const QString& folder) {
  QString f = folder;
  if (!f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
  auto it = folder_index_.constFind(f);
  if (it != folder_index_.constEnd()) return it.value();
  const int n = static_cast<int>(folders_.size());
  folders_.push_back(f);
  folder_index_.insert(f, n);
  return n;
}

int FolderFileList::AddOne(int folder_number, QString name, std::int64_t size, double time) {
  recs_.push_back(FileRecord{time, size, folder_number, std::move(name)});
  return static_cast<int>(recs_.size()) - 1;
}

int FolderFileList::AddOne(const QString& full_name, std::int64_t size, double time) {
  const qsizetype slash = full_name.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash >= 0 ? full_name.left(slash + 1) : QString();
  const QString name = slash >= 0 ? full_name.mid(slash + 1) : full_name;
  return AddOne(AddFolder(folder), name, size, time);
}

void FolderFileList::RemoveEntries(std::vector<int> indexes) {
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

void FolderFileList::Clear() {
  folders_.clear();
  folder_index_.clear();
  recs_.clear();
}

namespace {

// Compares the texts a1 + a2 and b1 + b2, code unit by code unit, from
// position `from` on, without joining them.
int CompareJoined(QStringView a1, QStringView a2, QStringView b1, QStringView b2, qsizetype from) {
  const qsizetype la = a1.size() + a2.size();
  const qsizetype lb = b1.size() + b2.size();
  const qsizetype n = std::min(la, lb);
  for (qsizetype i = from; i < n; ++i) {
    const char16_t ca = i < a1.size() ? a1[i].unicode() : a2[i - a1.size()].unicode();
    const char16_t cb = i < b1.size() ? b1[i].unicode() : b2[i - b1.size()].unicode();
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return la == lb ? 0 : (la < lb ? -1 : 1);
}

}  // namespace

void FolderFileList::DoASort(FileSortOrder order) {
  if (order == FileSortOrder::None || recs_.size() < 2) return;
  // Names are compared as lower-cased full paths, and equal ones by their
  // exact text. A path is its folder and its name, and folders are few: each
  // is lower-cased once, each name once, and paths are compared in their two
  // parts, never joined. Every path starts with one of the folders, so the
  // part all folders share is skipped, and the next 32 characters are packed
  // into a key that settles most comparisons without reading the paths.
  std::vector<QString> lower_folders;
  lower_folders.reserve(static_cast<std::size_t>(folders_.size()));
  for (const QString& f : folders_) lower_folders.push_back(LowerCasedName(f));
  qsizetype shared = lower_folders.empty() ? 0 : lower_folders.front().size();
  for (const QString& f : lower_folders) {
    const QString& first = lower_folders.front();
    qsizetype k = 0;
    while (k < shared && k < f.size() && f[k] == first[k]) ++k;
    shared = k;
  }

  struct Entry {
    PackedKey<4> key;
    std::uint32_t index;
  };
  std::vector<QString> lower_names(recs_.size());
  std::vector<Entry> entries(recs_.size());
  for (std::size_t i = 0; i < recs_.size(); ++i) {
    const QString& folder = lower_folders[static_cast<std::size_t>(recs_[i].FolderNumber)];
    lower_names[i] = LowerCasedName(recs_[i].Name);
    // One character more than the key holds tells it that the path goes on.
    char16_t start[33];
    qsizetype n = 0;
    for (qsizetype k = shared; k < folder.size() && n < 33; ++k) start[n++] = folder[k].unicode();
    for (qsizetype k = 0; k < lower_names[i].size() && n < 33; ++k)
      start[n++] = lower_names[i][k].unicode();
    entries[i] = Entry{PackKey<4>(QStringView(start, n)), static_cast<std::uint32_t>(i)};
  }
  auto by_name = [&](const Entry& a, const Entry& b) {
    int c = ComparePackedKeys(a.key, b.key);
    const auto& ra = recs_[a.index];
    const auto& rb = recs_[b.index];
    if (c == 2) {
      c = CompareJoined(
          lower_folders[static_cast<std::size_t>(ra.FolderNumber)], lower_names[a.index],
          lower_folders[static_cast<std::size_t>(rb.FolderNumber)], lower_names[b.index], shared);
    }
    if (c != 0) return c < 0;
    c = CompareJoined(folders_[ra.FolderNumber], ra.Name, folders_[rb.FolderNumber], rb.Name, 0);
    if (c != 0) return c < 0;
    return a.index < b.index;  // the order of adding
  };
  switch (order) {
    case FileSortOrder::ByName:
      std::sort(entries.begin(), entries.end(), by_name);
      break;
    case FileSortOrder::BySize:
      std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        const auto sa = recs_[a.index].Size;
        const auto sb = recs_[b.index].Size;
        if (sa != sb) return sa < sb;
        return by_name(a, b);
      });
      break;
    case FileSortOrder::ByDate:
      std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        const double ta = recs_[a.index].Time;
        const double tb = recs_[b.index].Time;
        if (ta != tb) return ta < tb;
        return by_name(a, b);
      });
      break;
    case FileSortOrder::None:
      break;
  }
  std::vector<FileRecord> sorted;
  sorted.reserve(recs_.size());
  for (const Entry& e : entries) sorted.push_back(std::move(recs_[e.index]));
  recs_ = std::move(sorted);
}

QStringList FolderFileList::GetAsStringlist() const {
  QStringList out;
  out.reserve(static_cast<qsizetype>(recs_.size()));
  for (int i = 0; i < Count(); ++i) out << GetFullFilename(i);
  return out;
}

int Compare2Strings(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive);
}
int CompareDates(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }
int CompareLongints(std::int32_t a, std::int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
int CompareInt64s(std::int64_t a, std::int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
