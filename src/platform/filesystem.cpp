#include "platform/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "platform/trash.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTemporaryPrefix = ".parvel-tmp-";
// The target's name is cut so that the temporary name stays within the system's name limit.
constexpr size_t kTemporaryNameKeep = 64;

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

bool FailErrno(std::string* error, const std::string& what, int err) {
  return Fail(error, what + ": " + std::strerror(err));
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Creates a new file beside `target` under a write temporary's name and opens it for writing.
// Made with mode 0666, so that the system applies the umask as for any new file of the user's.
// -1 with errno on failure.
int OpenTemporaryBeside(const std::string& target, std::string* temporary) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix = ".";
    for (int i = 0; i < 6; ++i) suffix += kLetters[random() % (sizeof(kLetters) - 1)];
    *temporary = WriteTemporaryName(target, suffix);
    const int fd =
        ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Gives the open temporary `fd` the mode of the file `target` it replaces; a new file keeps the
// mode it was made with.
bool KeepMode(int fd, const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) return true;
  return ::fchmod(fd, st.st_mode & 07777) == 0;
}

class DiskFileSystem : public FileSystem {
 public:
  bool WriteFileAtomic(const std::string& path, std::string_view contents,
                       std::string* error) override {
    return WriteViaTemporary(path, contents, true, error);
  }

  bool WriteFileReplace(const std::string& path, std::string_view contents,
                        std::string* error) override {
    return WriteViaTemporary(path, contents, false, error);
  }

  bool WriteViaTemporary(const std::string& path, std::string_view contents, bool durable,
                         std::string* error) {
    std::string target;
    if (!ResolveWriteTarget(path, &target, error) || !MayReplace(target, error)) return false;
    std::string temporary;
    const int fd = OpenTemporaryBeside(target, &temporary);
    if (fd < 0) return FailErrno(error, path, errno);
    bool ok = KeepMode(fd, target) && WriteAll(fd, contents) && (!durable || ::fsync(fd) == 0);
    int err = errno;
    if (::close(fd) != 0 && ok) {
      ok = false;
      err = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
      ok = false;
      err = errno;
    }
    if (!ok) {
      ::unlink(temporary.c_str());
      return FailErrno(error, path, err);
    }
    return true;
  }

  bool CopyFile(const std::string& from, const std::string& to, std::string* error) override {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return FailErrno(error, from, errno);
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
      const int err = errno;
      ::close(in);
      return Fail(error, from + ": " + (err ? std::strerror(err) : "not a regular file"));
    }
    // 0666: the system takes the umask (and a folder's default permissions) off, as for any
    // file the user makes; O_EXCL with O_NOFOLLOW fails on anything at `to`, a link included.
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out < 0) {
      const int err = errno;
      ::close(in);
      return FailErrno(error, to, err);
    }
    bool ok = true;
    int err = 0;
    std::vector<char> buffer(256 * 1024);
    for (;;) {
      const ssize_t n = ::read(in, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        err = errno;
        break;
      }
      if (n == 0) break;
      if (!WriteAll(out, std::string_view(buffer.data(), static_cast<size_t>(n)))) {
        ok = false;
        err = errno;
        break;
      }
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
      ok = false;
      err = errno;
    }
    if (!ok) {
      ::unlink(to.c_str());
      return FailErrno(error, from, err);
    }
    return true;
  }

  bool CreateDirectory(const std::string& path, std::string* error) override {
    if (::mkdir(path.c_str(), 0777) != 0) return FailErrno(error, path, errno);
    return true;
  }

  bool Remove(const std::string& path, std::string* error) override {
    std::error_code ec;
    if (!fs::remove(path, ec)) return Fail(error, path + ": " + (ec ? ec.message() : "not found"));
    return true;
  }

  bool RemoveAll(const std::string& path, std::string* error) override {
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec) return Fail(error, path + ": " + ec.message());
    return true;
  }

  bool MakeWritable(const std::string& path, std::string* error) override {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec) return Fail(error, path + ": " + ec.message());
    return true;
  }

  bool Rename(const std::string& from, const std::string& to, std::string* error) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return FailErrno(error, from, errno);
    return true;
  }

  bool Exchange(const std::string& a, const std::string& b, std::string* error) override {
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return true;
    // Systems and file systems without the one-step swap say so with these.
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
      return FailErrno(error, a, errno);
    return FileSystem::Exchange(a, b, error);
  }
};

