#include "recovery/log_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "recovery/text.h"

namespace salvoran {

std::string LogFile::FileNameFor(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "CorvaneSQLite_log_%d-%d-%d-%d-%d-%d.txt", local.tm_mday,
                local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
  return buffer;
}

std::string LogFile::DesktopFolder() {
  const char* home = std::getenv("HOME");
  std::string homeDir = home ? home : ".";
  // The XDG user-dirs file names the desktop as XDG_DESKTOP_DIR="$HOME/...".
  std::string config = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : homeDir + "/.config";
  std::ifstream dirs(config + "/user-dirs.dirs");
  std::string line;
  while (std::getline(dirs, line)) {
    const std::string key = "XDG_DESKTOP_DIR=\"";
    if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = homeDir + value.substr(5);
    if (!value.empty()) return value;
  }
  return homeDir + "/Desktop";
}

bool LogFile::Open(const std::string& folder, std::time_t when) {
  Close();
  std::lock_guard lock(mutex_);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  std::string dir = folder;
  if (dir.empty() || dir.back() != '/') dir += '/';
  path_ = dir + FileNameFor(when);
  bool existed = std::filesystem::exists(path_, ignored);
  file_ = std::fopen(path_.c_str(), existed ? "r+b" : "w+b");
  if (file_ == nullptr) return false;
  if (existed) {
    std::fseek(file_, 0, SEEK_END);
  } else {
    static const unsigned char kBom[2] = {0xFF, 0xFE};
    std::fwrite(kBom, 1, 2, file_);
  }
  WriteUtf16(u"\r\n" + std::u16string(80, u'*') + u"\r\n");
  return true;
}

void LogFile::WriteLine(const std::string& utf8Text) {
  std::lock_guard lock(mutex_);
  if (file_ == nullptr) return;
  WriteUtf16(Utf8ToUtf16(utf8Text) + u"\r\n");
}

void LogFile::WriteUtf16(const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file_);
  std::fflush(file_);
}

void LogFile::Close() {
  std::lock_guard lock(mutex_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace salvoran
