#include "app/preferences_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "runtime/dialogs.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"

namespace {
// Code pages of older European and Cyrillic corpora; any other name that the
// system's iconv knows can be typed in.
const char* const kCommonCodePages[] = {
    "windows-1252", "ISO-8859-1", "ISO-8859-15",  "windows-1250", "ISO-8859-2",
    "windows-1251", "KOI8-R",     "windows-1253", "windows-1254", "CP850"};

bool IsAuto(const QString& choice) {
  return choice.trimmed().compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0;
}
bool IsUtf8(const QString& choice) {
  const QString c = choice.trimmed().toLower();
  return c == QLatin1String("utf-8") || c == QLatin1String("utf8");
}
}  // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PreferencesDialog"));
  setWindowTitle(QStringLiteral("Preferences"));

  auto* group = new QGroupBox(QStringLiteral("Texts without a byte-order mark"), this);
  auto_ = new QRadioButton(
      QStringLiteral(
          "&Decide for each text: UTF-8 when it is well-formed UTF-8, else the code page below"),
      group);
  utf8_ = new QRadioButton(QStringLiteral("Always &UTF-8"), group);
  code_page_only_ = new QRadioButton(QStringLiteral("Always the &code page below"), group);
  auto_->setObjectName(QStringLiteral("RadioAuto"));
  utf8_->setObjectName(QStringLiteral("RadioUtf8"));
  code_page_only_->setObjectName(QStringLiteral("RadioCodePage"));

  code_page_ = new QComboBox(group);
  code_page_->setObjectName(QStringLiteral("ComboCodePage"));
  code_page_->setEditable(true);
  for (const char* name : kCommonCodePages) code_page_->addItem(QString::fromLatin1(name));
  problem_ = new QLabel(group);
  problem_->setObjectName(QStringLiteral("LabelCodePageProblem"));
  problem_->setStyleSheet(QStringLiteral("color: #b00020"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("8-bit code &page:"), code_page_);
  form->addRow(QString(), problem_);
  auto* inner = new QVBoxLayout(group);
  inner->addWidget(auto_);
  inner->addWidget(utf8_);
  inner->addWidget(code_page_only_);
  inner->addLayout(form);
  auto* note = new QLabel(
      QStringLiteral("A byte-order mark always decides. The choice holds for every tool, "
                     "from the next text read."),
      this);
  note->setWordWrap(true);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(note);
  layout->addWidget(buttons_);

  // The current settings.
  const SuiteSettings& s = CurrentSuiteSettings();
  QString page = s.ansi_code_page;
  if (IsAuto(s.text_encoding)) {
    auto_->setChecked(true);
  } else if (IsUtf8(s.text_encoding)) {
    utf8_->setChecked(true);
  } else {
    code_page_only_->setChecked(true);
    page = s.text_encoding;
  }
  code_page_->setCurrentText(page);
  connect(code_page_, &QComboBox::currentTextChanged, this, [this] { CheckCodePage(); });
  connect(utf8_, &QRadioButton::toggled, this, [this] { CheckCodePage(); });
  CheckCodePage();
}

QString PreferencesDialog::CodePage() const { return code_page_->currentText().trimmed(); }

QString PreferencesDialog::TextEncodingChoice() const {
  if (auto_->isChecked()) return QStringLiteral("auto");
  if (utf8_->isChecked()) return QStringLiteral("utf-8");
  return CodePage();
}

void PreferencesDialog::CheckCodePage() {
  // With "always UTF-8" the code page is not used, but it is still kept.
  QString why;
  const bool usable = IsUsableAnsiCodePage(CodePage(), &why);
  problem_->setText(usable ? QString() : why);
  code_page_->setEnabled(!utf8_->isChecked());
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(usable || utf8_->isChecked());
}

bool PreferencesDialog::SaveChoice() {
  SuiteSettings s = CurrentSuiteSettings();
  s.text_encoding = TextEncodingChoice();
  // A page that is not usable is only possible with "always UTF-8": the one
  // stored before stays.
  if (IsUsableAnsiCodePage(CodePage())) s.ansi_code_page = CodePage();
  SetCurrentSuiteSettings(s);
  return SaveTextEncodingSettings(s);
}

void PreferencesDialog::accept() {
  if (!SaveChoice()) {
    ReportedAFact(
        QStringLiteral(
            "The choice holds for this session, but the settings file %1 could not be written.")
            .arg(SuiteSettingsPath()));
  }
  QDialog::accept();
}
