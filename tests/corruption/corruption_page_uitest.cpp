// The Corruption page over a temporary corpus: what it hands the detector,
// what it shows and when. What the detector flags: the engine's tests.

#include <QImage>
#include <QListView>
#include <QTest>

#include "app/sorvel_window.h"
#include "corruption/corruption_page.h"
#include "corruption/corruption_results_model.h"
#include "runtime/dialogs.h"
#include "runtime/panic.h"
#include "support/test_page_host.h"
#include "support/test_support.h"

namespace {

const char* const kEnglish =
    "The quick brown fox jumps over the lazy dog while the farmer watches from the gate. "
    "In the evening the children read their books by the fire and talk about the day. "
    "There is nothing that the old house does not remember about the people who lived there. ";
const QString kSizeNote = QStringLiteral("File-size 1000 but text-length 102");
const QColor kWarning(0xFF, 0xC7, 0xCE);

QString EnglishText(int repeats) {
  return (QString::fromLatin1(kEnglish) + QStringLiteral("\r\n")).repeated(repeats);
}

// 1000 bytes of text with a NUL at offset 100: reads as 100 characters plus
// the line break.
QByteArray BrokenFile() {
  QByteArray b = EnglishText(10).toLatin1().left(1000);
  b[100] = '\0';
  return b;
}

QStringList ListedFiles(const CorruptionPage* page) {
  QStringList names;
  for (int i = 0; i < page->Results()->rowCount(); ++i)
    names << QFileInfo(page->Results()->index(i).data().toString()).fileName();
  return names;
}

QRect RowRect(QListView* list, int row) { return list->visualRect(list->model()->index(row, 0)); }

QColor RowBackground(QListView* list, int row) {
  const QRect r = RowRect(list, row);
  return list->viewport()->grab().toImage().pixelColor(r.right() - 3, r.center().y());
}

}  // namespace

class CorruptionPageTest : public QObject {
  Q_OBJECT
 private:
  ScriptedDialogs dialogs_;

