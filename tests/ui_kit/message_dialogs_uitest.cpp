// The desktop program's message boxes: Escape closes a box that only
// informs, errors look like errors, a text taller than the screen scrolls
// with its buttons in reach, and a box asked for from a worker shows on the
// window thread.

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <functional>
#include <thread>

#include "runtime/dialogs.h"
#include "runtime/settings.h"
#include "support/test_support.h"
#include "ui_kit/help_router_gui.h"
#include "ui_kit/message_dialogs_gui.h"

namespace {

// Plays the user's part on the box once it is open: what(box).
void WhenBoxOpens(std::function<void(QWidget*)> what) {
  QTimer::singleShot(5, qApp, [what] {
    if (QWidget* box = QApplication::activeModalWidget()) return what(box);
    WhenBoxOpens(what);
  });
}

}  // namespace

class MessageDialogsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() {
    UseScratchSettings();
    SuiteSettings s = CurrentSuiteSettings();
    s.help_file = QStringLiteral(SORVEL_SOURCE_DIR "/help");
    SetCurrentSuiteSettings(s);
    HelpRouter::SetUrlOpener([this](const QUrl& u) {
      opened_ << u;
      return true;
    });
  }
  void init() { SetDialogInterface(&dialogs_); }
  void cleanup() { SetDialogInterface(nullptr); }

  void EscapeClosesBoxesThatOnlyInformAndErrorsShowTheErrorIcon() {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool open_after_escape = false;
    WhenBoxOpens([&](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      icon = message->icon();
      QTest::keyClick(box, Qt::Key_Escape);
      // A box that Escape left open is closed here, so that the test ends.
      QTimer::singleShot(20, message, [&, message] {
        open_after_escape = true;
        message->done(0);
      });
    });
    FailedToRead(QStringLiteral("/no/such/file.txt"));
    QVERIFY(!open_after_escape);
    QCOMPARE(icon, QMessageBox::Critical);

    // A question still answers Escape with its cancelling answer.
    WhenBoxOpens([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(OKToDoX(QStringLiteral("copy")), int(mrCancel));
  }

  void TallTextScrollsWithItsButtonsOnTheScreen() {
    QStringList lines;
    for (int i = 0; i < 400; ++i) lines << QStringLiteral("term%1 (%2)").arg(i).arg(i * 3);
    const QString tall = lines.join(QLatin1Char('\n'));
    QRect box_rect, ok_rect;
    bool scrolls = false;
    WhenBoxOpens([&](QWidget* box) {
      box_rect = box->frameGeometry();
      QPushButton* ok = box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      ok_rect = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
      auto* text = box->findChild<QPlainTextEdit*>(QStringLiteral("MessageText"));
      scrolls = text && text->verticalScrollBar()->maximum() > 0;
      ok->click();
    });
    ReportedAFact(tall);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(scrolls);
    QVERIFY(screen.contains(box_rect.topLeft()) && box_rect.height() <= screen.height());
    QVERIFY(!ok_rect.isEmpty() && screen.contains(ok_rect));

    // A tall question keeps its answers.
    WhenBoxOpens([](QWidget* box) {
      box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::No)->click();
    });
    QCOMPARE(DoYouWantToDoX(tall), int(mrNo));
  }

  void BoxAskedFromAWorkerShowsOnTheWindowThreadWithHelp() {
    QWidget owner;
    owner.show();
    dialogs_.SetOwnerWindow(&owner);
    std::atomic<int> answer{-1};
    QString name;
    bool open_after_help = false, answered_before_yes = true;
    WhenBoxOpens([&](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      name = message->objectName() + QLatin1Char('|') + message->text();
      message->button(QMessageBox::Help)->click();  // opens the topic, the box stays
      QTimer::singleShot(30, message, [&, message] {
        open_after_help = QApplication::activeModalWidget() == message;
        answered_before_yes = answer.load() != -1;
        message->button(QMessageBox::Yes)->click();
      });
    });
    std::thread worker([&] { answer = DoYouWantToDoX(QStringLiteral("go on"), 5140); });
    QTRY_VERIFY(answer.load() != -1);
    worker.join();
    QCOMPARE(answer.load(), int(mrYes));
    QVERIFY2(name.startsWith(QStringLiteral("MessageBoxDoYouWantToDoX|")) &&
                 name.contains(QStringLiteral("go on")),
             qPrintable(name));
    QVERIFY(open_after_help && !answered_before_yes);
    QCOMPARE(opened_.size(), 1);
    QVERIFY(opened_[0].toLocalFile().endsWith(QStringLiteral("help/topic-5140.html")));
    dialogs_.SetOwnerWindow(nullptr);
  }

 private:
  GuiDialogs dialogs_;
  HelpRouter help_router_;  // what the Help buttons ask, as in the program
  QList<QUrl> opened_;
};

QTEST_MAIN(MessageDialogsTest)
#include "message_dialogs_uitest.moc"
