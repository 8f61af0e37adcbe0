// The rotation program and settings saves of parvel-cli running at the same time on one site: no
// run of either finds a torn file, no save is lost, and the live directory always holds exactly
// one whole rotation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/inifile.h"
#include "platform/filelock.h"
#include "reliability/programs_support.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::Finished;
using testing::ReadTreeFromFd;
using testing::RunProgram;
using testing::TempDir;
using testing::Tree;
using testing::WriteFile;

constexpr int kRotations = 3;

// How long the two loops run: PARVEL_CONCURRENCY_SECONDS, 30 unless set.
std::chrono::seconds Duration() {
  const char* text = std::getenv("PARVEL_CONCURRENCY_SECONDS");
  const int seconds = text ? std::atoi(text) : 0;
  return std::chrono::seconds(seconds > 0 ? seconds : 30);
}

// A rotation's files: a page naming it, images shared by name with different contents, one
// file of its own, and a thumbnail folder.
Tree RotationTree(int r) {
  const std::string n = std::to_string(r);
  Tree tree{{"Index.html", "<html><body>Rotation " + n + "</body></html>"},
            {"only" + n + ".txt", "rotation " + n},
            {"thumbs/", ""}};
  for (int k = 0; k < 25; ++k) {
    const std::string image = "img" + std::to_string(k) + ".jpg";
    tree[image] = std::string(200 + 37 * k + r, static_cast<char>('a' + r));
    tree["thumbs/" + image] = "thumbnail " + n + "/" + std::to_string(k);
  }
  return tree;
}

int RotationHolding(const Tree& tree) {
  for (int r = 1; r <= kRotations; ++r) {
    if (tree == RotationTree(r)) return r;
  }
  return 0;
}

class ConcurrentRotationTest : public testing::ProgramTest {
 protected:
  void SetUp() override {
    WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
    const Finished made = Cli({"new-site", "Spinning", "--path", dir_ / "site/"});
    ASSERT_EQ(made.status, 0) << made.output;
    IniFile general(data_ + "Site_1.ini");
    ASSERT_TRUE(general.Load());
    general.Set("General", "RotationCount", std::to_string(kRotations));
    general.Set("General", "AutoRotate", "True");
    general.Set("General", "LivePath", live_);
    general.Set("General", "CurrentRotationPosition", "1");
    ASSERT_TRUE(general.Save());
    for (int r = 1; r <= kRotations; ++r) {
      const std::string root = dir_ / ("site/Rotation_" + std::to_string(r) + "/");
      for (const auto& [name, contents] : RotationTree(r)) {
        if (name.back() == '/') {
          std::filesystem::create_directories(root + name);
        } else {
          WriteFile(root + name, contents);
        }
      }
    }
    const Finished set = Cli({"set", "Site_1", "Header_HTML=start"});
    ASSERT_EQ(set.status, 0) << set.output;
  }

  Finished Run(const std::string& program, std::vector<std::string> args, const char* tag) {
    args.insert(args.begin(), {"--data-dir", data_});
    return RunProgram(program, args, dir_ / (std::string(tag) + ".out"));
  }
  std::string Setting(const std::string& section, const std::string& key) {
    IniFile ini(data_ + "Site_1.ini");
    if (!ini.Load()) return "<unreadable>";
    return ini.GetString(section, key, "<missing>");
  }

  void Problem(std::string text) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (problems_.size() < 20) problems_.push_back(std::move(text));
  }

  std::string live_ = dir_ / "live";
  std::mutex mutex_;
  std::vector<std::string> problems_;
};

