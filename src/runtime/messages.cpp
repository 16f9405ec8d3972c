#include "runtime/messages.h"

#include <QHash>

namespace {

// Each subsystem keeps its texts in its own block so that additions stay apart.
const QHash<QString, QString>& Table() {
  static const QHash<QString, QString> table = [] {
    QHash<QString, QString> t;
    // --- shared ---
    t.insert(QStringLiteral("LXNOutOfN"), QStringLiteral("%s of %s"));
    t.insert(QStringLiteral("LXNManyOutOfN"), QStringLiteral("%0.n of %0.n"));
    t.insert(QStringLiteral("LXErrorCaption"), QStringLiteral("Error"));
    t.insert(QStringLiteral("LXHaltingCaption"), QStringLiteral("Halting"));
    t.insert(QStringLiteral("LXStoppingAtEndOfFile"), QStringLiteral("stopping at end of file"));
    t.insert(QStringLiteral("LXStoppingASAP"), QStringLiteral("stopping as soon as possible"));
    t.insert(QStringLiteral("LXPanicStop"), QStringLiteral("panic stop"));
    t.insert(QStringLiteral("LXClosingATool"), QStringLiteral("closing a tool"));
    t.insert(QStringLiteral("LXFiltered"), QStringLiteral("filtered"));
    t.insert(QStringLiteral("LXMoved"), QStringLiteral("moved"));
    t.insert(QStringLiteral("LXNFilesSaved"), QStringLiteral("%0.n files saved"));
    // --- corruption ---

    // --- duplicate contents ---

    // --- duplicate names ---

    // --- boilerplate ---

    // --- relevance ---

    // --- sampling ---
    t.insert(QStringLiteral("LXFolder"), QStringLiteral("Folder"));
    t.insert(QStringLiteral("LXFolders"), QStringLiteral("Folders"));
    t.insert(QStringLiteral("LXDate"), QStringLiteral("Date"));
    t.insert(QStringLiteral("LXTooFew"), QStringLiteral("Too few"));
    t.insert(QStringLiteral("LXXTextFiles"), QStringLiteral("%s text files"));
    t.insert(QStringLiteral("LXReduceToN"), QStringLiteral("reduce the list to a random sample of %0.n"));
    t.insert(QStringLiteral("LXN"), QStringLiteral("N"));
    t.insert(QStringLiteral("LXFilename"), QStringLiteral("Filename"));
    t.insert(QStringLiteral("LXFilenames"), QStringLiteral("Filenames"));
    t.insert(QStringLiteral("LXScores"), QStringLiteral("Scores"));
    t.insert(QStringLiteral("LXCustom"), QStringLiteral("custom time-line bases"));

    // --- viewer ---

    // --- shell ---

    return t;
  }();
  return table;
}

}  // namespace

QString LX(const char* key) {
  const QString k = QString::fromLatin1(key);
  auto it = Table().constFind(k);
  if (it != Table().constEnd()) return it.value();
  return QLatin1Char('[') + k + QLatin1Char(']');
}

bool HasLX(const char* key) { return Table().contains(QString::fromLatin1(key)); }

QString Tool_Name(int tool) {
  switch (tool) {
    case kSorvelToolNumber:
      return QStringLiteral("Sorvel");
    case kControllerToolNumber:
      return QStringLiteral("Lexivor");
    default:
      return QStringLiteral("Lexivor tool %1").arg(tool);
  }
}
