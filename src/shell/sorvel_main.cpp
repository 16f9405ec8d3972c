// The Sorvel desktop program. It reads no command-line options.

#include <QApplication>
#include <QMainWindow>

#include "runtime/messages.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(Tool_Name(kSorvelToolNumber));
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Sorvel"));
  window.resize(727, 479);
  window.show();
  return QApplication::exec();
}
