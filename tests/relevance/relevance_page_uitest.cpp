// The Relevance page end to end with a small host: a check from a folder,
// the grid, sorting, the coverage label, refused input and filtering after
// the minimum score is raised.

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QTimer>
#include <QtTest>

#include "relevance/relevance_page.h"
#include "relevance/relevance_rtf.h"
#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "support/test_page_host.h"
#include "support/test_support.h"
#include "ui_kit/folder_choose_dialog.h"
#include "ui_kit/folder_or_list_dialog.h"
#include "ui_kit/sample_rtf_dialog.h"
#include "ui_kit/text_viewer_window.h"

namespace {

QString Words(int n, const QString& extra) {
  QString s;
  for (int i = 0; i < n; ++i) s += QStringLiteral("word ");
  return s + extra;
}

// Answers the page's folder-or-list chooser with the folder when it opens.
void ChooseFolderWhenAsked(RelevancePage& page, const QString& folder) {
  FolderOrListChooserDialog* chooser = page.FolderOrListChooser();
  chooser->folder_edit->setText(folder);
  QTimer::singleShot(0, chooser, [chooser] { chooser->ok_button->click(); });
}

// Runs a check of the folder.
void CheckFolder(RelevancePage& page, const QString& folder) {
  ChooseFolderWhenAsked(page, folder);
  page.Check();
}

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

  void checkListsSortsAndFilters() {
    TempTree t;
    const QString filters = t.WriteText("f.txt", "river\t1\t0\t\nbank\t1\t0\tn\n");
    t.WriteText("c/a.txt", Words(200, QStringLiteral("river")));
    t.WriteText("c/s/b.txt", Words(1000, QStringLiteral("river river river river river river")));
    t.WriteText("c/neg.txt", Words(300, QStringLiteral("river bank bank")));
    t.WriteText("c/short.txt", Words(5, QStringLiteral("river")));

    TestPageHost host(TestPageHost::Runs::InPlace, TestPageHost::Viewer::Shared);
    RelevanceFilterList list;
    RelevancePage page(&host, &list, nullptr);
    page.resize(900, 500);
    page.show();
    QCOMPARE(host.start_controls.size(), size_t(4));
    QVERIFY(!page.filter_button->isVisible());
    // The coverage label names the segments from the start.
    QCOMPARE(page.coverage_label->text(), QStringLiteral("coverage (all)"));
    page.segments_spin->setValue(3);
    QCOMPARE(page.coverage_label->text(), QStringLiteral("coverage (thirds)"));
    page.segments_spin->setValue(1);

    // No filter file: the form is not filled, and no chooser opens.
    page.Check();
    QCOMPARE(dialogs_.ShownNames(), QStringList{"FormNotFilled"});

    // Return in the filter-strings field checks, as the button does.
    page.filter_file_edit->setText(filters);
    ChooseFolderWhenAsked(page, t.Path("c"));
    QTest::keyClick(page.filter_file_edit->lineEdit(), Qt::Key_Return);

    RelevanceGridModel* m = page.GridModel();
    QCOMPARE(m->rowCount(), 2);  // neg scores below 0, short is too short
    QCOMPARE(m->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), LX("LXScore"));
    QCOMPARE(m->CellText(0, 0), QStringLiteral("1"));
    QVERIFY(m->CellText(0, 1).endsWith(QStringLiteral("s/b.txt")));
    QCOMPARE(m->CellText(0, 2), QStringLiteral("0.6"));
    QCOMPARE(m->CellText(0, 3), QStringLiteral("1,006"));
    QCOMPARE(m->CellText(0, 4), QStringLiteral("1"));
    QCOMPARE(page.Overall().files_examined, 4);
    QCOMPARE(host.Status(), LX("LXScore") + QStringLiteral(": 2 / 4  (50%)"));
    QCOMPARE(host.Summaries(), QStringList{"Checked 4 files: 2 relevant"});
    QCOMPARE(host.Counts().size(), size_t(4));  // texts scored, "n of N"
    QCOMPARE(host.Counts().back(), (std::pair<long long, long long>(4, 4)));
    QVERIFY(page.filter_button->isVisible());
    QVERIFY(page.rtf_button->isVisible());
    QVERIFY(page.check_button->isEnabled());
    QCOMPARE(host.Resets().back(), true);
    const ViewerFileDetails d = page.CurrentRowDetails();
    QVERIFY(d.full_path.endsWith(QStringLiteral("b.txt")));
    QCOMPARE(d.info1, QStringLiteral("1,006"));

