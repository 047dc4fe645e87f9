// `salvoran-cli scan FILE [--json]`: detects the database in FILE, scans its
// schema and prints what was found (format, start offset, page size,
// encoding, page count, the object tree with each table's columns), as text
// or as one JSON object.
#ifndef SALVORAN_CLI_SCAN_COMMAND_H_
#define SALVORAN_CLI_SCAN_COMMAND_H_

#include <string>

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/global_options.h"

namespace salvoran::cli {

struct ScanCommandOptions {
  std::string file;
  bool json = false;
};

// Adds the subcommand to app; its options are stored in options when the
// command line is parsed.
CLI::App* AddScanCommand(CLI::App& app, ScanCommandOptions& options);

ExitCode RunScanCommand(const ScanCommandOptions& options, const GlobalOptions& global);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_SCAN_COMMAND_H_
