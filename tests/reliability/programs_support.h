// Running the real command-line programs (parvel-cli, turnwheel) on a data directory of the test's
// own, holding the shipped templates and graphics.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/testsupport.h"

namespace parvel::testing {

// What a finished program did.
struct Finished {
  int status = -1;       // the exit status, or -1 when it was killed (also after the time limit)
  int signal = 0;        // the signal that killed it
  long peak_rss_kb = 0;  // its peak memory
  std::string output;    // stdout and stderr
};

// A small JPEG of the given size (and its folder).
void MakeJpeg(const std::string& path, int width = 64, int height = 48);

class ProgramTest : public ::testing::Test {
 public:  // (the hostile-input table sets up its sites through it)
  ProgramTest();
  // Starts bin/`program` with --data-dir and `args`, stdin from /dev/null, stdout and stderr into
  // the file `tag`.out of the test's folder; the test fails when it cannot start.
  pid_t Start(const std::string& program, std::vector<std::string> args,
              const std::string& tag = "cli") const;
  // Waits for a started program, killing it after ten minutes (a hang fails the test, not a
  // delay).
  Finished Wait(pid_t pid, const std::string& tag = "cli") const;
  Finished Cli(std::vector<std::string> args) const {
    return Wait(Start("parvel-cli", std::move(args)));
  }

  // Runs parvel-cli with `args`, which must succeed.
  void CliOk(std::vector<std::string> args) const;
  // Makes Site_1, called `name`, over site_; with `rotations` > 0 rotations are on and the site
  // has that many, turned into `live`, rotation 1 next.
  void NewSite(const std::string& name, int rotations = 0, const std::string& live = "") const;
  // A value of Site_1.ini, "<missing>" when it is not there.
  std::string Setting(const std::string& section, const std::string& key) const;

  TempDir dir_;
  std::string data_ = dir_ / "data/";
  std::string site_ = dir_ / "site/";
};

}  // namespace parvel::testing
