#include "parsers/parser_factory.h"

#include "sqlite3fmt/sqlite_ver3.h"
#ifdef SALVORAN_HAVE_SQLITE2FMT
#include "sqlite2fmt/sqlite_ver2.h"
#endif

namespace salvoran {

std::unique_ptr<sqlite_base> MakeParserForFormat(int32_t formatVersion) {
  switch (formatVersion) {
    case kFormatSqlite3:
      return std::make_unique<sqlite_ver3>();
#ifdef SALVORAN_HAVE_SQLITE2FMT
    case kFormatSqlite2:
      return std::make_unique<sqlite_ver2>();
#endif
    default:
      return nullptr;
  }
}

bool IsFormatSupported(int32_t formatVersion) {
#ifdef SALVORAN_HAVE_SQLITE2FMT
  if (formatVersion == kFormatSqlite2) return true;
#endif
  return formatVersion == kFormatSqlite3;
}

}  // namespace salvoran
