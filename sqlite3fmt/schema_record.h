// One row of the schema table, read from its cell.
//
// A schema row holds five fields: type, name, table name, root page, SQL.
// The text searched for a CREATE statement is the SQL field when it is text;
// otherwise (an automatic index has no SQL) the whole record body read as
// text, so that the names in it can still be recognised. The root page is
// the fourth field when it is an integer, else the row's rowid. All texts
// are UTF-8; UTF-16 fields are decoded when read.
#ifndef SALVORAN_SQLITE3FMT_SCHEMA_RECORD_H_
#define SALVORAN_SQLITE3FMT_SCHEMA_RECORD_H_

#include <cstdint>
#include <span>
#include <string>

#include "recovery/value.h"
#include "sqlite3fmt/btree.h"

namespace salvoran::sqlite3 {

struct SchemaRecord {
  bool readable = false;
  std::string problem;    // why the record cannot be read, for the log
  std::string text;       // the SQL field, or the whole body as text
  bool textIsSql = false;
  uint32_t rootPage = 0;
  std::string name;       // the second field when it is text, else empty
  std::string tableName;  // the third field when it is text, else empty
  int64_t rowid = 0;
};

// Reads cell cellIndex of a schema leaf page. A cell that does not parse, a
// broken overflow chain or an unreadable record header leaves it unreadable.
SchemaRecord ReadSchemaRecord(const PageSource& pages, std::span<const uint8_t> page, const PageHeader& header,
                              size_t cellIndex, TextEncoding encoding);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_SCHEMA_RECORD_H_
