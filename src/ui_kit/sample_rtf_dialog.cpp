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
  Label1 =
      new QLabel(QStringLiteral("Saves a sample of results in the folder as RTF files "), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  AdvSpinEditStartNumber = new QSpinBox(this);
  AdvSpinEditStartNumber->setObjectName(QStringLiteral("AdvSpinEditStartNumber"));
  AdvSpinEditStartNumber->setRange(0, std::numeric_limits<int>::max());
  AdvSpinEditStartNumber->setSingleStep(10);
  AdvSpinEditSampleSize = new QSpinBox(this);
  AdvSpinEditSampleSize->setObjectName(QStringLiteral("AdvSpinEditSampleSize"));
  AdvSpinEditSampleSize->setRange(1, std::numeric_limits<int>::max());
  AdvSpinEditSampleSize->setSingleStep(5);
  folder_edit = new PathEdit(PathEdit::Kind::Folder, this);
  folder_edit->setObjectName(QStringLiteral("ElFolderNameEdit1"));
  (new FolderFields(this))->Attach(folder_edit);
  ok_button = MakeChooserOkButton(this);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Start number"), AdvSpinEditStartNumber);
  form->addRow(QStringLiteral("Number to save"), AdvSpinEditSampleSize);
  form->addRow(QStringLiteral("Folder"), folder_edit);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
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
  AdvSpinEditStartNumber->setValue(SampleRTF_choices.start_num);
  if (SampleRTF_choices.sample_size == 0) SampleRTF_choices.sample_size = 5;
  AdvSpinEditSampleSize->setValue(SampleRTF_choices.sample_size);
  if (SampleRTF_choices.folder.isEmpty() && folder_edit->text().isEmpty())
    folder_edit->setText(GetDefaultFolder(kSorvelToolNumber));
}

void SampleRtfDialog::AcceptChoices() {
  SampleRTF_choices.folder = folder_edit->text();
  if (SampleRTF_choices.folder.isEmpty()) {
    FailedToFind(SampleRTF_choices.folder);
    done(kRetry);
    return;
  }
  // A folder that cannot be made is reported and the window stays open, so
  // that the user can correct the name.
  if (!QDir().mkpath(SampleRTF_choices.folder)) {
    FailedToFind(SampleRTF_choices.folder);
    return;
  }
  SampleRTF_choices.start_num = AdvSpinEditStartNumber->value();
  SampleRTF_choices.sample_size = AdvSpinEditSampleSize->value();
  done(QDialog::Accepted);
}
