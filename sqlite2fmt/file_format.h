// Fixed facts of the SQLite 2.1 file format (written by the 2.1 to 2.8
// libraries) and the byte-order helpers every reader of it needs.
//
// Pages are 1024 bytes. Page 1 holds the file header, page 2 is the root of
// the schema table. Header, page, cell, free-block and overflow fields are in
// the byte order of the machine that created the file, which the magic
// number at offset 48 of page 1 records. Table keys (rowids) are always
// big-endian with the top bit flipped; record field offsets are always
// little-endian.
#ifndef SALVORAN_SQLITE2FMT_FILE_FORMAT_H_
#define SALVORAN_SQLITE2FMT_FILE_FORMAT_H_

#include <cstdint>

namespace salvoran::sqlite2 {

inline constexpr uint32_t kPageSize = 1024;
inline constexpr uint32_t kPageHeaderSize = 8;
inline constexpr uint32_t kCellHeaderSize = 12;
// Payload bytes (key + data) kept in a cell; the rest goes to overflow pages.
inline constexpr uint32_t kMaxLocalPayload = 236;
// Payload bytes per overflow page, after its 4-byte next-page number.
inline constexpr uint32_t kOverflowPayload = 1020;
inline constexpr uint32_t kSchemaRootPage = 2;
inline constexpr uint32_t kMagicOffset = 48;
inline constexpr uint32_t kMagic = 0xDAE37528;
// The key of a table entry: the 4-byte rowid.
inline constexpr uint32_t kRowidKeySize = 4;

enum class ByteOrder { Little, Big };

inline uint16_t Get16(const uint8_t* p, ByteOrder order) {
  return order == ByteOrder::Little ? static_cast<uint16_t>(p[0] | p[1] << 8)
                                    : static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t Get32(const uint8_t* p, ByteOrder order) {
  if (order == ByteOrder::Little) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  }
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The signed 32-bit rowid of a table key: big-endian, top bit flipped, so
// that byte order and numeric order agree.
inline int64_t DecodeRowidKey(const uint8_t* key) {
  uint32_t raw = (uint32_t{key[0]} << 24 | uint32_t{key[1]} << 16 | uint32_t{key[2]} << 8 | key[3]) ^ 0x80000000u;
  return static_cast<int32_t>(raw);
}

// The 8-byte b-tree page header.
struct PageHeader {
  uint32_t rightChild = 0;  // 0 on a leaf
  uint16_t firstCell = 0;   // offset of the first cell in key order; 0: none
  uint16_t firstFree = 0;   // offset of the first free block; 0: none
};

inline PageHeader ParsePageHeader(const uint8_t* page, ByteOrder order) {
  return {Get32(page, order), Get16(page + 4, order), Get16(page + 6, order)};
}

// The 12-byte cell header; sizes joined from their low 16 and high 8 bits.
struct CellHeader {
  uint32_t leftChild = 0;  // 0 on a leaf
  uint32_t keySize = 0;
  uint16_t next = 0;       // offset of the next cell in key order; 0: last
  uint32_t dataSize = 0;

  uint64_t PayloadSize() const { return uint64_t{keySize} + dataSize; }
};

inline CellHeader ParseCellHeader(const uint8_t* cell, ByteOrder order) {
  CellHeader header;
  header.leftChild = Get32(cell, order);
  header.keySize = Get16(cell + 4, order) + (uint32_t{cell[8]} << 16);
  header.next = Get16(cell + 6, order);
  header.dataSize = Get16(cell + 10, order) + (uint32_t{cell[9]} << 16);
  return header;
}

// Where a cell may start: on a multiple of 4, after the page header, with
// room for its header inside the page.
inline bool IsCellOffset(uint32_t offset) {
  return offset % 4 == 0 && offset >= kPageHeaderSize && offset + kCellHeaderSize <= kPageSize;
}

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_SQLITE2FMT_FILE_FORMAT_H_
