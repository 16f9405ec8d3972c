#include "ui_kit/copy_a_list_gui.h"

#include <xlsxwriter.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUrl>
#include <QWidget>
#include <mutex>

#include "runtime/dialogs.h"
#include "runtime/messages.h"

namespace {

struct Provider {
  QPointer<QWidget> control;
  std::function<QString()> text;
  int help_context = 0;
};

QList<Provider>& Providers() {
  static QList<Provider> providers;
  return providers;
}

const Provider* ProviderFor(const QWidget* w) {
  for (const Provider& p : Providers())
    if (p.control && p.control == w) return &p;
  return nullptr;
}

// The named result controls and the help context of their pages.
struct NamedControl {
  const char* name;
  int help_context;
  bool tree;
};
constexpr NamedControl kNamedControls[] = {
    {"LXSimpleVirtualGridSample", 6060, false},
    {"LXSimpleVirtualGridRelevance", 6040, false},
    {"AdvTreeViewBoiler", 6030, true},
    {"AdvListViewDupContents", 6020, false},
};

void AppendRows(const QAbstractItemModel* model, const QModelIndex& parent, QStringList& lines) {
  const int rows = model->rowCount(parent);
  const int cols = model->columnCount(parent);
  for (int r = 0; r < rows; ++r) {
    QStringList cells;
    for (int c = 0; c < cols; ++c)
      cells << model->index(r, c, parent).data(Qt::DisplayRole).toString();
    lines << cells.join(QLatin1Char('\t'));
    const QModelIndex first = model->index(r, 0, parent);
    if (model->hasChildren(first)) AppendRows(model, first, lines);
  }
}

}  // namespace

void SetCopyTextProvider(QWidget* control, std::function<QString()> text, int help_context) {
  QList<Provider>& list = Providers();
  list.erase(
      std::remove_if(list.begin(), list.end(),
                     [control](const Provider& p) { return !p.control || p.control == control; }),
      list.end());
  list.append({control, std::move(text), help_context});
}

QString AllTextOfModel(const QAbstractItemModel* model, bool with_headers) {
  if (!model) return QString();
  QStringList lines;
  if (with_headers) {
    QStringList heads;
    for (int c = 0; c < model->columnCount(); ++c)
      heads << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    lines << heads.join(QLatin1Char('\t'));
  }
  AppendRows(model, QModelIndex(), lines);
  return lines.join(QStringLiteral("\r\n"));
}

QString AllTextOfRows(const QList<QStringList>& rows) {
  QStringList lines;
  for (const QStringList& r : rows) lines << r.join(QLatin1Char('\t'));
  return lines.join(QStringLiteral("\r\n"));
}

CopyAListSource CopySourceFor(QWidget* focused) {
  // The focus may rest on a part of the control, such as its viewport.
  for (QWidget* w = focused; w; w = w->parentWidget()) {
    if (const Provider* p = ProviderFor(w)) return {p->text(), p->help_context};
    for (const NamedControl& named : kNamedControls) {
      if (w->objectName() != QLatin1String(named.name)) continue;
      const auto* view = qobject_cast<const QAbstractItemView*>(w);
      QString text;
      if (view && named.tree)
        text = QLatin1Char('\t') + AllTextOfModel(view->model(), false);
      else if (view)
        text = AllTextOfModel(view->model(), true);
      return {text, named.help_context};
    }
  }
  return {QString(), 6060};
}

bool CopyAList(QWidget* focused) {
  if (!focused) focused = QApplication::focusWidget();
  const CopyAListSource source = CopySourceFor(focused);
  return CopyTextAsAList(source.text, source.help_context);
}

bool CopyTextAsAList(const QString& text, int help_context) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(text);
  if (clipboard->text() != text) return false;  // the clipboard refused it
  OfferCopyAsSpreadsheet(text, help_context);
  return true;
}

QString OfferCopyAsSpreadsheet(const QString& text, int help_context) {
  BoxRequest ask;
  ask.name = QStringLiteral("CopyResultsToExcelToo");
  ask.caption = Tool_Name(kSorvelToolNumber);
  ask.text = LX("LXCopyResultsToExcelToo") + QLatin1Char('?');
  ask.buttons = BoxButtons::YesNo;
  ask.icon = BoxIcon::Question;
  ask.help_context = help_context;
  if (Dialogs().Show(ask) != mrYes) return QString();
  const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
  const QString target = TemporarySpreadsheetName();
  if (target.isEmpty() || !SaveLinesAsSpreadsheet(lines, target)) return QString();
  ForgetAtExit(target);
  if (SavedOKOpenNow(target, help_context) == mrYes)
    QDesktopServices::openUrl(QUrl::fromLocalFile(target));
  return target;
}

namespace {
std::mutex g_temporary_mutex;
QStringList g_temporary_spreadsheets;
}  // namespace

void ForgetAtExit(const QString& temporary_file) {
  const std::lock_guard<std::mutex> lock(g_temporary_mutex);
  if (g_temporary_spreadsheets.isEmpty() && QCoreApplication::instance()) {
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                     [] { RemoveTemporarySpreadsheets(); });
  }
  g_temporary_spreadsheets << temporary_file;
}

int RemoveTemporarySpreadsheets() {
  const std::lock_guard<std::mutex> lock(g_temporary_mutex);
  int removed = 0;
  for (const QString& file : std::as_const(g_temporary_spreadsheets)) {
    if (QFile::remove(file)) ++removed;
  }
  g_temporary_spreadsheets.clear();
  return removed;
}

QString TemporarySpreadsheetName() {
  // Ask the system for a new name, then give it the spreadsheet extension.
  QTemporaryFile tmp(QDir::tempPath() + QStringLiteral("/sorvel-XXXXXX.tmp"));
  if (!tmp.open()) return QString();
  const QString name = tmp.fileName();
  return name.left(name.size() - 4) + QStringLiteral(".xlsx");
}

bool SaveLinesAsSpreadsheet(const QStringList& lines, const QString& target) {
  if (QFileInfo::exists(target)) {
    const QFileInfo fi(target);
    const QString bak =
        fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral(".bak");
    QFile::remove(bak);
    QFile::copy(target, bak);
  }
  const QByteArray native = QFile::encodeName(target);
  lxw_workbook* book = workbook_new(native.constData());
  if (!book) return false;
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  // A blank cell is written only with a format; empty pieces are still cells.
  lxw_format* plain = workbook_add_format(book);
  const int rows = std::min<int>(static_cast<int>(lines.size()), LXW_ROW_MAX);
  for (int i = 0; i < rows && sheet; ++i) {
    const QStringList pieces = lines[i].split(QLatin1Char('\t'));
    const int cols = std::min<int>(static_cast<int>(pieces.size()), LXW_COL_MAX);
    for (int k = 0; k < cols; ++k) {
      // A cell holds at most 32,767 characters.
      const QByteArray utf8 = pieces[k].left(32767).toUtf8();
      if (utf8.isEmpty())
        worksheet_write_blank(sheet, static_cast<lxw_row_t>(i), static_cast<lxw_col_t>(k), plain);
      else
        worksheet_write_string(sheet, static_cast<lxw_row_t>(i), static_cast<lxw_col_t>(k),
                               utf8.constData(), nullptr);
    }
  }
  workbook_close(book);
  return QFileInfo::exists(target);
}
