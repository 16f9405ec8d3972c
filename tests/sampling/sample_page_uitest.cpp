#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "runtime/dialogs.h"
#include "runtime/panic.h"
#include "runtime/search_list.h"
#include "sampling/sample_grid_model.h"
#include "sampling/sample_page.h"
#include "sampling/sampling_test_support.h"
#include "support/test_support.h"
#include "ui_kit/text_viewer_window.h"

class SamplePageTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    script_ = std::make_unique<ScriptedDialogs>();
    SetDialogInterface(script_.get());
  }
  void cleanup() {
    SetDialogInterface(nullptr);
    global_panic_state = 0;
  }

  void folderSampleChecksItsFormAndEndsWithItsSummaryAndAStopKeepsTheOldSample() {
    TempTree t;
    for (int i = 1; i <= 8; ++i) t.Write(QStringLiteral("c/t%1.txt").arg(i), "x");
    t.MakeDir("empty");
    TestPageHost host;
    QStringList sample{QStringLiteral("kept until a run")};
    SamplePage page(&host, &sample);
    page.seed = 11u;
    page.resize(700, 400);
    page.show();
    // The run buttons show above the grid, with no inner page to switch to first.
    QVERIFY(page.findChildren<QTabWidget*>().isEmpty());
    for (const char* name :
         {"AdvGlowButtonRandomSampleFromFolder", "AdvGlowButtonRandomSampleFromList",
          "AdvGlowButtonZippedListOfSample"}) {
      auto* button = Find<QPushButton>(&page, name);
      QVERIFY2(button->isVisible(), name);
      QVERIFY2(button->text().contains(QLatin1Char('&')), name);  // an accelerator
      QVERIFY(button->mapTo(&page, QPoint(0, button->height())).y() <= page.Grid()->y());
    }
    QCOMPARE(host.start_controls.size(), std::size_t(3));
    QCOMPARE(page.GridModel()->rowCount(), 1);

    // No source folder: the form box asks for it; a missing one is named.
    auto* draw = Find<QPushButton>(&page, "AdvGlowButtonRandomSampleFromFolder");
    auto* folder = Find<QLineEdit>(&page, "MyOpenFolderDialogSampleSource");
    draw->click();
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FormNotFilled")});
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("Folder?")));
    QCOMPARE(script_->Shown()[0].help_context, 6060);
    script_->Clear();
    folder->setText(t.Path("gone"));
    draw->click();
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FailedToFind")});
    QCOMPARE(host.Summaries(), QStringList{QStringLiteral("Folder not found: ") + t.Path("gone")});
    QCOMPARE(sample, QStringList{QStringLiteral("kept until a run")});
    QCOMPARE(host.runs, 0);

    script_->Clear();
    folder->setText(t.Path("c"));
    Find<QSpinBox>(&page, "AdvSpinEditSample")->setValue(5);
    Find<QRadioButton>(&page, "RadioSamplePreference0")->setChecked(true);  // top quarter
    draw->click();
    QCOMPARE(sample, (QStringList{t.Path("c/t1.txt"), t.Path("c/t2.txt")}));
    QCOMPARE(host.Summaries().last(), QStringLiteral("Checked 8 files: 2 files in the sample"));
    QCOMPARE(page.GridModel()->index(0, 0).data().toString(), QStringLiteral("     1"));
    QVERIFY(page.Grid()->isEnabled());

    // Stop during the walk (folder seen in part): the old sample stays, the line says so.
    host.on_status = [](const QString&) { global_panic_state = 2; };
    Find<QRadioButton>(&page, "RadioSamplePreference3")->setChecked(true);
    draw->click();
    host.on_status = nullptr;
    global_panic_state = 0;  // as the window does at the start of each run
    QCOMPARE(sample, (QStringList{t.Path("c/t1.txt"), t.Path("c/t2.txt")}));
    QVERIFY(host.Summaries().last().startsWith(QStringLiteral("Stopped after ")));
    QVERIFY(script_->ShownNames().isEmpty());

    folder->setText(t.Path("empty"));
    draw->click();
    QVERIFY(sample.isEmpty());  // too few texts: said in a box
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("ReportedAFact")});
  }

  void listSampleShowsItsTextsAndPacksThemWithTheirSummaries() {
    TempTree t;
    const QString real = t.Write("texts/a.txt", "The river bank.\nA river runs past the bank.\n");
    const QString list = t.Write("list.txt", (real + "\tscore 9\n\n" + real + "\n").toUtf8());
    TermList terms;
    terms.LoadFromAStringlist({QStringLiteral("river"), QStringLiteral("bank\t1\t0\tn")}, true);
    TestPageHost host(TestPageHost::Runs::InPlace, TestPageHost::Viewer::Shared);
    QStringList sample;
    SamplePage page(&host, &sample, &terms);
    script_->QueueAnswer(mrNo);
    page.SampleFromListFile(list);
    QCOMPARE(sample.size(), 3);
    QCOMPARE(host.Summaries(),
             QStringList{QStringLiteral("Checked 3 lines: 3 entries in the sample")});

    // "Show this text" hands the positive term to the viewer, not the negative one.
    page.Grid()->setCurrentIndex(page.GridModel()->index(2, 1));
    page.ShowSelectedText();
    TextViewerWindow* viewer = host.ShownViewer();
    QVERIFY(viewer != nullptr);
    QCOMPARE(viewer->KeywordList()->count(), 1);
    QCOMPARE(viewer->KeywordList()->item(0)->text().section(QLatin1Char(' '), 0, 0),
             QStringLiteral("river"));

    script_->Clear();
    page.SampleFromListFile(t.Path("missing.txt"));
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FailedToRead")});
    QCOMPARE(host.Summaries().last(),
             QStringLiteral("Checked 0 lines: the list file could not be read"));
    QCOMPARE(sample.size(), 3);  // unchanged

    // The sample packs into a zipped text set; only the real file is added.
    script_->Clear();
    script_->QueueAnswer(mrYes);
    QString opened;
    page.OpenSavedFile = [&](const QString& p) { opened = p; };
    const QString zip = t.Path("set.zip");
    page.SaveZippedTextSet(zip);
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("SavedOKOpenNow")});
    QCOMPARE(opened, zip);
    QCOMPARE(host.Summaries().last(), QStringLiteral("Checked 3 entries: 1 text saved in ") + zip);
    QCOMPARE(host.Counts(),
             (std::vector<std::pair<long long, long long>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));

    // Saving again under that name asks first; Cancel leaves it as it was.
    const QByteArray first_archive = ReadAll(zip);
    script_->Clear();
    script_->QueueAnswer(mrCancel);
    page.SaveZippedTextSet(zip);
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("OKToDoX")});
    QCOMPARE(script_->Shown()[0].text, QStringLiteral("OK to replace ") + zip + QLatin1Char('?'));
    QCOMPARE(ReadAll(zip), first_archive);
  }

 private:
  std::unique_ptr<ScriptedDialogs> script_;
};

QTEST_MAIN(SamplePageTest)
#include "sample_page_uitest.moc"
