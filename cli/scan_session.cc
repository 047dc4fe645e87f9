#include "cli/scan_session.h"

#include <cstdio>

#include "parsers/parser_factory.h"
#include "recovery/detection.h"

namespace salvoran::cli {

ExitCode DetectAndScan(const std::string& path, const GlobalOptions& options, ScanSession& session) {
  if (!options.logDir.empty() && !session.frame.OpenLogFile(options.logDir)) {
    std::fprintf(stderr, "salvoran-cli: cannot write a log file in %s\n", options.logDir.c_str());
    return ExitCode::OutputNotWritable;
  }

  session.settings = DetectFileSettings(path, session.frame);
  if (session.settings.formatVersion == kFormatNone) return ExitCode::NoDatabase;
  if (!IsFormatSupported(session.settings.formatVersion)) {
    std::fprintf(stderr, "salvoran-cli: %s holds an SQLite 2 database, which this build cannot read\n",
                 path.c_str());
    return ExitCode::NoDatabase;
  }

  BeginRecovery(session.context, session.frame, session.settings);
  session.outcome = RunScanWorker(session.context, session.frame, MakeParserForFormat);
  switch (session.outcome) {
    case ScanOutcome::Complete:
      return ExitCode::Complete;
    case ScanOutcome::EndedWithErrors:
      return ExitCode::FinishedWithErrors;
    case ScanOutcome::NotScanned:
      break;
  }
  return ExitCode::NoDatabase;
}

}  // namespace salvoran::cli
