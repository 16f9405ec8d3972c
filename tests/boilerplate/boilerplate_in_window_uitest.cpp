// The Boilerplate page inside the main window: a search from the page ends
// with its line in the window's status bar, and a file opens in the window's
// shared viewer. (The page itself: its own test.)

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "app/sorvel_window.h"
#include "boilerplate/boilerplate_page.h"
#include "boilerplate/boilerplate_tree_model.h"
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
    for (int i = 0; i < 5; ++i)
      tree.WriteText(QStringLiteral("texts/t%1.txt").arg(i),
                     QStringLiteral("Text %1 starts here. Permission is granted to copy this "
                                    "text under the same terms.")
                         .arg(i));
    MainWindow w;
    w.show();
    BoilerplatePage* page = w.boilerplate_page;
    QVERIFY(w.boilerplate_search && page);
    QCOMPARE(page->parentWidget(), w.boilerplate_tab);
    w.pager->setCurrentWidget(w.boilerplate_tab);
    page->findChild<QLineEdit*>(QStringLiteral("ElFolderNameEditBoilerHeadFolder"))
        ->setText(tree.Path("texts"));
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("AdvGlowButtonBoilerSearch")),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->Running() && !w.ToolRunning(), 20000);
    QCOMPARE(w.status_bar->PanelText(10), QStringLiteral("Checked 5 files: 1 repeated chunk"));

    // "Open && show" opens the selected file in the window's shared viewer.
    auto* view = page->findChild<QTreeView*>(QStringLiteral("AdvTreeViewBoiler"));
    view->setCurrentIndex(page->TreeModel()->index(2, 0, page->TreeModel()->index(0, 0)));
    page->OpenSelectedFile();
    TextViewerWindow* viewer = w.SharedViewer();
    QVERIFY(viewer && viewer->isVisible());
    QCOMPARE(viewer->CurrentShortFilename(), QStringLiteral("t2.txt"));
  }
};

QTEST_MAIN(BoilerplateInWindowTest)
#include "boilerplate_in_window_uitest.moc"
