#include "ui_kit/path_edit_widget.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStandardPaths>

PathEdit::PathEdit(Kind kind, QWidget* parent)
    : QWidget(parent), kind_(kind), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(edit_, 1);
  layout->addWidget(button_);
  button_->setText(QStringLiteral("..."));
  button_->setToolTip(kind == Kind::Folder ? tr("Browse for a folder") : tr("Browse for a file"));
  edit_->setClearButtonEnabled(true);
  connect(edit_, &QLineEdit::textChanged, this, &PathEdit::textChanged);
  connect(button_, &QToolButton::clicked, this, &PathEdit::Browse);
  setFocusProxy(edit_);
}

void PathEdit::Browse() {
  QString start = edit_->text();
  if (start.isEmpty() || !QFileInfo::exists(start))
    start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  QString chosen;
  if (kind_ == Kind::Folder) {
    chosen = QFileDialog::getExistingDirectory(this, tr("Choose a folder"), start);
  } else {
    chosen = QFileDialog::getOpenFileName(this, tr("Choose a file"), start, filter_);
  }
  if (!chosen.isEmpty()) edit_->setText(chosen);
}
