// Row counts from the cell counts of a table's leaf pages; no cell is
// decoded. Index trees (WITHOUT ROWID tables) count their interior cells too,
// since those hold rows.
#include "sqlite3fmt/btree_walk.h"
#include "sqlite3fmt/sqlite_ver3.h"

namespace salvoran {

int64_t sqlite_ver3::CountTableRecords(const std::string&, int64_t page) {
  if (layout_.pageSize == 0 && !ReadLayout()) return rowCountAccumulator;
  if (page < 1 || static_cast<uint64_t>(page) > layout_.pageCount) return rowCountAccumulator;
  sqlite3::PageSource pages(*context_->reader, layout_);
  const uint32_t root = static_cast<uint32_t>(page);
  sqlite3::PageRef rootPage = pages.Page(root);
  sqlite3::PageHeader header;
  if (!sqlite3::ParsePageHeader(rootPage.bytes(), root, &header)) return rowCountAccumulator;
  const bool indexTree = header.type == sqlite3::kIndexLeaf || header.type == sqlite3::kIndexInterior;
  sqlite3::BtreeWalk walk(pages, root, indexTree);
  sqlite3::WalkStep step;
  while (walk.Next(&step)) rowCountAccumulator += step.interiorCell >= 0 ? 1 : step.header.cellCount;
  return rowCountAccumulator;
}

}  // namespace salvoran
