#pragma once
// The Preferences dialog: how texts without a byte-order mark are read. The
// choice is a suite setting, kept in the settings file and in force at once
// for every tool (the next text read uses it).

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QRadioButton;

class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PreferencesDialog(QWidget* parent = nullptr);

  // The choice as the settings file keeps it: "auto", "utf-8" or the code page.
  QString TextEncodingChoice() const;
  QString CodePage() const;

  // Stores the choice in the settings file and puts it in force. False when
  // the settings file could not be written (the choice is then in force for
  // this session only).
  bool SaveChoice();

  QRadioButton* AutoButton() const { return auto_; }
  QRadioButton* Utf8Button() const { return utf8_; }
  QRadioButton* CodePageButton() const { return code_page_only_; }
  QComboBox* CodePageBox() const { return code_page_; }
  QDialogButtonBox* Buttons() const { return buttons_; }

  void accept() override;

 private:
  void CheckCodePage();

  QRadioButton* auto_ = nullptr;
  QRadioButton* utf8_ = nullptr;
  QRadioButton* code_page_only_ = nullptr;
  QComboBox* code_page_ = nullptr;
  QLabel* problem_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};
