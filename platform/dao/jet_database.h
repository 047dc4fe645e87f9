// A Jet 4 database being written: a new .mdb file, its user tables and their
// rows, finished into a file that every reader accepts when it is closed.
//
// Memory: rows go straight into data pages, and a page is written to the
// file as soon as it is full, so a table of any size costs one page in
// memory per table, one per long-value column, and 4 bytes per page written
// (the usage maps). The catalog rows, indexes and table definitions are
// built and written at Close.
//
// Size: the file never passes `maxPages` (the format's 2 GB unless a test
// asks for less). Every page that Close will need is kept free in advance,
// so a row or table that would not fit is refused with an error, the rows
// stored so far stay, and Close still succeeds.
//
// Names: a table whose name the catalog index cannot sort without Jet's full
// collation table (anything but Latin letters, digits, "_" and inner blanks,
// or longer than 64 characters) is stored under an ASCII stand-in name; it
// is still found under its own name.
//
// Errors are returned, never thrown. One thread uses an object at a time.
#ifndef SALVORAN_PLATFORM_DAO_JET_DATABASE_H_
#define SALVORAN_PLATFORM_DAO_JET_DATABASE_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/jet_ddl.h"
#include "platform/dao/jet_error.h"
#include "platform/dao/jet_index.h"
#include "platform/dao/jet_page.h"
#include "platform/dao/jet_page_file.h"
#include "platform/dao/jet_row.h"
#include "platform/dao/jet_table_def.h"
#include "platform/dao/jet_usage_map.h"
#include "platform/dao/jet_value.h"

namespace salvoran::jet {

class Database {
 public:
  // Creates the file; fails when a file exists at the path.
  static std::unique_ptr<Database> Create(const std::string& path, JetError& error,
                                          uint32_t maxPages = kMaxPagesInFile);
  // Closes an open database; errors are lost, so callers close first.
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  bool IsOpen() const { return file_ != nullptr; }

  JetStatus CreateTable(const NewTable& request);
  // The table called `name` (its own name or its stored name, any letter case).
  std::optional<size_t> FindTable(std::u16string_view name) const;
  const std::vector<ColumnDef>& Columns(size_t table) const;
  const std::u16string& TableName(size_t table) const;
  const std::u16string& StoredTableName(size_t table) const;
  uint32_t RowCount(size_t table) const;

  // The stand-in a table called `name` is stored under (the one given when
  // it was created, or the one it would get now); nothing when the name is
  // stored as it is.
  std::optional<std::u16string> StandInNameFor(std::u16string_view name) const;

  // Stores one row; values[i] belongs to column i. A monostate leaves the
  // column NULL (BOOL false), except an AutoNumber column, which then takes
  // the next number.
  JetStatus AppendRow(size_t table, std::vector<FieldValue> values);

  // Writes the catalog, the table definitions and the maps, and closes the
  // file. The database is closed afterwards even when writing failed.
  JetStatus Close();

  // Pages held in memory (unfinished data and long-value pages).
  size_t BufferedPageCount() const;
  uint32_t PageCount() const;

 private:
  struct LongValueColumn {
    size_t column = 0;
    PageSet pages;
    std::optional<DataPage> current;
    uint32_t currentPage = 0;
  };
  struct UserTable {
    std::u16string name;
    std::u16string storedName;
    TableDef definition;
    uint32_t tablePage = 0;
    size_t definitionPages = 1;
    size_t usageMapPages = 1;
    PageSet dataPages;
    std::optional<DataPage> current;
    uint32_t currentPage = 0;
    std::vector<LongValueColumn> longValues;
    uint32_t rowCount = 0;
    int64_t lastAutoNumber = 0;
  };
  struct PlacedRow {
    uint32_t page;
    uint8_t row;
  };

  Database(std::unique_ptr<PageFile> file, uint32_t maxPages);

  // Page allocation under the size limit, keeping room for Close.
  bool CanAllocate(size_t pages, size_t tableCount) const;
  std::optional<uint32_t> AllocatePage(PageSet& map);
  static size_t SystemPagesAtClose(size_t tableCount);
  JetError DatabaseFull(const UserTable& table) const;

  // Rows.
  // Lays the values out into fields_ and longData_; counts the pages the
  // row may take.
  JetStatus BuildFields(UserTable& table, std::vector<FieldValue>& values, size_t& pagesNeeded);
  std::vector<uint8_t> StoreLongValue(LongValueColumn& column, std::span<const uint8_t> data, JetStatus& status);
  std::optional<PlacedRow> PlaceLongValueRow(LongValueColumn& column, std::span<const uint8_t> row,
                                             JetStatus& status);
  JetStatus PlaceRow(UserTable& table, std::span<const uint8_t> row);

  // Close.
  JetStatus FlushBufferedPages();
  JetStatus WriteUserTable(UserTable& table);
  JetStatus WriteSystemTables();
  JetStatus WriteUsageMaps(uint32_t ownerTable, const std::vector<const PageSet*>& maps,
                           std::vector<uint32_t>& rowPointers);
  JetStatus WriteTableDefinition(const TableDef& definition, uint32_t firstPage);
  JetStatus WriteRows(uint32_t ownerTable, const std::vector<std::vector<uint8_t>>& rows, PageSet& pages,
                      std::vector<PlacedRow>& placed);
  JetStatus WriteIndex(uint32_t tablePage, std::vector<IndexEntry> entries, PageSet& pages, uint32_t& root);
  JetStatus WriteGlobalMapAndHeader();

  std::unique_ptr<PageFile> file_;
  uint32_t maxPages_;
  double created_;  // OLE date of creation, for the catalog rows
  std::vector<UserTable> tables_;
  size_t reservedForTables_ = 0;  // pages the user tables need at Close

  // Buffers of the row being stored, kept from row to row.
  std::vector<RowField> fields_;
  std::vector<std::vector<uint8_t>> longData_;  // per column: a long value stored out of the row
  std::vector<uint8_t> row_;
};

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_DATABASE_H_
