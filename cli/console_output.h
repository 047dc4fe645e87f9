// Writing a report to standard output.
#ifndef SALVORAN_CLI_CONSOLE_OUTPUT_H_
#define SALVORAN_CLI_CONSOLE_OUTPUT_H_

#include <string>

namespace salvoran::cli {

// Writes text to stdout and flushes it; false when it could not be written
// (a closed pipe, a full disk), after saying so on stderr.
bool WriteToStdout(const std::string& text);

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_CONSOLE_OUTPUT_H_
