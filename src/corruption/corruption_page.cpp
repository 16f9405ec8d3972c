#include "corruption/corruption_page.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "corruption/corruption_check.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_problems.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/text_reader.h"

namespace {

// Draws each line in one of three colour pairs: highlight when selected,
// warning for size-test failures (their notes start with "File-size"), and
// the normal colours for everything else.
class CorruptListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  static const QColor& WarningText() {
    static const QColor c(0x9C, 0x00, 0x06);
    return c;
  }
  static const QColor& WarningBackground() {
    static const QColor c(0xFF, 0xC7, 0xCE);
    return c;
  }

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QPalette& pal = option.palette;
    QColor text = pal.color(QPalette::Text);
    QColor back = pal.color(QPalette::Base);
    if (option.state & QStyle::State_Selected) {
      text = pal.color(QPalette::HighlightedText);
      back = pal.color(QPalette::Highlight);
    } else if (index.data(CorruptionPage::kNoteRole)
                   .toString()
                   .contains(QStringLiteral("File-size"))) {
      text = WarningText();
      back = WarningBackground();
    }
    p->save();
    p->fillRect(option.rect, back);
    p->setPen(text);
    p->setFont(option.font);
    p->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                index.data(Qt::DisplayRole).toString());
    p->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QSize s = QStyledItemDelegate::sizeHint(option, index);
    // A fixed line height: 13 pixels, or the font's height when that is more.
    return QSize(s.width(), qMax(13, option.fontMetrics.height()));
  }
};

QToolButton* ChooserButton(QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setText(QStringLiteral("..."));
  return b;
}

}  // namespace

// --- file and folder edits ---

FileNamesEdit::FileNamesEdit(const QString& chooser_title, QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), title_(chooser_title) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit_, 1);
  QToolButton* choose = ChooserButton(this);
  row->addWidget(choose);
  connect(choose, &QToolButton::clicked, this, [this] {
    const QStringList names =
        QFileDialog::getOpenFileNames(this, title_, QFileInfo(FileNames().value(0)).path());
    if (!names.isEmpty()) SetFileNames(names);
  });
}

QStringList FileNamesEdit::FileNames() const {
  const QString text = edit_->text().trimmed();
  if (text.isEmpty()) return {};
  if (!text.startsWith(QLatin1Char('"'))) return {text};
  QStringList names;
  static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
  for (auto it = quoted.globalMatch(text); it.hasNext();) {
    const QString name = it.next().captured(1).trimmed();
    if (!name.isEmpty()) names << name;
  }
  return names;
}

void FileNamesEdit::SetFileNames(const QStringList& names) {
  if (names.size() == 1) {
    edit_->setText(names.first());
    return;
  }
  QStringList quoted;
  for (const QString& n : names) quoted << QLatin1Char('"') + n + QLatin1Char('"');
  edit_->setText(quoted.join(QLatin1Char(' ')));
}

FolderNameEdit::FolderNameEdit(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit_, 1);
  QToolButton* choose = ChooserButton(this);
  row->addWidget(choose);
  connect(choose, &QToolButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), Folder());
    if (!folder.isEmpty()) SetFolder(folder);
  });
}

// --- the page ---