FileSystem* g_current = nullptr;

}  // namespace

bool FileSystem::Exchange(const std::string& a, const std::string& b, std::string* error) {
  const std::string parked = ExchangeTemporaryName(b);
  if (!PathExists(a) || !PathExists(b)) return Fail(error, a + ": nothing to swap with " + b);
  if (PathExists(parked)) return Fail(error, parked + ": in the way of a swap");
  if (!Rename(b, parked, error)) return false;
  if (!Rename(a, b, error)) {
    Rename(parked, b, nullptr);
    return false;
  }
  if (!Rename(parked, a, error)) {
    if (Rename(b, a, nullptr)) Rename(parked, b, nullptr);
    return false;
  }
  return true;
}

bool FileSystem::Link(const std::string& from, const std::string& to, std::string* error) {
  if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) {
    return FailErrno(error, to, errno);
  }
  return true;
}

bool FileSystem::ListDirectory(const std::string& directory, std::vector<DirectoryEntry>* entries,
                               std::string* error) {
  // Read with readdir rather than a directory iterator: a site folder holds tens of thousands of
  // files, and the iterator builds and parses a path for each.
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return FailErrno(error, directory, errno);
  const int fd = ::dirfd(dir);
  errno = 0;
  while (const dirent* d = ::readdir(dir)) {
    const std::string_view name(d->d_name);
    if (name != "." && name != "..") {
      // The listing's own type where the system gives one; a link costs one look at its target.
      struct stat st {};
      unsigned char type = d->d_type;
      if (type == DT_UNKNOWN && ::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        type = IFTODT(st.st_mode);
      }
      DirectoryEntry entry;
      entry.name = name;
      entry.is_link = type == DT_LNK;
      if (entry.is_link) {
        const bool target = ::fstatat(fd, d->d_name, &st, 0) == 0;
        entry.is_directory = target && S_ISDIR(st.st_mode);
        entry.is_regular_file = target && S_ISREG(st.st_mode);
      } else {
        entry.is_directory = type == DT_DIR;
        entry.is_regular_file = type == DT_REG;
      }
      entries->push_back(std::move(entry));
    }
    errno = 0;
  }
  const int err = errno;
  ::closedir(dir);
  if (err != 0) return FailErrno(error, directory, err);
  return true;
}

bool FileSystem::ReplaceWithCopy(const std::string& from, const std::string& to,
                                 std::string* error) {
  std::string target;
  if (!ResolveWriteTarget(to, &target, error) || !MayReplace(target, error)) return false;
  const std::string temporary = WriteTemporaryName(target, ".copy");
  if (PathExists(temporary)) Remove(temporary, nullptr);
  if (!CopyFile(from, temporary, error)) return false;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && ::chmod(temporary.c_str(), st.st_mode & 07777) != 0) {
    const int err = errno;
    Remove(temporary, nullptr);
    return FailErrno(error, to, err);
  }
  if (!Rename(temporary, target, error)) {
    Remove(temporary, nullptr);
    return false;
  }
  return true;
}

bool ResolveWriteTarget(const std::string& path, std::string* target, std::string* error) {
  // The system's own limit on links followed in one lookup.
  constexpr int kMaxLinks = 40;
  fs::path current(path);
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(current, ec);
    if (ec || !fs::is_symlink(status)) {
      *target = current.string();
      return true;
    }
    const fs::path next = fs::read_symlink(current, ec);
    if (ec) return Fail(error, path + ": " + ec.message());
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return FailErrno(error, path, ELOOP);
}

