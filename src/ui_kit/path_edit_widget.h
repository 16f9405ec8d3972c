#pragma once
// A line edit for a folder or a file name with a browse button beside it,
// as the choosers and the relevance page use. Browsing starts at the folder
// the edit names, else at the user's desktop.

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

class PathEdit : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { Folder, ExistingFile };
  PathEdit(Kind kind, QWidget* parent = nullptr);

  QString text() const { return edit_->text(); }
  void setText(const QString& t) { edit_->setText(t); }
  QLineEdit* lineEdit() const { return edit_; }
  QToolButton* browseButton() const { return button_; }
  // Filter of the file dialog, such as "Text files (*.txt);;All files (*)".
  void setNameFilter(const QString& f) { filter_ = f; }

 Q_SIGNALS:
  // The text changed by typing, by setText or by browsing.
  void textChanged(const QString& text);

 private:
  void Browse();
  Kind kind_;
  QLineEdit* edit_;
  QToolButton* button_;
  QString filter_;
};
