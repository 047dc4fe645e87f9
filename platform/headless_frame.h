// An owner frame without a window, for the command line and the tests.
//
// Log lines go to a stream (stderr by default, none when set to nullptr) and,
// once OpenLogFile succeeded, to the log file. Message boxes are printed to
// the same stream with their caption and answered by the answer policy; by
// default an OK box is answered OK and a Yes/No question No, so that nothing
// is replaced without consent. Every call is recorded for inspection. The
// tree and the grid are the core's in-memory models.
#ifndef SALVORAN_PLATFORM_HEADLESS_FRAME_H_
#define SALVORAN_PLATFORM_HEADLESS_FRAME_H_

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "recovery/log_file.h"
#include "recovery/owner_frame.h"

namespace salvoran {

class HeadlessFrame : public OwnerFrame {
 public:
  using AnswerPolicy = std::function<MessageAnswer(const MessageRequest&)>;
  using ProgressListener = std::function<void(int64_t position, int64_t range)>;

  HeadlessFrame();

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

  void SetLogStream(std::FILE* stream) { stream_ = stream; }
  void SetAnswerPolicy(AnswerPolicy policy) { policy_ = std::move(policy); }
  void SetProgressListener(ProgressListener listener) { progressListener_ = std::move(listener); }
  bool OpenLogFile(const std::string& folder);
  const LogFile& logFile() const { return logFile_; }

  // What was shown so far.
  std::vector<std::string> logLines() const;
  std::vector<MessageRequest> messages() const;
  std::vector<int64_t> progressPositions() const;
  std::vector<int64_t> progressRanges() const;
  std::string captionText() const;
  std::string sqlText() const;
  bool gridShown() const;
  bool progressVisible() const;
  void ClearRecords();

 private:
  mutable std::mutex mutex_;
  std::FILE* stream_ = stderr;
  AnswerPolicy policy_;
  ProgressListener progressListener_;
  LogFile logFile_;
  ObjectTree tree_;
  RecordGrid grid_;
  std::vector<std::string> logLines_;
  std::vector<MessageRequest> messages_;
  std::vector<int64_t> positions_;
  std::vector<int64_t> ranges_;
  int64_t range_ = 0;
  std::string caption_;
  std::string sqlText_;
  bool gridShown_ = false;
  bool progressVisible_ = false;
};

}  // namespace salvoran

#endif  // SALVORAN_PLATFORM_HEADLESS_FRAME_H_
