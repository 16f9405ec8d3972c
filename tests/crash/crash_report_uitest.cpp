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
#include <optional>

#include "app/sorvel_window.h"
#include "crash/crash_reporter_gui.h"
#include "crash/exception_handling_unit.h"
#include "runtime/app_paths.h"
#include "runtime/error.h"
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
  // What the user does in the report window: mail the report, or else save it.
  bool mail_it_ = false;

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
          mail_it_ ? a.mail() : a.save();
        });
  }
  void init() {
    shown_.clear();
    opened_.clear();
    mail_it_ = false;
    QFile(log_).resize(0);
  }

  void HandlerOrToolWorkThatThrowsIsReportedAndTheWindowStaysUsable() {
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

    // The report is in the report folder, and each stage reached the log
    // hooks, in order (their wording is the hooks' test's).
    const QStringList saved = QDir(dir_.path()).entryList({QStringLiteral("*.elf")});
    QCOMPARE(saved.size(), 1);
    const QStringList lines = LogLines();
    QCOMPARE(lines.mid(lines.indexOf(QStringLiteral("Showing error"))),
             QStringList({"Showing error", "Saving error in " + dir_.filePath(saved[0]), "Saved",
                          "finished showing"}));

    // Tool work that throws on the worker is reported and ends the run, and
    // mailing hands a mailto: address with the report to the mail program.
    shown_.clear();
    start->setEnabled(true);
    std::optional<bool> done_ok;
    mail_it_ = true;
    QVERIFY(w.RunTool(
        QStringLiteral("failing"),
        [] { throw FileReadError(QStringLiteral("/data/locked.txt"), QStringLiteral("denied")); },
        [&](bool ok) { done_ok = ok; }));
    // Resolving the trace takes a while on a busy machine.
    QTRY_VERIFY_WITH_TIMEOUT(done_ok.has_value(), 60000);
    QVERIFY(!*done_ok && start->isEnabled() && !w.ToolRunning());
    QCOMPARE(shown_.size(), 1);  // before indexing
    QCOMPARE(shown_[0].exception_class, QStringLiteral("FileReadError"));
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(opened_[0].scheme(), QStringLiteral("mailto"));
    QVERIFY(QUrlQuery(opened_[0])
                .queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded)
                .contains(QStringLiteral("/data/locked.txt")));
  }

  void SaveThatFailsIsLoggedAndNeverOverwrites() {
    // A folder that cannot be made (its parent is a file); then a report
    // saved, and the same name refused the second time.
    QFile(dir_.filePath(QStringLiteral("a-file"))).open(QIODevice::WriteOnly);
    ExceptionRecord r;
    r.report_folder = dir_.filePath(QStringLiteral("a-file/reports"));
    r.report_file = QStringLiteral("x.elf");
    QVERIFY(!CrashReporter::Instance().SaveReport(r));
    QCOMPARE(LogLines().last(), QStringLiteral("Failed to save"));
    r.report_folder = dir_.path();
    QVERIFY(CrashReporter::Instance().SaveReport(r) && !CrashReporter::Instance().SaveReport(r));
  }

  void FatalSignalWritesTheReportBeforeTheProgramEnds() {
    // A copy of this test program, stripped as the package strips its programs
    // (only a compressed table of function names kept), crashes on purpose,
    // with its reports in the user's state folder, which does not exist yet.
    QTemporaryDir state;
    const QString program = state.filePath(QStringLiteral("shipped-program"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QCOMPARE(
        QProcess::execute(QStringLiteral("sh"), {QStringLiteral(SORVEL_STRIP_SCRIPT), program}), 0);
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
    QVERIFY2(err.contains(QStringLiteral("saved as ") + QDir(reports).filePath(files[0])),
             qPrintable(err));
    const QString report = QString::fromUtf8(ReadAll(QDir(reports).filePath(files[0])));
    QVERIFY2(report.contains(QStringLiteral("SIGSEGV")) &&
                 report.contains(QStringLiteral("CrashOnPurpose")),
             qPrintable(report));
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