    // Header clicks: words ascending puts the 201-word text first; the N
    // column does not sort.
    page.grid->sortByColumn(3, Qt::AscendingOrder);
    QVERIFY(m->CellText(0, 1).endsWith(QStringLiteral("a.txt")));
    page.grid->sortByColumn(0, Qt::DescendingOrder);
    QVERIFY(m->CellText(0, 1).endsWith(QStringLiteral("a.txt")));
    page.grid->sortByColumn(2, Qt::DescendingOrder);
    QVERIFY(m->CellText(0, 1).endsWith(QStringLiteral("b.txt")));

    // Raising the minimum score after the check to 1 copies nothing (both
    // score below 1); back at 0 both are copied, into the tree below the
    // head folder.
    dialogs_.Clear();
    page.min_score_spin->setValue(1);
    dialogs_.QueueAnswer(mrOK);
    page.CopyRelevantTexts();
    QCOMPARE(dialogs_.ShownNames(), (QStringList{"OKToDoX", "NFilesCopiedOrMoved"}));
    // The question says how many texts would go where, in one sentence.
    QCOMPARE(
        dialogs_.Shown()[0].text,
        QStringLiteral("OK to copy 0 texts scoring at least 1 to %1?").arg(t.Path("c/filtered")));
    QVERIFY(dialogs_.Shown()[1].text.startsWith(QStringLiteral("0 files copied")));
    page.min_score_spin->setValue(0);
    dialogs_.QueueAnswer(mrOK);
    page.CopyRelevantTexts();
    QVERIFY(dialogs_.Shown().back().text.startsWith(QStringLiteral("2 files copied")));
    QVERIFY(dialogs_.Shown()[2].text.startsWith(QStringLiteral("OK to copy 2 texts scoring")));
    QVERIFY(QFileInfo::exists(t.Path("c/filtered/s/b.txt")));
    QVERIFY(QFileInfo::exists(t.Path("c/filtered/a.txt")));

