// The Boilerplate page with a small host of its own: the search runs on a
// worker thread as in the program, and the tests wait for it to end.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMutex>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTreeView>
#include <functional>
#include <memory>
#include <vector>

#include "boilerplate/boilerplate_page.h"
#include "boilerplate/boilerplate_tree_model.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "support/test_page_host.h"
#include "support/test_support.h"
#include "ui_kit/text_viewer_window.h"

namespace {

const QString kNotice = QStringLiteral("Reprinted with the kind permission of the owners.");
const QString kMenu = QStringLiteral("Home | World | Sport | Weather");

}  // namespace

class BoilerplatePageTest : public QObject {
  Q_OBJECT

 private:
  template <class T>
  T* Child(QWidget& page, const char* name) {
    T* w = page.findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }

  void Search(BoilerplatePage& page, const QString& folder) {
    Child<QLineEdit>(page, "ElFolderNameEditBoilerHeadFolder")->setText(folder);
    QTest::mouseClick(Child<QPushButton>(page, "AdvGlowButtonBoilerSearch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page.Running(), 20000);
  }

  QStringList TopTexts(BoilerplatePage& page) {
    QStringList out;
    auto* m = page.TreeModel();
    for (int r = 0; r < m->rowCount(); ++r) out << m->data(m->index(r, 0)).toString();
    return out;
  }

 private Q_SLOTS:
  void initTestCase() {
    // Column widths are kept in the settings file: a file of the test's own.
    qputenv("SORVEL_SETTINGS", QDir::temp()
                                   .filePath(QStringLiteral("boilerplate_page_uitest_%1.ini")
                                                 .arg(QCoreApplication::applicationPid()))
                                   .toLocal8Bit());
  }
  void cleanupTestCase() { QFile::remove(qEnvironmentVariable("SORVEL_SETTINGS")); }

  // The defaults first, then a search in the same page.
  void DefaultsThenSearchListSortAndSelect() {
    TempTree tree;
    const QString a =
        tree.WriteText("a.txt", kNotice + QStringLiteral(" Alpha starts. ") + kNotice);
    tree.WriteText("sub/b.txt", QStringLiteral("Beta here, alone. ") + kNotice);
    const QString c = tree.WriteText(
        QStringLiteral("sub/c.txt"),
        kNotice + QStringLiteral(" Gamma is said twice here. Gamma is said twice here."));
    tree.WriteText(QStringLiteral("sub/") + LX("LXFiltered") + QStringLiteral("/d.txt"), kNotice);
    TestPageHost host(TestPageHost::Runs::OnThread, TestPageHost::Viewer::Shared);
    RepeatedChunks engine;
    BoilerplatePage page(&host, &engine);
    auto* pager = Child<QTabWidget>(page, "AdvOfficePagerBoiler");
    QCOMPARE(pager->currentWidget(), Child<QWidget>(page, "AdvOfficePageBoilerSettings"));

    // An empty or unknown folder starts nothing, and the user is told why.
    ScriptedDialogs dialogs;
    SetDialogInterface(&dialogs);
    page.Search();
    QCOMPARE(dialogs.ShownNames(), QStringList{"FormNotFilled"});
    SetDialogInterface(nullptr);
    Child<QLineEdit>(page, "ElFolderNameEditBoilerHeadFolder")
        ->setText(QStringLiteral("/no/such/folder"));
    page.Search();
    QVERIFY(!page.Running());
    QVERIFY(!host.stop_shown);
    QCOMPARE(host.Summaries(), QStringList{"Folder not found: /no/such/folder"});

    page.resize(900, 500);
    page.show();
    Search(page, tree.Root());

    QVERIFY(!host.stop_shown);
    QVERIFY(Child<QPushButton>(page, "AdvGlowButtonBoilerSearch")->isEnabled());
    QVERIFY(Child<QLabel>(page, "LabelBoilerplateFolder")->text().isEmpty());
    QCOMPARE(pager->currentWidget(), Child<QWidget>(page, "AdvOfficePageBoilerList"));
    QCOMPARE(page.HeadFolder(), tree.Root());
    // The notice is in a, b and c (4 hits; the filtered copy is not searched).
    auto* m = page.TreeModel();
    QCOMPARE(TopTexts(page), (QStringList{kNotice, "Gamma is said twice here."}));
    QCOMPARE(m->data(m->index(0, 1)).toString(), QStringLiteral("4"));
    QCOMPARE(m->data(m->index(0, 2)).toString(), LX("LXTotal"));
    QCOMPARE(m->rowCount(m->index(0, 0)), 3);
    QCOMPARE(m->data(m->index(1, 2)).toString(), c);
    QCOMPARE(host.Status(), QStringLiteral("2 ") + LX("LXRepeatedChunks"));
    QCOMPARE(host.Summaries().last(), QStringLiteral("Checked 3 files: 2 repeated chunks"));

    // Texts read, "n of N", ending at all of them.
    const std::vector<std::pair<long long, long long>> counts = host.Counts();
    QVERIFY(!counts.empty());
    QCOMPARE(counts.back(), (std::pair<long long, long long>(3, 3)));

    // The chunk column takes the width the others leave, and follows the
    // page's width until the user sizes a column; those widths are kept for
    // the next session. Each cell's full text is its tooltip.
    auto* view = Child<QTreeView>(page, "AdvTreeViewBoiler");
    QHeaderView* header = view->header();
    auto widths = [header] {
      return header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2);
    };
    QCOMPARE(widths(), view->viewport()->width());
    const int chunk_before = header->sectionSize(0);
    page.resize(1100, 500);
    QTRY_COMPARE(header->sectionSize(0), chunk_before + 200);
    QCOMPARE(widths(), view->viewport()->width());
    header->resizeSection(0, header->sectionSize(0) - 40);
    const int chunk_width = header->sectionSize(0);
    page.resize(900, 500);
    QTRY_COMPARE(widths(), view->viewport()->width());
    QCOMPARE(header->sectionSize(0), chunk_width);
    QCOMPARE(m->data(m->index(1, 0), Qt::ToolTipRole).toString(),
             QStringLiteral("Gamma is said twice here."));
    QCOMPARE(m->data(m->index(1, 2), Qt::ToolTipRole).toString(), c);
    {
      TestPageHost next_host;
      BoilerplatePage next(&next_host, &engine);
      QCOMPARE(next.Tree()->header()->sectionSize(0), chunk_width);
    }

    // Header clicks: the chunk column does not sort; the file column sorts by file order.
    page.SortByColumn(2);
    QCOMPARE(TopTexts(page), (QStringList{kNotice, "Gamma is said twice here."}));
    page.SortByColumn(0);
    QCOMPARE(TopTexts(page), (QStringList{kNotice, "Gamma is said twice here."}));

    // Selecting a file row, then a total row (each row's text: the tree model test).
    view->setCurrentIndex(m->index(0, 0, m->index(0, 0)));
    QCOMPARE(page.FileToOpen().full_path, a);
    QVERIFY(host.Status().endsWith(a));
    view->setCurrentIndex(m->index(0, 1));
    QCOMPARE(page.FileToOpen().full_path, tree.Root());
    QCOMPARE(page.ChunkToShow(), kNotice);

    if (!qEnvironmentVariableIsEmpty("BOILER_SCREENSHOT")) {
      view->expandAll();
      page.grab().save(qEnvironmentVariable("BOILER_SCREENSHOT"));
    }

    // A new search that finds nothing leaves the Settings page showing and the tree empty.
    TempTree plain;
    plain.WriteText("x.txt", "Nothing here is said twice.");
    pager->setCurrentIndex(0);
    Search(page, plain.Root());
    QCOMPARE(m->rowCount(), 0);
    QCOMPARE(pager->currentIndex(), 0);
    QCOMPARE(host.Summaries().last(), QStringLiteral("Checked 1 file: 0 repeated chunks"));
    // A mask that nothing matches: the line says what was looked for.
    Child<QComboBox>(page, "myAdvFilterComboBoiler")->setCurrentIndex(2);
    Search(page, plain.Root());
    QVERIFY2(host.Summaries().last().startsWith(
                 QStringLiteral("Checked 0 files: the folder holds no files matching *.xml")),
             qPrintable(host.Summaries().last()));
  }

  void AFileForTheFolderAndUnterminated() {
    TempTree tree;
    const QString given =
        tree.WriteText("one/page.html", QStringLiteral("<p>") + kMenu + QStringLiteral("</p>"));
    tree.WriteText("one/other.html", QStringLiteral("<p>") + kMenu + QStringLiteral("</p>"));
    tree.WriteText("one/two/page.html",
                   QStringLiteral("<p>") + kMenu + QStringLiteral("</p><p>End.</p>"));
    TestPageHost host(TestPageHost::Runs::OnThread, TestPageHost::Viewer::Shared);
    RepeatedChunks engine;
    BoilerplatePage page(&host, &engine);
    Search(page, given);
    QCOMPARE(Child<QComboBox>(page, "myAdvFilterComboBoiler")->currentText(),
             QStringLiteral("page.html"));
    QCOMPARE(page.TreeModel()->rowCount(), 0);  // the menu line has no full stop
    Child<QCheckBox>(page, "AdvOfficeCheckBoxBoilerUNfinishedSents")->setChecked(true);
    Search(page, given);
    QCOMPARE(TopTexts(page), QStringList{kMenu});
    // Only the files named page.html: the given one and the one in the sub-folder.
    QCOMPARE(page.TreeModel()->rowCount(page.TreeModel()->index(0, 0)), 2);
  }

  void OpenAndShowAndCopy() {
    TempTree tree;
    const QString twice = QStringLiteral("Gamma is said twice here.");
    const QString a = tree.WriteText("a.txt", kNotice + u' ' + twice + u' ' + twice);
    const QString b = tree.WriteText("b.txt", kNotice + u' ' + kNotice);
    TestPageHost host(TestPageHost::Runs::OnThread, TestPageHost::Viewer::Shared);
    RepeatedChunks engine;
    BoilerplatePage page(&host, &engine);
    Search(page, tree.Root());
    auto* m = page.TreeModel();
    auto* view = Child<QTreeView>(page, "AdvTreeViewBoiler");

    // A total row opens nothing.
    view->setCurrentIndex(m->index(0, 0));
    QCOMPARE(m->data(m->index(0, 2)).toString(), LX("LXTotal"));
    page.OpenSelectedFile();
    QVERIFY(!host.ShownViewer() || !host.ShownViewer()->isVisible());

    // A file row opens that file with its repeated chunks listed on the left.
    view->setCurrentIndex(m->index(0, 0, m->index(0, 0)));
    QCOMPARE(page.FileToOpen().full_path, a);
    page.OpenSelectedFile();
    TextViewerWindow* viewer = host.ShownViewer();
    QVERIFY(viewer && viewer->isVisible());
    QCOMPARE(viewer->CurrentShortFilename(), QStringLiteral("a.txt"));
    QStringList listed;
    for (int i = 0; i < viewer->KeywordList()->count(); ++i)
      listed << viewer->KeywordList()->item(i)->text();
    QCOMPARE(listed, (QStringList{kNotice, twice}));

    // The selection outlives a search that finds nothing; a file that has gone opens nothing.
    viewer->hide();
    TempTree plain;
    plain.WriteText("x.txt", "Nothing here is said twice.");
    Search(page, plain.Root());
    QCOMPARE(page.FileToOpen().full_path, a);
    QVERIFY(QFile::remove(a));
    page.OpenSelectedFile();
    QVERIFY(!viewer->isVisible());

    // Copy puts the tree's rows on the clipboard (no spreadsheet wanted); a.txt is gone now.
    Search(page, tree.Root());
    ScriptedDialogs dialogs;
    SetDialogInterface(&dialogs);
    dialogs.QueueAnswer(mrNo);
    page.CopyList();
    SetDialogInterface(nullptr);
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied, QStringLiteral("\t%1\t2\t%2").arg(kNotice, b));
  }

