#pragma once
// The main window's Help menu and its About box, which shows the version that
// the build was made from and what the program is for.

#include <QDialog>

class MainWindow;

class AboutSorvelDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutSorvelDialog(QWidget* parent = nullptr);
  // The box's text: name, version and a line on what Sorvel does.
  static QString Text();
};

// Adds "Help" to the window's menu bar: "Help on this page" (F1) opens the
// active page's topic, as the status bar's Help does; "About Sorvel" opens
// the About box (not modal to the application; it frees itself when closed).
void AddHelpMenu(MainWindow* window);
