// `salvoran-cli rows FILE TABLE [--csv]`: the recovered rows of one table,
// as the desktop program's grid shows them: a header line with the grid's
// column headers, then one line per row. Plain output separates the cells
// with tabs; --csv writes RFC 4180 CSV.
#ifndef SALVORAN_CLI_ROWS_COMMAND_H_
#define SALVORAN_CLI_ROWS_COMMAND_H_

#include <string>

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/global_options.h"

namespace salvoran::cli {

struct RowsCommandOptions {
  std::string file;
  std::string table;
  bool csv = false;
};

CLI::App* AddRowsCommand(CLI::App& app, RowsCommandOptions& options);
ExitCode RunRowsCommand(const RowsCommandOptions& options, const GlobalOptions& global);

// One CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_ROWS_COMMAND_H_
