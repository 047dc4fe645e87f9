#include "platform/sqlite2/btree_builder.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace salvoran::sqlite2 {
namespace {

// Our files are little-endian.
constexpr ByteOrder kOrder{false};

// One level of the tree: entries and, above the leaves, the child nodes
// around them (child i lies before entry i, the last after every entry).
struct Level {
  std::vector<uint32_t> entries;
  std::vector<uint32_t> children;  // empty on the leaf level
};

// Splits a level into pages; returns the level above (the entries moved up
// and the pages as its children).
Level BuildLevel(const Level& level, const std::vector<uint32_t>& cellSizes,
                 std::vector<BtreeNode>& nodes) {
  const bool interior = !level.children.empty();
  const size_t count = level.entries.size();
  Level parent;
  size_t i = 0;
  while (true) {
    BtreeNode node;
    uint32_t used = 0;
    while (i < count && used + cellSizes[level.entries[i]] <= kUsableCellSpace) {
      used += cellSizes[level.entries[i]];
      node.entries.push_back(level.entries[i]);
      if (interior) node.children.push_back(level.children[i]);
      ++i;
    }
    if (interior) node.children.push_back(level.children[i]);
    if (i == count) {
      parent.children.push_back(static_cast<uint32_t>(nodes.size()));
      nodes.push_back(std::move(node));
      break;
    }
    const uint32_t separator = level.entries[i++];
    if (i == count) {
      // Nothing would be left for a last page: this page's last entry moves
      // up instead, and the separator forms the last page on its own. A full
      // page holds at least four cells, so this one keeps three.
      const uint32_t promoted = node.entries.back();
      node.entries.pop_back();
      BtreeNode last;
      last.entries.push_back(separator);
      if (interior) {
        node.children.pop_back();
        last.children = {level.children[count - 1], level.children[count]};
      }
      parent.children.push_back(static_cast<uint32_t>(nodes.size()));
      nodes.push_back(std::move(node));
      parent.entries.push_back(promoted);
      parent.children.push_back(static_cast<uint32_t>(nodes.size()));
      nodes.push_back(std::move(last));
      break;
    }
    parent.children.push_back(static_cast<uint32_t>(nodes.size()));
    nodes.push_back(std::move(node));
    parent.entries.push_back(separator);
  }
  return parent;
}

// Copies payload bytes [from, from + count) of key + data to out.
void CopyPayload(const BtreeEntry& entry, size_t from, size_t count, uint8_t* out) {
  const std::string_view key = entry.key;
  const std::string_view data = entry.data;
  while (count > 0) {
    const std::string_view part = from < key.size() ? key.substr(from) : data.substr(from - key.size());
    const size_t n = std::min(count, part.size());
    std::memcpy(out, part.data(), n);
    out += n;
    from += n;
    count -= n;
  }
}

// Writes one cell at page offset `offset` and its overflow chain from
// nextOverflow on; returns the cell size.
uint32_t WriteCell(FileBuilder& file, uint32_t pageNumber, uint32_t offset, uint32_t leftChild,
                   uint32_t nextCellOffset, const BtreeEntry& entry, uint32_t& nextOverflow) {
  uint8_t* cell = file.Page(pageNumber) + offset;
  const auto keySize = static_cast<uint32_t>(entry.key.size());
  const auto dataSize = static_cast<uint32_t>(entry.data.size());
  kOrder.PutU32(cell, leftChild);
  kOrder.PutU16(cell + 4, keySize & 0xFFFF);
  kOrder.PutU16(cell + 6, nextCellOffset);
  cell[8] = static_cast<uint8_t>(keySize >> 16);
  cell[9] = static_cast<uint8_t>(dataSize >> 16);
  kOrder.PutU16(cell + 10, dataSize & 0xFFFF);
  const uint32_t payload = entry.Payload();
  const uint32_t local = std::min(payload, kMaxLocalPayload);
  CopyPayload(entry, 0, local, cell + kCellHeaderSize);
  const uint32_t overflowPages = OverflowPageCount(payload);
  if (overflowPages > 0) {
    kOrder.PutU32(cell + kCellHeaderSize + kMaxLocalPayload, nextOverflow);
    size_t from = local;
    for (uint32_t i = 0; i < overflowPages; ++i) {
      uint8_t* page = file.Page(nextOverflow);
      const bool last = i + 1 == overflowPages;
      kOrder.PutU32(page, last ? 0 : nextOverflow + 1);
      const size_t count = std::min<size_t>(kOverflowPayload, payload - from);
      CopyPayload(entry, from, count, page + 4);
      from += count;
      ++nextOverflow;
    }
  }
  return CellSize(payload);
}

}  // namespace

