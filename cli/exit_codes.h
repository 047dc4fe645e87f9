// The exit status of salvoran-cli, the same for every subcommand.
#ifndef SALVORAN_CLI_EXIT_CODES_H_
#define SALVORAN_CLI_EXIT_CODES_H_

namespace salvoran::cli {

enum class ExitCode : int {
  Complete = 0,           // everything was read
  FinishedWithErrors = 1, // damage was met; what could be read was still listed or written
  UsageError = 2,         // the command line is wrong
  NoDatabase = 3,         // no SQLite database found, or the input cannot be opened
  OutputNotWritable = 4,  // the report, the log file or the output cannot be written
};

inline int ToStatus(ExitCode code) { return static_cast<int>(code); }

// The table printed at the end of --help.
inline constexpr const char* kExitCodeHelp =
    "Exit codes:\n"
    "  0  complete\n"
    "  1  finished with errors (what could be read was still listed or written)\n"
    "  2  usage error\n"
    "  3  no SQLite database found, or the input cannot be opened\n"
    "  4  the output cannot be written";

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_EXIT_CODES_H_
