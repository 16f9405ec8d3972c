#include "runtime/file_walker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/native_files.h"
#include "runtime/native_names.h"
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

bool IsPlainAscii(const char* s) {
  for (; *s; ++s)
    if (static_cast<unsigned char>(*s) >= 0x80) return false;
  return true;
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

// Reads a folder's entries straight from the system, a large block at a
// time, into one buffer kept for the whole walk: no directory stream (and no
// buffer of its own) per folder.
class FolderEntryReader {
 public:
  FolderEntryReader(int dfd, std::vector<char>& buffer) : dfd_(dfd), buffer_(buffer) {}

  // The next entry, or nullptr at the end (or on a read error).
  const struct dirent64* Next() {
    if (at_ >= end_) {
      const ssize_t n = ::getdents64(dfd_, buffer_.data(), buffer_.size());
      if (n <= 0) return nullptr;
      at_ = 0;
      end_ = static_cast<std::size_t>(n);
    }
    const auto* e = reinterpret_cast<const struct dirent64*>(buffer_.data() + at_);
    at_ += e->d_reclen;
    return e;
  }

 private:
  int dfd_;
  std::vector<char>& buffer_;
  std::size_t at_ = 0;
  std::size_t end_ = 0;
};

// Asking the system for a file's size and date costs more than reading its
// name from the folder, so the sizes and dates are asked for on a helper
// thread while the walk reads on. The walk hands over each folder's files as
// one job, with the folder open; the helper asks for each file's details and
// closes the folder. Results are put in place once the walk is over, so the
// list keeps its walk order and no one else ever sees a half-filled record.
class FolderDetailsHelper {
 public:
  struct Details {
    bool regular = false;  // the file is still there and still a plain file
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
  };
  struct Job {
    int dfd = -1;               // the open folder; the helper closes it
    bool through_link = false;  // the folder was reached through a link
    std::vector<int> indexes;   // where the files stand in the found list
    std::vector<std::size_t> name_starts;
    std::string names;  // the native names, each ended by a NUL
    std::vector<Details> details;
  };

  FolderDetailsHelper() : thread_([this] { Run(); }) {}

  // Asks for the details of every file of a job, in its open folder.
  static void TakeDetails(Job& job) {
    job.details.assign(job.indexes.size(), Details{});
    for (std::size_t k = 0; k < job.indexes.size(); ++k) {
      struct stat st;
      if (::fstatat(job.dfd, job.names.c_str() + job.name_starts[k], &st, AT_SYMLINK_NOFOLLOW) != 0)
        continue;
      Details& d = job.details[k];
      d.regular = S_ISREG(st.st_mode);
      d.device = st.st_dev;
      d.inode = st.st_ino;
      d.size = static_cast<std::int64_t>(st.st_size);
      d.seconds = st.st_mtim.tv_sec;
      d.nanoseconds = st.st_mtim.tv_nsec;
    }
  }
  ~FolderDetailsHelper() { Finish(); }

  // Whether the helper takes another folder. When many are waiting already
  // the walk asks for the details itself: so both threads stay busy, and
  // only a bounded number of folders stay open.
  bool HasRoom() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size() < kMaxWaiting;
  }

  // Hands a folder's files to the helper.
  void Submit(std::unique_ptr<Job> job) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(job));
    if (queue_.size() == 1) work_.notify_one();
  }

  // Waits for every folder handed over; the jobs come back in the order
  // they were handed over, each with its files' details.
  std::vector<std::unique_ptr<Job>> Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
      work_.notify_one();
    }
    if (thread_.joinable()) thread_.join();
    return std::move(done_);
  }

 private:
  static constexpr std::size_t kMaxWaiting = 64;

  void Run() {
    for (;;) {
      std::unique_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      TakeDetails(*job);
      ::close(job->dfd);
      job->dfd = -1;
      done_.push_back(std::move(job));  // only this thread touches done_ until the join
    }
  }

  std::mutex mutex_;
  std::condition_variable work_;
  std::deque<std::unique_ptr<Job>> queue_;
  bool closing_ = false;
  std::vector<std::unique_ptr<Job>> done_;
  std::thread thread_;  // last: starts once everything above is ready
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

