// The Sorvel desktop program. It reads no command-line options.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>

#include "app/sorvel_window.h"
#include "crash/crash_reporter_gui.h"
#include "crash/exception_handling_unit.h"
#include "runtime/app_paths.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/suite_progress.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/message_dialogs_gui.h"

int main(int argc, char** argv) {
  // The suite's shared settings (logging, help, style) before anything logs.
  CurrentSuiteSettings();

  SorvelApplication app(argc, argv);
  QCoreApplication::setApplicationName(Tool_Name(kSorvelToolNumber));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.sorvel.Sorvel"));
  QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.sorvel.Sorvel")));
  // Crash reports go to the user's state folder: the program's own folder is
  // not writable once installed.
  InitExceptionHandlingUnit(UserStateFolder());
  CrashReporter::InstallFatalSignalHandlers();

  HelpRouter data_module;
  GuiDialogs dialogs;
  SetDialogInterface(&dialogs);

  int rc = 0;
  {
    MainWindow window;
    dialogs.SetOwnerWindow(&window);
    Progress().SetStatusBar(window.status_bar);
    window.show();
    // Takes the keyboard focus as it opens, so that its shortcuts work at
    // once also where no window manager hands the focus over (a bare X
    // server, as in scripted runs).
    window.activateWindow();
    rc = QCoreApplication::exec();
    Progress().SetStatusBar(nullptr);
  }
  SetDialogInterface(nullptr);
  QuitMinimalProgress();
  FinaliseExceptionHandlingUnit();
  return rc;
}
