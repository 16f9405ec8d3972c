#include "ui_kit/folder_edit_widget.h"

#include <QAction>
#include <QStyle>

#include "ui_kit/folder_field_gui.h"

FolderEdit::FolderEdit(const QString& object_name, const QString& dialog_caption, QWidget* parent)
    : QLineEdit(parent), caption_(dialog_caption) {
  setObjectName(object_name);
  setClearButtonEnabled(true);
  MarkFolderField(this, true);
  QAction* browse =
      addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
  browse->setToolTip(caption_.isEmpty() ? QStringLiteral("Choose a folder")
                                        : QStringLiteral("Choose a folder: ") + caption_);
  connect(browse, &QAction::triggered, this, &FolderEdit::Browse);
}

void FolderEdit::Browse() {
  const QString chosen = ChooseFolder(this, text().trimmed());
  if (!chosen.isEmpty()) setText(chosen);
}
