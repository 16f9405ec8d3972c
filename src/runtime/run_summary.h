#pragma once
// The one line that ends every run, in the desktop program's status bar and
// on the command line's stderr alike, so that a run which checked nothing
// never reads like one which found nothing:
//   "Checked 20,000 files: 1,004 flagged"
//   "Checked 0 files: the folder holds no text files"
//   "Stopped after 9,130 of 20,000 files"
//   "Folder not found: /data/corpus"
// Numbers are in the user's locale.

#include <QString>

class QLocale;

// "1 file" / "20,000 files" (or the given nouns).
QString CountOf(long long count, const QString& singular = QStringLiteral("file"),
                const QString& plural = QStringLiteral("files"));
// The same with the number in the given locale: for a page written for a
// reader elsewhere, or plain (QLocale::c()) inside a JSON text.
QString CountOf(long long count, const QString& singular, const QString& plural,
                const QLocale& locale);

// "Checked N files: <found>" ("Checked N files" when found is empty).
QString CheckedSummary(long long checked, const QString& found,
                       const QString& singular = QStringLiteral("file"),
                       const QString& plural = QStringLiteral("files"));

// "Stopped after N of M files" ("Stopped after N files" when total < 0).
QString StoppedSummary(long long done, long long total,
                       const QString& singular = QStringLiteral("file"),
                       const QString& plural = QStringLiteral("files"));

// "Folder not found: <display name>".
QString FolderNotFoundSummary(const QString& folder);
