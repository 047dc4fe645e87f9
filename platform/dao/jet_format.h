// Constants of the Jet 4 file format (Access 2000-2003 .mdb files): page
// geometry, page types, column type codes and flags, and the size limits the
// writer keeps. All multi-byte fields of the format are little-endian unless a
// comment says otherwise.
#ifndef SALVORAN_PLATFORM_DAO_JET_FORMAT_H_
#define SALVORAN_PLATFORM_DAO_JET_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace salvoran::jet {

constexpr size_t kPageSize = 4096;

// The format addresses at most 2 GB: 524,288 pages of 4096 bytes.
constexpr uint32_t kMaxPagesInFile = 524288;

enum PageType : uint8_t {
  kPageDatabaseDefinition = 0x00,
  kPageData = 0x01,
  kPageTableDefinition = 0x02,
  kPageIndexNode = 0x03,
  kPageIndexLeaf = 0x04,
  kPageUsageBitmap = 0x05,
};

// Fixed pages of every file we write.
constexpr uint32_t kHeaderPage = 0;
constexpr uint32_t kGlobalMapPage = 1;
constexpr uint32_t kMSysObjectsPage = 2;
constexpr uint32_t kMSysAcesPage = 3;
constexpr uint32_t kMSysQueriesPage = 4;
constexpr uint32_t kMSysRelationshipsPage = 5;
constexpr uint32_t kFirstFreePage = 6;

enum class ColumnType : uint8_t {
  Bool = 0x01,
  Byte = 0x02,
  Int = 0x03,
  Long = 0x04,
  Money = 0x05,
  Float = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
};

// Column descriptor flags (byte 15 of a descriptor).
constexpr uint8_t kColumnFixed = 0x01;
constexpr uint8_t kColumnUpdatable = 0x02;
constexpr uint8_t kColumnAutoNumber = 0x04;
constexpr uint8_t kColumnSystem = 0x10;
constexpr uint8_t kColumnHyperlink = 0x80;

// Extra flags (byte 16): Unicode compression for TEXT and MEMO.
constexpr uint8_t kColumnCompressedUnicode = 0x01;

constexpr uint8_t kTableTypeUser = 0x4E;
constexpr uint8_t kTableTypeSystem = 0x53;

// Data pages: a 14-byte header, then the 2-byte row offsets; rows are packed
// from the end of the page downwards.
constexpr size_t kDataPageHeaderSize = 14;
constexpr size_t kRowOffsetSize = 2;
constexpr size_t kMaxRowsPerPage = 255;  // a row number takes one byte in pointers
constexpr size_t kMaxRowSize = 4060;
constexpr size_t kMaxColumns = 255;
constexpr size_t kMaxNameLength = 64;  // characters, for tables and columns

// Long values (MEMO, OLE): the 12-byte field in the row and its LVAL rows.
constexpr size_t kLongValueFieldSize = 12;
constexpr size_t kMaxInlineLongValue = 64;
constexpr size_t kMaxSingleLongValueRow = 4076;
constexpr size_t kChainPieceData = 4072;  // after the 4-byte next-piece pointer
constexpr uint32_t kLongValueInline = 0x80000000u;
constexpr uint32_t kLongValueSingleRow = 0x40000000u;
constexpr uint32_t kMaxLongValueLength = 0x3FFFFFFFu;
constexpr uint32_t kLongValuePageOwner = 0x4C41564Cu;  // "LVAL" in file order

// Text columns hold at most 255 characters; BINARY at most 510 bytes.
constexpr uint16_t kMaxTextCharacters = 255;
constexpr uint16_t kMaxBinaryBytes = 510;
// Values longer than this are stored uncompressed in MEMO columns.
constexpr size_t kMaxCompressedMemoCharacters = 1024;

// Usage maps: a 69-byte row for table, column and index maps.
constexpr size_t kInlineMapBitmapBytes = 64;
constexpr size_t kUsageMapRowSize = 5 + kInlineMapBitmapBytes;
constexpr uint32_t kInlineMapPages = kInlineMapBitmapBytes * 8;  // 512
constexpr size_t kReferenceMapEntries = 17;
constexpr uint32_t kPagesPerBitmapPage = (kPageSize - 4) * 8;  // 32,736

// Index pages.
constexpr size_t kIndexEntriesStart = 0x1E0;
constexpr size_t kIndexEntryBytesPerPage = kPageSize - kIndexEntriesStart;  // 3616
constexpr size_t kIndexMaskStart = 27;

// The row pointer of usage maps and long values: page << 8 | row.
constexpr uint32_t RowPointer(uint32_t page, uint8_t row) { return (page << 8) | row; }

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_FORMAT_H_
