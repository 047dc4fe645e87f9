// What a scan recovered from a database file.
//
// Per-table lists are parallel: table i is entry i of tableSql,
// accessTableSql, columnDescriptors, tableColumnTypes and tableDetails, all
// appended together when a table definition has been parsed. Index, view and
// trigger entries are numbered within their own lists. A node of the object
// tree under a category carries the index of its entry in that category's
// list.
//
// All texts are UTF-8, whatever the encoding of the file: records of UTF-16
// files are decoded when they are read.
#ifndef SALVORAN_RECOVERY_CATALOG_H_
#define SALVORAN_RECOVERY_CATALOG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "recovery/value.h"

namespace salvoran {

// The first 12 bytes of a b-tree page header, multi-byte fields in host
// order. For page 1 they are the 12 bytes after the 100-byte file header.
struct PageHeaderRecord {
  uint8_t pageType = 0;
  uint16_t firstFreeblock = 0;
  uint16_t cellCount = 0;
  uint16_t cellContentStart = 0;
  uint8_t fragmentedBytes = 0;
  uint32_t rightChild = 0;
};

// What the real SQLite library reports of a column when it parses the
// recovered CREATE TABLE statement.
struct ColumnInfo {
  std::string name;
  std::string declaredType;
  bool hasDefault = false;
  Value defaultValue;  // the value a record too short for this column reads as
  bool stored = true;  // false for virtual generated columns
};

// Facts about a table beyond the four lists of the table definition parser.
struct TableDetails {
  std::string name;       // without quoting or surrounding blanks
  std::string statement;  // the whole CREATE TABLE statement as stored
  uint32_t rootPage = 0;
  bool withoutRowid = false;
  int keyColumn = -1;     // the rowid alias column, or -1
  std::vector<ColumnInfo> columns;  // empty when the library could not parse it
};

// An index, view or trigger.
struct SchemaObjectDetails {
  std::string name;
  std::string tableName;  // the table it belongs to
  std::string statement;  // the whole statement as stored
};

struct RecoveredCatalog {
  std::vector<PageHeaderRecord> pageHeaders;  // index = page number - 1
  std::vector<std::string> recordTexts;       // every schema record text read

  // Tables.
  std::vector<std::string> tableSql;           // "CREATE TABLE" .. before its ")"
  std::vector<std::string> accessTableSql;     // rebuilt for an Access target
  std::vector<std::string> columnDescriptors;  // name+col~col~#root
  std::vector<std::vector<std::string>> tableColumnTypes;
  std::vector<TableDetails> tableDetails;

  // Indexes: one entry per indexed column (the last one holds the whole
  // column list); views and triggers: one entry each.
  std::vector<std::string> indexSql;
  std::vector<SchemaObjectDetails> indexDetails;
  std::vector<std::string> viewSql;
  std::vector<SchemaObjectDetails> viewDetails;
  std::vector<std::string> triggerSql;
  std::vector<SchemaObjectDetails> triggerDetails;

  // Scratch lists used while one table is parsed or written.
  std::vector<std::string> currentColumnTypes;
  std::vector<std::string> accessColumnNames;

  // SQLite 2 only.
  std::vector<int32_t> rawRecordLengths;
  std::vector<uint64_t> pageTable;   // first 8 bytes of every 1024-byte page
  std::vector<uint32_t> rootPages;
  std::vector<std::string> retryList;

  void Clear() { *this = RecoveredCatalog(); }
};

// A column descriptor taken apart: "t+id< P.K >~name~#2".
struct ParsedDescriptor {
  std::string tableName;
  std::vector<std::string> columns;  // as written, "< P.K >" included
  int keyMarker = 0;                 // key column index + 10, 0 when none
  uint32_t rootPage = 0;
  bool valid = false;                // had its "+" and "#"
};

ParsedDescriptor ParseColumnDescriptor(const std::string& descriptor);

// The whole statement of schema object `index` of a category (kind: the
// category's item data), repaired where the scan accepted a damaged first
// letter ("%REATE VIEW"); empty when there is no such entry.
std::string SchemaObjectStatement(const RecoveredCatalog& catalog, int kind, size_t index);

// Marks the key column in a descriptor's column text.
inline constexpr const char* kKeyMark = "< P.K >";

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_CATALOG_H_
