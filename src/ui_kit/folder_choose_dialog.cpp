#include "ui_kit/folder_choose_dialog.h"

#include <QGridLayout>

#include "ui_kit/folder_or_list_dialog.h"

FolderChooserDialog::FolderChooserDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormFolderChooser"));
  setWindowTitle(QStringLiteral("Choose a folder"));
  setModal(true);
  const FolderPickBlock pick(this);
  folder_edit = pick.folder;
  file_types_combo = pick.types;
  ok_button = MakeChooserOkButton(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(folder_edit, 0, 0, 1, 3);
  grid->addWidget(pick.types_label, 1, 0, Qt::AlignRight);
  grid->addWidget(file_types_combo, 1, 1);
  grid->addWidget(ok_button, 1, 2, Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  resize(402, 101);
  ini_filename = ChooserSettingsFile(this);
  connect(ok_button, &QPushButton::clicked, this, &FolderChooserDialog::AcceptChoice);
}

void FolderChooserDialog::AcceptChoice() {
  Choice = folder_edit->text();
  done(QDialog::Accepted);
}
