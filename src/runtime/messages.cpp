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

    // --- viewer ---
    t.insert(QStringLiteral("LXWords"), QStringLiteral("words"));
    t.insert(QStringLiteral("LXHitTypes"), QStringLiteral("hit types"));
    t.insert(QStringLiteral("LXItemNOfNAndLineNofN"), QStringLiteral("Hit %0.n of %0.n   Line %0.n of %0.n"));
    t.insert(QStringLiteral("LXTotalN"), QStringLiteral("Total: %0.n"));
    t.insert(QStringLiteral("LXOverwriteX"), QStringLiteral("overwrite %s"));
    t.insert(QStringLiteral("LXFailedToSaveX"), QStringLiteral("Could not save %s"));
    t.insert(QStringLiteral("LXRTFFiles"), QStringLiteral("RTF files (*.rtf)"));
    t.insert(QStringLiteral("LXAllFiles"), QStringLiteral("All files (*.*)"));

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
