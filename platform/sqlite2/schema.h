// The in-memory database of a connection: its schema objects in
// sqlite_master order, each table's rows and each index's keys.
//
// Rows are kept as the records the file stores (rowid -> record bytes) and
// index entries as whole keys (fields + 4-byte rowid key), in the byte order
// the b-trees need, so that writing the file is a walk over sorted data.
#ifndef SALVORAN_PLATFORM_SQLITE2_SCHEMA_H_
#define SALVORAN_PLATFORM_SQLITE2_SCHEMA_H_

#include <array>
#include <initializer_list>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sqlite2/file_format.h"
#include "platform/sqlite2/record.h"
#include "platform/sqlite2/sql_statement.h"

namespace salvoran::sqlite2 {

struct Column {
  std::string name;
  std::string type;       // declared type as written
  bool textKeys = false;  // index keys take its values as text, never as numbers
  bool notNull = false;
  ConflictAction notNullConflict = ConflictAction::Default;
  FieldValue defaultValue;
};

struct TableSchema {
  std::string name;
  std::vector<Column> columns;
  // The INTEGER PRIMARY KEY column, whose value is the rowid (stored NULL).
  int integerKey = -1;
  ConflictAction integerKeyConflict = ConflictAction::Default;
};

struct IndexSchema {
  std::string name;
  std::string table;
  std::vector<int> columns;  // column positions in the table
  bool unique = false;
  ConflictAction conflict = ConflictAction::Default;
};

enum class ObjectKind : uint8_t {
  Table,
  Index,
  View,
  Trigger,
  // A sqlite_master row read from a file whose statement this library cannot
  // take in (or that the library itself would not load, such as an index
  // listed before its table). Kept as it was, tree included, and never used.
  Unparsed,
};

struct SchemaObject {
  ObjectKind kind = ObjectKind::Unparsed;
  int32_t masterRowid = 0;
  // The sqlite_master fields; the root page is decided when the file is
  // written.
  std::string type;
  std::string name;
  std::string tableName;
  FieldValue sql;

  TableSchema table;                    // kind Table
  std::map<int32_t, std::string> rows;  // kind Table: rowid -> record
  IndexSchema index;                    // kind Index
  std::set<std::string> keys;           // kind Index

  // kind Unparsed: the five fields as read, and the tree entries (key, data)
  // in key order when its root page held a tree.
  std::vector<FieldValue> masterFields;
  bool hasTree = false;
  std::vector<std::pair<std::string, std::string>> entries;
};

struct Database {
  std::vector<SchemaObject> objects;  // ascending masterRowid
  int32_t schemaCookie = 0;
  // Page-1 bytes 68..95 (default cache size, synchronous, temp store), kept
  // from the file that was loaded.
  std::array<uint8_t, kMetaTailSize> metaTail{};
  // Not stored: counts schema changes, so that callers can keep lookups.
  uint64_t schemaGeneration = 0;
};

// True when a declared type makes a sole PRIMARY KEY column the rowid: it is
// INTEGER, in any letter case, once white space is removed.
bool IsIntegerKeyType(std::string_view type);

// Position of the column of that name (any letter case), or -1.
int FindColumn(const TableSchema& table, std::string_view name);

// Position in db.objects of the table, view or index of that name (any
// letter case) and one of the kinds; -1 when there is none.
int FindObject(const Database& db, std::string_view name, std::initializer_list<ObjectKind> kinds);

// Positions of the indexes of a table, in the order the library checks
// them: creation order, with ON CONFLICT REPLACE indexes last.
std::vector<size_t> IndexesOfTable(const Database& db, std::string_view table);

// The next free sqlite_master rowid.
int32_t NextMasterRowid(const Database& db);

// The key of one row in an index; fields are the row's decoded record (a
// missing field counts as NULL). hasNull, when given, tells whether a field
// of the key is NULL: such keys never conflict in a UNIQUE index.
std::string BuildIndexKey(const TableSchema& table, const IndexSchema& index, int32_t rowid,
                          const std::vector<FieldView>& fields, bool* hasNull = nullptr);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_SCHEMA_H_
