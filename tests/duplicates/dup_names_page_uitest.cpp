#include <QDir>
#include <QHeaderView>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <vector>

#include "app/sorvel_window.h"
#include "duplicates/dup_names_page.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "support/test_page_host.h"
#include "support/test_support.h"

namespace {

// Top-level lines as "key | folder text", children as "  | folder text",
// with the root folder shortened to "~".
QStringList TreeLines(QTreeWidget* tree, const QString& root) {
  const QString lower_root = QDir(root).absolutePath().toLower();
  QStringList out;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* top = tree->topLevelItem(i);
    auto line = [&](QTreeWidgetItem* item) {
      QString folder = item->text(1);
      folder.replace(lower_root, QStringLiteral("~"));
      folder = folder.left(folder.indexOf(QStringLiteral(" (")));
      return item->text(0) + QStringLiteral(" | ") + folder;
    };
    out << line(top);
    for (int k = 0; k < top->childCount(); ++k) out << QStringLiteral("  ") + line(top->child(k));
  }
  return out;
}

}  // namespace

class DupNamesPageTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;

  void RunSearch(DuplicateNamesPage& page) {
    QSignalSpy finished(&page, &DuplicateNamesPage::SearchFinished);
    page.AdvGlowButtonDuplicateNamesFind->click();
    QVERIFY(finished.wait(20000));
  }

 private Q_SLOTS:
  void init() {
    dialogs_.Clear();
    SetDialogInterface(&dialogs_);
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void ControlsStartWithTheirDefaults() {
    TestPageHost host(TestPageHost::Runs::OnThread);
    DupNamesSeeker seeker(nullptr, nullptr, nullptr);
    DuplicateNamesPage page(&host, &seeker);
    for (const char* name :
         {"GroupBoxDupFolder1", "ElFolderNameEditDuplicates1", "CheckBoxFolder1Subdirs",
          "CheckBoxDatesMustMatch", "CheckBoxSizeMustMatch", "GroupBoxDupFolder2",
          "ElFolderNameEditDuplicates2", "CheckBoxFolder2SubDirs", "ElGroupBoxFoldersExclude",
          "ElMemoDuplicatesIgnore", "AdvGlowButtonDuplicateNamesFind",
          "AdvGlowButtonDupnamesExpand", "TreeViewDupNames"})
      QVERIFY2(page.findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
    QCOMPARE(page.GroupBoxDupFolder2->title(), QStringLiteral("Folder 2 (optional)"));
    QCOMPARE(page.ElGroupBoxFoldersExclude->title(), QStringLiteral("sub-folders to exclude"));
    QVERIFY(page.CheckBoxFolder1Subdirs->isChecked());
    QVERIFY(page.CheckBoxFolder2SubDirs->isChecked());
    QVERIFY(!page.CheckBoxDatesMustMatch->isChecked());
    QVERIFY(!page.CheckBoxSizeMustMatch->isChecked());
    QVERIFY(page.AdvGlowButtonDuplicateNamesFind->isEnabled());
    QVERIFY(!page.AdvGlowButtonDupnamesExpand->isEnabled());
    QCOMPARE(page.TreeViewDupNames->columnCount(), 2);
    QCOMPARE(page.TreeViewDupNames->headerItem()->text(0), LX("LXFilename"));
    QCOMPARE(page.TreeViewDupNames->headerItem()->text(1), LX("LXFolder"));
    QCOMPARE(page.TreeViewDupNames->columnWidth(0), 2 * page.logicalDpiX());
    QVERIFY(!page.TreeViewDupNames->header()->stretchLastSection());
    QCOMPARE(host.start_controls.size(), 1u);
    QCOMPARE(host.start_controls[0], page.AdvGlowButtonDuplicateNamesFind);

    // The Stop panel reaches the seeker.
    seeker.Processing_files.store(true);
    QCOMPARE(host.stop_handlers.size(), 1u);
    host.stop_handlers[0]();
    QVERIFY(!seeker.Processing_files.load());
  }

  void NoFolderOneAndACancelledQuestionDoNothing() {
    TestPageHost host(TestPageHost::Runs::OnThread);
    DupNamesSeeker seeker(nullptr, nullptr, nullptr);
    DuplicateNamesPage page(&host, &seeker);
    page.AdvGlowButtonDuplicateNamesFind->click();
    QCOMPARE(dialogs_.Shown().size(), 1u);
    QCOMPARE(dialogs_.Shown()[0].text, LX("LXChooseADriveAndFolder"));
    QCOMPARE(dialogs_.Shown()[0].icon, BoxIcon::Error);
    QCOMPARE(host.runs, 0);

    // Typing folder 2 equal to folder 1 makes a one-folder search: it asks.
    TempTree t;
    t.Write("a.txt", "a");
    page.ElFolderNameEditDuplicates1->SetFolder(t.Root());
    page.ElFolderNameEditDuplicates2->SetFolder(t.Root());
    page.CheckBoxFolder1Subdirs->setChecked(false);
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrCancel);
    page.AdvGlowButtonDuplicateNamesFind->click();
    QCOMPARE(dialogs_.Shown().size(), 1u);
    QCOMPARE(dialogs_.Shown()[0].buttons, BoxButtons::OKCancel);
    QVERIFY(dialogs_.Shown()[0].text.contains(t.Root()));
    QVERIFY(dialogs_.Shown()[0].text.contains(QLatin1Char('\r') + LX("LXOnly")));
    QCOMPARE(host.runs, 0);
    QVERIFY(page.AdvGlowButtonDuplicateNamesFind->isEnabled());
  }

  void OneFolderSearchShowsEachGroupUnderItsKey() {
    TempTree t;
    t.Write("b.txt", "1");
    t.Write("x/B.TXT", "2");
    t.Write("y/b.txt", "3");
    t.Write("single.txt", "4");
    t.Write("skip/single.txt", "5");
    TestPageHost host(TestPageHost::Runs::OnThread);
    DupNamesSeeker seeker(nullptr, nullptr, nullptr);
    DuplicateNamesPage page(&host, &seeker);

    // Choosing folder 1 through its browse button copies it into folder 2.
    page.ElFolderNameEditDuplicates1->SetChosenFolder(t.Root());
    QCOMPARE(page.ElFolderNameEditDuplicates2->Folder(), t.Root());
    page.ElMemoDuplicatesIgnore->setPlainText(QStringLiteral("skip"));
    dialogs_.QueueAnswer(mrOK);
    RunSearch(page);
    QCOMPARE(dialogs_.ShownNames(), QStringList{"OKToDoX"});
    QVERIFY(dialogs_.Shown()[0].text.contains(QLatin1Char('\r') +
                                              LX("LXAndAllSubFoldersExcludingAnyListedBelow")));

    QCOMPARE(TreeLines(page.TreeViewDupNames, t.Root()),
             (QStringList{"b.txt (3) | ~", "   | ~/x", "   | ~/y"}));
    // Column 1 carries the file's date after its folder.
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    QVERIFY(page.TreeViewDupNames->topLevelItem(0)->text(1).endsWith(QStringLiteral(" (") + date +
                                                                     ")"));
    QVERIFY(page.AdvGlowButtonDupnamesExpand->isEnabled());
    QVERIFY(page.AdvGlowButtonDuplicateNamesFind->isEnabled());
    QVERIFY(!host.stop_shown);
    QCOMPARE(host.progress.load(), 0);
    QVERIFY(host.Status().contains(QStringLiteral("duplicates: 2 found")));

    // Expand twice: expanded with "Collapse", then collapsed with "Expand".
    QVERIFY(!page.TreeViewDupNames->topLevelItem(0)->isExpanded());
    page.AdvGlowButtonDupnamesExpand->click();
    QVERIFY(page.TreeViewDupNames->topLevelItem(0)->isExpanded());
    QCOMPARE(page.AdvGlowButtonDupnamesExpand->text(), LX("LXCollapse"));
    page.AdvGlowButtonDupnamesExpand->click();
    QVERIFY(!page.TreeViewDupNames->topLevelItem(0)->isExpanded());
    QCOMPARE(page.AdvGlowButtonDupnamesExpand->text(), LX("LXExpand"));

    if (qEnvironmentVariableIsSet("DUPNAMES_SCREENSHOT")) {
      page.resize(760, 480);
      page.AdvGlowButtonDupnamesExpand->click();
      page.grab().save(qEnvironmentVariable("DUPNAMES_SCREENSHOT"));
    }
  }

  void TwoFolderSearchShowsFolderTwoFilesOnly() {
    TempTree t;
    t.Write("one/a.txt", "1");
    t.Write("one/only_in_one.txt", "1");
    t.Write("one/c.txt", "1");
    t.Write("two/a.txt", "2");
    t.Write("two/sub/A.txt", "2");
    t.Write("two/c.txt", "2");
    t.Write("two/only_in_two.txt", "2");
    TestPageHost host(TestPageHost::Runs::OnThread);
    DupNamesSeeker seeker(nullptr, nullptr, nullptr);
    DuplicateNamesPage page(&host, &seeker);
    page.ElFolderNameEditDuplicates1->SetFolder(t.Path("one"));
    page.ElFolderNameEditDuplicates2->SetFolder(t.Path("two"));
    RunSearch(page);
    QVERIFY(dialogs_.Shown().empty());  // no question for two folders
    QCOMPARE(TreeLines(page.TreeViewDupNames, t.Root()),
             (QStringList{"a.txt (2) | ~/two", "   | ~/two/sub", "c.txt (1) | ~/two"}));

    // A second search that finds nothing empties the tree and leaves Expand off.
    page.ElFolderNameEditDuplicates2->SetFolder(t.Path("nowhere"));
    RunSearch(page);
    QCOMPARE(page.TreeViewDupNames->topLevelItemCount(), 0);
    QVERIFY(!page.AdvGlowButtonDupnamesExpand->isEnabled());
    QVERIFY(host.Status().contains(QStringLiteral("folder 2: 0 files")));
    QCOMPARE(host.runs, 2);
  }

  // The page as the main window holds it: its real host runs the search on a
  // worker and shows the final counts in the status bar.
  void SearchFromTheMainWindow() {
    qputenv("SORVEL_SETTINGS", QByteArray("/nonexistent/sorvel-test.ini"));
    TempTree t;
    t.Write("one/Notes.txt", "1");
    t.Write("one/sub/notes.TXT", "1");
    t.Write("one/other.txt", "1");
    MainWindow w;
    w.show();
    auto* page = w.AdvOfficePageDuplicateNames->findChild<DuplicateNamesPage*>();
    QVERIFY(page != nullptr);
    QCOMPARE(page, w.duplicate_names_page);
    w.AdvOfficePager1->setCurrentWidget(w.AdvOfficePageDuplicateNames);
    page->ElFolderNameEditDuplicates1->SetChosenFolder(t.Path("one"));
    dialogs_.QueueAnswer(mrOK);
    RunSearch(*page);
    QCOMPARE(TreeLines(page->TreeViewDupNames, t.Root()),
             (QStringList{"notes.txt (2) | ~/one", "   | ~/one/sub"}));
    QCOMPARE(w.duplicate_names_seeker->RedundantDuplicatesFound, 1);
    QVERIFY(!w.AdvOfficeStatusBar1->StopVisible());
    QVERIFY(w.AdvOfficeStatusBar1->PanelText(10).contains(QStringLiteral("folder 1: 3 files")));
    if (qEnvironmentVariableIsSet("DUPNAMES_WINDOW_SCREENSHOT")) {
      page->AdvGlowButtonDupnamesExpand->click();
      w.grab().save(qEnvironmentVariable("DUPNAMES_WINDOW_SCREENSHOT"));
    }
  }
};

QTEST_MAIN(DupNamesPageTest)
#include "dup_names_page_uitest.moc"
