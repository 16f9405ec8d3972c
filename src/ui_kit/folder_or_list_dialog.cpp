#include "ui_kit/folder_or_list_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "runtime/dialogs.h"
#include "runtime/file_types.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "ui_kit/folder_field_gui.h"

void FillFileTypesCombo(QComboBox* combo) {
  for (const FileTypeChoice& t : FileTypeChoices())
    combo->addItem(QString::fromLatin1(t.caption), QString::fromLatin1(t.mask));
  combo->setCurrentIndex(0);
}

QString FileMaskOfCombo(const QComboBox* combo) {
  const QString m = combo->currentData().toString();
  return m.isEmpty() ? QStringLiteral("*.*") : m;
}

QString ChooserSettingsFile(const QWidget* window) {
  QString folder = GetUserReadWriteFolder();
  if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder + window->objectName() + QStringLiteral(".ini");
}

FolderPickBlock::FolderPickBlock(QWidget* owner)
    : folder(new PathEdit(PathEdit::Kind::Folder, owner)),
      types_label(new QLabel(QStringLiteral("File-types"), owner)),
      types(new QComboBox(owner)) {
  folder->setObjectName(QStringLiteral("ElFolderNameEditFolder"));
  types->setObjectName(QStringLiteral("myAdvFilterComboFolder"));
  FillFileTypesCombo(types);
  types_label->setBuddy(types);
  // Dropped folders, and the last folder chosen.
  (new FolderFields(owner))->Attach(folder);
}

QPushButton* MakeChooserOkButton(QWidget* owner) {
  auto* ok = new QPushButton(QStringLiteral("OK"), owner);
  ok->setObjectName(QStringLiteral("AdvGlowButtonOK"));
  ok->setDefault(true);
  return ok;
}

FolderOrListChooserDialog::FolderOrListChooserDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormFolderOrListChooser"));
  setWindowTitle(QStringLiteral("Choose input"));
  setModal(true);

  AdvOfficeRadioButtonFolder = new QRadioButton(QStringLiteral("a folder"), this);
  AdvOfficeRadioButtonFolder->setObjectName(QStringLiteral("AdvOfficeRadioButtonFolder"));
  AdvOfficeRadioButtonFolder->setChecked(true);
  const FolderPickBlock pick(this);
  ElFolderNameEditFolder = pick.folder;
  myAdvFilterComboFolder = pick.types;
  AdvOfficeCheckBoxIncludeSubFolders = new QCheckBox(QStringLiteral("and sub-folders"), this);
  AdvOfficeCheckBoxIncludeSubFolders->setObjectName(
      QStringLiteral("AdvOfficeCheckBoxIncludeSubFolders"));
  AdvOfficeCheckBoxIncludeSubFolders->setChecked(true);
  AdvOfficeRadioButtonList = new QRadioButton(QStringLiteral("a list of text files"), this);
  AdvOfficeRadioButtonList->setObjectName(QStringLiteral("AdvOfficeRadioButtonList"));
  ElFileNameEditList = new PathEdit(PathEdit::Kind::ExistingFile, this);
  ElFileNameEditList->setObjectName(QStringLiteral("ElFileNameEditList"));
  ElFileNameEditList->setNameFilter(QStringLiteral("Text files (*.txt);;All files (*)"));
  AdvGlowButtonOK = MakeChooserOkButton(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(AdvOfficeRadioButtonFolder, 0, 0);
  grid->addWidget(ElFolderNameEditFolder, 0, 1, 1, 3);
  grid->addWidget(pick.types_label, 1, 1, Qt::AlignRight);
  grid->addWidget(myAdvFilterComboFolder, 1, 2);
  grid->addWidget(AdvOfficeCheckBoxIncludeSubFolders, 1, 3);
  grid->addWidget(AdvOfficeRadioButtonList, 2, 0);
  grid->addWidget(ElFileNameEditList, 2, 1, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(AdvGlowButtonOK);
  grid->addLayout(buttons, 3, 0, 1, 4);
  grid->setColumnStretch(2, 1);
  resize(497, 159);

  ini_filename = ChooserSettingsFile(this);
  connect(ElFolderNameEditFolder, &PathEdit::textChanged, this,
          [this] { AnEditChange(ElFolderNameEditFolder); });
  connect(ElFileNameEditList, &PathEdit::textChanged, this,
          [this] { AnEditChange(ElFileNameEditList); });
  connect(AdvGlowButtonOK, &QPushButton::clicked, this, &FolderOrListChooserDialog::AcceptChoices);
}

void FolderOrListChooserDialog::AnEditChange(QObject* sender) {
  if (sender == ElFolderNameEditFolder) {
    AdvOfficeRadioButtonFolder->setChecked(true);
  } else if (sender == ElFileNameEditList) {
    AdvOfficeRadioButtonList->setChecked(true);
  }
}

void FolderOrListChooserDialog::AcceptChoices() {
  InputChoices.head_folder = ElFolderNameEditFolder->text();
  InputChoices.filemask = GetCurrentFileMask();
  InputChoices.file_list = ElFileNameEditList->text();
  InputChoices.include_sub_folders = AdvOfficeCheckBoxIncludeSubFolders->isChecked();
  int result = QDialog::Accepted;
  if (AdvOfficeRadioButtonList->isChecked()) {
    InputChoices.file_or_folder = FileOrFolder::t_textfile;
    if (!QFileInfo(InputChoices.file_list).isFile()) {
      const QString shown =
          InputChoices.file_list.isEmpty()
              ? QStringLiteral("***") + LX("LXNoFileSpecified") + QStringLiteral("***")
              : InputChoices.file_list;
      const int answer =
          WarnAboutAndASKOK(Format(LX("LXXNotFound"), {LX("LXTextFile")}) + QStringLiteral("\r\n") +
                                Format(LX("LXXNotFound"), {shown}),
                            6040);
      if (answer != mrOK) result = QDialog::Rejected;
    }
  } else {
    InputChoices.file_or_folder = FileOrFolder::t_folder_contents;
  }
  done(result);
}
