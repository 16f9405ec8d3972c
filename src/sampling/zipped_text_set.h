#pragma once
// The zipped text set: one ZIP archive that packs a sample so that it can be
// passed on. Entries, in this order:
//   List_of_<count>_Texts.txt  a numbered list of the sample
//   as_one_text.txt            every text of the sample joined into one
//   one entry per sample file  the file itself, added from disk
// The two generated entries are stored as UTF-8 with a byte-order mark (an
// empty text stays an empty entry), so that any editor reads them right.

#include <QString>
#include <QStringList>
#include <functional>

// The path part of a sample entry: the whole entry when it names an existing
// file (a file's own name may hold a tab, "*" or "?"), else the part before
// the first tab (a list file may carry further fields after the path),
// trimmed of blanks; empty when no such file exists.
QString CleanSamplePath(const QString& entry);

// A sample entry as it is shown and listed: its path part in the display
// form (runtime/native_names.h), then any tab-separated fields as they are.
QString SampleEntryDisplay(const QString& entry);

struct ZippedTextSetTexts {
  QString list_name;    // List_of_<count>_Texts.txt
  QString list_text;    // heading, empty line, one line per existing file
  QString joined_text;  // a header and the lines of each existing file
};

// Builds the two generated texts. Entries whose file does not exist are left
// out of both; their numbers are skipped. Throws FileReadError for a file
// that exists but cannot be read.
ZippedTextSetTexts BuildZippedTextSetTexts(const QStringList& sample);

struct ZippedTextSetOutcome {
  int texts = 0;        // sample entries whose file exists: listed and joined
  int files_added = 0;  // files packed from disk
};

// Writes the archive to zip_path. Sample entries are added from disk as
// given: an entry that names an existing file adds that file, even when its
// name holds "*", "?" or a tab; an entry that names no existing file adds
// nothing when it holds a tab (a list line with fields), and the matching
// files of its folder when it holds "*" or "?". Each file is stored under its own name; a name met
// again gets a number (text_2.txt), so that no file of the sample hides another.
//
// Nothing is held in memory beyond one piece of text at a time: the joined
// text is written to a temporary file beside the archive and packed from
// there, as the sample files are. The archive is written under a temporary
// name in the same folder and renamed into place when complete, so an
// archive of that name is either the old one or the new one, never half of
// one. An existing file of that name is replaced only when replace_existing
// is set, and never when it is one of the sample's files. Throws SorvelError
// when the archive cannot be written or must not be (the target exists, or
// is a file of the sample) and FileReadError when a text cannot be read;
// the temporary files are removed and an older archive is kept as it was.
//
// count, when given, hears the entries done of all entries as their texts
// are read into the joined text.
ZippedTextSetOutcome WriteZippedTextSet(
    const QStringList& sample, const QString& zip_path,
    const std::function<void(long long done, long long total)>& count = {},
    bool replace_existing = false);

// The line that ends a save, for the page and the command line alike:
// "Checked 5 entries: 4 texts saved in /out/set.zip", or, when the archive
// was not written, "Checked 5 entries: the archive was not written".
QString ZippedTextSetSummary(long long entries, const ZippedTextSetOutcome& outcome,
                             const QString& zip_path, bool saved);

// Why an archive must not be written to zip_path: it names an existing file
// inside the folder the sample was drawn from (a text of the corpus given by
// mistake as the archive's name). Empty when it may be written.
QString ArchiveOverSampledFolderRefusal(const QString& zip_path, const QString& sampled_folder);

// The prefix of the temporary files written beside an archive of that name
// (the archive under construction and the joined text).
QString ZippedTextSetPartialPrefix(const QString& zip_path);
