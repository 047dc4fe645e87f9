// Table definitions (TDEF, page type 0x02): the columns, indexes and map
// pointers of one table, serialised as one byte stream that may run over
// several pages.
//
// Stream order: 63-byte header; 12 bytes per real index; 25 bytes per column
// descriptor; the column names (2-byte byte length + UTF-16LE); 52 bytes per
// real index; 28 bytes per logical index, then their names; the long-value
// column map list; FF FF.
#ifndef SALVORAN_PLATFORM_DAO_JET_TABLE_DEF_H_
#define SALVORAN_PLATFORM_DAO_JET_TABLE_DEF_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/dao/jet_format.h"
#include "platform/dao/jet_page.h"

namespace salvoran::jet {

struct ColumnDef {
  std::u16string name;
  ColumnType type = ColumnType::Text;
  uint16_t length = 0;  // bytes: TEXT 2 per character, MEMO and OLE 0, BOOL 1
  uint8_t flags = kColumnUpdatable;
  uint8_t extraFlags = 0;
  // Filled by AssignColumnPositions:
  uint16_t number = 0;
  uint16_t variableIndex = 0;  // variable columns: slot in the row's offset table
  uint16_t fixedOffset = 0;    // fixed columns: position in the row's fixed area

  bool IsFixed() const { return (flags & kColumnFixed) != 0; }
  bool IsLongValue() const { return type == ColumnType::Memo || type == ColumnType::Ole; }
};

struct RealIndexDef {
  std::vector<uint16_t> columns;  // at most 10 column numbers, ascending order
  uint8_t flags = 0;
  uint32_t usageMap = 0;  // row pointer of the index's usage-map row
  uint32_t rootPage = 0;
  uint32_t distinctKeys = 0;
};

struct LogicalIndexDef {
  std::u16string name;
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t indexType = 0;  // 1 primary key, 0 other
  uint8_t cascadeFlags = 0;  // Jet writes 04 04 in the cascade bytes of its own indexes
};

struct LongValueMapRef {
  uint16_t column = 0;
  uint32_t ownedMap = 0;  // row pointers of the column's usage-map rows
  uint32_t freeMap = 0;
};

struct TableDef {
  uint8_t tableType = kTableTypeUser;
  std::vector<ColumnDef> columns;  // in column-number order
  bool descriptorsByName = false;  // Jet sorts its system tables' descriptors by name
  std::vector<RealIndexDef> realIndexes;
  std::vector<LogicalIndexDef> logicalIndexes;
  uint32_t rowCount = 0;
  uint32_t autoNumber = 0;
  uint32_t ownedMap = 0;
  uint32_t freeMap = 0;
  std::vector<LongValueMapRef> longValueMaps;  // in descriptor order
};

// Numbers the columns 0, 1, 2, ... and gives each its place in the row:
// fixed columns a running offset (BOOL takes no room), variable columns
// their slot, fixed columns the count of variable columns before them.
void AssignColumnPositions(std::vector<ColumnDef>& columns);

// The whole stream, its first 8 bytes (page type, free space, next page)
// still to be set per page by PaginateTableDefinition.
std::vector<uint8_t> SerializeTableDefinition(const TableDef& table);

// Pages a stream of this length takes: the first holds 4096 bytes, each
// continuation page an 8-byte header and 4088 bytes.
size_t TableDefinitionPageCount(size_t streamLength);

// Cuts the stream into pages; pageNumbers[0] is the first (the table's id),
// the others the continuation pages, TableDefinitionPageCount of them.
std::vector<Page> PaginateTableDefinition(std::span<const uint8_t> stream,
                                          std::span<const uint32_t> pageNumbers);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_TABLE_DEF_H_
