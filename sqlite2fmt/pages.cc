#include "sqlite2fmt/pages.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace salvoran::sqlite2 {

namespace {

// Whether page 2's header reads sensibly in this byte order: a first-cell
// offset where a cell can start (or none) and a right child inside the file.
bool SchemaRootPlausible(const std::array<uint8_t, kPageHeaderSize>& header, ByteOrder order,
                         uint64_t pageCount) {
  PageHeader parsed = ParsePageHeader(header.data(), order);
  bool cellOk = parsed.firstCell == 0 || IsCellOffset(parsed.firstCell);
  bool freeOk = parsed.firstFree == 0 || (parsed.firstFree >= kPageHeaderSize && parsed.firstFree < kPageSize);
  return cellOk && freeOk && parsed.rightChild <= pageCount;
}

}  // namespace

FileLayout ReadFileLayout(const Reader& reader, uint64_t startOffset) {
  FileLayout layout;
  layout.startOffset = startOffset;
  if (startOffset < reader.size()) {
    uint64_t available = reader.size() - startOffset;
    layout.pageCount = available / kPageSize;
    layout.trailingBytes = available % kPageSize;
  }
  std::array<uint8_t, 4> magic{};
  if (reader.ReadAt(startOffset + kMagicOffset, magic.data(), magic.size())) {
    if (Get32(magic.data(), ByteOrder::Little) == kMagic) {
      layout.order = ByteOrder::Little;
      layout.magicFound = true;
      return layout;
    }
    if (Get32(magic.data(), ByteOrder::Big) == kMagic) {
      layout.order = ByteOrder::Big;
      layout.magicFound = true;
      return layout;
    }
  }
  std::array<uint8_t, kPageHeaderSize> header{};
  if (layout.pageCount >= kSchemaRootPage &&
      reader.ReadAt(startOffset + (kSchemaRootPage - 1) * uint64_t{kPageSize}, header.data(), header.size())) {
    if (!SchemaRootPlausible(header, ByteOrder::Little, layout.pageCount) &&
        SchemaRootPlausible(header, ByteOrder::Big, layout.pageCount)) {
      layout.order = ByteOrder::Big;
    }
  }
  return layout;
}

PageRef PageSource::Page(uint64_t n) const {
  if (!IsValidPage(n)) return {};
  uint64_t offset = layout_.startOffset + (n - 1) * kPageSize;
  std::span<const uint8_t> view = reader_.View();
  if (!view.empty()) {
    if (offset > view.size() || view.size() - offset < kPageSize) return {};
    return PageRef(view.subspan(static_cast<size_t>(offset), kPageSize));
  }
  auto owned = std::make_shared<std::vector<uint8_t>>(kPageSize);
  if (!reader_.ReadAt(offset, owned->data(), owned->size())) return {};
  return PageRef(std::shared_ptr<const std::vector<uint8_t>>(std::move(owned)));
}

CellChain ReadCellChain(std::span<const uint8_t> page, ByteOrder order) {
  CellChain chain;
  if (page.size() < kPageSize) return chain;
  // Cells start on multiples of 4, so one flag per 4-byte slot tells a
  // revisited offset; the chain can be no longer than the slots.
  std::array<bool, kPageSize / 4> seen{};
  uint32_t offset = ParsePageHeader(page.data(), order).firstCell;
  while (offset != 0) {
    if (!IsCellOffset(offset)) {
      chain.badOffset = true;
      break;
    }
    if (seen[offset / 4]) {
      chain.looped = true;
      break;
    }
    seen[offset / 4] = true;
    chain.offsets.push_back(static_cast<uint16_t>(offset));
    offset = Get16(page.data() + offset + 6, order);
  }
  return chain;
}

Payload GatherPayload(const PageSource& pages, std::span<const uint8_t> page, uint32_t cellOffset,
                      const CellHeader& header) {
  Payload payload;
  const uint64_t total = header.PayloadSize();
  const uint64_t local = std::min<uint64_t>(total, kMaxLocalPayload);
  const uint64_t start = uint64_t{cellOffset} + kCellHeaderSize;
  if (start > page.size()) {
    payload.complete = false;
    return payload;
  }
  const uint64_t inPage = std::min<uint64_t>(local, page.size() - start);
  payload.bytes.assign(reinterpret_cast<const char*>(page.data() + start), static_cast<size_t>(inPage));
  if (inPage < local) {
    payload.complete = false;
    return payload;
  }
  if (total <= kMaxLocalPayload) return payload;
  if (start + local + 4 > page.size()) {
    payload.complete = false;
    return payload;
  }

  uint64_t remaining = total - local;
  // A chain can use no more pages than the file has, whatever the sizes say.
  const uint64_t needed = (remaining + kOverflowPayload - 1) / kOverflowPayload;
  payload.bytes.reserve(static_cast<size_t>(
      local + std::min<uint64_t>(remaining, pages.layout().pageCount * uint64_t{kOverflowPayload})));
  std::unordered_set<uint32_t> visited;
  uint32_t next = Get32(page.data() + start + local, pages.order());
  for (uint64_t step = 0; step < needed; ++step) {
    if (!pages.IsValidPage(next) || !visited.insert(next).second) {
      payload.complete = false;
      return payload;
    }
    PageRef overflow = pages.Page(next);
    if (overflow.empty()) {
      payload.complete = false;
      return payload;
    }
    const uint64_t take = std::min<uint64_t>(remaining, kOverflowPayload);
    payload.bytes.append(reinterpret_cast<const char*>(overflow.data() + 4), static_cast<size_t>(take));
    remaining -= take;
    next = Get32(overflow.data(), pages.order());
  }
  return payload;
}

}  // namespace salvoran::sqlite2
