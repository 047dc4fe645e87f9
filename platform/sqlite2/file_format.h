// Constants of the SQLite 2.1 file format and the byte-order helpers its
// fields need.
//
// The format mixes three byte orders: page-1 header, page, cell, free-block,
// overflow and free-list fields are in the file's own order (recorded by the
// magic number); table keys (rowids) and the rowid that ends every index key
// are always big-endian with the top bit flipped; record field offsets are
// always little-endian.
#ifndef SALVORAN_PLATFORM_SQLITE2_FILE_FORMAT_H_
#define SALVORAN_PLATFORM_SQLITE2_FILE_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace salvoran::sqlite2 {

inline constexpr uint32_t kPageSize = 1024;
// Bytes of a b-tree page after its 8-byte header.
inline constexpr uint32_t kPageHeaderSize = 8;
inline constexpr uint32_t kUsableCellSpace = kPageSize - kPageHeaderSize;  // 1016
inline constexpr uint32_t kCellHeaderSize = 12;
// Payload bytes (key + data) kept inside a cell; the rest goes to overflow
// pages, each holding a 4-byte next-page number and 1020 payload bytes.
inline constexpr uint32_t kMaxLocalPayload = 236;
inline constexpr uint32_t kOverflowPayload = kPageSize - 4;  // 1020
inline constexpr uint32_t kOverflowCellSize = kCellHeaderSize + kMaxLocalPayload + 4;  // 252
// Largest record (and index key) the library accepts for one row.
inline constexpr size_t kMaxRowBytes = 1048576;
// Key and data sizes are 24-bit fields.
inline constexpr uint32_t kMaxFieldSize = 0xFFFFFF;

inline constexpr std::string_view kSignature = "** This file contains an SQLite 2.1 database **";
inline constexpr size_t kSignatureBytes = 48;  // the 47 characters and a 0x00
inline constexpr uint32_t kMagic = 0xDAE37528;
inline constexpr int32_t kFileFormat = 4;

// Page-1 header offsets.
inline constexpr size_t kMagicOffset = 48;
inline constexpr size_t kFreeListHeadOffset = 52;
inline constexpr size_t kFreePageCountOffset = 56;
inline constexpr size_t kSchemaCookieOffset = 60;
inline constexpr size_t kFileFormatOffset = 64;
// Meta values 3..9 (default cache size, synchronous, temp store, unused).
inline constexpr size_t kMetaTailOffset = 68;
inline constexpr size_t kMetaTailSize = 28;

inline constexpr uint32_t kMasterRootPage = 2;

inline uint32_t RoundUp4(uint32_t n) { return (n + 3u) & ~3u; }

// Size of a cell holding a payload of the given total size.
inline uint32_t CellSize(uint32_t payloadSize) {
  return payloadSize <= kMaxLocalPayload ? kCellHeaderSize + RoundUp4(payloadSize)
                                         : kOverflowCellSize;
}

// Number of overflow pages a payload needs.
inline uint32_t OverflowPageCount(uint64_t payloadSize) {
  if (payloadSize <= kMaxLocalPayload) return 0;
  return static_cast<uint32_t>((payloadSize - kMaxLocalPayload + kOverflowPayload - 1) /
                               kOverflowPayload);
}

// Reads and writes of the file-order fields.
struct ByteOrder {
  bool bigEndian = false;

  uint16_t U16(const uint8_t* p) const {
    return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1])
                     : static_cast<uint16_t>(p[1] << 8 | p[0]);
  }
  uint32_t U32(const uint8_t* p) const {
    return bigEndian ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                     : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
  }
  void PutU16(uint8_t* p, uint32_t v) const {
    if (bigEndian) {
      p[0] = static_cast<uint8_t>(v >> 8);
      p[1] = static_cast<uint8_t>(v);
    } else {
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
    }
  }
  void PutU32(uint8_t* p, uint32_t v) const {
    if (bigEndian) {
      PutU16(p, v >> 16);
      PutU16(p + 2, v);
    } else {
      PutU16(p, v);
      PutU16(p + 2, v >> 16);
    }
  }
};

// The 4-byte key of a table entry: the rowid's 32-bit pattern with the top
// bit flipped, big-endian, so that byte order equals signed numeric order.
inline void PutRowidKey(uint8_t* p, int32_t rowid) {
  const uint32_t v = static_cast<uint32_t>(rowid) ^ 0x80000000u;
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

inline std::string RowidKey(int32_t rowid) {
  std::string key(4, '\0');
  PutRowidKey(reinterpret_cast<uint8_t*>(key.data()), rowid);
  return key;
}

inline int32_t DecodeRowidKey(const uint8_t* p) {
  const uint32_t v = (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
  return static_cast<int32_t>(v ^ 0x80000000u);
}

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_FILE_FORMAT_H_
