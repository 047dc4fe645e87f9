// The parsers the desktop program creates for a detected format.
#ifndef SALVORAN_APP_PARSER_FACTORY_H_
#define SALVORAN_APP_PARSER_FACTORY_H_

#include <memory>

#include "recovery/sqlite_base.h"

namespace salvoran::app {

// sqlite_ver3 for SQLite 3; sqlite_ver2 for SQLite 2 when that parser is
// built; nullptr otherwise.
std::unique_ptr<sqlite_base> MakeParser(int32_t formatVersion);

}  // namespace salvoran::app

#endif  // SALVORAN_APP_PARSER_FACTORY_H_
