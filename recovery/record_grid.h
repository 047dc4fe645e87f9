// The record grid's model: preview columns and rows of cell texts.
//
// The parsers append rows while a table loads; the desktop program's table
// view reads them. Rows are appended in batches so that a million-row table
// costs one notification per batch, not one per cell. Every operation takes
// one internal lock; the observer is told after the change, outside it.
#ifndef SALVORAN_RECOVERY_RECORD_GRID_H_
#define SALVORAN_RECOVERY_RECORD_GRID_H_

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace salvoran {

using GridRow = std::vector<std::string>;

enum class GridChange { RowsCleared, ColumnsChanged, RowsAppended };

class RecordGrid {
 public:
  // first and count describe the appended rows; 0 and 0 otherwise.
  using Observer = std::function<void(GridChange, size_t first, size_t count)>;

  void DeleteAllRows();
  // Removes the preview columns, so that ColumnCount() is 0 again.
  void DeleteAllColumns();
  void InsertColumn(const std::string& header);
  size_t ColumnCount() const;
  std::string ColumnHeader(size_t column) const;

  void AppendRows(std::vector<GridRow> rows);
  size_t RowCount() const;
  GridRow Row(size_t index) const;
  std::string Cell(size_t row, size_t column) const;

  void SetObserver(Observer observer);

 private:
  void Notify(GridChange change, size_t first, size_t count);

  mutable std::mutex mutex_;
  std::vector<std::string> headers_;
  std::vector<GridRow> rows_;
  Observer observer_;
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_RECORD_GRID_H_
