// The Boilerplate page inside the main window, as a user meets it: a search
// from the page, the results on the List page, the status bar's text and the
// shared viewer. (Column widths: the page's own test.)

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "app/sorvel_window.h"
#include "boilerplate/boilerplate_page.h"
#include "boilerplate/boilerplate_tree_model.h"
#include "runtime/messages.h"
#include "runtime/panic.h"
#include "support/test_support.h"
#include "ui_kit/text_viewer_window.h"

class BoilerplateInWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { UseScratchSettings(); }

  void SearchFromTheMainWindow() {
    global_panic_state = 0;
    TempTree tree;
    const QString licence =
        QStringLiteral("Permission is granted to copy this text under the same terms.");
    for (int i = 0; i < 5; ++i)
      tree.WriteText(QStringLiteral("texts/t%1.txt").arg(i),
                     QStringLiteral("Text %1 starts here. ").arg(i) + licence);
    MainWindow w;
    w.show();
    QVERIFY(w.boilerplate_search);
    QVERIFY(w.boilerplate_page);
    QCOMPARE(w.boilerplate_page->parentWidget(), w.boilerplate_tab);
    w.pager->setCurrentWidget(w.boilerplate_tab);

    BoilerplatePage* page = w.boilerplate_page;
    page->findChild<QLineEdit*>(QStringLiteral("ElFolderNameEditBoilerHeadFolder"))
        ->setText(tree.Path("texts"));
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("AdvGlowButtonBoilerSearch")),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->Running() && !w.ToolRunning(), 20000);

    auto* pager = page->findChild<QTabWidget*>(QStringLiteral("AdvOfficePagerBoiler"));
    QCOMPARE(pager->currentWidget()->objectName(), QStringLiteral("AdvOfficePageBoilerList"));
    QCOMPARE(page->TreeModel()->rowCount(), 1);
    QCOMPARE(page->TreeModel()->data(page->TreeModel()->index(0, 0)).toString(), licence);
    QCOMPARE(page->TreeModel()->data(page->TreeModel()->index(0, 1)).toString(),
             QStringLiteral("5"));
    QCOMPARE(w.status_bar->PanelText(10), QStringLiteral("Checked 5 files: 1 repeated chunk"));

    auto* view = page->findChild<QTreeView*>(QStringLiteral("AdvTreeViewBoiler"));
    view->setCurrentIndex(page->TreeModel()->index(2, 0, page->TreeModel()->index(0, 0)));
    QCOMPARE(w.status_bar->PanelText(10),
             QStringLiteral("\"%1\" found 1 time in %2").arg(licence, tree.Path("texts/t2.txt")));

    // "Open && show" opens the selected file in the window's shared viewer.
    page->OpenSelectedFile();
    TextViewerWindow* viewer = w.SharedViewer();
    QVERIFY(viewer && viewer->isVisible());
    QCOMPARE(viewer->CurrentShortFilename(), QStringLiteral("t2.txt"));
    QCOMPARE(viewer->KeywordList()->count(), 1);
    QCOMPARE(viewer->KeywordList()->item(0)->text(), licence);

    if (!qEnvironmentVariableIsEmpty("BOILER_SCREENSHOT")) {
      view->expandAll();
      w.grab().save(qEnvironmentVariable("BOILER_SCREENSHOT"));
    }
  }
};

QTEST_MAIN(BoilerplateInWindowTest)
#include "boilerplate_in_window_uitest.moc"
