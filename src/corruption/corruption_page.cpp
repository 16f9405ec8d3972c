#include "corruption/corruption_page.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QRegularExpression>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "corruption/corruption_check.h"
#include "corruption/corruption_results_model.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/file_problems.h"
#include "runtime/native_names.h"
#include "runtime/panic.h"
#include "runtime/text_reader.h"
#include "ui_kit/folder_field_gui.h"

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
    } else if (index.data(CorruptionResultsModel::kSizeFailureRole).toBool()) {
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

// A threshold of the digraph test: 0 or more, with what it means as its tooltip.
QSpinBox* ThresholdSpin(QWidget* parent, const char* name, int value, const QString& tip) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(0, INT_MAX);
  spin->setValue(value);
  spin->setToolTip(tip);
  return spin;
}

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
    const QString folder = ChooseFolder(this, Folder());
    if (!folder.isEmpty()) SetFolder(folder);
  });
}

// --- the page ---

CorruptionPage::CorruptionPage(PageHost* host, CorruptFileDetector* detector, QWidget* parent)
    : QWidget(parent),
      host_(host),
      detector_(detector),
      results_(new CorruptionResultsModel(this)) {
  setObjectName(QStringLiteral("CorruptionPage"));
  if (detector_) detector_->help_context = kHelpContext;

  // Left: the flagged files above the text box.
  auto* split = new QSplitter(Qt::Vertical, this);
  split->setObjectName(QStringLiteral("SplitterCorrupt"));
  results_view = new QListView(split);
  results_view->setObjectName(QStringLiteral("ListBoxCorrupt"));
  results_view->setModel(results_);
  results_view->setItemDelegate(new CorruptListDelegate(results_view));
  results_view->setUniformItemSizes(true);
  results_view->setSelectionMode(QAbstractItemView::SingleSelection);
  results_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  text_view = new QPlainTextEdit(split);
  text_view->setObjectName(QStringLiteral("AdvMemoCorrupt"));
  text_view->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_view->setReadOnly(true);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 4, 4, 4);
  row->addWidget(split, 1);
  row->addWidget(BuildSettings());

  // The page's file walk: hidden files and folders left out, all names.
  walker_.FileMask = QStringLiteral("*.*");
  walker_.SkipHidden = true;

  connect(start_button, &QPushButton::clicked, this, [this] { Start(); });
  connect(results_view, &QListView::clicked, this, [this] { ShowSelectedNote(); });
  connect(results_view, &QListView::doubleClicked, this, [this] { ShowSelectedText(); });

  if (host_) {
    host_->RegisterStartControl(start_button);
    host_->AddStopHandler([this] {
      if (detector_) detector_->processing = false;
      walker_.Stop();
    });
  }
}

QWidget* CorruptionPage::BuildSettings() {
  auto* settings = new QWidget(this);
  settings->setObjectName(QStringLiteral("PanelCorruptSettings"));
  auto* form = new QVBoxLayout(settings);
  form->setContentsMargins(6, 6, 6, 6);
  good_files_edit = new FileNamesEdit(QStringLiteral("Select one or more"), settings);
  good_files_edit->setObjectName(QStringLiteral("ElFileNameEditCorruptGoodFiles"));
  good_files_edit->setToolTip(
      QStringLiteral("Texts you know to be clean, in the corpus's language. Only the digraph "
                     "check needs them."));
  auto* good_label = new QLabel(QStringLiteral("&Known good text files"), settings);
  good_label->setBuddy(good_files_edit->Edit());
  form->addWidget(good_label);
  form->addWidget(good_files_edit);
  folder_edit = new FolderNameEdit(settings);
  folder_edit->setObjectName(QStringLiteral("ElFolderNameEditCorrupt"));
  auto* folder_label = new QLabel(QStringLiteral("F&older of data"), settings);
  folder_label->setBuddy(folder_edit->Edit());
  form->addWidget(folder_label);
  form->addWidget(folder_edit);
  subfolders_check = new QCheckBox(QStringLiteral("include subfolders"), settings);
  subfolders_check->setObjectName(QStringLiteral("AdvOfficeCheckBoxCorruptIncludeSubfolders"));
  form->addWidget(subfolders_check);
  digraph_check = new QCheckBox(QStringLiteral("digraph check"), settings);
  digraph_check->setObjectName(QStringLiteral("AdvOfficeCheckBoxCorruptThorough"));
  digraph_check->setToolTip(
      QStringLiteral("Also compare how often each pair of letters occurs with the known-good "
                     "texts. Without it only the size test runs: text that stops short of the "
                     "file's size."));
  form->addWidget(digraph_check);
  auto* numbers = new QFormLayout;
  // 1000 is the sensible top for the variation, but larger values are
  // accepted as typed; neither threshold has a top.
  frequency_variation_spin = ThresholdSpin(
      settings, "ElSpinEditCorruptFreqVar", 15,
      QStringLiteral("How far a letter pair's share of all pairs may differ from its share in "
                     "the known-good texts before it counts as differing, in thousandths: 15 "
                     "allows 1.5 percentage points."));
  numbers->addRow(QStringLiteral("frequency variation (per 1000)"), frequency_variation_spin);
  percent_fail_spin = ThresholdSpin(
      settings, "ElSpinEditCorruptPercentFail", 10,
      QStringLiteral("A file is flagged when more than this share of its frequent letter pairs "
                     "differ from the known-good texts."));
  numbers->addRow(QStringLiteral("percent fail allowed"), percent_fail_spin);
  form->addLayout(numbers);
  start_button = new QPushButton(QStringLiteral("&Start"), settings);
  start_button->setObjectName(QStringLiteral("ButtonCorruptStart"));
  form->addWidget(start_button);
  form->addStretch(1);
  settings->setMinimumWidth(230);
  settings->setMaximumWidth(320);
  return settings;
}

