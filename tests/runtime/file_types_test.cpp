#include "runtime/file_types.h"

#include <gtest/gtest.h>

// A type picked in a combo box and the same type named on the command line
// must walk the same files.
TEST(FileTypes, CaptionsAndCommandLineNamesGiveTheSameMasks) {
  const QStringList captions = FileTypeCaptions();
  const std::vector<std::string> names = FileTypeCliNames();
  ASSERT_EQ(captions.size(), 3);
  ASSERT_EQ(names.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const QString by_name = FileTypeMaskOfCliName(QString::fromStdString(names[i]));
    EXPECT_FALSE(by_name.isEmpty()) << names[i];
    EXPECT_EQ(FileTypeMaskOfCaption(captions[i]), by_name) << names[i];
    EXPECT_EQ(FileTypeMaskAt(i), by_name) << names[i];
    // The caption shows the mask it stands for.
    EXPECT_TRUE(captions[i].contains(QLatin1Char('(') + by_name + QLatin1Char(')'))) << names[i];
  }
  EXPECT_EQ(FileTypeMaskOfCliName(QStringLiteral(" Web ")), FileTypeMaskAt(2));
  EXPECT_EQ(FileTypeMaskOfCliName(QStringLiteral("pdf")), QString());
  EXPECT_EQ(FileTypeMaskAt(7), QStringLiteral("*.*"));
  // An editable combo box: typed text is a mask of its own.
  EXPECT_EQ(FileTypeMaskOfCaption(QStringLiteral(" *.csv ")), QStringLiteral("*.csv"));
  EXPECT_EQ(FileTypeMaskOfCaption(QString()), QStringLiteral("*.*"));
}
