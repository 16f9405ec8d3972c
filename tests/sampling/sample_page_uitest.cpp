#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "sampling/sample_grid_model.h"
#include "sampling/sample_page.h"
#include "sampling/sampling_test_support.h"
#include "support/test_support.h"

class SamplePageTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    script_ = std::make_unique<ScriptedDialogs>();
    SetDialogInterface(script_.get());
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void defaultsAndEmptyFolder() {
    TestPageHost host;
    QStringList sample{QStringLiteral("kept until a run")};
    SamplePage page(&host, &sample);
    QCOMPARE(Find<QSpinBox>(&page, "AdvSpinEditSample")->value(), 100);
    QCOMPARE(Find<QComboBox>(&page, "myAdvFilterComboSample")->currentText(),
             QStringLiteral("All files (*.*)"));
    QCOMPARE(Find<QComboBox>(&page, "myAdvFilterComboSample")->count(), 3);
    QCOMPARE(page.SamplePreference(), spAnywhere);  // no radio item chosen
    auto* pager = page.InnerPager();
    QCOMPARE(pager->currentIndex(), 0);
    QCOMPARE(pager->tabText(0), QStringLiteral("Sample settings"));
    QCOMPARE(pager->tabText(1), QStringLiteral("Actions"));
    QCOMPARE(host.start_controls.size(), std::size_t(3));
    QCOMPARE(page.GridModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("N"));
    QCOMPARE(page.GridModel()->rowCount(), 1);

    // No source folder: the settings page comes to the front and the form
    // box names the folder; the sample stays.
    pager->setCurrentIndex(1);
    Find<QPushButton>(&page, "AdvGlowButtonRandomSampleFromFolder")->click();
    QCOMPARE(pager->currentIndex(), 0);
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FormNotFilled")});
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("Folder?")));
    QCOMPARE(script_->Shown()[0].help_context, 6060);
    QCOMPARE(sample, QStringList{QStringLiteral("kept until a run")});
    QCOMPARE(host.runs, 0);
  }

  void folderSampleFillsTheGridAndTooFewIsReported() {
    TempTree t;
    for (int i = 1; i <= 8; ++i) t.Write(QStringLiteral("c/t%1.txt").arg(i), "x");
    t.Write("c/FILTERS/skip.txt", "x");
    t.MakeDir("empty");
    TestPageHost host;
    QStringList sample;
    SamplePage page(&host, &sample);
    page.seed = 11u;
    page.resize(700, 400);
    page.show();
    Find<QLineEdit>(&page, "MyOpenFolderDialogSampleSource")->setText(t.Path("c"));
    Find<QSpinBox>(&page, "AdvSpinEditSample")->setValue(5);
    Find<QRadioButton>(&page, "RadioSamplePreference0")->setChecked(true);  // top quarter
    QCOMPARE(page.SamplePreference(), spTopQuarter);
    Find<QPushButton>(&page, "AdvGlowButtonRandomSampleFromFolder")->click();
    // The top quarter of 8 sorted files is t1, t2.
    QCOMPARE(sample, (QStringList{t.Path("c/t1.txt"), t.Path("c/t2.txt")}));
    QCOMPARE(page.GridModel()->rowCount(), 2);
    QCOMPARE(page.GridModel()->index(0, 0).data().toString(), QStringLiteral("     1"));
    QCOMPARE(page.GridModel()->index(1, 1).data().toString(), t.Path("c/t2.txt"));
    QVERIFY(page.Grid()->isEnabled());
    QVERIFY(script_->ShownNames().isEmpty());

    QStringList shown_paths;
    page.ShowText = [&](const QString& p, const QStringList&) { shown_paths << p; };
    page.Grid()->setCurrentIndex(page.GridModel()->index(1, 1));
    QCOMPARE(page.SelectedSampleFile(), t.Path("c/t2.txt"));
    page.Showthistext1Click();
    QCOMPARE(shown_paths, QStringList{t.Path("c/t2.txt")});
    QVERIFY(page.AllText().startsWith(LX("LXN") + QLatin1Char('\t') + LX("LXFilename") +
                                      QStringLiteral("\r\n1\t") + t.Path("c/t1.txt")));

    QVERIFY(page.grab().save(QDir::tempPath() + QStringLiteral("/sorvel_sample_page.png")));

    Find<QLineEdit>(&page, "MyOpenFolderDialogSampleSource")->setText(t.Path("empty"));
    Find<QPushButton>(&page, "AdvGlowButtonRandomSampleFromFolder")->click();
    QVERIFY(sample.isEmpty());
    QCOMPARE(page.GridModel()->rowCount(), 0);
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("ReportedAFact")});
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("Too few text files")));
  }

  void listWithNoKeepsEverythingAndTabEntriesAreNotShown() {
    TempTree t;
    const QString real = t.Write("texts/a.txt", "alpha");
    const QString list = t.Write("list.txt", (real + "\tscore 9\n\n" + real + "\n").toUtf8());
    TestPageHost host;
    QStringList sample;
    SamplePage page(&host, &sample);
    QStringList shown_paths;
    page.ShowText = [&](const QString& p, const QStringList&) { shown_paths << p; };
    script_->QueueAnswer(mrNo);
    page.RandomSampleFromListFile(list);
    QCOMPARE(sample, (QStringList{real + QStringLiteral("\tscore 9"), QString(), real}));
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("DoYouWantToDoX")});
    QCOMPARE(page.GridModel()->index(0, 1).data().toString(), real + QStringLiteral("\tscore 9"));
    page.Grid()->setCurrentIndex(page.GridModel()->index(0, 1));
    page.Showthistext1Click();
    QVERIFY(shown_paths.isEmpty());  // no file of that name
    page.Grid()->setCurrentIndex(page.GridModel()->index(2, 1));
    page.Showthistext1Click();
    QCOMPARE(shown_paths, QStringList{real});

    script_->Clear();
    page.RandomSampleFromListFile(t.Path("missing.txt"));
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FailedToRead")});
    QCOMPARE(sample.size(), 3);  // unchanged

    // The sample, tab entry included, packs into a zipped text set.
    script_->Clear();
    script_->QueueAnswer(mrYes);
    QString opened;
    page.OpenSavedFile = [&](const QString& p) { opened = p; };
    const QString zip = t.Path("out/set.zip");
    QDir().mkpath(t.Path("out"));
    page.SaveZippedTextSet(zip);
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("SavedOKOpenNow")});
    QCOMPARE(opened, zip);
    QVERIFY(QFileInfo(zip).size() > 0);

    // Saving again under that name asks first; Cancel leaves it as it was.
    const QByteArray first_archive = ReadAll(zip);
    script_->Clear();
    script_->QueueAnswer(mrCancel);
    page.SaveZippedTextSet(zip);
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("OKToDoX")});
    QCOMPARE(ReadAll(zip), first_archive);
    script_->Clear();
    script_->QueueAnswer(mrOK);
    script_->QueueAnswer(mrNo);
    page.SaveZippedTextSet(zip);
    QCOMPARE(script_->ShownNames(),
             (QStringList{QStringLiteral("OKToDoX"), QStringLiteral("SavedOKOpenNow")}));
  }

 private:
  std::unique_ptr<ScriptedDialogs> script_;
};

QTEST_MAIN(SamplePageTest)
#include "sample_page_uitest.moc"
