#include "ui_kit/folder_edit_widget.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QStyle>

FolderEdit::FolderEdit(const QString& object_name, const QString& dialog_caption, QWidget* parent)
    : QLineEdit(parent), caption_(dialog_caption) {
  setObjectName(object_name);
  setClearButtonEnabled(true);
  QAction* browse =
      addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
  browse->setToolTip(tr("Choose a folder"));
  connect(browse, &QAction::triggered, this, &FolderEdit::Browse);
}

void FolderEdit::Browse() {
  const QString chosen = QFileDialog::getExistingDirectory(this, caption_, text().trimmed(),
                                                           QFileDialog::ShowDirsOnly);
  if (!chosen.isEmpty()) setText(QDir::toNativeSeparators(chosen));
}
