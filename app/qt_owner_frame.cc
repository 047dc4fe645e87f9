#include "app/qt_owner_frame.h"

#include <QMessageBox>

#include "app/main_frame.h"
#include "app/ui_thread.h"

namespace salvoran::app {

QtOwnerFrame::QtOwnerFrame(CMainFrame& frame, ObjectTree& tree, RecordGrid& grid)
    : frame_(frame), tree_(tree), grid_(grid) {}

void QtOwnerFrame::LogLine(const std::string& text) {
  RunOnUiThread(&frame_, [&] { frame_.InsertLogLine(QString::fromStdString(text)); });
  frame_.logFile().WriteLine(text);
}

void QtOwnerFrame::SetProgressRange(int64_t upper) {
  RunOnUiThread(&frame_, [&] { frame_.SetProgressRange(upper); });
}

void QtOwnerFrame::SetProgressPosition(int64_t position) {
  RunOnUiThread(&frame_, [&] { frame_.SetProgressPosition(position); });
}

void QtOwnerFrame::ShowProgress(bool visible) {
  RunOnUiThread(&frame_, [&] { frame_.ShowProgressBar(visible); });
}

MessageAnswer QtOwnerFrame::ShowMessage(const MessageRequest& request) {
  MessageAnswer answer = MessageAnswer::Ok;
  RunOnUiThread(&frame_, [&] {
    if (answerHook_) {
      answer = answerHook_(request);
      return;
    }
    QMessageBox box(&frame_);
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(QString::fromStdString(request.text));
    switch (request.icon) {
      case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
      case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
      case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    if (request.buttons == MessageButtons::YesNo) {
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      answer = box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    } else {
      box.setStandardButtons(QMessageBox::Ok);
      box.exec();
      answer = MessageAnswer::Ok;
    }
  });
  return answer;
}

void QtOwnerFrame::SetCaptionText(const std::string& text) {
  RunOnUiThread(&frame_, [&] { frame_.SetCaptionText(QString::fromStdString(text)); });
}

void QtOwnerFrame::SetSqlText(const std::string& text) {
  RunOnUiThread(&frame_, [&] { frame_.SetSqlText(QString::fromStdString(text)); });
}

void QtOwnerFrame::ShowGrid(bool grid) {
  RunOnUiThread(&frame_, [&] { frame_.ShowGrid(grid); });
}

}  // namespace salvoran::app
