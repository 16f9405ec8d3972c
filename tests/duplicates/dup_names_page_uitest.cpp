#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <vector>

#include "duplicates/dup_names_page.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "runtime/run_summary.h"
#include "support/test_page_host.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

// The last count the page showed; (-1, -1) when none.
std::pair<long long, long long> LastCount(TestPageHost& host) {
  const auto counts = host.Counts();
  return counts.empty() ? std::make_pair(-1LL, -1LL) : counts.back();
}

// Top-level lines as "key | folder text", children as "  | folder text",
// with the root folder shortened to "~".
QStringList TreeLines(QTreeView* tree, const QString& root) {
  const QString lower_root = QDir(root).absolutePath().toLower();
  const QAbstractItemModel* model = tree->model();
  QStringList out;
  auto line = [&](const QModelIndex& index) {
    QString folder = index.siblingAtColumn(1).data().toString();
    folder.replace(lower_root, u"~"_s);
    folder = folder.left(folder.indexOf(u" ("_s));
    return index.data().toString() + u" | "_s + folder;
  };
  for (int i = 0; i < model->rowCount(); ++i) {
    const QModelIndex top = model->index(i, 0);
    out << line(top);
    for (int k = 0; k < model->rowCount(top); ++k) out << u"  "_s + line(model->index(k, 0, top));
  }
  return out;
}

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
    QCOMPARE(page.folder2_box->title(), u"Folder &2 (optional)"_s);
    QCOMPARE(page.excluded_box->title(), u"sub-folders to exclude"_s);
    QVERIFY(page.folder1_subfolders->isChecked());
    QVERIFY(page.folder2_subfolders->isChecked());
    QVERIFY(!page.dates_must_match->isChecked());
    QVERIFY(!page.sizes_must_match->isChecked());
    QVERIFY(page.search_button->isEnabled());
    QVERIFY(!page.expand_button->isEnabled());
    QCOMPARE(page.results->model()->columnCount(), 2);
    QCOMPARE(page.results->model()->headerData(0, Qt::Horizontal).toString(), LX("LXFilename"));
    QCOMPARE(page.results->model()->headerData(1, Qt::Horizontal).toString(), LX("LXFolder"));
    QCOMPARE(host.start_controls.size(), 1u);
    QCOMPARE(host.start_controls[0], page.search_button);

    // The Stop panel reaches the seeker.
    seeker.searching.store(true);
    QCOMPARE(host.stop_handlers.size(), 1u);
    host.stop_handlers[0]();
    QVERIFY(!seeker.searching.load());

    // No folder 1: the search says so and nothing runs.
    page.search_button->click();
    QCOMPARE(dialogs_.Shown().size(), 1u);
    QCOMPARE(dialogs_.Shown()[0].text, LX("LXChooseADriveAndFolder"));
    QCOMPARE(dialogs_.Shown()[0].icon, BoxIcon::Error);
    QCOMPARE(host.runs, 0);

    // Typing folder 2 equal to folder 1 makes a one-folder search: it asks.
    TempTree t;
    t.Write("a.txt", "a");
    page.folder1_edit->SetFolder(t.Root());
    page.folder2_edit->SetFolder(t.Root());
    page.folder1_subfolders->setChecked(false);
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrCancel);
    page.search_button->click();
    QCOMPARE(dialogs_.Shown().size(), 1u);
    QCOMPARE(dialogs_.Shown()[0].buttons, BoxButtons::OKCancel);
    QVERIFY(dialogs_.Shown()[0].text.contains(t.Root()));
    QVERIFY(dialogs_.Shown()[0].text.contains(QLatin1Char('\r') + LX("LXOnly")));
    QCOMPARE(host.runs, 0);
    QVERIFY(page.search_button->isEnabled());
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
    page.folder1_edit->SetChosenFolder(t.Root());
    QCOMPARE(page.folder2_edit->Folder(), t.Root());
    page.excluded_folders->setPlainText(u"skip"_s);
    dialogs_.QueueAnswer(mrOK);
    RunSearch(page);
    QCOMPARE(dialogs_.ShownNames(), QStringList{"OKToDoX"});
    QVERIFY(dialogs_.Shown()[0].text.contains(QLatin1Char('\r') +
                                              LX("LXAndAllSubFoldersExcludingAnyListedBelow")));

    QCOMPARE(TreeLines(page.results, t.Root()),
             (QStringList{"b.txt (3) | ~", "   | ~/x", "   | ~/y"}));
    // Column 1 carries the file's date after its folder.
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QModelIndex top = page.results->model()->index(0, 0);
    QVERIFY(top.siblingAtColumn(1).data().toString().endsWith(u" ("_s + date + ")"));
    // The full text is in the tooltip, as the column may elide it.
    QCOMPARE(top.siblingAtColumn(1).data(Qt::ToolTipRole), top.siblingAtColumn(1).data());
    QVERIFY(page.expand_button->isEnabled());
    QVERIFY(page.search_button->isEnabled());
    QVERIFY(!host.stop_shown);
    QCOMPARE(host.progress.load(), 0);
    QVERIFY(host.Status().contains(u"duplicates: 2 found"_s));
    QCOMPARE(host.Summaries(), QStringList{u"Checked 4 files: 3 files share 1 name"_s});

    // Expand twice: expanded with "Collapse", then collapsed with "Expand".
    // The caption follows the tree when a line is opened or closed by hand.
    QVERIFY(!page.results->isExpanded(top));
    page.expand_button->click();
    QVERIFY(page.results->isExpanded(top));
    QCOMPARE(page.expand_button->text(), LX("LXCollapse"));
    page.expand_button->click();
    QVERIFY(!page.results->isExpanded(top));
    QCOMPARE(page.expand_button->text(), LX("LXExpand"));
    page.results->expand(top);
    QCOMPARE(page.expand_button->text(), LX("LXCollapse"));
    page.results->collapse(top);
    QCOMPARE(page.expand_button->text(), LX("LXExpand"));
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
    page.search_button->click();  // no folder yet: the box asks for one
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"ChooseADriveAndFolder"_s});
    dialogs_.Clear();
    page.folder1_edit->SetFolder(t.Path("one"));
    page.folder2_edit->SetFolder(t.Path("two"));
    QSignalSpy finished(&page, &DuplicateNamesPage::SearchFinished);
    page.search_button->click();
    QVERIFY(finished.wait(20000));
    QCOMPARE(host.runs, 1);
    QVERIFY(dialogs_.Shown().empty());  // no question for two folders
    // The bar counted the files of folder 1 gone through.
    QCOMPARE(LastCount(host), std::make_pair(3LL, 3LL));
    QCOMPARE(page.results->model()->rowCount(), 2);
    QCOMPARE(host.Summaries().last(),
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

    // A second search that finds nothing empties the tree and leaves Expand off.
    QVERIFY(QDir().mkpath(t.Path("empty")));
    page.folder2_edit->SetFolder(t.Path("empty"));
    RunSearch(page);
    QCOMPARE(page.results->model()->rowCount(), 0);
    QVERIFY(!page.expand_button->isEnabled());
    QVERIFY(host.Status().contains(u"folder 2: 0 files"_s));
    QCOMPARE(host.Summaries().last(), u"Checked 63 files: no duplicates"_s);
    QCOMPARE(host.runs, 4);
    // A folder that is not there: the closing line says so, and nothing runs.
    page.folder2_edit->SetFolder(t.Path("nowhere"));
    page.search_button->click();
    QCOMPARE(host.Summaries().last(), FolderNotFoundSummary(t.Path("nowhere")));
    QCOMPARE(host.runs, 4);
  }
};

QTEST_MAIN(DupNamesPageTest)
#include "dup_names_page_uitest.moc"