  void StopStillShowsWhatWasFound() {
    TempTree tree;
    for (int i = 0; i < 40; ++i)
      tree.WriteText(QStringLiteral("t%1.txt").arg(i, 2, 10, QLatin1Char('0')), kNotice);
    TestPageHost host(TestPageHost::Runs::OnThread, TestPageHost::Viewer::Shared);
    RepeatedChunks engine;
    BoilerplatePage page(&host, &engine);
    // The user presses Stop as soon as the first repeat is reported (after the second file).
    host.on_status = [&host](const QString& text) {
      if (text == QStringLiteral("1 ") + LX("LXRepeatedChunks")) host.PressStop();
    };
    Search(page, tree.Root());
    QCOMPARE(TopTexts(page), QStringList{kNotice});
    QCOMPARE(page.TreeModel()->data(page.TreeModel()->index(0, 1)).toString(), QStringLiteral("2"));
    QVERIFY(Child<QPushButton>(page, "AdvGlowButtonBoilerSearch")->isEnabled());
    QVERIFY(!host.stop_shown);
    QCOMPARE(host.Summaries().last(),
             QStringLiteral("Stopped after 2 of 40 files: 1 repeated chunk"));

    // Alt+S starts a search from the keyboard.
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    host.on_status = nullptr;
    Child<QTabWidget>(page, "AdvOfficePagerBoiler")->setCurrentIndex(0);
    const int summaries = host.Summaries().size();
    QTest::keyClick(&page, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(host.Summaries().size() > summaries && !page.Running(), 20000);
    QCOMPARE(host.Summaries().last(), QStringLiteral("Checked 40 files: 1 repeated chunk"));

    // F1 asks for the page's help topic.
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    QTest::keyClick(&page, Qt::Key_F1);
    QCOMPARE(host.help_topics, std::vector<int>{6030});
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BoilerplatePageTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "boilerplate_page_uitest.moc"
