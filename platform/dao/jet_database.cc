#include "platform/dao/jet_database.h"

#include <chrono>

#include "platform/dao/jet_system_tables.h"
#include "platform/dao/jet_text.h"

namespace salvoran::jet {
namespace {

// Usage-map rows are 69 bytes with a 2-byte offset: 57 fit on one page.
constexpr size_t kUsageRowsPerPage = (kPageSize - kDataPageHeaderSize) / (kUsageMapRowSize + kRowOffsetSize);
// The longest catalog row (a 64-character name) and permissions row, with
// their offsets, bound how many rows a catalog page takes.
constexpr size_t kMaxCatalogRow = 191 + kRowOffsetSize;
constexpr size_t kAccessRow = 19 + kRowOffsetSize;
// The longest ParentIdName entry: 7F + 4 bytes, 7F + 2 codes per character
// + 01 00, and the 4-byte row pointer.
constexpr size_t kMaxNameIndexEntry = 5 + 1 + 2 * kMaxNameLength + 2 + 4;
constexpr size_t kLongIndexEntry = 5 + 4;
// Room for the bitmap pages the system tables' own maps might need.
constexpr size_t kSystemMapSlack = 10;
constexpr const char16_t* kSystemTableNames[] = {u"MSysObjects", u"MSysACEs", u"MSysQueries",
                                                  u"MSysRelationships"};

size_t DivideRoundingUp(size_t a, size_t b) { return (a + b - 1) / b; }

double NowAsOleDate() {
  using namespace std::chrono;
  const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
  return 25569.0 + seconds / 86400.0;  // 1970-01-01 is OLE day 25569
}

std::u16string StandInBase(std::u16string_view name) {
  std::u16string base;
  for (char16_t c : name) {
    const bool kept = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    if (kept && base.size() < 50) base.push_back(c);
  }
  return base.empty() ? u"Table" : base;
}

}  // namespace

std::unique_ptr<Database> Database::Create(const std::string& path, JetError& error, uint32_t maxPages) {
  std::unique_ptr<PageFile> file = PageFile::Create(path, kFirstFreePage, error);
  if (!file) return nullptr;
  return std::unique_ptr<Database>(new Database(std::move(file), maxPages));
}

Database::Database(std::unique_ptr<PageFile> file, uint32_t maxPages)
    : file_(std::move(file)), maxPages_(std::min(maxPages, kMaxPagesInFile)), created_(NowAsOleDate()) {}

Database::~Database() {
  if (IsOpen()) (void)Close();
}

std::optional<size_t> Database::FindTable(std::u16string_view name) const {
  for (size_t i = 0; i < tables_.size(); ++i) {
    if (NamesEqual(tables_[i].name, name) || NamesEqual(tables_[i].storedName, name)) return i;
  }
  return std::nullopt;
}

const std::vector<ColumnDef>& Database::Columns(size_t table) const { return tables_.at(table).definition.columns; }
const std::u16string& Database::TableName(size_t table) const { return tables_.at(table).name; }
const std::u16string& Database::StoredTableName(size_t table) const { return tables_.at(table).storedName; }
uint32_t Database::RowCount(size_t table) const { return tables_.at(table).rowCount; }

std::optional<std::u16string> Database::StandInNameFor(std::u16string_view name) const {
  if (std::optional<size_t> existing = FindTable(name)) {
    const UserTable& table = tables_[*existing];
    if (table.storedName != table.name) return table.storedName;
    return std::nullopt;
  }
  if (IsCatalogSortableName(name)) return std::nullopt;
  const std::u16string base = StandInBase(name);
  // Bounded: each table rules out at most one number.
  for (size_t n = 1; n <= tables_.size() + 1; ++n) {
    std::u16string candidate = base + u"_";
    for (char c : std::to_string(n)) candidate.push_back(static_cast<char16_t>(c));
    bool taken = FindTable(candidate).has_value();
    for (const char16_t* system : kSystemTableNames) taken = taken || NamesEqual(candidate, system);
    if (!taken) return candidate;
  }
  return base;  // not reached
}

JetStatus Database::CreateTable(const NewTable& request) {
  if (!IsOpen()) return JetError{errors::kObjectClosed, "Object invalid or no longer set. The database is closed."};
  const std::string shownName = "'" + Utf16ToUtf8(request.name) + "'";
  bool exists = FindTable(request.name).has_value();
  for (const char16_t* system : kSystemTableNames) exists = exists || NamesEqual(request.name, system);
  if (exists) return JetError{errors::kTableExists, "Table " + shownName + " already exists."};
  if (request.columns.empty() || request.columns.size() > kMaxColumns) {
    return JetError{errors::kTooManyFields, "Table " + shownName + " must have 1 to 255 fields."};
  }

  UserTable table;
  table.name = request.name;
  table.storedName = StandInNameFor(request.name).value_or(request.name);
  table.definition.tableType = kTableTypeUser;
  table.definition.columns = request.columns;
  AssignColumnPositions(table.definition.columns);
  for (const ColumnDef& column : table.definition.columns) {
    if (!column.IsLongValue()) continue;
    table.longValues.push_back(LongValueColumn{column.number, {}, std::nullopt, 0});
    table.definition.longValueMaps.push_back(LongValueMapRef{column.number, 0, 0});
  }
  table.definitionPages = TableDefinitionPageCount(SerializeTableDefinition(table.definition).size());
  table.usageMapPages = DivideRoundingUp(2 + 2 * table.longValues.size(), kUsageRowsPerPage);

  const size_t reserved = table.definitionPages - 1 + table.usageMapPages;
  if (!CanAllocate(1 + reserved, tables_.size() + 1)) {
    return JetError{errors::kDatabaseFull, "The database has reached the 2 GB size limit of the Access format "
                                           "(" + std::to_string(maxPages_) + " pages); table " + shownName +
                                               " cannot be created."};
  }
  table.tablePage = file_->Allocate();
  reservedForTables_ += reserved;
  tables_.push_back(std::move(table));
  return std::nullopt;
}

size_t Database::SystemPagesAtClose(size_t tableCount) {
  const size_t objects = 8 + tableCount;
  const size_t accessRows = 16 + 3 * tableCount;
  const size_t catalogPages = DivideRoundingUp(objects, std::min(kMaxRowsPerPage, (kPageSize - kDataPageHeaderSize) / kMaxCatalogRow));
  const size_t accessPages = DivideRoundingUp(accessRows, std::min(kMaxRowsPerPage, (kPageSize - kDataPageHeaderSize) / kAccessRow));
  const size_t indexPages = IndexPageBound(objects, kMaxNameIndexEntry) + IndexPageBound(objects, kLongIndexEntry) +
                            IndexPageBound(accessRows, kLongIndexEntry) + 4;  // + the empty indexes
  return 4 /* usage-map pages */ + catalogPages + accessPages + indexPages + kSystemMapSlack;
}

bool Database::CanAllocate(size_t pages, size_t tableCount) const {
  size_t total = file_->PageCount() + pages + reservedForTables_ + SystemPagesAtClose(tableCount);
  if (total > maxPages_) return false;
  total += GlobalMapBitmapPagesNeeded(static_cast<uint32_t>(total));
  return total <= maxPages_;
}

std::optional<uint32_t> Database::AllocatePage(PageSet& map) {
  const uint32_t next = file_->PageCount();
  const size_t growth = map.BitmapPagesNeededWith(next) - map.BitmapPagesNeeded();
  if (!CanAllocate(1 + growth, tables_.size())) return std::nullopt;
  reservedForTables_ += growth;
  const uint32_t page = file_->Allocate();
  map.Add(page);
  return page;
}

JetError Database::DatabaseFull(const UserTable& table) const {
  return {errors::kDatabaseFull, "The database has reached the 2 GB size limit of the Access format (" +
                                     std::to_string(maxPages_) + " pages); no more rows fit into table '" +
                                     Utf16ToUtf8(table.name) + "', which keeps its " +
                                     std::to_string(table.rowCount) + " rows."};
}

size_t Database::BufferedPageCount() const {
  size_t pages = 0;
  for (const UserTable& table : tables_) {
    pages += table.current.has_value() ? 1 : 0;
    for (const LongValueColumn& column : table.longValues) pages += column.current.has_value() ? 1 : 0;
  }
  return pages;
}

uint32_t Database::PageCount() const { return file_ ? file_->PageCount() : 0; }

}  // namespace salvoran::jet
