// The Relevance page with a small host: what it hands the check, what it shows
// of the result, its boxes and the states of its buttons.

#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QRadioButton>
#include <QtTest>

#include "relevance/relevance_page.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "support/test_page_host.h"
#include "support/test_support.h"
#include "ui_kit/folder_choose_dialog.h"
#include "ui_kit/folder_or_list_dialog.h"
#include "ui_kit/sample_rtf_dialog.h"
#include "ui_kit/text_viewer_window.h"

namespace {

QString Words(int n, const QString& extra) { return QStringLiteral("word ").repeated(n) + extra; }

// A page with its host and filter list.
struct PageRig {
  TestPageHost host{TestPageHost::Runs::InPlace, TestPageHost::Viewer::Shared};
  RelevanceFilterList list;
  RelevancePage page{&host, &list, nullptr};

  // Answers the folder-or-list chooser, when it opens, with a folder or a list file.
  void ChooseWhenAsked(const QString& folder, const QString& list_file = QString()) {
    FolderOrListChooserDialog* chooser = page.FolderOrListChooser();
    chooser->folder_edit->setText(folder);
    chooser->list_edit->setText(list_file);
    (list_file.isEmpty() ? chooser->folder_radio : chooser->list_radio)->setChecked(true);
    QTimer::singleShot(0, chooser, [chooser] { chooser->ok_button->click(); });
  }
  void Check(const QString& filters, const QString& folder, const QString& list_file = QString()) {
    page.filter_file_edit->setText(filters);
    ChooseWhenAsked(folder, list_file);
    page.Check();
  }
};

}  // namespace

class RelevancePageTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void init() {
    SetDialogInterface(&dialogs_);
    dialogs_.Clear();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void checkShowsViewsSavesSortsAndCopies() {
    TempTree t;
    const QString filters = t.WriteText("f.txt", "river\t1\t0\t\nflood*\t1\t0\t\nbank\t1\t0\tn\n");
    t.WriteText("c/a.txt", Words(200, QStringLiteral("river")));
    t.WriteText("c/s/b.txt", Words(1000, QStringLiteral("river river river river river river")));
    PageRig rig;
    RelevancePage& page = rig.page;
    page.show();
    QCOMPARE(rig.host.start_controls.size(), size_t(4));
    QVERIFY(!page.filter_button->isVisible());
    page.segments_spin->setValue(3);
    QCOMPARE(page.coverage_label->text(), CoverageLabel(3));
    page.segments_spin->setValue(1);

    // A term given two settings: the check asks first and, refused, does not run.
    page.filter_file_edit->setText(t.WriteText("r.txt", "river\t1\t0\t\nriver\t2\t0\t\n"));
    page.Check();
    QCOMPARE(dialogs_.ShownNames(), QStringList{"WarnAboutAndASKOK"});
    QVERIFY(rig.host.Summaries().isEmpty());

    // Return in the filter-strings field checks, as the button does.
    page.filter_file_edit->setText(filters);
    rig.ChooseWhenAsked(t.Path("c"));
    QTest::keyClick(page.filter_file_edit->lineEdit(), Qt::Key_Return);
    RelevanceGridModel* m = page.GridModel();
    QCOMPARE(m->rowCount(), 2);
    QVERIFY(m->CellText(0, 1).endsWith(QStringLiteral("s/b.txt")));
    QCOMPARE(m->CellText(0, 2), QStringLiteral("0.6"));
    QCOMPARE(m->CellText(0, 3), QStringLiteral("1,006"));
    QCOMPARE(rig.host.Summaries(), QStringList{"Checked 2 files: 2 relevant"});
    QCOMPARE(rig.host.Counts().back(), (std::pair<long long, long long>(2, 2)));  // "n of N"
    QVERIFY(page.filter_button->isVisible() && page.rtf_button->isVisible());
    QVERIFY(page.check_button->isEnabled());

    // "Show this text" hands the viewer the positive terms only.
    page.grid->selectRow(0);
    page.ShowCurrentText();
    TextViewerWindow* v = rig.host.ShownViewer();
    QVERIFY(v);
    QCOMPARE(v->KeywordList()->count(), 2);
    QCOMPARE(v->KeywordList()->item(0)->text(), QStringLiteral("flood*"));  // then river
    QCOMPARE(v->CurrentShortFilename(), QStringLiteral("b.txt"));

    // "RTF Sample" saves from the selected row on, as the command-line tool does.
    SampleRtfDialog* w = page.SampleRtfWindow();
    const QString out = t.Path("rtf");
    w->folder_edit->setText(out);
    page.grid->selectRow(1);
    QTimer::singleShot(0, w, [w] { w->ok_button->click(); });
    page.SaveRtfSample();
    QCOMPARE(w->choices.start_num, 1);
    QVERIFY(!QFileInfo::exists(out + "/b.rtf") && QFileInfo::exists(out + "/a.rtf"));
    QCOMPARE(rig.host.Status(), "1 RTF file saved in " + out);

    // Copy puts the grid, headings first, on the clipboard.
    page.CopyList();
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY(copied.startsWith(LX("LXN") + QLatin1Char('\t') + LX("LXFilename")));

    // A header click sorts: words ascending puts the 201-word text first.
    page.grid->sortByColumn(3, Qt::AscendingOrder);
    QVERIFY(m->CellText(0, 1).endsWith(QStringLiteral("a.txt")));

    // The minimum score raised after the check goes to the copying (both
    // texts score below 1); the question says how many texts would go where.
    dialogs_.Clear();
    page.min_score_spin->setValue(1);
    dialogs_.QueueAnswer(mrOK);
    page.CopyRelevantTexts();
    QCOMPARE(dialogs_.ShownNames(), (QStringList{"OKToDoX", "NFilesCopiedOrMoved"}));
    QCOMPARE(
        dialogs_.Shown()[0].text,
        QStringLiteral("OK to copy 0 texts scoring at least 1 to %1?").arg(t.Path("c/filtered")));
    // Declining the question copies nothing.
    page.min_score_spin->setValue(0);
    dialogs_.QueueAnswer(mrCancel);
    page.CopyRelevantTexts();
    QVERIFY(!QFileInfo::exists(t.Path("c/filtered")));
  }

