#include "runtime/tree_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "runtime/native_files.h"
#include "runtime/native_names.h"

TreeMoveLock::TreeMoveLock(const QString& folder) {
  const QString tree = CanonicalPath(folder);
  if (tree.isEmpty()) {
    refusal_ = QStringLiteral("Cannot lock \"%1\": no such folder").arg(folder);
    return;
  }
  // The tree itself first, then each folder above it up to the root.
  QString current = tree;
  bool exclusive = true;
  for (;;) {
    const int fd = ::open(NativeFromName(current).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        Release();
        refusal_ = e == EWOULDBLOCK
                       ? QStringLiteral(
                             "Another run is moving or restoring files in \"%1\" (or in a folder "
                             "around it); nothing was done: try again when it has finished")
                             .arg(tree)
                       : QStringLiteral("Cannot lock \"%1\": %2")
                             .arg(current, QString::fromLocal8Bit(std::strerror(e)));
        return;
      }
      fds_.push_back(fd);
    } else if (exclusive) {
      refusal_ = QStringLiteral("Cannot lock \"%1\": %2")
                     .arg(tree, QString::fromLocal8Bit(std::strerror(errno)));
      return;
    }
    // A folder above that cannot be opened (no permission) is passed over:
    // the tree's own lock still keeps a second run on the tree away.
    exclusive = false;
    const QString above = QFileInfo(current).path();
    if (above == current || above.isEmpty()) break;
    current = above;
  }
  held_ = true;
}

TreeMoveLock::~TreeMoveLock() { Release(); }

void TreeMoveLock::Release() {
  for (int fd : fds_) ::close(fd);
  fds_.clear();
  held_ = false;
}
