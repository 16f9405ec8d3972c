// The desktop program's report action: the shortcut of the main window opens
// the report dialog, the dialog refuses a choice it cannot use and says why,
// and a run on the window's worker writes the page, with the known-good
// texts when given, and ends with the run's closing line.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "app/sorvel_window.h"
#include "report/report_action_gui.h"
#include "runtime/panic.h"
#include "support/test_page_host.h"
#include "support/test_support.h"

class ReportActionTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { UseScratchSettings(); }

  void ShortcutOfTheWindowOpensTheDialog() {
    MainWindow w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QAction* action = w.findChild<QAction*>(QStringLiteral("ActionCorpusReport"));
    QVERIFY(action);
    bool in_menu = false;
    for (QAction* menu : w.menuBar()->actions())
      if (menu->menu() && menu->menu()->actions().contains(action)) in_menu = true;
    QVERIFY(in_menu);

    // The key goes to whatever has the focus in the window, as a user's would.
    QString shown;
    QTimer::singleShot(0, this, [&shown] {
      if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        shown = QString::fromLatin1(modal->metaObject()->className());
        modal->reject();
      }
    });
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
    QTest::keyClick(focus, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(shown, QStringLiteral("CorpusReportDialog"));
  }

  void DialogSaysWhyAChoiceCannotBeUsed() {
    TempTree tree;
    tree.Write(QStringLiteral("corpus/a.txt"), QByteArray("Some text."));
    tree.MakeDir(QStringLiteral("empty"));
    CorpusReportDialog dialog;
    auto* problem = dialog.findChild<QLabel*>(QStringLiteral("LabelReportProblem"));
    auto* output = dialog.findChild<QLineEdit*>(QStringLiteral("EditReportOutput"));
    QVERIFY(problem && output);

    // A page is proposed from the folder's name.
    dialog.SetChoice({tree.Path(QStringLiteral("corpus")), QString(), QString()});
    QVERIFY(output->text().endsWith(QStringLiteral("/corpus-report.html")));

    auto refused = [&](const CorpusReportChoice& c, const char* words) {
      dialog.SetChoice(c);
      dialog.accept();
      return dialog.result() != QDialog::Accepted && problem->isVisibleTo(&dialog) &&
             problem->text().contains(QLatin1String(words));
    };
    const QString page = tree.Path(QStringLiteral("page.html"));
    QVERIFY(refused({tree.Path(QStringLiteral("missing")), QString(), page}, "does not exist"));
    QVERIFY(refused({tree.Path(QStringLiteral("corpus")), tree.Path(QStringLiteral("empty")), page},
                    "holds no files"));
    QVERIFY(refused({tree.Path(QStringLiteral("corpus")), QString(), tree.Root()}, "is a folder"));
    QVERIFY(refused({tree.Path(QStringLiteral("corpus")), QString(),
                     tree.Path(QStringLiteral("no/such/page.html"))},
                    "does not exist"));
    dialog.SetChoice({tree.Path(QStringLiteral("corpus")), tree.Path(QStringLiteral("corpus")),
                      tree.Path(QStringLiteral("page"))});
    QCOMPARE(dialog.Problem(), QString());
    QCOMPARE(dialog.Choice().output, page);  // the page gets its extension
  }

  void RunOnTheWorkerWritesThePageWithTheKnownGoodTexts() {
    TempTree tree;
    const QByteArray prose =
        QByteArray("The farmers walked along the river to the market in town. ").repeated(20);
    tree.Write(QStringLiteral("corpus/a.txt"), prose);
    tree.Write(QStringLiteral("corpus/b.txt"), prose);
    tree.Write(QStringLiteral("good/g.txt"), prose);
    const QString page = tree.Path(QStringLiteral("report.html"));
    TestPageHost host(TestPageHost::Runs::OnThread);
    bool finished = false, written = false;
    QString message;
    const CorpusReportChoice choice{tree.Path(QStringLiteral("corpus")),
                                    tree.Path(QStringLiteral("good")), page};
    QVERIFY(StartCorpusReport(&host, choice, [&](bool ok, const QString& m) {
      finished = true;
      written = ok;
      message = m;
    }));
    QVERIFY(host.ToolRunning());
    // One tool at a time: a second start is refused while the first runs.
    QVERIFY(!StartCorpusReport(&host, choice, [](bool, const QString&) {}));
    QTRY_VERIFY_WITH_TIMEOUT(finished, 60000);
    QVERIFY2(written, qPrintable(message));
    const QByteArray html = ReadAll(page);
    QVERIFY(html.startsWith("<!DOCTYPE html>"));
    QVERIFY(html.contains("b.txt"));       // the copy of a.txt, listed as a near duplicate
    QVERIFY(html.contains("known-good"));  // the reference named in the options
    QCOMPARE(host.Counts(), (std::vector<std::pair<long long, long long>>{{2, 2}}));
    QCOMPARE(host.Summaries(),
             QStringList{QStringLiteral(
                 "Checked 2 files: 1 spare near-duplicate copy, 1 repeated sentence")});
  }
};

QTEST_MAIN(ReportActionTest)
#include "report_action_uitest.moc"
