#include "runtime/tree_lock.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/test_support.h"

TEST(TreeMoveLock, OneRunPerTreeAndAroundItSeparateTreesSideBySide) {
  TempTree t;
  t.MakeDir(QStringLiteral("corpus/a/deep"));
  t.MakeDir(QStringLiteral("corpus/b"));
  std::optional<TreeMoveLock> first(std::in_place, t.Path(QStringLiteral("corpus/a")));
  ASSERT_TRUE(first->Held()) << first->Refusal().toStdString();

  // The same tree, a folder inside it and a folder around it are refused at
  // once, with a message that says why.
  const TreeMoveLock same(t.Path(QStringLiteral("corpus/a")));
  EXPECT_FALSE(same.Held());
  EXPECT_TRUE(same.Refusal().contains(QStringLiteral("Another run")))
      << same.Refusal().toStdString();
  EXPECT_FALSE(TreeMoveLock(t.Path(QStringLiteral("corpus/a/deep"))).Held());
  EXPECT_FALSE(TreeMoveLock(t.Path(QStringLiteral("corpus"))).Held());
  // A tree beside it is free.
  EXPECT_TRUE(TreeMoveLock(t.Path(QStringLiteral("corpus/b"))).Held());

  // Once the first run ends, the tree is free again.
  first.reset();
  EXPECT_TRUE(TreeMoveLock(t.Path(QStringLiteral("corpus"))).Held());
  EXPECT_FALSE(TreeMoveLock(t.Path(QStringLiteral("missing"))).Held());
}
