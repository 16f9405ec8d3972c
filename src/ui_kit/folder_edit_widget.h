#pragma once
// A folder-name edit with a browse button inside it: the user may type or
// paste a path, drop a folder on it, or pick one from the folder dialog.
// dialog_caption says which folder is asked for (the browse button's tip).

#include <QLineEdit>

class FolderEdit : public QLineEdit {
  Q_OBJECT
 public:
  FolderEdit(const QString& object_name, const QString& dialog_caption, QWidget* parent = nullptr);
  // Opens the folder dialog at the current text; a chosen folder replaces it.
  void Browse();

 private:
  QString caption_;
};
