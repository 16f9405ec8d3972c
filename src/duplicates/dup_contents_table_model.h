#pragma once
// The near-duplicate groups as a Qt table model: one row per group member
// (see dup_contents_rows.h). The model keeps only the row map; every text is
// made from the seeker when a view asks, so a result of a million rows costs
// a million small entries, not a million items.

#include <QAbstractTableModel>

#include "duplicates/dup_contents_rows.h"

class DupContentsTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit DupContentsTableModel(QObject* parent = nullptr);

  // Shows the seeker's groups in their current order, or nothing when seeker
  // is null. Detach before a run changes the seeker, so that no view reads
  // it meanwhile.
  void Fill(DupContentsSeeker* seeker);
  void Detach() { Fill(nullptr); }
  const DupContentsRows& Rows() const { return rows_; }

  // Makes the member of row the file to keep of its group and updates that
  // group's keep column; false when row is not a row.
  bool KeepRow(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  DupContentsSeeker* seeker_ = nullptr;
  DupContentsRows rows_;
};
