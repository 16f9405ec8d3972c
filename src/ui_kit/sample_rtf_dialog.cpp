#include "ui_kit/sample_rtf_dialog.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <limits>

#include "runtime/dialogs.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "ui_kit/folder_field_gui.h"
#include "ui_kit/folder_or_list_dialog.h"

SampleRtfDialog::SampleRtfDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormSampleRTF"));
  setWindowTitle(QStringLiteral("Save a sample in RTF format"));
  setModal(true);
  intro_label =
      new QLabel(QStringLiteral("Saves a sample of results in the folder as RTF files "), this);
  intro_label->setObjectName(QStringLiteral("Label1"));
  start_number_spin = new QSpinBox(this);
  start_number_spin->setObjectName(QStringLiteral("AdvSpinEditStartNumber"));
  start_number_spin->setRange(0, std::numeric_limits<int>::max());
  start_number_spin->setSingleStep(10);
  sample_size_spin = new QSpinBox(this);
  sample_size_spin->setObjectName(QStringLiteral("AdvSpinEditSampleSize"));
  sample_size_spin->setRange(1, std::numeric_limits<int>::max());
  sample_size_spin->setSingleStep(5);
  folder_edit = new PathEdit(PathEdit::Kind::Folder, this);
  folder_edit->setObjectName(QStringLiteral("ElFolderNameEdit1"));
  (new FolderFields(this))->Attach(folder_edit);
  ok_button = MakeChooserOkButton(this);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Start number"), start_number_spin);
  form->addRow(QStringLiteral("Number to save"), sample_size_spin);
  form->addRow(QStringLiteral("Folder"), folder_edit);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro_label);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addLayout(buttons);
  resize(433, 207);
  connect(ok_button, &QPushButton::clicked, this, &SampleRtfDialog::AcceptChoices);
}

void SampleRtfDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ShowChoices();
}

void SampleRtfDialog::ShowChoices() {
  start_number_spin->setValue(choices.start_num);
  if (choices.sample_size == 0) choices.sample_size = 5;
  sample_size_spin->setValue(choices.sample_size);
  if (choices.folder.isEmpty() && folder_edit->text().isEmpty())
    folder_edit->setText(GetDefaultFolder(kSorvelToolNumber));
}

void SampleRtfDialog::AcceptChoices() {
  choices.folder = folder_edit->text();
  if (choices.folder.isEmpty()) {
    FailedToFind(choices.folder);
    done(kRetry);
    return;
  }
  // A folder that cannot be made is reported and the window stays open, so
  // that the user can correct the name.
  if (!QDir().mkpath(choices.folder)) {
    FailedToFind(choices.folder);
    return;
  }
  choices.start_num = start_number_spin->value();
  choices.sample_size = sample_size_spin->value();
  done(QDialog::Accepted);
}
