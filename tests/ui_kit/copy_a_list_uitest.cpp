// The shared Copy action: which text each control gives, the clipboard and the
// spreadsheet written from it.

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

#include "runtime/dialogs.h"
#include "support/test_support.h"
#include "support/xlsx_reader.h"
#include "ui_kit/copy_a_list_gui.h"

class CopyAListTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    SetDialogInterface(&dialogs_);
    dialogs_.Clear();
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void TextDependsOnTheFocusedControl() {
    QTableWidget grid(2, 2);
    grid.setObjectName(QStringLiteral("LXSimpleVirtualGridRelevance"));
    grid.setHorizontalHeaderLabels({QStringLiteral("File"), QStringLiteral("Score")});
    grid.setItem(0, 0, new QTableWidgetItem(QStringLiteral("a.txt")));
    grid.setItem(0, 1, new QTableWidgetItem(QStringLiteral("3")));
    grid.setItem(1, 0, new QTableWidgetItem(QStringLiteral("b.txt")));
    CopyAListSource s = CopySourceFor(grid.viewport());  // a part of the grid counts as the grid
    QCOMPARE(s.help_context, 6040);
    QCOMPARE(s.text, QStringLiteral("File\tScore\r\na.txt\t3\r\nb.txt\t"));

    QTreeWidget tree;
    tree.setObjectName(QStringLiteral("AdvTreeViewBoiler"));
    tree.setColumnCount(2);
    auto* top = new QTreeWidgetItem(&tree, {QStringLiteral("sentence"), QStringLiteral("12")});
    new QTreeWidgetItem(top, {QStringLiteral("x.txt"), QStringLiteral("1")});
    new QTreeWidgetItem(&tree, {QStringLiteral("other"), QStringLiteral("4")});
    s = CopySourceFor(&tree);
    QCOMPARE(s.help_context, 6030);
    QCOMPARE(s.text, QStringLiteral("\tsentence\t12\r\nx.txt\t1\r\nother\t4"));

    QTableWidget list;
    SetCopyTextProvider(
        &list, [] { return QStringLiteral("groups as text"); }, 6020);
    s = CopySourceFor(&list);
    QCOMPARE(s.text, QStringLiteral("groups as text"));
    QCOMPARE(s.help_context, 6020);
  }

  void ClipboardAndSpreadsheet() {
    const QString text =
        QStringLiteral("head\t1\t\t2\r\n\u00b7\u00b7\u00b7\u00b7 m\u00e9mber\t3\r\nlone");
    dialogs_.QueueAnswer(mrNo);  // no spreadsheet
    QVERIFY(CopyTextAsAList(text, 6020));
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
    QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("CopyResultsToExcelToo")});
    QCOMPARE(dialogs_.Shown().at(0).help_context, 6020);

    dialogs_.Clear();
    dialogs_.QueueAnswer(mrYes);  // spreadsheet too
    dialogs_.QueueAnswer(mrNo);   // do not open it
    const QString saved = OfferCopyAsSpreadsheet(text, 6020);
    QVERIFY(saved.startsWith(QDir::tempPath()));
    QCOMPARE(dialogs_.ShownNames(), (QStringList{QStringLiteral("CopyResultsToExcelToo"),
                                                 QStringLiteral("SavedOKOpenNow")}));
    // Row by row; the empty piece is a cell too.
    const QMap<QString, QString> cells = XlsxCells(saved);
    QCOMPARE(cells.keys(), QStringList({"A1", "A2", "A3", "B1", "B2", "C1", "D1"}));
    QCOMPARE(cells.values(), QStringList({"head", "\u00b7\u00b7\u00b7\u00b7 m\u00e9mber", "lone",
                                          "1", "3", "", "2"}));
    // The temporary spreadsheet goes when the program ends.
    QCOMPARE(RemoveTemporarySpreadsheets(), 1);
    QVERIFY(!QFileInfo::exists(saved));
  }

  void ExistingTargetIsKeptAsBak() {
    TempTree tree;
    const QString target = tree.Path(QStringLiteral("out.xlsx"));
    QVERIFY(SaveLinesAsSpreadsheet({QStringLiteral("first")}, target));
    const QByteArray first = ReadAll(target);
    QVERIFY(SaveLinesAsSpreadsheet({QStringLiteral("second")}, target));
    QCOMPARE(ReadAll(tree.Path(QStringLiteral("out.bak"))), first);
    QCOMPARE(XlsxCells(target).value(QStringLiteral("A1")), QStringLiteral("second"));
    QVERIFY(SaveLinesAsSpreadsheet({QStringLiteral("third")}, target));
    QCOMPARE(XlsxCells(tree.Path(QStringLiteral("out.bak"))).value(QStringLiteral("A1")),
             QStringLiteral("second"));
    // A folder that does not exist: nothing saved, and it says so.
    QVERIFY(
        !SaveLinesAsSpreadsheet({QStringLiteral("x")}, tree.Path(QStringLiteral("no/such.xlsx"))));
  }

 private:
  ScriptedDialogs dialogs_;
};

QTEST_MAIN(CopyAListTest)
#include "copy_a_list_uitest.moc"