void CorruptionPage::PostNewFlaggedFiles() {
  if (!detector_) return;
  const CorruptFileList& found = detector_->flagged_files;
  const int n = found.Count();
  if (n <= posted_) return;
  std::vector<FlaggedFile> fresh;
  fresh.reserve(static_cast<std::size_t>(n - posted_));
  for (int i = posted_; i < n; ++i) fresh.push_back({found.Path(i), found.Note(i)});
  posted_ = n;
  // The list belongs to the window thread: the copies go there by a queued
  // call, in order, so the files appear while the run goes on.
  QMetaObject::invokeMethod(
      this, [this, fresh = std::move(fresh)] { results_->Append(fresh); }, Qt::QueuedConnection);
}

void CorruptionPage::AppendRemainingResults() {
  if (!detector_) return;
  const CorruptFileList& found = detector_->flagged_files;
  std::vector<FlaggedFile> rest;
  for (int i = results_->rowCount(); i < found.Count(); ++i)
    rest.push_back({found.Path(i), found.Note(i)});
  results_->Append(rest);
}

void CorruptionPage::Start() {
  if (!host_ || !detector_ || host_->ToolRunning()) return;
  const QString folder = folder_edit->Folder();
  if (folder.isEmpty()) {
    FormNotFilled(QStringLiteral("Folder of data"), kHelpContext);
    return;
  }
  start_button->setEnabled(false);
  // A new run starts clean: no list, no text, no note of the last run.
  results_->Clear();
  text_view->clear();
  host_->ShowStatusText(QString());
  posted_ = 0;
  host_->ResetProgress(false);

  // Everything the run needs is read now: changing the controls during the
  // run does not affect it.
  QStringList good;
  for (const QString& f : good_files_edit->FileNames()) good << QFileInfo(f).absoluteFilePath();
  const QString reference = good.join(QLatin1Char('\n'));
  const int freq_var = frequency_variation_spin->value();
  const int percent_fail = percent_fail_spin->value();
  CorruptionCheck check;
  check.folder = folder;
  check.include_subfolders = subfolders_check->isChecked();
  check.thorough = digraph_check->isChecked();

  auto work = [this, reference, freq_var, percent_fail, check] {
    // Only the digraph test needs the known-good texts.
    if (check.thorough) detector_->SetReferenceFiles(reference);
    detector_->digraph_frequency_variation_per_mille = freq_var;
    detector_->digraph_percent_fail_allowed = percent_fail;
    CorruptionCallbacks callbacks;
    callbacks.walk_percent = [this](int p) { host_->SetOverallProgress(p); };
    callbacks.percent = [this](int p) {
      host_->SetOverallProgress(p);
      PostNewFlaggedFiles();
      YieldToEvents();
    };
    callbacks.file_percent = [this](int p) { host_->SetSecondProgress(p); };
    callbacks.count = [this](long long done, long long total) {
      host_->ShowCountOutOf(done, total);
    };
    last_result_ = CorruptionCheckResult();
    last_result_.folder = check.folder;
    last_result_.folder_found = true;
    last_result_ = RunCorruptionCheck(*detector_, walker_, check, callbacks);
  };
  auto done = [this](bool ok) { RunFinished(ok); };
  if (!host_->RunTool(QStringLiteral("Corruption"), work, done)) start_button->setEnabled(true);
}

void CorruptionPage::RunFinished(bool ok) {
  AppendRemainingResults();
  CorruptionCheckResult result = last_result_;
  if (!ok) {
    // The check ended with a fault (already reported): say how far it got.
    result.files = walker_.FilesFound().Count();
    result.tested = detector_->files_taken;
    result.flagged = detector_->flagged_files.Count();
    result.problems = detector_->unreadable_files;
  }
  // Folders that could not be entered and files that could not be read are
  // told in one message after the run, which went on past them.
  FilesWithProblems(CountOfFiles(QStringLiteral("Could not read %1:"), result.problems.size()),
                    result.problems, kHelpContext);
  if (ok && result.tested > 0 && !result.Stopped() && result.flagged == 0)
    NoCorruptFilesFound(kHelpContext);
  host_->ShowRunSummary(CorruptionSummary(result));
  start_button->setEnabled(true);
  host_->ResetProgress(true);
}

void CorruptionPage::ShowSelectedNote() {
  const QModelIndex current = results_view->currentIndex();
  if (!detector_ || !current.isValid() || !host_) return;
  host_->ShowStatusText(current.data(CorruptionResultsModel::kNoteRole).toString());
}

void CorruptionPage::ShowSelectedText() {
  const QModelIndex current = results_view->currentIndex();
  if (!detector_ || !current.isValid()) return;
  text_view->clear();
  const QString path = current.data(CorruptionResultsModel::kPathRole).toString();
  try {
    QString text = ReadTextOfFile(path);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_view->setPlainText(text);
  } catch (const FileReadError& e) {
    FailedToRead(DisplayName(path) + QStringLiteral(": ") + e.Reason(), kHelpContext);
  } catch (const SorvelError& e) {
    FailedToRead(DisplayName(path) + QStringLiteral(": ") + e.Message(), kHelpContext);
  }
}
