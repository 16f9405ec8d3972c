#pragma once
// The built-in help window: shows a page of the HTML guide when no browser
// can be started. Links between the guide's pages are followed inside it;
// links that leave the guide go to the desktop.

#include <QMainWindow>
#include <QUrl>

class QTextBrowser;

class HelpBrowserWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit HelpBrowserWindow(QWidget* parent = nullptr);
  // Shows the local page (raising the window); false when it cannot be read.
  bool ShowPage(const QString& local_file);
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};
