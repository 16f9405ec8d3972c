#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "app/sorvel_window.h"
#include "runtime/dialogs.h"
#include "runtime/settings.h"
#include "sampling/build_sub_corpora_page.h"
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

  void delicacyListOffersOnlyBasesThatWriteFiles() {
    SuiteSettings s;
    s.time_line_plot_base = 5;
    SetCurrentSuiteSettings(s);
    TestPageHost host;
    BuildSubCorporaPage page(&host);
    auto* combo = Find<QComboBox>(&page, "AdvComboBoxDelicacy");
    QStringList offered;
    for (int i = 0; i < combo->count(); ++i) offered << combo->itemText(i);
    QCOMPARE(offered, (QStringList{"decade", "year", "month", "week", "day", "hour"}));
    QCOMPARE(combo->currentText(), QStringLiteral("month"));
    QCOMPARE(page.DelicacyValue(), 5);
    // A default the list does not offer selects the nearest entry: minutes
    // the hour, centuries the decade, a custom base the year.
    for (auto [base, shown] : {std::pair{9, "hour"}, {2, "decade"}, {0, "year"}, {10, "year"}}) {
      s.time_line_plot_base = base;
      SetCurrentSuiteSettings(s);
      page.FillDelicacyList();
      QCOMPARE(combo->currentText(), QString::fromLatin1(shown));
    }
    SetCurrentSuiteSettings(SuiteSettings{});
  }

  void buildChecksItsFormEndsWithItsSummaryListsItsFilesAndOffersTheFolder() {
    TempTree t;
    for (const auto& [name, day] : {std::pair{"src/a.txt", QDate(2003, 4, 9)},
                                    {"src/b.txt", QDate(2003, 4, 20)},
                                    {"src/c.txt", QDate(2004, 1, 1)}}) {
      t.Write(name, "text");
      t.SetMTime(name, QDateTime(day, QTime(10, 0), Qt::LocalTime).toSecsSinceEpoch());
    }
    t.Write("src/d.xml", "<x/>");
    TestPageHost host;
    BuildSubCorporaPage page(&host);
    QString opened;
    page.OpenFolder = [&](const QString& folder) { opened = folder; };
    auto* build = Find<QPushButton>(&page, "AdvGlowButtonBuildSubCorpus");
    build->click();
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FormNotFilled")});
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("Folders? Date?")));
    QCOMPARE(script_->Shown()[0].help_context, 6280);
    // A sub-folder of the head that is not there is named before anything
    // is created.
    script_->Clear();
    auto* source = Find<QLineEdit>(&page, "MyOpenFolderDialogSubCorporaSource");
    source->setText(t.Path("src") + QStringLiteral(";gone"));
    Find<QLineEdit>(&page, "MyOpenFolderDialogSubCorporaResults")->setText(t.Path("out"));
    build->click();
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("FailedToFind")});
    QCOMPARE(host.Summaries(),
             QStringList{QStringLiteral("Folder not found: ") + t.Path("src/gone")});
    QVERIFY(!QFileInfo::exists(t.Path("out")));
    QCOMPARE(host.runs, 0);

    script_->Clear();
    source->setText(t.Path("src"));
    Find<QComboBox>(&page, "myAdvFilterComboSubCorpus")->setCurrentIndex(1);
    Find<QComboBox>(&page, "AdvComboBoxDelicacy")->setCurrentText(QStringLiteral("month"));
    script_->QueueAnswer(mrYes);
    build->click();
    QCOMPARE(host.Summaries().last(),
             QStringLiteral("Checked 3 files: 2 sub-corpus files written"));
    using Count = std::pair<long long, long long>;
    QCOMPARE(host.Counts(), (std::vector<Count>{{0, 3}, {3, 3}}));  // the .xml file is no text
    // The page lists the files it wrote, with the texts in each.
    QTableWidget* files = page.FilesTable();
    QCOMPARE(files->rowCount(), 2);
    QCOMPARE(files->item(0, 0)->text(), t.Path("out/month/2003_04.txt"));
    QCOMPARE(files->item(0, 1)->text(), QStringLiteral("2"));
    QCOMPARE(script_->ShownNames(), QStringList{QStringLiteral("SavedOKOpenNow")});
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("2 sub-corpus files in ") +
                                              t.Path("out/month")));
    QCOMPARE(opened, t.Path("out/month"));

    // One file, and No to the offer: "1 sub-corpus file", nothing opened.
    script_->Clear();
    opened.clear();
    Find<QComboBox>(&page, "AdvComboBoxDelicacy")->setCurrentText(QStringLiteral("decade"));
    build->click();
    QCOMPARE(script_->Shown().size(), std::size_t(1));
    QVERIFY(script_->Shown()[0].text.contains(QStringLiteral("1 sub-corpus file in ")));
    QVERIFY(opened.isEmpty());
  }

  // The page inside the main window, with its worker thread.
  void pageWorksInTheMainWindow() {
    TempTree t;
    t.Write("src/a.txt", "one\ntwo");
    t.SetMTime("src/a.txt",
               QDateTime(QDate(1999, 12, 31), QTime(23, 0), Qt::LocalTime).toSecsSinceEpoch());
    MainWindow w;
    w.show();
    auto* build = w.sub_corpora_tab;
    Find<QLineEdit>(build, "MyOpenFolderDialogSubCorporaSource")->setText(t.Path("src"));
    Find<QLineEdit>(build, "MyOpenFolderDialogSubCorporaResults")->setText(t.Path("out"));
    Find<QComboBox>(build, "AdvComboBoxDelicacy")->setCurrentText(QStringLiteral("decade"));
    Find<QPushButton>(build, "AdvGlowButtonBuildSubCorpus")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.ToolRunning(), 20000);
    QCOMPARE(w.sub_corpora_delicacy, 3);
    QTRY_VERIFY(QFileInfo::exists(t.Path("out/decade/1990-1999.txt")));
  }

 private:
  std::unique_ptr<ScriptedDialogs> script_;
};

QTEST_MAIN(BuildSubCorporaPageTest)
#include "build_sub_corpora_page_uitest.moc"