 private Q_SLOTS:
  void init() {
    dialogs_.Clear();
    SetDialogInterface(&dialogs_);
    global_panic_state = 0;
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void SizeTestThenDigraphTestWithSubfolders() {
    TempTree tree;
    const QString good = tree.WriteText("good/english.txt", EnglishText(40));
    tree.WriteText("data/a_clean.txt", EnglishText(5));
    tree.Write("data/b_broken.bin", BrokenFile());
    tree.WriteText("data/c_gibberish.txt", QStringLiteral("Qxz jvk wqy zzq ").repeated(200));
    tree.Write("data/sub/d_broken.dat", BrokenFile());
    MainWindow w;
    w.show();
    w.pager->setCurrentWidget(w.corruption_tab);
    CorruptionPage* p = w.corruption_page;
    QVERIFY(!p->subfolders_check->isChecked());
    QVERIFY(!p->digraph_check->isChecked());
    // Return in an empty folder field asks for the folder, once.
    QTest::keyClick(p->folder_edit->Edit(), Qt::Key_Return);
    QCOMPARE(dialogs_.ShownNames(), QStringList({"FormNotFilled"}));
    dialogs_.Clear();
    // Return starts the size test alone over the top folder alone.
    p->folder_edit->SetFolder(tree.Path("data"));
    QTest::keyClick(p->folder_edit->Edit(), Qt::Key_Return);
    QVERIFY(!p->start_button->isEnabled());
    QTRY_VERIFY(!w.ToolRunning());
    QVERIFY(p->start_button->isEnabled());
    QCOMPARE(ListedFiles(p), QStringList({"b_broken.bin"}));
    QVERIFY(dialogs_.ShownNames().isEmpty());
    QCOMPARE(w.status_bar->PanelBar(2), 0);
    QTest::qWait(20);
    QCOMPARE(RowBackground(p->results_view, 0), kWarning);

    // A click shows the note in the status bar; a double click the text.
    const QRect r = RowRect(p->results_view, 0);
    QTest::mouseClick(p->results_view->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(w.status_bar->PanelText(10), kSizeNote);
    QTest::mouseDClick(p->results_view->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(p->text_view->toPlainText(), QString::fromLatin1(kEnglish).left(100) + '\n');

    // A new Start clears the text and the note of the last run.
    p->Start();
    QTRY_VERIFY(!w.ToolRunning());
    QVERIFY(p->text_view->toPlainText().isEmpty());
    QVERIFY(w.status_bar->PanelText(10) != kSizeNote);

    // A file deleted before its double click: what failed and why, in one sentence.
    QFile::remove(p->Results()->index(0).data(CorruptionResultsModel::kPathRole).toString());
    p->results_view->setCurrentIndex(p->Results()->index(0));
    p->ShowSelectedText();
    QCOMPARE(dialogs_.ShownNames(), QStringList({"FailedToRead"}));
    const QString told = dialogs_.Shown().back().text;
    QVERIFY2(!told.contains(QStringLiteral("read Cannot")), qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral("b_broken.bin")), qPrintable(told));

    // Sub-folders and the digraph test: a digraph failure in plain colours.
    tree.Write("data/b_broken.bin", BrokenFile());
    p->good_files_edit->SetFileNames({good});
    p->subfolders_check->setChecked(true);
    p->digraph_check->setChecked(true);
    p->Start();
    QTRY_VERIFY(!w.ToolRunning());
    QCOMPARE(ListedFiles(p), QStringList({"b_broken.bin", "c_gibberish.txt", "d_broken.dat"}));
    QTest::qWait(20);
    QCOMPARE(RowBackground(p->results_view, 1), p->results_view->palette().color(QPalette::Base));
    QCOMPARE(RowBackground(p->results_view, 2), kWarning);
    QCOMPARE(w.status_bar->PanelText(10), QStringLiteral("Checked 4 files: 3 flagged"));
  }

  void BoxesAndCountOfARunWithATestHost() {
    TempTree tree;
    tree.WriteText("good/english.txt", EnglishText(40));
    TestPageHost host;
    CorruptFileDetector detector;
    CorruptionPage page(&host, &detector);
    page.folder_edit->SetFolder(tree.Path("good"));
    // The digraph test without a usable known-good text: a box, nothing tested.
    page.digraph_check->setChecked(true);
    page.Start();
    QCOMPARE(dialogs_.ShownNames(), QStringList({"ReferenceTextTooShort"}));
    QCOMPARE(dialogs_.Shown().back().help_context, 5140);
    QCOMPARE(page.Results()->rowCount(), 0);
    // A clean run says so in a box, and its count ends at all files.
    dialogs_.Clear();
    page.digraph_check->setChecked(false);
    page.Start();
    QCOMPARE(host.Summaries().size(), 2);
    QCOMPARE(dialogs_.ShownNames(), QStringList({"NoCorruptFilesFound"}));
    QCOMPARE(host.Counts().back(), (std::pair<long long, long long>(1, 1)));
  }

  void ResultsAppearWhileRunningAndStopKeepsThem() {
    // Every tenth file broken; the digraph test makes the run long enough to watch.
    TempTree tree;
    const QString good = tree.WriteText("good/english.txt", EnglishText(40));
    const int kFiles = 600;
    for (int i = 0; i < kFiles; ++i)
      tree.Write(QStringLiteral("data/f%1.txt").arg(i, 4, 10, QLatin1Char('0')),
                 i % 10 == 0 ? BrokenFile() : EnglishText(30).toUtf8());
    MainWindow w;
    w.show();
    w.pager->setCurrentWidget(w.corruption_tab);
    CorruptionPage* p = w.corruption_page;
    p->good_files_edit->SetFileNames({good});
    p->folder_edit->SetFolder(tree.Path("data"));
    p->digraph_check->setChecked(true);
    p->Start();
    // Listed while the run goes on.
    QTRY_VERIFY_WITH_TIMEOUT(p->Results()->rowCount() >= 3 || !w.ToolRunning(), 20000);
    QVERIFY2(w.ToolRunning(), "the run ended before its results could be watched");
    QVERIFY(w.status_bar->StopVisible());
    QTest::mouseClick(w.status_bar->Panel(8), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w.ToolRunning(), 20000);
    const int listed = p->Results()->rowCount();
    QVERIFY(listed >= 3);
    QVERIFY2(listed < kFiles / 10, "Stop did not end the run");
    QCOMPARE(listed, w.corruption_detector->flagged_files.Count());
    QVERIFY(!dialogs_.ShownNames().contains(QStringLiteral("NoCorruptFilesFound")));
    const QString summary = w.status_bar->PanelText(10);
    QVERIFY2(summary.startsWith(QStringLiteral("Stopped after ")) &&
                 summary.contains(QStringLiteral(" of 600 files: %1 flagged").arg(listed)),
             qPrintable(summary));
  }
};

QTEST_MAIN(CorruptionPageTest)
#include "corruption_page_uitest.moc"
