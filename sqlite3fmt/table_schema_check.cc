#include "sqlite3fmt/table_schema_check.h"

#include <sqlite3.h>

#include "recovery/text.h"
#include "sqlite3fmt/table_definition.h"

namespace salvoran::sqlite3 {

namespace {

// A statement from a damaged file may ask for huge values or endless work;
// neither is needed to declare a table.
constexpr int kMaxValueLength = 1 << 20;
constexpr int kStepsPerCallback = 1000;
constexpr long kMaxCallbacks = 10000;

std::string QuoteName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted.push_back(c);
    if (c == '"') quoted.push_back('"');
  }
  return quoted + "\"";
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text == nullptr ? std::string() : std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

std::string TextInEncoding(const std::string& utf8, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) return utf8;
  std::string bytes;
  for (char16_t unit : Utf8ToUtf16(utf8)) {
    auto high = static_cast<char>(unit >> 8);
    auto low = static_cast<char>(unit & 0xFF);
    if (encoding == TextEncoding::Utf16be) {
      bytes += high;
      bytes += low;
    } else {
      bytes += low;
      bytes += high;
    }
  }
  return bytes;
}

Value ColumnValue(sqlite3_stmt* statement, int column, TextEncoding encoding) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return Value::Integer(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return Value::Real(sqlite3_column_double(statement, column));
    case SQLITE_TEXT:
      return Value::Text(TextInEncoding(ColumnText(statement, column), encoding));
    case SQLITE_BLOB: {
      const auto* blob = static_cast<const char*>(sqlite3_column_blob(statement, column));
      return Value::Blob(std::string(blob == nullptr ? "" : blob, static_cast<size_t>(sqlite3_column_bytes(statement, column))));
    }
    default:
      return Value::Null();
  }
}

// A prepared statement that finalizes itself.
class Query {
 public:
  Query(::sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr) != SQLITE_OK) {
      sqlite3_finalize(statement_);
      statement_ = nullptr;
    }
  }
  ~Query() { sqlite3_finalize(statement_); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  bool ok() const { return statement_ != nullptr; }
  void Bind(int index, const std::string& text) {
    sqlite3_bind_text(statement_, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  bool Row() { return statement_ != nullptr && sqlite3_step(statement_) == SQLITE_ROW; }
  bool RunToEnd() {
    if (statement_ == nullptr) return false;
    int rc;
    do rc = sqlite3_step(statement_);
    while (rc == SQLITE_ROW);
    return rc == SQLITE_DONE;
  }
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

int OnProgress(void* steps) {
  long& count = *static_cast<long*>(steps);
  return ++count > kMaxCallbacks ? 1 : 0;
}

std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return "(" + list + ")";
}

}  // namespace

TableSchemaCheck::TableSchemaCheck() {
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    return;
  }
  sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kMaxValueLength);
  sqlite3_progress_handler(db_, kStepsPerCallback, &OnProgress, &steps_);
  // Lets through the library's own tables (sqlite_sequence, sqlite_stat1),
  // which a schema holds like any other table.
  Exec("PRAGMA writable_schema = ON");
}

TableSchemaCheck::~TableSchemaCheck() { sqlite3_close(db_); }

