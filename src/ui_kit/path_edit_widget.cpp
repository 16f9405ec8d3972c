#include "ui_kit/path_edit_widget.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStandardPaths>

#include "ui_kit/folder_field_gui.h"

PathEdit::PathEdit(Kind kind, QWidget* parent)
    : QWidget(parent), kind_(kind), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(edit_, 1);
  layout->addWidget(button_);
  button_->setText(QStringLiteral("..."));
  button_->setToolTip(kind == Kind::Folder ? QStringLiteral("Choose a folder")
                                           : tr("Choose a file"));
  edit_->setClearButtonEnabled(true);
  MarkFolderField(edit_, kind == Kind::Folder);
  connect(edit_, &QLineEdit::textChanged, this, &PathEdit::textChanged);
  connect(button_, &QToolButton::clicked, this, &PathEdit::Browse);
  setFocusProxy(edit_);
}

void PathEdit::Browse() {
  QString start = edit_->text();
  if (start.isEmpty() || !QFileInfo::exists(start))
    start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  const QString chosen = kind_ == Kind::Folder ? ChooseFolder(this, start)
                                               : QFileDialog::getOpenFileName(
                                                     this, tr("Choose a file"), start, filter_);
  if (!chosen.isEmpty()) edit_->setText(chosen);
}
