#pragma once
// The desktop program's "Corpus health report" action: a dialog asks for the
// corpus folder, the known-good texts (optional) and where to save the page;
// the report is made on the page host's worker thread (progress, Stop, every
// start control disabled meanwhile) and the page opens in the browser when
// it is written.

#include <QAction>
#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>

class PageHost;
class FolderEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// What the dialog asks for.
struct CorpusReportChoice {
  QString folder;
  QString good_folder;  // empty: the corpus is its own digraph reference
  QString output;       // the page to write
};

class CorpusReportDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CorpusReportDialog(QWidget* parent = nullptr);
  CorpusReportChoice Choice() const;
  void SetChoice(const CorpusReportChoice& choice);
  // Why the choice cannot be used, in a sentence; empty when it can.
  QString Problem() const;
  // Closes the dialog only with a choice that can be used; else says why.
  void accept() override;

 private:
  void FolderChanged();
  void BrowseOutput();
  FolderEdit* folder_;
  FolderEdit* good_folder_;
  QLineEdit* output_;
  QLabel* problem_;
  QPushButton* start_;
  bool output_typed_ = false;  // the user chose the page's name: it is not proposed again
};

// The action, owned by window. It is disabled while its report is made.
QAction* MakeCorpusReportAction(QWidget* window, PageHost* host);

// Makes the report of choice.folder into the page at choice.output on the
// host's worker thread; done(ok, message) runs on the window thread with
// what happened. Returns false, starting nothing, when another tool is
// running. The run's closing line goes to the host's ShowRunSummary.
bool StartCorpusReport(PageHost* host, const CorpusReportChoice& choice,
                       std::function<void(bool written, const QString& message)> done);
