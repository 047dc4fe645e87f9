#include "app/record_grid_model.h"

#include <algorithm>
#include <climits>

#include "app/ui_thread.h"

namespace salvoran::app {

RecordGridModel::RecordGridModel(RecordGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {
  headerFont_.setFamily("Arial");
  headerFont_.setPixelSize(16);
  headerFont_.setBold(true);
  columns_ = static_cast<int>(grid_.ColumnCount());
  rows_ = static_cast<int>(std::min<size_t>(grid_.RowCount(), INT_MAX));
  grid_.SetObserver([this](GridChange change, size_t first, size_t count) {
    RunOnUiThread(this, [&] { OnGridChange(change, first, count); });
  });
}

RecordGridModel::~RecordGridModel() { grid_.SetObserver(nullptr); }

void RecordGridModel::OnGridChange(GridChange change, size_t first, size_t count) {
  switch (change) {
    case GridChange::RowsCleared:
    case GridChange::ColumnsChanged:
      beginResetModel();
      columns_ = static_cast<int>(grid_.ColumnCount());
      rows_ = static_cast<int>(std::min<size_t>(grid_.RowCount(), INT_MAX));
      endResetModel();
      break;
    case GridChange::RowsAppended: {
      // Rows appended while the model was reset are already counted.
      size_t last = std::min<size_t>(first + count, INT_MAX);
      if (count == 0 || last <= static_cast<size_t>(rows_)) break;
      beginInsertRows(QModelIndex(), rows_, static_cast<int>(last) - 1);
      rows_ = static_cast<int>(last);
      endInsertRows();
      break;
    }
  }
}

int RecordGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int RecordGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_ + 1; }

QVariant RecordGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columns_) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    return QString::fromStdString(
        grid_.Cell(static_cast<size_t>(index.row()), static_cast<size_t>(index.column())));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::FontRole) return headerFont_;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  if (section < 0 || section >= columns_) return QString();
  return QString::fromStdString(grid_.ColumnHeader(static_cast<size_t>(section)));
}

}  // namespace salvoran::app
