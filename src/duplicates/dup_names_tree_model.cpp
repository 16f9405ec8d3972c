#include "duplicates/dup_names_tree_model.h"

#include "runtime/messages.h"
#include "runtime/native_names.h"

// A top-level row's internal id is 0; a child row's is its group's row + 1.

DupNamesTreeModel::DupNamesTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void DupNamesTreeModel::Fill(const DupNamesTreeLines* lines) {
  beginResetModel();
  lines_ = lines;
  endResetModel();
}

QModelIndex DupNamesTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (!hasIndex(row, column, parent)) return {};
  if (!parent.isValid()) return createIndex(row, column, quintptr{0});
  return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex DupNamesTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == 0) return {};
  return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr{0});
}

int DupNamesTreeModel::rowCount(const QModelIndex& parent) const {
  if (!lines_) return 0;
  if (!parent.isValid()) return static_cast<int>(lines_->Groups().size());
  if (parent.internalId() != 0 || parent.column() != 0) return 0;
  return static_cast<int>(lines_->Groups()[static_cast<std::size_t>(parent.row())].files.size()) -
         1;
}

int DupNamesTreeModel::columnCount(const QModelIndex&) const { return 2; }

const DupNamesTreeGroup* DupNamesTreeModel::GroupOf(const QModelIndex& index) const {
  if (!lines_ || !index.isValid()) return nullptr;
  const std::size_t g =
      index.internalId() == 0 ? static_cast<std::size_t>(index.row()) : index.internalId() - 1;
  return g < lines_->Groups().size() ? &lines_->Groups()[g] : nullptr;
}

const DupNamesTreeFile* DupNamesTreeModel::FileOf(const QModelIndex& index) const {
  const DupNamesTreeGroup* group = GroupOf(index);
  if (!group) return nullptr;
  const std::size_t k = index.internalId() == 0 ? 0 : static_cast<std::size_t>(index.row()) + 1;
  return k < group->files.size() ? &group->files[k] : nullptr;
}

QVariant DupNamesTreeModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (index.column() == 0) {
    const DupNamesTreeGroup* group = GroupOf(index);
    if (!group || index.internalId() != 0) return {};
    return DisplayName(group->key);
  }
  const DupNamesTreeFile* file = FileOf(index);
  return file ? DupNamesFolderText(*file) : QVariant();
}

QVariant DupNamesTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
    return {};
  if (section == 0) return LX("LXFilename");
  if (section == 1) return LX("LXFolder");
  return {};
}
