#include "boilerplate/boilerplate_tree_model.h"

#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"
#include "runtime/run_summary.h"

// Internal ids: 0 marks a top-level row; r + 1 marks a child of top-level row r.
BoilerplateTreeModel::BoilerplateTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void BoilerplateTreeModel::Fill(RepeatedChunks* engine) {
  beginResetModel();
  engine_ = engine;
  if (engine_) {
    boiler::FileNumberList& order = engine_->RowOrder();
    order.Clear();
    for (int i = 0; i < engine_->Chunks().Count(); ++i) order.AddOne(i);
  }
  endResetModel();
}

int BoilerplateTreeModel::ChunkOfRow(int row) const {
  if (!engine_ || row < 0) return -1;
  const boiler::FileNumberList& order = engine_->RowOrder();
  const int chunk = row < order.Count() ? order.GetAValue(row) : row;
  return (chunk >= 0 && chunk < engine_->Chunks().Count()) ? chunk : -1;
}

QModelIndex BoilerplateTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= 3 || row >= rowCount(parent)) return {};
  if (!parent.isValid()) return createIndex(row, column, quintptr(0));
  return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex BoilerplateTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == 0) return {};
  return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr(0));
}

int BoilerplateTreeModel::rowCount(const QModelIndex& parent) const {
  if (!engine_) return 0;
  if (!parent.isValid()) return engine_->Chunks().Count();
  if (parent.internalId() != 0 || parent.column() != 0) return 0;
  const int chunk = ChunkOfRow(parent.row());
  if (chunk < 0) return 0;
  const int pairs = engine_->Chunks().GetAListOfOccurrences(chunk).Count();
  return pairs > 1 ? pairs : 0;
}

int BoilerplateTreeModel::columnCount(const QModelIndex&) const { return 3; }

QString BoilerplateTreeModel::CellText(const QModelIndex& index, int column) const {
  if (!engine_ || !index.isValid()) return {};
  const bool child = index.internalId() != 0;
  const int top_row = child ? static_cast<int>(index.internalId() - 1) : index.row();
  if (top_row >= engine_->Chunks().Count()) return {};
  const int chunk = ChunkOfRow(top_row);
  if (chunk < 0) return BeyondTheList();
  const auto& chunks = engine_->Chunks();
  const auto& occ = chunks.GetAListOfOccurrences(chunk);
  if (column == 0) return chunks.Strings(chunk);
  if (child) {
    if (index.row() >= occ.Count()) return BeyondTheList();
    if (column == 1) return Format(QStringLiteral("%0.n"), {double(Hits(index))});
    return engine_->ChunkFiles().GetFullFilename(occ.GetAValue(index.row()).value1);
  }
  if (column == 1) return Format(QStringLiteral("%0.n"), {double(Hits(index))});
  if (occ.Count() > 1) return LX("LXTotal");
  if (occ.Count() == 1) return engine_->ChunkFiles().GetFullFilename(occ.GetAValue(0).value1);
  return {};
}

long long BoilerplateTreeModel::Hits(const QModelIndex& index) const {
  if (!engine_ || !index.isValid()) return 0;
  const bool child = index.internalId() != 0;
  const int top_row = child ? static_cast<int>(index.internalId() - 1) : index.row();
  const int chunk = top_row < engine_->Chunks().Count() ? ChunkOfRow(top_row) : -1;
  if (chunk < 0) return 0;
  const auto& occ = engine_->Chunks().GetAListOfOccurrences(chunk);
  if (!child) return occ.TotalOf(1);
  return index.row() < occ.Count() ? occ.GetAValue(index.row()).value2 : 0;
}

QVariant BoilerplateTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  // The file column shows the display form of the path; CellText keeps it.
  if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() != 1)) {
    const QString text = CellText(index, index.column());
    return index.column() == 2 ? DisplayName(text) : text;
  }
  if (role == Qt::TextAlignmentRole && index.column() == 1)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  return {};
}

QVariant BoilerplateTreeModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) {
    switch (section) {
      case 0:
        return LX("LXChunk");
      case 1:
        return LX("LXOverallFreq");
      case 2:
        return LX("LXFilenames");
      default:
        return {};
    }
  }
  if (role == Qt::TextAlignmentRole && section == 1)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  return {};
}

int CountChunksOfFile(const RepeatedChunks& engine, const QString& path, QStringList* texts) {
  int count = 0;
  const auto& chunks = engine.Chunks();
  const FolderFileList& files = engine.ChunkFiles();
  // File numbers are compared, not paths, once the path's number is known.
  int number = -1;
  for (int f = 0; f < files.Count(); ++f) {
    if (files.GetFullFilename(f) == path) {
      number = f;
      break;
    }
  }
  if (number < 0) return 0;
  for (int i = 0; i < chunks.Count(); ++i) {
    const auto& occ = chunks.GetAListOfOccurrences(i);
    bool listed = false;
    for (int j = 0; j < occ.Count(); ++j) {
      if (occ.GetAValue(j).value1 != number) continue;
      ++count;
      if (texts && !listed) {
        texts->append(chunks.Strings(i));
        listed = true;
      }
    }
  }
  return count;
}

BoilerplateSelection SummariseBoilerRow(const BoilerplateTreeModel& model, const QModelIndex& index,
                                        const QString& head_folder) {
  BoilerplateSelection s;
  if (!index.isValid() || !model.Engine()) return s;
  QString file = model.CellText(index, 2);
  const QString times = CountOf(model.Hits(index), QStringLiteral("time"), QStringLiteral("times"));
  s.chunk = model.CellText(index, 0);
  if (file == LX("LXTotal")) {
    file = head_folder;
    s.total_row = true;
  }
  s.to_open.full_path = file;
  const int k = CountChunksOfFile(*model.Engine(), file);
  if (s.total_row) {
    // A total row stands for several files: say how often and in how many.
    const int files = model.rowCount(index.sibling(index.row(), 0));
    s.message = Format(LX("LXXFoundNStrTimesInY"), {s.chunk, times, CountOf(files)});
  } else if (k == 1) {
    s.message = Format(LX("LXXFoundNStrTimesInY"), {s.chunk, times, file});
  } else {
    s.message = Format(LX("LXXFoundInY"),
                       {Format(LX("LXNManyX"), {IntToSingle(k), LX("LXRepeatedChunks")}), file});
  }
  s.to_open.info2 = Format(QStringLiteral("%0.n"), {IntToSingle(k)});
  return s;
}
