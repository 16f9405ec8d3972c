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
  QString a, b, c;

  void SetUp() override {
    a = tree.WriteText("a.txt", three + u' ' + one + u' ' + one);
    b = tree.WriteText("b.txt", three + u' ' + three);
    c = tree.WriteText("c.txt", three);
    engine.SetSettings(false, 200, 2, 20, nullptr, nullptr, nullptr);
    for (const QString& f : {a, b, c})
      engine.AddToRepeatedSentencesInTxt(engine.LoadATextFile(f), 3);
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
  EXPECT_EQ(
      model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
      Qt::AlignRight);

  // Re-sorted by file order and refilled: row 0 shows the new chunk 0.
  engine.SortAScendingFilenumbers();
  model.Fill(&engine);
  EXPECT_EQ(engine.RowOrder().Count(), 2);
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), engine.Chunks().Strings(0));

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
  EXPECT_EQ(CountChunksOfFile(engine, b), 1);
  EXPECT_EQ(CountChunksOfFile(engine, a.toUpper()), 0);

  const QModelIndex top0 = model.index(0, 0);
  BoilerplateSelection s = SummariseBoilerRow(model, model.index(1, 0, top0), tree.Root());
  EXPECT_EQ(s.to_open.full_path, b);
  EXPECT_EQ(s.to_open.info2, QStringLiteral("1"));
  EXPECT_EQ(s.message, QStringLiteral("\"%1\" found 2 times in %2").arg(three, b));
  s = SummariseBoilerRow(model, model.index(2, 0, top0), tree.Root());
  EXPECT_EQ(s.message, QStringLiteral("\"%1\" found 1 time in %2").arg(three, c));

  s = SummariseBoilerRow(model, model.index(0, 2, top0), tree.Root());
  EXPECT_EQ(s.message, QStringLiteral("2 %1 found in %2").arg(LX("LXRepeatedChunks"), a));
  EXPECT_EQ(s.to_open.info2, QStringLiteral("2"));

  s = SummariseBoilerRow(model, top0, tree.Root());
  EXPECT_TRUE(s.total_row);
  EXPECT_EQ(s.to_open.full_path, tree.Root());
  EXPECT_EQ(s.message, QStringLiteral("\"%1\" found 4 times in 3 files").arg(three));
}

}  // namespace
