#include "runtime/messages.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

// The message table is one list of keys shared by every subsystem; a key
// given two texts would silently show the wrong one on some page, and a key
// that the lookup does not find shows as its bracketed name.
TEST(MessageTable, EveryKeyHasOneTextAndIsFound) {
  const auto entries = MessageEntries();
  ASSERT_GT(entries.size(), 20u);
  QSet<QString> seen;
  QStringList twice;
  for (const MessageEntry& e : entries) {
    const QString key = QString::fromLatin1(e.key);
    EXPECT_TRUE(key.startsWith(QStringLiteral("LX"))) << e.key;
    if (seen.contains(key)) twice << key;
    seen.insert(key);
    EXPECT_TRUE(HasLX(e.key)) << e.key;
    EXPECT_FALSE(QString::fromUtf8(e.text).isEmpty()) << e.key;
  }
  EXPECT_TRUE(twice.isEmpty()) << twice.join(QLatin1Char(' ')).toStdString();
  // With no key twice, each lookup gives the text its entry lists.
  if (twice.isEmpty()) {
    for (const MessageEntry& e : entries) EXPECT_EQ(LX(e.key), QString::fromUtf8(e.text)) << e.key;
  }
  EXPECT_FALSE(HasLX("LXNoSuchKey"));
  EXPECT_EQ(LX("LXNoSuchKey"), QStringLiteral("[LXNoSuchKey]"));
}
