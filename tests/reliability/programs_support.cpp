#include "reliability/programs_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <thread>

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

Finished WaitProgram(pid_t pid, const std::string& output, std::chrono::seconds limit) {
  Finished done;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  rusage usage{};
  for (;;) {
    const pid_t got = ::wait4(pid, &status, limit.count() > 0 ? WNOHANG : 0, &usage);
    if (got == pid) break;
    if (got < 0 && errno != EINTR) return done;
    if (limit.count() > 0 && std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      done.timed_out = true;
      break;
    }
    if (got == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (WIFEXITED(status)) done.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) done.signal = WTERMSIG(status);
  done.peak_rss_kb = usage.ru_maxrss;
  done.output = ReadFile(output);
  return done;
}

Finished RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::string& output, std::chrono::seconds limit) {
  const pid_t pid = StartProgram(program, args, output);
  if (pid < 0) return {};
  return WaitProgram(pid, output, limit);
}

::testing::AssertionResult EndedCleanly(const Finished& run) {
  if (run.timed_out) return ::testing::AssertionFailure() << "killed after the time limit";
  if (run.signal != 0) return ::testing::AssertionFailure() << "died of a signal\n" << run.output;
  if (run.status < 0 || run.status > 2) {
    return ::testing::AssertionFailure() << "exit status " << run.status << "\n" << run.output;
  }
  return ::testing::AssertionSuccess();
}

ProgramTest::ProgramTest() {
  std::filesystem::create_directories(data_);
  const std::string source = std::string(PARVEL_SOURCE_DIR) + "/data/";
  std::filesystem::copy(source + "Styles", data_ + "Styles",
                        std::filesystem::copy_options::recursive);
  std::filesystem::copy(source + "Samples", data_ + "Samples",
                        std::filesystem::copy_options::recursive);
}

Finished ProgramTest::Cli(std::vector<std::string> args, std::chrono::seconds limit) {
  args.insert(args.begin(), {"--data-dir", data_});
  return RunProgram("parvel-cli", args, dir_ / "cli.out", limit);
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
