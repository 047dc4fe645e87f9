// How the records of a table map onto its columns.
//
// A rowid table stores its columns in declaration order, without virtual
// generated columns; the rowid alias column is stored as NULL and reads as
// the rowid. A WITHOUT ROWID table keeps its rows in an index b-tree whose
// records hold the primary-key columns first and then the others. A record
// written before ALTER TABLE ADD COLUMN is shorter than the table: its
// missing fields read as the columns' declared defaults.
#ifndef SALVORAN_SQLITE3FMT_TABLE_SHAPE_H_
#define SALVORAN_SQLITE3FMT_TABLE_SHAPE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "recovery/catalog.h"
#include "recovery/value.h"

namespace salvoran::sqlite3 {

struct TableShape {
  int columnCount = 0;
  int keyColumn = -1;          // rowid alias, or -1
  bool withoutRowid = false;
  std::vector<int> fieldColumn;  // record field i goes to this column (-1: dropped)
  std::vector<Value> missingValue;  // per column: what an absent field reads as
  // Columns of REAL affinity: SQLite stores their integral values as
  // integers and reads them back as reals.
  std::vector<bool> realAffinity;
};

// The affinity rules of a declared type, as far as REAL goes.
bool HasRealAffinity(const std::string& declaredType);

// The shape of the table with this root page. The catalog's details (when
// the library could parse the table) decide; otherwise fields map one to one.
TableShape ShapeOfTable(const RecoveredCatalog& catalog, uint32_t rootPage, int columnCount,
                        int keyMarker);

// The record order of a WITHOUT ROWID table's columns, asked of the SQLite
// library in a private in-memory database; empty when it cannot say.
std::vector<int> WithoutRowidFieldOrder(const std::string& statement, const std::string& tableName);

// One row of column values from a decoded record's fields.
std::vector<Value> ColumnValues(const TableShape& shape, std::vector<Value>&& fields, int64_t rowid);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_TABLE_SHAPE_H_
