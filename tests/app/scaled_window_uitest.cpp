// The main window at twice the normal scale on a display 1,000 pixels high
// (1,600 x 1,000): ctest runs this test with QT_SCALE_FACTOR=2 on an
// offscreen screen of that size, so the window has 800 x 500 pixels of its
// own to fit into. It must open within the screen's available area, frame
// included, with every tab whole and every page laid out without being cut.

#include <QApplication>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/sorvel_window.h"
#include "support/test_support.h"

class ScaledWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { UseScratchSettings(); }

  void FitsAThousandPixelScreenAtTwiceTheScale() {
    // Scaled on that screen, or the test proves nothing.
    QScreen* screen = QGuiApplication::primaryScreen();
    QCOMPARE(screen->devicePixelRatio(), 2.0);
    QCOMPARE(screen->geometry().height() * 2, 1000);
    const QRect available = screen->availableGeometry();

    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto size = [](const QSize& s) {
      return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
    };
    QStringList cut;
    if (!available.contains(w.frameGeometry()))
      cut << QStringLiteral("window %1 on %2")
                 .arg(size(w.frameGeometry().size()), size(available.size()));
    QTabBar* tabs = w.pager->tabBar();
    for (int i = 0; i < tabs->count(); ++i) {
      w.pager->setCurrentIndex(i);
      QApplication::processEvents();
      // The tab itself: inside the bar, with no scroll arrows needed.
      if (!tabs->rect().contains(tabs->tabRect(i)))
        cut << tabs->tabText(i) + QStringLiteral(" (tab)");
      // The page: its layout fits the room the pager gives it.
      QWidget* page = w.pager->currentWidget();
      const QSize needed = page->minimumSizeHint();
      if (needed.width() > page->width() || needed.height() > page->height())
        cut << QStringLiteral("%1 (page needs %2, has %3)")
                   .arg(tabs->tabText(i), size(needed), size(page->size()));
    }
    for (QToolButton* arrow : tabs->findChildren<QToolButton*>())
      if (arrow->isVisible()) cut << QStringLiteral("scroll arrows shown");
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
  }
};

QTEST_MAIN(ScaledWindowTest)
#include "scaled_window_uitest.moc"
