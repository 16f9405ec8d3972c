// The main window as a user meets it: the pager, the status bar, running a
// tool on a worker, Stop, Help routing, folder fields, the
// window's size and the preferences.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <atomic>
#include <memory>

#include "app/preferences_dialog.h"
#include "app/sorvel_window.h"
#include "runtime/dialogs.h"
#include "runtime/panic.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"
#include "sampling/sample_page.h"
#include "support/test_support.h"
#include "ui_kit/folder_field_gui.h"
#include "ui_kit/help_browser_window.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/text_viewer_window.h"

namespace {
QList<QUrl> g_opened;

// Points the program at a settings file of its own in a fresh folder for
// one test, and back at the test program's after it.
class OwnSettingsFile {
 public:
  OwnSettingsFile() : before_(qgetenv("SORVEL_SETTINGS")) {
    qputenv("SORVEL_SETTINGS", Path().toLocal8Bit());
    ReloadSuiteSettings();
  }
  ~OwnSettingsFile() {
    qputenv("SORVEL_SETTINGS", before_);
    ReloadSuiteSettings();
  }
  QString Path() const { return dir.filePath(QStringLiteral("lexivor.ini")); }
  QTemporaryDir dir;

 private:
  QByteArray before_;
};

// Help from the help pages of the source tree.
void UseHelpFromSourceTree() {
  SuiteSettings s = CurrentSuiteSettings();
  s.help_mode = 0;
  s.help_file = QStringLiteral(SORVEL_SOURCE_DIR "/help");
  SetCurrentSuiteSettings(s);
}
// The duplicate-names page's first or second folder field.
QLineEdit* NamesField(MainWindow& w, int n) {
  return w.dup_names_tab->findChild<QLineEdit*>(
      QStringLiteral("ElFolderNameEditDuplicates%1Edit").arg(n));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { UseScratchSettings(); }
  void init() {
    HelpRouter::SetUrlOpener([](const QUrl& u) {
      g_opened << u;
      return true;
    });
    g_opened.clear();
    global_panic_state = 0;
    UseHelpFromSourceTree();
  }

  void OpensIdleThenRunsAToolOnAWorkerAndStops() {
    MainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Sorvel"));
    QVERIFY(w.centralWidget()->width() >= 727);
    QCOMPARE(HelpContextOf(&w), 5150);
    // Each page's help topic is the F1 test's.
    const QStringList captions = {"Corruption",       "Duplicate Names", "Duplicate Contents",
                                  "Boilerplate text", "Relevance",       "Corpus Sampler",
                                  "Build Sub-corpora"};
    QStringList shown;
    for (int i = 0; i < w.pager->count(); ++i) shown << w.pager->tabText(i);
    QCOMPARE(shown, captions);
    QCOMPARE(w.pager->currentIndex(), 2);
    // Idle: Stop in its place but not to be pressed, Help there, bars blank.
    QVERIFY(w.status_bar->Panel(8)->isVisible() && !w.status_bar->StopEnabled());
    QVERIFY(w.status_bar->Panel(9)->isVisible());
    QCOMPARE(w.status_bar->Panel(8)->property("text").toString(), QStringLiteral("Stop"));
    QVERIFY(!w.status_bar->BarShown(2) && !w.status_bar->BarShown(3));

    // A run on a worker.
    w.pager->setCurrentWidget(w.corruption_tab);
    const QPoint help_at = w.status_bar->Panel(9)->pos();
    QPushButton start_a(QStringLiteral("Start"), w.corruption_tab);
    QPushButton start_b(QStringLiteral("Start"), w.boilerplate_tab);
    w.RegisterStartControl(&start_a);
    w.RegisterStartControl(&start_b);
    std::atomic<bool> stop_seen{false};
    w.AddStopHandler([&] { stop_seen = true; });

    std::atomic<bool> on_other_thread{false};
    std::atomic<int> steps{0};
    bool done_ok = false, done_called = false, done_on_window_thread = false;
    const bool started = w.RunTool(
        QStringLiteral("test"),
        [&] {
          on_other_thread = QThread::currentThread() != qApp->thread();
          w.ResetProgress(false);
          w.ShowStatusText(QStringLiteral("reading a.txt"));
          w.ShowCountOutOf(3, 1200);
          for (int i = 0; i <= 100 && !stop_seen; ++i) {
            w.SetOverallProgress(i % 50);
            w.SetSecondProgress(40);
            ++steps;
            QThread::msleep(5);
          }
        },
        [&](bool ok) {
          w.ShowRunSummary(QStringLiteral("Stopped after 3 of 1,200 files"));
          done_called = true;
          done_ok = ok;
          done_on_window_thread = QThread::currentThread() == qApp->thread();
        });
    QVERIFY(started && w.ToolRunning());
    QVERIFY(!start_a.isEnabled() && !start_b.isEnabled());
    QVERIFY(w.status_bar->StopEnabled());
    QVERIFY(w.status_bar->BarShown(2) && w.status_bar->BarShown(3));
    QCOMPARE(w.status_bar->Panel(9)->pos(), help_at);  // Stop and the bars push nothing aside
    // A second tool cannot start while one runs.
    QVERIFY(!w.RunTool(
        QStringLiteral("second"), [] {}, [](bool) {}));
    // The window thread stays free: the worker's reports arrive while it runs.
    QTRY_VERIFY(steps > 3);
    QTRY_COMPARE(w.status_bar->PanelBar(3), 40);
    // The overall bar says how far, the count out of the total; the status
    // line keeps what the page said.
    QTRY_VERIFY2(
        w.status_bar->Bar(2)->text().contains(QStringLiteral("3 of ") + QLocale().toString(1200)),
        qPrintable(w.status_bar->Bar(2)->text()));
    QCOMPARE(w.status_bar->PanelText(10), QStringLiteral("reading a.txt"));
    // Another page shows its own status line, not the running page's.
    w.pager->setCurrentWidget(w.boilerplate_tab);
    QVERIFY(w.status_bar->PanelText(10).isEmpty());
    // Stop on the status bar: panic state 2 and the page's stop handler.
    Q_EMIT w.status_bar->PanelClick(8);
    QCOMPARE(int(global_panic_state), 2);
    QVERIFY(stop_seen);
    QTRY_VERIFY(done_called);
    QVERIFY(steps < 101);
    QVERIFY(done_ok && done_on_window_thread && on_other_thread);
    QVERIFY(!w.ToolRunning() && !w.status_bar->StopVisible());
    QVERIFY(start_a.isEnabled() && start_b.isEnabled());
    // The run's closing line went to the page that ran it, though another
    // page was on show when it came.
    QVERIFY(w.status_bar->PanelText(10).isEmpty());
    w.pager->setCurrentWidget(w.corruption_tab);
    QCOMPARE(w.status_bar->PanelText(10), QStringLiteral("Stopped after 3 of 1,200 files"));
    // A new run starts with the panic state cleared.
    QVERIFY(w.RunTool(
        QStringLiteral("again"), [] {}, [](bool) {}));
    QCOMPARE(int(global_panic_state), 0);
    QTRY_VERIFY(!w.ToolRunning());

    // After a reset every change of a bar shows, and after the next reset
    // the same value again.
    w.ResetProgress(true);
    QVERIFY(w.SetOverallProgress(31) && !w.SetOverallProgress(31));
    QCOMPARE(w.status_bar->Bar(2)->text(), QStringLiteral("31%"));
    w.ResetProgress(true);
    QVERIFY(w.status_bar->Bar(2)->text().isEmpty());
    QVERIFY(w.SetOverallProgress(31));
  }

  void F1TheHelpPanelAndTheContextMenuReachEveryTopic() {
    MainWindow w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QList<int> topics = {5140, 4170, 6020, 6030, 6040, 6060, 6280};
    for (int i = 0; i < w.pager->count(); ++i) {
      w.pager->setCurrentIndex(i);
      // The key goes to a control inside the page, as when the user types.
      QWidget* page = w.pager->currentWidget();
      QWidget* inside = page->findChildren<QWidget*>().value(0, page);
      inside->setFocus();
      g_opened.clear();
      QTest::keyClick(inside, Qt::Key_F1);
      Q_EMIT w.status_bar->PanelClick(9);
      const QUrl topic = QUrl::fromLocalFile(
          QStringLiteral(SORVEL_SOURCE_DIR "/help/topic-%1.html").arg(topics[i]));
      QCOMPARE(g_opened, QList<QUrl>({topic, topic}));
    }
    // The viewer has a topic of its own.
    TextViewerWindow* viewer = w.SharedViewer();
    viewer->show();
    viewer->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(viewer));
    g_opened.clear();
    QTest::keyClick(viewer->TextEdit(), Qt::Key_F1);
    QCOMPARE(g_opened.size(), 1);
    QVERIFY(g_opened[0].toLocalFile().endsWith(QStringLiteral("/topic-viewer.html")));

    // A page with inner pages gives the topic of the inner page on show. The
    // real sampler page (both inner pages 6060) steps aside for this one.
    w.pager->setCurrentWidget(w.sample_tab);
    if (w.sample_page) w.sample_page->hide();
    auto* inner = new QTabWidget(w.sample_tab);
    for (int context : {6060, 6061}) {
      auto* tab = new QWidget;
      SetHelpContext(tab, context);
      inner->addTab(tab, QString::number(context));
    }
    w.InstallPage(w.sample_tab, inner);
    inner->setCurrentIndex(1);
    QCOMPARE(w.ActivePageHelpContext(), 6061);

    // The right-click menu takes the clicked control's context, which for a
    // control of no context of its own is its page's.
    HelpRouter* dm = HelpRouter::Instance();
    auto* label = new QLabel(QStringLiteral("x"), new QWidget(w.boilerplate_tab));
    w.pager->setCurrentWidget(w.boilerplate_tab);
    QTest::qWait(10);
    Q_EMIT w.customContextMenuRequested(label->mapTo(&w, QPoint(2, 2)));
    QCOMPARE(dm->context_help_action->text(), QStringLiteral("context help"));
    QCOMPARE(dm->context_help_action->data().toInt(), 6030);
    dm->context_help_menu->hide();
    g_opened.clear();
    dm->context_help_action->trigger();
    QCOMPARE(g_opened.size(), 1);
    QVERIFY(g_opened[0].toLocalFile().endsWith(QStringLiteral("/topic-6030.html")));

    // No browser: the topic shows in the built-in help window instead.
    HelpRouter::SetUrlOpener([](const QUrl&) { return false; });
    w.ShowHelpTopic(6040);
    HelpBrowserWindow* built_in = HelpRouter::Instance()->BuiltInWindow();
    QVERIFY(built_in && built_in->isVisible());
    QVERIFY(
        built_in->Browser()->source().toLocalFile().endsWith(QStringLiteral("/topic-6040.html")));
    built_in->close();
  }

