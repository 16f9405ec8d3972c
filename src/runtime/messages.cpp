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
    t.insert(QStringLiteral("LXFilename"), QStringLiteral("File name"));
    t.insert(QStringLiteral("LXN"), QStringLiteral("N"));
    t.insert(QStringLiteral("LXScore"), QStringLiteral("Score"));
    t.insert(QStringLiteral("LXWords"), QStringLiteral("Words"));
    t.insert(QStringLiteral("LXHitTypes"), QStringLiteral("Hit types"));
    t.insert(QStringLiteral("LXNmanyWords"), QStringLiteral("%0.n words"));
    t.insert(QStringLiteral("LXUnequalLengthLines"),
             QStringLiteral("The lines of the filter-strings file have different numbers of tabs. "
                            "Give every line the same fields (term, weight, group threshold, options)."));
    t.insert(QStringLiteral("LXBadFilterLines"), QStringLiteral("Some lines of %s cannot be read:"));
    t.insert(QStringLiteral("LXRepeatedChunks"), QStringLiteral("Repeated search terms with different settings"));
    t.insert(QStringLiteral("LXCoverage"), QStringLiteral("coverage"));
    t.insert(QStringLiteral("LXAll"), QStringLiteral("all"));
    t.insert(QStringLiteral("LXHalves"), QStringLiteral("halves"));
    t.insert(QStringLiteral("LXThirds"), QStringLiteral("thirds"));
    t.insert(QStringLiteral("LXQuarters"), QStringLiteral("quarters"));
    t.insert(QStringLiteral("LXXths"), QStringLiteral("%dths"));
    t.insert(QStringLiteral("LXFilterXtoYQ"), QStringLiteral("Copy %s to %s?"));
    t.insert(QStringLiteral("LXAnyScoringAtLeastX"), QStringLiteral("Any text scoring at least %s"));
    t.insert(QStringLiteral("LXNoFileSpecified"), QStringLiteral("no file specified"));
    t.insert(QStringLiteral("LXXNotFound"), QStringLiteral("%s not found"));
    t.insert(QStringLiteral("LXTextFile"), QStringLiteral("text file"));

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
