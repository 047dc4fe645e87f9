// salvoran-cli: salvages the contents of damaged SQLite databases from the
// command line. Every subcommand starts with DetectAndScan (scan_session.h)
// and adds its own work after it; the exit status is one of exit_codes.h.
#include <string>

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/global_options.h"
#include "cli/recover_command.h"
#include "cli/rows_command.h"
#include "cli/scan_command.h"

namespace {

using salvoran::cli::ExitCode;
using salvoran::cli::ToStatus;

void AddGlobalOptions(CLI::App& app, salvoran::cli::GlobalOptions& options) {
  app.add_option("--log-dir", options.logDir,
                 "Write the log file (UTF-16, CorvaneSQLite_log_<time>.txt) into DIR, creating it if needed")
      ->type_name("DIR");
  app.add_flag("-q,--quiet", options.quiet, "Do not print log lines on stderr (messages are still shown)");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"salvoran-cli " SALVORAN_VERSION
               " - salvages the contents of damaged SQLite 3 and SQLite 2 databases\n"
               "by reading their pages itself. The input file is never written to.",
               "salvoran-cli"};
  app.set_version_flag("--version", "salvoran-cli " SALVORAN_VERSION);
  app.footer(salvoran::cli::kExitCodeHelp);
  app.require_subcommand(1, 1);
  app.fallthrough();  // global options are accepted after the subcommand too

  salvoran::cli::GlobalOptions global;
  AddGlobalOptions(app, global);
  salvoran::cli::ScanCommandOptions scanOptions;
  CLI::App* scan = salvoran::cli::AddScanCommand(app, scanOptions);
  salvoran::cli::RowsCommandOptions rowsOptions;
  CLI::App* rows = salvoran::cli::AddRowsCommand(app, rowsOptions);
  salvoran::cli::RecoverCommandOptions recoverOptions;
  CLI::App* recover = salvoran::cli::AddRecoverCommand(app, recoverOptions);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // --help and --version end here with status 0; every real error is a usage error.
    return app.exit(error) == 0 ? ToStatus(ExitCode::Complete) : ToStatus(ExitCode::UsageError);
  }

  if (scan->parsed()) return ToStatus(salvoran::cli::RunScanCommand(scanOptions, global));
  if (rows->parsed()) return ToStatus(salvoran::cli::RunRowsCommand(rowsOptions, global));
  if (recover->parsed()) return ToStatus(salvoran::cli::RunRecoverCommand(recoverOptions, global));
  return ToStatus(ExitCode::UsageError);
}