CorruptionPage::CorruptionPage(PageHost* host, CorruptFileDetector* detector, QWidget* parent)
    : QWidget(parent), host_(host), detector_(detector) {
  setObjectName(QStringLiteral("CorruptionPage"));

  // Left: the flagged files above the memo.
  auto* split = new QSplitter(Qt::Vertical, this);
  split->setObjectName(QStringLiteral("SplitterCorrupt"));
  ListBoxCorrupt = new QListWidget(split);
  ListBoxCorrupt->setObjectName(QStringLiteral("ListBoxCorrupt"));
  ListBoxCorrupt->setItemDelegate(new CorruptListDelegate(ListBoxCorrupt));
  ListBoxCorrupt->setUniformItemSizes(true);
  ListBoxCorrupt->setSelectionMode(QAbstractItemView::SingleSelection);
  AdvMemoCorrupt = new QPlainTextEdit(split);
  AdvMemoCorrupt->setObjectName(QStringLiteral("AdvMemoCorrupt"));
  AdvMemoCorrupt->setLineWrapMode(QPlainTextEdit::NoWrap);
  AdvMemoCorrupt->setReadOnly(true);
  AdvMemoCorrupt->clear();
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);

  // Right: the settings, top to bottom.
  auto* settings = new QWidget(this);
  settings->setObjectName(QStringLiteral("PanelCorruptSettings"));
  auto* form = new QVBoxLayout(settings);
  form->setContentsMargins(6, 6, 6, 6);
  ElFileNameEditCorruptGoodFiles =
      new FileNamesEdit(QStringLiteral("Select one or more"), settings);
  ElFileNameEditCorruptGoodFiles->setObjectName(QStringLiteral("ElFileNameEditCorruptGoodFiles"));
  form->addWidget(new QLabel(QStringLiteral("Known good text files"), settings));
  form->addWidget(ElFileNameEditCorruptGoodFiles);
  ElFolderNameEditCorrupt = new FolderNameEdit(settings);
  ElFolderNameEditCorrupt->setObjectName(QStringLiteral("ElFolderNameEditCorrupt"));
  form->addWidget(new QLabel(QStringLiteral("Folder of data"), settings));
  form->addWidget(ElFolderNameEditCorrupt);
  AdvOfficeCheckBoxCorruptIncludeSubfolders =
      new QCheckBox(QStringLiteral("include subfolders"), settings);
  AdvOfficeCheckBoxCorruptIncludeSubfolders->setObjectName(
      QStringLiteral("AdvOfficeCheckBoxCorruptIncludeSubfolders"));
  form->addWidget(AdvOfficeCheckBoxCorruptIncludeSubfolders);
  AdvOfficeCheckBoxCorruptThorough = new QCheckBox(QStringLiteral("digraph check"), settings);
  AdvOfficeCheckBoxCorruptThorough->setObjectName(
      QStringLiteral("AdvOfficeCheckBoxCorruptThorough"));
  form->addWidget(AdvOfficeCheckBoxCorruptThorough);
  auto* numbers = new QFormLayout;
  ElSpinEditCorruptFreqVar = new QSpinBox(settings);
  ElSpinEditCorruptFreqVar->setObjectName(QStringLiteral("ElSpinEditCorruptFreqVar"));
  // 1000 is the sensible top, but larger values are accepted as typed.
  ElSpinEditCorruptFreqVar->setRange(0, INT_MAX);
  ElSpinEditCorruptFreqVar->setValue(15);
  numbers->addRow(QStringLiteral("frequency variation (per 1000)"), ElSpinEditCorruptFreqVar);
  ElSpinEditCorruptPercentFail = new QSpinBox(settings);
  ElSpinEditCorruptPercentFail->setObjectName(QStringLiteral("ElSpinEditCorruptPercentFail"));
  ElSpinEditCorruptPercentFail->setRange(0, INT_MAX);
  ElSpinEditCorruptPercentFail->setValue(10);
  numbers->addRow(QStringLiteral("percent fail allowed"), ElSpinEditCorruptPercentFail);
  form->addLayout(numbers);
  ButtonCorruptStart = new QPushButton(QStringLiteral("Start"), settings);
  ButtonCorruptStart->setObjectName(QStringLiteral("ButtonCorruptStart"));
  form->addWidget(ButtonCorruptStart);
  form->addStretch(1);
  settings->setMinimumWidth(230);
  settings->setMaximumWidth(320);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 4, 4, 4);
  row->addWidget(split, 1);
  row->addWidget(settings);

  // The page's file iterator: hidden files and folders left out, all names.
  FileAndDirIteratorCorrupt.FileMask = QStringLiteral("*.*");
  FileAndDirIteratorCorrupt.SkipHidden = true;

  connect(ButtonCorruptStart, &QPushButton::clicked, this, [this] { ButtonCorruptStartClick(); });
  connect(ListBoxCorrupt, &QListWidget::itemClicked, this, [this] { ListBoxCorruptClick(); });
  connect(ListBoxCorrupt, &QListWidget::itemDoubleClicked, this,
          [this] { ListBoxCorruptDblClick(); });

  if (host_) {
    host_->RegisterStartControl(ButtonCorruptStart);
    host_->AddStopHandler([this] {
      if (detector_) detector_->processing = false;
      FileAndDirIteratorCorrupt.Stop();
    });
  }
}

void CorruptionPage::FileAndDirIteratorCorruptFilesProgress(int percent) {
  if (host_) host_->SetOverallProgress(percent);
}

void CorruptionPage::AppendFlagged(const QString& file, const QString& note) {
  auto* item = new QListWidgetItem(DisplayName(file), ListBoxCorrupt);
  item->setData(kNoteRole, note);
  item->setData(kPathRole, file);
}

