// The first step of every subcommand: find the database in the input file
// and scan its schema, as the desktop program's Open command does.
//
// DetectAndScan runs DetectFileSettings, BeginRecovery and RunScanWorker on
// the session's console frame. Afterwards the session holds the detected
// settings, the scanned context (reader, parser with its catalog) and the
// object tree, ready for a report, a table's rows or a save. The frame is
// declared before the context so that the parser, which points at the
// frame, goes first.
#ifndef SALVORAN_CLI_SCAN_SESSION_H_
#define SALVORAN_CLI_SCAN_SESSION_H_

#include <string>

#include "cli/console_frame.h"
#include "cli/exit_codes.h"
#include "cli/global_options.h"
#include "recovery/open_recovery.h"
#include "recovery/recovery_context.h"

namespace salvoran::cli {

struct ScanSession {
  explicit ScanSession(const GlobalOptions& options) : frame(options.quiet) {}
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;

  ConsoleFrame frame;
  RecoveryContext context;
  FileSettings settings;
  ScanOutcome outcome = ScanOutcome::NotScanned;
};

// Opens the log file when options ask for one, then detects and scans path.
// Returns Complete or FinishedWithErrors when the schema was scanned (the
// session then holds it), NoDatabase when no database was found or the file
// cannot be read, OutputNotWritable when the log file cannot be created.
ExitCode DetectAndScan(const std::string& path, const GlobalOptions& options, ScanSession& session);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_SCAN_SESSION_H_
