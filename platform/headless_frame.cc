#include "platform/headless_frame.h"

#include <ctime>

namespace salvoran {

HeadlessFrame::HeadlessFrame()
    : policy_([](const MessageRequest& request) {
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
      }) {}

void HeadlessFrame::LogLine(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    logLines_.push_back(text);
  }
  if (stream_ != nullptr) std::fprintf(stream_, "%s\n", text.c_str());
  logFile_.WriteLine(text);
}

void HeadlessFrame::SetProgressRange(int64_t upper) {
  std::lock_guard lock(mutex_);
  ranges_.push_back(upper);
  range_ = upper;
}

void HeadlessFrame::SetProgressPosition(int64_t position) {
  int64_t range;
  {
    std::lock_guard lock(mutex_);
    positions_.push_back(position);
    range = range_;
  }
  if (progressListener_) progressListener_(position, range);
}

void HeadlessFrame::ShowProgress(bool visible) {
  std::lock_guard lock(mutex_);
  progressVisible_ = visible;
}

MessageAnswer HeadlessFrame::ShowMessage(const MessageRequest& request) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(request);
  }
  if (stream_ != nullptr) {
    std::fprintf(stream_, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
  }
  return policy_ ? policy_(request) : MessageAnswer::Ok;
}

void HeadlessFrame::SetCaptionText(const std::string& text) {
  std::lock_guard lock(mutex_);
  caption_ = text;
}

void HeadlessFrame::SetSqlText(const std::string& text) {
  std::lock_guard lock(mutex_);
  sqlText_ = text;
}

void HeadlessFrame::ShowGrid(bool grid) {
  std::lock_guard lock(mutex_);
  gridShown_ = grid;
}

bool HeadlessFrame::OpenLogFile(const std::string& folder) {
  return logFile_.Open(folder, std::time(nullptr));
}

std::vector<std::string> HeadlessFrame::logLines() const {
  std::lock_guard lock(mutex_);
  return logLines_;
}

std::vector<MessageRequest> HeadlessFrame::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<int64_t> HeadlessFrame::progressPositions() const {
  std::lock_guard lock(mutex_);
  return positions_;
}

std::vector<int64_t> HeadlessFrame::progressRanges() const {
  std::lock_guard lock(mutex_);
  return ranges_;
}

std::string HeadlessFrame::captionText() const {
  std::lock_guard lock(mutex_);
  return caption_;
}

std::string HeadlessFrame::sqlText() const {
  std::lock_guard lock(mutex_);
  return sqlText_;
}

bool HeadlessFrame::gridShown() const {
  std::lock_guard lock(mutex_);
  return gridShown_;
}

bool HeadlessFrame::progressVisible() const {
  std::lock_guard lock(mutex_);
  return progressVisible_;
}

void HeadlessFrame::ClearRecords() {
  std::lock_guard lock(mutex_);
  logLines_.clear();
  messages_.clear();
  positions_.clear();
  ranges_.clear();
}

}  // namespace salvoran
