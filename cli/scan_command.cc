#include "cli/scan_command.h"

#include "cli/console_output.h"
#include "cli/json_report.h"
#include "cli/scan_report.h"
#include "cli/scan_session.h"
#include "cli/text_report.h"

namespace salvoran::cli {

CLI::App* AddScanCommand(CLI::App& app, ScanCommandOptions& options) {
  CLI::App* command = app.add_subcommand("scan", "Find the database in FILE and list the objects of its schema");
  command->add_option("FILE", options.file, "The database file to examine (it is only read)")
      ->required()
      ->type_name("FILE");
  command->add_flag("--json", options.json, "Print the report as one JSON object");
  command->footer(kExitCodeHelp);
  return command;
}

ExitCode RunScanCommand(const ScanCommandOptions& options, const GlobalOptions& global) {
  ScanSession session(global);
  ExitCode code = DetectAndScan(options.file, global, session);
  if (code != ExitCode::Complete && code != ExitCode::FinishedWithErrors) return code;

  ScanReport report = BuildScanReport(session);
  std::string text = options.json ? ScanReportToJson(report) : ScanReportToText(report);
  if (!WriteToStdout(text)) return ExitCode::OutputNotWritable;
  return code;
}

}  // namespace salvoran::cli
