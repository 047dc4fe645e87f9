// The rows of an SQLite 3 table into the Access output: the same walk and
// decoding as LoadTableRecords, with the Access row sink installed.
#include "sqlite3fmt/sqlite_ver3.h"
#include "writers/access_row_sink.h"

namespace salvoran {

void sqlite_ver3::ExportTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                                     const std::string& tableName, int keyMarker) {
  ExportRowsToAccess(*this, encoding(), path, rootPage, columnCount, tableName, keyMarker);
}

}  // namespace salvoran
