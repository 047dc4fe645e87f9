#include "sqlite3fmt/table_shape.h"

#include <sqlite3.h>

#include <algorithm>

#include "recovery/text.h"

namespace salvoran::sqlite3 {

namespace {

const TableDetails* FindTable(const RecoveredCatalog& catalog, uint32_t rootPage) {
  for (const TableDetails& details : catalog.tableDetails) {
    if (details.rootPage == rootPage) return &details;
  }
  return nullptr;
}

}  // namespace

std::vector<int> WithoutRowidFieldOrder(const std::string& statement, const std::string& tableName) {
  std::vector<int> order;
  ::sqlite3* db = nullptr;
  if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return order;
  }
  if (sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
    // The primary key of a WITHOUT ROWID table is its storage index; its
    // extended column list gives every column in record order.
    std::string sql =
        "SELECT x.cid FROM pragma_index_list(?1) AS l, pragma_index_xinfo(l.name) AS x "
        "WHERE l.origin = 'pk' ORDER BY x.seqno";
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr) == SQLITE_OK) {
      sqlite3_bind_text(query, 1, tableName.c_str(), -1, SQLITE_TRANSIENT);
      while (sqlite3_step(query) == SQLITE_ROW) order.push_back(sqlite3_column_int(query, 0));
    }
    sqlite3_finalize(query);
  }
  sqlite3_close(db);
  return order;
}

bool HasRealAffinity(const std::string& declaredType) {
  std::string type = ToUpperAscii(declaredType);
  auto has = [&](const char* word) { return type.find(word) != std::string::npos; };
  if (has("INT") || has("CHAR") || has("CLOB") || has("TEXT") || has("BLOB") || type.empty()) return false;
  return has("REAL") || has("FLOA") || has("DOUB");
}

TableShape ShapeOfTable(const RecoveredCatalog& catalog, uint32_t rootPage, int columnCount,
                        int keyMarker) {
  TableShape shape;
  shape.columnCount = std::max(columnCount, 0);
  shape.keyColumn = keyMarker >= 10 && keyMarker - 10 < shape.columnCount ? keyMarker - 10 : -1;
  shape.missingValue.assign(static_cast<size_t>(shape.columnCount), Value::Null());
  shape.realAffinity.assign(static_cast<size_t>(shape.columnCount), false);
  const TableDetails* details = FindTable(catalog, rootPage);
  const bool known = details != nullptr && static_cast<int>(details->columns.size()) == shape.columnCount;
  if (known) {
    for (size_t c = 0; c < details->columns.size(); ++c) {
      if (details->columns[c].hasDefault) shape.missingValue[c] = details->columns[c].defaultValue;
      shape.realAffinity[c] = HasRealAffinity(details->columns[c].declaredType);
    }
  }
  if (known && details->withoutRowid) {
    shape.withoutRowid = true;
    shape.keyColumn = -1;
    shape.fieldColumn = WithoutRowidFieldOrder(details->statement, details->name);
    // The record of a WITHOUT ROWID table never lacks a field of its own
    // declaration, but keep the order honest if the library could not say.
    if (shape.fieldColumn.empty()) {
      for (int c = 0; c < shape.columnCount; ++c) shape.fieldColumn.push_back(c);
    }
    return shape;
  }
  if (details != nullptr) shape.withoutRowid = details->withoutRowid;
  for (int c = 0; c < shape.columnCount; ++c) {
    if (known && !details->columns[static_cast<size_t>(c)].stored) continue;
    shape.fieldColumn.push_back(c);
  }
  return shape;
}

std::vector<Value> ColumnValues(const TableShape& shape, std::vector<Value>&& fields, int64_t rowid) {
  std::vector<Value> row = shape.missingValue;
  const size_t mapped = std::min(fields.size(), shape.fieldColumn.size());
  for (size_t f = 0; f < mapped; ++f) {
    int column = shape.fieldColumn[f];
    if (column >= 0 && column < shape.columnCount) row[static_cast<size_t>(column)] = std::move(fields[f]);
  }
  for (size_t c = 0; c < row.size(); ++c) {
    if (shape.realAffinity[c] && row[c].type == ValueType::Integer) {
      row[c] = Value::Real(static_cast<double>(row[c].integer));
    }
  }
  // The rowid alias is stored as NULL: it reads as the row's key.
  if (shape.keyColumn >= 0 && row[static_cast<size_t>(shape.keyColumn)].type == ValueType::Null) {
    row[static_cast<size_t>(shape.keyColumn)] = Value::Integer(rowid);
  }
  return row;
}

}  // namespace salvoran::sqlite3
