#pragma once
// The column widths of a result view, kept in the settings file under the
// page's own group, so that a user's layout survives a restart. The last
// column always stretches to the view's edge, so its width is not kept.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAbstractItemView;
class QHeaderView;

// Sets the widths of every column but the last from the settings, or from
// defaults where none are kept. Returns whether kept widths were used.
bool RestoreColumnWidths(QHeaderView* header, const QString& group, const QList<int>& defaults);
// Keeps the widths of every column but the last.
void SaveColumnWidths(const QHeaderView* header, const QString& group);

// The column widths of a result view whose first column holds long texts
// (names, chunks). Until the user sizes a column, the first column takes the
// room the other columns leave, less `last_room` for the stretching last
// column, and follows the view's width. Once the user sizes any column but
// the last, the user's widths hold, and they are kept under `group` for the
// next session.
class FittedFirstColumn : public QObject {
 public:
  FittedFirstColumn(QAbstractItemView* view, QHeaderView* header, const QString& group,
                    const QList<int>& defaults, int last_room);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fit();

  QPointer<QWidget> viewport_;
  QPointer<QHeaderView> header_;
  QString group_;
  int last_room_ = 0;
  bool sized_by_user_ = false;
  bool fitting_ = false;
};
