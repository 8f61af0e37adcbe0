#include "platform/filesystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace parvel {
namespace {

namespace fs = std::filesystem;

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
    const fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return FailErrno(error, path, errno);
    struct stat st {};
    const mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, contents) && (!durable || ::fsync(fd) == 0);
    int err = errno;
    if (::close(fd) != 0 && ok) {
      ok = false;
      err = errno;
    }
    if (ok && ::rename(name.data(), path.c_str()) != 0) {
      ok = false;
      err = errno;
    }
    if (!ok) {
      ::unlink(name.data());
      return FailErrno(error, path, err);
    }
    return true;
  }

  bool CopyFile(const std::string& from, const std::string& to, std::string* error) override {
    std::error_code ec;
    if (!fs::copy_file(from, to, fs::copy_options::none, ec)) {
      return Fail(error, from + ": " + (ec ? ec.message() : std::string("not copied")));
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
};

FileSystem* g_current = nullptr;

}  // namespace

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

}  // namespace parvel
