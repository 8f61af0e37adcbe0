// The rotation program and settings saves of parvel-cli running at the same time on one site: no
// run of either finds a torn file, no save is lost, and the live directory always holds exactly
// one whole rotation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
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

using namespace testing;  // the test support

constexpr int kRotations = 3;

// A rotation's files: a page naming it, images shared by name with different contents, one
// file of its own, and a thumbnail folder.
Tree RotationTree(int r) {
  const std::string n = std::to_string(r);
  Tree tree{{"Index.html", "<html><body>Rotation " + n + "</body></html>"},
            {"only" + n + ".txt", "rotation " + n},
            {"thumbs", "/"}};
  for (int k = 0; k < 25; ++k) {
    const std::string image = "img" + std::to_string(k) + ".jpg";
    tree[image] = std::string(200 + 37 * k + r, static_cast<char>('a' + r));
    tree["thumbs/" + image] = "thumbnail " + n + "/" + std::to_string(k);
  }
  return tree;
}

// The rotation `tree` is a copy of, 0 for none.
int RotationHolding(const Tree& tree) {
  for (int r = 1; r <= kRotations; ++r) {
    if (tree == RotationTree(r)) return r;
  }
  return 0;
}

using ConcurrentRotationTest = testing::ProgramTest;

TEST_F(ConcurrentRotationTest, SavesAndRotationsNeitherTearNorLoseAnything) {
  const std::string live = dir_ / "live";
  WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  NewSite("Spinning", dir_ / "site/");
  Rotate(kRotations, live, 1);
  for (int r = 1; r <= kRotations; ++r) {
    const std::string root = dir_ / ("site/Rotation_" + std::to_string(r) + "/");
    for (const auto& [name, contents] : RotationTree(r)) {
      if (contents != "/") WriteFile(root + name, contents);  // (makes the folders)
    }
  }
  // A save gives up with a message while another program holds the lock, and goes through once
  // the lock is free.
  const std::string before = testing::ReadFile(data_ + "Site_1.ini");
  ::setenv("PARVEL_LOCK_WAIT_MS", "200", 1);
  Finished refused;
  {
    const FileLock held(data_);
    ASSERT_TRUE(held.held()) << held.error();
    refused = Cli({"set", "Site_1", "Header_HTML=start"});
  }
  ::unsetenv("PARVEL_LOCK_WAIT_MS");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.output, LockTimeoutMessage(data_) + "\n");
  EXPECT_EQ(testing::ReadFile(data_ + "Site_1.ini"), before);
  Set({"Header_HTML=start"});
  EXPECT_EQ(Setting("Rotation_1", "Header_HTML"), "start");

  // The programs at the same time, from one run that made the live directory.
  ASSERT_EQ(Run("turnwheel", {}).status, 0);
  std::mutex mutex;
  std::vector<std::string> problems;
  const auto problem = [&](std::string text) {
    std::lock_guard<std::mutex> guard(mutex);
    if (problems.size() < 20) problems.push_back(std::move(text));
  };
  std::atomic<bool> stop{false};
  std::atomic<int> rotations{1}, sets{0}, live_checks{0};
  std::string last_value;

  std::thread wheel([&] {
    for (; !stop; ++rotations) {
      const Finished run = Run("turnwheel", {}, "turnwheel");
      if (run.status != 0) problem("turnwheel failed: " + run.output);
    }
  });
  std::thread setter([&] {
    for (int i = 0; !stop; ++i, ++sets) {
      const std::string value = (i % 2 ? "odd " : "even ") + std::to_string(i);
      const Finished run = Cli({"set", "Site_1", "Header_HTML=" + value});
      if (run.status != 0) problem("set failed: " + run.output);
      // Nothing else writes this key: a different value means a save overwrote this one.
      const std::string stored = Setting("Rotation_1", "Header_HTML");
      if (stored != value) problem("set " + value + " but " + stored + " is stored");
      last_value = value;
    }
  });
  // The moment between two renames is short: one thread does nothing but look for it.
  std::thread prober([&] {
    while (!stop) {
      if (::access(live.c_str(), F_OK) != 0) problem("the live directory was missing");
    }
  });
  std::thread watcher([&] {
    while (!stop) {
      // Read through an open handle, so that a rename of the live directory meanwhile cannot mix
      // two trees; one swapped out and cleared while being read is looked at again.
      const int fd = ::open(live.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) problem("no live directory");
      const Tree tree = testing::ReadTree("/proc/self/fd/" + std::to_string(fd));
      struct stat held {};
      struct stat now {};
      const bool still_live = ::fstat(fd, &held) == 0 && ::stat(live.c_str(), &now) == 0 &&
                              held.st_ino == now.st_ino && held.st_dev == now.st_dev;
      ::close(fd);
      const int holding = RotationHolding(tree);
      live_checks += holding != 0;
      if (holding == 0 && still_live) {
        problem("the live directory holds no whole rotation (" + std::to_string(tree.size()) +
                " entries)");
      }
      IniFile site(data_ + "Site_1.ini"), sites(data_ + "sites.ini");
      if (!site.Load() || !sites.Load() || site.GetString("General", "Name", "") != "Spinning" ||
          site.GetString("General", "RotationCount", "") != std::to_string(kRotations) ||
          !site.Get("Rotation_1", "Header_HTML") ||
          sites.GetString("Sites", "Site_1", "") != "Spinning") {
        problem("settings read torn:\n" + testing::ReadFile(data_ + "Site_1.ini"));
      }
    }
  });

  // How long the loops run: PARVEL_CONCURRENCY_SECONDS, 30 unless set.
  const char* seconds = std::getenv("PARVEL_CONCURRENCY_SECONDS");
  std::this_thread::sleep_for(std::chrono::seconds(seconds ? std::atoi(seconds) : 30));
  stop = true;
  for (std::thread* thread : {&wheel, &setter, &watcher, &prober}) thread->join();

  std::cout << "turnwheel runs: " << rotations << ", sets: " << sets
            << ", whole live directories seen: " << live_checks << "\n";
  for (const auto& text : problems) ADD_FAILURE() << text;
  EXPECT_TRUE(sets > 0 && rotations > 1 && live_checks > 0);
  // Neither program's last save was lost: the last value set, and the position after every
  // rotation (each run moves it on by one, from 1).
  EXPECT_EQ(Setting("Rotation_1", "Header_HTML"), last_value);
  EXPECT_EQ(Setting("General", "CurrentRotationPosition"),
            std::to_string(rotations % kRotations + 1));
  EXPECT_EQ(RotationHolding(testing::ReadTree(live)), (rotations - 1) % kRotations + 1);
}

}  // namespace
}  // namespace parvel
