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

// The path part of a sample entry: the part before the first tab (a list
// file may carry further fields after the path), trimmed of blanks; empty
// when no such file exists.
QString CleanSamplePath(const QString& entry);

struct ZippedTextSetTexts {
  QString list_name;    // List_of_<count>_Texts.txt
  QString list_text;    // heading, empty line, one line per existing file
  QString joined_text;  // a header and the lines of each existing file
};

// Builds the two generated texts. Entries whose file does not exist are left
// out of both; their numbers are skipped. Throws FileReadError for a file
// that exists but cannot be read.
ZippedTextSetTexts BuildZippedTextSetTexts(const QStringList& sample,
                                           const std::function<void()>& yield = {});

// Writes the archive to zip_path, replacing any file of that name. Sample
// entries are added from disk as given: an entry that names no existing file
// (such as one with tab fields) adds nothing; one with "*" or "?" in its name
// adds the matching files of its folder. Each file is stored under its own
// name; a name met again gets a number (text_2.txt), so that no file of the
// sample hides another. Throws SorvelError when the archive cannot be
// written and FileReadError when a text cannot be read; an older archive of
// that name is then kept as it was.
void WriteZippedTextSet(const QStringList& sample, const QString& zip_path,
                        const std::function<void()>& yield = {});
