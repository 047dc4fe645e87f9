// INSERT with its constraint checks: NOT NULL, the INTEGER PRIMARY KEY and
// every UNIQUE index, each resolved by its ON CONFLICT action.
#include <cmath>
#include <limits>
#include <utility>

#include "platform/sqlite2/index_key.h"
#include "platform/sqlite2/sql_tokenizer.h"
#include "platform/sqlite2/sqlite.h"
#include "platform/sqlite2/statement_executor.h"

namespace salvoran::sqlite2 {
namespace {

ExecResult Failure(int code, std::string message, bool rollback = false) {
  ExecResult result;
  result.code = code;
  result.message = std::move(message);
  result.rollbackTransaction = rollback;
  return result;
}

ExecResult Done(int changes) {
  ExecResult result;
  result.changes = changes;
  return result;
}

// The statement's OR clause wins over the transaction's ON CONFLICT, which
// wins over the constraint's own; ABORT when none is given.
ConflictAction Resolve(ConflictAction constraint, ConflictAction statement,
                       ConflictAction transaction) {
  if (statement != ConflictAction::Default) return statement;
  if (transaction != ConflictAction::Default) return transaction;
  if (constraint != ConflictAction::Default) return constraint;
  return ConflictAction::Abort;
}

// A value given for the INTEGER PRIMARY KEY: a number whose value is a
// 32-bit integer.
std::optional<int32_t> ToRowid(std::string_view text) {
  if (!IsNumberText(text)) return std::nullopt;
  const double value = NumberTextToDouble(text);
  if (!(value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  if (std::trunc(value) != value) return std::nullopt;
  return static_cast<int32_t>(value);
}

// The largest rowid + 1; after 2147483647 the smallest unused positive one.
std::optional<int32_t> NewRowid(const std::map<int32_t, std::string>& rows) {
  if (rows.empty()) return 1;
  const int32_t largest = rows.rbegin()->first;
  if (largest < std::numeric_limits<int32_t>::max()) return largest + 1;
  int32_t candidate = 1;
  for (auto it = rows.lower_bound(1); it != rows.end() && it->first == candidate; ++it) {
    if (candidate == std::numeric_limits<int32_t>::max()) return std::nullopt;
    ++candidate;
  }
  return candidate;
}

// "column a is not unique" / "columns a, b are not unique", cut short with
// "..." as the library does past about 170 characters.
std::string UniqueViolationMessage(const TableSchema& table, const IndexSchema& index) {
  constexpr size_t kLimit = 170;
  std::string message = index.columns.size() > 1 ? "columns " : "column ";
  for (size_t i = 0; i < index.columns.size(); ++i) {
    const std::string& name = table.columns[static_cast<size_t>(index.columns[i])].name;
    if (i > 0) message += ", ";
    if (message.size() + name.size() > kLimit) {
      message += "...";
      break;
    }
    message += name;
  }
  message += index.columns.size() > 1 ? " are not unique" : " is not unique";
  return message;
}

void DeleteRow(Database& db, SchemaObject& tableObject, const std::vector<size_t>& indexes,
               int32_t rowid) {
  const auto row = tableObject.rows.find(rowid);
  if (row == tableObject.rows.end()) return;
  const auto fields = DecodeRecord(row->second).value_or(std::vector<FieldView>{});
  for (size_t position : indexes) {
    SchemaObject& index = db.objects[position];
    index.keys.erase(BuildIndexKey(tableObject.table, index.index, rowid, fields));
  }
  tableObject.rows.erase(row);
}

bool Contains(const std::vector<int32_t>& rowids, int32_t rowid) {
  for (int32_t r : rowids) {
    if (r == rowid) return true;
  }
  return false;
}

// The column values of the new row, in table order, or an error.
std::optional<ExecResult> ArrangeValues(const TableSchema& table, const InsertStatement& statement,
                                        std::vector<FieldValue>& values) {
  if (!statement.columns) {
    if (statement.values.size() != table.columns.size()) {
      return Failure(SQLITE_ERROR, "table " + table.name + " has " +
                                       std::to_string(table.columns.size()) + " columns but " +
                                       std::to_string(statement.values.size()) +
                                       " values were supplied");
    }
    values = statement.values;
    return std::nullopt;
  }
  const std::vector<std::string>& names = *statement.columns;
  if (names.size() != statement.values.size()) {
    return Failure(SQLITE_ERROR, std::to_string(statement.values.size()) + " values for " +
                                     std::to_string(names.size()) + " columns");
  }
  values.clear();
  for (const Column& column : table.columns) values.push_back(column.defaultValue);
  for (size_t i = 0; i < names.size(); ++i) {
    const int position = FindColumn(table, names[i]);
    if (position < 0) {
      return Failure(SQLITE_ERROR, "table " + table.name + " has no column named " + names[i]);
    }
    values[static_cast<size_t>(position)] = statement.values[i];
  }
  return std::nullopt;
}

// Finds the table an INSERT writes to, or the error that refuses it.
std::optional<ExecResult> FindInsertTarget(const Database& db, const std::string& name, InsertTarget& target) {
  const int tablePosition = FindObject(db, name, {ObjectKind::Table, ObjectKind::View});
  if (tablePosition < 0) {
    if (EqualsIgnoreCase(name, "sqlite_master")) {
      return Failure(SQLITE_ERROR, "table sqlite_master may not be modified");
    }
    return Failure(SQLITE_ERROR, "no such table: " + name);
  }
  const SchemaObject& tableObject = db.objects[static_cast<size_t>(tablePosition)];
  if (tableObject.kind == ObjectKind::View) {
    return Failure(SQLITE_ERROR, "cannot modify " + tableObject.name + " because it is a view");
  }
  for (const SchemaObject& object : db.objects) {
    if (object.kind == ObjectKind::Trigger && EqualsIgnoreCase(object.tableName, tableObject.name)) {
      return Failure(SQLITE_ERROR, "table " + tableObject.name +
                                       " has triggers, which this SQLite 2 writer stores but does not run");
    }
  }
  target.schemaGeneration = db.schemaGeneration;
  target.table = name;
  target.position = static_cast<size_t>(tablePosition);
  target.indexes = IndexesOfTable(db, tableObject.name);
  target.valid = true;
  return std::nullopt;
}

}  // namespace

ExecResult ExecuteInsert(Database& db, const InsertStatement& statement,
                         ConflictAction transactionConflict, InsertTarget* cached) {
  InsertTarget local;
  InsertTarget& target = cached ? *cached : local;
  if (!target.valid || target.schemaGeneration != db.schemaGeneration || target.table != statement.table) {
    target.valid = false;
    if (auto error = FindInsertTarget(db, statement.table, target)) return *error;
  }
  SchemaObject& tableObject = db.objects[target.position];
  const std::vector<size_t>& indexes = target.indexes;
  const TableSchema& table = tableObject.table;
  auto resolve = [&](ConflictAction constraint) {
    return Resolve(constraint, statement.conflict, transactionConflict);
  };

  std::vector<FieldValue> values;
  if (auto error = ArrangeValues(table, statement, values)) return *error;

  // The rowid: the INTEGER PRIMARY KEY value (stored as NULL) or a new one.
  std::optional<int32_t> rowid;
  bool explicitRowid = false;
  if (table.integerKey >= 0) {
    FieldValue& keyValue = values[static_cast<size_t>(table.integerKey)];
    if (keyValue) {
      rowid = ToRowid(*keyValue);
      if (!rowid) return Failure(SQLITE_MISMATCH, sqlite_error_string(SQLITE_MISMATCH));
      explicitRowid = true;
    }
    keyValue.reset();
  }
  if (!rowid) rowid = NewRowid(tableObject.rows);
  if (!rowid) return Failure(SQLITE_FULL, sqlite_error_string(SQLITE_FULL));

  for (size_t i = 0; i < table.columns.size(); ++i) {
    const Column& column = table.columns[i];
    if (!column.notNull || values[i] || static_cast<int>(i) == table.integerKey) continue;
    ConflictAction action = resolve(column.notNullConflict);
    if (action == ConflictAction::Replace && column.defaultValue) {
      values[i] = column.defaultValue;
      continue;
    }
    if (action == ConflictAction::Ignore) return Done(0);
    return Failure(SQLITE_CONSTRAINT, table.name + "." + column.name + " may not be NULL",
                   action == ConflictAction::Rollback);
  }

  std::vector<int32_t> replaced;  // rows that REPLACE removes
  if (explicitRowid && tableObject.rows.count(*rowid) != 0) {
    const ConflictAction action = resolve(table.integerKeyConflict);
    if (action == ConflictAction::Ignore) return Done(0);
    if (action != ConflictAction::Replace) {
      return Failure(SQLITE_CONSTRAINT, "PRIMARY KEY must be unique", action == ConflictAction::Rollback);
    }
    replaced.push_back(*rowid);
  }

  std::vector<FieldView> fields(values.begin(), values.end());
  std::string record = EncodeRecord(fields);
  if (record.size() > kMaxRowBytes) return Failure(SQLITE_TOOBIG, sqlite_error_string(SQLITE_TOOBIG));

  std::vector<std::string> keys;
  keys.reserve(indexes.size());
  for (size_t position : indexes) {
    const SchemaObject& indexObject = db.objects[position];
    bool hasNull = false;
    std::string key = BuildIndexKey(table, indexObject.index, *rowid, fields, &hasNull);
    if (key.size() > kMaxRowBytes) return Failure(SQLITE_TOOBIG, sqlite_error_string(SQLITE_TOOBIG));
    if (indexObject.index.unique && !hasNull) {
      const std::string_view prefix(key.data(), key.size() - 4);
      for (auto it = indexObject.keys.lower_bound(std::string(prefix));
           it != indexObject.keys.end() && it->size() == key.size() &&
           std::string_view(*it).substr(0, prefix.size()) == prefix;
           ++it) {
        const int32_t other = DecodeRowidKey(reinterpret_cast<const uint8_t*>(it->data()) + prefix.size());
        if (Contains(replaced, other)) continue;
        const ConflictAction action = resolve(indexObject.index.conflict);
        if (action == ConflictAction::Ignore) return Done(0);
        if (action != ConflictAction::Replace) {
          return Failure(SQLITE_CONSTRAINT, UniqueViolationMessage(table, indexObject.index),
                         action == ConflictAction::Rollback);
        }
        replaced.push_back(other);
      }
    }
    keys.push_back(std::move(key));
  }

  for (int32_t other : replaced) DeleteRow(db, tableObject, indexes, other);
  tableObject.rows[*rowid] = std::move(record);
  for (size_t i = 0; i < indexes.size(); ++i) db.objects[indexes[i]].keys.insert(std::move(keys[i]));
  return Done(1);
}

}  // namespace salvoran::sqlite2
