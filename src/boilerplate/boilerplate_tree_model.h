#pragma once
// The result tree of a boilerplate search as a Qt item model over the
// repeated-chunk finder: one top-level row per chunk, in the finder's current
// order, and below a chunk found in more than one file one child row per
// file. The model stores nothing but the row order; every text is read from
// the finder when the view asks.
//
// Columns: 0 the chunk's text (on child rows again), 1 the hits (the total on
// a top-level row, the file's hits on a child row), 2 the file's full path,
// or the "total" text on a row that has child rows.

#include <QAbstractItemModel>
#include <QString>
#include <QStringList>

#include "boilerplate/repeated_chunks.h"
#include "runtime/file_details.h"

class BoilerplateTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit BoilerplateTreeModel(QObject* parent = nullptr);

  // Shows the finder's results in its current order (refills its row order),
  // or nothing when engine is null. Detach before the finder is changed by a
  // run, so that no view reads it meanwhile.
  void Fill(RepeatedChunks* engine);
  void Detach() { Fill(nullptr); }
  RepeatedChunks* Engine() const { return engine_; }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // The text of one cell, as shown.
  QString CellText(const QModelIndex& index, int column) const;
  // The hits of a row (column 1 as a number): the total on a top-level row.
  long long Hits(const QModelIndex& index) const;

  static QString BeyondTheList() { return QStringLiteral("*** beyond the list ***!!"); }

 private:
  int ChunkOfRow(int row) const;  // -1 when the row map points outside the chunk list
  RepeatedChunks* engine_ = nullptr;
};

// How many occurrences, over all chunks, lie in the file with exactly this
// path (case matters); with texts, the text of each such chunk is appended
// once, in chunk order.
int CountChunksOfFile(const RepeatedChunks& engine, const QString& path,
                      QStringList* texts = nullptr);

// What the status bar says about a selected row, and what "Open && show"
// then opens.
struct BoilerplateSelection {
  QString chunk;              // column 0 text
  ViewerFileDetails to_open;  // the file (the head folder for a total row), "", its chunk count
  QString message;
  bool total_row = false;
};
BoilerplateSelection SummariseBoilerRow(const BoilerplateTreeModel& model, const QModelIndex& index,
                                        const QString& head_folder);
