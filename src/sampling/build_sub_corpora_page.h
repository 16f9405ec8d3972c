#pragma once
// The "Build Sub-corpora" page: regroups the texts of a corpus by date into
// one tagged UTF-16 file per period, in a folder named after the period kind
// under the results folder.

#include <QWidget>

#include "runtime/file_walker.h"
#include "runtime/panic.h"

class PageHost;
class QComboBox;
class QPushButton;
class FolderEdit;

class BuildSubCorporaPage : public QWidget {
  Q_OBJECT
 public:
  BuildSubCorporaPage(PageHost* host, QWidget* parent = nullptr);

  // Fills the Delicacy list (the main window does it when it is shown):
  // ordinals 0 to 8, then 10, with the user's default base selected.
  void FillDelicacyList();
  // The ordinal of the selected Delicacy entry, or -1 when none is selected.
  int DelicacyValue() const;
  void AdvGlowButtonBuildSubCorpusClick();

  // The base of the last run that got past the form check.
  int BuildSubCorpora_Delicacy = -1;
  // Files written by the last finished run.
  int LastFilesSaved() const { return last_saved_; }

 Q_SIGNALS:
  void DelicacyChosen(int ordinal);
  // A run has ended (saved is the number of sub-corpus files written).
  void BuildFinished(int saved);

 private:
  PageHost* host_;
  FileWalker FileAndDirIteratorCorpus_;
  StopFlag stop_;
  int last_saved_ = 0;

  FolderEdit* MyOpenFolderDialogSubCorporaSource_ = nullptr;
  FolderEdit* MyOpenFolderDialogSubCorporaResults_ = nullptr;
  QComboBox* myAdvFilterComboSubCorpus_ = nullptr;
  QComboBox* AdvComboBoxDelicacy_ = nullptr;
  QPushButton* AdvGlowButtonBuildSubCorpus_ = nullptr;
};
