// Row counts from a guarded walk of the cell chains: every cell of a table
// tree with a rowid key is a row, on interior pages as on leaves. No payload
// is read.
#include "sqlite2fmt/sqlite_ver2.h"
#include "sqlite2fmt/tree_walk.h"

namespace salvoran {

int64_t sqlite_ver2::CountTableRecords(const std::string&, int64_t page) {
  if (context_ == nullptr || !context_->reader) return rowCountAccumulator;
  if (page < 1 || static_cast<uint64_t>(page) > layout().pageCount) return rowCountAccumulator;
  sqlite2::PageSource pages(*context_->reader, layout());
  sqlite2::TreeWalk walk(pages, static_cast<uint32_t>(page));
  sqlite2::WalkCell cell;
  while (walk.Next(&cell)) {
    if (cell.header.keySize == sqlite2::kRowidKeySize) ++rowCountAccumulator;
  }
  return rowCountAccumulator;
}

}  // namespace salvoran
