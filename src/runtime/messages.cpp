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
    // Texts more than one subsystem shows: one text per key.
    t.insert(QStringLiteral("LXFilename"), QStringLiteral("File name"));
    t.insert(QStringLiteral("LXFilenames"), QStringLiteral("File names"));
    t.insert(QStringLiteral("LXFolder"), QStringLiteral("Folder"));
    t.insert(QStringLiteral("LXFolders"), QStringLiteral("Folders"));
    t.insert(QStringLiteral("LXFunctionNFound"), QStringLiteral("%s: %0.n found"));
    t.insert(QStringLiteral("LXHitTypes"), QStringLiteral("hit types"));
    t.insert(QStringLiteral("LXN"), QStringLiteral("N"));
    t.insert(QStringLiteral("LXRepeatedChunks"), QStringLiteral("repeated chunks"));
    t.insert(QStringLiteral("LXWords"), QStringLiteral("words"));
    // --- corruption ---

    // --- duplicate contents ---
    t.insert(QStringLiteral("LXNmanyTexts"), QStringLiteral("%0.n texts"));
    t.insert(QStringLiteral("LXNearDuplicates"), QStringLiteral("near duplicates"));
    t.insert(QStringLiteral("LXPercentageToProcessFromQ"),
             QStringLiteral("Start at which percentage of the list (0 = from the beginning)?"));
    t.insert(QStringLiteral("LXEmptyFile"), QStringLiteral("These files are empty and were not compared:\r\n%s"));
    t.insert(QStringLiteral("LXRemoveXQ"), QStringLiteral("Move the spare %s into a side folder"));
    t.insert(QStringLiteral("LXUNRemoveXQ"), QStringLiteral("Restore any moved %s"));
    t.insert(QStringLiteral("LXNmanyUNMoved"), QStringLiteral("%0.n moved files found to restore"));
    t.insert(QStringLiteral("LXDelete"), QStringLiteral("move"));
    t.insert(QStringLiteral("LXOK"), QStringLiteral("keep"));
    t.insert(QStringLiteral("LXKeep"), QStringLiteral("Keep"));
    t.insert(QStringLiteral("LXTokens"), QStringLiteral("Tokens"));
    t.insert(QStringLiteral("LXTokenDifferences"), QStringLiteral("Token differences"));
    t.insert(QStringLiteral("LXTypeDifferences"), QStringLiteral("Type differences"));
    t.insert(QStringLiteral("LXCopyResultsToExcelToo"), QStringLiteral("Save the results as a spreadsheet too"));

    // --- duplicate names ---
    t.insert(QStringLiteral("LXFolderNNmanyFiles"), QStringLiteral("folder %d: %0.n files"));
    t.insert(QStringLiteral("LXPerfectDuplicates"), QStringLiteral("duplicates"));
    t.insert(QStringLiteral("LXBasedOnNmanyFiles"), QStringLiteral("based on %0.n files"));
    t.insert(QStringLiteral("LXChooseADriveAndFolder"), QStringLiteral("Please choose a drive and folder first."));
    t.insert(QStringLiteral("LXSearchWithin"), QStringLiteral("Search within %s"));
    t.insert(QStringLiteral("LXAndAllSubFoldersExcludingAnyListedBelow"),
             QStringLiteral("and all its sub-folders, excluding any listed below?"));
    t.insert(QStringLiteral("LXOnly"), QStringLiteral("only (no sub-folders)?"));
    t.insert(QStringLiteral("LXExpand"), QStringLiteral("Expand"));
    t.insert(QStringLiteral("LXCollapse"), QStringLiteral("Collapse"));

    // --- boilerplate ---
    t.insert(QStringLiteral("LXChunk"), QStringLiteral("Chunk"));
    t.insert(QStringLiteral("LXOverallFreq"), QStringLiteral("Hits"));
    t.insert(QStringLiteral("LXTotal"), QStringLiteral("Total"));
    t.insert(QStringLiteral("LXNManyX"), QStringLiteral("%0.n %s"));
    t.insert(QStringLiteral("LXFilesWord"), QStringLiteral("files"));
    t.insert(QStringLiteral("LXXFoundNStrTimesInY"), QStringLiteral("\"%s\" found %s times in %s"));
    t.insert(QStringLiteral("LXXFoundInY"), QStringLiteral("%s found in %s"));

    // --- relevance ---
    t.insert(QStringLiteral("LXScore"), QStringLiteral("Score"));
    t.insert(QStringLiteral("LXNmanyWords"), QStringLiteral("%0.n words"));
    t.insert(QStringLiteral("LXUnequalLengthLines"),
             QStringLiteral("The lines of the filter-strings file have different numbers of tabs. "
                            "Give every line the same fields (term, weight, group threshold, options)."));
    t.insert(QStringLiteral("LXBadFilterLines"), QStringLiteral("Some lines of %s cannot be read:"));
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
    t.insert(QStringLiteral("LXDate"), QStringLiteral("Date"));
    t.insert(QStringLiteral("LXTooFew"), QStringLiteral("Too few"));
    t.insert(QStringLiteral("LXXTextFiles"), QStringLiteral("%s text files"));
    t.insert(QStringLiteral("LXReduceToN"), QStringLiteral("reduce the list to a random sample of %0.n"));
    t.insert(QStringLiteral("LXScores"), QStringLiteral("Scores"));
    t.insert(QStringLiteral("LXCustom"), QStringLiteral("custom time-line bases"));

    // --- viewer ---
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
