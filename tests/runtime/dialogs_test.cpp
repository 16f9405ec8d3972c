#include "runtime/dialogs.h"

#include <gtest/gtest.h>

TEST(Dialogs, ScriptedAnswersAndTheSafeDefault) {
  // With no interface installed every question is declined.
  EXPECT_EQ(OKToDoX(QStringLiteral("move 3 files")), mrCancel);
  EXPECT_EQ(DoYouWantToDoX(QStringLiteral("reduce the list")), mrNo);

  ScriptedDialogs script;
  SetDialogInterface(&script);
  script.QueueAnswer(mrYes);
  EXPECT_EQ(DoYouWantToDoX(QStringLiteral("reduce the list"), 6060), mrYes);
  EXPECT_EQ(OKToDoX(QStringLiteral("go on")), mrCancel);  // script ran out
  FailedToFind(QStringLiteral("/x/y.txt"), 5140);
  const auto shown = script.Shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].help_context, 6060);
  EXPECT_EQ(shown[2].name, QStringLiteral("FailedToFind"));
  EXPECT_TRUE(shown[2].text.contains(QStringLiteral("/x/y.txt")));
  SetDialogInterface(nullptr);
}
