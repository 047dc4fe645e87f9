// Options that every subcommand understands.
#ifndef SALVORAN_CLI_GLOBAL_OPTIONS_H_
#define SALVORAN_CLI_GLOBAL_OPTIONS_H_

#include <string>

namespace salvoran::cli {

struct GlobalOptions {
  std::string logDir;  // where the log file is written; empty: no log file
  bool quiet = false;  // no log lines on stderr (message boxes are still shown)
};

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_GLOBAL_OPTIONS_H_
