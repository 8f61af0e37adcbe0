#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace parvel {
namespace {

bool SpawnDetached(const std::string& program, const std::vector<std::string>& args,
                   pid_t* pid_out) {
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
  const int err = posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (err != 0) return false;
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

}  // namespace parvel