void FileWalker::SetExcludedDirs(const QStringList& names) {
  excluded_.clear();
  for (const QString& n : names) {
    const QString t = n.trimmed();
    if (!t.isEmpty()) excluded_ << t.toLower();
  }
}

void FileWalker::Clear() {
  found_.Clear();
  problems_.clear();
  file_problems_.clear();
}

void FileWalker::Problem(const QString& file, const QString& reason, const QString& text) {
  problems_ << text;
  file_problems_.push_back({file, reason});
  if (OnProblem) OnProblem(text);
}

bool FileWalker::HeadDirExists() const { return IsExistingFolder(HeadDir); }

// One walk of the folder tree: the folders still to walk, the folders
// already walked, and the files whose sizes and dates are being read.
class FileWalker::TreeWalk {
 public:
  explicit TreeWalk(FileWalker& walker)
      : walker_(walker), matcher_(walker.FileMask), entry_buffer_(64 * 1024) {}

  void Run(const QString& head) {
    stack_.push_back(Pending{NativeFromName(head), -1});
    Pending cur;
    while (NextFolder(&cur)) {
      YieldToEvents();
      WalkFolder(cur);
      first_ = false;
    }
    std::vector<int> vanished = PlaceDetails();
    if (walker_.OneNamePerFile) KeepOneNamePerFile(&vanished);
    if (!vanished.empty()) walker_.found_.RemoveEntries(std::move(vanished));
  }

