#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/sorvel_window.h"
#include "runtime/dialogs.h"
#include "runtime/settings.h"
#include "sampling/build_sub_corpora_page.h"
#include "sampling/sample_page.h"
#include "sampling/sampling_test_support.h"
#include "support/test_support.h"

class BuildSubCorporaPageTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    script_ = std::make_unique<ScriptedDialogs>();
    SetDialogInterface(script_.get());
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void delicacyListFollowsTheDefaultBase() {
    SuiteSettings s;
    s.time_line_plot_base = 5;
    SetCurrentSuiteSettings(s);
    TestPageHost host;
    BuildSubCorporaPage page(&host);
    auto* combo = Find<QComboBox>(&page, "AdvComboBoxDelicacy");
    QCOMPARE(combo->count(), 10);
    QCOMPARE(combo->itemText(3), QStringLiteral("decade"));
    QCOMPARE(combo->itemText(8), QStringLiteral("hour"));
    QCOMPARE(combo->itemText(9), QStringLiteral("user-defined"));
    QCOMPARE(combo->currentText(), QStringLiteral("month"));
    QCOMPARE(page.DelicacyValue(), 5);
    combo->setCurrentIndex(9);
    QCOMPARE(page.DelicacyValue(), 10);
    s.time_line_plot_base = 9;  // minutes are not offered: the last entry
    SetCurrentSuiteSettings(s);
    page.FillDelicacyList();
    QCOMPARE(combo->currentIndex(), 9);
    SetCurrentSuiteSettings(SuiteSettings{});
  }

  void formChecksAndCustomBases() {
    TempTree t;
    t.Write("src/a.txt", "a");
    TestPageHost host;
    BuildSubCorporaPage page(&host);
    Find<QPushButton>(&page, "AdvGlowButtonBuildSubCorpus")->click();
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FormNotFilled")});
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("Folders? Date?")));
    QCOMPARE(script_->Shown()[0].help_context, 6280);

    script_->Clear();
    Find<QLineEdit>(&page, "MyOpenFolderDialogSubCorporaSource")->setText(t.Path("src"));
    Find<QLineEdit>(&page, "MyOpenFolderDialogSubCorporaResults")->setText(t.Path("out"));
    Find<QComboBox>(&page, "AdvComboBoxDelicacy")->setCurrentIndex(0);
    Find<QPushButton>(&page, "AdvGlowButtonBuildSubCorpus")->click();
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("NotImplemented")});
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("custom")));
    QCOMPARE(page.BuildSubCorpora_Delicacy, 0);
    QVERIFY(!QFileInfo::exists(t.Path("out")));
    QCOMPARE(host.runs, 0);
  }

  void buildWritesPeriodFilesAndReportsTheCount() {
    TempTree t;
    const auto when = [](int y, int m, int d) {
      return QDateTime(QDate(y, m, d), QTime(10, 0), Qt::LocalTime).toSecsSinceEpoch();
    };
    t.Write("src/a.txt", "one\ntwo");
    t.SetMTime("src/a.txt", when(2003, 4, 9));
    t.Write("src/b.txt", "three");
    t.SetMTime("src/b.txt", when(2003, 4, 20));
    t.Write("src/c.txt", "four");
    t.SetMTime("src/c.txt", when(2004, 1, 1));
    TestPageHost host;
    BuildSubCorporaPage page(&host);
    int chosen = -1;
    connect(&page, &BuildSubCorporaPage::DelicacyChosen, this, [&](int o) { chosen = o; });
    page.resize(600, 300);
    page.show();
    Find<QLineEdit>(&page, "MyOpenFolderDialogSubCorporaSource")->setText(t.Path("src"));
    Find<QLineEdit>(&page, "MyOpenFolderDialogSubCorporaResults")->setText(t.Path("out"));
    Find<QComboBox>(&page, "myAdvFilterComboSubCorpus")->setCurrentIndex(1);
    Find<QComboBox>(&page, "AdvComboBoxDelicacy")->setCurrentIndex(5);
    Find<QPushButton>(&page, "AdvGlowButtonBuildSubCorpus")->click();
    QVERIFY(script_->ShownNames().isEmpty());
    QCOMPARE(chosen, 5);
    QCOMPARE(page.LastFilesSaved(), 2);
    QCOMPARE(host.Status(), QStringLiteral("2 files saved"));
    QVERIFY(!host.stop_shown);
    QCOMPARE(QDir(t.Path("out/month")).entryList(QDir::Files),
             (QStringList{"2003_04.txt", "2004_01.txt"}));
    QVERIFY(page.grab().save(QDir::tempPath() + QStringLiteral("/sorvel_subcorpora_page.png")));
  }

  // Both pages inside the main window, with its worker thread.
  void pagesWorkInTheMainWindow() {
    TempTree t;
    t.Write("src/a.txt", "one\ntwo");
    t.SetMTime("src/a.txt",
               QDateTime(QDate(1999, 12, 31), QTime(23, 0), Qt::LocalTime).toSecsSinceEpoch());
    MainWindow w;
    w.show();
    auto* build = w.AdvOfficePageBuildSubCorpora;
    QCOMPARE(Find<QComboBox>(build, "AdvComboBoxDelicacy")->count(), 10);
    Find<QLineEdit>(build, "MyOpenFolderDialogSubCorporaSource")->setText(t.Path("src"));
    Find<QLineEdit>(build, "MyOpenFolderDialogSubCorporaResults")->setText(t.Path("out"));
    Find<QComboBox>(build, "AdvComboBoxDelicacy")->setCurrentIndex(3);
    Find<QPushButton>(build, "AdvGlowButtonBuildSubCorpus")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.ToolRunning(), 20000);
    QCOMPARE(w.BuildSubCorpora_Delicacy, 3);
    QTRY_VERIFY(QFileInfo::exists(t.Path("out/decade/1990-1999.txt")));

    auto* sample = w.AdvOfficePageSample;
    Find<QLineEdit>(sample, "MyOpenFolderDialogSampleSource")->setText(t.Path("src"));
    Find<QPushButton>(sample, "AdvGlowButtonRandomSampleFromFolder")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.ToolRunning(), 20000);
    QTRY_COMPARE(w.SampleFileslist, QStringList{t.Path("src/a.txt")});
    w.AdvOfficePager1->setCurrentWidget(sample);
    QVERIFY(w.grab().save(QDir::tempPath() + QStringLiteral("/sorvel_window_sample.png")));
    QCOMPARE(w.ActivePageHelpContext(), 6060);
  }

 private:
  std::unique_ptr<ScriptedDialogs> script_;
};

QTEST_MAIN(BuildSubCorporaPageTest)
#include "build_sub_corpora_page_uitest.moc"
