// The progress reporter's record and codes, and the controller link.

#include "runtime/suite_progress.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>

#include "runtime/controller_link.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "support/test_support.h"

namespace {

class RecordingPanels : public ProgressPanels {
 public:
  int PanelCount() const override { return 11; }
  void SetPanelText(int panel, const QString& text) override { text_[panel] = text; }
  void SetPanelBar(int panel, int percent) override { bar_[panel] = percent; }
  void SetPanelShowsBar(int panel, bool bar) override { shows_bar_[panel] = bar; }
  QString text_[11];
  int bar_[11] = {};
  bool shows_bar_[11] = {};
};

// A link whose controller has a window, with this tool's window published,
// and scripted answers to every question.
struct LinkedController : ::testing::Test {
  RecordingControllerLink link;
  ScriptedDialogs dialogs;
  void SetUp() override {
    link.shell_wnd = 0x500;
    SetControllerLink(&link);
    SetOwnWindowHandle(0x700);
    SetDialogInterface(&dialogs);
  }
  void TearDown() override {
    SetDialogInterface(nullptr);
    SetControllerLink(nullptr);
    SetOwnWindowHandle(0);
  }
  // The codes of the 1025 messages posted so far.
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const auto& m : link.PostedMessages()) {
      if (m.msg == kMsgControllerCommand) {
        EXPECT_EQ(m.wparam >> 16, 13u);  // tool number in bits 16-23, zero above
        EXPECT_EQ(m.lparam, 0x700u);
        codes.push_back(int(m.wparam & 0xFFFF));
      }
    }
    return codes;
  }
};

}  // namespace

TEST_F(LinkedController, RecordReadsBackAndCodesGoToTheController) {
  const auto report = [](SuiteProgress& p, const QString& long_message) {
    p.ClearAllAndShow(0x1122334455667788LL, 0);
    p.ThisPercent(42);
    p.OverallPercent(-3);
    p.RunningWords(123456);
    p.ProgressShortMessage(QStringLiteral("short é"));
    p.ProgressLongMessage(long_message);
  };
  SuiteProgress p;
  report(p, QString(250, QChar(0x4E2D)));  // cut to 200 units
  EXPECT_TRUE(link.Calls().contains(QStringLiteral("front")));
  p.ShowTimeToGo();
  p.Memory();

  EXPECT_EQ(Codes(), (std::vector<int>{0x17D4, 0x17E0, 0x17D8, 0x17D9, 0x17DC, 0x17E1, 0x17DA,
                                       0x17D6, 0x17D5}));
  // Every notification is preceded by a 1252 identity message.
  const auto posted = link.PostedMessages();
  ASSERT_EQ(posted.size(), 18u);
  EXPECT_EQ(posted[0].msg, kMsgToolIdentity);
  EXPECT_EQ(posted[0].wparam, 13u);

  // What the controller reads back is what was reported, the long message
  // cut to 200 UTF-16 units.
  const auto r = progress_record::Read(link.Records().back());
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->this_percent, 42);
  EXPECT_EQ(r->overall_percent, -3);
  EXPECT_EQ(r->start_value, 0x1122334455667788LL);
  EXPECT_EQ(r->running_words, 123456);
  EXPECT_EQ(r->short_message, QStringLiteral("short é"));
  EXPECT_EQ(r->long_message, QString(200, QChar(0x4E2D)));
  EXPECT_FALSE(progress_record::Read(link.Records().back().left(831)).has_value());

  // A shorter message leaves no trace of the longer one: the record is the
  // one a reporter that never saw the longer message sends.
  p.ProgressLongMessage(QStringLiteral("ok"));
  const QByteArray sent = link.Records().back();
  SuiteProgress fresh;
  report(fresh, QStringLiteral("ok"));
  EXPECT_EQ(sent, fresh.Record());
  ASSERT_TRUE(progress_record::Read(sent).has_value());
  EXPECT_EQ(progress_record::Read(sent)->long_message, QStringLiteral("ok"));
}

TEST_F(LinkedController, UnchangedPercentagesSendNothing) {
  SuiteProgress p;
  p.ClearAllAndShow(0, 0);
  link.Clear();
  EXPECT_TRUE(p.ThisPercent(10));
  EXPECT_FALSE(p.ThisPercent(10));
  EXPECT_TRUE(p.OverallPercent(10));  // the this-item value does not count
  EXPECT_FALSE(p.OverallPercent(10));
  EXPECT_EQ(Codes(), (std::vector<int>{0x17D8, 0x17D9}));
  // Out of: the message, then the this-item percentage n*100 div total.
  p.ProgressShortMessageOutOf(QStringLiteral("files"), 1, 3);
  EXPECT_EQ(progress_record::Read(p.Record())->this_percent, 33);
  p.ProgressShortMessageOutOf(QStringLiteral("files"), 1, 0);
  EXPECT_EQ(progress_record::Read(p.Record())->this_percent, 33);
}

TEST_F(LinkedController, HideStopsReportingUntilShownAgain) {
  RecordingPanels panels;
  SuiteProgress p;
  p.SetStatusBar(&panels);
  bool fronted = false;
  p.bring_to_front = [&] { fronted = true; };
  p.ClearAllAndShow(0, 0);
  link.Clear();
  panels.text_[10] = QStringLiteral("old");
  p.Hide();
  EXPECT_TRUE(p.hidden);
  EXPECT_TRUE(fronted);
  EXPECT_EQ(Codes(), (std::vector<int>{0x17DB}));
  EXPECT_TRUE(panels.text_[10].isEmpty());
  link.Clear();
  EXPECT_TRUE(p.ThisPercent(50));  // stored, but not sent
  EXPECT_TRUE(Codes().empty());
  p.ShowWhere(0);
  EXPECT_FALSE(p.hidden);
  EXPECT_EQ(Codes(), (std::vector<int>{0x17D4}));
}

