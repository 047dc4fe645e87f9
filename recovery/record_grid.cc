#include "recovery/record_grid.h"

namespace salvoran {

void RecordGrid::DeleteAllRows() {
  {
    std::lock_guard lock(mutex_);
    rows_.clear();
    rows_.shrink_to_fit();
  }
  Notify(GridChange::RowsCleared, 0, 0);
}

void RecordGrid::DeleteAllColumns() {
  {
    std::lock_guard lock(mutex_);
    headers_.clear();
  }
  Notify(GridChange::ColumnsChanged, 0, 0);
}

void RecordGrid::InsertColumn(const std::string& header) {
  {
    std::lock_guard lock(mutex_);
    headers_.push_back(header);
  }
  Notify(GridChange::ColumnsChanged, 0, 0);
}

size_t RecordGrid::ColumnCount() const {
  std::lock_guard lock(mutex_);
  return headers_.size();
}

std::string RecordGrid::ColumnHeader(size_t column) const {
  std::lock_guard lock(mutex_);
  return column < headers_.size() ? headers_[column] : std::string();
}

void RecordGrid::AppendRows(std::vector<GridRow> rows) {
  if (rows.empty()) return;
  size_t first;
  size_t count = rows.size();
  {
    std::lock_guard lock(mutex_);
    first = rows_.size();
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                 std::make_move_iterator(rows.end()));
  }
  Notify(GridChange::RowsAppended, first, count);
}

size_t RecordGrid::RowCount() const {
  std::lock_guard lock(mutex_);
  return rows_.size();
}

GridRow RecordGrid::Row(size_t index) const {
  std::lock_guard lock(mutex_);
  return index < rows_.size() ? rows_[index] : GridRow();
}

std::string RecordGrid::Cell(size_t row, size_t column) const {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size() || column >= rows_[row].size()) return {};
  return rows_[row][column];
}

void RecordGrid::SetObserver(Observer observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void RecordGrid::Notify(GridChange change, size_t first, size_t count) {
  Observer observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) observer(change, first, count);
}

}  // namespace salvoran