TEST_F(ConcurrentRotationTest, SavesAndRotationsNeitherTearNorLoseAnything) {
  // One run first, so that a live directory exists from the start of the loops.
  Finished first = Run("turnwheel", {}, "first");
  ASSERT_EQ(first.status, 0) << first.output;
  std::atomic<bool> stop{false};
  std::atomic<int> rotations{1};
  std::atomic<int> sets{0};
  std::atomic<int> live_checks{0};
  std::atomic<int> live_retries{0};
  std::atomic<int> settings_reads{0};
  std::string last_value;

  std::thread wheel([&] {
    while (!stop) {
      const Finished run = Run("turnwheel", {}, "turnwheel");
      if (run.status != 0) Problem("turnwheel failed: " + run.output);
      ++rotations;
    }
  });
  std::thread setter([&] {
    for (int i = 0; !stop; ++i) {
      const std::string value = (i % 2 ? "odd " : "even ") + std::to_string(i);
      const Finished run = Cli({"set", "Site_1", "Header_HTML=" + value});
      if (run.status != 0) Problem("set failed: " + run.output);
      // Nothing else writes this key: a different value means a save overwrote this one.
      const std::string stored = Setting("Rotation_1", "Header_HTML");
      if (stored != value) Problem("set " + value + " but " + stored + " is stored");
      last_value = value;
      ++sets;
    }
  });
  // The moment between two renames is short: one thread does nothing but look for it.
  std::atomic<long> probes{0};
  std::thread prober([&] {
    while (!stop) {
      if (::access(live_.c_str(), F_OK) != 0) Problem("the live directory was missing");
      ++probes;
    }
  });
  std::thread watcher([&] {
    while (!stop) {
      const int fd = ::open(live_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) {
        Problem("no live directory: " + std::string(std::strerror(errno)));
      } else {
        Tree tree;
        const bool read = ReadTreeFromFd(fd, "", &tree);
        struct stat held {};
        struct stat now {};
        const bool still_live = ::fstat(fd, &held) == 0 && ::stat(live_.c_str(), &now) == 0 &&
                                held.st_ino == now.st_ino && held.st_dev == now.st_dev;
        ::close(fd);
        if (read && RotationHolding(tree) != 0) {
          ++live_checks;
        } else if (!still_live) {
          ++live_retries;  // swapped out and cleared while being read: look again
        } else {
          Problem("the live directory holds no whole rotation (" + std::to_string(tree.size()) +
                  " entries)");
        }
      }
      IniFile site(data_ + "Site_1.ini");
      IniFile sites(data_ + "sites.ini");
      if (!site.Load() || site.GetString("General", "Name", "") != "Spinning" ||
          site.GetString("General", "RotationCount", "") != std::to_string(kRotations) ||
          !site.Get("Rotation_1", "Header_HTML")) {
        Problem("Site_1.ini read torn:\n" + testing::ReadFile(data_ + "Site_1.ini"));
      }
      if (!sites.Load() || sites.GetString("Sites", "Site_1", "") != "Spinning") {
        Problem("sites.ini read torn");
      }
      ++settings_reads;
    }
  });

  std::this_thread::sleep_for(Duration());
  stop = true;
  wheel.join();
  setter.join();
  watcher.join();
  prober.join();

  std::cout << "turnwheel runs: " << rotations << ", sets: " << sets
            << ", live-directory checks: " << live_checks << " (looked again " << live_retries
            << " times), settings reads: " << settings_reads << ", probes: " << probes << "\n";
  for (const auto& problem : problems_) ADD_FAILURE() << problem;
  EXPECT_GT(sets, 0);
  EXPECT_GT(rotations, 1);
  EXPECT_GT(live_checks, 0);
  // Neither program's last save was lost: the last value set, and the position after every
  // rotation (each run moves it on by one, from 1).
  EXPECT_EQ(Setting("Rotation_1", "Header_HTML"), last_value);
  EXPECT_EQ(Setting("General", "CurrentRotationPosition"),
            std::to_string(rotations % kRotations + 1));
  Tree tree;
  ASSERT_TRUE(testing::ReadTreeAt(live_, &tree));
  EXPECT_EQ(RotationHolding(tree), (rotations - 1) % kRotations + 1);
}

TEST_F(ConcurrentRotationTest, ASaveGivesUpWithAMessageWhileAnotherProgramHoldsTheLock) {
  const std::string before = testing::ReadFile(data_ + "Site_1.ini");
  ::setenv("PARVEL_LOCK_WAIT_MS", "200", 1);
  Finished run;
  {
    const FileLock held(data_);
    ASSERT_TRUE(held.held()) << held.error();
    run = Cli({"set", "Site_1", "Header_HTML=late"});
  }
  ::unsetenv("PARVEL_LOCK_WAIT_MS");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, LockTimeoutMessage(data_) + "\n");
  EXPECT_EQ(testing::ReadFile(data_ + "Site_1.ini"), before);
  // Once the lock is free the same save goes through.
  ASSERT_EQ(Cli({"set", "Site_1", "Header_HTML=late"}).status, 0);
  EXPECT_EQ(Setting("Rotation_1", "Header_HTML"), "late");
}

}  // namespace
}  // namespace parvel
