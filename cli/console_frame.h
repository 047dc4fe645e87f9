// The owner frame of the command line: a headless frame that prints log
// lines and message boxes on stderr and answers every box OK, every Yes/No
// question No, so that nothing is replaced without consent.
//
// Quiet mode drops the log lines from stderr (the log file still gets them);
// message boxes are always printed, as they carry the errors.
#ifndef SALVORAN_CLI_CONSOLE_FRAME_H_
#define SALVORAN_CLI_CONSOLE_FRAME_H_

#include "platform/headless_frame.h"

namespace salvoran::cli {

class ConsoleFrame : public HeadlessFrame {
 public:
  explicit ConsoleFrame(bool quiet);
  MessageAnswer ShowMessage(const MessageRequest& request) override;

 private:
  bool quiet_;
};

}  // namespace salvoran::cli

#endif  // SALVORAN_CLI_CONSOLE_FRAME_H_
