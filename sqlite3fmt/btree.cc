#include "sqlite3fmt/btree.h"

#include <algorithm>
#include <unordered_set>

namespace salvoran::sqlite3 {

PageRef PageSource::Page(uint64_t n) const {
  if (!IsValidPage(n)) return {};
  const uint64_t offset = layout_.startOffset + (n - 1) * layout_.pageSize;
  std::span<const uint8_t> view = reader_.View();
  if (!view.empty()) return PageRef(view.subspan(static_cast<size_t>(offset), layout_.pageSize));
  auto owned = std::make_shared<std::vector<uint8_t>>(layout_.pageSize);
  if (!reader_.ReadAt(offset, owned->data(), owned->size())) return {};
  return PageRef(std::shared_ptr<const std::vector<uint8_t>>(std::move(owned)));
}

bool ReadVarint(std::span<const uint8_t> bytes, size_t* pos, uint64_t* value) {
  uint64_t v = 0;
  size_t p = *pos;
  for (int i = 0; i < 9; ++i) {
    if (p >= bytes.size()) return false;
    uint8_t b = bytes[p++];
    if (i == 8) {
      v = (v << 8) | b;
      break;
    }
    v = (v << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) break;
  }
  *pos = p;
  *value = v;
  return true;
}

bool ParsePageHeader(std::span<const uint8_t> page, uint64_t pageNumber, PageHeader* header) {
  size_t at = pageNumber == 1 ? 100 : 0;
  if (page.size() < at + 8) return false;
  const uint8_t* p = page.data() + at;
  header->type = p[0];
  header->firstFreeblock = Get16(p + 1);
  header->cellCount = Get16(p + 3);
  uint32_t start = Get16(p + 5);
  header->cellContentStart = start == 0 ? 65536 : start;
  header->fragmentedBytes = p[7];
  header->headerOffset = at;
  bool interior = header->type == kTableInterior || header->type == kIndexInterior;
  if (interior) {
    if (page.size() < at + 12) return false;
    header->rightChild = Get32(p + 8);
  } else {
    header->rightChild = 0;
  }
  header->cellPointerOffset = at + (interior ? 12 : 8);
  return true;
}

uint32_t CellOffset(std::span<const uint8_t> page, const PageHeader& header, size_t i) {
  size_t slot = header.cellPointerOffset + 2 * i;
  if (slot + 2 > page.size()) return 0;
  uint32_t offset = Get16(page.data() + slot);
  if (offset < header.cellPointerOffset || offset >= page.size()) return 0;
  return offset;
}

uint32_t LocalPayloadSize(uint64_t payloadSize, uint32_t usableSize, bool tableLeaf) {
  const uint64_t u = usableSize;
  const uint64_t x = tableLeaf ? u - 35 : ((u - 12) * 64 / 255) - 23;
  if (payloadSize <= x) return static_cast<uint32_t>(payloadSize);
  const uint64_t m = ((u - 12) * 32 / 255) - 23;
  const uint64_t k = m + ((payloadSize - m) % (u - 4));
  return static_cast<uint32_t>(k <= x ? k : m);
}

bool ParseCell(std::span<const uint8_t> page, uint8_t pageType, uint32_t offset, uint32_t usableSize,
               Cell* cell) {
  // Cells must lie in the usable part of the page.
  std::span<const uint8_t> usable = page.first(std::min<size_t>(page.size(), usableSize));
  size_t pos = offset;
  if (pos >= usable.size()) return false;
  *cell = Cell{};
  if (pageType == kTableInterior || pageType == kIndexInterior) {
    if (pos + 4 > usable.size()) return false;
    cell->leftChild = Get32(usable.data() + pos);
    pos += 4;
    if (pageType == kTableInterior) {
      uint64_t key;
      if (!ReadVarint(usable, &pos, &key)) return false;
      cell->rowid = static_cast<int64_t>(key);
      return true;
    }
  }
  if (!ReadVarint(usable, &pos, &cell->payloadSize)) return false;
  if (pageType == kTableLeaf) {
    uint64_t key;
    if (!ReadVarint(usable, &pos, &key)) return false;
    cell->rowid = static_cast<int64_t>(key);
  }
  uint32_t local = LocalPayloadSize(cell->payloadSize, usableSize, pageType == kTableLeaf);
  if (pos + local > usable.size()) return false;
  cell->local = usable.subspan(pos, local);
  if (local < cell->payloadSize) {
    if (pos + local + 4 > usable.size()) return false;
    cell->firstOverflow = Get32(usable.data() + pos + local);
  }
  return true;
}

Payload GatherPayload(const PageSource& pages, const Cell& cell) {
  Payload payload;
  const uint64_t total = cell.payloadSize;
  const uint32_t chunk = pages.layout().usableSize - 4;
  // A payload longer than what the file could hold is damaged; gather what
  // the file has.
  const uint64_t ceiling = cell.local.size() + pages.layout().pageCount * uint64_t{chunk};
  payload.bytes.reserve(static_cast<size_t>(std::min(total, ceiling)));
  payload.bytes.assign(cell.local.begin(), cell.local.end());
  uint32_t next = cell.firstOverflow;
  std::unordered_set<uint32_t> seen;
  while (payload.bytes.size() < total) {
    if (!pages.IsValidPage(next) || !seen.insert(next).second) {
      payload.complete = false;
      break;
    }
    PageRef page = pages.Page(next);
    if (page.size() < 4 + size_t{chunk}) {
      payload.complete = false;
      break;
    }
    payload.pages.push_back(next);
    ++payload.overflowPages;
    size_t take = static_cast<size_t>(std::min<uint64_t>(chunk, total - payload.bytes.size()));
    payload.bytes.append(reinterpret_cast<const char*>(page.data() + 4), take);
    next = Get32(page.data());
  }
  return payload;
}

}  // namespace salvoran::sqlite3
