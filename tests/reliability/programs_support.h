// Running the real command-line programs from the reliability tests, and reading a directory
// tree in one consistent look.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace parvel::testing {

// The path of a program built into the build folder's bin/.
std::string ProgramPath(const std::string& program);

// Starts `program` (from bin/) with `args`, stdin from /dev/null and stdout and stderr into
// `output` (truncated). The child's process id; the test fails when it cannot start.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& output);

// What a finished program did.
struct Finished {
  int status = -1;         // the exit status, or -1 when it was killed
  int signal = 0;          // the signal that killed it
  bool timed_out = false;  // killed after the time limit
  long peak_rss_kb = 0;    // its peak memory
  std::string output;      // stdout and stderr
};

// Runs the program to the end, killing it after `limit` (none when zero).
Finished RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::string& output, std::chrono::seconds limit = {});
// Waits for a started program.
Finished WaitProgram(pid_t pid, const std::string& output, std::chrono::seconds limit = {});

// A run that ended by itself, without a signal, with one of the program's own exit statuses.
::testing::AssertionResult EndedCleanly(const Finished& run);

// A data directory of the test's own, holding the shipped templates and graphics, for parvel-cli.
class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest();
  Finished Cli(std::vector<std::string> args, std::chrono::seconds limit = {});

  TempDir dir_;
  std::string data_ = dir_ / "data/";
};

// Relative path -> contents of every file below a directory; directories appear with a
// trailing "/" and no contents.
using Tree = std::map<std::string, std::string>;

// Reads the tree below `dir` through one open handle on it, so that a rename of `dir` during the
// read cannot mix two trees. False when the directory or anything in it vanished meanwhile.
bool ReadTreeAt(const std::string& dir, Tree* tree);

// The same for an open directory handle (not closed).
bool ReadTreeFromFd(int dir_fd, const std::string& prefix, Tree* tree);

}  // namespace parvel::testing
