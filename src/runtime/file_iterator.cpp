#include "runtime/file_iterator.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <unordered_map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "runtime/panic.h"

namespace {

bool WildMatch(const char16_t* p, qsizetype pn, const char16_t* s, qsizetype sn) {
  // Iterative "*"/"?" match with single backtrack point.
  qsizetype pi = 0, si = 0, star = -1, mark = 0;
  while (si < sn) {
    if (pi < pn && (p[pi] == u'?' || p[pi] == s[si])) {
      ++pi;
      ++si;
    } else if (pi < pn && p[pi] == u'*') {
      star = pi++;
      mark = si;
    } else if (star >= 0) {
      pi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (pi < pn && p[pi] == u'*') ++pi;
  return pi == pn;
}

QString NativeError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Day numbers of modification times. Converting each stamp through the local
// time zone costs a time-zone lookup per file (the C library re-checks the
// zone file each time), so the UTC offset is looked up once per quarter hour
// of stamps and reused: zones change their offset only on such boundaries.
// The arithmetic is that of DateTimeToDayNumber, so the results are equal.
class LocalDayNumbers {
 public:
  double Of(std::int64_t seconds, std::int64_t nanoseconds) {
    const std::int64_t utc_ms = seconds * 1000 + nanoseconds / 1000000;
    const std::int64_t bucket = FloorDiv(seconds, 900);
    auto it = offsets_.find(bucket);
    if (it == offsets_.end()) {
      if (offsets_.size() > 4096) offsets_.clear();
      const int offset = QDateTime::fromMSecsSinceEpoch(utc_ms, Qt::LocalTime).offsetFromUtc();
      it = offsets_.emplace(bucket, offset).first;
    }
    const std::int64_t local_ms = utc_ms + static_cast<std::int64_t>(it->second) * 1000;
    const std::int64_t days = FloorDiv(local_ms, 86400000);
    const std::int64_t ms_of_day = local_ms - days * 86400000;
    return static_cast<double>(days + kUnixEpochDay) + static_cast<double>(ms_of_day) / 86400000.0;
  }

 private:
  static constexpr std::int64_t kUnixEpochDay = 25569;  // 1970-01-01 as a day number
  static std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
  }
  std::unordered_map<std::int64_t, int> offsets_;
};

}  // namespace

FileMaskMatcher::FileMaskMatcher(const QString& masks) {
  for (QString m : masks.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    m = m.trimmed().toLower();
    if (m.isEmpty()) continue;
    Mask mk;
    mk.pattern = m;
    mk.all = (m == QLatin1String("*.*") || m == QLatin1String("*"));
    if (!mk.all && m.startsWith(QLatin1Char('*')) && !m.mid(1).contains(QLatin1Char('*')) &&
        !m.contains(QLatin1Char('?'))) {
      mk.suffix = m.mid(1);
    }
    masks_.push_back(mk);
  }
  if (masks_.empty()) masks_.push_back(Mask{QStringLiteral("*"), QString(), true});
}

bool FileMaskMatcher::Matches(const QString& name) const {
  QString lower;
  for (const Mask& m : masks_) {
    if (m.all) return true;
    if (!m.suffix.isEmpty()) {
      if (name.endsWith(m.suffix, Qt::CaseInsensitive)) return true;
      continue;
    }
    if (lower.isEmpty()) lower = name.toLower();
    if (WildMatch(reinterpret_cast<const char16_t*>(m.pattern.utf16()), m.pattern.size(),
                  reinterpret_cast<const char16_t*>(lower.utf16()), lower.size()))
      return true;
  }
  return false;
}

void TFileAndDirIterator::SetExcludedDirs(const QStringList& names) {
  excluded_.clear();
  for (const QString& n : names) {
    const QString t = n.trimmed();
    if (!t.isEmpty()) excluded_ << t.toLower();
  }
}

void TFileAndDirIterator::Clear() {
  found_.Clear();
  problems_.clear();
}

void TFileAndDirIterator::Problem(const QString& text) {
  problems_ << text;
  if (OnProblem) OnProblem(text);
}

bool TFileAndDirIterator::HeadDirExists() const {
  return !HeadDir.isEmpty() && QFileInfo(HeadDir).isDir();
}

int TFileAndDirIterator::IterateFindingFiles() {
  Clear();
  stopped_.store(false);
  if (HeadDir.isEmpty()) return 0;
  QString head = QDir::cleanPath(QDir(HeadDir).absolutePath());
  const FileMaskMatcher matcher(FileMask);

  struct Pending {
    QByteArray path;  // native, no trailing slash
    int top_index;    // which top-level entry it descends from (for progress)
  };
  std::set<std::pair<dev_t, ino_t>> visited;
  std::vector<Pending> stack;
  stack.push_back(Pending{QFile::encodeName(head), -1});
  int top_count = 0;
  int last_percent = -1;
  LocalDayNumbers day_numbers;
  bool first = true;

  while (!stack.empty()) {
    if (stopped_.load() || global_panic_state.load() >= 2) break;
    Pending cur = std::move(stack.back());
    stack.pop_back();
    MyYieldProcess();

    const int dfd = ::open(cur.path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) {
      Problem(QStringLiteral("Cannot read folder \"%1\": %2")
                  .arg(QFile::decodeName(cur.path), NativeError(errno)));
      first = false;
      continue;
    }
    struct stat dst;
    if (::fstat(dfd, &dst) == 0) {
      if (!visited.insert({dst.st_dev, dst.st_ino}).second) {
        ::close(dfd);  // reached again through a link: walked already
        continue;
      }
    }
    DIR* dir = ::fdopendir(dfd);
    if (!dir) {
      ::close(dfd);
      continue;
    }
    const QString folder = QFile::decodeName(cur.path) + QLatin1Char('/');
    int folder_number = -1;
    std::vector<std::pair<QString, QByteArray>> subdirs;

    while (dirent* e = ::readdir(dir)) {
      const char* nm = e->d_name;
      if (nm[0] == '.' && (nm[1] == 0 || (nm[1] == '.' && nm[2] == 0))) continue;
      if (SkipHidden && nm[0] == '.') continue;
      unsigned char type = e->d_type;
      struct stat st;
      bool have_stat = false;
      if (type == DT_UNKNOWN || type == DT_LNK) {
        // Follow links to learn what they point at; a dangling link is skipped.
        if (::fstatat(dfd, nm, &st, 0) != 0) continue;
        have_stat = true;
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      }
      if (type == DT_DIR) {
        if (!IncludeSubFolders) continue;
        const QString name = QFile::decodeName(nm);
        if (!excluded_.isEmpty() && excluded_.contains(name.toLower())) continue;
        QByteArray child = cur.path;
        if (!child.endsWith('/')) child += '/';
        child += nm;
        subdirs.emplace_back(name, std::move(child));
        continue;
      }
      if (type != DT_REG) continue;
      const QString name = QFile::decodeName(nm);
      if (QFile::encodeName(name) != QByteArray(nm)) {
        Problem(QStringLiteral("Skipped a file whose name is not valid text in \"%1\"").arg(folder));
        continue;
      }
      if (!matcher.Matches(name)) continue;
      if (!have_stat) {
        if (::fstatat(dfd, nm, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
        if (!S_ISREG(st.st_mode)) continue;
      }
      if (folder_number < 0) folder_number = found_.AddFolder(folder);
      found_.AddOne(folder_number, name, static_cast<std::int64_t>(st.st_size),
                    day_numbers.Of(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    }
    ::closedir(dir);

    // Sub-folders in descending name order on the stack, so that they are
    // walked in ascending order.
    std::sort(subdirs.begin(), subdirs.end(), [](const auto& a, const auto& b) {
      const int c = a.first.compare(b.first, Qt::CaseInsensitive);
      return c != 0 ? c > 0 : a.first > b.first;
    });
    if (first) top_count = static_cast<int>(subdirs.size());
    for (std::size_t k = 0; k < subdirs.size(); ++k) {
      const int top = first ? static_cast<int>(subdirs.size() - 1 - k) : cur.top_index;
      stack.push_back(Pending{std::move(subdirs[k].second), top});
    }
    if (OnFilesProgress && top_count > 0 && cur.top_index >= 0) {
      const int pct = static_cast<int>(100LL * cur.top_index / top_count);
      if (pct != last_percent) {
        last_percent = pct;
        OnFilesProgress(pct);
      }
    }
    first = false;
  }
  if (OnFilesProgress && !stopped_.load()) OnFilesProgress(100);
  return found_.Count();
}

void TFileAndDirIterator::BuildDetailedList(TFileSortOrder order) { found_.DoASort(order); }

void TFileAndDirIterator::ProcessAllFilesFound() {
  stopped_.store(false);
  int last_folder = -1;
  const int n = found_.Count();
  // One buffer for the full names: refilled in place unless a handler kept
  // a copy of the last one.
  QString full_name;
  for (int i = 0; i < n; ++i) {
    if (stopped_.load() || global_panic_state.load() >= 2) break;
    const TMySimpleSearchRec& rec = found_.GetASimpleSearchRec(i);
    if (rec.FolderNumber != last_folder) {
      last_folder = rec.FolderNumber;
      if (OnProcessingAFolder) OnProcessingAFolder(found_.GetFolder(rec.FolderNumber));
    }
    if (OnProcessingAFile) {
      full_name.resize(0);
      full_name += found_.GetFolder(rec.FolderNumber);
      full_name += rec.Name;
      OnProcessingAFile(full_name, rec);
    }
  }
}
