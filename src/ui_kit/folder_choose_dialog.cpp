#include "ui_kit/folder_choose_dialog.h"

#include <QGridLayout>

#include "ui_kit/folder_or_list_dialog.h"

FolderChooserDialog::FolderChooserDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormFolderChooser"));
  setWindowTitle(QStringLiteral("Choose a folder"));
  setModal(true);
  const FolderPickBlock pick(this);
  ElFolderNameEditFolder = pick.folder;
  myAdvFilterComboFolder = pick.types;
  AdvGlowButtonOK = MakeChooserOkButton(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(ElFolderNameEditFolder, 0, 0, 1, 3);
  grid->addWidget(pick.types_label, 1, 0, Qt::AlignRight);
  grid->addWidget(myAdvFilterComboFolder, 1, 1);
  grid->addWidget(AdvGlowButtonOK, 1, 2, Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  resize(402, 101);
  ini_filename = ChooserSettingsFile(this);
  connect(AdvGlowButtonOK, &QPushButton::clicked, this, &FolderChooserDialog::AcceptChoice);
}

void FolderChooserDialog::AcceptChoice() {
  Choice = ElFolderNameEditFolder->text();
  done(QDialog::Accepted);
}
