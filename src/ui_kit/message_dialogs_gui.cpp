#include "ui_kit/message_dialogs_gui.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "ui_kit/help_router_gui.h"

GuiDialogs::GuiDialogs(QObject* parent) : QObject(parent) {}

int GuiDialogs::Show(const BoxRequest& request) {
  if (QThread::currentThread() == thread()) return ShowHere(request);
  int result = mrNone;
  QMetaObject::invokeMethod(
      this, [this, &request, &result] { result = ShowHere(request); },
      Qt::BlockingQueuedConnection);
  return result;
}

int GuiDialogs::ShowHere(const BoxRequest& request) {
  QMessageBox box(owner_);
  box.setObjectName(QStringLiteral("MessageBox") + request.name);
  box.setWindowTitle(request.caption);
  QString text = request.text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  box.setText(text);
  switch (request.icon) {
    case BoxIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case BoxIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case BoxIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case BoxIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
  }
  QMessageBox::StandardButtons buttons;
  switch (request.buttons) {
    case BoxButtons::OK:
      buttons = QMessageBox::Ok;
      break;
    case BoxButtons::OKCancel:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case BoxButtons::YesNo:
      buttons = QMessageBox::Yes | QMessageBox::No;
      break;
    case BoxButtons::YesNoCancel:
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  box.setStandardButtons(buttons | QMessageBox::Help);
  // Help shows the topic and keeps the box open: the button's own link to
  // the box (which would close it) is cut and replaced.
  QAbstractButton* help = box.button(QMessageBox::Help);
  help->disconnect();
  const int context = request.help_context;
  connect(help, &QAbstractButton::clicked, &box, [context] {
    HelpRouter::PublishHelpContext(context);
    if (auto* dm = HelpRouter::Instance()) dm->HandleAHelpFileChoice(context);
  });
  HelpRouter::PublishHelpContext(context);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  const QMessageBox::StandardButton sb =
      clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
  switch (sb) {
    case QMessageBox::Ok:
      return mrOK;
    case QMessageBox::Yes:
      return mrYes;
    case QMessageBox::No:
      return mrNo;
    case QMessageBox::Cancel:
      return mrCancel;
    default:
      // Closed by Escape or the window's close box.
      if (request.buttons == BoxButtons::OK) return mrOK;
      return request.buttons == BoxButtons::YesNo ? mrNo : mrCancel;
  }
}
