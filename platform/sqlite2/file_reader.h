// Reading SQLite 2.1 files: the page-1 header, b-tree pages with the checks
// the library makes when it loads one, payloads with their overflow chains,
// and whole trees in key order.
//
// Both byte orders are read. Every walk is bounded: each page is visited at
// most once, cell and free-block chains are bounded by the page size, and an
// overflow chain by the page count, so damaged files give an error, never a
// loop or an unbounded allocation.
#ifndef SALVORAN_PLATFORM_SQLITE2_FILE_READER_H_
#define SALVORAN_PLATFORM_SQLITE2_FILE_READER_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sqlite2/file_format.h"

namespace salvoran::sqlite2 {

struct FileHeader {
  ByteOrder order;
  uint32_t freeListHead = 0;
  uint32_t freePageCount = 0;
  int32_t schemaCookie = 0;
  int32_t fileFormat = 0;
  std::array<uint8_t, kMetaTailSize> metaTail{};
};

// The header of a file of at least one page; nullopt when the signature or
// the magic number is wrong (not a database).
std::optional<FileHeader> ParseHeader(std::string_view file);

// The pages of a file, read in its byte order. The bytes must outlive it.
struct PageSource {
  std::string_view file;
  ByteOrder order;
  uint32_t pageCount = 0;  // whole pages in the file

  const uint8_t* Page(uint32_t number) const {
    return reinterpret_cast<const uint8_t*>(file.data()) + size_t{number - 1} * kPageSize;
  }
  bool IsPage(uint32_t number) const { return number >= 1 && number <= pageCount; }
};

struct CellInfo {
  uint32_t offset = 0;
  uint32_t leftChild = 0;
  uint32_t keySize = 0;
  uint32_t dataSize = 0;
  uint32_t Payload() const { return keySize + dataSize; }
};

struct FreeBlock {
  uint32_t offset = 0;
  uint32_t size = 0;
};

struct BtreePage {
  uint32_t rightChild = 0;
  std::vector<CellInfo> cells;  // in chain (key) order
  std::vector<FreeBlock> freeBlocks;
};

// One b-tree page, checked as the library checks a page it loads: cells at
// multiples of 4 in 8..1008 that end inside the page, free blocks in
// ascending order inside the page, and cells plus free blocks covering
// exactly 1016 bytes (a page without either is an empty page). problem
// receives the reason of a failure.
std::optional<BtreePage> ParseBtreePage(const PageSource& source, uint32_t page, std::string& problem);

// The payload (key then data) of a cell, its overflow pages appended to
// overflowPages when given. False, with problem set, when the chain leaves
// the file or is too short.
bool ReadPayload(const PageSource& source, uint32_t page, const CellInfo& cell, std::string& payload,
                 std::vector<uint32_t>* overflowPages, std::string& problem);

struct TreeEntry {
  std::string key;
  std::string data;
};

// Every entry of the tree rooted at root, in key order (for each cell, the
// subtree under its left child, then the cell; finally the right child).
// Fails when a page is out of range, reached twice, or fails its checks.
bool ReadTree(const PageSource& source, uint32_t root, std::vector<TreeEntry>& entries,
              std::string& problem);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_FILE_READER_H_
