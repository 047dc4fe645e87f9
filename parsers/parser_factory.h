// Creates the parser for a detected format; the one factory of the programs
// (desktop and command line) and the tests.
#ifndef SALVORAN_PARSERS_PARSER_FACTORY_H_
#define SALVORAN_PARSERS_PARSER_FACTORY_H_

#include <cstdint>
#include <memory>

#include "recovery/sqlite_base.h"

namespace salvoran {

// sqlite_ver3 for kFormatSqlite3, sqlite_ver2 for kFormatSqlite2 when this
// build has the SQLite 2 parser; nullptr otherwise.
std::unique_ptr<sqlite_base> MakeParserForFormat(int32_t formatVersion);

// Whether MakeParserForFormat can serve the format.
bool IsFormatSupported(int32_t formatVersion);

}  // namespace salvoran

#endif  // SALVORAN_PARSERS_PARSER_FACTORY_H_
