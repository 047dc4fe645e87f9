// Building SQLite 2 b-trees from sorted entries, bottom-up.
//
// Each level is filled greedily from the left: a page takes entries while
// their cells fit in its 1016 bytes; the next entry moves up, between this
// page and the next, as a cell of the parent level (SQLite 2 keeps real
// entries in interior pages). The last page of a level never stays empty:
// when the entry that moved up was the level's last, the page before gives
// up its last entry instead. Levels are built until one page remains, the
// root. Every leaf ends at the same depth and every cell is in key order.
#ifndef SALVORAN_PLATFORM_SQLITE2_BTREE_BUILDER_H_
#define SALVORAN_PLATFORM_SQLITE2_BTREE_BUILDER_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/sqlite2/file_format.h"

namespace salvoran::sqlite2 {

struct BtreeEntry {
  std::string_view key;
  std::string_view data;
  uint32_t Payload() const { return static_cast<uint32_t>(key.size() + data.size()); }
};

struct BtreeNode {
  std::vector<uint32_t> entries;   // entry positions, in key order
  std::vector<uint32_t> children;  // node ids: empty on a leaf, else entries + 1 (the last is the right child)
};

struct BtreeLayout {
  std::vector<BtreeNode> nodes;
  uint32_t root = 0;  // node id
};

// The shape of the tree for entries whose cells have these sizes.
BtreeLayout LayOutBtree(const std::vector<uint32_t>& cellSizes);

// The pages of a database file under construction, all in one buffer.
class FileBuilder {
 public:
  FileBuilder();  // pages 1 and 2 exist
  // Appends count zeroed pages and returns the number of the first.
  uint32_t AppendPages(uint32_t count);
  uint8_t* Page(uint32_t number) { return bytes_.data() + size_t{number - 1} * kPageSize; }
  uint32_t PageCount() const { return static_cast<uint32_t>(bytes_.size() / kPageSize); }
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Writes a tree of entries (sorted by key, keys unique) with its root on
// rootPage, an existing page; its other pages and its overflow pages are
// appended to the file.
void WriteBtree(FileBuilder& file, uint32_t rootPage, const std::vector<BtreeEntry>& entries);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_BTREE_BUILDER_H_
