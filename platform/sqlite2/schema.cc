#include "platform/sqlite2/schema.h"

#include <algorithm>

#include "platform/sqlite2/index_key.h"
#include "platform/sqlite2/sql_tokenizer.h"

namespace salvoran::sqlite2 {

bool IsIntegerKeyType(std::string_view type) {
  std::string compact;
  for (char c : type) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') compact.push_back(c);
  }
  return EqualsIgnoreCase(compact, "INTEGER");
}

int FindColumn(const TableSchema& table, std::string_view name) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (EqualsIgnoreCase(table.columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

int FindObject(const Database& db, std::string_view name, std::initializer_list<ObjectKind> kinds) {
  for (size_t i = 0; i < db.objects.size(); ++i) {
    const SchemaObject& object = db.objects[i];
    if (std::find(kinds.begin(), kinds.end(), object.kind) == kinds.end()) continue;
    if (EqualsIgnoreCase(object.name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::vector<size_t> IndexesOfTable(const Database& db, std::string_view table) {
  std::vector<size_t> indexes;
  std::vector<size_t> replacing;
  for (size_t i = 0; i < db.objects.size(); ++i) {
    const SchemaObject& object = db.objects[i];
    if (object.kind != ObjectKind::Index || !EqualsIgnoreCase(object.index.table, table)) continue;
    (object.index.conflict == ConflictAction::Replace ? replacing : indexes).push_back(i);
  }
  indexes.insert(indexes.end(), replacing.begin(), replacing.end());
  return indexes;
}

int32_t NextMasterRowid(const Database& db) {
  int32_t largest = 0;
  for (const SchemaObject& object : db.objects) largest = std::max(largest, object.masterRowid);
  return largest + 1;
}

std::string BuildIndexKey(const TableSchema& table, const IndexSchema& index, int32_t rowid,
                          const std::vector<FieldView>& fields, bool* hasNull) {
  std::string key;
  bool anyNull = false;
  for (int position : index.columns) {
    const Column& column = table.columns[static_cast<size_t>(position)];
    if (position == table.integerKey) {
      AppendIndexField(key, std::to_string(rowid), column.textKeys);
      continue;
    }
    const auto slot = static_cast<size_t>(position);
    const FieldView value = slot < fields.size() ? fields[slot] : FieldView{};
    anyNull = anyNull || !value;
    AppendIndexField(key, value, column.textKeys);
  }
  key.append(RowidKey(rowid));
  if (hasNull) *hasNull = anyNull;
  return key;
}

}  // namespace salvoran::sqlite2
