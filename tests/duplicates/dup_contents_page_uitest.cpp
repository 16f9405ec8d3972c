// The Duplicate Contents page, offscreen, with a host that runs each tool at
// once on the calling thread, or on a thread of its own as the window does.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
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
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_files.h"
#include "runtime/run_summary.h"
#include "support/test_page_host.h"
#include "support/test_support.h"
#include "ui_kit/text_viewer_window.h"

using namespace Qt::StringLiterals;

namespace {

// The last count the page showed; (-1, -1) when none.
std::pair<long long, long long> LastCount(TestPageHost& host) {
  const auto counts = host.Counts();
  return counts.empty() ? std::make_pair(-1LL, -1LL) : counts.back();
}

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
    dates->click();
    QVERIFY(days->isEnabled());

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

  void SearchKeepMoveRestoreAndCopy() {
    TempTree t;
    const QByteArray a = DupTestText(90, 300);
    t.Write(u"x/a.txt"_s, a);
    t.Write(u"x/b.htm"_s, a);
    t.Write(u"x/c.txt"_s, a + " ");
    t.Write(u"x/u.txt"_s, DupTestText(91, 300));
    t.Write(u"x/e.txt"_s, QByteArray());
    PageUnderTest p;
    auto& [host, seeker, page] = p;
    page.resize(900, 420);
    page.show();
    Folder(page)->setText(t.Root());
    auto* list = page.findChild<QTableView*>(u"AdvListViewDupContents"_s);
    QSignalSpy searched(&page, &DuplicateContentsPage::SearchFinished);

    // Search.
    Button(page, "AdvGlowButtonDuplicateContentsSearch")->click();
    QCoreApplication::processEvents();
    QCOMPARE(searched.count(), 1);
    QCOMPARE(searched.at(0).at(0).toInt(), 2);
    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(Cell(list, 0, 0), t.Path(u"x/a.txt"_s));
    QCOMPARE(Cell(list, 1, 0), QString(4, QChar(0x00B7)) + u" "_s + t.Path(u"x/b.htm"_s));
    QCOMPARE(Cell(list, 1, 1), u"300"_s);
    QCOMPARE(Cell(list, 0, 4), LX("LXOK"));
    QCOMPARE(Cell(list, 2, 4), LX("LXDelete"));
    QVERIFY(Button(page, "AdvGlowButtonDupContentsRemove")->isEnabled());
    QVERIFY(page.findChild<QLabel*>(u"LabelDuplicatesFound"_s)->text().contains(u"2"_s));
    QVERIFY(!page.findChild<QLineEdit*>(u"AdvEditTimeRemaining"_s)->isVisible());
    QVERIFY(!host.stop_shown);
    QCOMPARE(host.Summaries().last(), u"Checked 5 files: 2 near duplicates in 1 group"_s);
    QCOMPARE(LastCount(host), std::make_pair(5LL, 5LL));  // "5 of 5" on the bar
    // The empty file is reported in one box after the search.
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"ReportedAFact"_s});
    QVERIFY(dialogs_.Shown().at(0).text.contains(t.Path(u"x/e.txt"_s)));

    // Keep the second member: only column 4 of the group changes.
    list->setCurrentIndex(list->model()->index(1, 0));
    page.KeepSelected();
    QCOMPARE(Cell(list, 0, 4), LX("LXDelete"));
    QCOMPARE(Cell(list, 1, 4), LX("LXOK"));
    QCOMPARE(Cell(list, 1, 0), QString(4, QChar(0x00B7)) + u" "_s + t.Path(u"x/b.htm"_s));

    // Copy with the list focused: the groups as text on the clipboard (the
    // spreadsheet it offers is the copy action's own, tested with it).
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrNo);
    list->setFocus();
    page.CopyList();
    QCOMPARE(QGuiApplication::clipboard()->text(), DupContentsAsText(seeker));
    QCOMPARE(DupContentsAsText(seeker).split(u"\r\n"_s).size(), 3);
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"CopyResultsToExcelToo"_s});

    // Move: declined first, then agreed.
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrCancel);
    Button(page, "AdvGlowButtonDupContentsRemove")->click();
    QVERIFY(QFileInfo::exists(t.Path(u"x/a.txt"_s)));
    // The question says how many files go, and where.
    QVERIFY2(dialogs_.Shown().at(0).text.startsWith(u"OK to move 2 files, "_s),
             qPrintable(dialogs_.Shown().at(0).text));
    QVERIFY(dialogs_.Shown().at(0).text.contains(u"\"%1\" folder"_s.arg(MovedFilesWord())));
    QSignalSpy moved(&page, &DuplicateContentsPage::MoveFinished);
    dialogs_.QueueAnswer(mrOK);
    Button(page, "AdvGlowButtonDupContentsRemove")->click();
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), 2);
    QVERIFY(QFileInfo::exists(t.Path(u"x/b.htm"_s)));  // the kept file
    QCOMPARE(dialogs_.ShownNames().last(), u"NFilesCopiedOrMoved"_s);
    QVERIFY(dialogs_.Shown().back().text.startsWith(u"2 files moved"_s));
    QCOMPARE(host.Summaries().last(), u"Moved 2 files of 2 spare copies"_s);
    QCOMPARE(list->model()->rowCount(), 3);  // the rows stay

    // A new search leaves the moved-files folder out.
    dialogs_.Clear();
    Button(page, "AdvGlowButtonDuplicateContentsSearch")->click();
    QCOMPARE(searched.last().at(0).toInt(), 0);
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(host.Summaries().last(), u"Checked 3 files: no duplicates"_s);
    QVERIFY(!Button(page, "AdvGlowButtonDupContentsRemove")->isEnabled());

    // Restore, with a new c.txt in the way: a comes back, c stays moved.
    t.Write(u"x/c.txt"_s, "written meanwhile");
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrOK);
    QSignalSpy restored(&page, &DuplicateContentsPage::RestoreFinished);
    Button(page, "AdvGlowButtonDupContentsUNRemove")->click();
    QCOMPARE(restored.count(), 1);
    QCOMPARE(restored.at(0).at(0).toInt(), 1);
    // One summary box for the run: the count, and the file that stayed with
    // the reason, in the system's words.
    QCOMPARE(dialogs_.ShownNames(), (QStringList{u"OKToDoX"_s, u"ReportedAFact"_s}));
    const QString summary = dialogs_.Shown().at(1).text;
    QVERIFY(summary.startsWith(u"1 file restored of 2 moved files found"_s));
    QCOMPARE(host.Summaries().last(), u"Checked 2 moved files: 1 file restored"_s);
    QVERIFY(summary.contains(t.Path(u"x/c.txt"_s)));
    QVERIFY(summary.contains(QString::fromLocal8Bit(std::strerror(EEXIST))));
  }

  // Long names at a usual size: the name column takes the room the numbers
  // leave and grows with the page, the keep column stays readable, and a
  // moved web page is named before a restore would bring it back as .txt.
  void ReadableColumnsAndAWarningForWebPages() {
    TempTree t;
    const QString deep = QStringLiteral(
        "a-rather-long-folder-name-for-a-corpus/with-another-long-sub-folder/and-one-more-level");
    const QByteArray a = DupTestText(92, 300);
    t.Write(deep + u"/a.txt"_s, a);
    t.Write(deep + u"/b.htm"_s, a);
    PageUnderTest p;
    auto& page = p.page;
    page.resize(960, 560);
    page.show();
    Folder(page)->setText(t.Root());
    page.Search();
    auto* list = page.findChild<QTableView*>(u"AdvListViewDupContents"_s);
    QHeaderView* header = list->horizontalHeader();
    QCoreApplication::processEvents();
    QCOMPARE(list->model()->rowCount(), 2);
    QVERIFY(header->sectionSize(4) >= header->fontMetrics().horizontalAdvance(LX("LXKeep")));
    QVERIFY2(header->length() <= list->viewport()->width(),
             qPrintable(u"%1 %2 %3 %4"_s.arg(header->length())
                            .arg(list->viewport()->width())
                            .arg(header->sectionSize(0))
                            .arg(header->sectionSize(4))));
    QVERIFY(header->sectionSize(0) > header->length() / 2);
    const QModelIndex name = list->model()->index(1, 0);
    QCOMPARE(name.data(Qt::ToolTipRole).toString(), t.Path(deep + u"/b.htm"_s));
    const int narrow = header->sectionSize(0);
    page.resize(1300, 560);
    QCoreApplication::processEvents();
    QVERIFY(header->sectionSize(0) > narrow);

    // Keep the .txt copy: the web page goes, and the restore question names it.
    dialogs_.QueueAnswer(mrOK);
    page.MoveSpareCopies();
    QVERIFY(IsExistingFile(t.Path(deep + u"/%1/b.%1"_s.arg(MovedFilesWord()))));
    dialogs_.Clear();
    dialogs_.QueueAnswer(mrCancel);
    page.RestoreMoved();
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"WarnAboutAndASKOK"_s});
    QVERIFY2(dialogs_.Shown().at(0).text.contains(t.Path(deep + u"/b.htm"_s) +
                                                  u" comes back as b.txt"_s),
             qPrintable(dialogs_.Shown().at(0).text));
    QVERIFY(IsExistingFile(t.Path(deep + u"/%1/b.%1"_s.arg(MovedFilesWord()))));
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
    QList<int> lefts;
    for (std::size_t m = 0; m < 3; ++m) {
      TextViewerWindow* form = page.ShowForms()[m];
      QVERIFY(form);
      QVERIFY(form->isVisible());
      QCOMPARE(form->CurrentShortFilename(),
               u"%1.txt"_s.arg(QChar(u'a' + static_cast<char16_t>(m))));
      QVERIFY(form->PanelText(2).startsWith(u"(%1)"_s.arg(m + 1)));
      lefts << form->geometry().left();
    }
    QVERIFY(lefts[0] < lefts[1] && lefts[1] < lefts[2]);  // side by side
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

  // A search on the worker, as in the window: an empty folder field asks to
  // be filled; a filled one searches once and counts the files read.
  void SearchRunsOnTheWorkerAndCounts() {
    TempTree t;
    const QByteArray a = DupTestText(98, 400);
    t.Write(u"a.txt"_s, a);
    t.Write(u"b.txt"_s, a);
    PageUnderTest p(TestPageHost::Runs::OnThread);
    auto& [host, seeker, page] = p;
    QLineEdit* folder = Folder(page);
    QPushButton* search = Button(page, "AdvGlowButtonDuplicateContentsSearch");
    search->click();
    QCOMPARE(dialogs_.ShownNames(), QStringList{u"FormNotFilled"_s});

    folder->setText(t.Root());
    QSignalSpy searched(&page, &DuplicateContentsPage::SearchFinished);
    search->click();
    QVERIFY(searched.wait(30000));
    QCOMPARE(searched.count(), 1);
    QCOMPARE(searched.at(0).at(0).toInt(), 1);
    QCOMPARE(host.runs, 1);
    QCOMPARE(page.Model().rowCount(), 2);
    QCOMPARE(LastCount(host), std::make_pair(2LL, 2LL));
    QVERIFY(Button(page, "AdvGlowButtonDuplicateContentsSearch")->isEnabled());
    QVERIFY(Button(page, "AdvGlowButtonDupContentsRemove")->isEnabled());
  }

  void CtrlSearchAsksForTheStartPercentage() {
    TempTree t;
    // Two groups far apart in size: the larger one lies in the second half.
    const QByteArray small = DupTestText(95, 100);
    const QByteArray large = DupTestText(96, 900);
    t.Write(u"s1.txt"_s, small);
    t.Write(u"s2.txt"_s, small);
    t.Write(u"l1.txt"_s, large);
    t.Write(u"l2.txt"_s, large);
    PageUnderTest p;
    auto& page = p.page;
    Folder(page)->setText(t.Root());
    QSignalSpy searched(&page, &DuplicateContentsPage::SearchFinished);
    int asked = 0;
    page.control_key_down = [] { return true; };
    page.ask_start_percent = [&asked](int*) {
      ++asked;
      return false;  // cancelled: from the beginning
    };
    page.Search();
    QCOMPARE(asked, 1);
    QCOMPARE(searched.last().at(0).toInt(), 2);
    page.ask_start_percent = [](int* p) {
      *p = 50;
      return true;
    };
    page.Search();
    QCOMPARE(searched.last().at(0).toInt(), 1);
    page.control_key_down = [] { return false; };
    page.Search();
    QCOMPARE(searched.last().at(0).toInt(), 2);
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
