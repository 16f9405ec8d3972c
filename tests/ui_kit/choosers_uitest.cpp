// The chooser windows: what their OK hands back, when they ask, and
// what they keep from one showing to the next.

#include <QFileInfo>
#include <QtTest>

#include "runtime/dialogs.h"
#include "runtime/settings.h"
#include "support/test_support.h"
#include "ui_kit/folder_or_list_dialog.h"
#include "ui_kit/sample_rtf_dialog.h"

class ChoosersTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void init() {
    SetDialogInterface(&dialogs_);
    dialogs_.Clear();
  }
  void cleanup() { SetDialogInterface(nullptr); }

  void folderOrListReturnsTheChosenKind() {
    TempTree tree;
    const QString list = tree.Write(QStringLiteral("list.txt"), QByteArray());
    FolderOrListChooserDialog w;
    w.show();
    // Typing in the list edit chooses the list; an existing list asks nothing.
    w.file_types_combo->setCurrentIndex(2);
    w.subfolders_check->setChecked(false);
    w.list_edit->lineEdit()->setText(list);
    QVERIFY(w.list_radio->isChecked());
    w.AcceptChoices();
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(w.InputChoices.file_or_folder == FileOrFolder::t_textfile);
    QCOMPARE(w.InputChoices.file_list, list);
    QCOMPARE(w.InputChoices.filemask, QStringLiteral("*.xml;*.htm;*.html"));
    QVERIFY(!w.InputChoices.include_sub_folders);
    QVERIFY(dialogs_.Shown().empty());

    // A missing list asks, and Cancel closes without OK.
    w.list_edit->setText(QString());
    dialogs_.QueueAnswer(mrCancel);
    w.AcceptChoices();
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("WarnAboutAndASKOK")});

    // Typing in the folder edit chooses the folder again.
    w.folder_edit->setText(tree.Root());
    QVERIFY(w.folder_radio->isChecked());
    w.AcceptChoices();
    QVERIFY(w.InputChoices.file_or_folder == FileOrFolder::t_folder_contents);
  }

  void sampleRtfDefaultsAndFolder() {
    TempTree tree;
    SuiteSettings s = CurrentSuiteSettings();
    s.default_results_folder = tree.Path(QStringLiteral("results"));
    SetCurrentSuiteSettings(s);
    SampleRtfDialog w;
    w.choices.start_num = 3;
    w.show();
    QCOMPARE(w.sample_size_spin->value(), 5);
    QCOMPARE(w.start_number_spin->value(), 3);
    QCOMPARE(w.folder_edit->text(), s.default_results_folder);

    // An empty folder: not OK, and the user hears of it.
    w.folder_edit->setText(QString());
    w.AcceptChoices();
    QCOMPARE(w.result(), SampleRtfDialog::kRetry);
    QCOMPARE(dialogs_.ShownNames(), QStringList{QStringLiteral("FailedToFind")});

    // A folder that is not there yet is made.
    const QString target = tree.Path(QStringLiteral("a/b/rtf"));
    w.folder_edit->setText(target);
    w.sample_size_spin->setValue(7);
    w.AcceptChoices();
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(QFileInfo(target).isDir());
    QCOMPARE(w.choices.folder, target);
    QCOMPARE(w.choices.sample_size, 7);
    QCOMPARE(w.choices.start_num, 3);

    // The next showing keeps the folder and the size; the caller's start wins.
    w.hide();
    w.choices.start_num = 0;
    w.show();
    QCOMPARE(w.folder_edit->text(), target);
    QCOMPARE(w.sample_size_spin->value(), 7);
    QCOMPARE(w.start_number_spin->value(), 0);
  }

 private:
  ScriptedDialogs dialogs_;
};

QTEST_MAIN(ChoosersTest)
#include "choosers_uitest.moc"
