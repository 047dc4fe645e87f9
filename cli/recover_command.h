// `salvoran-cli recover FILE [--to KIND] [--output PATH] [--table NAME]... [--yes]`:
// scans FILE, checks every object (or the named tables and the indexes,
// views and triggers on them) and saves them into a new database of the
// kind --to names (output_target.h; an SQLite 3 database by default),
// Repaired_<name> beside FILE unless --output says otherwise. A kind the
// input's format cannot be written to is refused as a usage error. Prints a
// progress bar on stderr when stderr is a terminal and a summary of what was
// written on stdout.
//
// An existing output is replaced only with --yes or after the question was
// answered y on a terminal; without a terminal it is left alone (exit 1).
#ifndef SALVORAN_CLI_RECOVER_COMMAND_H_
#define SALVORAN_CLI_RECOVER_COMMAND_H_

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/global_options.h"
#include "cli/output_target.h"
#include "recovery/save_report.h"

namespace salvoran::cli {

struct RecoverCommandOptions {
  std::string file;
  std::string output;
  std::vector<std::string> tables;
  bool yes = false;
  std::string to = kOutputTargets.front().name;  // a name of kOutputTargets
};

CLI::App* AddRecoverCommand(CLI::App& app, RecoverCommandOptions& options);
ExitCode RunRecoverCommand(const RecoverCommandOptions& options, const GlobalOptions& global);

// The summary printed after a save.
std::string SaveSummary(const SaveReport& report, size_t damageMessages);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_RECOVER_COMMAND_H_
