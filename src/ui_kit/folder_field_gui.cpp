#include "ui_kit/folder_field_gui.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include "ui_kit/ui_state_gui.h"

namespace {

const char* const kFolderFieldProperty = "folderField";

bool NamesAFolderField(const QString& name) {
  return name.contains(QStringLiteral("FolderNameEdit")) ||
         name.contains(QStringLiteral("OpenFolderDialog"));
}

QString RememberKey(const QString& name) { return QStringLiteral("last_folders/") + name; }

}  // namespace

QString FolderFieldName(const QLineEdit* edit) {
  if (!edit) return {};
  if (!edit->objectName().isEmpty()) return edit->objectName();
  const QWidget* parent = edit->parentWidget();
  return parent ? parent->objectName() : QString();
}

bool IsFolderField(const QLineEdit* edit) {
  if (!edit) return false;
  const QVariant marked = edit->property(kFolderFieldProperty);
  if (marked.isValid()) return marked.toBool();
  if (NamesAFolderField(edit->objectName())) return true;
  const QWidget* parent = edit->parentWidget();
  return parent && NamesAFolderField(parent->objectName());
}

void MarkFolderField(QLineEdit* edit, bool is_folder_field) {
  if (edit) edit->setProperty(kFolderFieldProperty, is_folder_field);
}

QString ChooseFolder(QWidget* parent, const QString& start) {
  const QString chosen = QFileDialog::getExistingDirectory(
      parent, QStringLiteral("Choose a folder"),
      QFileInfo(start).isDir() ? start : QDir::homePath(), QFileDialog::ShowDirsOnly);
  return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
}

QString DroppedFolder(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QFileInfo info(url.toLocalFile());
    if (info.isDir()) return QDir::toNativeSeparators(info.absoluteFilePath());
  }
  return {};
}

FolderFields::FolderFields(QObject* parent) : QObject(parent) {}

void FolderFields::Attach(QWidget* root) {
  if (!root) return;
  for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
    if (!IsFolderField(edit)) continue;
    bool taken = false;
    for (const QPointer<QLineEdit>& f : fields_) taken = taken || f == edit;
    if (taken) continue;
    fields_.append(edit);
    edit->setAcceptDrops(true);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] {
      Remember(edit);
      Q_EMIT ReturnPressed(edit);
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] { Remember(edit); });
    const QString name = FolderFieldName(edit);
    if (edit->text().isEmpty() && !name.isEmpty()) {
      const QString last = RememberedValue(RememberKey(name)).toString();
      if (!last.isEmpty() && QFileInfo(last).isDir()) edit->setText(last);
    }
  }
}

QList<QLineEdit*> FolderFields::Fields() const {
  QList<QLineEdit*> fields;
  for (const QPointer<QLineEdit>& f : fields_) {
    if (f) fields.append(f);
  }
  return fields;
}

void FolderFields::Remember(const QLineEdit* field) const {
  const QString name = FolderFieldName(field);
  const QString folder = field->text().trimmed();
  if (name.isEmpty() || folder.isEmpty() || !QFileInfo(folder).isDir()) return;
  ::Remember(RememberKey(name), folder);
}

void FolderFields::RememberAll() const {
  for (QLineEdit* field : Fields()) Remember(field);
}

bool FolderFields::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      // Only a folder may land here; a dropped file or text is refused, so
      // that the field never ends up naming something that is not a folder.
      auto* drag = static_cast<QDropEvent*>(event);
      if (DroppedFolder(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString folder = DroppedFolder(drop->mimeData());
      if (folder.isEmpty()) {
        drop->ignore();
        return true;
      }
      edit->setText(folder);
      edit->setFocus();
      Remember(edit);
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}
