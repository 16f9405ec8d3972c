#pragma once
// "Choose input": whether the texts come from a folder (with a file mask and
// a sub-folder switch) or from a list file naming text files. Created once
// and kept, so that it shows the user's last entries; shown modally, and its
// InputChoices are read only when it closes with OK.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "runtime/input_choices.h"
#include "ui_kit/path_edit_widget.h"

// The three file-type choices shared by the choosers, with their masks.
void FillFileTypesCombo(QComboBox* combo);
QString FileMaskOfCombo(const QComboBox* combo);
// The settings file a chooser names for itself: the user's read-write folder
// and the window's object name with ".ini".
QString ChooserSettingsFile(const QWidget* window);

// The folder-picking block both choosers show: the folder edit, and the
// file-types box with its label (the box's object names are the choosers').
struct FolderPickBlock {
  explicit FolderPickBlock(QWidget* owner);
  PathEdit* folder;
  QLabel* types_label;
  QComboBox* types;
};
// The choosers' OK button: default, named "AdvGlowButtonOK".
QPushButton* MakeChooserOkButton(QWidget* owner);

class FolderOrListChooserDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FolderOrListChooserDialog(QWidget* parent = nullptr);

  FileSourceChoice InputChoices;
  QString ini_filename;

  QRadioButton* folder_radio;
  PathEdit* folder_edit;
  QComboBox* file_types_combo;
  QCheckBox* subfolders_check;
  QRadioButton* list_radio;
  PathEdit* list_edit;
  QPushButton* ok_button;

  // A change of the folder edit chooses "a folder", of the list edit "a list".
  void AnEditChange(QObject* sender);
  // Takes the choices and closes with OK; choosing a list file that does not
  // exist asks first.
  void AcceptChoices();
  QString GetCurrentFileMask() const { return FileMaskOfCombo(file_types_combo); }
};
