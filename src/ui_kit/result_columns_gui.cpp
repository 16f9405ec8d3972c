#include "ui_kit/result_columns_gui.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QSettings>
#include <algorithm>

#include "runtime/settings.h"

namespace {

QString WidthsKey(const QString& group) { return group + QStringLiteral("/column_widths"); }

}  // namespace

bool RestoreColumnWidths(QHeaderView* header, const QString& group, const QList<int>& defaults) {
  const QSettings ini(SuiteSettingsPath(), QSettings::IniFormat);
  const QStringList kept = ini.value(WidthsKey(group)).toStringList();
  bool used = false;
  for (int c = 0; c + 1 < header->count(); ++c) {
    bool ok = false;
    const int width = c < kept.size() ? kept[c].toInt(&ok) : 0;
    if (ok && width > 0) {
      header->resizeSection(c, width);
      used = true;
    } else if (c < defaults.size()) {
      header->resizeSection(c, defaults[c]);
    }
  }
  return used;
}

void SaveColumnWidths(const QHeaderView* header, const QString& group) {
  QStringList widths;
  for (int c = 0; c + 1 < header->count(); ++c) widths << QString::number(header->sectionSize(c));
  QSettings ini(SuiteSettingsPath(), QSettings::IniFormat);
  ini.setValue(WidthsKey(group), widths);
}

FittedFirstColumn::FittedFirstColumn(QAbstractItemView* view, QHeaderView* header,
                                     const QString& group, const QList<int>& defaults,
                                     int last_room)
    : QObject(view),
      viewport_(view->viewport()),
      header_(header),
      group_(group),
      last_room_(last_room) {
  sized_by_user_ = RestoreColumnWidths(header, group, defaults);
  connect(header, &QHeaderView::sectionResized, this, [this](int column) {
    if (fitting_ || !header_ || column >= header_->count() - 1) return;
    sized_by_user_ = true;
    SaveColumnWidths(header_, group_);
  });
  viewport_->installEventFilter(this);
}

bool FittedFirstColumn::eventFilter(QObject* watched, QEvent* event) {
  // Only the viewport is looked at: events still come while the view is
  // being destroyed, when it is no longer a view.
  if (watched == viewport_.data() && event->type() == QEvent::Resize) Fit();
  return QObject::eventFilter(watched, event);
}

void FittedFirstColumn::Fit() {
  if (sized_by_user_ || !viewport_ || !header_) return;
  int others = last_room_;
  for (int c = 1; c + 1 < header_->count(); ++c) others += header_->sectionSize(c);
  // Never narrower than two inches, however small the window.
  const int inch = viewport_->logicalDpiX() > 0 ? viewport_->logicalDpiX() : 96;
  fitting_ = true;
  header_->resizeSection(0, std::max(2 * inch, viewport_->width() - others));
  fitting_ = false;
}
