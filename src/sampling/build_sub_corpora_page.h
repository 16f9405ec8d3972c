#pragma once
// The "Build Sub-corpora" page: regroups the texts of a corpus by date into
// one tagged UTF-16 file per period, in a folder named after the period kind
// under the results folder.

#include <QString>
#include <QWidget>
#include <functional>

#include "runtime/file_walker.h"
#include "runtime/panic.h"

class PageHost;
class QComboBox;
class QPushButton;
class QTableWidget;
struct SubCorpusOutcome;
class FolderEdit;

class BuildSubCorporaPage : public QWidget {
  Q_OBJECT
 public:
  BuildSubCorporaPage(PageHost* host, QWidget* parent = nullptr);

  // Fills the Delicacy list (the main window does it when it is shown): the
  // bases that group by a period, decade to hour, with the user's default
  // base selected.
  void FillDelicacyList();
  // The ordinal of the selected Delicacy entry, or -1 when none is selected.
  int DelicacyValue() const;
  // The Build button: checks the form and runs the build on the worker.
  void Build();

  // Files written by the last finished run.
  int LastFilesSaved() const { return last_saved_; }
  // The files of the last finished run, with the texts each holds.
  QTableWidget* FilesTable() const { return files_table_; }
  // Opens the folder of the new sub-corpora when the user says so at the end
  // of a run (replaceable in tests).
  std::function<void(const QString& folder)> OpenFolder;

 Q_SIGNALS:
  void DelicacyChosen(int ordinal);
  // A run has ended (saved is the number of sub-corpus files written).
  void BuildFinished(int saved);

 private:
  // The folders of the source text, or empty after telling the user which
  // folder is missing.
  QStringList ExistingSourceFolders(const QString& source_text);
  void ShowWrittenFiles(const SubCorpusOutcome& outcome);

  PageHost* host_;
  FileWalker corpus_walker_;
  StopFlag stop_;
  int last_saved_ = 0;

  FolderEdit* source_folder_edit_ = nullptr;
  FolderEdit* results_folder_edit_ = nullptr;
  QComboBox* file_types_combo_ = nullptr;
  QComboBox* delicacy_combo_ = nullptr;
  QPushButton* build_button_ = nullptr;
  QTableWidget* files_table_ = nullptr;
};
