#include "sqlite3fmt/sqlite_ver3.h"

namespace salvoran {

int64_t sqlite_ver3::CountTableRecords(const std::string&, int64_t) { return rowCountAccumulator; }
int64_t sqlite_ver3::CountSelectedRecords() { return 0; }

}  // namespace salvoran
