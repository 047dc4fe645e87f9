#include "cli/console_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace salvoran::cli {

bool WriteToStdout(const std::string& text) {
  errno = 0;
  bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
  written = std::fflush(stdout) == 0 && written && !std::ferror(stdout);
  if (!written) {
    std::fprintf(stderr, "salvoran-cli: cannot write the report: %s\n",
                 errno != 0 ? std::strerror(errno) : "write error");
  }
  return written;
}

}  // namespace salvoran::cli
