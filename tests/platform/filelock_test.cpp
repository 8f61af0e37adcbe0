#include "platform/filelock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/testsupport.h"

namespace parvel {
namespace {

using namespace std::chrono_literals;

// Whether another process can take the lock on `path` at once (the child locks by hand: a forked
// copy of this process would take over its record of the locks held).
bool OtherProcessGets(const std::string& path) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(::flock(::open(path.c_str(), O_RDONLY), LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Nested holders in one process: the lock goes with the last of them. (Giving up on a lock held
// elsewhere, with its message, is tried with the real programs in the reliability tests.)
TEST(FileLockTest, ExcludesOtherProcessesUntilTheLastHolderGoes) {
  testing::TempDir dir;
  auto outer = std::make_unique<FileLock>(dir.path(), 0ms);
  auto inner = std::make_unique<FileLock>(dir.path(), 0ms);
  ASSERT_TRUE(outer->held()) << outer->error();
  ASSERT_TRUE(inner->held());
  outer.reset();
  EXPECT_FALSE(OtherProcessGets(dir.path()));
  inner.reset();
  EXPECT_TRUE(OtherProcessGets(dir.path()));
  const FileLock missing(dir / "nowhere", 0ms);
  EXPECT_FALSE(missing.held());
  EXPECT_NE(missing.error().find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace parvel