    // Declining the question copies nothing.
    QFile::remove(t.Path("c/filtered/a.txt"));
    dialogs_.QueueAnswer(mrCancel);
    page.CopyRelevantTexts();
    QVERIFY(!QFileInfo::exists(t.Path("c/filtered/a.txt")));
  }

  // A filter file that gives one term two settings: the warning names the
  // term; a folder that has gone is named in the closing line.
  void repeatedTermsAndAMissingFolder() {
    TempTree t;
    const QString filters = t.WriteText("f.txt", "river\t1\t0\t\nriver\t2\t0\t\n");
    TestPageHost host(TestPageHost::Runs::InPlace, TestPageHost::Viewer::Shared);
    RelevanceFilterList list;
    RelevancePage page(&host, &list, nullptr);
    page.filter_file_edit->setText(filters);
    page.Check();
    QCOMPARE(dialogs_.ShownNames(), QStringList{"WarnAboutAndASKOK"});
    const QString warning = dialogs_.Shown()[0].text;
    QVERIFY2(warning.contains(QStringLiteral("the term \"river\" different settings")),
             qPrintable(warning));
    QVERIFY2(!warning.contains(QStringLiteral("REPEATED")), qPrintable(warning));
    QVERIFY(host.Summaries().isEmpty());

    dialogs_.QueueAnswer(mrOK);
    const QString gone = t.Path("gone");
    CheckFolder(page, gone);
    QCOMPARE(host.Summaries(), QStringList{"Folder not found: " + gone});
  }

  void listInputAsksForTheBase() {
    TempTree t;
    const QString filters = t.WriteText("f.txt", "river\n");
    t.WriteText("c/a.txt", Words(200, QStringLiteral("river")));
    const QString list = t.WriteText(
        "l.txt", t.Path("c/a.txt") + QLatin1Char('\n') + t.Path("c/gone.txt") + QLatin1Char('\n'));
    TestPageHost host(TestPageHost::Runs::InPlace, TestPageHost::Viewer::Shared);
    RelevanceFilterList flist;
    RelevancePage page(&host, &flist, nullptr);
    page.filter_file_edit->setText(filters);
    FolderOrListChooserDialog* chooser = page.FolderOrListChooser();
    chooser->list_edit->setText(list);
    QTimer::singleShot(0, chooser, [chooser] { chooser->ok_button->click(); });
    page.Check();
    QCOMPARE(page.GridModel()->rowCount(), 1);
    // The listed file that is missing is named after the check, with why.
    QCOMPARE(dialogs_.ShownNames(), QStringList{"FilesWithProblems"});
    QVERIFY(dialogs_.Shown()[0].text.startsWith(QStringLiteral("Could not read 1 file:")));
    QVERIFY(
        dialogs_.Shown()[0].text.contains(t.Path("c/gone.txt") + QStringLiteral(": no such file")));
    dialogs_.Clear();

    FolderChooserDialog* fc = page.FolderChooser();
    fc->folder_edit->setText(t.Path("out"));
    QTimer::singleShot(0, fc, [fc] { fc->ok_button->click(); });
    dialogs_.QueueAnswer(mrOK);
    page.CopyRelevantTexts();
    QVERIFY(QFileInfo::exists(t.Path("out/filtered") + t.Path("c/a.txt")));

    // Cancelling the chooser on the next check leaves the grid as it was.
    QTimer::singleShot(0, chooser, [chooser] { chooser->reject(); });
    page.Check();
    QCOMPARE(host.Resets().back(), true);
  }

  // "Show this text" hands the viewer the positive terms only; "RTF Sample"
  // saves from the selected row on, skipping a text without terms.
  void viewerAndRtfSample() {
    TempTree t;
    const QString filters = t.WriteText(
        QStringLiteral("f.txt"), QStringLiteral("river\t1\t0\t\nflood*\t1\t0\t\nbank\t1\t0\tn\n"));
    t.WriteText("c/a.txt", Words(200, QStringLiteral("river floods river")));
    t.WriteText("c/b.txt", Words(200, QStringLiteral("river")));
    t.WriteText("c/c.txt", Words(200, QStringLiteral("bank")));
    TestPageHost host(TestPageHost::Runs::InPlace, TestPageHost::Viewer::Shared);
    RelevanceFilterList list;
    RelevancePage page(&host, &list, nullptr);
    page.filter_file_edit->setText(filters);
    CheckFolder(page, t.Path("c"));
    QCOMPARE(page.GridModel()->rowCount(), 3);  // c.txt scores 0 and is listed at minimum 0

    page.grid->selectRow(0);
    page.ShowCurrentText();
    TextViewerWindow* v = host.ShownViewer();
    QVERIFY(v);
    QCOMPARE(v->SearchList().Count(), 2);
    QCOMPARE(v->KeywordList()->count(), 2);
    QStringList listed;
    for (int i = 0; i < v->KeywordList()->count(); ++i) listed << v->KeywordList()->item(i)->text();
    QVERIFY(!listed.contains(QStringLiteral("bank")));
    QVERIFY(listed.contains(QStringLiteral("flood*")));
    QCOMPARE(v->CurrentShortFilename(), QStringLiteral("a.txt"));

    SampleRtfDialog* w = page.SampleRtfWindow();
    const QString out = t.Path("rtf");
    w->folder_edit->setText(out);
    page.grid->selectRow(1);
    QTimer::singleShot(0, w, [w] { w->ok_button->click(); });
    page.SaveRtfSample();
    QCOMPARE(w->choices.start_num, 1);
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/a.rtf")));
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/b.rtf")));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/c.rtf")));
    const QByteArray rtf = ReadAll(out + QStringLiteral("/b.rtf"));
    // The page writes what the command-line tool writes for the same run.
    RtfSampleChoice cli_choice = w->choices;
    cli_choice.folder = t.Path("cli-rtf");
    QCOMPARE(SaveRelevanceRtfSample(page.Scores(), list, cli_choice), 1);
    QCOMPARE(ReadAll(cli_choice.folder + QStringLiteral("/b.rtf")), rtf);
    QCOMPARE(host.Status(), QStringLiteral("1 RTF file saved in ") + out);

    // Copy puts the grid, headings first, on the clipboard.
    page.CopyList();
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY(copied.startsWith(LX("LXN") + QLatin1Char('\t') + LX("LXFilename")));
    QVERIFY(copied.contains(QStringLiteral("b.txt")));
  }

 private:
  ScriptedDialogs dialogs_;
};

QTEST_MAIN(RelevancePageTest)
#include "relevance_page_uitest.moc"
