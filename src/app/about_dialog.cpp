#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/sorvel_window.h"
#include "sorvel_version.h"

AboutSorvelDialog::AboutSorvelDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutSorvelDialog"));
  setWindowTitle(QStringLiteral("About Sorvel"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(Text(), this);
  text->setObjectName(QStringLiteral("AboutText"));
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

QString AboutSorvelDialog::Text() {
  return QStringLiteral(
             "<h3>Sorvel %1</h3>"
             "<p>Checks a corpus of plain-text files before it is analysed: files that are not "
             "clean text, "
             "files of the same name, near-duplicate texts, boilerplate sentences, texts relevant "
             "to a list of "
             "terms, random samples and date-based sub-corpora.</p>"
             "<p>Part of the Lexivor suite. The same tools run on the command line as "
             "<tt>sorvel-cli</tt>.</p>")
      .arg(QStringLiteral(SORVEL_VERSION));
}

void AddHelpMenu(MainWindow* window) {
  QMenu* help = window->menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  QAction* topic = help->addAction(QStringLiteral("Help on this page"));
  topic->setObjectName(QStringLiteral("HelpOnThisPage"));
  topic->setShortcut(QKeySequence::HelpContents);
  QObject::connect(topic, &QAction::triggered, window, [window] { window->HelpPanelClick(); });
  QAction* about = help->addAction(QStringLiteral("About Sorvel"));
  about->setObjectName(QStringLiteral("AboutSorvel"));
  QObject::connect(about, &QAction::triggered, window, [window] {
    auto* box = new AboutSorvelDialog(window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  });
}