bool MayReplace(const std::string& path, std::string* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return true;  // nothing there to refuse
  const bool refused = ::access(path.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0;
  if (refused) return FailErrno(error, path, EACCES);
  return true;
}

TrashResult FileSystem::MoveToTrash(const std::string& path, std::string* error) {
  return TrashPath(path, error);
}

std::string ExchangeTemporaryName(const std::string& b) {
  fs::path p = fs::path(b).lexically_normal();
  if (!p.has_filename() && p.has_parent_path()) p = p.parent_path();
  return (p.parent_path() / ("." + p.filename().string() + ".exchange")).string();
}

std::string WriteTemporaryName(const std::string& path, std::string_view suffix) {
  const fs::path target(path);
  const std::string name_kept = target.filename().string().substr(0, kTemporaryNameKeep);
  return (target.parent_path() / (std::string(kTemporaryPrefix) + name_kept + std::string(suffix)))
      .string();
}

bool IsWriteTemporaryName(std::string_view file_name) {
  return file_name.size() > kTemporaryPrefix.size() &&
         file_name.substr(0, kTemporaryPrefix.size()) == kTemporaryPrefix;
}

int RemoveStaleTemporaries(const std::string& directory) {
  std::vector<DirectoryEntry> entries;
  Files().ListDirectory(directory, &entries, nullptr);
  std::vector<std::string> stale;
  for (const DirectoryEntry& entry : entries) {
    if (IsWriteTemporaryName(entry.name) && entry.is_regular_file) {
      stale.push_back((fs::path(directory) / entry.name).string());
    }
  }
  int removed = 0;
  for (const auto& path : stale) removed += Files().Remove(path, nullptr) ? 1 : 0;
  return removed;
}

FileSystem& RealFileSystem() {
  static DiskFileSystem disk;
  return disk;
}

FileSystem& Files() {
  return g_current ? *g_current : RealFileSystem();
}

ScopedFileSystem::ScopedFileSystem(FileSystem& fs) : previous_(g_current) {
  g_current = &fs;
}
ScopedFileSystem::~ScopedFileSystem() {
  g_current = previous_;
}

bool ReadWholeFile(const std::string& path, std::string* out, std::uint64_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > limit) return false;
  in.seekg(0, std::ios::beg);
  out->assign(static_cast<size_t>(size), '\0');
  if (size > 0 && !in.read(out->data(), size)) return false;
  return true;
}

bool ReadPlainFile(const std::string& path, std::uint64_t limit, std::string* text) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  return ReadWholeFile(path, text, limit);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool FileHolds(const std::string& path, std::string_view contents) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) == contents.size();
  char buffer[64 * 1024];
  while (same && !contents.empty()) {
    const ssize_t n = ::read(fd, buffer, std::min(sizeof(buffer), contents.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      same = false;
      break;
    }
    same = std::memcmp(buffer, contents.data(), static_cast<size_t>(n)) == 0;
    contents.remove_prefix(static_cast<size_t>(n));
  }
  // A file that grew since the size was taken is not the same either.
  same = same && ::read(fd, buffer, 1) == 0;
  ::close(fd);
  return same;
}

bool FileHoldsCopyOf(const std::string& target, const std::string& source) {
  const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) return false;
  const int to = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (to < 0) {
    ::close(from);
    return false;
  }
  struct stat a {};
  struct stat b {};
  bool same = ::fstat(from, &a) == 0 && ::fstat(to, &b) == 0 && S_ISREG(a.st_mode) &&
              S_ISREG(b.st_mode) && a.st_size == b.st_size;
  // Read in step; either file ending first (or growing meanwhile) makes them differ.
  std::vector<char> left(64 * 1024);
  std::vector<char> right(left.size());
  const auto fill = [](int fd, std::vector<char>& buffer) -> ssize_t {
    std::size_t used = 0;
    while (used < buffer.size()) {
      const ssize_t n = ::read(fd, buffer.data() + used, buffer.size() - used);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(used);
  };
  while (same) {
    const ssize_t n = fill(from, left);
    const ssize_t m = fill(to, right);
    if (n < 0 || n != m) {
      same = false;
    } else if (n == 0) {
      break;
    } else {
      same = std::memcmp(left.data(), right.data(), static_cast<std::size_t>(n)) == 0;
    }
  }
  ::close(from);
  ::close(to);
  return same;
}

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileStamp{
      static_cast<std::uint64_t>(st.st_size),
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

}  // namespace parvel
