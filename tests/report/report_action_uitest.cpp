// The desktop program's report action: in the main window's menu, and run
// through the window's own worker path, writing the page it opens.

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QTest>

#include "app/sorvel_window.h"
#include "report/report_action_gui.h"
#include "runtime/panic.h"
#include "support/test_support.h"

class ReportActionTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { qputenv("SORVEL_SETTINGS", QByteArray("/nonexistent/sorvel-test.ini")); }

  void MenuHoldsTheActionAndTheRunWritesThePageOnTheWorker() {
    MainWindow w;
    w.show();
    QAction* action = w.findChild<QAction*>(QStringLiteral("ActionCorpusReport"));
    QVERIFY(action);
    bool in_menu = false;
    for (QAction* menu : w.menuBar()->actions())
      if (menu->menu() && menu->menu()->actions().contains(action)) in_menu = true;
    QVERIFY(in_menu);

    TempTree tree;
    const QByteArray prose =
        QByteArray("The farmers walked along the river to the market in town. ").repeated(20);
    tree.Write(QStringLiteral("corpus/a.txt"), prose);
    tree.Write(QStringLiteral("corpus/b.txt"), prose);
    const QString page = tree.Path(QStringLiteral("report.html"));
    bool finished = false, written = false;
    QString message;
    QVERIFY(StartCorpusReport(&w, tree.Path(QStringLiteral("corpus")), page,
                              [&](bool ok, const QString& m) {
                                finished = true;
                                written = ok;
                                message = m;
                              }));
    QVERIFY(w.ToolRunning());
    // One tool at a time: a second start is refused while the first runs.
    QVERIFY(!StartCorpusReport(&w, tree.Root(), page, [](bool, const QString&) {}));
    QTRY_VERIFY_WITH_TIMEOUT(finished, 60000);
    QVERIFY2(written, qPrintable(message));
    QVERIFY(!w.ToolRunning());
    const QByteArray html = ReadAll(page);
    QVERIFY(html.startsWith("<!DOCTYPE html>"));
    QVERIFY(html.contains("b.txt"));  // the copy of a.txt, listed as a near duplicate
  }
};

QTEST_MAIN(ReportActionTest)
#include "report_action_uitest.moc"
