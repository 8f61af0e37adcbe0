#include "platform/filebuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace parvel {

bool ReadFileIntoBuffer(const std::string& path, std::vector<std::uint8_t>& buffer,
                        std::size_t* used_out, FileStamp* stamp) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  std::size_t used = 0;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok && stamp) {
    *stamp = {static_cast<std::uint64_t>(st.st_size),
              static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
  }
  if (ok) {
    const std::size_t need = static_cast<std::size_t>(st.st_size) + 1;
    if (buffer.size() < need) buffer.resize(need);
    while (true) {
      if (used == buffer.size()) buffer.resize(buffer.size() * 2);
      const ssize_t n = ::read(fd, buffer.data() + used, buffer.size() - used);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      used += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  *used_out = used;
  return ok;
}

// The first `limit` bytes of a file (all of it when shorter) and its size.
bool ReadFileHead(const std::string& path, std::size_t limit, std::vector<std::uint8_t>* head,
                  std::uint64_t* size, std::string* error) {
  // Non-blocking: opening a pipe named like a picture would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok && error) *error = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
  if (ok) {
    *size = static_cast<std::uint64_t>(st.st_size);
    head->resize(static_cast<std::size_t>(std::min<std::uint64_t>(*size, limit)));
    std::size_t used = 0;
    while (used < head->size()) {
      const ssize_t n = ::read(fd, head->data() + used, head->size() - used);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        if (error) *error = std::strerror(errno);
      }
      if (n <= 0) break;
      used += static_cast<std::size_t>(n);
    }
    head->resize(used);
  }
  ::close(fd);
  return ok;
}

}  // namespace parvel
