// The desktop program's report action: the shortcut of the main window opens
// the report dialog, the dialog refuses a choice it cannot use and says why,
// and a run on the window's worker writes the page, with the known-good texts
// when given, and ends with the run's closing line.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <optional>

#include "app/sorvel_window.h"
#include "report/report_action_gui.h"
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
    const QString corpus = tree.WriteText("corpus/a.txt", "Some text.").section(u'/', 0, -2);
    CorpusReportDialog dialog;
    auto* problem = dialog.findChild<QLabel*>(QStringLiteral("LabelReportProblem"));
    auto* output = dialog.findChild<QLineEdit*>(QStringLiteral("EditReportOutput"));
    QVERIFY(problem && output);
    // A page is proposed from the folder's name.
    dialog.SetChoice({corpus, QString(), QString()});
    QVERIFY(output->text().endsWith(QStringLiteral("/corpus-report.html")));

    const QString page = tree.Path("page.html");
    const QList<std::pair<CorpusReportChoice, QString>> refused{
        {{tree.Path("missing"), QString(), page}, "does not exist"},
        {{corpus, tree.MakeDir("empty"), page}, "holds no files"},
        {{corpus, QString(), tree.Root()}, "is a folder"},
    };
    for (const auto& [choice, why] : refused) {
      dialog.SetChoice(choice);
      dialog.accept();
      QVERIFY2(dialog.result() != QDialog::Accepted && problem->isVisibleTo(&dialog) &&
                   problem->text().contains(why),
               qPrintable(problem->text()));
    }
    dialog.SetChoice({corpus, corpus, tree.Path("page")});
    QCOMPARE(dialog.Problem(), QString());
    QCOMPARE(dialog.Choice().output, page);  // the page gets its extension
  }

  void RunOnTheWorkerWritesThePageWithTheKnownGoodTexts() {
    TempTree tree;
    const QString prose = QStringLiteral("The farmers walked along the river to the market. ");
    for (const char* name : {"corpus/a.txt", "corpus/b.txt", "good/g.txt"})
      tree.WriteText(name, prose.repeated(20));
    const CorpusReportChoice choice{tree.Path("corpus"), tree.Path("good"), tree.Path("r.html")};
    TestPageHost host(TestPageHost::Runs::OnThread);
    std::optional<std::pair<bool, QString>> outcome;  // written, message
    QVERIFY(StartCorpusReport(&host, choice, [&](bool ok, const QString& m) {
      outcome = {ok, m};
    }));
    QVERIFY(host.ToolRunning());
    // One tool at a time: a second start is refused while the first runs.
    QVERIFY(!StartCorpusReport(&host, choice, [](bool, const QString&) {}));
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 60000);
    QVERIFY2(outcome->first, qPrintable(outcome->second));
    const QByteArray html = ReadAll(choice.output);
    QVERIFY(html.startsWith("<!DOCTYPE html>"));
    QVERIFY(html.contains("known-good"));  // the reference named in the options
    QCOMPARE(host.Counts(), (std::vector<std::pair<long long, long long>>{{2, 2}}));
    QCOMPARE(host.Summaries().size(), 1);
    QVERIFY(host.Summaries()[0].startsWith(QStringLiteral("Checked 2 files: ")));
  }
};

QTEST_MAIN(ReportActionTest)
#include "report_action_uitest.moc"
