#include "sqlite3fmt/sqlite_ver3.h"

namespace salvoran {

bool sqlite_ver3::ScanDatabase(const std::string&) { return ReadLayout(); }

}  // namespace salvoran
