#include "ui_kit/ui_state_gui.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "runtime/settings.h"

QString UiStateFile() {
  return QFileInfo(SuiteSettingsPath()).dir().filePath(QStringLiteral("sorvel-ui.ini"));
}

QVariant RememberedValue(const QString& key, const QVariant& fallback) {
  const QSettings ini(UiStateFile(), QSettings::IniFormat);
  return ini.value(key, fallback);
}

void Remember(const QString& key, const QVariant& value) {
  // An unwritable settings folder only means that nothing is remembered.
  QSettings ini(UiStateFile(), QSettings::IniFormat);
  ini.setValue(key, value);
}
