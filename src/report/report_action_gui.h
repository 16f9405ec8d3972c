#pragma once
// The desktop program's "Corpus health report" action: asks for the corpus
// folder and where to save the page, makes the report on the page host's
// worker thread (progress, Stop, every start control disabled meanwhile)
// and opens the page in the browser when it is written.

#include <QAction>
#include <QString>
#include <QWidget>
#include <functional>

class PageHost;

// The action, owned by window. It is disabled while its report is made.
QAction* MakeCorpusReportAction(QWidget* window, PageHost* host);

// Makes the report of folder into the page at output on the host's worker
// thread; done(ok, message) runs on the window thread with what happened.
// Returns false, starting nothing, when another tool is running.
bool StartCorpusReport(PageHost* host, const QString& folder, const QString& output,
                       std::function<void(bool written, const QString& message)> done);
