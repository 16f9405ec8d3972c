#pragma once
// What the desktop program remembers between runs for the user's comfort:
// the main window's size and place, and the last folder of each folder
// field. It is kept in sorvel-ui.ini beside the suite's settings file and
// never holds a tool's settings.

#include <QString>
#include <QVariant>

QString UiStateFile();
QVariant RememberedValue(const QString& key, const QVariant& fallback = QVariant());
void Remember(const QString& key, const QVariant& value);