BtreeLayout LayOutBtree(const std::vector<uint32_t>& cellSizes) {
  BtreeLayout layout;
  Level level;
  level.entries.resize(cellSizes.size());
  std::iota(level.entries.begin(), level.entries.end(), 0u);
  while (true) {
    Level parent = BuildLevel(level, cellSizes, layout.nodes);
    if (parent.children.size() == 1) {
      layout.root = parent.children.front();
      return layout;
    }
    level = std::move(parent);
  }
}

FileBuilder::FileBuilder() : bytes_(size_t{2} * kPageSize, 0) {}

uint32_t FileBuilder::AppendPages(uint32_t count) {
  const uint32_t first = PageCount() + 1;
  bytes_.resize(bytes_.size() + size_t{count} * kPageSize, 0);
  return first;
}

void WriteBtree(FileBuilder& file, uint32_t rootPage, const std::vector<BtreeEntry>& entries) {
  std::vector<uint32_t> cellSizes;
  cellSizes.reserve(entries.size());
  uint64_t overflowTotal = 0;
  for (const BtreeEntry& entry : entries) {
    cellSizes.push_back(CellSize(entry.Payload()));
    overflowTotal += OverflowPageCount(entry.Payload());
  }
  const BtreeLayout layout = LayOutBtree(cellSizes);

  // The root goes to its fixed page, the other nodes and the overflow pages
  // after the current end of the file, all allocated at once.
  const auto otherNodes = static_cast<uint32_t>(layout.nodes.size() - 1);
  const uint32_t first = file.AppendPages(otherNodes + static_cast<uint32_t>(overflowTotal));
  std::vector<uint32_t> pageOf(layout.nodes.size());
  uint32_t next = first;
  for (uint32_t id = 0; id < layout.nodes.size(); ++id) {
    pageOf[id] = id == layout.root ? rootPage : next++;
  }
  uint32_t nextOverflow = next;

  for (uint32_t id = 0; id < layout.nodes.size(); ++id) {
    const BtreeNode& node = layout.nodes[id];
    const uint32_t pageNumber = pageOf[id];
    std::memset(file.Page(pageNumber), 0, kPageSize);
    uint32_t offset = kPageHeaderSize;
    for (size_t k = 0; k < node.entries.size(); ++k) {
      const uint32_t size = cellSizes[node.entries[k]];
      const bool lastCell = k + 1 == node.entries.size();
      const uint32_t leftChild = node.children.empty() ? 0 : pageOf[node.children[k]];
      offset += WriteCell(file, pageNumber, offset, leftChild, lastCell ? 0 : offset + size,
                          entries[node.entries[k]], nextOverflow);
    }
    uint8_t* page = file.Page(pageNumber);
    kOrder.PutU32(page, node.children.empty() ? 0 : pageOf[node.children.back()]);
    kOrder.PutU16(page + 4, node.entries.empty() ? 0 : kPageHeaderSize);
    if (offset < kPageSize) {
      // The rest of the page is one free block.
      kOrder.PutU16(page + 6, offset);
      kOrder.PutU16(page + offset, kPageSize - offset);
      kOrder.PutU16(page + offset + 2, 0);
    }
  }
}

}  // namespace salvoran::sqlite2
