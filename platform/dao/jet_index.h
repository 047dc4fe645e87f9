// Index B-trees (page types 0x03 node and 0x04 leaf), built fresh from all
// their entries at once.
//
// Page layout: type, 01, free space (4096 - end of the last entry), the
// table's TDEF page, 0, previous and next page on the same level, tail page
// 0, prefix length 0, then at 27 a bitmap with bit k set where an entry ends
// at 0x1E0 + k, and the entries back to back from 0x1E0 (3616 bytes).
// A leaf entry is its key and the row's pointer as a 3-byte big-endian page
// and a 1-byte row. A node entry repeats the last leaf entry below one child
// and adds the child's page number, 4 bytes big-endian.
#ifndef SALVORAN_PLATFORM_DAO_JET_INDEX_H_
#define SALVORAN_PLATFORM_DAO_JET_INDEX_H_

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/dao/jet_page.h"

namespace salvoran::jet {

struct IndexEntry {
  std::vector<uint8_t> key;
  uint32_t page = 0;
  uint8_t row = 0;
};

// The key part of a LONG column: 7F, then the value big-endian with its sign
// bit flipped, so that keys sort as the numbers do.
std::vector<uint8_t> LongIndexKey(int32_t value);

// The shape of a tree: how many pages each level takes, leaves first.
struct IndexPlan {
  std::vector<std::vector<uint8_t>> leafEntries;  // sorted entry bytes
  std::vector<size_t> pagesPerLevel;
  size_t PageCount() const;
};
IndexPlan PlanIndex(std::vector<IndexEntry> entries);

// Builds the pages of a planned tree. pageNumbers holds PageCount() numbers:
// the leaves left to right, then each node level. Returns the pages and
// the root's number (the last page).
struct IndexTree {
  uint32_t rootPage = 0;
  std::vector<std::pair<uint32_t, Page>> pages;
};
IndexTree BuildIndex(const IndexPlan& plan, uint32_t tablePage, std::span<const uint32_t> pageNumbers);

// An upper bound of PageCount() for `count` entries of at most
// `maxEntryBytes` bytes each, used to keep room for the catalog at close.
size_t IndexPageBound(size_t count, size_t maxEntryBytes);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_INDEX_H_
