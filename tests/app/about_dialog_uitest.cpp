// The main window's Help menu: help on the active page, and the About box
// with the version the build was made from.

#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include "app/about_dialog.h"
#include "app/sorvel_window.h"
#include "runtime/settings.h"
#include "sorvel_version.h"
#include "support/test_support.h"
#include "ui_kit/help_router_gui.h"

class AboutDialogTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void HelpMenuOpensThePageTopicAndTheAboutBox() {
    UseScratchSettings();
    QList<QUrl> opened;
    HelpRouter::SetUrlOpener([&](const QUrl& u) {
      opened << u;
      return true;
    });
    MainWindow w;
    w.show();
    w.pager->setCurrentWidget(w.boilerplate_tab);
    auto* topic = w.menuBar()->findChild<QAction*>(QStringLiteral("HelpOnThisPage"));
    auto* about = w.menuBar()->findChild<QAction*>(QStringLiteral("AboutSorvel"));
    QVERIFY(topic && about);
    QCOMPARE(topic->shortcut(), QKeySequence(QKeySequence::HelpContents));
    topic->trigger();
    QCOMPARE(opened.size(), 1);
    QVERIFY2(opened[0].toLocalFile().endsWith(QStringLiteral("/topic-6030.html")) ||
                 opened[0].toLocalFile().endsWith(QStringLiteral("/index.html")),
             qPrintable(opened[0].toString()));

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
    HelpRouter::SetUrlOpener(nullptr);
  }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_uitest.moc"