void CorruptionPage::PostNewFlaggedFiles() {
  if (!detector_) return;
  const CorruptFileList& found = detector_->weird_files;
  const int n = found.Count();
  if (n <= posted_) return;
  QList<QPair<QString, QString>> fresh;
  for (int i = posted_; i < n; ++i) fresh.append({found.Strings(i), found.Objects(i)->data});
  posted_ = n;
  // The list belongs to the window thread: the copies go there by a queued
  // call, in order, so the files appear while the run goes on.
  QMetaObject::invokeMethod(
      this,
      [this, fresh] {
        for (const auto& f : fresh) AppendFlagged(f.first, f.second);
      },
      Qt::QueuedConnection);
}

void CorruptionPage::AppendRemainingResults() {
  if (!detector_) return;
  const CorruptFileList& found = detector_->weird_files;
  for (int i = ListBoxCorrupt->count(); i < found.Count(); ++i)
    AppendFlagged(found.Strings(i), found.Objects(i)->data);
}

void CorruptionPage::ButtonCorruptStartClick() {
  if (!host_ || !detector_ || host_->ToolRunning()) return;
  ButtonCorruptStart->setEnabled(false);
  ListBoxCorrupt->clear();
  posted_ = 0;
  host_->ResetProgress(false);

  // Everything the run needs is read now: changing the controls during the
  // run does not affect it.
  QStringList good;
  for (const QString& f : ElFileNameEditCorruptGoodFiles->FileNames())
    good << QFileInfo(f).absoluteFilePath();
  const QString reference = good.join(QLatin1Char('\n'));
  const int freq_var = ElSpinEditCorruptFreqVar->value();
  const int percent_fail = ElSpinEditCorruptPercentFail->value();
  const QString folder = ElFolderNameEditCorrupt->Folder();
  const bool subfolders = AdvOfficeCheckBoxCorruptIncludeSubfolders->isChecked();
  const bool thorough = AdvOfficeCheckBoxCorruptThorough->isChecked();

  auto work = [this, reference, freq_var, percent_fail, folder, subfolders, thorough] {
    detector_->SetReferenceFiles(reference);
    detector_->digraph_frequency_variation_per_mille = freq_var;
    detector_->digraph_percent_fail_allowed = percent_fail;
    CorruptionCheck check;
    check.folder = folder;
    check.include_subfolders = subfolders;
    check.thorough = thorough;
    CorruptionCallbacks callbacks;
    callbacks.walk_percent = [this](int p) { FileAndDirIteratorCorruptFilesProgress(p); };
    callbacks.percent = [this](int p) {
      host_->SetOverallProgress(p);
      PostNewFlaggedFiles();
      YieldToEvents();
    };
    callbacks.file_percent = [this](int p) { host_->SetSecondProgress(p); };
    RunCorruptionCheck(*detector_, FileAndDirIteratorCorrupt, check, callbacks);
  };
  auto done = [this](bool ok) {
    AppendRemainingResults();
    // Folders that could not be entered and files that could not be read are
    // told in one message after the run, which went on past them.
    QStringList unread = FileAndDirIteratorCorrupt.Problems();
    if (!detector_->unreadable_files.empty())
      unread << FileProblemLines(detector_->unreadable_files);
    if (!unread.isEmpty()) FailedToRead(unread.join(QStringLiteral("\r\n")), kHelpContext);
    if (ok && detector_->weird_files.Count() == 0) NoCorruptFilesFound(kHelpContext);
    ButtonCorruptStart->setEnabled(true);
    host_->ResetProgress(true);
  };
  if (!host_->RunTool(QStringLiteral("Corruption"), work, done))
    ButtonCorruptStart->setEnabled(true);
}

void CorruptionPage::ListBoxCorruptClick() {
  QListWidgetItem* item = ListBoxCorrupt->currentItem();
  if (!detector_ || !item || !host_) return;
  host_->ShowStatusText(item->data(kNoteRole).toString());
}

void CorruptionPage::ListBoxCorruptDblClick() {
  QListWidgetItem* item = ListBoxCorrupt->currentItem();
  if (!detector_ || !item) return;
  AdvMemoCorrupt->clear();
  try {
    QString text = ReadTextOfFile(item->data(kPathRole).toString());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    AdvMemoCorrupt->setPlainText(text);
  } catch (const SorvelError& e) {
    FailedToRead(e.Message(), kHelpContext);
  }
}
