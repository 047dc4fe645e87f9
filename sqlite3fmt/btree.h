// Reading the pages of an SQLite 3 file: page access, varints, cells and
// payloads, following the published file format.
//
// Page n (from 1) starts at startOffset + (n - 1) * pageSize; its b-tree
// header starts 100 bytes in on page 1. Everything here is bounded by the
// bytes it is given: a damaged page yields a cell that fails to parse, never
// a read outside the page, and an overflow chain is followed at most once
// through each page.
#ifndef SALVORAN_SQLITE3FMT_BTREE_H_
#define SALVORAN_SQLITE3FMT_BTREE_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "recovery/reader.h"

namespace salvoran::sqlite3 {

// B-tree page types.
constexpr uint8_t kIndexInterior = 2;
constexpr uint8_t kTableInterior = 5;
constexpr uint8_t kIndexLeaf = 10;
constexpr uint8_t kTableLeaf = 13;

inline bool IsBtreePageType(uint8_t type) {
  return type == kIndexInterior || type == kTableInterior || type == kIndexLeaf || type == kTableLeaf;
}
inline bool IsLeafPageType(uint8_t type) { return type == kIndexLeaf || type == kTableLeaf; }

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Where the database lies in the file.
struct DbLayout {
  uint64_t startOffset = 0;
  uint32_t pageSize = 0;
  uint32_t usableSize = 0;  // pageSize minus the reserved bytes of the header
  uint64_t pageCount = 0;   // whole pages after startOffset
};

// The bytes of one page, borrowed from an in-memory reader or owned.
class PageRef {
 public:
  PageRef() = default;
  explicit PageRef(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  explicit PageRef(std::shared_ptr<const std::vector<uint8_t>> owned)
      : bytes_(*owned), owned_(std::move(owned)) {}
  std::span<const uint8_t> bytes() const { return bytes_; }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }

 private:
  std::span<const uint8_t> bytes_;
  std::shared_ptr<const std::vector<uint8_t>> owned_;
};

class PageSource {
 public:
  PageSource(const Reader& reader, DbLayout layout) : reader_(reader), layout_(layout) {}
  // Page n (1-based); empty when n is 0 or beyond the last whole page.
  PageRef Page(uint64_t n) const;
  const DbLayout& layout() const { return layout_; }
  bool IsValidPage(uint64_t n) const { return n >= 1 && n <= layout_.pageCount; }

 private:
  const Reader& reader_;
  DbLayout layout_;
};

// Reads a varint of at most 9 bytes at bytes[*pos], the 9th contributing 8
// bits. Advances *pos; false when the varint runs past the end.
bool ReadVarint(std::span<const uint8_t> bytes, size_t* pos, uint64_t* value);

// The parsed b-tree page header of a page; headerOffset is 100 on page 1.
struct PageHeader {
  uint8_t type = 0;
  uint16_t firstFreeblock = 0;
  uint16_t cellCount = 0;
  uint32_t cellContentStart = 0;  // 0 in the file means 65536
  uint8_t fragmentedBytes = 0;
  uint32_t rightChild = 0;        // interior pages only
  size_t headerOffset = 0;
  size_t cellPointerOffset = 0;   // headerOffset + 8 or 12
};

bool ParsePageHeader(std::span<const uint8_t> page, uint64_t pageNumber, PageHeader* header);

// Offset of cell i from the cell pointer array; 0 when it lies outside the page.
uint32_t CellOffset(std::span<const uint8_t> page, const PageHeader& header, size_t i);

// How much of a payload of `payloadSize` bytes is stored in the cell.
uint32_t LocalPayloadSize(uint64_t payloadSize, uint32_t usableSize, bool tableLeaf);

// One cell, parsed.
struct Cell {
  uint32_t leftChild = 0;     // interior pages
  int64_t rowid = 0;          // table pages
  uint64_t payloadSize = 0;   // leaf and index pages
  std::span<const uint8_t> local;  // the payload bytes in the cell
  uint32_t firstOverflow = 0;      // 0 when the payload is all local
};

// Parses the cell at offset on a page of the given type. False when its
// fields or its local payload would run past the page.
bool ParseCell(std::span<const uint8_t> page, uint8_t pageType, uint32_t offset, uint32_t usableSize,
               Cell* cell);

// The whole payload of a cell: the local part followed by the overflow
// chain. `complete` is false when the chain was broken (a page number out of
// range, a loop, or a chain that ends early); the bytes gathered are kept.
struct Payload {
  std::string bytes;
  bool complete = true;
  uint32_t overflowPages = 0;
  std::vector<uint32_t> pages;  // overflow pages visited, in order
};

Payload GatherPayload(const PageSource& pages, const Cell& cell);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_BTREE_H_
