#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace salvoran::app {

std::string SingleInstanceLock::FileNameFor(const std::string& mutexName) {
  std::string name;
  for (char c : mutexName) name += (c == '\\' || c == '/') ? '_' : c;
  return name + ".lock";
}

SingleInstanceLock::SingleInstanceLock(std::string folder) {
  if (folder.empty()) {
    std::error_code ignored;
    folder = std::filesystem::temp_directory_path(ignored).string();
    if (folder.empty()) folder = "/tmp";
  }
  path_ = folder + "/" + FileNameFor(kInstanceMutexName);
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool SingleInstanceLock::TryAcquire() {
  if (fd_ >= 0) return true;
  int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);  // made by another user, not shared
  if (fd < 0) return false;
  // The umask may have narrowed the mode; every user must be able to lock it.
  ::fchmod(fd, 0666);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

}  // namespace salvoran::app
