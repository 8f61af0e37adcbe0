// An advisory lock between processes (flock), held around each read-modify-write of the settings
// files so that one program's save never writes back over what another saved meanwhile.
#pragma once

#include <chrono>
#include <string>

namespace parvel {

// How long a program waits for another one's read-modify-write before giving up.
inline constexpr std::chrono::milliseconds kSettingsLockWait{60000};

// Holds an exclusive lock on an existing file or directory (nothing is created) for its life.
// The wait is bounded (by polling). It excludes other processes only: within one process a
// FileLock on a path already held succeeds at once, and the lock goes with the last of them.
class FileLock {
 public:
  explicit FileLock(const std::string& path, std::chrono::milliseconds wait = kSettingsLockWait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return held_; }
  // Why the lock is not held: the message for the user.
  const std::string& error() const { return error_; }

 private:
  std::string path_;
  bool held_ = false;
  std::string error_;
};

// The message a program shows when another one keeps `path` locked beyond the wait.
std::string LockTimeoutMessage(const std::string& path);

}  // namespace parvel
