// The SQLite 3 parser: reads the schema and the rows of an SQLite 3 file
// with its own page readers, never through the SQLite library.
//
//   ScanDatabase       page headers, the schema walk, the catalog, the tree
//   LoadTableRecords   the rows of one table to the grid (and the output)
//   CountTableRecords  rows below a page, from the leaf pages' cell counts
//   ExportTableRecords the rows of one table to the Access output
//   CreateRecoveredDatabase  the save to a new SQLite 3 (or Access) database
#ifndef SALVORAN_SQLITE3FMT_SQLITE_VER3_H_
#define SALVORAN_SQLITE3FMT_SQLITE_VER3_H_

#include <cstdint>
#include <memory>
#include <string>

#include "recovery/sqlite_base.h"
#include "sqlite3fmt/btree.h"

namespace salvoran {

class sqlite_ver3 : public sqlite_base {
 public:
  bool ScanDatabase(const std::string& path) override;
  void LoadTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                        const std::string& tableName, int keyMarker) override;
  int64_t CountTableRecords(const std::string& path, int64_t page) override;
  // The rows of one table into the Access database of the save.
  void ExportTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                          const std::string& tableName, int keyMarker) override;
  bool CreateRecoveredDatabase(const std::string& path) override;

  // Where the database lies in the file, as the scan established it.
  const sqlite3::DbLayout& layout() const { return layout_; }
  TextEncoding encoding() const {
    if (!utf16) return TextEncoding::Utf8;
    return bigEndianText ? TextEncoding::Utf16be : TextEncoding::Utf16le;
  }

  // Length in bytes of the text the schema record reader returned last.
  int32_t lastTextLength = 0;
  // The output database of the last save.
  std::string outputPath;

 protected:
  // Fills layout_ from the context and the file header; false when the file
  // header cannot be read.
  bool ReadLayout();

  sqlite3::DbLayout layout_;
};

}  // namespace salvoran

#endif  // SALVORAN_SQLITE3FMT_SQLITE_VER3_H_
