// The hooks that log each stage of a crash report.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "crash/exception_handling_unit.h"
#include "runtime/log.h"
#include "support/test_support.h"

namespace {

struct Logged {
  QString line;
  bool flag;
};

struct HookTest : ::testing::Test {
  TempTree tree;
  std::vector<Logged> lines;
  void SetUp() override {
    SetLogFilename(tree.WriteText(QStringLiteral("lexivor.log"), QString()));
    SetLogging(true);
    SetExceptionLogSink([this](const QString& l, bool f) { lines.push_back({l, f}); });
    InitExceptionHandlingUnit(QStringLiteral("/home/ann/.local/state/sorvel/"));
  }
  void TearDown() override {
    SetExceptionLogSink(nullptr);
    SetLogging(false);
  }
  QStringList Lines() const {
    QStringList l;
    for (const auto& x : lines) l << x.line;
    return l;
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
  EXPECT_EQ(Lines(),
            QStringList({"Lexivor Error noticed", "Outputpath = /home/ann/.local/state/sorvel"}));
}

TEST_F(HookTest, EachStageLogsItsLines) {
  ExceptionRecord r;
  r.modules = QStringList({"sorvel", "libQt6Core.so.6", "libc.so.6"});
  r.report_folder = QStringLiteral("/opt/lexivor/bin");
  r.report_file = QStringLiteral("/tmp/x/report.v2.txt");
  for (int stage : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    bool go_on = false;
    ReportStageHook(r, stage, go_on);
    EXPECT_TRUE(go_on) << stage;
  }
  EXPECT_EQ(Lines(), QStringList({"Module 1: sorvel", "Module 2: libQt6Core.so.6",
                                  "Module 3: libc.so.6", "Showing error", "finished showing",
                                  "Saving error in /opt/lexivor/bin/report.v2.elf", "Saved",
                                  "Sending email", "Sent email", "Quitting"}));
  for (const auto& l : lines) EXPECT_TRUE(l.flag);
}

TEST_F(HookTest, FailuresLogAMarkerFirst) {
  ExceptionRecord r;
  ReportStageFailedHook(r, 2, 0);
  ReportStageFailedHook(r, 7, 0);
  ReportStageFailedHook(r, 0, 0);
  ReportStageFailedHook(r, 8, 0);
  EXPECT_EQ(Lines(), QStringList({"***", "Failed to save", "***", "***", "Failed to show", "***",
                                  "Failed to quit"}));
  for (const auto& l : lines)
    EXPECT_EQ(l.flag, l.line != QStringLiteral("***")) << l.line.toStdString();
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
