// One running copy of the program per machine.
//
// The lock is an exclusive advisory lock (flock) on a file named after the
// mutex name in the system temporary folder. The file is made readable and
// writable by every user, so a copy started by another user finds the lock
// too. The lock ends with the process, even when it ends abnormally, so no
// stale lock survives a crash.
#ifndef SALVORAN_APP_SINGLE_INSTANCE_H_
#define SALVORAN_APP_SINGLE_INSTANCE_H_

#include <string>

namespace salvoran::app {

inline constexpr const char* kInstanceMutexName = "Global\\{CORVANETOOLSSALVORANV1.0_EXE_RUNNING1}";

class SingleInstanceLock {
 public:
  // folder: where the lock file lives; empty means the temporary folder.
  explicit SingleInstanceLock(std::string folder = {});
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True when this process now holds the lock; false when another does.
  bool TryAcquire();
  const std::string& path() const { return path_; }

  // The lock file's name for a mutex name: the characters a file name
  // cannot hold become '_'.
  static std::string FileNameFor(const std::string& mutexName);

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_SINGLE_INSTANCE_H_
