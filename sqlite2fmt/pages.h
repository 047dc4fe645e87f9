// Page access for an SQLite 2 file: where the database lies in the file, the
// bytes of one page, the cell chain of a b-tree page and the payload of a
// cell with its overflow chain.
//
// Page n (from 1) starts at startOffset + (n - 1) * 1024; only whole pages
// count. Everything here is bounded by the bytes it is given: a damaged page
// yields a shorter cell chain, never a read outside the page, and an
// overflow chain is followed through each page at most once and no further
// than the payload needs.
#ifndef SALVORAN_SQLITE2FMT_PAGES_H_
#define SALVORAN_SQLITE2FMT_PAGES_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "recovery/reader.h"
#include "sqlite2fmt/file_format.h"

namespace salvoran::sqlite2 {

struct FileLayout {
  uint64_t startOffset = 0;
  uint64_t pageCount = 0;       // whole pages after startOffset
  uint64_t trailingBytes = 0;   // bytes after the last whole page
  ByteOrder order = ByteOrder::Little;
  bool magicFound = false;      // false: the order was guessed from page 2
};

// The layout of the database that starts at startOffset. The byte order
// comes from the magic number; when the magic is damaged it is guessed from
// page 2's header, little-endian when that cannot tell either.
FileLayout ReadFileLayout(const Reader& reader, uint64_t startOffset);

// The bytes of one page, borrowed from an in-memory reader or owned.
class PageRef {
 public:
  PageRef() = default;
  explicit PageRef(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  explicit PageRef(std::shared_ptr<const std::vector<uint8_t>> owned)
      : bytes_(*owned), owned_(std::move(owned)) {}
  std::span<const uint8_t> bytes() const { return bytes_; }
  const uint8_t* data() const { return bytes_.data(); }
  bool empty() const { return bytes_.empty(); }

 private:
  std::span<const uint8_t> bytes_;
  std::shared_ptr<const std::vector<uint8_t>> owned_;
};

class PageSource {
 public:
  PageSource(const Reader& reader, FileLayout layout) : reader_(reader), layout_(layout) {}
  // Page n; empty when n is 0 or beyond the last whole page.
  PageRef Page(uint64_t n) const;
  bool IsValidPage(uint64_t n) const { return n >= 1 && n <= layout_.pageCount; }
  const FileLayout& layout() const { return layout_; }
  ByteOrder order() const { return layout_.order; }

 private:
  const Reader& reader_;
  FileLayout layout_;
};

// The cells of a b-tree page in key order, from the header's first-cell
// offset along the next-cell offsets. The chain ends at 0, at an offset where
// no cell can start, or at an offset already in the chain.
struct CellChain {
  std::vector<uint16_t> offsets;
  bool looped = false;      // a next-cell offset pointed back into the chain
  bool badOffset = false;   // an offset where no cell can start
};

CellChain ReadCellChain(std::span<const uint8_t> page, ByteOrder order);

// The whole payload of a cell (key followed by data): the part in the cell
// and the rest from the overflow chain. `complete` is false when the cell
// runs past its page or the chain breaks (a page out of range, a loop, an
// early end); the bytes gathered so far are kept.
struct Payload {
  std::string bytes;
  bool complete = true;
};

Payload GatherPayload(const PageSource& pages, std::span<const uint8_t> page, uint32_t cellOffset,
                      const CellHeader& header);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_SQLITE2FMT_PAGES_H_
