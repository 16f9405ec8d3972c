#include "ui_kit/help_browser_window.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolBar>

HelpBrowserWindow::HelpBrowserWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpBrowserWindow"));
  setWindowTitle(QStringLiteral("Sorvel help"));
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setOpenLinks(false);
  setCentralWidget(browser_);
  // Pages of the guide open here; anything else (mail, the web) on the desktop.
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl url = browser_->source().resolved(link);
    if (url.isLocalFile()) {
      browser_->setSource(url);
    } else {
      QDesktopServices::openUrl(url);
    }
  });
  auto* tools = addToolBar(QStringLiteral("Navigation"));
  tools->setMovable(false);
  QAction* back = tools->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
  back->setShortcut(QKeySequence::Back);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  back->setEnabled(false);
  tools->addAction(QStringLiteral("Contents"), this, [this] {
    const QUrl index = browser_->source().resolved(QUrl(QStringLiteral("index.html")));
    browser_->setSource(index);
  });
  auto* close_key = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(close_key, &QShortcut::activated, this, &QWidget::close);
  resize(760, 640);
}

bool HelpBrowserWindow::ShowPage(const QString& local_file) {
  if (!QFileInfo(local_file).isReadable()) return false;
  browser_->setSource(QUrl::fromLocalFile(local_file));
  show();
  raise();
  activateWindow();
  return true;
}