  void listInputAsksForTheBase() {
    TempTree t;
    t.WriteText("c/a.txt", Words(200, QStringLiteral("river")));
    const QString list =
        t.WriteText("l.txt", "c/a.txt\nc/gone.txt\n");  // names relative to the list
    PageRig rig;
    rig.Check(t.WriteText("f.txt", "river\n"), QString(), list);
    QCOMPARE(rig.page.GridModel()->rowCount(), 1);
    // The listed file that is missing is named after the check, with why.
    QCOMPARE(dialogs_.ShownNames(), QStringList{"FilesWithProblems"});
    QVERIFY(dialogs_.Shown()[0].text.contains(t.Path("c/gone.txt") + ": no such file"));
    dialogs_.Clear();

    FolderChooserDialog* fc = rig.page.FolderChooser();
    fc->folder_edit->setText(t.Path("out"));
    QTimer::singleShot(0, fc, [fc] { fc->ok_button->click(); });
    dialogs_.QueueAnswer(mrOK);
    rig.page.CopyRelevantTexts();
    QVERIFY(QFileInfo::exists(t.Path("out/filtered") + t.Path("c/a.txt")));

    // Cancelling the chooser on the next check leaves the grid as it was.
    FolderOrListChooserDialog* chooser = rig.page.FolderOrListChooser();
    QTimer::singleShot(0, chooser, [chooser] { chooser->reject(); });
    rig.page.Check();
    QCOMPARE(rig.host.Resets().back(), true);
    // A folder that has gone is named in the closing line.
    rig.Check(rig.page.filter_file_edit->text(), t.Path("gone"));
    QCOMPARE(rig.host.Summaries().last(), "Folder not found: " + t.Path("gone"));
  }

 private:
  ScriptedDialogs dialogs_;
};

QTEST_MAIN(RelevancePageTest)
#include "relevance_page_uitest.moc"
