// sorvel-cli: batch runs of every Sorvel tool over the same engines as the
// desktop program.

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <exception>

#include "cli/cli_common.h"
#include "cli/option_reference.h"
#include "runtime/error.h"
#include "runtime/heap_tuning.h"
#include "runtime/settings.h"
#include "sorvel_version.h"

int main(int argc, char** argv) {
  TuneHeapForLargeRuns();
  std::setlocale(LC_ALL, "");
  QCoreApplication qapp(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("sorvel-cli"));

  CLI::App app{"Sorvel: checks a corpus of plain-text files before it is analysed."};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Help for every tool");
  CliRun run;
  RegisterCorruptionCommand(app, &run);
  RegisterDupContentsCommands(app, &run);
  RegisterDupNamesCommand(app, &run);
  RegisterBoilerplateCommand(app, &run);
  RegisterRelevanceCommand(app, &run);
  RegisterSamplingCommands(app, &run);
  RegisterReportCommand(app, &run);
  app.set_version_flag("--version", std::string("sorvel-cli ") + SORVEL_VERSION);
  // The build asks for the completion script and the manual page this way.
  if (argc == 2 && PrintOptionReference(argv[1], app)) return kExitOk;

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitBadInput;
  }
  try {
    CurrentSuiteSettings();  // the code page and logging choices of the suite
    return run ? run() : kExitBadInput;
  } catch (const SorvelError& e) {
    PrintError(e.Message());
    return kExitInternal;
  } catch (const std::exception& e) {
    PrintError(QString::fromLocal8Bit(e.what()));
    return kExitInternal;
  }
}
