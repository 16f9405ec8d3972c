// The progress reporter: the record the controller reads, and the tool's own
// status bar.

#include "runtime/suite_progress.h"

#include <gtest/gtest.h>

#include "runtime/controller_link.h"

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

}  // namespace

TEST(SuiteProgress, TheControllerReadsBackEveryFieldReported) {
  RecordingControllerLink link;
  link.shell_wnd = 0x500;
  SetControllerLink(&link);
  SetOwnWindowHandle(0x700);
  SuiteProgress p;
  p.ClearAllAndShow(0x1122334455667788LL, 0);
  p.ThisPercent(42);
  p.OverallPercent(-3);
  p.RunningWords(123456);
  p.ProgressShortMessage(QStringLiteral("short é"));
  p.ProgressLongMessage(QString(250, QChar(0x4E2D)));  // cut to 200 units
  const std::vector<QByteArray> sent = link.Records();
  SetControllerLink(nullptr);
  SetOwnWindowHandle(0);

  ASSERT_FALSE(sent.empty());
  EXPECT_FALSE(progress_record::Read(sent.back().left(831)).has_value());
  const auto r = progress_record::Read(sent.back());
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->this_percent, 42);
  EXPECT_EQ(r->overall_percent, -3);
  EXPECT_EQ(r->start_value, 0x1122334455667788LL);
  EXPECT_EQ(r->running_words, 123456);
  EXPECT_EQ(r->short_message, QStringLiteral("short é"));
  EXPECT_EQ(r->long_message, QString(200, QChar(0x4E2D)));
  // A shorter message leaves no trace of the longer one.
  p.ProgressLongMessage(QStringLiteral("ok"));
  EXPECT_EQ(progress_record::Read(p.Record())->long_message, QStringLiteral("ok"));
}

TEST(SuiteProgress, ShownAtTheToolEventsReachItsStatusBar) {
  RecordingControllerLink link;
  SetControllerLink(&link);
  RecordingPanels panels;
  SuiteProgress p;
  p.SetStatusBar(&panels);
  p.ClearAllAndShow(0, 1);
  EXPECT_TRUE(panels.shows_bar_[2] && panels.shows_bar_[3]);
  p.ThisPercent(30);
  p.OverallPercent(60);
  p.ProgressShortMessage(QStringLiteral("short"));
  p.ProgressLongMessage(QStringLiteral("long"));
  SetControllerLink(nullptr);
  EXPECT_EQ(panels.bar_[3], 30);
  EXPECT_EQ(panels.bar_[2], 60);
  EXPECT_EQ(panels.text_[1], QStringLiteral("short"));
  EXPECT_EQ(panels.text_[10], QStringLiteral("long"));
  EXPECT_TRUE(link.Records().empty());
}
