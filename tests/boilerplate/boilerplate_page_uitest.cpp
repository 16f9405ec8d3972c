// The Boilerplate page with a small host of its own: the search runs on a
// worker thread as in the program, and the tests wait for it to end. What
// the search finds and the words of its closing line: the engine's tests.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
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

template <class T>
T* Child(QWidget& page, const char* name) {
  T* w = page.findChild<T*>(QLatin1String(name));
  if (!w) qFatal("no control %s", name);
  return w;
}

// A page over its own engine and host, whose runs go to a worker thread.
struct PageUnderTest {
  TestPageHost host{TestPageHost::Runs::OnThread, TestPageHost::Viewer::Shared};
  RepeatedChunks engine;
  BoilerplatePage page{&host, &engine};
  BoilerplateTreeModel* m = page.TreeModel();
  QTreeView* view = Child<QTreeView>(page, "AdvTreeViewBoiler");

  // Enters the folder, clicks Search and waits for the end.
  bool Search(const QString& folder) {
    Child<QLineEdit>(page, "ElFolderNameEditBoilerHeadFolder")->setText(folder);
    QTest::mouseClick(Child<QPushButton>(page, "AdvGlowButtonBoilerSearch"), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !page.Running(); }, 20000);
  }
  QString Top(int row, int column = 0) const { return m->data(m->index(row, column)).toString(); }
};

}  // namespace

class BoilerplatePageTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Column widths are kept in the settings: a file of the test's own.
  void initTestCase() { UseScratchSettings(); }

  // The defaults first, then searches in the same page.
  void SearchListSelectOpenAndCopy() {
    TempTree tree;
    const QString twice = QStringLiteral("Gamma is said twice here.");
    const QString a = tree.WriteText("a.txt", kNotice + u' ' + twice + u' ' + twice);
    const QString b = tree.WriteText("sub/b.txt", kNotice + u' ' + kNotice);
    PageUnderTest t;
    BoilerplatePage& page = t.page;
    TestPageHost& host = t.host;
    auto* m = t.m;
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
    QVERIFY(t.Search(tree.Root()));
    QVERIFY(!host.stop_shown);
    QVERIFY(Child<QPushButton>(page, "AdvGlowButtonBoilerSearch")->isEnabled());
    QVERIFY(Child<QLabel>(page, "LabelBoilerplateFolder")->text().isEmpty());
    QCOMPARE(pager->currentWidget(), Child<QWidget>(page, "AdvOfficePageBoilerList"));
    QCOMPARE(page.HeadFolder(), tree.Root());
    QCOMPARE(m->rowCount(), 2);
    QCOMPARE(t.Top(0), kNotice);
    QCOMPARE(host.Status(), QStringLiteral("2 ") + LX("LXRepeatedChunks"));
    QCOMPARE(host.Summaries().last(), QStringLiteral("Checked 2 files: 2 repeated chunks"));
    // Texts read, "n of N", ending at all of them.
    QVERIFY(!host.Counts().empty());
    QCOMPARE(host.Counts().back(), (std::pair<long long, long long>(2, 2)));

    // The chunk column takes the width the others leave, and follows the
    // page's width until the user sizes a column; those widths are kept for
    // the next session. Each cell's full text is its tooltip.
    QHeaderView* header = t.view->header();
    auto widths = [header] {
      return header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2);
    };
    QCOMPARE(widths(), t.view->viewport()->width());
    const int chunk_before = header->sectionSize(0);
    page.resize(1100, 500);
    QTRY_COMPARE(header->sectionSize(0), chunk_before + 200);
    QCOMPARE(widths(), t.view->viewport()->width());
    header->resizeSection(0, header->sectionSize(0) - 40);
    const int chunk_width = header->sectionSize(0);
    page.resize(900, 500);
    QTRY_COMPARE(widths(), t.view->viewport()->width());
    QCOMPARE(header->sectionSize(0), chunk_width);
    QCOMPARE(m->data(m->index(1, 0), Qt::ToolTipRole).toString(), twice);
    QCOMPARE(m->data(m->index(1, 2), Qt::ToolTipRole).toString(), a);
    {
      TestPageHost next_host;
      BoilerplatePage next(&next_host, &t.engine);
      QCOMPARE(next.Tree()->header()->sectionSize(0), chunk_width);
    }

    // A total row selects the head folder and opens nothing (each row's text:
    // the tree model test).
    t.view->setCurrentIndex(m->index(0, 1));
    QCOMPARE(page.FileToOpen().full_path, tree.Root());
    QCOMPARE(page.ChunkToShow(), kNotice);
    page.OpenSelectedFile();
    QVERIFY(!host.ShownViewer() || !host.ShownViewer()->isVisible());
    // A file row opens that file with its repeated chunks listed on the left.
    t.view->setCurrentIndex(m->index(0, 0, m->index(0, 0)));
    QCOMPARE(page.FileToOpen().full_path, a);
    QVERIFY(host.Status().endsWith(a));
    page.OpenSelectedFile();
    TextViewerWindow* viewer = host.ShownViewer();
    QVERIFY(viewer && viewer->isVisible());
    QCOMPARE(viewer->CurrentShortFilename(), QStringLiteral("a.txt"));
    QStringList listed;
    for (int i = 0; i < viewer->KeywordList()->count(); ++i)
      listed << viewer->KeywordList()->item(i)->text();
    QCOMPARE(listed, (QStringList{kNotice, twice}));

    // A new search that finds nothing leaves the Settings page showing and the
    // tree empty; the selection outlives it. A file that has gone opens nothing.
    viewer->hide();
    TempTree plain;
    plain.WriteText("x.txt", "Nothing here is said twice.");
    pager->setCurrentIndex(0);
    QVERIFY(t.Search(plain.Root()));
    QCOMPARE(m->rowCount(), 0);
    QCOMPARE(pager->currentIndex(), 0);
    QCOMPARE(page.FileToOpen().full_path, a);
    QVERIFY(QFile::remove(a));
    page.OpenSelectedFile();
    QVERIFY(!viewer->isVisible());

    // Copy puts the tree's rows on the clipboard (no spreadsheet wanted); a.txt is gone now.
    QVERIFY(t.Search(tree.Root()));
    SetDialogInterface(&dialogs);
    dialogs.QueueAnswer(mrNo);
    page.CopyList();
    SetDialogInterface(nullptr);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("\t%1\t2\t%2").arg(kNotice, b));
  }

  void AFileForTheFolderAndUnterminated() {
    TempTree tree;
    const QString menu = QStringLiteral("<p>Home | World | Sport | Weather</p>");
    const QString given = tree.WriteText("one/page.html", menu);
    tree.WriteText("one/other.html", menu);
    tree.WriteText("one/two/page.html", menu + QStringLiteral("<p>End.</p>"));
    PageUnderTest t;
    QVERIFY(t.Search(given));
    QCOMPARE(Child<QComboBox>(t.page, "myAdvFilterComboBoiler")->currentText(),
             QStringLiteral("page.html"));
    QCOMPARE(t.m->rowCount(), 0);  // the menu line has no full stop
    Child<QCheckBox>(t.page, "AdvOfficeCheckBoxBoilerUNfinishedSents")->setChecked(true);
    QVERIFY(t.Search(given));
    QCOMPARE(t.m->rowCount(), 1);
    // Only the files named page.html: the given one and the one in the sub-folder.
    QCOMPARE(t.m->rowCount(t.m->index(0, 0)), 2);
  }

  void StopAltSAndF1() {
    TempTree tree;
    for (int i = 0; i < 40; ++i)
      tree.WriteText(QStringLiteral("t%1.txt").arg(i, 2, 10, QLatin1Char('0')), kNotice);
    PageUnderTest t;
    // The user presses Stop as soon as the first repeat is reported (after the
    // second file): what was found so far is shown.
    t.host.on_status = [&t](const QString& text) {
      if (text == QStringLiteral("1 ") + LX("LXRepeatedChunks")) t.host.PressStop();
    };
    QVERIFY(t.Search(tree.Root()));
    QCOMPARE(t.Top(0), kNotice);
    QCOMPARE(t.Top(0, 1), QStringLiteral("2"));
    QVERIFY(Child<QPushButton>(t.page, "AdvGlowButtonBoilerSearch")->isEnabled());
    QVERIFY(!t.host.stop_shown);
    QCOMPARE(t.host.Summaries().last(),
             QStringLiteral("Stopped after 2 of 40 files: 1 repeated chunk"));

    // Alt+S starts a search from the keyboard; F1 asks for the page's help topic.
    t.page.show();
    t.page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&t.page));
    t.host.on_status = nullptr;
    Child<QTabWidget>(t.page, "AdvOfficePagerBoiler")->setCurrentIndex(0);
    const int summaries = t.host.Summaries().size();
    QTest::keyClick(&t.page, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(t.host.Summaries().size() > summaries && !t.page.Running(), 20000);
    QCOMPARE(t.Top(0, 1), QStringLiteral("40"));
    t.page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&t.page));
    QTest::keyClick(&t.page, Qt::Key_F1);
    QCOMPARE(t.host.help_topics, std::vector<int>{6030});
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BoilerplatePageTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "boilerplate_page_uitest.moc"
