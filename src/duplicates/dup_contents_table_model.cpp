#include "duplicates/dup_contents_table_model.h"

#include "runtime/native_names.h"

DupContentsTableModel::DupContentsTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DupContentsTableModel::Fill(DupContentsSeeker* seeker) {
  beginResetModel();
  seeker_ = seeker;
  if (seeker_)
    rows_.Rebuild(*seeker_);
  else
    rows_.Clear();
  endResetModel();
}

bool DupContentsTableModel::KeepRow(int row) {
  if (!seeker_ || !rows_.KeepRow(*seeker_, row)) return false;
  const int g = rows_.GroupOfRow(row);
  const int first = rows_.FirstRowOfGroup(g);
  const int last = first + seeker_->dup_contents_top_list.MemberCount(g) - 1;
  const int keep = static_cast<int>(DupContentsColumn::Keep);
  Q_EMIT dataChanged(index(first, keep), index(last, keep), {Qt::DisplayRole});
  return true;
}

int DupContentsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_.Count();
}

int DupContentsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kDupContentsColumns;
}

QVariant DupContentsTableModel::data(const QModelIndex& index, int role) const {
  if (!seeker_ || !index.isValid()) return {};
  const auto column = static_cast<DupContentsColumn>(index.column());
  if (role == Qt::TextAlignmentRole)
    return column == DupContentsColumn::Name ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const DupContentsRow r = rows_.At(index.row());
  const QString text = DupContentsCellText(*seeker_, r.group, r.member, column);
  if (column != DupContentsColumn::Name) return text;
  // The tooltip holds the whole path, which the column may show elided.
  if (role == Qt::ToolTipRole)
    return DisplayName(seeker_->FullFilename(seeker_->dup_contents_top_list.Group(r.group)
                                                 .dup_contents_list->GetAValue(r.member)
                                                 .file_index));
  return DisplayName(text);
}

QVariant DupContentsTableModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kDupContentsColumns) return {};
  const auto column = static_cast<DupContentsColumn>(section);
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return DupContentsHeading(column);
  if (role == Qt::TextAlignmentRole && column != DupContentsColumn::Name)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}
