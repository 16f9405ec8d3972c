#include "ui_kit/folder_choose_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "ui_kit/folder_or_list_dialog.h"

FolderChooserDialog::FolderChooserDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormFolderChooser"));
  setWindowTitle(QStringLiteral("Choose a folder"));
  setModal(true);
  ElFolderNameEditFolder = new PathEdit(PathEdit::Kind::Folder, this);
  ElFolderNameEditFolder->setObjectName(QStringLiteral("ElFolderNameEditFolder"));
  auto* types_label = new QLabel(QStringLiteral("File-types"), this);
  myAdvFilterComboFolder = new QComboBox(this);
  myAdvFilterComboFolder->setObjectName(QStringLiteral("myAdvFilterComboFolder"));
  FillFileTypesCombo(myAdvFilterComboFolder);
  types_label->setBuddy(myAdvFilterComboFolder);
  AdvGlowButtonOK = new QPushButton(QStringLiteral("OK"), this);
  AdvGlowButtonOK->setObjectName(QStringLiteral("AdvGlowButtonOK"));
  AdvGlowButtonOK->setDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(ElFolderNameEditFolder, 0, 0, 1, 3);
  grid->addWidget(types_label, 1, 0, Qt::AlignRight);
  grid->addWidget(myAdvFilterComboFolder, 1, 1);
  grid->addWidget(AdvGlowButtonOK, 1, 2, Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  resize(402, 101);
  ini_filename = ChooserSettingsFile(this);
  connect(AdvGlowButtonOK, &QPushButton::clicked, this, &FolderChooserDialog::AdvGlowButtonOKClick);
}

void FolderChooserDialog::AdvGlowButtonOKClick() {
  Choice = ElFolderNameEditFolder->text();
  done(QDialog::Accepted);
}
