#pragma once
// The sample grid's rows: a row number and the sample entry, read straight
// from the sample list the main window owns (the model never copies it).

#include <QAbstractTableModel>
#include <QStringList>

// No Q_OBJECT: the model adds no signals or slots of its own.
class SampleGridModel : public QAbstractTableModel {
 public:
  explicit SampleGridModel(const QStringList* sample, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // The sample list was replaced: read it again.
  void Reload();
  // The entry shown in a model row, or empty.
  QString EntryAt(int row) const;

 private:
  const QStringList* sample_;
};
