#pragma once
// Runs the built sorvel-cli for the command-line tests.

#include <unistd.h>

#include <QByteArray>
#include <QProcess>
#include <QStringList>

struct CliResult {
  int code = -1;
  QByteArray out;
  QByteArray err;
};

inline CliResult RunCli(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(SORVEL_CLI_PATH), args);
  p.waitForFinished(120000);
  return CliResult{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// Runs sorvel-cli as a user whom file permissions bind. Permission bits do
// not stop root, so under root the child drops to "nobody" (uid and gid
// 65534); the files it must reach then need to be open to others.
inline CliResult RunCliUnprivileged(const QStringList& args) {
  QProcess p;
  if (::geteuid() == 0) {
    p.setChildProcessModifier([] {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(121);
    });
  }
  p.start(QStringLiteral(SORVEL_CLI_PATH), args);
  p.waitForFinished(120000);
  return CliResult{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}
