#include "writers/sqlite3_row_sink.h"

#include "recovery/text.h"
#include "writers/sqlite3_output.h"

namespace salvoran {

Sqlite3RowSink::Sqlite3RowSink(sqlite3* db, std::string table, TextEncoding encoding, ErrorHandler onError)
    : db_(db), table_(std::move(table)), encoding_(encoding), onError_(std::move(onError)) {}

Sqlite3RowSink::~Sqlite3RowSink() { Finish(); }

namespace {

// Whether the output table has a rowid that an INSERT can set: not a WITHOUT
// ROWID table, and no INTEGER primary key that stands for the rowid already.
bool TakesExplicitRowid(sqlite3* db, const std::string& table) {
  sqlite3_stmt* query = nullptr;
  bool rowid = false;
  if (sqlite3_prepare_v2(db, "SELECT wr FROM pragma_table_list WHERE name = ?1", -1, &query, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(query, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    rowid = sqlite3_step(query) == SQLITE_ROW && sqlite3_column_int(query, 0) == 0;
  }
  sqlite3_finalize(query);
  if (!rowid) return false;
  const char* sql = "SELECT count(*) FROM pragma_table_xinfo(?1) WHERE pk > 0 AND upper(type) = 'INTEGER'";
  if (sqlite3_prepare_v2(db, sql, -1, &query, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(query, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    rowid = sqlite3_step(query) == SQLITE_ROW && sqlite3_column_int(query, 0) == 0;
  }
  sqlite3_finalize(query);
  return rowid;
}

}  // namespace

bool Sqlite3RowSink::Prepare() {
  // Generated columns (hidden 2 and 3) cannot be inserted into; every other
  // column takes the value at its position in the table.
  sqlite3_stmt* info = nullptr;
  std::vector<std::string> names;
  if (sqlite3_prepare_v2(db_, "SELECT name, hidden FROM pragma_table_xinfo(?1)", -1, &info, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(info, 1, table_.c_str(), -1, SQLITE_TRANSIENT);
    size_t position = 0;
    while (sqlite3_step(info) == SQLITE_ROW) {
      const char* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 0));
      names.push_back(name ? name : "");
      if (sqlite3_column_int(info, 1) == 0) valueIndex_.push_back(position);
      ++position;
    }
  }
  sqlite3_finalize(info);
  if (valueIndex_.empty()) {
    onError_("no such table: " + table_);
    return false;
  }
  std::string columns;
  std::string parameters;
  // The rows keep their rowids, under whichever of its names no column took.
  if (TakesExplicitRowid(db_, table_)) {
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
      bool taken = false;
      for (const std::string& name : names) taken = taken || EqualsIgnoreCaseAscii(name, alias);
      if (!taken) {
        columns = std::string(alias) + ", ";
        parameters = "?, ";
        setsRowid_ = true;
        break;
      }
    }
  }
  for (size_t k = 0; k < valueIndex_.size(); ++k) {
    if (k > 0) columns += ", ", parameters += ", ";
    columns += QuoteIdentifier(names[valueIndex_[k]]);
    parameters += "?";
  }
  std::string sql = "INSERT INTO " + QuoteIdentifier(table_) + " (" + columns + ") VALUES (" + parameters + ")";
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_, nullptr) != SQLITE_OK) {
    onError_(sqlite3_errmsg(db_));
    insert_ = nullptr;
    return false;
  }
  return true;
}

bool Sqlite3RowSink::Bind(int parameter, const Value& value) {
  switch (value.type) {
    case ValueType::Null:
      return sqlite3_bind_null(insert_, parameter) == SQLITE_OK;
    case ValueType::Integer:
      return sqlite3_bind_int64(insert_, parameter, value.integer) == SQLITE_OK;
    case ValueType::Real:
      return sqlite3_bind_double(insert_, parameter, value.real) == SQLITE_OK;
    case ValueType::Text: {
      unsigned char encoding = encoding_ == TextEncoding::Utf16le   ? SQLITE_UTF16LE
                               : encoding_ == TextEncoding::Utf16be ? SQLITE_UTF16BE
                                                                    : SQLITE_UTF8;
      return sqlite3_bind_text64(insert_, parameter, value.bytes.data(), value.bytes.size(), SQLITE_STATIC,
                                 encoding) == SQLITE_OK;
    }
    case ValueType::Blob:
      return sqlite3_bind_blob64(insert_, parameter, value.bytes.data(), value.bytes.size(), SQLITE_STATIC) ==
             SQLITE_OK;
  }
  return false;
}

bool Sqlite3RowSink::WriteRow(const std::vector<Value>& values, int64_t rowid) {
  if (insert_ == nullptr || outputFailed_) {
    ++rejected_;
    return false;
  }
  static const Value kNull;
  int parameter = 1;
  if (setsRowid_) sqlite3_bind_int64(insert_, parameter++, rowid);
  for (size_t at : valueIndex_) Bind(parameter++, at < values.size() ? values[at] : kNull);
  int rc = sqlite3_step(insert_);
  bool ok = rc == SQLITE_DONE;
  if (!ok) {
    ++rejected_;
    int primary = rc & 0xFF;
    if (primary == SQLITE_FULL || primary == SQLITE_IOERR || primary == SQLITE_READONLY ||
        primary == SQLITE_CORRUPT || primary == SQLITE_NOMEM) {
      outputFailed_ = true;
      onError_(std::string(sqlite3_errmsg(db_)) + " (the remaining rows of " + table_ + " are not written)");
    } else {
      onError_(std::string(sqlite3_errmsg(db_)) + " (row " + std::to_string(rowid) + " of " + table_ +
               " is not written)");
    }
  }
  sqlite3_reset(insert_);
  sqlite3_clear_bindings(insert_);
  return ok;
}

void Sqlite3RowSink::Finish() {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
}

}  // namespace salvoran
