// The rows of an SQLite 2 table into the Access output: the same walk and
// decoding as LoadTableRecords, with the Access row sink installed. SQLite 2
// values are UTF-8 texts.
#include "sqlite2fmt/sqlite_ver2.h"
#include "writers/access_row_sink.h"

namespace salvoran {

void sqlite_ver2::ExportTableRecords(const std::string& path, uint32_t rootPage, int columnCount,
                                     const std::string& tableName, int keyMarker) {
  ExportRowsToAccess(*this, TextEncoding::Utf8, path, rootPage, columnCount, tableName, keyMarker);
}

}  // namespace salvoran
