#include "runtime/format.h"

#include <gtest/gtest.h>

TEST(Format, DelphiStylePatterns) {
  const QLocale en(QLocale::English, QLocale::UnitedStates);
  const QLocale de(QLocale::German, QLocale::Germany);
  EXPECT_EQ(Format(QStringLiteral("%d files"), {42}, en), QStringLiteral("42 files"));
  EXPECT_EQ(Format(QStringLiteral("%.4d"), {-7}, en), QStringLiteral("-0007"));
  EXPECT_EQ(Format(QStringLiteral("%3.2f"), {0.046f}, de), QStringLiteral("0,05"));
  EXPECT_EQ(Format(QStringLiteral("%0.n of %0.n"), {1234.0, 1234567.0}, en),
            QStringLiteral("1,234 of 1,234,567"));
  EXPECT_EQ(Format(QStringLiteral("%0.n"), {1234567.0}, de), QStringLiteral("1.234.567"));
  EXPECT_EQ(Format(QStringLiteral("%5.1n"), {3.25}, en), QStringLiteral("  3.3"));
  EXPECT_EQ(Format(QStringLiteral("%-4d|"), {5}, en), QStringLiteral("5   |"));
  EXPECT_EQ(Format(QStringLiteral("100%%"), {}, en), QStringLiteral("100%"));
  EXPECT_EQ(Format(QStringLiteral("%1:s %0:s"), {QStringLiteral("x"), QStringLiteral("y")}, en),
            QStringLiteral("y x"));
  // A starred width takes the next argument; an unknown type letter is
  // written out and uses up no argument.
  EXPECT_EQ(Format(QStringLiteral("%*d|%.*d"), {4, 7, 3, 5}, en), QStringLiteral("   7|005"));
  EXPECT_EQ(Format(QStringLiteral("%q %d"), {5}, en), QStringLiteral("%q 5"));
  // Missing arguments leave the pattern item in place rather than failing.
  EXPECT_EQ(Format(QStringLiteral("%d and %d"), {1}, en), QStringLiteral("1 and %d"));
}
