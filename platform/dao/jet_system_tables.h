// The four system tables every Jet 4 database holds, as the Jet engine
// creates them: MSysObjects (the catalog, TDEF page 2), MSysACEs
// (permissions, page 3), MSysQueries (page 4) and MSysRelationships
// (page 5), with their indexes, and the rows of the catalog and of the
// permissions for the system objects and for each user table.
//
// The owner and user/group identifiers (SIDs) below belong to the header's
// creation date (jet_header_page.h); they are kept together as one set.
#ifndef SALVORAN_PLATFORM_DAO_JET_SYSTEM_TABLES_H_
#define SALVORAN_PLATFORM_DAO_JET_SYSTEM_TABLES_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dao/jet_index.h"
#include "platform/dao/jet_row.h"
#include "platform/dao/jet_table_def.h"

namespace salvoran::jet {

using Sid = std::array<uint8_t, 2>;
constexpr Sid kSidCatalogOwner{0x06, 0xEA};
constexpr Sid kSidDatabaseOwner{0x07, 0xE8};
constexpr Sid kSidAdmins{0x06, 0xED};
constexpr Sid kSidUsers{0x06, 0xE8};

constexpr int32_t kTablesContainerId = 0x0F000001;

// Definitions without map pointers, root pages or counts (set at close).
TableDef MSysObjectsDefinition();
TableDef MSysAcesDefinition();
TableDef MSysQueriesDefinition();
TableDef MSysRelationshipsDefinition();

// One MSysObjects row.
struct CatalogObject {
  int32_t id = 0;
  int32_t parentId = 0;
  std::u16string name;
  int16_t type = 0;
  Sid owner{};
  uint32_t flags = 0;
};

// The containers, MSysDb and the four system tables, in Jet's order.
std::vector<CatalogObject> SystemCatalogObjects();
// A user table: id = its TDEF page, parent "Tables", type 1, flags 0.
CatalogObject UserTableObject(uint32_t tablePage, std::u16string name);
// The row fields of a catalog object; created is an OLE date.
std::vector<RowField> CatalogObjectFields(const CatalogObject& object, double created);
// Index entries of a catalog row stored at (page, row): for ParentIdName
// (nothing when the name has no catalog key) and for Id.
std::vector<IndexEntry> ParentIdNameEntries(const CatalogObject& object, uint32_t page, uint8_t row);
IndexEntry IdEntry(const CatalogObject& object, uint32_t page, uint8_t row);

// One MSysACEs row.
struct AccessEntry {
  int32_t objectId = 0;
  Sid sid{};
  int32_t rights = 0;
  bool inheritable = false;
};
std::vector<AccessEntry> SystemAccessEntries();
// Full rights on a user table for each identifier holding rights on "Tables".
std::vector<AccessEntry> UserTableAccessEntries(uint32_t tablePage);
std::vector<RowField> AccessEntryFields(const AccessEntry& entry);
IndexEntry ObjectIdEntry(const AccessEntry& entry, uint32_t page, uint8_t row);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_SYSTEM_TABLES_H_
