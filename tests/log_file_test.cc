// The UTF-16 log file: its name, byte-order mark, separator, lines, and the
// rule that a second run within the same second appends to the same file.
#include "recovery/log_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "tests/support/test_support.h"

namespace salvoran::testing {
namespace {

// 5 March 2017, 09:07:30 local time.
std::time_t SampleTime() {
  std::tm local{};
  local.tm_mday = 5;
  local.tm_mon = 2;
  local.tm_year = 2017 - 1900;
  local.tm_hour = 9;
  local.tm_min = 7;
  local.tm_sec = 30;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

// The UTF-16LE bytes of text (ASCII only).
std::vector<uint8_t> Utf16le(const std::string& ascii) {
  std::vector<uint8_t> bytes;
  for (char c : ascii) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::vector<uint8_t> kBom = {0xFF, 0xFE};
const std::vector<uint8_t> kSeparator = Utf16le("\r\n" + std::string(80, '*') + "\r\n");

TEST(LogFileTest, NamesTheFileAfterTheLocalTimeWithoutLeadingZeros) {
  EXPECT_EQ(LogFile::FileNameFor(SampleTime()), "CorvaneSQLite_log_5-3-2017-9-7-30.txt");
}

TEST(LogFileTest, ANewFileStartsWithTheMarkAndTheSeparatorAndHoldsUtf16Lines) {
  ScratchDir dir;
  LogFile log;
  ASSERT_TRUE(log.Open(dir.path(), SampleTime()));
  EXPECT_EQ(log.path(), dir.File("CorvaneSQLite_log_5-3-2017-9-7-30.txt"));
  log.WriteLine(" File is Parsing ");
  log.WriteLine("caf\xC3\xA9 \xF0\x9F\x98\x80");  // é and an emoji beyond the BMP
  log.Close();
  const std::vector<uint8_t> nonAscii = {'c', 0, 'a', 0, 'f', 0, 0xE9, 0, ' ', 0, 0x3D, 0xD8, 0x00, 0xDE};
  EXPECT_EQ(ReadFileBytes(log.path()),
            Concat({kBom, kSeparator, Utf16le(" File is Parsing \r\n"), nonAscii, Utf16le("\r\n")}));
}

TEST(LogFileTest, ASecondOpenOfTheSameNameAppendsASeparatorWithoutASecondMark) {
  ScratchDir dir;
  {
    LogFile first;
    ASSERT_TRUE(first.Open(dir.path(), SampleTime()));
    first.WriteLine("first run");
  }
  LogFile second;
  ASSERT_TRUE(second.Open(dir.path() + "/", SampleTime()));  // a trailing "/" gets no second one
  EXPECT_EQ(second.path(), dir.File("CorvaneSQLite_log_5-3-2017-9-7-30.txt"));
  second.WriteLine("second run");
  second.Close();
  EXPECT_EQ(ReadFileBytes(second.path()), Concat({kBom, kSeparator, Utf16le("first run\r\n"), kSeparator,
                                                  Utf16le("second run\r\n")}));
}

TEST(LogFileTest, AMissingFolderIsCreated) {
  ScratchDir dir;
  const std::string folder = dir.File("a/b/Desktop");
  LogFile log;
  ASSERT_TRUE(log.Open(folder, SampleTime()));
  log.WriteLine("x");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(ReadFileBytes(log.path()), Concat({kBom, kSeparator, Utf16le("x\r\n")}));
}

TEST(LogFileTest, AFolderThatCannotBeMadeLeavesTheLogClosed) {
  ScratchDir dir;
  WriteFileBytes(dir.File("plain-file"), {1});
  LogFile log;
  EXPECT_FALSE(log.Open(dir.File("plain-file/logs"), SampleTime()));
  EXPECT_FALSE(log.IsOpen());
  log.WriteLine("goes nowhere");  // must not crash
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(LogFileTest, TheDesktopFolderComesFromTheUserDirsFileElseHomeDesktop) {
  ScratchDir dir;
  ScopedEnv home("HOME", dir.File("home"));
  ScopedEnv config("XDG_CONFIG_HOME", dir.File("config"));
  EXPECT_EQ(LogFile::DesktopFolder(), dir.File("home/Desktop"));

  std::filesystem::create_directories(dir.File("config"));
  std::ofstream(dir.File("config/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                   << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                                   << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
  EXPECT_EQ(LogFile::DesktopFolder(), dir.File("home/Schreibtisch"));
}

}  // namespace
}  // namespace salvoran::testing