 private:
  struct Pending {
    QByteArray path;  // native, no trailing slash
    int top_index;    // which top-level entry it descends from (for progress)
    bool through_link = false;
  };
  // Which file a found entry is, for OneNamePerFile.
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool known = false;
    bool through_link = false;
  };
  struct Subfolder {
    QString name;
    QByteArray path;
    bool through_link;
  };
  // What walking one folder gathers.
  struct Folder {
    const Pending& pending;
    int dfd;
    QString name;  // with a trailing slash
    int number = -1;
    std::vector<Subfolder> subfolders;
    std::unique_ptr<FolderDetailsHelper::Job> job;
  };
  // What a folder entry turned out to be.
  struct Entry {
    const char* name;
    unsigned char type;
    bool is_link;
    bool have_stat = false;
    struct stat st;
  };

  // The next folder to walk: the stack first, then the folders reached
  // through a link. False when the walk is over or stopped.
  bool NextFolder(Pending* cur) {
    if (walker_.stopped_.load() || global_panic_state.load() >= 2) return false;
    if (stack_.empty()) {
      if (linked_folders_.empty()) return false;
      stack_.assign(std::make_move_iterator(linked_folders_.rbegin()),
                    std::make_move_iterator(linked_folders_.rend()));
      linked_folders_.clear();
    }
    *cur = std::move(stack_.back());
    stack_.pop_back();
    return true;
  }

  void WalkFolder(const Pending& cur) {
    const int dfd = ::open(cur.path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) {
      const QString reason = NativeError(errno);
      const QString path = NameFromNative(cur.path);
      walker_.Problem(
          path, reason,
          QStringLiteral("Cannot read folder \"%1\": %2").arg(DisplayName(path), reason));
      return;
    }
    struct stat dst;
    if (::fstat(dfd, &dst) == 0 && !visited_.insert({dst.st_dev, dst.st_ino}).second) {
      ::close(dfd);  // reached again through a link: walked already
      return;
    }
    Folder folder{cur, dfd, NameFromNative(cur.path) + QLatin1Char('/'), -1, {}, nullptr};
    FolderEntryReader entries(dfd, entry_buffer_);
    while (const struct dirent64* e = entries.Next()) TakeEntry(folder, e);
    if (folder.job) HandOverDetails(folder);
    ::close(dfd);
    PushSubfolders(cur, std::move(folder.subfolders));
    ShowProgress(cur);
  }

  // Learns what an entry is, following links; false for entries the walk
  // passes over ("." and "..", hidden names, dangling links).
  bool Classify(int dfd, const struct dirent64* e, Entry* entry) const {
    const char* nm = e->d_name;
    if (nm[0] == '.' && (nm[1] == 0 || (nm[1] == '.' && nm[2] == 0))) return false;
    if (walker_.SkipHidden && nm[0] == '.') return false;
    entry->name = nm;
    entry->type = e->d_type;
    entry->is_link = entry->type == DT_LNK;
    if (entry->type == DT_UNKNOWN && walker_.OneNamePerFile) {
      if (::fstatat(dfd, nm, &entry->st, AT_SYMLINK_NOFOLLOW) != 0) return false;
      entry->is_link = S_ISLNK(entry->st.st_mode);
    }
    if (entry->type == DT_UNKNOWN || entry->type == DT_LNK) {
      // Follow links to learn what they point at; a dangling link is skipped.
      if (::fstatat(dfd, nm, &entry->st, 0) != 0) return false;
      entry->have_stat = true;
      entry->type = S_ISDIR(entry->st.st_mode)   ? DT_DIR
                    : S_ISREG(entry->st.st_mode) ? DT_REG
                                                 : DT_UNKNOWN;
    }
    return true;
  }

  void TakeEntry(Folder& folder, const struct dirent64* e) {
    Entry entry;
    if (!Classify(folder.dfd, e, &entry)) return;
    if (entry.type == DT_DIR) {
      if (walker_.IncludeSubFolders) TakeSubfolder(folder, entry);
      return;
    }
    if (entry.type == DT_REG) TakeFile(folder, entry);
  }

  void TakeSubfolder(Folder& folder, const Entry& entry) {
    const QString name = NameFromNative(std::string_view(entry.name));
    if (!walker_.excluded_.isEmpty() && walker_.excluded_.contains(name.toLower())) return;
    QByteArray child = folder.pending.path;
    if (!child.endsWith('/')) child += '/';
    child += entry.name;
    folder.subfolders.push_back(
        Subfolder{name, std::move(child), folder.pending.through_link || entry.is_link});
  }

  void TakeFile(Folder& folder, const Entry& entry) {
    const char* nm = entry.name;
    // Most names are plain ASCII, which reads as Latin-1 without any
    // check; any other name keeps its bytes (see native_names.h).
    QString name =
        IsPlainAscii(nm) ? QString::fromLatin1(nm) : NameFromNative(std::string_view(nm));
    if (!matcher_.Matches(name)) return;
    FolderFileList& found = walker_.found_;
    if (folder.number < 0) folder.number = found.AddFolder(folder.name);
    if (!walker_.ReadDetails && !walker_.OneNamePerFile) {
      found.AddOne(folder.number, std::move(name), 0, 0);
      return;
    }
    if (entry.have_stat) {
      const struct stat& st = entry.st;
      const int index =
          found.AddOne(folder.number, std::move(name), static_cast<std::int64_t>(st.st_size),
                       day_numbers_.Of(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
      if (walker_.OneNamePerFile)
        NoteIdentity(index, st.st_dev, st.st_ino, folder.pending.through_link || entry.is_link);
      return;
    }
    // Size and date come from the helper; the entry keeps its place.
    if (!folder.job) {
      folder.job = std::make_unique<FolderDetailsHelper::Job>();
      folder.job->through_link = folder.pending.through_link;
      folder.job->indexes.reserve(64);
      folder.job->name_starts.reserve(64);
      folder.job->names.reserve(64 * 24);
    }
    FolderDetailsHelper::Job& job = *folder.job;
    job.indexes.push_back(found.AddOne(folder.number, std::move(name), 0, 0));
    job.name_starts.push_back(job.names.size());
    job.names.append(nm);
    job.names.push_back('\0');
  }

  // Gives the folder's files to the helper, or asks for their details here
  // when the helper has enough to do or no descriptor is left to hand over.
  void HandOverDetails(Folder& folder) {
    if (!helper_) helper_ = std::make_unique<FolderDetailsHelper>();
    if (helper_->HasRoom()) {
      folder.job->dfd = ::fcntl(folder.dfd, F_DUPFD_CLOEXEC, 0);
      if (folder.job->dfd >= 0) {
        helper_->Submit(std::move(folder.job));
        return;
      }
    }
    folder.job->dfd = folder.dfd;
    FolderDetailsHelper::TakeDetails(*folder.job);
    folder.job->dfd = -1;
    inline_jobs_.push_back(std::move(folder.job));
  }

  // Sub-folders in descending name order on the stack, so that they are
  // walked in ascending order.
  void PushSubfolders(const Pending& cur, std::vector<Subfolder> subdirs) {
    std::sort(subdirs.begin(), subdirs.end(), [](const auto& a, const auto& b) {
      const int c = a.name.compare(b.name, Qt::CaseInsensitive);
      return c != 0 ? c > 0 : a.name > b.name;
    });
    if (first_) top_count_ = static_cast<int>(subdirs.size());
    for (std::size_t k = 0; k < subdirs.size(); ++k) {
      const int top = first_ ? static_cast<int>(subdirs.size() - 1 - k) : cur.top_index;
      Pending next{std::move(subdirs[k].path), top, subdirs[k].through_link};
      if (walker_.OneNamePerFile && next.through_link)
        linked_folders_.push_back(std::move(next));
      else
        stack_.push_back(std::move(next));
    }
  }

  // Progress counts the top-level folders walked.
  void ShowProgress(const Pending& cur) {
    if (!walker_.OnFilesProgress || top_count_ <= 0 || cur.top_index < 0) return;
    const int pct = static_cast<int>(100LL * cur.top_index / top_count_);
    if (pct == last_percent_) return;
    last_percent_ = pct;
    walker_.OnFilesProgress(pct);
  }

  void NoteIdentity(int index, dev_t device, ino_t inode, bool through_link) {
    if (static_cast<std::size_t>(index) >= identities_.size())
      identities_.resize(static_cast<std::size_t>(index) + 1);
    identities_[static_cast<std::size_t>(index)] = Identity{device, inode, true, through_link};
  }

  // Puts the sizes and dates in place; returns the files that vanished or
  // stopped being plain files meanwhile, which are to be dropped.
  std::vector<int> PlaceDetails() {
    std::vector<std::unique_ptr<FolderDetailsHelper::Job>> jobs;
    if (helper_) jobs = helper_->Finish();
    for (auto& j : inline_jobs_) jobs.push_back(std::move(j));
    std::vector<int> vanished;
    for (const auto& j : jobs) {
      for (std::size_t k = 0; k < j->indexes.size(); ++k) {
        const FolderDetailsHelper::Details& d = j->details[k];
        if (!d.regular) {
          vanished.push_back(j->indexes[k]);
          continue;
        }
        if (walker_.OneNamePerFile) NoteIdentity(j->indexes[k], d.device, d.inode, j->through_link);
        if (walker_.ReadDetails)
          walker_.found_.SetSizeAndTime(j->indexes[k], d.size,
                                        day_numbers_.Of(d.seconds, d.nanoseconds));
      }
    }
    return vanished;
  }

  // Among the names of one file keeps the first reached without a link, or
  // else the first of all; the others join vanished.
  void KeepOneNamePerFile(std::vector<int>* vanished) const {
    std::map<std::pair<dev_t, ino_t>, int> kept;
    for (std::size_t i = 0; i < identities_.size(); ++i) {
      const Identity& id = identities_[i];
      if (!id.known) continue;
      auto [it, fresh] = kept.emplace(std::make_pair(id.device, id.inode), static_cast<int>(i));
      if (fresh) continue;
      if (identities_[static_cast<std::size_t>(it->second)].through_link && !id.through_link) {
        vanished->push_back(it->second);
        it->second = static_cast<int>(i);
      } else {
        vanished->push_back(static_cast<int>(i));
      }
    }
  }

  FileWalker& walker_;
  const FileMaskMatcher matcher_;
  std::set<std::pair<dev_t, ino_t>> visited_;
  std::vector<Pending> stack_;
  // With OneNamePerFile: folders reached through a link, walked last.
  std::vector<Pending> linked_folders_;
  std::vector<Identity> identities_;
  int top_count_ = 0;
  int last_percent_ = -1;
  bool first_ = true;
  LocalDayNumbers day_numbers_;
  std::unique_ptr<FolderDetailsHelper> helper_;
  std::vector<std::unique_ptr<FolderDetailsHelper::Job>> inline_jobs_;
  std::vector<char> entry_buffer_;
};

int FileWalker::IterateFindingFiles() {
  Clear();
  stopped_.store(false);
  if (HeadDir.isEmpty()) return 0;
  TreeWalk(*this).Run(QDir::cleanPath(QDir(HeadDir).absolutePath()));
  if (OnFilesProgress && !stopped_.load()) OnFilesProgress(100);
  return found_.Count();
}

std::vector<int> FileWalker::ReadDetailsOf(std::vector<int> indexes) {
  // In list order the files of a folder stand together, so each folder is
  // opened once and its files are asked for by name alone.
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  std::vector<char> gone(indexes.size(), 0);
  auto read_part = [&](std::size_t from, std::size_t to) {
    LocalDayNumbers day_numbers;
    int open_folder = -1;
    int dfd = -1;
    for (std::size_t k = from; k < to; ++k) {
      const FileRecord& rec = found_.GetASimpleSearchRec(indexes[k]);
      if (rec.FolderNumber != open_folder) {
        if (dfd >= 0) ::close(dfd);
        open_folder = rec.FolderNumber;
        dfd = ::open(NativeFromName(found_.GetFolder(open_folder)).constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      }
      // Links are followed, as the walk follows them to the file they name.
      struct stat st;
      if (dfd < 0 || ::fstatat(dfd, NativeFromName(rec.Name).constData(), &st, 0) != 0 ||
          !S_ISREG(st.st_mode)) {
        gone[k] = 1;
        continue;
      }
      found_.SetSizeAndTime(indexes[k], static_cast<std::int64_t>(st.st_size),
                            day_numbers.Of(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    }
    if (dfd >= 0) ::close(dfd);
  };
  const std::size_t half = indexes.size() / 2;
  if (indexes.size() >= 256 && std::thread::hardware_concurrency() > 1) {
    std::thread first([&] { read_part(0, half); });
    read_part(half, indexes.size());
    first.join();
  } else {
    read_part(0, indexes.size());
  }
  std::vector<int> vanished;
  for (std::size_t k = 0; k < indexes.size(); ++k)
    if (gone[k]) vanished.push_back(indexes[k]);
  return vanished;
}

void FileWalker::BuildDetailedList(FileSortOrder order) { found_.DoASort(order); }

void FileWalker::ProcessAllFilesFound() {
  stopped_.store(false);
  int last_folder = -1;
  const int n = found_.Count();
  // One buffer for the full names: refilled in place unless a handler kept
  // a copy of the last one.
  QString full_name;
  for (int i = 0; i < n; ++i) {
    if (stopped_.load() || global_panic_state.load() >= 2) break;
    const FileRecord& rec = found_.GetASimpleSearchRec(i);
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
