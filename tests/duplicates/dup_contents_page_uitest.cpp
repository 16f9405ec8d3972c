// The Duplicate Contents page, offscreen, with a host that runs each tool on
// the calling thread, or on a thread of its own as the window does.

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>
#include <cerrno>
#include <cstring>

#include "dup_contents_test_corpus.h"
#include "duplicates/dup_contents_moving.h"
#include "duplicates/dup_contents_page.h"
#include "duplicates/dup_contents_rows.h"
#include "duplicates/dup_contents_table_model.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "runtime/run_summary.h"
#include "support/test_page_host.h"
#include "support/test_support.h"
#include "ui_kit/text_viewer_window.h"

using namespace Qt::StringLiterals;

namespace {

// A page with its own host and seeker.
struct PageUnderTest {
  explicit PageUnderTest(TestPageHost::Runs runs = TestPageHost::Runs::InPlace)
      : host(runs), page(&host, &seeker) {}
  TestPageHost host;
  DupContentsSeeker seeker;
  DuplicateContentsPage page;
};

}  // namespace

class DupContentsPageTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Column widths are kept in the settings file: never the user's own.
  void initTestCase() {
    QVERIFY(settings_dir_.isValid());
    qputenv("SORVEL_SETTINGS", settings_dir_.filePath(u"lexivor.ini"_s).toUtf8());
  }
  void init() {
    SetDialogInterface(&dialogs_);
    dialogs_.Clear();
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void DefaultsAndCaptions() {
    PageUnderTest p;
    auto& [host, seeker, page] = p;
    auto* dates = page.findChild<QCheckBox*>(u"AdvOfficeCheckBoxDupContentsUseDates"_s);
    auto* days = page.findChild<QSpinBox*>(u"AdvSpinEditDupContentsDateDiff"_s);
    QVERIFY(dates && days);
    QVERIFY(dates->isChecked());
    QCOMPARE(days->value(), 1);
    QVERIFY(page.findChild<QCheckBox*>(u"AdvOfficeCheckBoxDupContentsSameFolder"_s)->isChecked());
    QVERIFY(!Button(page, "AdvGlowButtonDupContentsRemove")->isEnabled());
    QCOMPARE(Button(page, "AdvGlowButtonDupContentsUNRemove")->text(), u"&Restore any moved"_s);
    QCOMPARE(host.start_controls.size(), 2u);
    QCOMPARE(host.stop_handlers.size(), 1u);
    dates->click();
    QVERIFY(!days->isEnabled());

    // No folder: the search says so and changes nothing.
    Button(page, "AdvGlowButtonDuplicateContentsSearch")->click();
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"FormNotFilled"_s});
    // A folder that is not there: the closing line says so, for a search
    // and for a restore alike.
    dialogs_.Clear();
    Folder(page)->setText(u"/nonexistent/corpus"_s);
    Button(page, "AdvGlowButtonDuplicateContentsSearch")->click();
    Button(page, "AdvGlowButtonDupContentsUNRemove")->click();
    QCOMPARE(host.Summaries(), QStringList(2, FolderNotFoundSummary(u"/nonexistent/corpus"_s)));
    QVERIFY(dialogs_.ShownNames().isEmpty());
    QCOMPARE(host.runs, 0);
  }

  void SearchKeepCopyMoveAndRestore() {
    TempTree t;
    const QByteArray a = DupTestText(90, 300);
    t.Write(u"x/a.txt"_s, a);
    t.Write(u"x/b.htm"_s, a);
    t.Write(u"x/c.txt"_s, a + " ");
    t.Write(u"x/u.txt"_s, DupTestText(91, 300));
    t.Write(u"x/e.txt"_s, QByteArray());
    PageUnderTest p;
    auto& [host, seeker, page] = p;
    page.show();
    Folder(page)->setText(t.Root());
    auto* list = page.findChild<QTableView*>(u"AdvListViewDupContents"_s);
    QPushButton* move = Button(page, "AdvGlowButtonDupContentsRemove");
    QSignalSpy searched(&page, &DuplicateContentsPage::SearchFinished);

    Button(page, "AdvGlowButtonDuplicateContentsSearch")->click();
    QCOMPARE(searched.count(), 1);
    QCOMPARE(searched.at(0).at(0).toInt(), 2);
    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(Cell(list, 0, 0), t.Path(u"x/a.txt"_s));
    // The full name is the tooltip, as the column may cut it short.
    QCOMPARE(list->model()->index(1, 0).data(Qt::ToolTipRole).toString(), t.Path(u"x/b.htm"_s));
    QVERIFY(move->isEnabled());
    QVERIFY(!host.stop_shown);
    QCOMPARE(host.LastSummary(), u"Checked 5 files: 2 near duplicates in 1 group"_s);
    QCOMPARE(host.LastCount(), std::make_pair(5LL, 5LL));  // "5 of 5" on the bar
    // The empty file is reported in one box after the search.
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"ReportedAFact"_s});
    QVERIFY(dialogs_.Shown().at(0).text.contains(t.Path(u"x/e.txt"_s)));

    // Keep the third member: only the keep column of the group changes.
    list->setCurrentIndex(list->model()->index(2, 0));
    page.KeepSelected();
    QCOMPARE(Cell(list, 0, 4), LX("LXDelete"));
    QCOMPARE(Cell(list, 2, 4), LX("LXOK"));

    // Move: declined first, then agreed. The question says how many files
    // go, and where.
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrCancel);
    dialogs_.QueueAnswer(mrOK);
    QSignalSpy moved(&page, &DuplicateContentsPage::MoveFinished);
    move->click();
    QCOMPARE(moved.count(), 0);
    QVERIFY2(dialogs_.Shown().at(0).text.startsWith(u"OK to move 2 files, "_s),
             qPrintable(dialogs_.Shown().at(0).text));
    QVERIFY(dialogs_.Shown().at(0).text.contains(u"\"%1\" folder"_s.arg(MovedFilesWord())));
    move->click();
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), 2);
    QCOMPARE(dialogs_.ShownNames().last(), u"NFilesCopiedOrMoved"_s);
    QVERIFY(dialogs_.Shown().back().text.startsWith(u"2 files moved"_s));
    QCOMPARE(host.LastSummary(), u"Moved 2 files of 2 spare copies"_s);
    QCOMPARE(list->model()->rowCount(), 3);  // the rows stay

    // A new search leaves the moved-files folder out.
    Button(page, "AdvGlowButtonDuplicateContentsSearch")->click();
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(host.LastSummary(), u"Checked 3 files: no duplicates"_s);
    QVERIFY(!move->isEnabled());

    // Restore, with a new a.txt in the way: the question names the web page
    // that comes back as .txt; one box gives the count, and the file that
    // stayed with the reason, in the system's words.
    t.Write(u"x/a.txt"_s, "written meanwhile");
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrOK);
    QSignalSpy restored(&page, &DuplicateContentsPage::RestoreFinished);
    Button(page, "AdvGlowButtonDupContentsUNRemove")->click();
    QCOMPARE(restored.count(), 1);
    QCOMPARE(restored.at(0).at(0).toInt(), 1);
    QCOMPARE(dialogs_.ShownNames(), (QStringList{u"WarnAboutAndASKOK"_s, u"ReportedAFact"_s}));
    QVERIFY2(dialogs_.Shown().at(0).text.contains(t.Path(u"x/b.htm"_s) + u" comes back as b.txt"_s),
             qPrintable(dialogs_.Shown().at(0).text));
    const QString summary = dialogs_.Shown().at(1).text;
    QVERIFY(summary.startsWith(u"1 file restored of 2 moved files found"_s));
    QVERIFY(summary.contains(t.Path(u"x/a.txt"_s)));
    QVERIFY(summary.contains(QString::fromLocal8Bit(std::strerror(EEXIST))));
    QCOMPARE(host.LastSummary(), u"Checked 2 moved files: 1 file restored"_s);
    // The web page is back: the next restore asks the plain question.
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrCancel);
    Button(page, "AdvGlowButtonDupContentsUNRemove")->click();
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"OKToDoX"_s});
  }

  void ShowOpensOneViewerPerMemberSideBySide() {
    TempTree t;
    const QByteArray a = "<doc>\n" + DupTestText(97, 300) + "</doc>\n";
    t.Write(u"a.txt"_s, a);
    t.Write(u"b.txt"_s, a);
    t.Write(u"c.txt"_s, a);
    PageUnderTest p;
    auto& page = p.page;
    Folder(page)->setText(t.Root());
    page.Search();
    auto* list = page.findChild<QTableView*>(u"AdvListViewDupContents"_s);
    QCOMPARE(list->model()->rowCount(), 3);
    list->setCurrentIndex(list->model()->index(2, 0));
    page.ShowSelectedGroup();
    QCOMPARE(page.ShowForms().size(), 3u);
    // The head's lines without its markup lines are what the others compare with.
    QCOMPARE(page.ComparisonStrings().size(), 30);
    QVERIFY(!page.ComparisonStrings().contains(u"<doc>"_s));
    for (std::size_t m = 0; m < 3; ++m) {
      TextViewerWindow* form = page.ShowForms()[m];
      QVERIFY(form && form->isVisible());
      QCOMPARE(form->CurrentShortFilename(),
               u"%1.txt"_s.arg(QChar(u'a' + static_cast<char16_t>(m))));
    }
    QPointer<TextViewerWindow> first = page.ShowForms()[0];
    // The next Show frees the viewers of the last one.
    QFile::remove(t.Path(u"a.txt"_s));
    page.ShowSelectedGroup();
    QVERIFY(first.isNull());
    QVERIFY(!page.ShowForms()[0]);  // the head is gone: no viewer, no comparison lines
    QVERIFY(page.ShowForms()[1]);
    QVERIFY(page.ComparisonStrings().isEmpty());
    list->setCurrentIndex(list->model()->index(-1, -1));
    page.ShowSelectedGroup();  // no row: nothing changes
    QVERIFY(page.ShowForms()[1]);
  }

  // Searches on the worker, as in the window: the search button is off
  // while one runs, and the files read are counted. With Ctrl held the page
  // asks from where in the size-sorted list to search.
  void SearchesOnTheWorkerAndFromAStartPercentage() {
    TempTree t;
    // Two groups far apart in size: the larger one lies in the second half.
    for (const QString& name : {u"s1.txt"_s, u"s2.txt"_s}) t.Write(name, DupTestText(95, 100));
    for (const QString& name : {u"l1.txt"_s, u"l2.txt"_s}) t.Write(name, DupTestText(96, 900));
    PageUnderTest p(TestPageHost::Runs::OnThread);
    auto& [host, seeker, page] = p;
    Folder(page)->setText(t.Root());
    QPushButton* search = Button(page, "AdvGlowButtonDuplicateContentsSearch");
    QSignalSpy searched(&page, &DuplicateContentsPage::SearchFinished);
    search->click();
    QVERIFY(!search->isEnabled());
    QVERIFY(searched.wait(30000));
    QCOMPARE(searched.last().at(0).toInt(), 2);
    QCOMPARE(host.runs, 1);
    QCOMPARE(page.Model().rowCount(), 4);
    QCOMPARE(host.LastCount(), std::make_pair(4LL, 4LL));
    QVERIFY(search->isEnabled());
    QVERIFY(Button(page, "AdvGlowButtonDupContentsRemove")->isEnabled());

    int asked = 0;
    page.control_key_down = [] { return true; };
    // Cancelled the first time (a search from the beginning), 50 % the second.
    page.ask_start_percent = [&asked](int* percent) {
      *percent = 50;
      return ++asked == 2;
    };
    for (const int pairs : {2, 1}) {
      search->click();
      QVERIFY(searched.wait(30000));
      QCOMPARE(searched.last().at(0).toInt(), pairs);
    }
    QCOMPARE(asked, 2);
  }

 private:
  static QString Cell(QTableView* list, int row, int column) {
    return list->model()->index(row, column).data().toString();
  }
  static QPushButton* Button(QWidget& page, const char* name) {
    return page.findChild<QPushButton*>(QLatin1String(name));
  }
  static QLineEdit* Folder(QWidget& page) {
    return page.findChild<QLineEdit*>(u"MyOpenFolderDialogDuplicateContents"_s);
  }
  ScriptedDialogs dialogs_;
  QTemporaryDir settings_dir_;
};

QTEST_MAIN(DupContentsPageTest)
#include "dup_contents_page_uitest.moc"
