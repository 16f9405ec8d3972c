#include "corruption/corruption_results_model.h"

CorruptionResultsModel::CorruptionResultsModel(QObject* parent) : QAbstractListModel(parent) {}

void CorruptionResultsModel::Clear() {
  beginResetModel();
  files_.clear();
  endResetModel();
}

void CorruptionResultsModel::Append(const std::vector<FlaggedFile>& files) {
  if (files.empty()) return;
  const int first = static_cast<int>(files_.size());
  beginInsertRows({}, first, first + static_cast<int>(files.size()) - 1);
  files_.insert(files_.end(), files.begin(), files.end());
  endInsertRows();
}

int CorruptionResultsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(files_.size());
}

QVariant CorruptionResultsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const FlaggedFile& f = File(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return FlaggedFileName(f.path);
    case Qt::ToolTipRole:
      return FlaggedFileName(f.path) + QLatin1Char('\n') + f.note;
    case kNoteRole:
      return f.note;
    case kPathRole:
      return f.path;
    case kSizeFailureRole:
      return IsSizeTestNote(f.note);
    default:
      return {};
  }
}
