// The main window as a user meets it: the pager, the status bar, running a
// tool on a worker, Stop, Help routing, the controller link and message boxes.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrlQuery>
#include <atomic>
#include <memory>
#include <thread>

#include "app/preferences_dialog.h"
#include "app/sorvel_window.h"
#include "crash/crash_reporter_gui.h"
#include "runtime/controller_link.h"
#include "runtime/dialogs.h"
#include "runtime/panic.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"
#include "sampling/sample_page.h"
#include "support/test_support.h"
#include "ui_kit/folder_field_gui.h"
#include "ui_kit/help_browser_window.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/message_dialogs_gui.h"
#include "ui_kit/text_viewer_window.h"

namespace {
QList<QUrl> g_opened;

QByteArray ReadAllOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void UseHelpMode(int mode) {
  SuiteSettings s = CurrentSuiteSettings();
  s.help_mode = mode;
  s.help_file.clear();
  s.online_help_base = QStringLiteral("https://help.example.org/sorvel/");
  SetCurrentSuiteSettings(s);
}
}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() {
    UseScratchSettings();
    HelpRouter::SetUrlOpener([](const QUrl& u) {
      g_opened << u;
      return true;
    });
  }
  void init() {
    g_opened.clear();
    global_panic_state = 0;
    UseHelpMode(0);
  }

  void OpensOnDuplicateContentsWithSevenPagesInOrder() {
    MainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Sorvel"));
    QVERIFY(w.centralWidget()->width() >= 727);
    QCOMPARE(HelpContextOf(&w), 5150);
    const QStringList captions = {"Corruption",       "Duplicate Names", "Duplicate Contents",
                                  "Boilerplate text", "Relevance",       "Corpus Sampler",
                                  "Build Sub-corpora"};
    const QStringList names = {"AdvOfficePageCorruption",        "AdvOfficePageDuplicateNames",
                               "AdvOfficePageDuplicateContents", "AdvOfficePageBoiler",
                               "AdvOfficePageRelevance",         "AdvOfficePageSample",
                               "AdvOfficePageBuildSubCorpora"};
    const QList<int> contexts = {5140, 4170, 6020, 6030, 6040, 6060, 6280};
    QCOMPARE(w.pager->count(), 7);
    for (int i = 0; i < 7; ++i) {
      QCOMPARE(w.pager->tabText(i), captions[i]);
      QCOMPARE(w.pager->widget(i)->objectName(), names[i]);
      QCOMPARE(HelpContextOf(w.pager->widget(i)), contexts[i]);
    }
    QCOMPARE(w.pager->currentWidget()->objectName(),
             QStringLiteral("AdvOfficePageDuplicateContents"));
    // Idle: bars at 0 and blank, Stop in its place but not to be pressed,
    // Help there.
    QVERIFY(w.status_bar->Panel(8)->isVisible());
    QVERIFY(!w.status_bar->StopEnabled());
    QCOMPARE(w.status_bar->Panel(8)->property("text").toString(), QStringLiteral("Stop"));
    QVERIFY(w.status_bar->Panel(9)->isVisible());
    QCOMPARE(w.status_bar->PanelBar(2), 0);
    QVERIFY(!w.status_bar->BarShown(2) && !w.status_bar->BarShown(3));
  }

  void RunToolOnWorkerDisablesStartsAndStops() {
    MainWindow w;
    w.show();
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
    bool done_ok = false;
    bool done_called = false;
    bool done_on_window_thread = false;
    const bool started = w.RunTool(
        QStringLiteral("test"),
        [&] {
          on_other_thread = QThread::currentThread() != qApp->thread();
          w.ResetProgress(false);
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
    QVERIFY(started);
    QVERIFY(w.ToolRunning());
    QVERIFY(!start_a.isEnabled());
    QVERIFY(!start_b.isEnabled());
    QVERIFY(w.status_bar->StopEnabled());
    QVERIFY(w.status_bar->BarShown(2) && w.status_bar->BarShown(3));
    QCOMPARE(w.status_bar->Panel(9)->pos(), help_at);  // Stop and the bars push nothing aside
    // A second tool cannot start while one runs.
    QVERIFY(!w.RunTool(
        QStringLiteral("second"), [] {}, [](bool) {}));
    // The window thread stays free: the worker's reports arrive while it runs.
    QTRY_VERIFY(steps > 3);
    QTRY_COMPARE(w.status_bar->PanelBar(3), 40);
    QTRY_VERIFY(w.status_bar->PanelText(10).contains(QStringLiteral("1,200")) ||
                w.status_bar->PanelText(10).contains(QStringLiteral("1200")));
    QVERIFY(w.status_bar->PanelText(10).startsWith(QLatin1Char('3')));
    // The overall bar says how far: the count out of the total.
    QVERIFY2(
        w.status_bar->Bar(2)->text().contains(QStringLiteral("3 of ") + QLocale().toString(1200)),
        qPrintable(w.status_bar->Bar(2)->text()));
    // Another page shows its own status line, not the running page's.
    w.pager->setCurrentWidget(w.boilerplate_tab);
    QVERIFY(w.status_bar->PanelText(10).isEmpty());
    // Stop on the status bar: panic state 2 and the page's stop handler.
    Q_EMIT w.status_bar->PanelClick(8);
    QCOMPARE(int(global_panic_state), 2);
    QVERIFY(stop_seen);
    QTRY_VERIFY(done_called);
    QVERIFY(steps < 101);
    QVERIFY(done_ok);
    QVERIFY(done_on_window_thread);
    QVERIFY(on_other_thread);
    QVERIFY(!w.ToolRunning());
    QVERIFY(start_a.isEnabled());
    QVERIFY(start_b.isEnabled());
    QVERIFY(!w.status_bar->StopVisible());
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
  }

  void ViewersAreSharedAndFreedWithTheWindow() {
    QPointer<TextViewerWindow> shared, side;
    {
      MainWindow w;
      shared = w.SharedViewer();
      QVERIFY(shared);
      QCOMPARE(w.SharedViewer(), shared.data());  // created once, kept
      side = new TextViewerWindow(nullptr);
      w.side_by_side_viewers.append(side);
    }
    QVERIFY(shared.isNull());
    QVERIFY(side.isNull());
  }

  void BarsSayPercentCountAndTimeLeft() {
    MainWindow w;
    QVERIFY(w.SetOverallProgress(30));
    QVERIFY(!w.SetOverallProgress(30));
    QVERIFY(w.SetOverallProgress(31));
    QCOMPARE(w.status_bar->PanelBar(2), 31);
    QCOMPARE(w.status_bar->Bar(2)->text(), QStringLiteral("31%"));
    w.ResetProgress(true);
    QCOMPARE(w.status_bar->PanelBar(2), 0);
    QVERIFY(w.status_bar->Bar(2)->text().isEmpty());
    QVERIFY(w.SetOverallProgress(31));  // after a reset the same value shows again
    // The bars' wording is the viewer test's (one bar for both windows).
    // The estimate: none before a run or early in one.
    QCOMPARE(w.EstimatedTimeLeft(50), -1LL);
  }

  void HelpPanelAndContextMenuRouteToTopics() {
    MainWindow w;
    w.show();
    // Help panel: the active page's topic in our HTML help.
    w.pager->setCurrentWidget(w.corruption_tab);
    Q_EMIT w.status_bar->PanelClick(9);
    QCOMPARE(g_opened.size(), 1);
    QVERIFY(g_opened[0].isLocalFile());
    QVERIFY(g_opened[0].toLocalFile().endsWith(QStringLiteral("help/topic-5140.html")) ||
            g_opened[0].toLocalFile().endsWith(QStringLiteral("help/index.html")));

    // A page with inner pages gives the topic of the inner page on show.
    w.pager->setCurrentWidget(w.sample_tab);
    // The real sampler page (both inner pages 6060) steps aside for this one.
    if (w.sample_page) w.sample_page->hide();
    auto* inner = new QTabWidget(w.sample_tab);
    auto* first = new QWidget;
    auto* second = new QWidget;
    SetHelpContext(first, 6060);
    SetHelpContext(second, 6061);
    inner->addTab(first, QStringLiteral("Sample settings"));
    inner->addTab(second, QStringLiteral("Actions"));
    w.InstallPage(w.sample_tab, inner);
    inner->setCurrentIndex(1);
    QCOMPARE(w.ActivePageHelpContext(), 6061);

    // Online help: base + index.html + ?contextid=<c>; other modes open nothing.
    UseHelpMode(1);
    g_opened.clear();
    HelpRouter* dm = HelpRouter::Instance();
    QVERIFY(!dm->HandleAHelpFileChoice(5140));
    QCOMPARE(g_opened.size(), 1);
    QCOMPARE(g_opened[0].toString(),
             QStringLiteral("https://help.example.org/sorvel/index.html?contextid=5140"));
    UseHelpMode(7);
    QVERIFY(!dm->HandleAHelpFileChoice(5140));
    QCOMPARE(g_opened.size(), 1);

    // A control whose own context is 0 takes its page's; without a control
    // the answer is 1000; a context above 1000 is kept.
    UseHelpMode(0);
    auto* panel = new QWidget(w.boilerplate_tab);
    auto* label = new QLabel(QStringLiteral("x"), panel);
    QCOMPARE(HelpRouter::GetTheBestHelpContextFrom(0, label), 6030);
    QCOMPARE(HelpRouter::GetTheBestHelpContextFrom(0, nullptr), 1000);
    QCOMPARE(HelpRouter::GetTheBestHelpContextFrom(4170, label), 4170);
    // The right-click menu takes the clicked control's context.
    w.pager->setCurrentWidget(w.boilerplate_tab);
    QTest::qWait(10);
    const QPoint at = label->mapTo(&w, QPoint(2, 2));
    Q_EMIT w.customContextMenuRequested(at);
    QCOMPARE(dm->context_help_action->text(), QStringLiteral("context help"));
    QCOMPARE(dm->context_help_action->data().toInt(), 6030);
    dm->context_help_menu->hide();
    g_opened.clear();
    dm->context_help_action->trigger();
    QCOMPARE(g_opened.size(), 1);
    QVERIFY(g_opened[0].toLocalFile().contains(QStringLiteral("help/")));
  }

  void F1ReachesEveryPagesTopicAndTheViewers() {
    SuiteSettings s = CurrentSuiteSettings();
    s.help_file = QStringLiteral(SORVEL_SOURCE_DIR "/help");
    SetCurrentSuiteSettings(s);
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
      QVERIFY2(g_opened.size() == 1, qPrintable(w.pager->tabText(i)));
      QVERIFY2(g_opened[0].toLocalFile().endsWith(QStringLiteral("/topic-%1.html").arg(topics[i])),
               qPrintable(g_opened[0].toString()));
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

    // No browser: the topic shows in the built-in help window instead.
    HelpRouter::SetUrlOpener([](const QUrl&) { return false; });
    w.ShowHelpTopic(6040);
    HelpBrowserWindow* built_in = HelpRouter::Instance()->BuiltInWindow();
    QVERIFY(built_in && built_in->isVisible());
    QVERIFY(
        built_in->Browser()->source().toLocalFile().endsWith(QStringLiteral("/topic-6040.html")));
    QVERIFY(built_in->Browser()->toPlainText().contains(QStringLiteral("Relevance")));
    built_in->close();
    HelpRouter::SetUrlOpener([](const QUrl& u) {
      g_opened << u;
      return true;
    });
    s.help_file.clear();
    SetCurrentSuiteSettings(s);
  }

  void RemembersItsSizeAndPlace() {
    // Fitting the screen and showing every tab whole are the scaled-window
    // and screenshot tests'.
    QTemporaryDir dir;
    const QByteArray old_settings = qgetenv("SORVEL_SETTINGS");
    qputenv("SORVEL_SETTINGS", dir.filePath(QStringLiteral("lexivor.ini")).toLocal8Bit());
    QSize closed_size;
    {
      MainWindow w;
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.resize(w.width() - 37, w.height() - 21);
      closed_size = w.size();
      w.close();
    }
    {
      MainWindow w;  // opens at the size it was closed at
      QCOMPARE(w.size(), closed_size);
    }
    qputenv("SORVEL_SETTINGS", old_settings);
  }

  void FolderFieldsTakeDropsStartOnReturnAndRemember() {
    QTemporaryDir dir;
    const QString folder = QDir::toNativeSeparators(dir.path());
    const QByteArray old_settings = qgetenv("SORVEL_SETTINGS");
    qputenv("SORVEL_SETTINGS", dir.filePath(QStringLiteral("lexivor.ini")).toLocal8Bit());
    {
      MainWindow w;
      w.show();
      // Two folder fields with their own Start buttons on one page, as the
      // pages build them: Return presses the field's own button.
      auto* page = w.sub_corpora_tab;
      auto* left = new QWidget(page);
      auto* right = new QWidget(page);
      auto* left_field = new QLineEdit(left);
      left_field->setObjectName(QStringLiteral("ElFolderNameEditLeft"));
      auto* right_field = new QLineEdit(right);
      right_field->setObjectName(QStringLiteral("ElFolderNameEditRight"));
      auto* left_start = new QPushButton(QStringLiteral("Go"), left);
      auto* right_start = new QPushButton(QStringLiteral("Go"), right);
      w.RegisterStartControl(left_start);
      w.RegisterStartControl(right_start);
      w.Folders()->Attach(page);
      QSignalSpy left_clicks(left_start, &QPushButton::clicked);
      QSignalSpy right_clicks(right_start, &QPushButton::clicked);
      QTest::keyClick(right_field, Qt::Key_Return);
      QCOMPARE(right_clicks.count(), 1);
      QCOMPARE(left_clicks.count(), 0);
      left_start->setEnabled(false);  // a disabled Start is not pressed
      QTest::keyClick(left_field, Qt::Key_Return);
      QCOMPARE(left_clicks.count(), 0);
      QCOMPARE(right_clicks.count(), 1);

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
          field->setText(dir.filePath(QStringLiteral("no such folder")));
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

      // A dropped folder fills the field; a dropped file is refused.
      QMimeData file_data;
      file_data.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("lexivor.ini")))});
      QFile(dir.filePath(QStringLiteral("lexivor.ini"))).open(QIODevice::WriteOnly);
      QDragEnterEvent refused(QPoint(2, 2), Qt::CopyAction, &file_data, Qt::LeftButton,
                              Qt::NoModifier);
      QApplication::sendEvent(left_field, &refused);
      QVERIFY(!refused.isAccepted());
      QMimeData folder_data;
      folder_data.setUrls({QUrl::fromLocalFile(dir.path())});
      QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &folder_data, Qt::LeftButton,
                            Qt::NoModifier);
      QApplication::sendEvent(left_field, &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &folder_data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(left_field, &drop);
      QCOMPARE(left_field->text(), folder);
      QLineEdit* names_field =
          w.dup_names_tab->findChild<QLineEdit*>(QStringLiteral("ElFolderNameEditDuplicates1Edit"));
      QVERIFY(names_field);
      names_field->setText(folder);
      w.close();
    }
    {
      // The next run finds the folders again, each in its own field.
      MainWindow w;
      QCOMPARE(
          w.dup_names_tab->findChild<QLineEdit*>(QStringLiteral("ElFolderNameEditDuplicates1Edit"))
              ->text(),
          folder);
      QVERIFY(
          w.dup_names_tab->findChild<QLineEdit*>(QStringLiteral("ElFolderNameEditDuplicates2Edit"))
              ->text()
              .isEmpty());
    }
    qputenv("SORVEL_SETTINGS", old_settings);
  }

  void RegistersWithTheControllerAndObeysItsCommands() {
    RecordingControllerLink link;
    link.shell_wnd = 0xC0FFEE;
    SetControllerLink(&link);
    bool ended = false;
    {
      MainWindow w;
      w.end_program = [&] { ended = true; };
      const std::uintptr_t own = OwnWindowHandle();
      QVERIFY(own != 0);
      QVERIFY(link.Calls().contains(QStringLiteral("SetNewWnd 13")));
      QVERIFY(link.Calls().contains(QStringLiteral("SetActiveMainToolWindow 13")));
      auto posted = link.PostedMessages();
      QCOMPARE(posted.size(), size_t(2));
      QCOMPARE(posted[0].msg, 1252u);
      QCOMPARE(posted[0].wparam, 13ull);
      QCOMPARE(posted[1].msg, 1025u);
      QCOMPARE(posted[1].wparam, 0x000D11F9ull);
      QCOMPARE(posted[1].lparam, std::uint64_t(own));

      w.ControllerCommand(6120);
      QCOMPARE(int(global_panic_state), 1);
      QVERIFY(!ended);
      w.ControllerCommand(6121);
      QCOMPARE(int(global_panic_state), 2);
      QVERIFY(!ended);
      w.ControllerCommand(6122);
      QCOMPARE(int(global_panic_state), 3);
      QVERIFY(ended);
      ended = false;
      global_panic_state = 0;
      w.ControllerCommand(1350);
      QVERIFY(ended);
      QCOMPARE(int(global_panic_state), 0);
      link.Clear();
    }
    // Closing: the closing notification, then unregistering.
    auto posted = link.PostedMessages();
    QCOMPARE(posted.size(), size_t(2));
    QCOMPARE(posted[1].wparam, 0x000D11F8ull);
    QVERIFY(link.Calls().contains(QStringLiteral("UnSetWnd 13")));
    QCOMPARE(OwnWindowHandle(), std::uintptr_t(0));
    SetControllerLink(nullptr);
  }

  void WindowEventsAndStopCommandsAreLogged() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("lexivor.log"));
    const QString ini = dir.filePath(QStringLiteral("lexivor.ini"));
    {
      QSettings s(ini, QSettings::IniFormat);
      s.setValue(QStringLiteral("suite/logging"), true);
      s.setValue(QStringLiteral("suite/log_file"), log);
    }
    const QByteArray old_settings = qgetenv("SORVEL_SETTINGS");
    qputenv("SORVEL_SETTINGS", ini.toLocal8Bit());
    {
      MainWindow w;  // the log file does not exist yet: nothing is logged
      w.ControllerCommand(6121);
    }
    QVERIFY(!QFileInfo::exists(log));
    QFile(log).open(QIODevice::WriteOnly);
    {
      MainWindow w;
      w.ControllerCommand(6120);
      w.show();
      w.activateWindow();
      QTest::qWait(20);
    }
    qputenv("SORVEL_SETTINGS", old_settings);
    ReloadSuiteSettings();
    const QStringList lines =
        QString::fromUtf8(ReadAllOf(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 3, qPrintable(lines.join(QLatin1Char('|'))));
    QVERIFY(lines[0].startsWith(QStringLiteral("stopping at end of file ")));
    QCOMPARE(lines[lines.size() - 2], QStringLiteral("**********Sorvel closing a tool"));
    QCOMPARE(lines.last(),
             QStringLiteral("unset main_window_uitest main window and quit lexivor_minimal"));
    global_panic_state = 0;
  }

  void PreferencesStoreHowTextsAreRead() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("lexivor.ini"));
    const QByteArray old_settings = qgetenv("SORVEL_SETTINGS");
    qputenv("SORVEL_SETTINGS", ini.toLocal8Bit());
    ReloadSuiteSettings();
    {
      MainWindow w;
      QCOMPARE(w.preferences_action->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
      // The action opens the dialog, showing the current choice.
      bool shown_auto = false;
      QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<PreferencesDialog*>(QApplication::activeModalWidget());
        if (d)
          shown_auto =
              d->AutoButton()->isChecked() && d->CodePage() == QStringLiteral("windows-1252");
        if (d) d->reject();
      });
      w.preferences_action->trigger();
      QVERIFY(shown_auto);

      PreferencesDialog d(&w);
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
    QCOMPARE(QSettings(ini, QSettings::IniFormat)
                 .value(QStringLiteral("suite/text_encoding"))
                 .toString(),
             QStringLiteral("ISO-8859-15"));
    {
      PreferencesDialog d;
      QVERIFY(d.CodePageButton()->isChecked());
      d.AutoButton()->setChecked(true);
      d.CodePageBox()->setCurrentText(QStringLiteral("KOI8-R"));
      d.accept();
    }
    QCOMPARE(TextDecoding(), QStringLiteral("auto"));
    QCOMPARE(AnsiCodePage(), QStringLiteral("KOI8-R"));
    QCOMPARE(QSettings(ini, QSettings::IniFormat)
                 .value(QStringLiteral("suite/ansi_code_page"))
                 .toString(),
             QStringLiteral("KOI8-R"));
    qputenv("SORVEL_SETTINGS", old_settings);
    ReloadSuiteSettings();
    QCOMPARE(AnsiCodePage(), QStringLiteral("windows-1252"));
  }

  void ControllerClearsTheToolsSharedLists() {
    QTemporaryDir dir;
    SuiteSettings s = CurrentSuiteSettings();
    s.user_read_write_folder = dir.path();
    SetCurrentSuiteSettings(s);
    SharedToolLists& lists = SharedToolLists::Instance();
    QDir().mkpath(dir.path() + QStringLiteral("/lists"));
    for (int kind : {0, 2}) {
      QFile f(lists.FileOf(kind));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("alpha\nbeta\n");
    }
    MainWindow w;
    w.ControllerCommand(234);  // refresh the lemma list
    QCOMPARE(lists.List(0), QStringList({"alpha", "beta"}));
    w.ControllerCommand(238);  // refresh the stop list
    QCOMPARE(lists.List(2).size(), 2);
    w.ControllerCommand(239);  // clear the stop list
    QVERIFY(lists.List(2).isEmpty());
    QCOMPARE(QFileInfo(lists.FileOf(2)).size(), 0);
    QCOMPARE(lists.List(0).size(), 2);  // the lemma list is left alone
    w.ControllerCommand(235);
    QVERIFY(lists.List(0).isEmpty());
  }

  void MessageBoxFromWorkerShowsOnWindowThreadWithHelp() {
    MainWindow w;
    w.show();
    GuiDialogs dialogs;
    dialogs.SetOwnerWindow(&w);
    SetDialogInterface(&dialogs);
    std::atomic<int> answer{-1};
    // The box runs its own event loop; the user's part is played from a timer
    // inside that loop.
    QString name, text;
    int opened_after_help = -1;
    bool still_open_after_help = false;
    bool answered_before_yes = true;
    QTimer user;
    user.setInterval(10);
    connect(&user, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      user.stop();
      name = box->objectName();
      text = box->text();
      box->button(QMessageBox::Help)->click();  // opens the topic, box stays
      opened_after_help = int(g_opened.size());
      if (!g_opened.isEmpty()) text += QLatin1Char('|') + g_opened[0].toLocalFile();
      QTimer::singleShot(30, box, [&, box] {
        still_open_after_help = QApplication::activeModalWidget() == box;
        answered_before_yes = answer.load() != -1;
        box->button(QMessageBox::Yes)->click();
      });
    });
    user.start();
    std::thread worker([&] { answer = DoYouWantToDoX(QStringLiteral("go on"), 5140); });
    QTRY_VERIFY(answer.load() != -1);
    worker.join();
    QCOMPARE(answer.load(), int(mrYes));
    QCOMPARE(name, QStringLiteral("MessageBoxDoYouWantToDoX"));
    QVERIFY(text.contains(QStringLiteral("go on")));
    QCOMPARE(opened_after_help, 1);
    QVERIFY(text.contains(QStringLiteral("help/topic-5140.html")) ||
            text.endsWith(QStringLiteral("index.html")));
    QVERIFY(still_open_after_help);
    QVERIFY(!answered_before_yes);
    SetDialogInterface(nullptr);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_uitest.moc"
