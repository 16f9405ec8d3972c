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
    t.insert(QStringLiteral("LXFolderNNmanyFiles"), QStringLiteral("folder %d: %0.n files"));
    t.insert(QStringLiteral("LXFunctionNFound"), QStringLiteral("%s found: %0.n"));
    t.insert(QStringLiteral("LXPerfectDuplicates"), QStringLiteral("duplicates"));
    t.insert(QStringLiteral("LXBasedOnNmanyFiles"), QStringLiteral("based on %0.n files"));
    t.insert(QStringLiteral("LXChooseADriveAndFolder"), QStringLiteral("Please choose a drive and folder first."));
    t.insert(QStringLiteral("LXSearchWithin"), QStringLiteral("search within %s"));
    t.insert(QStringLiteral("LXAndAllSubFoldersExcludingAnyListedBelow"),
             QStringLiteral("and all its sub-folders, excluding any listed below"));
    t.insert(QStringLiteral("LXOnly"), QStringLiteral("only, without its sub-folders"));
    t.insert(QStringLiteral("LXExpand"), QStringLiteral("Expand"));
    t.insert(QStringLiteral("LXCollapse"), QStringLiteral("Collapse"));
    t.insert(QStringLiteral("LXFilename"), QStringLiteral("File name"));
    t.insert(QStringLiteral("LXFolder"), QStringLiteral("Folder"));

    // --- boilerplate ---

    // --- relevance ---

    // --- sampling ---

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
