// Exceptions that escape a handler or a tool's work, and fatal signals: the
// report, its saving and mailing, the log lines, and a window that stays
// usable.

#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <csignal>
#include <cstdio>
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

QStringList LogLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
  QTemporaryDir shipped_dir_;
  QString shipped_program_;

  // A copy of this test program stripped as the package strips its programs
  // (only a compressed table of function names kept), made once; empty, with
  // a test failure, when it cannot be made.
  QString ShippedCopy() {
    if (!shipped_program_.isEmpty()) return shipped_program_;
    const QString copy = shipped_dir_.filePath(QStringLiteral("shipped-program"));
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy)) {
      qWarning("could not copy the test program to %s", qPrintable(copy));
      return {};
    }
    QProcess strip;
    strip.start(QStringLiteral("sh"), {QStringLiteral(SORVEL_STRIP_SCRIPT), copy});
    if (!strip.waitForFinished(120000) || strip.exitStatus() != QProcess::NormalExit ||
        strip.exitCode() != 0) {
      qWarning("stripping failed: %s", strip.readAllStandardError().constData());
      return {};
    }
    shipped_program_ = copy;
    return copy;
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
    QVERIFY(r.modules.size() >= 3);
    QVERIFY(r.ReportText().contains(QStringLiteral("lopsided data")));
    // The Start that the failed handler disabled works again.
    QVERIFY(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(shown_.size(), 1);

    // The log tells the story (the wording of each stage is checked with the
    // hooks alone), and the saved report is in the report folder.
    const QStringList lines = LogLines(log_);
    QCOMPARE(lines.value(0), QStringLiteral("Lexivor Error noticed"));
    const int showing = int(lines.indexOf(QStringLiteral("Showing error")));
    QCOMPARE(showing, 2 + int(r.modules.size()));  // after the folder and the modules
    QVERIFY(lines.value(showing + 1)
                .startsWith(QStringLiteral("Saving error in ") + dir_.path() + QLatin1Char('/')));
    QVERIFY(lines.value(showing + 1).endsWith(QStringLiteral(".elf")));
    QCOMPARE(lines.value(showing + 2), QStringLiteral("Saved"));
    QCOMPARE(lines.value(showing + 3), QStringLiteral("finished showing"));
    const QString saved = lines.value(showing + 1).mid(QStringLiteral("Saving error in ").size());
    QVERIFY(QString::fromUtf8(ReadAll(saved))
                .contains(QStringLiteral("ThrowFromDeepInsideTheHandler")));
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
    QTRY_VERIFY_WITH_TIMEOUT(done_called,
                             60000);  // resolving the trace takes a while on a busy machine
    QVERIFY(!done_ok);
    QVERIFY(start->isEnabled());
    QVERIFY(!w.ToolRunning());
    QCOMPARE(shown_.size(), 1);
    QCOMPARE(shown_[0].exception_class, QStringLiteral("FileReadError"));
    QVERIFY(shown_[0].message.contains(QStringLiteral("/data/locked.txt")));
    // Mailing hands a mailto: address with the report to the mail program.
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(opened_[0].scheme(), QStringLiteral("mailto"));
    const QUrlQuery q(opened_[0]);
    QVERIFY(q.queryItemValue(QStringLiteral("subject")).contains(QStringLiteral("FileReadError")));
    QVERIFY(q.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded)
                .contains(QStringLiteral("Permission denied")));
    const QStringList lines = LogLines(log_);
    QVERIFY(lines.contains(QStringLiteral("Sending email")));
    QVERIFY(lines.contains(QStringLiteral("Sent email")));
  }

  void FailedSaveIsLoggedWithTheMarker() {
    ExceptionRecord r;
    r.exception_class = QStringLiteral("test");
    // A folder that cannot be made: its parent is a file.
    QFile(dir_.filePath(QStringLiteral("a-file"))).open(QIODevice::WriteOnly);
    r.report_folder = dir_.filePath(QStringLiteral("a-file/reports"));
    r.report_file = QStringLiteral("x.elf");
    QVERIFY(!CrashReporter::Instance().SaveReport(r));
    const QStringList lines = LogLines(log_);
    QCOMPARE(lines.mid(lines.size() - 2), QStringList({"***", "Failed to save"}));
    // A report never overwrites an earlier one.
    r.report_folder = dir_.path();
    QVERIFY(CrashReporter::Instance().SaveReport(r));
    QVERIFY(!CrashReporter::Instance().SaveReport(r));
  }

  void ShippedProgramNamesTheFrameThatThrew() {
    // What the report of a caught exception shows when the program is
    // stripped as the package ships it.
    const QString program = ShippedCopy();
    QVERIFY(!program.isEmpty());
    QProcess child;
    child.start(program, {QStringLiteral("--throw")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    const QString trace = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(trace.contains(QStringLiteral("ThrowFromDeepInsideTheHandler")), qPrintable(trace));
    QVERIFY2(trace.contains(QStringLiteral("ThrowOnPurpose")), qPrintable(trace));
  }

  void FatalSignalWritesTheReportBeforeTheProgramEnds() {
    // A fresh process crashes on purpose: this test program, stripped as the
    // package ships it. It sets its report folder up as the program does: the
    // user's state folder, which does not exist yet.
    const QString program = ShippedCopy();
    QVERIFY(!program.isEmpty());
    QTemporaryDir state;
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
    QVERIFY(err.contains(QStringLiteral("SIGSEGV")));
    QVERIFY2(err.contains(QStringLiteral("saved as ") + QDir(reports).filePath(files[0])),
             qPrintable(err));
    const QString report = QString::fromUtf8(ReadAll(QDir(reports).filePath(files[0])));
    QVERIFY(report.contains(QStringLiteral("SIGSEGV")));
    QVERIFY2(report.contains(QStringLiteral("CrashOnPurpose")), qPrintable(report));
    const QStringList lines = LogLines(log_);
    QVERIFY(lines.contains(QStringLiteral("Quitting")));
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

// The child process of the stripped-throw test: the trace of an exception,
// as the report would show it, on standard output.
[[gnu::noinline]] int ThrowOnPurpose() {
  try {
    ThrowFromDeepInsideTheHandler();
  } catch (...) {
    std::fputs(RecordCurrentException().stack_trace.toUtf8().constData(), stdout);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--crash") == 0) return CrashOnPurpose();
  if (argc == 2 && std::strcmp(argv[1], "--throw") == 0) return ThrowOnPurpose();
  SorvelApplication app(argc, argv);
  CrashReportTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "crash_report_uitest.moc"
