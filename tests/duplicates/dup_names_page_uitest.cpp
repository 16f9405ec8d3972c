#include <QDir>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include "duplicates/dup_names_page.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "runtime/run_summary.h"
#include "support/test_page_host.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

// A page with its own seeker and a host that runs each search on a thread.
struct PageUnderTest {
  TestPageHost host{TestPageHost::Runs::OnThread};
  DupNamesSeeker seeker{nullptr, nullptr, nullptr};
  DuplicateNamesPage page{&host, &seeker};
};

}  // namespace

class DupNamesPageTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir settings_dir_;

  void RunSearch(DuplicateNamesPage& page) {
    QSignalSpy finished(&page, &DuplicateNamesPage::SearchFinished);
    page.search_button->click();
    QVERIFY(finished.wait(20000));
  }

 private Q_SLOTS:
  // Column widths are kept in the settings file: never the user's own.
  void initTestCase() {
    QVERIFY(settings_dir_.isValid());
    qputenv("SORVEL_SETTINGS", settings_dir_.filePath(u"lexivor.ini"_s).toUtf8());
  }
  void init() {
    dialogs_.Clear();
    SetDialogInterface(&dialogs_);
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void DefaultsAndSearchesThatDoNothing() {
    PageUnderTest p;
    auto& [host, seeker, page] = p;
    QCOMPARE(page.folder2_box->title(), u"Folder &2 (optional)"_s);
    QCOMPARE(page.excluded_box->title(), u"sub-folders to exclude"_s);
    QVERIFY(page.folder1_subfolders->isChecked() && page.folder2_subfolders->isChecked());
    QVERIFY(!page.dates_must_match->isChecked() && !page.sizes_must_match->isChecked());
    QVERIFY(!page.expand_button->isEnabled());
    QCOMPARE(host.start_controls, std::vector<QWidget*>{page.search_button});

    // The Stop panel reaches the seeker.
    seeker.searching.store(true);
    QCOMPARE(host.stop_handlers.size(), 1u);
    host.stop_handlers[0]();
    QVERIFY(!seeker.searching.load());

    // No folder 1: the search says so and nothing runs.
    page.search_button->click();
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"ChooseADriveAndFolder"_s});
    QCOMPARE(host.runs, 0);
  }

  void OneFolderSearchShowsEachGroupUnderItsKey() {
    TempTree t;
    for (const char* name : {"b.txt", "x/B.TXT", "y/b.txt", "single.txt", "skip/single.txt"})
      t.Write(name, name);
    PageUnderTest p;
    auto& [host, seeker, page] = p;

    // Choosing folder 1 through its browse button copies it into folder 2.
    page.folder1_edit->SetChosenFolder(t.Root());
    QCOMPARE(page.folder2_edit->Folder(), t.Root());
    page.excluded_folders->setPlainText(u"skip"_s);
    // Folder 2 equal to folder 1 makes a one-folder search: it asks first.
    dialogs_.QueueAnswer(mrOK);
    QSignalSpy finished(&page, &DuplicateNamesPage::SearchFinished);
    page.search_button->click();
    QVERIFY(!page.search_button->isEnabled());
    QVERIFY(finished.wait(20000));
    QCOMPARE(dialogs_.ShownNames(), QStringList{"OKToDoX"});
    QVERIFY(dialogs_.Shown()[0].text.contains(t.Root()));
    QVERIFY(dialogs_.Shown()[0].text.contains(QLatin1Char('\r') +
                                              LX("LXAndAllSubFoldersExcludingAnyListedBelow")));
    // One line per name, the first file's folder beside it, the others below.
    const QModelIndex top = page.results->model()->index(0, 0);
    QCOMPARE(page.results->model()->rowCount(), 1);
    QCOMPARE(top.data().toString(), u"b.txt (3)"_s);
    QVERIFY(top.siblingAtColumn(1).data().toString().startsWith(
        QDir(t.Root()).absolutePath().toLower() + u" ("_s));
    QCOMPARE(page.results->model()->rowCount(top), 2);
    // The full text is in the tooltip, as the column may cut it short.
    QCOMPARE(top.siblingAtColumn(1).data(Qt::ToolTipRole), top.siblingAtColumn(1).data());
    QVERIFY(page.search_button->isEnabled());
    QVERIFY(!host.stop_shown);
    QCOMPARE(host.progress.load(), 0);
    QCOMPARE(host.Summaries(), QStringList{u"Checked 4 files: 3 files share 1 name"_s});

    // Expand twice: expanded with "Collapse", then collapsed with "Expand".
    QVERIFY(page.expand_button->isEnabled());
    page.expand_button->click();
    QVERIFY(page.results->isExpanded(top));
    QCOMPARE(page.expand_button->text(), LX("LXCollapse"));
    page.expand_button->click();
    QVERIFY(!page.results->isExpanded(top));
    QCOMPARE(page.expand_button->text(), LX("LXExpand"));
  }

  void TwoFolderSearchShowsFolderTwoFilesOnly() {
    TempTree t;
    for (const char* name : {"one/a.txt", "one/only_in_one.txt", "one/c.txt", "two/a.txt",
                             "two/sub/A.txt", "two/c.txt", "two/only_in_two.txt"})
      t.Write(name, name);
    PageUnderTest p;
    auto& [host, seeker, page] = p;
    page.folder1_edit->SetFolder(t.Path("one"));
    page.folder2_edit->SetFolder(t.Path("two"));
    RunSearch(page);
    QCOMPARE(host.runs, 1);
    QVERIFY(dialogs_.Shown().empty());  // no question for two folders
    // The bar counted the files of folder 1 gone through.
    QCOMPARE(host.LastCount(), std::make_pair(3LL, 3LL));
    QCOMPARE(page.results->model()->rowCount(), 2);
    QCOMPARE(host.LastSummary(),
             u"Checked 7 files: 3 files of folder 2 share 2 names with folder 1"_s);

    // A new search shows its results from the top, wherever the last one was left.
    for (int k = 0; k < 60; ++k) {
      t.Write(u"one/n%1.txt"_s.arg(k), "1");
      t.Write(u"two/n%1.txt"_s.arg(k), "2");
    }
    page.resize(600, 400);
    page.show();
    RunSearch(page);
    page.results->scrollToBottom();
    QVERIFY(page.results->verticalScrollBar()->value() > 0);
    RunSearch(page);
    QCOMPARE(page.results->verticalScrollBar()->value(), 0);

    // A search that finds nothing empties the tree and leaves Expand off.
    QVERIFY(QDir().mkpath(t.Path("empty")));
    page.folder2_edit->SetFolder(t.Path("empty"));
    RunSearch(page);
    QCOMPARE(page.results->model()->rowCount(), 0);
    QVERIFY(!page.expand_button->isEnabled());
    QCOMPARE(host.LastSummary(), u"Checked 63 files: no duplicates"_s);
    // A folder that is not there: the closing line says so, and nothing runs.
    page.folder2_edit->SetFolder(t.Path("nowhere"));
    page.search_button->click();
    QCOMPARE(host.LastSummary(), FolderNotFoundSummary(t.Path("nowhere")));
    QCOMPARE(host.runs, 4);
  }
};

QTEST_MAIN(DupNamesPageTest)
#include "dup_names_page_uitest.moc"