  void FolderFieldsTakeDropsStartOnReturnAndRemember() {
    OwnSettingsFile settings;
    const QString folder = QDir::toNativeSeparators(settings.dir.path());
    QSize closed_size;
    {
      MainWindow w;
      w.show();
      // Two folder fields with their own Start buttons on one page, as the
      // pages build them: Return presses the field's own button, when it is
      // enabled.
      auto* page = w.sub_corpora_tab;
      QLineEdit* fields[2];
      QPushButton* starts[2];
      std::unique_ptr<QSignalSpy> clicks[2];
      for (int i = 0; i < 2; ++i) {
        auto* box = new QWidget(page);
        fields[i] = new QLineEdit(box);
        fields[i]->setObjectName(QStringLiteral("ElFolderNameEdit%1").arg(i));
        starts[i] = new QPushButton(QStringLiteral("Go"), box);
        w.RegisterStartControl(starts[i]);
        clicks[i] = std::make_unique<QSignalSpy>(starts[i], &QPushButton::clicked);
      }
      w.Folders()->Attach(page);
      QTest::keyClick(fields[1], Qt::Key_Return);
      starts[0]->setEnabled(false);
      QTest::keyClick(fields[0], Qt::Key_Return);
      QCOMPARE(clicks[0]->count(), 0);
      QCOMPARE(clicks[1]->count(), 1);

      // On every page, Return in each folder field presses that page's Start
      // once: one press, and at most one box, per key. A missing folder keeps
      // the runs short.
      ScriptedDialogs answers;
      SetDialogInterface(&answers);
      int fields_seen = 0;
      for (int i = 0; i < w.pager->count(); ++i) {
        QWidget* page = w.pager->widget(i);
        const QList<QPushButton*> buttons = page->findChildren<QPushButton*>();
        for (QLineEdit* field : w.Folders()->Fields()) {
          if (!page->isAncestorOf(field) || !field->isEnabled()) continue;
          ++fields_seen;
          field->setText(settings.dir.filePath(QStringLiteral("no such folder")));
          std::vector<std::unique_ptr<QSignalSpy>> clicks;
          for (QPushButton* b : buttons)
            clicks.push_back(std::make_unique<QSignalSpy>(b, &QPushButton::clicked));
          answers.Clear();
          QTest::keyClick(field, Qt::Key_Return);
          QTRY_VERIFY(!w.ToolRunning());
          QCoreApplication::processEvents();
          int pressed = 0;
          for (const auto& spy : clicks) pressed += static_cast<int>(spy->count());
          const QString where = w.pager->tabText(i) + QStringLiteral(": ") + field->objectName();
          QVERIFY2(pressed == 1, qPrintable(where + QStringLiteral(" pressed %1").arg(pressed)));
          QVERIFY2(answers.Shown().size() <= 1, qPrintable(where + QStringLiteral(" boxes: ") +
                                                           answers.ShownNames().join(u',')));
        }
      }
      QVERIFY(fields_seen >= 7);
      SetDialogInterface(nullptr);

      // A dropped file is refused; a dropped folder fills the field.
      QFile(settings.Path()).open(QIODevice::Append);
      for (const QString& dropped : {settings.Path(), settings.dir.path()}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dropped)});
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(fields[0], &enter);
        QCOMPARE(enter.isAccepted(), QFileInfo(dropped).isDir());
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(fields[0], &drop);
      }
      QCOMPARE(fields[0]->text(), folder);
      NamesField(w, 1)->setText(folder);
      w.resize(w.width() - 37, w.height() - 21);
      closed_size = w.size();
      w.close();
    }
    // The next run finds the folders again, each in its own field, and opens
    // at the size the window was closed at. (Fitting the screen and showing
    // every tab whole are the scaled-window test's.)
    MainWindow w;
    QCOMPARE(w.size(), closed_size);
    QCOMPARE(NamesField(w, 1)->text(), folder);
    QVERIFY(NamesField(w, 2)->text().isEmpty());
  }

  void PreferencesStoreHowTextsAreRead() {
    OwnSettingsFile settings;
    const auto stored = [&](const char* key) {
      return QSettings(settings.Path(), QSettings::IniFormat)
          .value(QStringLiteral("suite/") + QLatin1String(key))
          .toString();
    };
    {
      PreferencesDialog d;
      // A code page the system does not know cannot be chosen.
      d.CodePageButton()->setChecked(true);
      d.CodePageBox()->setCurrentText(QStringLiteral("klingon-1"));
      QVERIFY(!d.Buttons()->button(QDialogButtonBox::Ok)->isEnabled());
      d.CodePageBox()->setCurrentText(QStringLiteral("ISO-8859-15"));
      QVERIFY(d.Buttons()->button(QDialogButtonBox::Ok)->isEnabled());
      d.accept();
    }
    // Stored in the settings file and in force at once.
    QCOMPARE(TextDecoding(), QStringLiteral("ISO-8859-15"));
    QCOMPARE(stored("text_encoding"), QStringLiteral("ISO-8859-15"));
    {
      PreferencesDialog d;
      QVERIFY(d.CodePageButton()->isChecked());
      d.AutoButton()->setChecked(true);
      d.CodePageBox()->setCurrentText(QStringLiteral("KOI8-R"));
      d.accept();
    }
    QCOMPARE(TextDecoding(), QStringLiteral("auto"));
    QCOMPARE(AnsiCodePage(), QStringLiteral("KOI8-R"));
    QCOMPARE(stored("ansi_code_page"), QStringLiteral("KOI8-R"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_uitest.moc"
