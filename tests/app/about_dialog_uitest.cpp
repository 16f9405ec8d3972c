// The main window's About box, with the version the build was made from.
// (Help on this page, the menu item's F1, is the main window test's.)

#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "app/about_dialog.h"
#include "app/sorvel_window.h"
#include "runtime/settings.h"
#include "sorvel_version.h"
#include "support/test_support.h"

class AboutDialogTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void AboutBoxShowsTheVersion() {
    UseScratchSettings();
    MainWindow w;
    w.show();
    auto* about = w.menuBar()->findChild<QAction*>(QStringLiteral("AboutSorvel"));
    QVERIFY(about);
    about->trigger();
    auto* box = w.findChild<AboutSorvelDialog*>();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    const QString text = box->findChild<QLabel*>(QStringLiteral("AboutText"))->text();
    QVERIFY2(text.contains(QStringLiteral("Sorvel " SORVEL_VERSION)), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("corpus")));
    // The build's version is the project's: a plain dotted version.
    QVERIFY(QString::fromLatin1(SORVEL_VERSION)
                .contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))));
    box->close();
    QTRY_VERIFY(!w.findChild<AboutSorvelDialog*>());
  }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_uitest.moc"
