// CREATE TABLE, CREATE INDEX, CREATE VIEW and CREATE TRIGGER.
#include <algorithm>
#include <utility>

#include "platform/sqlite2/index_key.h"
#include "platform/sqlite2/sql_tokenizer.h"
#include "platform/sqlite2/sqlite.h"
#include "platform/sqlite2/statement_executor.h"

namespace salvoran::sqlite2 {
namespace {

ExecResult Failure(int code, std::string message) {
  ExecResult result;
  result.code = code;
  result.message = std::move(message);
  return result;
}

ExecResult SchemaChange() {
  ExecResult result;
  result.schemaChanged = true;
  return result;
}

bool IsMasterTableName(std::string_view name) {
  return EqualsIgnoreCase(name, "sqlite_master") || EqualsIgnoreCase(name, "sqlite_temp_master");
}

// Tables and views share one name space, which also holds the rows we could
// not take in (they may be anything).
bool TableNameTaken(const Database& db, std::string_view name) {
  return IsMasterTableName(name) ||
         FindObject(db, name, {ObjectKind::Table, ObjectKind::View, ObjectKind::Unparsed}) >= 0;
}

bool IndexNameTaken(const Database& db, std::string_view name) {
  return FindObject(db, name, {ObjectKind::Index, ObjectKind::Unparsed}) >= 0;
}

// The error for a new table or view whose name is in use, or nullopt.
std::optional<ExecResult> CheckNewTableName(const Database& db, const std::string& name,
                                            const std::string& nameAsWritten) {
  if (TableNameTaken(db, name)) return Failure(SQLITE_ERROR, "table " + nameAsWritten + " already exists");
  if (IndexNameTaken(db, name)) return Failure(SQLITE_ERROR, "there is already an index named " + name);
  return std::nullopt;
}

SchemaObject NewObject(const Database& db, ObjectKind kind, std::string type, std::string name,
                       std::string tableName, FieldValue sql) {
  SchemaObject object;
  object.kind = kind;
  object.masterRowid = NextMasterRowid(db);
  object.type = std::move(type);
  object.name = std::move(name);
  object.tableName = std::move(tableName);
  object.sql = std::move(sql);
  return object;
}

}  // namespace

ExecResult ExecuteCreateTable(Database& db, const CreateTableStatement& statement) {
  if (auto error = CheckNewTableName(db, statement.name, statement.nameAsWritten)) return *error;

  TableSchema table;
  table.name = statement.name;
  for (const ColumnDefinition& definition : statement.columns) {
    if (FindColumn(table, definition.name) >= 0) {
      return Failure(SQLITE_ERROR, "duplicate column name: " + definition.name);
    }
    Column column;
    column.name = definition.name;
    column.type = definition.type;
    column.textKeys = definition.collateText.value_or(IsTextTypeName(definition.type));
    column.notNull = definition.notNull;
    column.notNullConflict = definition.notNullConflict;
    column.defaultValue = definition.defaultValue;
    table.columns.push_back(std::move(column));
  }

  // Keys in the order they appear: the sole INTEGER column of a PRIMARY KEY
  // becomes the rowid, every other key an automatic unique index.
  std::vector<IndexSchema> automaticIndexes;
  bool primaryKeySeen = false;
  for (const KeyConstraint& key : statement.keys) {
    if (key.primaryKey) {
      if (primaryKeySeen) {
        return Failure(SQLITE_ERROR, "table \"" + table.name + "\" has more than one primary key");
      }
      primaryKeySeen = true;
    }
    IndexSchema index;
    for (const std::string& name : key.columns) {
      const int position = FindColumn(table, name);
      if (position < 0) {
        return Failure(SQLITE_ERROR, "table " + table.name + " has no column named " + name);
      }
      index.columns.push_back(position);
    }
    const Column& first = table.columns[static_cast<size_t>(index.columns.front())];
    if (key.primaryKey && index.columns.size() == 1 && IsIntegerKeyType(first.type)) {
      table.integerKey = index.columns.front();
      table.integerKeyConflict = key.conflict;
      continue;
    }
    index.name = "(" + table.name + " autoindex " + std::to_string(automaticIndexes.size() + 1) + ")";
    index.table = table.name;
    index.unique = true;
    index.conflict = key.conflict;
    automaticIndexes.push_back(std::move(index));
  }

  SchemaObject object = NewObject(db, ObjectKind::Table, "table", table.name, table.name, statement.sql);
  object.table = std::move(table);
  db.objects.push_back(std::move(object));
  for (IndexSchema& index : automaticIndexes) {
    SchemaObject indexObject = NewObject(db, ObjectKind::Index, "index", index.name, index.table, std::nullopt);
    indexObject.index = std::move(index);
    db.objects.push_back(std::move(indexObject));
  }
  return SchemaChange();
}

ExecResult ExecuteCreateIndex(Database& db, const CreateIndexStatement& statement) {
  const int tablePosition = FindObject(db, statement.table, {ObjectKind::Table, ObjectKind::View});
  if (tablePosition < 0) {
    if (IsMasterTableName(statement.table)) {
      return Failure(SQLITE_ERROR, "table " + statement.table + " may not be indexed");
    }
    return Failure(SQLITE_ERROR, "no such table: " + statement.table);
  }
  const SchemaObject& tableObject = db.objects[static_cast<size_t>(tablePosition)];
  if (tableObject.kind == ObjectKind::View) return Failure(SQLITE_ERROR, "views may not be indexed");
  if (IndexNameTaken(db, statement.name)) {
    return Failure(SQLITE_ERROR, "index " + statement.name + " already exists");
  }
  if (TableNameTaken(db, statement.name)) {
    return Failure(SQLITE_ERROR, "there is already a table named " + statement.name);
  }

  const TableSchema& table = tableObject.table;
  IndexSchema index;
  index.name = statement.name;
  index.table = table.name;
  index.unique = statement.unique;
  index.conflict = statement.conflict;
  for (const std::string& name : statement.columns) {
    const int position = FindColumn(table, name);
    if (position < 0) {
      return Failure(SQLITE_ERROR, "table " + table.name + " has no column named " + name);
    }
    index.columns.push_back(position);
  }

  // Build the entries of the rows already there.
  std::vector<std::pair<std::string, bool>> keys;  // key, has a NULL field
  keys.reserve(tableObject.rows.size());
  for (const auto& [rowid, record] : tableObject.rows) {
    const auto fields = DecodeRecord(record);
    bool hasNull = false;
    std::string key = BuildIndexKey(table, index, rowid, fields.value_or(std::vector<FieldView>{}), &hasNull);
    if (key.size() > kMaxRowBytes) return Failure(SQLITE_TOOBIG, sqlite_error_string(SQLITE_TOOBIG));
    keys.emplace_back(std::move(key), hasNull);
  }
  std::sort(keys.begin(), keys.end());
  if (index.unique) {
    // Equal values differ only in the trailing 4-byte rowid, so they are
    // neighbours in key order.
    for (size_t i = 1; i < keys.size(); ++i) {
      const std::string& previous = keys[i - 1].first;
      const std::string& current = keys[i].first;
      if (keys[i].second || keys[i - 1].second) continue;
      if (previous.size() == current.size() &&
          previous.compare(0, previous.size() - 4, current, 0, current.size() - 4) == 0) {
        return Failure(SQLITE_CONSTRAINT, "indexed columns are not unique");
      }
    }
  }

  SchemaObject object = NewObject(db, ObjectKind::Index, "index", index.name, index.table, statement.sql);
  for (auto& entry : keys) object.keys.emplace_hint(object.keys.end(), std::move(entry.first));
  object.index = std::move(index);
  db.objects.push_back(std::move(object));
  return SchemaChange();
}

ExecResult ExecuteCreateView(Database& db, const CreateViewStatement& statement) {
  if (auto error = CheckNewTableName(db, statement.name, statement.nameAsWritten)) return *error;
  db.objects.push_back(NewObject(db, ObjectKind::View, "view", statement.name, statement.name, statement.sql));
  return SchemaChange();
}

ExecResult ExecuteCreateTrigger(Database& db, const CreateTriggerStatement& statement) {
  if (FindObject(db, statement.name, {ObjectKind::Trigger}) >= 0) {
    return Failure(SQLITE_ERROR, "trigger " + statement.nameAsWritten + " already exists");
  }
  if (IsMasterTableName(statement.table)) {
    return Failure(SQLITE_ERROR, "cannot create trigger on system table");
  }
  const int tablePosition = FindObject(db, statement.table, {ObjectKind::Table, ObjectKind::View});
  if (tablePosition < 0) return Failure(SQLITE_ERROR, "no such table: " + statement.table);
  const SchemaObject& target = db.objects[static_cast<size_t>(tablePosition)];
  if (target.kind == ObjectKind::View && statement.timing != TriggerTiming::InsteadOf) {
    const char* timing = statement.timing == TriggerTiming::Before ? "BEFORE" : "AFTER";
    return Failure(SQLITE_ERROR,
                   std::string("cannot create ") + timing + " trigger on view: " + statement.table);
  }
  if (target.kind == ObjectKind::Table && statement.timing == TriggerTiming::InsteadOf) {
    return Failure(SQLITE_ERROR, "cannot create INSTEAD OF trigger on table: " + statement.table);
  }
  db.objects.push_back(
      NewObject(db, ObjectKind::Trigger, "trigger", statement.name, target.name, statement.sql));
  return SchemaChange();
}

}  // namespace salvoran::sqlite2
