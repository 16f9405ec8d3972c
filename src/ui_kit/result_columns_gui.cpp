#include "ui_kit/result_columns_gui.h"

#include <QHeaderView>
#include <QSettings>

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
