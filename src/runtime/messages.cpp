#include "runtime/messages.h"

#include <QHash>
#include <iterator>

namespace {

// Each subsystem keeps its texts in its own block so that additions stay apart.
// Texts are UTF-8.
constexpr MessageEntry kMessages[] = {
    // --- shared ---
    {"LXNOutOfN", "%s of %s"},
    {"LXNManyOutOfN", "%0.n of %0.n"},
    {"LXErrorCaption", "Error"},
    {"LXHaltingCaption", "Halting"},
    {"LXStoppingAtEndOfFile", "stopping at end of file"},
    {"LXStoppingASAP", "stopping as soon as possible"},
    {"LXPanicStop", "panic stop"},
    {"LXClosingATool", "closing a tool"},
    {"LXFiltered", "filtered"},
    {"LXMoved", "moved"},
    {"LXNFilesSaved", "%0.n files saved"},
    // Texts more than one subsystem shows: one text per key.
    {"LXFilename", "File name"},
    {"LXFilenames", "File names"},
    {"LXFolder", "Folder"},
    {"LXFolders", "Folders"},
    {"LXFunctionNFound", "%s: %0.n found"},
    {"LXHitTypes", "hit types"},
    {"LXN", "N"},
    {"LXRepeatedChunks", "repeated chunks"},
    {"LXWords", "words"},
    // --- corruption ---

    // --- duplicate contents ---
    {"LXNmanyTexts", "%0.n texts"},
    {"LXNearDuplicates", "near duplicates"},
    {"LXPercentageToProcessFromQ",
     "Start at which percentage of the list (0 = from the beginning)?"},
    {"LXEmptyFile", "These files are empty and were not compared:\r\n%s"},
    {"LXRemoveXQ", "Move the spare %s into a side folder"},
    {"LXUNRemoveXQ", "Restore any moved %s"},
    {"LXNmanyUNMoved", "%0.n moved files found to restore"},
    {"LXDelete", "move"},
    {"LXOK", "keep"},
    {"LXKeep", "Keep"},
    {"LXTokens", "Tokens"},
    {"LXTokenDifferences", "Token differences"},
    {"LXTypeDifferences", "Type differences"},
    {"LXCopyResultsToExcelToo", "Save the results as a spreadsheet too"},

    // --- duplicate names ---
    {"LXFolderNNmanyFiles", "folder %d: %0.n files"},
    {"LXPerfectDuplicates", "duplicates"},
    {"LXBasedOnNmanyFiles", "based on %0.n files"},
    {"LXChooseADriveAndFolder", "Please choose a drive and folder first."},
    {"LXSearchWithin", "search within %s"},
    {"LXAndAllSubFoldersExcludingAnyListedBelow",
     "and all its sub-folders, excluding any listed below"},
    {"LXOnly", "only, without its sub-folders"},
    {"LXExpand", "Expand"},
    {"LXCollapse", "Collapse"},

    // --- boilerplate ---
    {"LXChunk", "Chunk"},
    {"LXOverallFreq", "Hits"},
    {"LXTotal", "Total"},
    {"LXNManyX", "%0.n %s"},
    {"LXFilesWord", "files"},
    {"LXXFoundNStrTimesInY", "\"%s\" found %s in %s"},
    {"LXXFoundInY", "%s found in %s"},

    // --- relevance ---
    {"LXScore", "Score"},
    {"LXNmanyWords", "%0.n words"},
    {"LXUnequalLengthLines",
     "The lines of the filter-strings file have different numbers of tabs. "
     "Give every line the same fields (term, weight, group threshold, options)."},
    {"LXBadFilterLines", "Some lines of %s cannot be read:"},
    {"LXCoverage", "coverage"},
    {"LXAll", "all"},
    {"LXHalves", "halves"},
    {"LXThirds", "thirds"},
    {"LXQuarters", "quarters"},
    {"LXXths", "%dths"},
    {"LXFilterXtoYQ", "Copy %s to %s?"},
    {"LXAnyScoringAtLeastX", "Any text scoring at least %s"},
    {"LXNoFileSpecified", "no file specified"},
    {"LXXNotFound", "%s not found"},
    {"LXTextFile", "text file"},

    // --- sampling ---
    {"LXDate", "Date"},
    {"LXTooFew", "Too few"},
    {"LXXTextFiles", "%s text files"},
    {"LXReduceToN", "reduce the list to a random sample of %0.n"},
    {"LXScores", "Scores"},
    {"LXCustom", "custom time-line bases"},

    // --- viewer ---
    {"LXItemNOfNAndLineNofN", "Hit %0.n of %0.n   Line %0.n of %0.n"},
    {"LXTotalN", "Total: %0.n"},
    {"LXOverwriteX", "overwrite %s"},
    {"LXFailedToSaveX", "Could not save %s"},
    {"LXRTFFiles", "RTF files (*.rtf)"},
    {"LXAllFiles", "All files (*.*)"},

    // --- shell ---
};

const QHash<QString, QString>& Table() {
  static const QHash<QString, QString> table = [] {
    QHash<QString, QString> t;
    t.reserve(static_cast<qsizetype>(std::size(kMessages)));
    for (const MessageEntry& e : kMessages)
      t.insert(QString::fromLatin1(e.key), QString::fromUtf8(e.text));
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

std::span<const MessageEntry> MessageEntries() { return kMessages; }

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
