// Creates the parser for a detected format.
#ifndef SALVORAN_CLI_PARSER_FACTORY_H_
#define SALVORAN_CLI_PARSER_FACTORY_H_

#include <cstdint>
#include <memory>

#include "recovery/sqlite_base.h"

namespace salvoran::cli {

// sqlite_ver3 for format 2, sqlite_ver2 for format 1 when this build has the
// SQLite 2 parser; nullptr otherwise.
std::unique_ptr<sqlite_base> MakeParserForFormat(int32_t formatVersion);

// Whether MakeParserForFormat can serve the format.
bool IsFormatSupported(int32_t formatVersion);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_PARSER_FACTORY_H_
