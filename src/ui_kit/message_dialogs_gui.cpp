#include "ui_kit/message_dialogs_gui.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

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

namespace {

QMessageBox::Icon IconOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::Warning:
      return QMessageBox::Warning;
    case BoxIcon::Error:
      return QMessageBox::Critical;
    case BoxIcon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QDialogButtonBox::StandardButtons ButtonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::OK:
      return QDialogButtonBox::Ok;
    case BoxButtons::OKCancel:
      return QDialogButtonBox::Ok | QDialogButtonBox::Cancel;
    case BoxButtons::YesNo:
      return QDialogButtonBox::Yes | QDialogButtonBox::No;
    case BoxButtons::YesNoCancel:
      return QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel;
  }
  return QDialogButtonBox::Ok;
}

// The answer for a button (QMessageBox and QDialogButtonBox share the
// values); a box closed by Escape or its close box answers as Cancel would,
// an OK-only box as OK.
int ResultOf(int standard_button, BoxButtons buttons) {
  switch (standard_button) {
    case QMessageBox::Ok:
      return mrOK;
    case QMessageBox::Yes:
      return mrYes;
    case QMessageBox::No:
      return mrNo;
    case QMessageBox::Cancel:
      return mrCancel;
    default:
      if (buttons == BoxButtons::OK) return mrOK;
      return buttons == BoxButtons::YesNo ? mrNo : mrCancel;
  }
}

// Help shows the topic and keeps the box open.
void ConnectHelp(QAbstractButton* help, QObject* box, int context) {
  help->disconnect();
  QObject::connect(help, &QAbstractButton::clicked, box, [context] {
    HelpRouter::PublishHelpContext(context);
    if (auto* dm = HelpRouter::Instance()) dm->HandleAHelpFileChoice(context);
  });
}

QRect AvailableScreenOf(const QWidget* owner) {
  const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

bool GuiDialogs::NeedsScrolling(const QString& text, const QWidget* owner) {
  const QRect screen = AvailableScreenOf(owner);
  const QFontMetrics fm(QApplication::font());
  const int wrap_width = std::min(screen.width() * 2 / 3, 60 * fm.averageCharWidth());
  const QRect needed = fm.boundingRect(QRect(0, 0, wrap_width, 1 << 20), Qt::TextWordWrap, text);
  return needed.height() > screen.height() / 2;
}

int GuiDialogs::ShowHere(const BoxRequest& request) {
  QString text = request.text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  HelpRouter::PublishHelpContext(request.help_context);
  if (NeedsScrolling(text, owner_)) return ShowScrolling(request, text);

  QMessageBox box(owner_);
  box.setObjectName(QStringLiteral("MessageBox") + request.name);
  box.setWindowTitle(request.caption);
  box.setText(text);
  box.setIcon(IconOf(request.icon));
  box.setStandardButtons(
      QMessageBox::StandardButtons(static_cast<int>(ButtonsOf(request.buttons))) |
      QMessageBox::Help);
  // Escape closes a box that only informs; with the Help button beside OK
  // the box would not choose OK for Escape by itself.
  if (request.buttons == BoxButtons::OK) box.setEscapeButton(QMessageBox::Ok);
  ConnectHelp(box.button(QMessageBox::Help), &box, request.help_context);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return ResultOf(clicked ? box.standardButton(clicked) : QMessageBox::NoButton, request.buttons);
}

int GuiDialogs::ShowScrolling(const BoxRequest& request, const QString& text) {
  // A text taller than half the screen scrolls inside a box that fits on the
  // screen, so that its buttons can always be reached.
  QDialog box(owner_);
  box.setObjectName(QStringLiteral("MessageBox") + request.name);
  box.setWindowTitle(request.caption);
  auto* layout = new QVBoxLayout(&box);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(&box);
  const int icon_size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
  const QStyle::StandardPixmap pixmap =
      request.icon == BoxIcon::Error      ? QStyle::SP_MessageBoxCritical
      : request.icon == BoxIcon::Warning  ? QStyle::SP_MessageBoxWarning
      : request.icon == BoxIcon::Question ? QStyle::SP_MessageBoxQuestion
                                          : QStyle::SP_MessageBoxInformation;
  icon->setPixmap(box.style()->standardIcon(pixmap, nullptr, &box).pixmap(icon_size, icon_size));
  icon->setAlignment(Qt::AlignTop);
  row->addWidget(icon);
  auto* view = new QPlainTextEdit(text, &box);
  view->setObjectName(QStringLiteral("MessageText"));
  view->setReadOnly(true);
  view->setFrameShape(QFrame::NoFrame);
  row->addWidget(view, 1);
  layout->addLayout(row, 1);
  auto* buttons = new QDialogButtonBox(ButtonsOf(request.buttons) | QDialogButtonBox::Help, &box);
  layout->addWidget(buttons);
  ConnectHelp(buttons->button(QDialogButtonBox::Help), &box, request.help_context);
  int chosen = QDialogButtonBox::NoButton;
  connect(buttons, &QDialogButtonBox::clicked, &box, [&](QAbstractButton* b) {
    const auto sb = buttons->standardButton(b);
    if (sb == QDialogButtonBox::Help) return;
    chosen = sb;
    box.accept();
  });
  if (QPushButton* first = buttons->button(request.buttons == BoxButtons::OK ||
                                                   request.buttons == BoxButtons::OKCancel
                                               ? QDialogButtonBox::Ok
                                               : QDialogButtonBox::Yes)) {
    first->setDefault(true);
  }
  const QRect screen = AvailableScreenOf(owner_);
  const QFontMetrics fm(view->font());
  box.resize(std::min(screen.width() * 9 / 10, 70 * fm.averageCharWidth()),
             screen.height() * 2 / 3);
  box.exec();
  return ResultOf(chosen, request.buttons);
}
