#include "platform/dao/jet_system_tables.h"

#include <utility>

#include "platform/dao/jet_text.h"

namespace salvoran::jet {
namespace {

constexpr uint8_t kSystemFixed = kColumnSystem | kColumnUpdatable | kColumnFixed;  // 0x13
constexpr uint8_t kSystemVariable = kColumnSystem | kColumnUpdatable;             // 0x12
constexpr uint8_t kSystemIdentifier = 0x20 | kSystemVariable;                     // 0x32: Owner, SID

constexpr uint32_t kSystemObjectFlags = 0x80000000u;
constexpr int16_t kTypeTable = 1;
constexpr int16_t kTypeDatabase = 2;
constexpr int16_t kTypeContainer = 3;
constexpr uint8_t kSystemCascade = 0x04;

ColumnDef Column(const char16_t* name, ColumnType type, uint16_t length, uint8_t flags) {
  ColumnDef column;
  column.name = name;
  column.type = type;
  column.length = length;
  column.flags = flags;
  return column;
}

TableDef SystemTable(std::vector<ColumnDef> columns) {
  TableDef table;
  table.tableType = kTableTypeSystem;
  table.descriptorsByName = true;
  table.columns = std::move(columns);
  AssignColumnPositions(table.columns);
  return table;
}

RealIndexDef RealIndex(std::vector<uint16_t> columns, uint8_t flags) {
  RealIndexDef index;
  index.columns = std::move(columns);
  index.flags = flags;
  return index;
}

LogicalIndexDef LogicalIndex(const char16_t* name, uint32_t number, uint8_t type) {
  return {name, number, number, type, kSystemCascade};
}

RowField SidField(const Sid& sid) { return BytesField({sid[0], sid[1]}); }

}  // namespace

TableDef MSysObjectsDefinition() {
  TableDef table = SystemTable({
      Column(u"Id", ColumnType::Long, 4, kSystemFixed),
      Column(u"ParentId", ColumnType::Long, 4, kSystemFixed),
      Column(u"Name", ColumnType::Text, 510, kSystemVariable),
      Column(u"Type", ColumnType::Int, 2, kSystemFixed),
      Column(u"DateCreate", ColumnType::DateTime, 8, kSystemFixed),
      Column(u"DateUpdate", ColumnType::DateTime, 8, kSystemFixed),
      Column(u"Owner", ColumnType::Binary, 510, kSystemIdentifier),
      Column(u"Flags", ColumnType::Long, 4, kSystemFixed),
      Column(u"Database", ColumnType::Memo, 0, kSystemVariable),
      Column(u"Connect", ColumnType::Memo, 0, kSystemVariable),
      Column(u"ForeignName", ColumnType::Text, 510, kSystemVariable),
      Column(u"RmtInfoShort", ColumnType::Binary, 510, kSystemVariable),
      Column(u"RmtInfoLong", ColumnType::Ole, 0, kSystemVariable),
      Column(u"Lv", ColumnType::Ole, 0, kSystemVariable),
      Column(u"LvProp", ColumnType::Ole, 0, kSystemVariable),
      Column(u"LvModule", ColumnType::Ole, 0, kSystemVariable),
      Column(u"LvExtra", ColumnType::Ole, 0, kSystemVariable),
  });
  table.realIndexes = {RealIndex({1, 2}, 0x81), RealIndex({0}, 0x81)};
  table.logicalIndexes = {LogicalIndex(u"ParentIdName", 0, 0), LogicalIndex(u"Id", 1, 1)};
  return table;
}

TableDef MSysAcesDefinition() {
  TableDef table = SystemTable({
      Column(u"ObjectId", ColumnType::Long, 4, kSystemFixed),
      Column(u"SID", ColumnType::Binary, 510, kSystemIdentifier),
      Column(u"ACM", ColumnType::Long, 4, kSystemFixed),
      Column(u"FInheritable", ColumnType::Bool, 1, kSystemFixed),
  });
  table.realIndexes = {RealIndex({0}, 0x88)};
  table.logicalIndexes = {LogicalIndex(u"ObjectId", 0, 0)};
  return table;
}

TableDef MSysQueriesDefinition() {
  TableDef table = SystemTable({
      Column(u"ObjectId", ColumnType::Long, 4, kSystemFixed),
      Column(u"Attribute", ColumnType::Byte, 1, kSystemFixed),
      Column(u"Order", ColumnType::Binary, 510, kSystemVariable),
      Column(u"Name1", ColumnType::Text, 510, kSystemVariable),
      Column(u"Name2", ColumnType::Text, 510, kSystemVariable),
      Column(u"Expression", ColumnType::Memo, 0, kSystemVariable),
      Column(u"Flag", ColumnType::Int, 2, kSystemFixed),
      Column(u"LvExtra", ColumnType::Long, 4, kSystemFixed),
  });
  table.realIndexes = {RealIndex({0, 1, 2}, 0x81)};
  table.logicalIndexes = {LogicalIndex(u"ObjectIdAttribute", 0, 1)};
  return table;
}

TableDef MSysRelationshipsDefinition() {
  TableDef table = SystemTable({
      Column(u"szRelationship", ColumnType::Text, 510, kSystemVariable),
      Column(u"grbit", ColumnType::Long, 4, kSystemFixed),
      Column(u"ccolumn", ColumnType::Long, 4, kSystemFixed),
      Column(u"icolumn", ColumnType::Long, 4, kSystemFixed),
      Column(u"szObject", ColumnType::Text, 510, kSystemVariable),
      Column(u"szColumn", ColumnType::Text, 510, kSystemVariable),
      Column(u"szReferencedObject", ColumnType::Text, 510, kSystemVariable),
      Column(u"szReferencedColumn", ColumnType::Text, 510, kSystemVariable),
  });
  table.realIndexes = {RealIndex({0}, 0x82), RealIndex({4}, 0x82), RealIndex({6}, 0x82)};
  table.logicalIndexes = {LogicalIndex(u"szRelationship", 0, 0), LogicalIndex(u"szObject", 1, 0),
                          LogicalIndex(u"szReferencedObject", 2, 0)};
  return table;
}

std::vector<CatalogObject> SystemCatalogObjects() {
  return {
      {0x0F000001, 0x0F000000, u"Tables", kTypeContainer, kSidCatalogOwner, kSystemObjectFlags},
      {0x0F000002, 0x0F000000, u"Databases", kTypeContainer, kSidCatalogOwner, kSystemObjectFlags},
      {0x0F000003, 0x0F000000, u"Relationships", kTypeContainer, kSidCatalogOwner, kSystemObjectFlags},
      {0x10000000, 0x0F000002, u"MSysDb", kTypeDatabase, kSidDatabaseOwner, kSystemObjectFlags},
      {2, kTablesContainerId, u"MSysObjects", kTypeTable, kSidCatalogOwner, kSystemObjectFlags},
      {3, kTablesContainerId, u"MSysACEs", kTypeTable, kSidCatalogOwner, kSystemObjectFlags},
      {4, kTablesContainerId, u"MSysQueries", kTypeTable, kSidCatalogOwner, kSystemObjectFlags},
      {5, kTablesContainerId, u"MSysRelationships", kTypeTable, kSidCatalogOwner, kSystemObjectFlags},
  };
}

CatalogObject UserTableObject(uint32_t tablePage, std::u16string name) {
  return {static_cast<int32_t>(tablePage), kTablesContainerId, std::move(name), kTypeTable,
          kSidDatabaseOwner, 0};
}

std::vector<RowField> CatalogObjectFields(const CatalogObject& object, double created) {
  std::vector<RowField> fields(17);
  fields[0] = IntegerField(object.id, 4);
  fields[1] = IntegerField(object.parentId, 4);
  fields[2] = BytesField(EncodeText(object.name, false));
  fields[3] = IntegerField(object.type, 2);
  fields[4] = RealField(created);
  fields[5] = RealField(created);
  fields[6] = SidField(object.owner);
  fields[7] = IntegerField(static_cast<int32_t>(object.flags), 4);
  return fields;
}

std::vector<IndexEntry> ParentIdNameEntries(const CatalogObject& object, uint32_t page, uint8_t row) {
  std::optional<std::vector<uint8_t>> nameKey = CatalogTextKey(object.name);
  if (!nameKey) return {};
  std::vector<uint8_t> key = LongIndexKey(object.parentId);
  key.insert(key.end(), nameKey->begin(), nameKey->end());
  return {IndexEntry{std::move(key), page, row}};
}

IndexEntry IdEntry(const CatalogObject& object, uint32_t page, uint8_t row) {
  return {LongIndexKey(object.id), page, row};
}

std::vector<AccessEntry> SystemAccessEntries() {
  return {
      {2, kSidDatabaseOwner, 393216, false},
      {3, kSidDatabaseOwner, 393216, false},
      {4, kSidDatabaseOwner, 393216, false},
      {5, kSidDatabaseOwner, 917504, false},
      {0x0F000001, kSidAdmins, 983294, true},
      {0x0F000001, kSidDatabaseOwner, 393217, false},
      {0x0F000003, kSidAdmins, 983294, true},
      {0x0F000003, kSidDatabaseOwner, 393217, false},
      {0x0F000002, kSidDatabaseOwner, 393216, false},
      {0x10000000, kSidDatabaseOwner, 393230, false},
      {0x10000000, kSidUsers, 14, false},
      {4, kSidUsers, 20, false},
      {5, kSidUsers, 20, false},
      {2, kSidUsers, 20, false},
      {0x0F000001, kSidUsers, 1048319, true},
      {0x0F000003, kSidUsers, 1048575, true},
  };
}

std::vector<AccessEntry> UserTableAccessEntries(uint32_t tablePage) {
  constexpr int32_t kAllRights = 0xFFFFF;
  const auto id = static_cast<int32_t>(tablePage);
  return {{id, kSidAdmins, kAllRights, false},
          {id, kSidDatabaseOwner, kAllRights, false},
          {id, kSidUsers, kAllRights, false}};
}

std::vector<RowField> AccessEntryFields(const AccessEntry& entry) {
  return {IntegerField(entry.objectId, 4), SidField(entry.sid), IntegerField(entry.rights, 4),
          BoolField(entry.inheritable)};
}

IndexEntry ObjectIdEntry(const AccessEntry& entry, uint32_t page, uint8_t row) {
  return {LongIndexKey(entry.objectId), page, row};
}

}  // namespace salvoran::jet
