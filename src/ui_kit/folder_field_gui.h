#pragma once
// Folder fields: the line edits where the user names a folder for a tool.
// FolderFields gives every one of them under a window what users expect of
// such a field: a folder dropped from the file manager fills it in, Return
// is reported (the main window starts the page's action), and the last
// folder is remembered across runs, per field, by the field's object name.
//
// A line edit is a folder field when it carries the property "folderField",
// or when its object name, or that of the composite widget it sits in,
// names it as one ("...FolderNameEdit...", "...OpenFolderDialog...").

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QLineEdit;
class QMimeData;
class QWidget;

bool IsFolderField(const QLineEdit* edit);
// Marks a line edit as a folder field (true) or as none (false) whatever its
// name says.
void MarkFolderField(QLineEdit* edit, bool is_folder_field);
// The folder dialog every folder field uses, with one wording ("Choose a
// folder"), opened at start when that is a folder. Empty when cancelled.
QString ChooseFolder(QWidget* parent, const QString& start);
// The name a field's folder is remembered by (empty: not remembered).
QString FolderFieldName(const QLineEdit* edit);
// The first local folder among the dropped URLs (empty: none).
QString DroppedFolder(const QMimeData* data);

class FolderFields : public QObject {
  Q_OBJECT
 public:
  explicit FolderFields(QObject* parent = nullptr);
  // Takes every folder field under root not taken yet; an empty field gets
  // its remembered folder when that folder still exists.
  void Attach(QWidget* root);
  // Remembers the folder of every field that names an existing folder.
  void RememberAll() const;
  QList<QLineEdit*> Fields() const;

 Q_SIGNALS:
  void ReturnPressed(QLineEdit* field);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Remember(const QLineEdit* field) const;
  QList<QPointer<QLineEdit>> fields_;
};
