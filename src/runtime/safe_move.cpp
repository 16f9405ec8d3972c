#include "runtime/safe_move.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/native_names.h"

namespace {

QByteArray Native(const QString& path) { return NativeFromName(path); }

QString ErrnoText(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

void SetError(QString* error, const QString& text) {
  if (error) *error = text;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool SyncNative(const QByteArray& native, bool folder) {
  Fd fd(::open(native.constData(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC));
  if (fd.get() < 0) return false;
  return ::fsync(fd.get()) == 0;
}

QString FolderOf(const QString& path) {
  const QString dir = QFileInfo(path).absolutePath();
  return dir.isEmpty() ? QStringLiteral(".") : dir;
}

bool SyncFolderOf(const QString& path) { return SyncNative(Native(FolderOf(path)), true); }

bool WriteAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, data, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

ssize_t ReadSome(int fd, char* data, std::size_t n) {
  for (;;) {
    const ssize_t r = ::read(fd, data, n);
    if (r < 0 && errno == EINTR) continue;
    return r;
  }
}

// Reads both files again and compares them byte for byte.
bool SameContents(const QByteArray& a, const QByteArray& b) {
  Fd fa(::open(a.constData(), O_RDONLY | O_CLOEXEC));
  Fd fb(::open(b.constData(), O_RDONLY | O_CLOEXEC));
  if (fa.get() < 0 || fb.get() < 0) return false;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  for (;;) {
    const ssize_t ra = ReadSome(fa.get(), ba.data(), ba.size());
    if (ra < 0) return false;
    // Fill the same amount from b (reads may come back short).
    ssize_t rb = 0;
    while (rb < ra) {
      const ssize_t r = ReadSome(fb.get(), bb.data() + rb, static_cast<std::size_t>(ra - rb));
      if (r <= 0) break;
      rb += r;
    }
    if (rb != ra) return false;
    if (ra == 0) {
      char extra;
      return ReadSome(fb.get(), &extra, 1) == 0;
    }
    if (std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(ra)) != 0) return false;
  }
}

// Puts a finished temporary file under its final name without replacing
// anything: an atomic rename that refuses an existing target, or where the
// file system cannot refuse within a rename, a hard link (which never
// replaces either) followed by dropping the temporary name.
SafeFileResult PutInPlace(const QByteArray& temp, const QByteArray& to, QString* error) {
  if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
    return SafeFileResult::Done;
  int e = errno;
  if (e == EINVAL || e == ENOSYS || e == EOPNOTSUPP) {
    if (::link(temp.constData(), to.constData()) == 0) {
      ::unlink(temp.constData());
      return SafeFileResult::Done;
    }
    e = errno;
  }
  SetError(error, ErrnoText(e));
  return e == EEXIST ? SafeFileResult::TargetExists : SafeFileResult::Failed;
}

// The copy step shared by copying and by moving across file systems. The
// data goes to a temporary name beside the target, is synced and compared
// with the source, and only then gets the target's name, so that a copy cut
// short (a full disk, a killed run) never stands under the final name.
SafeFileResult CopyNew(const QByteArray& from, const QByteArray& to, const QString& to_text,
                       QString* error) {
  Fd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) {
    const int e = errno;
    SetError(error, ErrnoText(e));
    return e == ENOENT ? SafeFileResult::SourceMissing : SafeFileResult::Failed;
  }
  struct stat st;
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    SetError(error, QStringLiteral("not a regular file"));
    return SafeFileResult::Failed;
  }
  const QByteArray temp = NativeFromName(PartialCopyName(to_text));
  // A temporary file of this name is left from a run that was killed while
  // copying this very file: its source is still in place, so it is spare.
  ::unlink(temp.constData());
  struct stat existing;
  if (::lstat(to.constData(), &existing) == 0) {
    SetError(error, ErrnoText(EEXIST));
    return SafeFileResult::TargetExists;
  }
  Fd out(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
  if (out.get() < 0) {
    SetError(error, ErrnoText(errno));
    return SafeFileResult::Failed;
  }
  // From here on the temporary file is ours: any failure removes it again.
  auto fail = [&](const QString& why) {
    out.Close();
    ::unlink(temp.constData());
    SetError(error, why);
    return SafeFileResult::Failed;
  };
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t r = ReadSome(in.get(), buf.data(), buf.size());
    if (r < 0) return fail(ErrnoText(errno));
    if (r == 0) break;
    if (!WriteAll(out.get(), buf.data(), static_cast<std::size_t>(r)))
      return fail(ErrnoText(errno));
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::futimens(out.get(), times);  // a copy without its date is still a copy
  if (::fsync(out.get()) != 0) return fail(ErrnoText(errno));
  if (!out.Close()) return fail(ErrnoText(errno));
  if (!SameContents(from, temp)) return fail(QStringLiteral("the copy differs from the original"));
  const SafeFileResult placed = PutInPlace(temp, to, error);
  if (placed != SafeFileResult::Done) {
    ::unlink(temp.constData());
    return placed;
  }
  SyncFolderOf(to_text);
  return SafeFileResult::Done;
}

}  // namespace

QString PartialCopyName(const QString& target) {
  const QFileInfo fi(target);
  return fi.path() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".sorvel-partial");
}