TEST_F(LinkedController, InTheToolPanelsShowBarsOrPercentTextsAndErrorsAsBoxes) {
  RecordingPanels panels;
  SuiteProgress p;
  p.SetStatusBar(&panels);
  p.ClearAllAndShow(0, 1);  // in the tool: bars
  EXPECT_TRUE(p.UsesFileBar());
  EXPECT_TRUE(panels.shows_bar_[2] && panels.shows_bar_[3]);
  p.ThisPercent(30);
  p.OverallPercent(60);
  EXPECT_EQ(panels.bar_[3], 30);
  EXPECT_EQ(panels.bar_[2], 60);
  p.ProgressShortMessage(QStringLiteral("short"));
  p.ProgressLongMessage(QStringLiteral("long"));
  EXPECT_EQ(panels.text_[1], QStringLiteral("short"));
  EXPECT_EQ(panels.text_[10], QStringLiteral("long"));
  // Nothing went to the controller in the tool's mode.
  EXPECT_TRUE(link.Records().empty());

  // Without bars the percentages are texts; 0 empties the panel.
  p.Hide();
  p.ShowWhere(1);
  p.ThisPercent(7);
  EXPECT_EQ(panels.text_[3], QStringLiteral("7%"));
  p.ThisPercent(0);
  EXPECT_TRUE(panels.text_[3].isEmpty());

  // Errors are boxes with the suite's captions; a fatal one halts.
  bool halted = false;
  p.halt = [&] { halted = true; };
  p.ShowError(QStringLiteral("disk full"));
  EXPECT_FALSE(halted);
  p.FatalError(QStringLiteral("out of memory"));
  EXPECT_TRUE(halted);
  ASSERT_EQ(dialogs.Shown().size(), 2u);
  EXPECT_EQ(dialogs.Shown()[0].caption, LX("LXErrorCaption"));
  EXPECT_EQ(dialogs.Shown()[0].text, QStringLiteral("disk full"));
  EXPECT_EQ(dialogs.Shown()[1].caption, LX("LXHaltingCaption"));
}

TEST_F(LinkedController, NotificationsNeedBothWindows) {
  link.shell_wnd = 0;
  EXPECT_FALSE(NotifyController(kCodeToolStarted));  // controller without a window
  link.shell_wnd = 0x700;
  EXPECT_FALSE(NotifyController(kCodeToolStarted));  // that window is ours
  link.shell_wnd = 0x500;
  SetOwnWindowHandle(0);
  EXPECT_FALSE(NotifyController(kCodeToolStarted));  // nothing published
  EXPECT_TRUE(link.PostedMessages().empty());
  SetOwnWindowHandle(0x700);
  EXPECT_TRUE(NotifyController(0xFFFF));
  ASSERT_FALSE(link.PostedMessages().empty());
  EXPECT_EQ(link.PostedMessages().back().wparam, 0x000DFFFFu);
  EXPECT_EQ(ControllerNotifyParam(0x11F9, 0x1FF), 0x00FF11F9u);  // the tool takes 8 bits only
  // The null link drops everything.
  SetControllerLink(nullptr);
  EXPECT_FALSE(NotifyController(kCodeToolStarted));
}

TEST_F(LinkedController, StartingTheController) {
  TempTree tree;
  // Running already: nothing is launched.
  EXPECT_TRUE(StartATool(kControllerToolNumber, QString(), false, false, nullptr));
  EXPECT_TRUE(link.Calls().isEmpty());
  // Not configured, or not an executable file: fails quietly.
  link.shell_wnd = 0;
  EXPECT_FALSE(StartATool(kControllerToolNumber, QString(), false, false, nullptr));
  link.tool_path = tree.WriteText(QStringLiteral("controller"), QStringLiteral("#!/bin/sh\n"));
  EXPECT_FALSE(StartATool(kControllerToolNumber, QString(), false, false, nullptr));
  EXPECT_TRUE(link.Calls().isEmpty());
  EXPECT_TRUE(dialogs.Shown().empty());
  // An executable: launched with 1720 appended, then waited for.
  QFile::setPermissions(link.tool_path, QFile::ReadOwner | QFile::ExeOwner);
  link.initialised_after_queries = 3;
  int yields = 0;
  EXPECT_TRUE(
      StartATool(kControllerToolNumber, QStringLiteral("-x"), true, false, [&] { ++yields; }));
  EXPECT_EQ(link.Calls().back(),
            QStringLiteral("launch ") + link.tool_path + QStringLiteral(" -x 1720"));
  EXPECT_EQ(yields, 2);
  // Never initialised: the wait ends at the time limit.
  link.Clear();
  link.initialised_after_queries = 0;
  EXPECT_FALSE(StartATool(
      kControllerToolNumber, QString(), false, false, [] {}, 50));
  // A launch that fails says so.
  link.launch_ok = false;
  EXPECT_FALSE(StartATool(kControllerToolNumber, QString(), false, false, nullptr));
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].caption, QStringLiteral("Fatal Error"));
  EXPECT_EQ(dialogs.Shown()[0].text, QStringLiteral("Can't start \r") + link.tool_path);
}
