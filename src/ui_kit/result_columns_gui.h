#pragma once
// The column widths of a result view, kept in the settings file under the
// page's own group, so that a user's layout survives a restart. The last
// column always stretches to the view's edge, so its width is not kept.

#include <QList>
#include <QString>

class QHeaderView;

// Sets the widths of every column but the last from the settings, or from
// defaults where none are kept. Returns whether kept widths were used.
bool RestoreColumnWidths(QHeaderView* header, const QString& group, const QList<int>& defaults);
// Keeps the widths of every column but the last.
void SaveColumnWidths(const QHeaderView* header, const QString& group);
