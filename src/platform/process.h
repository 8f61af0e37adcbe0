// Starting other programs: the seam between the core and the operating system's processes, so
// that a test can put its own starter in place of the real one.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace parvel {

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts `program` with `args`, in the current working directory, and returns at once. The
  // child is reaped when it ends (no zombie stays). False when it could not be started.
  [[nodiscard]] virtual bool StartDetached(const std::string& program,
                                           const std::vector<std::string>& args, pid_t* pid) = 0;
};

// The starter the core uses: the real one unless a test has swapped in another.
ProcessStarter& Processes();

// Makes `starter` the one Processes() returns for the life of the guard (tests only).
class ScopedProcessStarter {
 public:
  explicit ScopedProcessStarter(ProcessStarter& starter);
  ~ScopedProcessStarter();
  ScopedProcessStarter(const ScopedProcessStarter&) = delete;
  ScopedProcessStarter& operator=(const ScopedProcessStarter&) = delete;

 private:
  ProcessStarter* previous_;
};

// Processes().StartDetached(program, args, pid).
[[nodiscard]] bool StartDetached(const std::string& program,
                                 const std::vector<std::string>& args = {}, pid_t* pid = nullptr);

// How a program run to its end went.
struct ProgramRun {
  bool started = false;
  int exit_status = -1;  // its exit status; -1 when it was ended by a signal or not waited for
  std::string output;    // what it wrote to its standard output and error (at most the limit)
};
inline constexpr std::size_t kMaxProgramOutput = std::size_t{1} << 20;

// Runs `program` with `args` (standard input empty) and waits for its end, calling `waiting`
// about every tenth of a second meanwhile (the desktop keeps its window responsive there).
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::function<void()>& waiting);

}  // namespace parvel
