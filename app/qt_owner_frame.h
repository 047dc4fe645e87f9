// The owner frame of the desktop program.
//
// The core calls it from the user-interface thread or from a worker; every
// call that touches a widget is carried out on the user-interface thread
// while the caller waits. The log file is written on the calling thread.
// Message boxes go to the answer hook when one is set (the tests answer
// them so), otherwise to a modal QMessageBox over the main window.
#ifndef SALVORAN_APP_QT_OWNER_FRAME_H_
#define SALVORAN_APP_QT_OWNER_FRAME_H_

#include <functional>

#include "recovery/owner_frame.h"

namespace salvoran::app {

class CMainFrame;

using AnswerHook = std::function<MessageAnswer(const MessageRequest&)>;

class QtOwnerFrame : public OwnerFrame {
 public:
  QtOwnerFrame(CMainFrame& frame, ObjectTree& tree, RecordGrid& grid);

  void LogLine(const std::string& text) override;
  void SetProgressRange(int64_t upper) override;
  void SetProgressPosition(int64_t position) override;
  void ShowProgress(bool visible) override;
  MessageAnswer ShowMessage(const MessageRequest& request) override;
  void SetCaptionText(const std::string& text) override;
  void SetSqlText(const std::string& text) override;
  void ShowGrid(bool grid) override;
  ObjectTree& Tree() override { return tree_; }
  RecordGrid& Grid() override { return grid_; }

  void SetAnswerHook(AnswerHook hook) { answerHook_ = std::move(hook); }

 private:
  CMainFrame& frame_;
  ObjectTree& tree_;
  RecordGrid& grid_;
  AnswerHook answerHook_;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_QT_OWNER_FRAME_H_
