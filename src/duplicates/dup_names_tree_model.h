#pragma once
// The result lines of a duplicate-names search as a Qt item model: one
// top-level row per name key with the first reported file, and below it one
// child row for each further file of that key. The model keeps no texts of
// its own; each is made from the lines when a view asks, so that a result
// of a million files stays quick to show.
//
// Columns: 0 the name key on a top-level row (empty on a child row), 1 the
// file's folder and date.

#include <QAbstractItemModel>

#include "duplicates/dup_names_tree.h"

class DupNamesTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit DupNamesTreeModel(QObject* parent = nullptr);

  // Shows the lines, or nothing when lines is null. Detach before the lines
  // are changed by a search, so that no view reads them meanwhile.
  void Fill(const DupNamesTreeLines* lines);
  void Detach() { Fill(nullptr); }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  // The group a row belongs to and the file it shows.
  const DupNamesTreeGroup* GroupOf(const QModelIndex& index) const;
  const DupNamesTreeFile* FileOf(const QModelIndex& index) const;

  const DupNamesTreeLines* lines_ = nullptr;
};
