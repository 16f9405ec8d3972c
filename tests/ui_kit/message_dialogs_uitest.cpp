// The desktop program's message boxes: Escape closes a box that only
// informs, errors look like errors, and a text taller than the screen
// scrolls with its buttons in reach.

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "runtime/dialogs.h"
#include "ui_kit/message_dialogs_gui.h"

namespace {

// Plays the user's part on the box once it is open: what(box).
void WhenBoxOpens(std::function<void(QWidget*)> what) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, what] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    timer->stop();
    timer->deleteLater();
    what(box);
  });
  timer->start();
}

}  // namespace

class MessageDialogsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
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
    QVERIFY(GuiDialogs::NeedsScrolling(tall, nullptr));
    QVERIFY(!GuiDialogs::NeedsScrolling(QStringLiteral("Saved 3 files"), nullptr));

    QRect box_rect, ok_rect;
    bool scrolls = false;
    WhenBoxOpens([&](QWidget* box) {
      box_rect = box->frameGeometry();
      auto* buttons = box->findChild<QDialogButtonBox*>();
      QPushButton* ok = buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr;
      if (ok) ok_rect = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
      auto* text = box->findChild<QPlainTextEdit*>(QStringLiteral("MessageText"));
      scrolls = text && text->verticalScrollBar()->maximum() > 0;
      if (ok) ok->click();
    });
    ReportedAFact(tall);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(scrolls);
    QVERIFY2(
        screen.contains(box_rect.topLeft()) && box_rect.height() <= screen.height(),
        qPrintable(QStringLiteral("%1 px high on %2").arg(box_rect.height()).arg(screen.height())));
    QVERIFY(!ok_rect.isEmpty());
    QVERIFY(screen.contains(ok_rect));

    // A tall question keeps its answers.
    WhenBoxOpens([](QWidget* box) {
      box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::No)->click();
    });
    QCOMPARE(DoYouWantToDoX(tall), int(mrNo));
  }

 private:
  GuiDialogs dialogs_;
};

QTEST_MAIN(MessageDialogsTest)
#include "message_dialogs_uitest.moc"
