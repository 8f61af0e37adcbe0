#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace parvel {
namespace {

// Starts `program`; with `actions`, its files are arranged by them.
bool Spawn(const std::string& program, const std::vector<std::string>& args,
           const posix_spawn_file_actions_t* actions, pid_t* pid_out) {
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  // The child starts with no blocked signals and default handling of those a GUI or a console
  // program commonly changes.
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int err = posix_spawn(&pid, program.c_str(), actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (err != 0) return false;
  *pid_out = pid;
  return true;
}

bool SpawnDetached(const std::string& program, const std::vector<std::string>& args,
                   pid_t* pid_out) {
  pid_t pid = 0;
  if (!Spawn(program, args, nullptr, &pid)) return false;
  if (pid_out) *pid_out = pid;

  // Waiting on this one child from a thread of its own reaps it whenever it ends, without a
  // SIGCHLD handler that could take the exit status of children other parts of the program wait
  // for.
  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

class SystemProcessStarter : public ProcessStarter {
 public:
  bool StartDetached(const std::string& program, const std::vector<std::string>& args,
                     pid_t* pid) override {
    return SpawnDetached(program, args, pid);
  }
};

ProcessStarter*& CurrentStarter() {
  static SystemProcessStarter system;
  static ProcessStarter* current = &system;
  return current;
}

}  // namespace

ProcessStarter& Processes() {
  return *CurrentStarter();
}

ScopedProcessStarter::ScopedProcessStarter(ProcessStarter& starter) : previous_(CurrentStarter()) {
  CurrentStarter() = &starter;
}

ScopedProcessStarter::~ScopedProcessStarter() {
  CurrentStarter() = previous_;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args, pid_t* pid) {
  return Processes().StartDetached(program, args, pid);
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::function<void()>& waiting) {
  ProgramRun run;
  std::array<int, 2> pipe_fds{};
  if (::pipe2(pipe_fds.data(), O_CLOEXEC) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
  pid_t pid = 0;
  run.started = Spawn(program, args, &actions, &pid);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  if (!run.started) {
    ::close(pipe_fds[0]);
    return run;
  }
  // Its output until it closes it, then its end; `waiting` runs between looks.
  std::array<char, 4096> buffer{};
  for (;;) {
    pollfd fd{pipe_fds[0], POLLIN, 0};
    const int ready = ::poll(&fd, 1, 100);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      const ssize_t n = ::read(pipe_fds[0], buffer.data(), buffer.size());
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
      if (n > 0 && run.output.size() < kMaxProgramOutput) {
        run.output.append(buffer.data(), static_cast<size_t>(n));
      }
    }
    if (waiting) waiting();
  }
  ::close(pipe_fds[0]);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return run;
    if (waiting) waiting();
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace parvel