bool SyncPath(const QString& path) {
  const QByteArray native = Native(path);
  struct stat st;
  if (::stat(native.constData(), &st) != 0) return false;
  return SyncNative(native, S_ISDIR(st.st_mode));
}

SafeFileResult SafeMoveFile(const QString& from, const QString& to, QString* error) {
  const QByteArray src = Native(from);
  const QByteArray dst = Native(to);
  struct stat st;
  if (::lstat(src.constData(), &st) != 0) {
    SetError(error, ErrnoText(errno));
    return SafeFileResult::SourceMissing;
  }
  if (!S_ISREG(st.st_mode)) {
    SetError(error, QStringLiteral("not a regular file"));
    return SafeFileResult::Failed;
  }
  // The data first: a rename that reaches the disk before the data would
  // leave an empty file under the new name after a crash.
  if (!SyncNative(src, false)) {
    SetError(error, ErrnoText(errno));
    return SafeFileResult::Failed;
  }

  if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0) {
    SyncFolderOf(to);
    SyncFolderOf(from);
    return SafeFileResult::Done;
  }
  int e = errno;
  if (e == EEXIST) {
    SetError(error, ErrnoText(e));
    return SafeFileResult::TargetExists;
  }
  if (e == EINVAL || e == ENOSYS || e == EOPNOTSUPP) {
    // The file system cannot refuse to replace within a rename: a hard link
    // cannot replace either, so link to the new name, then drop the old one.
    if (::link(src.constData(), dst.constData()) == 0) {
      SyncFolderOf(to);
      if (::unlink(src.constData()) != 0) {
        // Both names now point at the same data; keep the original name and
        // drop the new one so that nothing changed.
        const int ue = errno;
        ::unlink(dst.constData());
        SetError(error, ErrnoText(ue));
        return SafeFileResult::Failed;
      }
      SyncFolderOf(from);
      return SafeFileResult::Done;
    }
    e = errno;
    if (e == EEXIST) {
      SetError(error, ErrnoText(e));
      return SafeFileResult::TargetExists;
    }
    if (e != EXDEV && e != EPERM && e != EOPNOTSUPP) {
      SetError(error, ErrnoText(e));
      return SafeFileResult::Failed;
    }
  } else if (e != EXDEV) {
    SetError(error, ErrnoText(e));
    return e == ENOENT && ::lstat(src.constData(), &st) != 0 ? SafeFileResult::SourceMissing
                                                             : SafeFileResult::Failed;
  }

  // Another file system (or one without links): copy, sync, verify, delete.
  const SafeFileResult copied = CopyNew(src, dst, to, error);
  if (copied != SafeFileResult::Done) return copied;
  if (::unlink(src.constData()) != 0) {
    const int ue = errno;
    ::unlink(dst.constData());
    SetError(error, ErrnoText(ue));
    return SafeFileResult::Failed;
  }
  SyncFolderOf(from);
  return SafeFileResult::Done;
}

SafeFileResult SafeCopyFile(const QString& from, const QString& to, QString* error) {
  return CopyNew(Native(from), Native(to), to, error);
}
