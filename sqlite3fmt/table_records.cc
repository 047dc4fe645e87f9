#include "sqlite3fmt/sqlite_ver3.h"

namespace salvoran {

void sqlite_ver3::LoadTableRecords(const std::string&, uint32_t, int, const std::string&, int) {}

}  // namespace salvoran
