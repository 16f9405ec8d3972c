#include "runtime/messages.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

// The message table is one list of keys shared by every subsystem; a key
// given two texts would silently show the wrong one on some page.
TEST(MessageTable, EveryKeyHasOneText) {
  QFile f(QStringLiteral(SORVEL_SOURCE_DIR "/src/runtime/messages.cpp"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString source = QString::fromUtf8(f.readAll());
  QSet<QString> seen;
  QStringList twice;
  const QRegularExpression re(QStringLiteral(R"(insert\(QStringLiteral\("(LX\w+)"\))"));
  for (auto it = re.globalMatch(source); it.hasNext();) {
    const QString key = it.next().captured(1);
    if (seen.contains(key)) twice << key;
    seen.insert(key);
    EXPECT_TRUE(HasLX(key.toLatin1().constData())) << key.toStdString();
  }
  EXPECT_GT(seen.size(), 20);
  EXPECT_TRUE(twice.isEmpty()) << twice.join(QLatin1Char(' ')).toStdString();
  EXPECT_EQ(LX("LXNoSuchKey"), QStringLiteral("[LXNoSuchKey]"));
}
