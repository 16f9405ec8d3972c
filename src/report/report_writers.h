#pragma once
// The corpus health report as a page and as a JSON object.
//
// The page is one self-contained HTML file: styles inline, pictures as
// inline SVG, no script and nothing fetched from the network, readable in any
// browser and printable. Every name and text from the corpus is escaped.

#include <QByteArray>
#include <QJsonObject>
#include <QLocale>
#include <QString>
#include <vector>

#include "report/corpus_report.h"

// One line of the summary: which check, whether it found nothing to worry
// about, and what it found, in words.
struct ReportVerdict {
  QString check;  // "files", "broken", "names", "near_duplicates", "boilerplate", "unreadable"
  bool ok = true;
  QString text;
};

std::vector<ReportVerdict> ReportVerdicts(const CorpusReport& report, const QLocale& locale);

// The one line that ends a report's run, on the desktop and on the command
// line: "Checked 20,000 files: 37 broken, 120 spare copies, ..." or "Stopped
// after 9,130 of 20,000 files". Numbers follow the default locale.
QString ReportRunSummary(const CorpusReport& report);

// Text made safe inside HTML elements and attribute values: markup
// characters and quotes as entities, control characters and unpaired
// surrogates as U+FFFD.
QString HtmlEscaped(const QString& text);

// The file:// address of a local file, percent-encoded.
QString FileUrl(const QString& path);

// The page, UTF-8. Numbers follow the locale.
QByteArray CorpusReportHtml(const CorpusReport& report, const QLocale& locale);

// The same report as one object; numbers are plain JSON numbers.
QJsonObject CorpusReportJson(const CorpusReport& report);