bool TableSchemaCheck::Exec(const char* sql) {
  return db_ != nullptr && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<LibraryTable> TableSchemaCheck::Check(const std::string& statement, const std::string& expectedName,
                                                    TextEncoding encoding) {
  lastError_.clear();
  steps_ = 0;
  if (db_ == nullptr) {
    lastError_ = "no in-memory database";
    return std::nullopt;
  }
  if (!Exec("BEGIN")) {
    lastError_ = sqlite3_errmsg(db_);
    return std::nullopt;
  }
  std::optional<LibraryTable> table;
  Query create(db_, statement);
  if (!create.ok() || !create.RunToEnd()) {
    lastError_ = create.ok() || sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errmsg(db_) : "not a statement";
  } else {
    // The tables the statement made: ours, and sqlite_sequence when it
    // declares AUTOINCREMENT on a fresh database.
    std::vector<std::string> made;
    Query list(db_, "SELECT name FROM pragma_table_list WHERE schema = 'main' AND type = 'table' "
                    "AND name NOT IN ('sqlite_schema', 'sqlite_master')");
    while (list.Row()) made.push_back(ColumnText(list.get(), 0));
    std::string chosen;
    for (const std::string& name : made) {
      if (name == expectedName) chosen = name;
    }
    for (const std::string& name : made) {
      if (chosen.empty() && name != "sqlite_sequence") chosen = name;
    }
    if (chosen.empty() && !made.empty()) chosen = made.front();
    if (chosen.empty()) {
      lastError_ = "the statement creates no table";
    } else {
      table = ReadTable(chosen, encoding);
    }
  }
  Exec("ROLLBACK");
  return table;
}

std::optional<LibraryTable> TableSchemaCheck::ReadTable(const std::string& name, TextEncoding encoding) {
  LibraryTable table;
  table.name = name;
  {
    Query kind(db_, "SELECT wr FROM pragma_table_list WHERE schema = 'main' AND name = ?1");
    kind.Bind(1, name);
    if (kind.Row()) table.withoutRowid = sqlite3_column_int(kind.get(), 0) != 0;
  }
  // The queries are finished before the defaults are evaluated: a pending
  // statement would keep the helper table from being dropped.
  std::vector<int> keyParts;
  std::vector<std::string> defaults;
  {
    // hidden: 2 a virtual generated column, 3 a stored one.
    Query columns(db_, "SELECT name, type, dflt_value, pk, hidden FROM pragma_table_xinfo(?1, 'main')");
    if (!columns.ok()) {
      lastError_ = sqlite3_errmsg(db_);
      return std::nullopt;
    }
    columns.Bind(1, name);
    while (columns.Row()) {
      ColumnInfo column;
      column.name = ColumnText(columns.get(), 0);
      column.declaredType = ColumnText(columns.get(), 1);
      const int hidden = sqlite3_column_int(columns.get(), 4);
      const bool generated = hidden == 2 || hidden == 3;
      column.stored = hidden != 2;
      column.hasDefault = !generated && sqlite3_column_type(columns.get(), 2) != SQLITE_NULL;
      defaults.push_back(column.hasDefault ? ColumnText(columns.get(), 2) : std::string());
      if (sqlite3_column_int(columns.get(), 3) > 0) keyParts.push_back(static_cast<int>(table.columns.size()));
      table.columns.push_back(std::move(column));
    }
  }
  for (size_t c = 0; c < table.columns.size(); ++c) {
    ColumnInfo& column = table.columns[c];
    if (!column.hasDefault) continue;
    std::optional<Value> value = EvaluateDefault(defaults[c], column.declaredType, encoding);
    column.hasDefault = value.has_value();
    if (value) column.defaultValue = std::move(*value);
  }
  if (!table.withoutRowid && keyParts.size() == 1) {
    const ColumnInfo& key = table.columns[static_cast<size_t>(keyParts.front())];
    if (EqualsIgnoreCaseAscii(key.declaredType, "INTEGER") && ReadsAsRowid(name, key.name)) {
      table.keyColumn = keyParts.front();
    }
  }
  return table;
}

std::optional<Value> TableSchemaCheck::EvaluateDefault(const std::string& expression, const std::string& declaredType,
                                                       TextEncoding encoding) {
  // A record too short for the column reads as its default with the
  // column's affinity applied, as storing it into such a column would.
  // Prepared, not executed as a script: the type text comes from the file
  // and must not carry a second statement.
  std::optional<Value> value;
  {
    Query holder(db_, "CREATE TEMP TABLE salvoran_default(v " + declaredType + ")");
    if (holder.RunToEnd()) {
      Query store(db_, "INSERT INTO temp.salvoran_default SELECT (" + expression + ")");
      if (store.RunToEnd()) {
        Query read(db_, "SELECT v FROM temp.salvoran_default");
        if (read.Row()) value = ColumnValue(read.get(), 0, encoding);
      }
    }
  }
  // The queries are finalized here, so the helper table can go.
  Exec("DROP TABLE IF EXISTS temp.salvoran_default");
  if (!value) {
    Query plain(db_, "SELECT (" + expression + ")");
    if (plain.Row()) value = ColumnValue(plain.get(), 0, encoding);
  }
  return value;
}

bool TableSchemaCheck::ReadsAsRowid(const std::string& table, const std::string& column) {
  Query plan(db_, "EXPLAIN SELECT " + QuoteName(column) + " FROM main." + QuoteName(table) + " NOT INDEXED");
  while (plan.Row()) {
    if (ColumnText(plan.get(), 1) == "Rowid") return true;
  }
  return false;
}

std::string DescribeDisagreement(const std::vector<std::string>& tokenizerColumns,
                                 const std::vector<int>& markedColumns, const LibraryTable& library) {
  std::vector<std::string> ours;
  for (const std::string& column : tokenizerColumns) ours.push_back(UnquoteIdentifier(column));
  std::vector<std::string> theirs;
  for (const ColumnInfo& column : library.columns) theirs.push_back(column.name);
  if (ours.size() != theirs.size()) {
    return "SQLite reads " + std::to_string(theirs.size()) + " columns " + NameList(theirs) +
           " where the column list gave " + std::to_string(ours.size()) + " " + NameList(ours);
  }
  if (ours != theirs) return "SQLite names the columns " + NameList(theirs) + " where the column list gave " + NameList(ours);
  const bool sameKey = library.keyColumn < 0 ? markedColumns.empty()
                                              : markedColumns == std::vector<int>{library.keyColumn};
  if (!sameKey) {
    std::vector<std::string> marked;
    for (int c : markedColumns) marked.push_back(ours[static_cast<size_t>(c)]);
    std::string theirKey = library.keyColumn < 0 ? "none" : theirs[static_cast<size_t>(library.keyColumn)];
    return "SQLite's rowid column is " + theirKey + " where the column list marked " +
           (marked.empty() ? std::string("none") : NameList(marked));
  }
  return {};
}

}  // namespace salvoran::sqlite3
