// The SQLite 2 parser: reads the schema and the rows of an SQLite 2.1 file
// (the format of the 2.1 to 2.8 libraries) with its own page readers, never
// through an SQLite library.
//
//   ScanDatabase       the page table, the schema walk from page 2, the
//                      statements of the schema records, the catalog and
//                      the object tree; true when it ran to its end
//   LoadTableRecords   the rows of one table, in key order, to the grid and
//                      (in insert mode) to the context's row sink
//   CountTableRecords  the rows of one table tree, added to
//                      rowCountAccumulator, which it returns
//   CreateRecoveredDatabase  the save of the checked objects: to SQLite 3
//                      (or Access) through the shared writers, or, with the
//                      context's sqlite2Output set, to a new SQLite 2 file
//                      through the parser's own SQLite 2 connection
//
// The database starts at the context's startOffset (the file-settings step
// may have found it after other bytes). Both byte orders are read; the magic
// number says which. Every walk of a tree is guarded: each page at most
// once, child numbers beyond the file skipped, damaged cell chains cut where
// they break, so a damaged file costs the rows on its damaged pages and no
// more. Damage is logged, not shown in message boxes.
//
// Catalog lists filled by the scan: pageTable (the first 8 bytes of every
// page, byte i in bits 8i..8i+7), recordTexts with rawRecordLengths (the
// data of every gathered schema row, its overflow chain included), rootPages
// (one per recognised statement, 0 for views, triggers and skipped rows), and
// the table, index, view and trigger lists (see recovery/catalog.h). Values
// of rows are texts (SQLite 2 stores every value as text); NULL stays NULL
// and the INTEGER PRIMARY KEY column reads as the rowid.
#ifndef SALVORAN_SQLITE2FMT_SQLITE_VER2_H_
#define SALVORAN_SQLITE2FMT_SQLITE_VER2_H_

#include <cstdint>
#include <optional>
#include <string>

#include "recovery/sqlite_base.h"
#include "writers/cpp_sqlite_db.h"
#include "sqlite2fmt/pages.h"
#include "sqlite2fmt/schema_statements.h"

namespace salvoran {

class sqlite_ver2 : public sqlite_base {
 public:
  bool ScanDatabase(const std::string& path) override;
  void LoadTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                        const std::string& tableName, int keyMarker) override;
  int64_t CountTableRecords(const std::string& path, int64_t page) override;
  // The rows of one table into the Access database of the save
  // (export_table_records.cc).
  void ExportTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                          const std::string& tableName, int keyMarker) override;
  bool CreateRecoveredDatabase(const std::string& path) override;

  // The SQLite 2 output connection of the save (busy timeout 60 s).
  CppSQLiteDB& connection() { return connection_; }

  // Where the database lies in the file; read from the context on first use.
  const sqlite2::FileLayout& layout();

 private:
  void BuildPageTable(const sqlite2::PageSource& pages);
  void GatherSchemaRecords(const sqlite2::PageSource& pages);
  void RecogniseStatements();
  void AddStatement(const sqlite2::SchemaStatement& statement, size_t recordIndex);
  void AddTable(const sqlite2::SchemaStatement& statement);
  void AddIndex(const sqlite2::SchemaStatement& statement);
  void AddViewOrTrigger(const sqlite2::SchemaStatement& statement);
  void BuildTree();
  void WriteToSqlite3(const std::string& outputPath);
  void WriteToSqlite2(const std::string& outputPath);

  std::optional<sqlite2::FileLayout> layout_;
  CppSQLiteDB connection_{60000};
};

}  // namespace salvoran

#endif  // SALVORAN_SQLITE2FMT_SQLITE_VER2_H_
