#include "runtime/native_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/native_names.h"

namespace {

void SetError(QString* error, int error_number) {
  if (error) *error = SystemErrorText(error_number);
}

// The process's file-creation mask (reading it means setting it: set back
// at once).
mode_t CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

}  // namespace

QString SystemErrorText(int error_number) {
  return QString::fromLocal8Bit(std::strerror(error_number));
}

NativeFileStatus StatPath(const QString& path) {
  NativeFileStatus status;
  struct stat st;
  if (path.isEmpty() || ::stat(NativeFromName(path).constData(), &st) != 0) return status;
  status.exists = true;
  status.is_file = S_ISREG(st.st_mode);
  status.is_folder = S_ISDIR(st.st_mode);
  status.size = static_cast<std::int64_t>(st.st_size);
  status.modified = QDateTime::fromMSecsSinceEpoch(
      static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000, Qt::LocalTime);
  return status;
}

bool IsExistingFile(const QString& path) { return StatPath(path).is_file; }
bool IsExistingFolder(const QString& path) { return StatPath(path).is_folder; }

bool PathExists(const QString& path) {
  struct stat st;
  return !path.isEmpty() && ::lstat(NativeFromName(path).constData(), &st) == 0;
}

bool OpenNativeFile(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* error) {
  int flags = O_CLOEXEC;
  if ((mode & QIODevice::ReadWrite) == QIODevice::ReadWrite) {
    flags |= O_RDWR | O_CREAT;
  } else if (mode & QIODevice::WriteOnly) {
    flags |= O_WRONLY | O_CREAT;
  } else {
    flags |= O_RDONLY;
  }
  if (mode & QIODevice::WriteOnly) {
    if (mode & QIODevice::Append)
      flags |= O_APPEND;
    else if (!(mode & QIODevice::ReadOnly) || (mode & QIODevice::Truncate))
      flags |= O_TRUNC;
    if (mode & QIODevice::NewOnly) flags |= O_EXCL;
  }
  const int fd = ::open(NativeFromName(path).constData(), flags, 0666);
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  // QFile must not truncate or create again: it gets the open descriptor.
  const QIODevice::OpenMode qt_mode =
      mode & ~(QIODevice::Truncate | QIODevice::NewOnly | QIODevice::ExistingOnly);
  if (!file.open(fd, qt_mode, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error) {
  QFile file;
  if (!OpenNativeFile(file, path, QIODevice::ReadOnly, error)) return false;
  *bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

bool WriteFileReplacing(const QString& path, const QByteArray& bytes, QString* error) {
  QByteArray temp = NativeFromName(path) + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    SetError(error, errno);
    return false;
  }
  const char* data = bytes.constData();
  std::size_t left = static_cast<std::size_t>(bytes.size());
  bool ok = true;
  while (ok && left > 0) {
    const ssize_t w = ::write(fd, data, left);
    if (w < 0 && errno == EINTR) continue;
    ok = w > 0;
    if (ok) {
      data += w;
      left -= static_cast<std::size_t>(w);
    }
  }
  ok = ok && ::fchmod(fd, 0644 & ~CurrentUmask()) == 0 && ::fsync(fd) == 0;
  const int write_error = errno;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.constData(), NativeFromName(path).constData()) == 0) return true;
  SetError(error, ok ? errno : write_error);
  ::unlink(temp.constData());
  return false;
}

bool MakeFolders(const QString& path, QString* error) {
  if (path.isEmpty()) return false;
  if (IsExistingFolder(path)) return true;
  const QByteArray native = NativeFromName(QDir::cleanPath(path));
  // Create each missing folder from the top down.
  for (qsizetype slash = native.indexOf('/', 1);; slash = native.indexOf('/', slash + 1)) {
    const QByteArray part = slash < 0 ? native : native.left(slash);
    if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST) {
      SetError(error, errno);
      return false;
    }
    if (slash < 0) break;
  }
  struct stat st;
  if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = QStringLiteral("not a folder");
    return false;
  }
  return true;
}

bool RemoveFile(const QString& path, QString* error) {
  if (::unlink(NativeFromName(path).constData()) == 0) return true;
  SetError(error, errno);
  return false;
}

bool RenameNoReplace(const QString& from, const QString& to, QString* error) {
  const QByteArray src = NativeFromName(from);
  const QByteArray dst = NativeFromName(to);
  if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
    SetError(error, errno);
    return false;
  }
  // The file system cannot refuse to replace within a rename: a hard link
  // never replaces, so link to the new name, then drop the old one.
  if (::link(src.constData(), dst.constData()) != 0) {
    SetError(error, errno);
    return false;
  }
  ::unlink(src.constData());
  return true;
}

QString CanonicalPath(const QString& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(
      ::realpath(NativeFromName(path).constData(), nullptr), &std::free);
  return resolved ? NameFromNative(QByteArray(resolved.get())) : QString();
}

QStringList FileNamesInFolder(const QString& folder) {
  QStringList names;
  const int dfd = ::open(NativeFromName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return names;
  DIR* dir = ::fdopendir(dfd);
  if (!dir) {
    ::close(dfd);
    return names;
  }
  while (const struct dirent* e = ::readdir(dir)) {
    struct stat st;
    if (::fstatat(dfd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    names << NameFromNative(QByteArray(e->d_name));
  }
  ::closedir(dir);
  return names;
}
