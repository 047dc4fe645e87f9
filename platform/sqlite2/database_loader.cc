#include "platform/sqlite2/database_loader.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/sqlite2/file_reader.h"
#include "platform/sqlite2/sql_parser.h"
#include "platform/sqlite2/sqlite.h"
#include "platform/sqlite2/statement_executor.h"

namespace salvoran::sqlite2 {
namespace {

LoadResult Failure(int code, std::string message) { return LoadResult{code, std::move(message)}; }

LoadResult Corrupt() { return Failure(SQLITE_CORRUPT, sqlite_error_string(SQLITE_CORRUPT)); }

LoadResult MalformedSchema() { return Failure(SQLITE_CORRUPT, "malformed database schema"); }

// The library reads the root page with atoi.
int64_t ParseRootPage(const FieldView& text) {
  if (!text) return 0;
  size_t i = 0;
  while (i < text->size() && ((*text)[i] == ' ' || (*text)[i] == '\t')) ++i;
  bool negative = false;
  if (i < text->size() && ((*text)[i] == '+' || (*text)[i] == '-')) negative = (*text)[i++] == '-';
  int64_t value = 0;
  for (; i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9'; ++i) {
    if (value < std::numeric_limits<uint32_t>::max()) value = value * 10 + ((*text)[i] - '0');
  }
  return negative ? -value : value;
}

// Runs a stored CREATE statement again; false when it cannot be taken in.
bool RunSchemaStatement(Database& db, std::string_view sql) {
  SqlParser parser(sql);
  ParseOutcome outcome = parser.Next();
  if (outcome.status != ParseOutcome::Status::Parsed) return false;
  if (parser.Next().status != ParseOutcome::Status::End) return false;
  ExecResult result;
  if (auto* table = std::get_if<CreateTableStatement>(&outcome.statement)) {
    result = ExecuteCreateTable(db, *table);
  } else if (auto* index = std::get_if<CreateIndexStatement>(&outcome.statement)) {
    result = ExecuteCreateIndex(db, *index);
  } else if (auto* view = std::get_if<CreateViewStatement>(&outcome.statement)) {
    result = ExecuteCreateView(db, *view);
  } else if (auto* trigger = std::get_if<CreateTriggerStatement>(&outcome.statement)) {
    result = ExecuteCreateTrigger(db, *trigger);
  } else {
    return false;
  }
  return result.code == SQLITE_OK;
}

SchemaObject UnparsedObject(int32_t rowid, const std::vector<FieldView>& fields) {
  SchemaObject object;
  object.kind = ObjectKind::Unparsed;
  object.masterRowid = rowid;
  object.type = std::string(fields[0].value_or(""));
  object.name = std::string(fields[1].value_or(""));
  object.tableName = std::string(fields[2].value_or(""));
  if (fields[4]) object.sql = std::string(*fields[4]);
  for (const FieldView& field : fields) {
    object.masterFields.push_back(field ? FieldValue(std::string(*field)) : FieldValue());
  }
  return object;
}

// The rows of a table tree, each record with one field per column and NULL
// for the INTEGER PRIMARY KEY (as the library writes them).
bool LoadRows(const PageSource& source, uint32_t root, SchemaObject& object) {
  std::vector<TreeEntry> entries;
  std::string problem;
  if (!ReadTree(source, root, entries, problem)) return false;
  const TableSchema& table = object.table;
  for (TreeEntry& entry : entries) {
    if (entry.key.size() != 4) return false;
    const int32_t rowid = DecodeRowidKey(reinterpret_cast<const uint8_t*>(entry.key.data()));
    const auto fields = DecodeRecord(entry.data);
    if (!fields) return false;
    const bool keyStored = table.integerKey >= 0 &&
                           static_cast<size_t>(table.integerKey) < fields->size() &&
                           (*fields)[static_cast<size_t>(table.integerKey)];
    if (fields->size() != table.columns.size() || keyStored) {
      std::vector<FieldView> normalized(table.columns.size());
      std::copy_n(fields->begin(), std::min(fields->size(), normalized.size()), normalized.begin());
      if (table.integerKey >= 0) normalized[static_cast<size_t>(table.integerKey)].reset();
      entry.data = EncodeRecord(normalized);
    }
    object.rows.emplace_hint(object.rows.end(), rowid, std::move(entry.data));
  }
  return true;
}

}  // namespace

void RebuildIndexes(Database& db) {
  for (SchemaObject& object : db.objects) {
    if (object.kind != ObjectKind::Index) continue;
    object.keys.clear();
    const int tablePosition = FindObject(db, object.index.table, {ObjectKind::Table});
    if (tablePosition < 0) continue;
    const SchemaObject& table = db.objects[static_cast<size_t>(tablePosition)];
    std::vector<std::string> keys;
    keys.reserve(table.rows.size());
    for (const auto& [rowid, record] : table.rows) {
      const auto fields = DecodeRecord(record).value_or(std::vector<FieldView>{});
      keys.push_back(BuildIndexKey(table.table, object.index, rowid, fields));
    }
    std::sort(keys.begin(), keys.end());
    for (std::string& key : keys) object.keys.emplace_hint(object.keys.end(), std::move(key));
  }
}

LoadResult LoadDatabase(std::string_view file, Database& db) {
  db = Database{};
  if (file.empty()) return {};
  const std::optional<FileHeader> header = ParseHeader(file);
  if (!header) return Failure(SQLITE_NOTADB, sqlite_error_string(SQLITE_NOTADB));
  if (header->fileFormat > kFileFormat) return Failure(SQLITE_ERROR, "unsupported file format");
  db.schemaCookie = header->schemaCookie;
  db.metaTail = header->metaTail;
  const PageSource source{file, header->order, static_cast<uint32_t>(file.size() / kPageSize)};
  if (source.pageCount < kMasterRootPage) return {};

  std::vector<TreeEntry> master;
  std::string problem;
  if (!ReadTree(source, kMasterRootPage, master, problem)) return Corrupt();

  std::vector<std::pair<size_t, int64_t>> tables;  // object position, root page
  for (const TreeEntry& entry : master) {
    if (entry.key.size() != 4) return Corrupt();
    const int32_t rowid = DecodeRowidKey(reinterpret_cast<const uint8_t*>(entry.key.data()));
    const auto fields = DecodeRecord(entry.data);
    if (!fields || fields->size() < 5) return MalformedSchema();
    const FieldView& type = (*fields)[0];
    // The library tells objects apart by the first letter of the type.
    if (!type || type->empty() || std::string_view("tiv").find(type->front()) == std::string_view::npos) {
      return MalformedSchema();
    }
    const int64_t rootPage = ParseRootPage((*fields)[3]);
    const FieldView& sql = (*fields)[4];

    if (!sql && type->front() == 'i' && (*fields)[1]) {
      // An automatic index, made by its table's statement.
      auto pending = std::find_if(db.objects.begin(), db.objects.end(), [&](const SchemaObject& o) {
        return o.kind == ObjectKind::Index && o.masterRowid == 0 && !o.sql && o.name == *(*fields)[1];
      });
      if (pending != db.objects.end()) {
        pending->masterRowid = rowid;
        continue;
      }
    }
    const size_t before = db.objects.size();
    if (sql && RunSchemaStatement(db, *sql)) {
      db.objects[before].masterRowid = rowid;
      for (size_t i = before + 1; i < db.objects.size(); ++i) db.objects[i].masterRowid = 0;
      if (db.objects[before].kind == ObjectKind::Table) tables.emplace_back(before, rootPage);
      continue;
    }
    db.objects.resize(before);
    SchemaObject object = UnparsedObject(rowid, *fields);
    if (rootPage > 0) {
      std::vector<TreeEntry> treeEntries;
      if (rootPage > source.pageCount ||
          !ReadTree(source, static_cast<uint32_t>(rootPage), treeEntries, problem)) {
        return Corrupt();
      }
      object.hasTree = true;
      for (TreeEntry& e : treeEntries) object.entries.emplace_back(std::move(e.key), std::move(e.data));
    }
    db.objects.push_back(std::move(object));
  }

  for (const auto& [position, rootPage] : tables) {
    if (rootPage < kMasterRootPage || rootPage > source.pageCount) return Corrupt();
    if (!LoadRows(source, static_cast<uint32_t>(rootPage), db.objects[position])) return Corrupt();
  }
  // Automatic indexes without a row of their own get new rows at the end.
  for (SchemaObject& object : db.objects) {
    if (object.masterRowid == 0) object.masterRowid = NextMasterRowid(db);
  }
  std::stable_sort(db.objects.begin(), db.objects.end(),
                   [](const SchemaObject& a, const SchemaObject& b) { return a.masterRowid < b.masterRowid; });
  RebuildIndexes(db);
  return {};
}

}  // namespace salvoran::sqlite2
