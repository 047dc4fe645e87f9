// Close: the pages that are written once everything is known — usage maps,
// table definitions, the catalog with its indexes, the global map and the
// header. Every page allocated here was kept free while rows were added.
#include <algorithm>

#include "platform/dao/jet_database.h"
#include "platform/dao/jet_header_page.h"
#include "platform/dao/jet_row.h"
#include "platform/dao/jet_system_tables.h"

namespace salvoran::jet {
namespace {

// The long-value map references of a table whose usage-map rows are laid
// out as owned, free, then owned and free per long-value column.
std::vector<LongValueMapRef> LongValueRefs(const std::vector<ColumnDef>& columns,
                                           const std::vector<uint32_t>& pointers) {
  std::vector<LongValueMapRef> refs;
  size_t row = 2;
  for (const ColumnDef& column : columns) {
    if (!column.IsLongValue()) continue;
    refs.push_back({column.number, pointers.at(row), pointers.at(row + 1)});
    row += 2;
  }
  return refs;
}

size_t LongValueColumnCount(const std::vector<ColumnDef>& columns) {
  size_t count = 0;
  for (const ColumnDef& column : columns) count += column.IsLongValue() ? 1 : 0;
  return count;
}

PageSet SinglePage(const PageSet& owner, uint32_t page) {
  PageSet set;
  if (!owner.empty()) set.Add(page);
  return set;
}

}  // namespace

JetStatus Database::Close() {
  if (!IsOpen()) return std::nullopt;
  JetStatus status = FlushBufferedPages();
  for (UserTable& table : tables_) {
    if (!status) status = WriteUserTable(table);
  }
  if (!status) status = WriteSystemTables();
  if (!status) status = WriteGlobalMapAndHeader();
  JetStatus closed = file_->Close();
  file_.reset();
  return status ? status : closed;
}

JetStatus Database::FlushBufferedPages() {
  for (UserTable& table : tables_) {
    if (table.current) {
      if (JetStatus error = file_->Write(table.currentPage, table.current->bytes())) return error;
      table.current.reset();
    }
    for (LongValueColumn& column : table.longValues) {
      if (!column.current) continue;
      if (JetStatus error = file_->Write(column.currentPage, column.current->bytes())) return error;
      column.current.reset();
    }
  }
  return std::nullopt;
}

JetStatus Database::WriteUserTable(UserTable& table) {
  // The free-space maps name the last page of each set, the one rows were
  // still going to.
  std::vector<PageSet> freeMaps;
  freeMaps.reserve(1 + table.longValues.size());
  freeMaps.push_back(SinglePage(table.dataPages, table.currentPage));
  for (const LongValueColumn& column : table.longValues) freeMaps.push_back(SinglePage(column.pages, column.currentPage));

  std::vector<const PageSet*> maps{&table.dataPages, &freeMaps[0]};
  for (size_t k = 0; k < table.longValues.size(); ++k) {
    maps.push_back(&table.longValues[k].pages);
    maps.push_back(&freeMaps[k + 1]);
  }
  std::vector<uint32_t> pointers;
  if (JetStatus error = WriteUsageMaps(0, maps, pointers)) return error;

  TableDef& definition = table.definition;
  definition.rowCount = table.rowCount;
  definition.autoNumber = static_cast<uint32_t>(std::max<int64_t>(0, table.lastAutoNumber));
  definition.ownedMap = pointers[0];
  definition.freeMap = pointers[1];
  definition.longValueMaps = LongValueRefs(definition.columns, pointers);
  return WriteTableDefinition(definition, table.tablePage);
}

JetStatus Database::WriteUsageMaps(uint32_t ownerTable, const std::vector<const PageSet*>& maps,
                                   std::vector<uint32_t>& rowPointers) {
  std::vector<std::vector<uint8_t>> rows;
  for (const PageSet* map : maps) {
    if (map->FitsInline()) {
      rows.push_back(InlineMapRow(*map));
      continue;
    }
    std::vector<uint32_t> bitmapPages;
    for (size_t k = 0; k < map->BitmapPagesNeeded(); ++k) bitmapPages.push_back(file_->Allocate());
    ReferenceMap reference = BuildReferenceMap(*map, bitmapPages);
    for (const auto& [page, bytes] : reference.pages) {
      if (JetStatus error = file_->Write(page, bytes)) return error;
    }
    rows.push_back(std::move(reference.row));
  }
  PageSet usagePages;
  std::vector<PlacedRow> placed;
  if (JetStatus error = WriteRows(ownerTable, rows, usagePages, placed)) return error;
  rowPointers.clear();
  for (const PlacedRow& row : placed) rowPointers.push_back(RowPointer(row.page, row.row));
  return std::nullopt;
}

JetStatus Database::WriteRows(uint32_t ownerTable, const std::vector<std::vector<uint8_t>>& rows, PageSet& pages,
                              std::vector<PlacedRow>& placed) {
  std::optional<DataPage> page;
  uint32_t pageNumber = 0;
  for (const std::vector<uint8_t>& row : rows) {
    if (!page || !page->Fits(row.size())) {
      if (page) {
        if (JetStatus error = file_->Write(pageNumber, page->bytes())) return error;
      }
      pageNumber = file_->Allocate();
      pages.Add(pageNumber);
      page.emplace(ownerTable);
    }
    placed.push_back({pageNumber, page->Append(row)});
  }
  if (page) return file_->Write(pageNumber, page->bytes());
  return std::nullopt;
}

JetStatus Database::WriteTableDefinition(const TableDef& definition, uint32_t firstPage) {
  // The stream's length was fixed when the table was created, and room for
  // its continuation pages was kept then.
  const std::vector<uint8_t> stream = SerializeTableDefinition(definition);
  std::vector<uint32_t> pageNumbers{firstPage};
  const size_t needed = TableDefinitionPageCount(stream.size());
  for (size_t k = 1; k < needed; ++k) pageNumbers.push_back(file_->Allocate());
  const std::vector<Page> pages = PaginateTableDefinition(stream, pageNumbers);
  for (size_t k = 0; k < pages.size(); ++k) {
    if (JetStatus error = file_->Write(pageNumbers[k], pages[k])) return error;
  }
  return std::nullopt;
}

JetStatus Database::WriteIndex(uint32_t tablePage, std::vector<IndexEntry> entries, PageSet& pages, uint32_t& root) {
  const IndexPlan plan = PlanIndex(std::move(entries));
  std::vector<uint32_t> pageNumbers;
  for (size_t k = 0; k < plan.PageCount(); ++k) {
    pageNumbers.push_back(file_->Allocate());
    pages.Add(pageNumbers.back());
  }
  const IndexTree tree = BuildIndex(plan, tablePage, pageNumbers);
  for (const auto& [page, bytes] : tree.pages) {
    if (JetStatus error = file_->Write(page, bytes)) return error;
  }
  root = tree.rootPage;
  return std::nullopt;
}

JetStatus Database::WriteSystemTables() {
  // MSysObjects rows and their index entries.
  TableDef objects = MSysObjectsDefinition();
  std::vector<CatalogObject> catalog = SystemCatalogObjects();
  for (const UserTable& table : tables_) catalog.push_back(UserTableObject(table.tablePage, table.storedName));
  std::vector<std::vector<uint8_t>> rows;
  for (const CatalogObject& object : catalog) rows.push_back(EncodeRow(objects.columns, CatalogObjectFields(object, created_)));
  PageSet objectPages;
  std::vector<PlacedRow> placed;
  if (JetStatus error = WriteRows(kMSysObjectsPage, rows, objectPages, placed)) return error;
  std::vector<IndexEntry> nameEntries;
  std::vector<IndexEntry> idEntries;
  for (size_t i = 0; i < catalog.size(); ++i) {
    for (IndexEntry& entry : ParentIdNameEntries(catalog[i], placed[i].page, placed[i].row)) {
      nameEntries.push_back(std::move(entry));
    }
    idEntries.push_back(IdEntry(catalog[i], placed[i].page, placed[i].row));
  }
  const auto nameKeys = static_cast<uint32_t>(nameEntries.size());
  const auto idKeys = static_cast<uint32_t>(idEntries.size());

  // MSysACEs rows.
  TableDef aces = MSysAcesDefinition();
  std::vector<AccessEntry> access = SystemAccessEntries();
  for (const UserTable& table : tables_) {
    for (const AccessEntry& entry : UserTableAccessEntries(table.tablePage)) access.push_back(entry);
  }
  rows.clear();
  for (const AccessEntry& entry : access) rows.push_back(EncodeRow(aces.columns, AccessEntryFields(entry)));
  PageSet acePages;
  std::vector<PlacedRow> acePlaced;
  if (JetStatus error = WriteRows(kMSysAcesPage, rows, acePages, acePlaced)) return error;
  std::vector<IndexEntry> objectIdEntries;
  std::vector<int32_t> distinctObjects;
  for (size_t i = 0; i < access.size(); ++i) {
    objectIdEntries.push_back(ObjectIdEntry(access[i], acePlaced[i].page, acePlaced[i].row));
    if (std::find(distinctObjects.begin(), distinctObjects.end(), access[i].objectId) == distinctObjects.end()) {
      distinctObjects.push_back(access[i].objectId);
    }
  }

  // Index trees; the empty tables get one empty leaf per index.
  PageSet nameIndexPages, idIndexPages, aceIndexPages, queryIndexPages;
  PageSet relationIndexPages[3];
  uint32_t nameRoot = 0, idRoot = 0, aceRoot = 0, queryRoot = 0;
  uint32_t relationRoots[3] = {0, 0, 0};
  if (JetStatus error = WriteIndex(kMSysObjectsPage, std::move(nameEntries), nameIndexPages, nameRoot)) return error;
  if (JetStatus error = WriteIndex(kMSysObjectsPage, std::move(idEntries), idIndexPages, idRoot)) return error;
  if (JetStatus error = WriteIndex(kMSysAcesPage, std::move(objectIdEntries), aceIndexPages, aceRoot)) return error;
  if (JetStatus error = WriteIndex(kMSysQueriesPage, {}, queryIndexPages, queryRoot)) return error;
  for (int k = 0; k < 3; ++k) {
    if (JetStatus error = WriteIndex(kMSysRelationshipsPage, {}, relationIndexPages[k], relationRoots[k])) return error;
  }

  // Usage maps, then the four definitions at their fixed pages.
  const PageSet none;
  const PageSet objectFree = SinglePage(objectPages, placed.empty() ? 0 : placed.back().page);
  const PageSet aceFree = SinglePage(acePages, acePlaced.empty() ? 0 : acePlaced.back().page);
  auto mapsFor = [&](const PageSet& owned, const PageSet& free, const TableDef& def,
                     std::vector<const PageSet*> indexMaps) {
    std::vector<const PageSet*> maps{&owned, &free};
    for (size_t k = 0; k < LongValueColumnCount(def.columns); ++k) {
      maps.push_back(&none);
      maps.push_back(&none);
    }
    maps.insert(maps.end(), indexMaps.begin(), indexMaps.end());
    return maps;
  };
  auto finish = [&](TableDef& def, uint32_t page, uint32_t rowCount, const std::vector<const PageSet*>& maps) -> JetStatus {
    std::vector<uint32_t> pointers;
    if (JetStatus error = WriteUsageMaps(0, maps, pointers)) return error;
    def.rowCount = rowCount;
    def.ownedMap = pointers[0];
    def.freeMap = pointers[1];
    def.longValueMaps = LongValueRefs(def.columns, pointers);
    const size_t firstIndexRow = 2 + 2 * def.longValueMaps.size();
    for (size_t k = 0; k < def.realIndexes.size(); ++k) def.realIndexes[k].usageMap = pointers.at(firstIndexRow + k);
    return WriteTableDefinition(def, page);
  };

  objects.realIndexes[0].rootPage = nameRoot;
  objects.realIndexes[0].distinctKeys = nameKeys;
  objects.realIndexes[1].rootPage = idRoot;
  objects.realIndexes[1].distinctKeys = idKeys;
  if (JetStatus error = finish(objects, kMSysObjectsPage, static_cast<uint32_t>(catalog.size()),
                               mapsFor(objectPages, objectFree, objects, {&nameIndexPages, &idIndexPages}))) {
    return error;
  }
  aces.realIndexes[0].rootPage = aceRoot;
  aces.realIndexes[0].distinctKeys = static_cast<uint32_t>(distinctObjects.size());
  if (JetStatus error = finish(aces, kMSysAcesPage, static_cast<uint32_t>(access.size()),
                               mapsFor(acePages, aceFree, aces, {&aceIndexPages}))) {
    return error;
  }
  TableDef queries = MSysQueriesDefinition();
  queries.realIndexes[0].rootPage = queryRoot;
  if (JetStatus error = finish(queries, kMSysQueriesPage, 0, mapsFor(none, none, queries, {&queryIndexPages}))) {
    return error;
  }
  TableDef relationships = MSysRelationshipsDefinition();
  for (int k = 0; k < 3; ++k) relationships.realIndexes[static_cast<size_t>(k)].rootPage = relationRoots[k];
  return finish(relationships, kMSysRelationshipsPage, 0,
                mapsFor(none, none, relationships,
                        {&relationIndexPages[0], &relationIndexPages[1], &relationIndexPages[2]}));
}

JetStatus Database::WriteGlobalMapAndHeader() {
  const size_t bitmapCount = GlobalMapBitmapPagesNeeded(file_->PageCount());
  std::vector<uint32_t> bitmapPages;
  for (size_t k = 0; k < bitmapCount; ++k) bitmapPages.push_back(file_->Allocate());
  for (const auto& [page, bytes] : BuildGlobalMapPages(file_->PageCount(), bitmapPages)) {
    if (JetStatus error = file_->Write(page, bytes)) return error;
  }
  return file_->Write(kHeaderPage, BuildHeaderPage());
}

}  // namespace salvoran::jet
