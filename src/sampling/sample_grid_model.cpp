#include "sampling/sample_grid_model.h"

#include "runtime/format.h"
#include "runtime/messages.h"
#include "sampling/zipped_text_set.h"

SampleGridModel::SampleGridModel(const QStringList* sample, QObject* parent)
    : QAbstractTableModel(parent), sample_(sample) {}

int SampleGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !sample_ ? 0 : static_cast<int>(sample_->size());
}

int SampleGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant SampleGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !sample_ || index.row() >= sample_->size()) return {};
  // Model row r is grid row r + 1: the heading row of the grid is the header.
  // The tooltip gives a name in full when the column is too narrow for it.
  if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() == 1)) {
    if (index.column() == 0)
      return Format(QStringLiteral("%6.0n"), {static_cast<double>(index.row() + 1)});
    return SampleEntryDisplay(sample_->at(index.row()));
  }
  if (role == Qt::TextAlignmentRole) {
    return index.column() == 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                               : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  }
  return {};
}

QVariant SampleGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? LX("LXN") : LX("LXFilename");
}

void SampleGridModel::Reload() {
  beginResetModel();
  endResetModel();
}

QString SampleGridModel::EntryAt(int row) const {
  if (!sample_ || row < 0 || row >= sample_->size()) return {};
  return sample_->at(row);
}
