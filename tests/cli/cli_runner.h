#pragma once
// Runs the built sorvel-cli for the command-line tests.

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
