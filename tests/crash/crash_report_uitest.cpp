// Exceptions that escape a handler or a tool's work, and fatal signals: the
// report, its saving and mailing, and a window that stays usable.

#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <csignal>
#include <cstring>

#include "app/sorvel_window.h"
#include "crash/crash_reporter_gui.h"
#include "crash/exception_handling_unit.h"
#include "runtime/app_paths.h"
#include "runtime/error.h"
#include "runtime/log.h"
#include "runtime/settings.h"
#include "support/test_support.h"
#include "ui_kit/help_router_gui.h"

namespace {

[[gnu::noinline]] void ThrowFromDeepInsideTheHandler() {
  throw SorvelError(QStringLiteral("lopsided data: stack overflow in Tree"));
}

}  // namespace

class CrashReportTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QString log_;
  QList<QUrl> opened_;
  QList<ExceptionRecord> shown_;
  // What the user does in the report window: 's' save, 'm' mail.
  QString user_actions_;

  // The log's lines of the report now being handled.
  QStringList LogLines() const {
    return QString::fromUtf8(ReadAll(log_)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

 private Q_SLOTS:
  void initTestCase() {
    log_ = dir_.filePath(QStringLiteral("lexivor.log"));
    QFile(log_).open(QIODevice::WriteOnly);
    const QString ini = dir_.filePath(QStringLiteral("lexivor.ini"));
    {
      QSettings s(ini, QSettings::IniFormat);
      s.setValue(QStringLiteral("suite/logging"), true);
      s.setValue(QStringLiteral("suite/log_file"), log_);
    }
    qputenv("SORVEL_SETTINGS", ini.toLocal8Bit());
    InitExceptionHandlingUnit(dir_.path());
    HelpRouter::SetUrlOpener([this](const QUrl& u) {
      opened_ << u;
      return true;
    });
    CrashReporter::Instance().SetPresenter(
        [this](const ExceptionRecord& r, const CrashReporter::Actions& a) {
          shown_ << r;
          for (QChar c : user_actions_) {
            if (c == QLatin1Char('s')) a.save();
            if (c == QLatin1Char('m')) a.mail();
          }
        });
  }
  void init() {
    shown_.clear();
    opened_.clear();
    user_actions_.clear();
    QFile(log_).resize(0);
  }

  void HandlerThatThrowsLeavesTheWindowUsable() {
    MainWindow w;
    w.show();
    w.pager->setCurrentWidget(w.boilerplate_tab);
    auto* start = new QPushButton(QStringLiteral("Start"), w.boilerplate_tab);
    w.InstallPage(w.boilerplate_tab, start);
    w.RegisterStartControl(start);
    int clicks = 0;
    QObject::connect(start, &QPushButton::clicked, [&] {
      ++clicks;
      start->setEnabled(false);
      if (clicks == 1) ThrowFromDeepInsideTheHandler();
    });
    user_actions_ = QStringLiteral("s");
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(shown_.size(), 1);
    const ExceptionRecord& r = shown_[0];
    QCOMPARE(r.exception_class, QStringLiteral("SorvelError"));
    QCOMPARE(r.message, QStringLiteral("lopsided data: stack overflow in Tree"));
    // The trace is the thrower's, not the catcher's.
    QVERIFY2(r.stack_trace.contains(QStringLiteral("ThrowFromDeepInsideTheHandler")),
             qPrintable(r.stack_trace));
    // The Start that the failed handler disabled works again.
    QVERIFY(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(shown_.size(), 1);

    // Each stage reached the log hooks, in order (their wording is the
    // hooks' test's), and the saved report is in the report folder.
    const QStringList lines = LogLines();
    const int showing = int(lines.indexOf(QStringLiteral("Showing error")));
    QCOMPARE(showing, 2 + int(r.modules.size()));  // after the folder and the modules
    QCOMPARE(lines.mid(showing + 2), QStringList({"Saved", "finished showing"}));
    const QStringList saved = QDir(dir_.path()).entryList({QStringLiteral("*.elf")});
    QCOMPARE(saved.size(), 1);
    QVERIFY(ReadAll(dir_.filePath(saved[0])).contains("ThrowFromDeepInsideTheHandler"));
  }

  void ToolWorkThatThrowsIsReportedAndEndsTheRun() {
    MainWindow w;
    auto* start = new QPushButton(QStringLiteral("Start"), w.relevance_tab);
    w.RegisterStartControl(start);
    bool done_called = false, done_ok = true;
    user_actions_ = QStringLiteral("m");
    QVERIFY(w.RunTool(
        QStringLiteral("failing"),
        [] {
          throw FileReadError(QStringLiteral("/data/locked.txt"),
                              QStringLiteral("Permission denied"));
        },
        [&](bool ok) {
          done_called = true;
          done_ok = ok;
        }));
    // Resolving the trace takes a while on a busy machine.
    QTRY_VERIFY_WITH_TIMEOUT(done_called, 60000);
    QVERIFY(!done_ok && start->isEnabled() && !w.ToolRunning());
    QCOMPARE(shown_.size(), 1);  // before indexing
    QCOMPARE(shown_[0].exception_class, QStringLiteral("FileReadError"));
    QVERIFY(shown_[0].message.contains(QStringLiteral("/data/locked.txt")));
    // Mailing hands a mailto: address with the report to the mail program.
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(opened_[0].scheme(), QStringLiteral("mailto"));
    const QUrlQuery q(opened_[0]);
    QVERIFY(q.queryItemValue(QStringLiteral("subject")).contains(QStringLiteral("FileReadError")));
    QVERIFY(q.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded)
                .contains(QStringLiteral("Permission denied")));
    QVERIFY(LogLines().contains(QStringLiteral("Sending email")));
    QVERIFY(LogLines().contains(QStringLiteral("Sent email")));
  }

  void SaveThatFailsIsLoggedAndNeverOverwrites() {
    ExceptionRecord r;
    r.exception_class = QStringLiteral("test");
    // A folder that cannot be made: its parent is a file.
    QFile(dir_.filePath(QStringLiteral("a-file"))).open(QIODevice::WriteOnly);
    r.report_folder = dir_.filePath(QStringLiteral("a-file/reports"));
    r.report_file = QStringLiteral("x.elf");
    QVERIFY(!CrashReporter::Instance().SaveReport(r));
    QCOMPARE(LogLines().last(), QStringLiteral("Failed to save"));
    r.report_folder = dir_.path();
    QVERIFY(CrashReporter::Instance().SaveReport(r));
    QVERIFY(!CrashReporter::Instance().SaveReport(r));
  }

  void FatalSignalWritesTheReportBeforeTheProgramEnds() {
    // A copy of this test program, stripped as the package strips its
    // programs (only a compressed table of function names kept), crashes on
    // purpose. It sets its report folder up as the program does: the user's
    // state folder, which does not exist yet.
    QTemporaryDir state;
    const QString program = state.filePath(QStringLiteral("shipped-program"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QProcess strip;
    strip.start(QStringLiteral("sh"), {QStringLiteral(SORVEL_STRIP_SCRIPT), program});
    QVERIFY(strip.waitForFinished(120000) && strip.exitCode() == 0);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    child.setProcessEnvironment(env);
    child.start(program, {QStringLiteral("--crash")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    const QString reports = state.filePath(QStringLiteral("sorvel"));
    const QStringList files = QDir(reports).entryList({QStringLiteral("*.elf")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    // The user is told where the report went.
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("SIGSEGV")) &&
                 err.contains(QStringLiteral("saved as ") + QDir(reports).filePath(files[0])),
             qPrintable(err));
    const QString report = QString::fromUtf8(ReadAll(QDir(reports).filePath(files[0])));
    QVERIFY(report.contains(QStringLiteral("SIGSEGV")));
    QVERIFY2(report.contains(QStringLiteral("CrashOnPurpose")), qPrintable(report));
    QVERIFY(LogLines().contains(QStringLiteral("Quitting")));
  }
};

// The child process of the fatal-signal test: reports go to the user's state
// folder, as the program's are; then it crashes.
[[gnu::noinline]] int CrashOnPurpose() {
  CurrentSuiteSettings();  // the suite's logging, as the program reads it at start
  InitExceptionHandlingUnit(UserStateFolder());
  CrashReporter::InstallFatalSignalHandlers();
  std::raise(SIGSEGV);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--crash") == 0) return CrashOnPurpose();
  SorvelApplication app(argc, argv);
  CrashReportTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "crash_report_uitest.moc"
