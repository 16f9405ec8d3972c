#include "runtime/app_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef SORVEL_DATADIR_FROM_BINDIR
#define SORVEL_DATADIR_FROM_BINDIR "../share"
#endif

namespace {
const QString kHelpInDataFolder = QStringLiteral("sorvel/help");
}

QStringList HelpFolderCandidates(const QString& program_folder) {
  QStringList folders;
  const QDir program(program_folder);
  folders << QDir::cleanPath(program.filePath(QStringLiteral("help")));
  const QString data_folder = program.filePath(QStringLiteral(SORVEL_DATADIR_FROM_BINDIR));
  folders << QDir::cleanPath(QDir(data_folder).filePath(kHelpInDataFolder));
  const QStringList xdg = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
  for (const QString& base : xdg) {
    const QString folder = QDir::cleanPath(QDir(base).filePath(kHelpInDataFolder));
    if (!folders.contains(folder)) folders << folder;
  }
  return folders;
}

QString FindHelpFolder(const QString& program_folder) {
  const QStringList folders = HelpFolderCandidates(program_folder);
  for (const QString& folder : folders) {
    if (QFileInfo(QDir(folder).filePath(QStringLiteral("index.html"))).isFile()) return folder;
  }
  return folders.first();
}

QString UserStateFolder() {
  // The XDG rules: a relative path in the variable is invalid and ignored.
  QString base = qEnvironmentVariable("XDG_STATE_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base))
    base = QDir::homePath() + QStringLiteral("/.local/state");
  return QDir::cleanPath(base + QStringLiteral("/sorvel"));
}
