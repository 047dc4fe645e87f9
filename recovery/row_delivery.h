// Helpers for the row walks of both parsers: rows to the grid in batches,
// and progress positions thinned out so that a million rows do not cost a
// million calls to the user interface.
#ifndef SALVORAN_RECOVERY_ROW_DELIVERY_H_
#define SALVORAN_RECOVERY_ROW_DELIVERY_H_

#include <algorithm>
#include <cstdint>
#include <vector>

#include "recovery/owner_frame.h"
#include "recovery/value.h"
#include "recovery/value_text.h"

namespace salvoran {

// Collects rows for the grid and hands them over 4096 at a time. A null grid
// takes nothing (the grid is suppressed).
class GridBatcher {
 public:
  static constexpr size_t kBatch = 4096;
  GridBatcher(RecordGrid* grid, TextEncoding encoding) : grid_(grid), encoding_(encoding) {}
  ~GridBatcher() { Flush(); }
  GridBatcher(const GridBatcher&) = delete;
  GridBatcher& operator=(const GridBatcher&) = delete;

  void Add(const std::vector<Value>& values) {
    if (grid_ == nullptr) return;
    GridRow row;
    row.reserve(values.size());
    for (const Value& value : values) row.push_back(GridText(value, encoding_));
    pending_.push_back(std::move(row));
    if (pending_.size() >= kBatch) Flush();
  }
  void Flush() {
    if (grid_ != nullptr && !pending_.empty()) grid_->AppendRows(std::move(pending_));
    pending_.clear();
  }

 private:
  RecordGrid* grid_;
  TextEncoding encoding_;
  std::vector<GridRow> pending_;
};

// Every position for tables of up to a thousand rows, about a thousand
// steps for larger ones; Finish sends the last position reported.
class ProgressPacer {
 public:
  ProgressPacer(OwnerFrame& frame, int64_t total) : frame_(frame), step_(std::max<int64_t>(1, total / 1000)) {}
  void Report(int64_t position) {
    if (position % step_ == 0 || position <= 1) frame_.SetProgressPosition(position);
    last_ = position;
  }
  void Finish() { frame_.SetProgressPosition(last_); }

 private:
  OwnerFrame& frame_;
  int64_t step_;
  int64_t last_ = 0;
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_ROW_DELIVERY_H_
