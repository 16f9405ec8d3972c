#include "boilerplate/boilerplate_tree_model.h"

#include <gtest/gtest.h>

#include "runtime/messages.h"
#include "support/test_support.h"

namespace {

class BoilerTreeTest : public ::testing::Test {
 protected:
  TempTree tree;
  RepeatedChunks engine;
  BoilerplateTreeModel model;
  const QString three = QStringLiteral("This sentence sits in three of the files.");
  const QString one = QStringLiteral("Said twice in one file and nowhere else.");
  const QString a = tree.WriteText("a.txt", three + u' ' + one + u' ' + one);
  const QString b = tree.WriteText("b.txt", three + u' ' + three);
  const QString c = tree.WriteText("c.txt", three);

  void SetUp() override {
    engine.SetSettings(false, 200, 2, 20, nullptr, nullptr, nullptr);
    engine.AddTextFiles({a, b, c});
    engine.SortDescendingFreq();
    model.Fill(&engine);
  }

  QStringList Row(const QModelIndex& i) const {
    return {model.data(i.siblingAtColumn(0)).toString(),
            model.data(i.siblingAtColumn(1)).toString(),
            model.data(i.siblingAtColumn(2)).toString()};
  }
};

TEST_F(BoilerTreeTest, RowsForOneFileAndThreeFileChunks) {
  ASSERT_EQ(model.rowCount(), 2);
  const QModelIndex top0 = model.index(0, 0);
  EXPECT_EQ(Row(top0), (QStringList{three, "4", LX("LXTotal")}));
  ASSERT_EQ(model.rowCount(top0), 3);
  EXPECT_EQ(Row(model.index(0, 0, top0)), (QStringList{three, "1", a}));
  EXPECT_EQ(Row(model.index(1, 0, top0)), (QStringList{three, "2", b}));
  EXPECT_EQ(Row(model.index(2, 2, top0)), (QStringList{three, "1", c}));
  EXPECT_EQ(model.parent(model.index(1, 0, top0)), top0);
  const QModelIndex top1 = model.index(1, 0);
  EXPECT_EQ(Row(top1), (QStringList{one, "2", a}));
  EXPECT_EQ(model.rowCount(top1), 0);  // one file: no child rows

  // A row map that points past the chunk list.
  engine.RowOrder().Clear();
  engine.RowOrder().AddOne(7);
  EXPECT_EQ(model.data(model.index(0, 1)).toString(), BoilerplateTreeModel::BeyondTheList());
  model.Detach();
  EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(BoilerTreeTest, SelectionSummaryAndChunksOfAFile) {
  QStringList texts;
  EXPECT_EQ(CountChunksOfFile(engine, a, &texts), 2);
  EXPECT_EQ(texts, (QStringList{three, one}));
  EXPECT_EQ(CountChunksOfFile(engine, a.toUpper()), 0);

  const QModelIndex top0 = model.index(0, 0);
  const struct {
    QModelIndex row;
    QString open, chunks_in_file, message;
  } cases[] = {
      {model.index(1, 0, top0), b, "1", QStringLiteral("\"%1\" found 2 times in %2").arg(three, b)},
      {model.index(2, 0, top0), c, "1", QStringLiteral("\"%1\" found 1 time in %2").arg(three, c)},
      {model.index(0, 2, top0), a, "2",
       QStringLiteral("2 %1 found in %2").arg(LX("LXRepeatedChunks"), a)},
      {top0, tree.Root(), "0", QStringLiteral("\"%1\" found 4 times in 3 files").arg(three)}};
  for (const auto& want : cases) {
    const BoilerplateSelection s = SummariseBoilerRow(model, want.row, tree.Root());
    EXPECT_EQ(s.to_open.full_path, want.open);
    EXPECT_EQ(s.to_open.info2, want.chunks_in_file);
    EXPECT_EQ(s.message, want.message);
    EXPECT_EQ(s.total_row, want.row == top0);
  }
}

}  // namespace
