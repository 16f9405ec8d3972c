// The corruption check in the desktop program, end to end: the main window
// with its Corruption page over a temporary corpus.

#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "app/sorvel_window.h"
#include "corruption/corruption_page.h"
#include "runtime/dialogs.h"
#include "runtime/panic.h"
#include "support/test_support.h"

namespace {

const char* const kEnglish =
    "The quick brown fox jumps over the lazy dog while the farmer watches from the gate. "
    "In the evening the children read their books by the fire and talk about the day. "
    "There is nothing that the old house does not remember about the people who lived there. ";

QString EnglishText(int repeats) {
  QString t;
  for (int i = 0; i < repeats; ++i) t += QString::fromLatin1(kEnglish) + QStringLiteral("\r\n");
  return t;
}

// 1000 bytes of text with a NUL at offset 100: reads as 100 characters plus
// the line break.
QByteArray BrokenFile() {
  QByteArray b = EnglishText(10).toLatin1().left(1000);
  b[100] = '\0';
  return b;
}

QString Gibberish(int n) {
  QString t;
  quint32 x = 12345;
  for (int i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    t += (i % 7 == 6) ? QChar(' ') : QChar('Q' + int((x >> 16) % 9));
  }
  return t;
}

struct Corpus {
  TempTree tree;
  QString good;
  Corpus() {
    good = tree.WriteText(QStringLiteral("good/english.txt"), EnglishText(40));
    tree.WriteText(QStringLiteral("data/a_clean.txt"), EnglishText(5));
    tree.Write(QStringLiteral("data/b_broken.bin"), BrokenFile());
    tree.WriteText(QStringLiteral("data/c_gibberish.txt"), Gibberish(3000));
    tree.Write(QStringLiteral("data/sub/d_broken.dat"), BrokenFile());
    tree.WriteText(QStringLiteral("data/sub/e_clean.txt"), EnglishText(3));
  }
};

QStringList ListedFiles(const CorruptionPage* page) {
  QStringList names;
  for (int i = 0; i < page->ListBoxCorrupt->count(); ++i)
    names << QFileInfo(page->ListBoxCorrupt->item(i)->text()).fileName();
  return names;
}

QColor RowBackground(QListWidget* list, int row) {
  const QRect r = list->visualItemRect(list->item(row));
  const QImage img = list->viewport()->grab().toImage();
  return img.pixelColor(r.right() - 3, r.center().y());
}

void SaveShot(QWidget* w, const char* name) {
  const QByteArray dir = qgetenv("SORVEL_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

}  // namespace

class CorruptionPageTest : public QObject {
  Q_OBJECT
 private:
  ScriptedDialogs dialogs_;

  void Fill(CorruptionPage* p, const Corpus& c, bool subfolders, bool thorough) {
    p->ElFileNameEditCorruptGoodFiles->SetFileNames({c.good});
    p->ElFolderNameEditCorrupt->SetFolder(c.tree.Path(QStringLiteral("data")));
    p->AdvOfficeCheckBoxCorruptIncludeSubfolders->setChecked(subfolders);
    p->AdvOfficeCheckBoxCorruptThorough->setChecked(thorough);
  }

 private Q_SLOTS:
  void init() {
    dialogs_.Clear();
    SetDialogInterface(&dialogs_);
    global_panic_state = 0;
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void ControlsStartWithTheirDefaults() {
    MainWindow w;
    CorruptionPage* p = w.corruption_page;
    QVERIFY(p);
    QCOMPARE(p->parentWidget(), w.AdvOfficePageCorruption);
    QCOMPARE(p->ElSpinEditCorruptFreqVar->value(), 15);
    QCOMPARE(p->ElSpinEditCorruptPercentFail->value(), 10);
    QCOMPARE(p->ElSpinEditCorruptFreqVar->minimum(), 0);
    QVERIFY(!p->AdvOfficeCheckBoxCorruptIncludeSubfolders->isChecked());
    QVERIFY(!p->AdvOfficeCheckBoxCorruptThorough->isChecked());
    QCOMPARE(p->AdvOfficeCheckBoxCorruptThorough->text(), QStringLiteral("digraph check"));
    QCOMPARE(p->ButtonCorruptStart->text(), QStringLiteral("Start"));
    QVERIFY(p->AdvMemoCorrupt->toPlainText().isEmpty());
    QVERIFY(p->AdvMemoCorrupt->lineWrapMode() == QPlainTextEdit::NoWrap);
    // Several chosen files round-trip through the edit.
    p->ElFileNameEditCorruptGoodFiles->SetFileNames({"/a b/x.txt", "/c/y.txt"});
    QCOMPARE(p->ElFileNameEditCorruptGoodFiles->FileNames(),
             QStringList({"/a b/x.txt", "/c/y.txt"}));
  }

  void SizeTestRunListsBrokenFilesInWarningColours() {
    Corpus c;
    MainWindow w;
    w.show();
    w.AdvOfficePager1->setCurrentWidget(w.AdvOfficePageCorruption);
    CorruptionPage* p = w.corruption_page;
    Fill(p, c, false, false);
    QTest::mouseClick(p->ButtonCorruptStart, Qt::LeftButton);
    QVERIFY(!p->ButtonCorruptStart->isEnabled());
    QTRY_VERIFY(!w.ToolRunning());
    QVERIFY(p->ButtonCorruptStart->isEnabled());
    // Only the top folder; only the size test.
    QCOMPARE(ListedFiles(p), QStringList({"b_broken.bin"}));
    QCOMPARE(p->ListBoxCorrupt->item(0)->data(CorruptionPage::kNoteRole).toString(),
             QStringLiteral("File-size 1000 but text-length 102"));
    QVERIFY(dialogs_.ShownNames().isEmpty());
    QCOMPARE(w.AdvOfficeStatusBar1->PanelBar(2), 0);
    QVERIFY(!w.AdvOfficeStatusBar1->StopVisible());
    QTest::qWait(20);
    QCOMPARE(RowBackground(p->ListBoxCorrupt, 0), QColor(0xFF, 0xC7, 0xCE));

    // A click shows the note in the status bar; a double click the text.
    const QRect r = p->ListBoxCorrupt->visualItemRect(p->ListBoxCorrupt->item(0));
    QTest::mouseClick(p->ListBoxCorrupt->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(w.AdvOfficeStatusBar1->PanelText(10),
             QStringLiteral("File-size 1000 but text-length 102"));
    QTest::mouseDClick(p->ListBoxCorrupt->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(p->AdvMemoCorrupt->toPlainText(),
             QString::fromLatin1(kEnglish).left(100) + QLatin1Char('\n'));
    // Selected lines take the highlight colours.
    QCOMPARE(RowBackground(p->ListBoxCorrupt, 0),
             p->ListBoxCorrupt->palette().color(QPalette::Highlight));

    // A file deleted before its double click: the user is told, nothing breaks.
    QFile::remove(p->ListBoxCorrupt->item(0)->text());
    QTest::mouseDClick(p->ListBoxCorrupt->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(dialogs_.ShownNames(), QStringList({"FailedToRead"}));
    QVERIFY(p->AdvMemoCorrupt->toPlainText().isEmpty());
  }

  void DigraphRunWithSubfoldersDrawsDigraphFailuresNormally() {
    Corpus c;
    MainWindow w;
    w.show();
    w.AdvOfficePager1->setCurrentWidget(w.AdvOfficePageCorruption);
    CorruptionPage* p = w.corruption_page;
    Fill(p, c, true, true);
    SaveShot(&w, "sorvel-idle.png");
    p->ButtonCorruptStartClick();
    QTRY_VERIFY(!w.ToolRunning());
    QCOMPARE(ListedFiles(p), QStringList({"b_broken.bin", "c_gibberish.txt", "d_broken.dat"}));
    const QString note = p->ListBoxCorrupt->item(1)->data(CorruptionPage::kNoteRole).toString();
    QVERIFY2(note.startsWith(QStringLiteral("Too many: ")), qPrintable(note));
    QTest::qWait(20);
    QCOMPARE(RowBackground(p->ListBoxCorrupt, 1),
             p->ListBoxCorrupt->palette().color(QPalette::Base));
    QCOMPARE(RowBackground(p->ListBoxCorrupt, 2), QColor(0xFF, 0xC7, 0xCE));
    p->ListBoxCorrupt->setCurrentRow(2);
    p->ListBoxCorruptDblClick();
    SaveShot(&w, "sorvel-finished.png");
  }

  void MissingReferenceIsReportedAndNothingIsTested() {
    Corpus c;
    MainWindow w;
    CorruptionPage* p = w.corruption_page;
    Fill(p, c, true, false);
    // No known-good files at all.
    p->ElFileNameEditCorruptGoodFiles->SetFileNames({});
    p->ButtonCorruptStartClick();
    QTRY_VERIFY(!w.ToolRunning());
    QCOMPARE(dialogs_.ShownNames(), QStringList({"ReferenceTextTooShort", "NoCorruptFilesFound"}));
    QCOMPARE(p->ListBoxCorrupt->count(), 0);
    QCOMPARE(dialogs_.Shown().back().help_context, 5140);
    // A known-good file that is not there.
    dialogs_.Clear();
    p->ElFileNameEditCorruptGoodFiles->SetFileNames(
        {c.tree.Path(QStringLiteral("good/missing.txt"))});
    p->ButtonCorruptStartClick();
    QTRY_VERIFY(!w.ToolRunning());
    QCOMPARE(dialogs_.ShownNames(), QStringList({"FailedToFind", "ReferenceTextTooShort",
                                                 "FailedToFind", "NoCorruptFilesFound"}));
    QCOMPARE(p->ListBoxCorrupt->count(), 0);
    QVERIFY(p->ButtonCorruptStart->isEnabled());
  }

  void ResultsAppearWhileRunningAndStopKeepsThem() {
    // Many files, every tenth broken, with the digraph test to make the run
    // long enough to watch.
    TempTree tree;
    const QString good = tree.WriteText(QStringLiteral("good/english.txt"), EnglishText(40));
    const int kFiles = 1500;
    for (int i = 0; i < kFiles; ++i) {
      const QString name = QStringLiteral("data/f%1.txt").arg(i, 5, 10, QLatin1Char('0'));
      if (i % 10 == 0) {
        tree.Write(name, BrokenFile());
      } else {
        tree.WriteText(name, EnglishText(30));
      }
    }
    MainWindow w;
    w.show();
    w.AdvOfficePager1->setCurrentWidget(w.AdvOfficePageCorruption);
    CorruptionPage* p = w.corruption_page;
    p->ElFileNameEditCorruptGoodFiles->SetFileNames({good});
    p->ElFolderNameEditCorrupt->SetFolder(tree.Path(QStringLiteral("data")));
    p->AdvOfficeCheckBoxCorruptThorough->setChecked(true);
    p->ButtonCorruptStartClick();
    // Listed while the run goes on.
    QTRY_VERIFY_WITH_TIMEOUT(p->ListBoxCorrupt->count() >= 3 || !w.ToolRunning(), 20000);
    QVERIFY2(w.ToolRunning(), "the run ended before its results could be watched");
    QVERIFY(w.AdvOfficeStatusBar1->StopVisible());
    // The spin values are read at Start: changing them now does nothing to this run.
    p->ElSpinEditCorruptPercentFail->setValue(0);
    // A click on a flagged file during the run shows its note at once.
    p->ListBoxCorrupt->setCurrentRow(0);
    p->ListBoxCorruptClick();
    QCOMPARE(w.AdvOfficeStatusBar1->PanelText(10),
             QStringLiteral("File-size 1000 but text-length 102"));
    SaveShot(&w, "sorvel-running.png");
    QTest::mouseClick(w.AdvOfficeStatusBar1->Panel(8), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w.ToolRunning(), 20000);
    const int listed = p->ListBoxCorrupt->count();
    QVERIFY(listed >= 3);
    QVERIFY2(listed < kFiles / 10, "Stop did not end the run");
    QCOMPARE(listed, w.crap_detector->weird_files.Count());
    for (int i = 0; i < listed; ++i) {
      QCOMPARE(QFileInfo(p->ListBoxCorrupt->item(i)->text()).fileName(),
               QStringLiteral("f%1.txt").arg(i * 10, 5, 10, QLatin1Char('0')));
    }
    QCOMPARE(w.AdvOfficeStatusBar1->PanelBar(2), 0);
    QCOMPARE(w.AdvOfficeStatusBar1->PanelBar(3), 0);
    QVERIFY(!w.AdvOfficeStatusBar1->StopVisible());
    QVERIFY(p->ButtonCorruptStart->isEnabled());
    QCOMPARE(w.crap_detector->digraph_percent_fail_allowed, 10);
    QVERIFY(!dialogs_.ShownNames().contains(QStringLiteral("NoCorruptFilesFound")));
  }
};

QTEST_MAIN(CorruptionPageTest)
#include "corruption_page_uitest.moc"
