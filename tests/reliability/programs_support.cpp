#include "reliability/programs_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "support/testsupport.h"

extern char** environ;

namespace parvel::testing {

std::string ProgramPath(const std::string& program) {
  return std::string(PARVEL_BINARY_DIR) + "/bin/" + program;
}

pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& output) {
  const std::string path = ProgramPath(program);
  std::vector<std::string> words{path};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int err = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(err, 0) << path;
  return err == 0 ? pid : -1;
}

Finished WaitProgram(pid_t pid, const std::string& output) {
  Finished done;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return done;
  }
  if (WIFEXITED(status)) done.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) done.signal = WTERMSIG(status);
  done.output = ReadFile(output);
  return done;
}

Finished RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::string& output) {
  const pid_t pid = StartProgram(program, args, output);
  if (pid < 0) return {};
  return WaitProgram(pid, output);
}

bool ReadTreeFromFd(int dir_fd, const std::string& prefix, Tree* tree) {
  const int listing = ::dup(dir_fd);
  if (listing < 0) return false;
  DIR* dir = ::fdopendir(listing);
  if (!dir) {
    ::close(listing);
    return false;
  }
  ::rewinddir(dir);
  bool ok = true;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = false;
      break;
    }
    if (S_ISDIR(st.st_mode)) {
      const int sub = ::openat(dir_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (sub < 0) {
        ok = false;
        break;
      }
      (*tree)[prefix + name + "/"] = "";
      ok = ReadTreeFromFd(sub, prefix + name + "/", tree);
      ::close(sub);
      if (!ok) break;
      continue;
    }
    const int fd = ::openat(dir_fd, name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      ok = false;
      break;
    }
    std::string contents;
    char buffer[8192];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof(buffer))) > 0) contents.append(buffer, size_t(n));
    ::close(fd);
    if (n < 0) {
      ok = false;
      break;
    }
    (*tree)[prefix + name] = std::move(contents);
  }
  ::closedir(dir);
  return ok;
}

bool ReadTreeAt(const std::string& dir, Tree* tree) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  tree->clear();
  const bool ok = ReadTreeFromFd(fd, "", tree);
  ::close(fd);
  return ok;
}

}  // namespace parvel::testing
