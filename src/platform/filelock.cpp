// flock with a bounded wait and nesting within a process: the standard library has neither.
#include "platform/filelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace parvel {
namespace {

// flock locks belong to an open file, so a second open in the same process would wait for the
// first: this process's holdings are counted by path instead.
struct Holding {
  int count = 0;
  int fd = -1;
};
std::mutex g_mutex;
std::map<std::string, Holding>& Held() {
  static std::map<std::string, Holding> held;
  return held;
}

}  // namespace

std::string LockTimeoutMessage(const std::string& path) {
  return "The settings in " + path +
         " are being changed by another program and stayed locked too long; nothing was saved. "
         "Try again when it has finished.";
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) : path_(path) {
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    auto it = Held().find(path_);
    if (it != Held().end()) {
      ++it->second.count;
      held_ = true;
      return;
    }
  }
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error_ = path_ + ": " + std::strerror(errno);
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      error_ = path_ + ": " + std::strerror(errno);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      error_ = LockTimeoutMessage(path_);
      break;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  if (!error_.empty()) {
    ::close(fd);
    return;
  }
  std::lock_guard<std::mutex> guard(g_mutex);
  Held()[path_] = Holding{1, fd};
  held_ = true;
}

FileLock::~FileLock() {
  if (!held_) return;
  std::lock_guard<std::mutex> guard(g_mutex);
  auto it = Held().find(path_);
  if (it == Held().end() || --it->second.count > 0) return;
  ::close(it->second.fd);  // closing releases the lock
  Held().erase(it);
}

}  // namespace parvel
