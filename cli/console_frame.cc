#include "cli/console_frame.h"

#include <cstdio>

namespace salvoran::cli {

ConsoleFrame::ConsoleFrame(bool quiet) : quiet_(quiet) {
  SetLogStream(quiet ? nullptr : stderr);
}

MessageAnswer ConsoleFrame::ShowMessage(const MessageRequest& request) {
  // Without a log stream the headless frame prints nothing, so the box is
  // printed here in the same form.
  if (quiet_) std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
  return HeadlessFrame::ShowMessage(request);
}

}  // namespace salvoran::cli
