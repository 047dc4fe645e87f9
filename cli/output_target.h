// The kinds of database `salvoran-cli recover --to` can write, in one table
// so that a new kind is one enum value and one row.
#ifndef SALVORAN_CLI_OUTPUT_TARGET_H_
#define SALVORAN_CLI_OUTPUT_TARGET_H_

#include <array>
#include <cstdint>
#include <string>

#include "recovery/recovery_context.h"

namespace salvoran::cli {

enum class OutputTarget { Sqlite3, Sqlite2 };

struct OutputTargetInfo {
  OutputTarget target;
  const char* name;           // the value of --to
  const char* description;    // for --help
  int32_t onlyForFormat;      // the input format it needs; kFormatNone: any
};

// The first row is the default.
inline constexpr std::array<OutputTargetInfo, 2> kOutputTargets = {{
    {OutputTarget::Sqlite3, "sqlite3", "an SQLite 3 database", kFormatNone},
    {OutputTarget::Sqlite2, "sqlite2", "an SQLite 2 database (SQLite 2 input only)", kFormatSqlite2},
}};

// The row of a --to name; the default row for a name not in the table.
const OutputTargetInfo& InfoOf(const std::string& name);

// "sqlite3 (an SQLite 3 database), sqlite2 (...)" for the help text.
std::string OutputTargetHelp();

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_OUTPUT_TARGET_H_
