// The log file: "CorvaneSQLite_log_" + d-m-yyyy-h-m-s + ".txt" in the user's
// desktop folder, UTF-16 little-endian. A new file starts with the byte-order
// mark FF FE; every run appends a separator (CR LF, 80 asterisks, CR LF) and
// then each line's code units followed by CR LF. Writes go straight to the
// file.
#ifndef SALVORAN_RECOVERY_LOG_FILE_H_
#define SALVORAN_RECOVERY_LOG_FILE_H_

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace salvoran {

class LogFile {
 public:
  LogFile() = default;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  ~LogFile() { Close(); }

  // Opens (or creates) the log file named after `when` in folder, creating
  // the folder when it is missing, and writes the separator. False when the
  // file cannot be opened; the program then runs without a log file.
  bool Open(const std::string& folder, std::time_t when);
  void WriteLine(const std::string& utf8Text);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  // "CorvaneSQLite_log_5-3-2017-9-7-30.txt" for that local time.
  static std::string FileNameFor(std::time_t when);
  // $XDG_DESKTOP_DIR from user-dirs.dirs, else $HOME/Desktop.
  static std::string DesktopFolder();

 private:
  void WriteUtf16(const std::u16string& text);

  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_LOG_FILE_H_
