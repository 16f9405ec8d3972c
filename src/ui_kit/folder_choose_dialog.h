#pragma once
// "Choose a folder": asks for one folder. Created once and kept, so that it
// shows the user's last entry; Choice is read when it closes with OK.

#include <QComboBox>
#include <QDialog>
#include <QPushButton>

#include "ui_kit/path_edit_widget.h"

class FolderChooserDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FolderChooserDialog(QWidget* parent = nullptr);

  QString Choice;
  QString ini_filename;

  PathEdit* folder_edit;
  // Offered for the look of the suite's folder choosers; its value is not read.
  QComboBox* file_types_combo;
  QPushButton* ok_button;

  // Choice := the folder edit's text (an empty text is accepted); closes with OK.
  void AcceptChoice();
};
