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

  folder_radio = new QRadioButton(QStringLiteral("a folder"), this);
  folder_radio->setObjectName(QStringLiteral("AdvOfficeRadioButtonFolder"));
  folder_radio->setChecked(true);
  const FolderPickBlock pick(this);
  folder_edit = pick.folder;
  file_types_combo = pick.types;
  subfolders_check = new QCheckBox(QStringLiteral("and sub-folders"), this);
  subfolders_check->setObjectName(QStringLiteral("AdvOfficeCheckBoxIncludeSubFolders"));
  subfolders_check->setChecked(true);
  list_radio = new QRadioButton(QStringLiteral("a list of text files"), this);
  list_radio->setObjectName(QStringLiteral("AdvOfficeRadioButtonList"));
  list_edit = new PathEdit(PathEdit::Kind::ExistingFile, this);
  list_edit->setObjectName(QStringLiteral("ElFileNameEditList"));
  list_edit->setNameFilter(QStringLiteral("Text files (*.txt);;All files (*)"));
  ok_button = MakeChooserOkButton(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(folder_radio, 0, 0);
  grid->addWidget(folder_edit, 0, 1, 1, 3);
  grid->addWidget(pick.types_label, 1, 1, Qt::AlignRight);
  grid->addWidget(file_types_combo, 1, 2);
  grid->addWidget(subfolders_check, 1, 3);
  grid->addWidget(list_radio, 2, 0);
  grid->addWidget(list_edit, 2, 1, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_button);
  grid->addLayout(buttons, 3, 0, 1, 4);
  grid->setColumnStretch(2, 1);
  resize(497, 159);

  ini_filename = ChooserSettingsFile(this);
  connect(folder_edit, &PathEdit::textChanged, this, [this] { AnEditChange(folder_edit); });
  connect(list_edit, &PathEdit::textChanged, this, [this] { AnEditChange(list_edit); });
  connect(ok_button, &QPushButton::clicked, this, &FolderOrListChooserDialog::AcceptChoices);
}

void FolderOrListChooserDialog::AnEditChange(QObject* sender) {
  if (sender == folder_edit) {
    folder_radio->setChecked(true);
  } else if (sender == list_edit) {
    list_radio->setChecked(true);
  }
}

void FolderOrListChooserDialog::AcceptChoices() {
  InputChoices.head_folder = folder_edit->text();
  InputChoices.filemask = GetCurrentFileMask();
  InputChoices.file_list = list_edit->text();
  InputChoices.include_sub_folders = subfolders_check->isChecked();
  int result = QDialog::Accepted;
  if (list_radio->isChecked()) {
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
