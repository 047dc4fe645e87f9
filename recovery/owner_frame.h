// The one seam between the recovery core and a user interface.
//
// Everything the core shows or asks goes through an OwnerFrame: log lines,
// the progress bar, message boxes (answered by the user or by a policy), the
// object tree, the record grid, the SQL text box and the caption. The Qt
// frame, the headless frame of the command line and the scripted frame of the
// tests implement it. Calls may come from a worker thread; a frame that owns
// a UI thread carries them out there and returns when they are done, so to
// the caller every call is synchronous.
//
// All texts are UTF-8.
#ifndef SALVORAN_RECOVERY_OWNER_FRAME_H_
#define SALVORAN_RECOVERY_OWNER_FRAME_H_

#include <cstdint>
#include <string>

#include "recovery/object_tree.h"
#include "recovery/record_grid.h"

namespace salvoran {

// The application title, also the caption of most message boxes.
inline constexpr const char* kAppTitle = "CorvaneTools Salvoran v1.0";

enum class MessageIcon { None, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
  std::string text;
  std::string caption = kAppTitle;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
};

class OwnerFrame {
 public:
  virtual ~OwnerFrame() = default;

  // One line to the log pane and the log file.
  virtual void LogLine(const std::string& text) = 0;
  virtual void SetProgressRange(int64_t upper) = 0;
  virtual void SetProgressPosition(int64_t position) = 0;
  virtual void ShowProgress(bool visible) = 0;
  // A modal message box; returns the button chosen.
  virtual MessageAnswer ShowMessage(const MessageRequest& request) = 0;
  virtual void SetCaptionText(const std::string& text) = 0;
  virtual void SetSqlText(const std::string& text) = 0;
  // Shows the record grid (true) or the SQL text box (false).
  virtual void ShowGrid(bool grid) = 0;

  virtual ObjectTree& Tree() = 0;
  virtual RecordGrid& Grid() = 0;

  // Shorthand for an OK box with the application title as caption.
  void Message(const std::string& text, MessageIcon icon = MessageIcon::None) {
    ShowMessage({text, kAppTitle, icon, MessageButtons::Ok});
  }
  void Message(const std::string& text, const std::string& caption, MessageIcon icon) {
    ShowMessage({text, caption, icon, MessageButtons::Ok});
  }
  bool AskYesNo(const std::string& text, MessageIcon icon = MessageIcon::None) {
    return ShowMessage({text, kAppTitle, icon, MessageButtons::YesNo}) == MessageAnswer::Yes;
  }
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_OWNER_FRAME_H_
