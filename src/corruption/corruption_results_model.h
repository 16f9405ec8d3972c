#pragma once
// The flagged files of a corruption check as a list model, so that a list
// view shows a result of a million files without an item object per line.
// Each row is a flagged file: shown by its display name (the form the command
// line prints too), with its note, its path and the kind of test it failed
// under roles of their own.

#include <QAbstractListModel>
#include <QString>
#include <vector>

#include "corruption/corruption_check.h"

class CorruptionResultsModel : public QAbstractListModel {
  Q_OBJECT
 public:
  static constexpr int kNoteRole = Qt::UserRole + 1;
  static constexpr int kPathRole = Qt::UserRole + 2;
  // True for a file that failed the size test.
  static constexpr int kSizeFailureRole = Qt::UserRole + 3;

  explicit CorruptionResultsModel(QObject* parent = nullptr);

  void Clear();
  void Append(const std::vector<FlaggedFile>& files);
  const FlaggedFile& File(int row) const { return files_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  std::vector<FlaggedFile> files_;
};
