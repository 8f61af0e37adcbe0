#include "model/rotatenow.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "model/datadir.h"
#include "model/paths.h"
#include "platform/filesystem.h"

extern char** environ;

namespace parvel {

bool StartDetached(const std::string& program, const std::vector<std::string>& args,
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

ProgramLaunch TurnwheelLaunch(const std::string& data_dir, const std::string& program_dir,
                              const std::function<bool(const std::string&)>& exists) {
  const std::string own = data_dir + kTurnwheelProgram;
  const std::string beside = program_dir + kTurnwheelProgram;
  if (exists(own) || !exists(beside)) return {own, {}};
  return {beside, {"--data-dir", data_dir}};
}

SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations) {
  const ProgramLaunch launch = TurnwheelLaunch(DataDirectory(), ProgramDirectory(), FileExists);
  if (!StartDetached(launch.program, launch.args)) {
    ui.Message(MessageKind::Plain, "Could not load " + DataDirectory() + kTurnwheelProgram + "!",
               Buttons::Ok);
  }
  return catalogue.doselectionstatus(use_rotations);
}

}  // namespace parvel
