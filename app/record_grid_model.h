// The Qt table model over the core's RecordGrid.
//
// The model shows the grid's preview columns followed by one blank column,
// and only the rows it has been told about: the row count is kept here and
// grows by whole batches when the grid reports appended rows, so the view
// never asks for a row it was not told of. Cell texts are read from the grid
// when they are drawn, so a million-row table costs no copy. Notifications
// from a worker are carried out on the user-interface thread while the
// worker waits.
#ifndef SALVORAN_APP_RECORD_GRID_MODEL_H_
#define SALVORAN_APP_RECORD_GRID_MODEL_H_

#include <QAbstractTableModel>
#include <QFont>

#include "recovery/record_grid.h"

namespace salvoran::app {

class RecordGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit RecordGridModel(RecordGrid& grid, QObject* parent = nullptr);
  ~RecordGridModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Number of preview columns (without the blank one).
  int previewColumns() const { return columns_; }

 private:
  void OnGridChange(GridChange change, size_t first, size_t count);

  RecordGrid& grid_;
  int rows_ = 0;
  int columns_ = 0;
  QFont headerFont_;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_RECORD_GRID_MODEL_H_
