// The hooks that log each stage of a crash report.

#include <gtest/gtest.h>

#include "crash/exception_handling_unit.h"
#include "runtime/log.h"
#include "support/test_support.h"

namespace {

struct HookTest : ::testing::Test {
  TempTree tree;
  // Each logged line; a line logged without the flag (not forced to disk)
  // has "!" in front.
  QStringList lines;
  void SetUp() override {
    SetLogFilename(tree.WriteText(QStringLiteral("lexivor.log"), QString()));
    SetLogging(true);
    SetExceptionLogSink([this](const QString& line, bool flag) {
      lines << (flag ? line : QStringLiteral("!") + line);
    });
    InitExceptionHandlingUnit(QStringLiteral("/home/ann/.local/state/sorvel/"));
  }
  void TearDown() override {
    SetExceptionLogSink(nullptr);
    SetLogging(false);
  }
};

}  // namespace

TEST_F(HookTest, ReportFolderIsTheOneGiven) {
  EXPECT_EQ(ExceptionReportFolder(), QStringLiteral("/home/ann/.local/state/sorvel"));
  EXPECT_EQ(ReportFolderOption(), QStringLiteral("/home/ann/.local/state/sorvel"));
  ExceptionRecord r;
  r.report_folder = QStringLiteral("/elsewhere");
  bool handled = false;
  ExceptionReportEvents().OnExceptionNotify(r, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(r.report_folder, QStringLiteral("/home/ann/.local/state/sorvel"));
  EXPECT_EQ(lines,
            QStringList({"Lexivor Error noticed", "Outputpath = /home/ann/.local/state/sorvel"}));
}

TEST_F(HookTest, EachStageLogsItsLinesAndFailuresAMarkerFirst) {
  ExceptionRecord r;
  r.modules = QStringList({"sorvel", "libQt6Core.so.6", "libc.so.6"});
  r.report_folder = QStringLiteral("/opt/lexivor/bin");
  r.report_file = QStringLiteral("/tmp/x/report.v2.txt");
  for (int stage : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    bool go_on = false;
    ReportStageHook(r, stage, go_on);
    EXPECT_TRUE(go_on) << stage;
  }
  for (int stage : {2, 7, 0, 8}) ReportStageFailedHook(r, stage, 0);
  EXPECT_EQ(lines, QStringList({"Module 1: sorvel", "Module 2: libQt6Core.so.6",
                                "Module 3: libc.so.6", "Showing error", "finished showing",
                                "Saving error in /opt/lexivor/bin/report.v2.elf", "Saved",
                                "Sending email", "Sent email", "Quitting", "!***", "Failed to save",
                                "!***", "!***", "Failed to show", "!***", "Failed to quit"}));
}

TEST_F(HookTest, LoggingOffStillLetsTheReportGoOn) {
  SetLogging(false);
  ExceptionRecord r;
  r.modules = QStringList({"sorvel"});
  bool handled = false, go_on = false;
  ExceptionNoticedHook(r, handled);
  ReportStageHook(r, 0, go_on);
  ReportStageFailedHook(r, 0, 0);
  FinaliseExceptionHandlingUnit();
  EXPECT_TRUE(handled);
  EXPECT_TRUE(go_on);
  EXPECT_EQ(r.report_folder, QStringLiteral("/home/ann/.local/state/sorvel"));
  EXPECT_TRUE(lines.empty());
}

TEST_F(HookTest, DefaultSinkWritesTheSuitesLogAndTheClosingEntry) {
  SetExceptionLogSink(nullptr);
  ExceptionRecord r;
  ReportStageFailedHook(r, 4, 0);
  FinaliseExceptionHandlingUnit();
  EXPECT_EQ(QString::fromUtf8(ReadAll(LogFilename())),
            QStringLiteral("***\nFailed to send\nquitting exception_handling_unit\r\n") +
                QString(50, QLatin1Char('*')) + QStringLiteral("\n"));
}
